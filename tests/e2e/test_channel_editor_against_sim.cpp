#include "apps/ModelWindows.h"
#include "multiupdate/UpdateDialog.h"
#include "panel/session/PanelController.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/MainWindow.h"
#include "tests/support/Deadline.h"
#include "tests/support/SimPanelPlatform.h"
#include "tests/support/UnitSimProcess.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

using namespace qm;

namespace {

constexpr int Channel = 2; // shown as "3"

// A whole program on the real serial port, COM1 mapped to its own emulated unit.
struct Run
{
    explicit Run(const WindowDescription &description)
        : model(*description.model), window(description), c(window.controls())
    {
        const QString pty = sim.start(QStringLiteral(QM_UNIT_SIM), {"--model", model.shortName});
        controller = std::make_unique<PanelController>(window, test::simPanelPlatform(pty));
        window.show();
    }
    // Command and channel of each frame the unit logs from now until count have come ("0302"
    // for blanking on channel index 2); the unit's decoding must have taken every one.
    QStringList awaitFrames(qsizetype count, int timeoutMs = test::DeadlineMs)
    {
        QStringList heard;
        static_cast<void>(QTest::qWaitFor(
            [this, &heard, count] {
                const QStringList log = sim.logLines();
                for (const QString &line : log.mid(framesSeen)) {
                    const QString hex = line.section(u'\t', 0, 0);
                    heard << (line.endsWith("unparsed") ? line : hex.chopped(2).right(4));
                }
                framesSeen = log.size();
                return heard.size() >= count;
            },
            timeoutMs));
        return heard;
    }
    // A poll of every channel heard by the unit, and the window usable again after it.
    bool awaitPoll()
    {
        return awaitFrames(ChannelCount).filter(QRegularExpression("^08")).size() == ChannelCount &&
               QTest::qWaitFor(
                   [this] { return window.isEnabled() && !c.frameConnecting->isVisible(); },
                   test::DeadlineMs);
    }
    const ChannelSettings &shown() const { return controller->channelTable()[Channel]; }

    const UnitModel &model;
    test::UnitSimProcess sim;
    qsizetype framesSeen = 0;
    MainWindow window;
    const MainWindowControls &c;
    std::unique_ptr<PanelController> controller;
};

void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

void typeLine(Run &run, int line, const QString &text)
{
    auto *field = run.window.control<QLineEdit>(arrayElementName("txtText", line));
    run.c.sstSettings->setCurrentIndex(run.c.sstSettings->count() - 1);
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(3, field->height() / 2));
    QTRY_COMPARE_WITH_TIMEOUT(field->selectedText(), field->text(), test::DeadlineMs);
    QTest::keyClicks(field, text);
}

// Opens the port list and clicks its shown entry again, as the operator does to poll anew.
void pickPortAgain(Run &run)
{
    QComboBox *ports = run.c.cmbComports;
    QTest::mouseClick(ports, Qt::LeftButton);
    QAbstractItemView *view = ports->view();
    QTRY_VERIFY_WITH_TIMEOUT(view->isVisible(), test::DeadlineMs);
    QTest::qWait(QApplication::doubleClickInterval() + 100); // a quick release only opens it
    const QRect item = view->visualRect(view->model()->index(ports->currentIndex(), 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
}

} // namespace

// Edits reach the emulated unit as exactly their frames, as does a multi-channel update to all
// twelve channels, and a new poll reads back what was written.
class TestChannelEditorAgainstSim : public QObject
{
    Q_OBJECT
private slots:
    void editsReachTheUnitAndReadBack_data();
    void editsReachTheUnitAndReadBack();
};

void TestChannelEditorAgainstSim::editsReachTheUnitAndReadBack_data()
{
    QTest::addColumn<const WindowDescription *>("description");
    QTest::newRow("410A") << &qm410aWindow();
    QTest::newRow("520A") << &qm520aWindow();
}

void TestChannelEditorAgainstSim::editsReachTheUnitAndReadBack()
{
    QFETCH(const WindowDescription *, description);
    Run run(*description);
    QVERIFY(run.awaitPoll());
    QTest::mouseClick(run.c.channelSelectors[Channel], Qt::LeftButton);

    click(run.window.control<QCheckBox>("chkBlank"));
    typeLine(run, 0, "Q");
    const QString blank = run.shown()[Field::Blank] == 1 ? "0302" : "0402";
    QCOMPARE(run.awaitFrames(2), QStringList({blank, "0502"}));
    const ChannelSettings edited = run.shown();
    const ChannelTable before = run.controller->channelTable();

    // Every group to all twelve channels: frames written back to back, heard whole and in order.
    QTest::mouseClick(run.c.cmdUpdateMultiple, Qt::LeftButton);
    auto *dialog = run.window.findChild<UpdateDialog *>();
    QVERIFY(dialog && dialog->isVisible());
    QTest::mouseClick(dialog->findChild<QCheckBox *>("chkAllSettings"), Qt::LeftButton);
    QTest::mouseClick(dialog->findChild<QPushButton *>("cmdUpdate"), Qt::LeftButton);
    QStringList expected;
    for (int index = 0; index < ChannelCount; ++index)
        for (const QString &command : QStringList{blank.left(2), "05", "06", "07", "09", "02"})
            if (run.model.hasTimeFont || command != "09")
                expected << command + QString::asprintf("%02x", index);
    QCOMPARE(run.awaitFrames(expected.size()), expected);
    QVERIFY2(run.awaitFrames(1, 300).isEmpty(), "no frame beyond the run's");

    pickPortAgain(run);
    QVERIFY(run.awaitPoll());
    QCOMPARE(edited.texts[0], "Q");
    for (int index = 0; index < ChannelCount; ++index) {
        ChannelSettings copied = edited;
        copied[Field::DateMode] = before[index][Field::DateMode]; // in no group, never copied
        QCOMPARE(run.controller->channelTable()[index], copied);
    }
}

QTEST_MAIN(TestChannelEditorAgainstSim)
#include "test_channel_editor_against_sim.moc"
