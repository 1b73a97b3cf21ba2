#include "ChannelSelector.h"
#include "EventLoopWaiter.h"
#include "MainWindow.h"
#include "MemoryPreferencesStore.h"
#include "ModelWindows.h"
#include "PanelController.h"
#include "QtSerialPort.h"
#include "RecordingNotifier.h"
#include "RecordingSink.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>

using namespace qm;

namespace {

constexpr int Channel = 2; // shown as "3"

// One program run against its own emulated unit: the unit's log is read as it grows.
struct Run
{
    explicit Run(const WindowDescription &description)
        : model(*description.model), window(description),
          expectedSender(model, expectedTable, expected)
    {
        sim.start(QStringLiteral(QM_UNIT_SIM), {"--model", model.shortName});
        if (sim.waitForStarted() && sim.waitForReadyRead(5000))
            pty = QString::fromLocal8Bit(sim.readLine()).trimmed();
        auto store = std::make_unique<test::MemoryPreferencesStore>();
        store->values = {{"Ports/COM1", pty}, {"Settings/Comport", "1"}};
        PanelPlatform platform;
        platform.makeSerialPort = [](const PortMap &map, const UnitModel &portModel) {
            return std::make_unique<QtSerialPort>(map, portModel.baudRate);
        };
        platform.waiter = std::make_unique<EventLoopWaiter>();
        platform.preferencesStore = std::move(store);
        platform.makeNotifier = [](QWidget *) {
            return std::make_unique<test::RecordingNotifier>();
        };
        controller = std::make_unique<PanelController>(window, std::move(platform));
        window.show();
    }
    ~Run()
    {
        controller.reset();
        sim.terminate();
        sim.waitForFinished(3000);
    }
    const MainWindowControls &c() const { return window.controls(); }
    // The frames the unit logged since the last call, as hex, with what it made of them.
    QStringList framesHeard()
    {
        log += QString::fromLocal8Bit(sim.readAll());
        QStringList lines = log.split(u'\n');
        log = lines.takeLast();
        return lines;
    }
    QStringList awaitFrames(qsizetype count)
    {
        QStringList heard;
        for (int waited = 0; heard.size() < count && waited < 5000; waited += 10) {
            QTest::qWait(10);
            heard += framesHeard();
        }
        return heard;
    }
    // What the program must have sent for the shown channel's record as it now stands.
    void expect(const std::function<void(CommandSender &)> &send)
    {
        expectedTable[Channel] = controller->channelTable()[Channel];
        send(expectedSender);
    }
    QStringList expectedHex()
    {
        QStringList hex;
        for (const QByteArray &frame : expected.frames)
            hex << QString::fromLatin1(frame.toHex());
        expected.frames.clear();
        return hex;
    }

    const UnitModel &model;
    QProcess sim;
    QString pty;
    QString log;
    MainWindow window;
    std::unique_ptr<PanelController> controller;
    ChannelTable expectedTable;
    test::RecordingSink expected;
    CommandSender expectedSender;
};

void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

QStringList hexOnly(const QStringList &lines)
{
    QStringList hex;
    for (const QString &line : lines) {
        if (!line.startsWith("08"))
            hex << line.section(u'\t', 0, 0);
    }
    return hex;
}

void typeLine(Run &run, int line, const QString &text)
{
    QLineEdit *field = run.c().txtText[static_cast<std::size_t>(line)];
    run.c().sstSettings->setCurrentIndex(run.c().sstSettings->count() - 1);
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(3, field->height() / 2));
    QTRY_COMPARE(field->selectedText(), field->text());
    QTest::keyClicks(field, text);
}

// Opens the port list and clicks its shown entry again, as the operator does to poll anew.
void pickPortAgain(Run &run)
{
    QComboBox *ports = run.c().cmbComports;
    QTest::mouseClick(ports, Qt::LeftButton);
    QAbstractItemView *view = ports->view();
    QTRY_VERIFY(view->isVisible());
    QTest::qWait(QApplication::doubleClickInterval() + 100); // a quick release only opens it
    const QRect item = view->visualRect(view->model()->index(ports->currentIndex(), 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, item.center());
}

} // namespace

// Every kind of edit reaches the emulated unit as exactly the frames the record calls for, and
// a new poll reads back what Update wrote.
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
    QVERIFY2(QFile::exists(run.pty), qPrintable(run.pty));
    QTRY_VERIFY_WITH_TIMEOUT(run.window.isEnabled(), 10000);
    QTest::mouseClick(run.c().cmdButton[Channel], Qt::LeftButton);
    QCOMPARE(run.controller->sharedState().updateImmediately, 1);
    run.framesHeard();

    const auto data = [](CommandSender &s) {
        s.sendData(Channel);
    };
    click(run.c().chkBlank);
    run.expect([](CommandSender &s) { s.sendBlank(Channel); });
    QTest::keyClick(run.c().cmbWindowMode, Qt::Key_Down);
    run.expect(data);
    click(run.c().chkEnable[2]);
    run.expect(data);
    QTest::keyClick(run.c().txtMove, Qt::Key_Right);
    run.expect(data);
    if (run.model.hasTimeFont) {
        QTest::keyClick(run.c().cmbTimeFont, Qt::Key_Down);
        run.expect([](CommandSender &s) { s.sendTimeFont(Channel); });
    } else {
        click(run.c().optSMPTE);
        run.expect(data);
    }
    typeLine(run, 0, "Q");
    run.expect([](CommandSender &s) { s.sendText(Channel, 0, u"Q"); });
    const QStringList expected = run.expectedHex();
    QStringList heard = run.awaitFrames(expected.size());
    QCOMPARE(hexOnly(heard), expected);
    QVERIFY(!heard.join(u'\n').contains("unparsed"));

    click(run.c().chkUpdateImmediately);
    QTest::keyClick(run.c().cmbDisplayMode, Qt::Key_Down);
    click(run.c().chkBlank);
    typeLine(run, 1, "R");
    QTest::qWait(100);
    QVERIFY2(run.framesHeard().isEmpty(), "deferred edits wait for Update");
    QTest::mouseClick(run.c().cmdUpdate, Qt::LeftButton);
    run.expect([&run](CommandSender &s) {
        for (int line = 0; line < TextLineCount; ++line)
            s.sendText(Channel, line, run.c().txtText[static_cast<std::size_t>(line)]->text());
        s.sendData(Channel);
        s.sendBlank(Channel);
        s.sendTimeFont(Channel);
    });
    const QStringList update = run.expectedHex();
    QCOMPARE(hexOnly(run.awaitFrames(update.size())), update);
    const ChannelSettings edited = run.controller->channelTable()[Channel];

    pickPortAgain(run);
    QCOMPARE(run.awaitFrames(ChannelCount).filter(QRegularExpression("^08..fa\t")).size(),
             ChannelCount);
    QTRY_VERIFY(run.window.isEnabled() && !run.c().frameConnecting->isVisible());
    QCOMPARE(run.controller->channelTable()[Channel], edited);
    QCOMPARE(edited.texts[1], "R");
    QVERIFY(run.c().cmdButton[0]->hasSelectedLook());
}

QTEST_MAIN(TestChannelEditorAgainstSim)
#include "test_channel_editor_against_sim.moc"
