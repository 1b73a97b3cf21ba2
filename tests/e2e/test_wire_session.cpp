#include "apps/ModelWindows.h"
#include "panel/session/PanelController.h"
#include "panel/window/MainWindow.h"
#include "tests/support/Deadline.h"
#include "tests/support/SettingControls.h"
#include "tests/support/SimPanelPlatform.h"
#include "tests/support/UnitSimProcess.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

using namespace qm;

// Guards the wire: a scripted operator session, from start-up through every control the
// window's description binds to a setting (each edit must reach the wire), Update and a multiple
// update to close, must put on the wire exactly the frames of the golden log in tests/data. A
// run that differs writes what the unit heard to <model>.actual beside itself; a newly bound
// control lands there, and its frames are looked at before that file replaces the golden log.
// Change the logs only when the wire is meant to change.

namespace {

// A whole program on the real serial port, COM1 mapped to its own emulated unit.
struct Session
{
    explicit Session(const WindowDescription &description) : window(description)
    {
        const QString pty =
            sim.start(QStringLiteral(QM_UNIT_SIM), {"--model", description.model->shortName});
        controller = std::make_unique<PanelController>(window, test::simPanelPlatform(pty));
        window.show();
    }
    template<typename T> T *find(const QString &name) { return window.findChild<T *>(name); }

    test::UnitSimProcess sim;
    MainWindow window;
    std::unique_ptr<PanelController> controller;
};

void typeInto(QLineEdit *field, const QString &text)
{
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(3, field->height() / 2));
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(field, text);
}

// The next entry; from the last, up and back, so that the edit is heard either way.
void stepDown(QComboBox *list)
{
    if (list->currentIndex() + 1 == list->count())
        QTest::keyClick(list, Qt::Key_Up);
    QTest::keyClick(list, Qt::Key_Down);
}

// One operator edit of the control, by the kind of widget it is.
void work(QWidget *control)
{
    test::showPageOf(control);
    if (auto *box = qobject_cast<QAbstractButton *>(control))
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    else if (auto *slider = qobject_cast<QSlider *>(control))
        QTest::keyClick(slider, Qt::Key_Down);
    else if (control->objectName() == "txtMove")
        QTest::keyClick(control, Qt::Key_Right);
    else if (auto *field = qobject_cast<QLineEdit *>(control))
        typeInto(field, control->objectName().startsWith("txtText") ? " Ab " : "5");
    else if (auto *list = qobject_cast<QComboBox *>(control))
        stepDown(list);
}

// What the operator works for one bound control: the position editor's inputs front to back
// (its frame lists its children back to front, as they are stacked), then its arrow keys; any
// other control itself.
QWidgetList inputsOf(const test::SettingControl &setting, QWidget &window)
{
    auto *control = window.findChild<QWidget *>(setting.name);
    if (setting.binding.kind != SettingKind::Position)
        return {control};
    QWidgetList inputs;
    for (QWidget *child : control->findChildren<QWidget *>()) {
        auto *field = qobject_cast<QLineEdit *>(child);
        if ((field && !field->isReadOnly()) || qobject_cast<QSlider *>(child))
            inputs.prepend(child);
    }
    return inputs << window.findChild<QWidget *>(QStringLiteral("txtMove"));
}

} // namespace

class TestWireSession : public QObject
{
    Q_OBJECT
private slots:
    void sessionFramesMatchTheGoldenLog_data();
    void sessionFramesMatchTheGoldenLog();
};

void TestWireSession::sessionFramesMatchTheGoldenLog_data()
{
    QTest::addColumn<const WindowDescription *>("description");
    QTest::newRow("qm410a") << &qm410aWindow();
    QTest::newRow("qm520a") << &qm520aWindow();
}

void TestWireSession::sessionFramesMatchTheGoldenLog()
{
    QFETCH(const WindowDescription *, description);
    const QString golden =
        QStringLiteral(QM_GOLDEN_DIR "/%1-wire-session.txt").arg(QTest::currentDataTag());
    QFile goldenFile(golden);
    const QStringList expected =
        goldenFile.open(QIODevice::ReadOnly)
            ? QString::fromLatin1(goldenFile.readAll()).split(u'\n', Qt::SkipEmptyParts)
            : QStringList{};

    Session s(*description);
    // The start-up poll.
    QTRY_VERIFY_WITH_TIMEOUT(s.sim.logLines().size() >= ChannelCount, test::DeadlineMs);
    QTRY_VERIFY_WITH_TIMEOUT(s.window.isEnabled(), test::DeadlineMs);
    QWidget *selector = s.find<QWidget>("cmdButton_2");
    QVERIFY(selector);
    QTest::mouseClick(selector, Qt::LeftButton);
    for (const test::SettingControl &setting : test::settingControls(*description)) {
        for (QWidget *input : inputsOf(setting, s.window)) {
            QVERIFY2(input, qPrintable(setting.name + " is not in the window"));
            const qsizetype heard = s.sim.logLines().size();
            work(input);
            QTRY_VERIFY2_WITH_TIMEOUT(s.sim.logLines().size() > heard,
                                      qPrintable(input->objectName() + " sent nothing"),
                                      test::DeadlineMs);
        }
    }
    // Deferred edits, sent together by Update.
    work(s.find<QCheckBox>("chkUpdateImmediately"));
    work(s.find<QCheckBox>("chkBlank"));
    typeInto(s.find<QLineEdit>("txtText_1"), "Cd");
    QTest::mouseClick(s.find<QPushButton>("cmdUpdate"), Qt::LeftButton);

    QTest::mouseClick(s.find<QPushButton>("cmdUpdateMultiple"), Qt::LeftButton);
    auto *dialog = s.window.findChild<QDialog *>();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QTest::mouseClick(dialog->findChild<QCheckBox *>("chkAllSettings"), Qt::LeftButton);
    QTest::mouseClick(dialog->findChild<QPushButton *>("cmdUpdate"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isVisible(), test::DeadlineMs);
    QTest::mouseClick(s.find<QPushButton>("cmdClose"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!s.window.isVisible(), test::DeadlineMs);

    // The multiple update ends with the data of the last channel.
    QTRY_VERIFY_WITH_TIMEOUT(!s.sim.logLines().filter("\tdata ch=11 ").isEmpty(), test::DeadlineMs);
    QCOMPARE(s.sim.stop(), 0);
    const QStringList heard = s.sim.logLines();
    QFile actual(QStringLiteral("%1.actual").arg(QTest::currentDataTag()));
    if (heard != expected && actual.open(QIODevice::WriteOnly))
        actual.write((heard.join(u'\n') + u'\n').toLatin1());
    QCOMPARE(heard, expected);
}

QTEST_MAIN(TestWireSession)
#include "test_wire_session.moc"
