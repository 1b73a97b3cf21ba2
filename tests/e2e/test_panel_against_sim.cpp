#include "apps/ModelWindows.h"
#include "panel/session/PanelController.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/MainWindow.h"
#include "panel/window/NoticePane.h"
#include "protocol/SetupFile.h"
#include "tests/support/Deadline.h"
#include "tests/support/DeviceServer.h"
#include "tests/support/Files.h"
#include "tests/support/GeneratedSetups.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/RecordingFileOutput.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/SimPanelPlatform.h"
#include "tests/support/UnitSimProcess.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;

// The 520A program's window and serial port against the emulated unit on a pseudo-terminal
// mapped to COM1.
class TestPanelAgainstSim : public QObject
{
    Q_OBJECT
private slots:
    void aNewDeviceUnderTheLostNameHearsNothingUntilPicked();
    void aLateUnitIsLoadedAndFound();
    void unitsBehindADeviceServerAreWorkedAsLocalOnes();
};

namespace {

QString labelTexts(const QWidget &widget)
{
    QStringList texts;
    for (const QLabel *label : widget.findChildren<QLabel *>())
        texts << label->text();
    return texts.join(u'\n');
}

// What qmctl says on standard error when it reads the unit at `address` and fails (exit 3).
QByteArray qmctlReadFails(const QString &address, const QString &folder)
{
    QProcess qmctl;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder);
    qmctl.setProcessEnvironment(environment);
    qmctl.start(QStringLiteral(QM_QMCTL), {"read", "--model", "520a", "--port", address, "-o",
                                           folder + QStringLiteral("/read.json")});
    // The panel holding the port answers on this event loop meanwhile.
    if (!QTest::qWaitFor([&] { return qmctl.state() == QProcess::NotRunning; }, test::DeadlineMs) ||
        qmctl.exitCode() != 3)
        return {};
    return qmctl.readAllStandardError();
}

} // namespace

// Start-up reads the answering channels, and a new poll reads back what a multi-channel update
// wrote. Then the unit goes and another pseudo-terminal takes its name: the panel says in its
// window that the line was lost and leaves the newcomer alone, with the edit made meanwhile too,
// until the operator picks the port again.
void TestPanelAgainstSim::aNewDeviceUnderTheLostNameHearsNothingUntilPicked()
{
    test::UnitSimProcess sim;
    const QString pty =
        sim.start(QStringLiteral(QM_UNIT_SIM), {"--model", "520a", "--channels", "8"});
    MainWindow window(qm520aWindow());
    PanelController controller(window, test::simPanelPlatform(pty));
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(window.isEnabled(), test::DeadlineMs);
    for (const ChannelSelector *selector : window.controls().channelSelectors)
        QCOMPARE(selector->isEnabled(), selector->index() < 8);

    // Every group from channel 3 to all twelve; picking the port again polls, which must read
    // the copies back from every answering channel.
    QTest::mouseClick(window.controls().channelSelectors[2], Qt::LeftButton);
    const ChannelSettings source = controller.channelTable()[2];
    QTest::mouseClick(window.controls().cmdUpdateMultiple, Qt::LeftButton);
    auto *dialog = window.findChild<QDialog *>();
    QVERIFY(dialog);
    QTest::mouseClick(dialog->findChild<QCheckBox *>("chkAllSettings"), Qt::LeftButton);
    QTest::mouseClick(dialog->findChild<QPushButton *>("cmdUpdate"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!sim.logLines().filter("\tdata ch=11 ").isEmpty(), test::DeadlineMs);
    QComboBox *ports = window.controls().cmbComports;
    emit ports->activated(ports->currentIndex());
    for (int index = 0; index < 8; ++index)
        QCOMPARE(controller.channelTable()[index], source);

    QCOMPARE(sim.stop(), 0);
    NoticePane *notice = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((notice = window.findChild<NoticePane *>()) && notice->isVisible(),
                             10000);
    QVERIFY(notice->toPlainText().contains("lost"));
    test::PseudoTerminal newcomer(pty);
    window.control<QCheckBox>("chkBlank")->click();
    QByteArray heard;
    const auto hears = [&] {
        return !(heard += newcomer.takeAvailable()).isEmpty();
    };
    QVERIFY2(!QTest::qWaitFor(hears, 4 * SerialLink::RetryIntervalMs), heard.toHex().constData());

    emit ports->activated(ports->currentIndex());
    QTRY_VERIFY_WITH_TIMEOUT(hears(), 5000);
    QCOMPARE(heard.first(3), QByteArray::fromHex("0800fa"));
    // The newcomer is no unit: the lost line is forgotten, and the silence told.
    QTRY_VERIFY_WITH_TIMEOUT(notice->toPlainText().startsWith("No channel answered on COM"),
                             test::DeadlineMs);
}

// Units that begin each reply 250 ms after the request and then send it at line speed, as real
// ones behind USB adapters do: Load Setup reads every channel back, and Find the Unit finds the
// other unit.
void TestPanelAgainstSim::aLateUnitIsLoadedAndFound()
{
    test::UnitSimProcess sim;
    test::UnitSimProcess other;
    const QStringList late = {"--model", "520a", "--late", "250"};
    const QString pty = sim.start(QStringLiteral(QM_UNIT_SIM), late);
    const QString otherPty = other.start(QStringLiteral(QM_UNIT_SIM), late);
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("site.json"));
    QRandomGenerator random(27);
    const Setup setup = test::randomSetup(qm520a(), random, false);
    QVERIFY(test::writeFile(file, setupJson(setup)));

    PanelPlatform platform = test::simPanelPlatform(pty, {otherPty});
    auto dialogs = std::make_unique<test::ScriptedDialogs>();
    dialogs->file = file;
    platform.setupDialogs = std::move(dialogs);
    platform.fileOutput = std::make_unique<test::RecordingFileOutput>();
    test::RecordingMessageBoxes *boxes = nullptr;
    platform.makeMessageBoxes = [&boxes](QWidget *) {
        auto made = std::make_unique<test::RecordingMessageBoxes>();
        boxes = made.get();
        return made;
    };
    MainWindow window(qm520aWindow());
    PanelController controller(window, std::move(platform));
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(window.isEnabled(), test::DeadlineMs);
    // The poll takes the late replies as they come, also after its last wait.
    QTRY_COMPARE_WITH_TIMEOUT(controller.poller().answeredChannels().size(), ChannelCount,
                              test::DeadlineMs);

    QSignalSpy loaded(controller.setupTransfer(), &SetupTransfer::loadFinished);
    controller.setupTransfer()->findChild<QAction *>(QStringLiteral("actLoadSetup"))->trigger();
    QVERIFY(loaded.wait(test::DeadlineMs));
    // Silence after a channel's frames, or a value that did not take, would have been told.
    QVERIFY2(boxes->texts.isEmpty(), qPrintable(boxes->texts.join(u'\n')));
    QCOMPARE(sim.logLines().filter(QStringLiteral("\tdata ch=")).size(), ChannelCount);

    controller.findUnit();
    QTRY_VERIFY_WITH_TIMEOUT(controller.unitSearch().resultDialog(), test::DeadlineMs);
    const QString findings = labelTexts(*controller.unitSearch().resultDialog());
    QVERIFY2(findings.contains(QStringLiteral("COM2 (%1): a QM-520A answers").arg(otherPty)),
             qPrintable(findings));
}

// COM1 reaches a unit through ser2net by RFC 2217, its device opened at the other model's speed,
// so that only the speed the panel sets reads the unit; COM2 is set from the window to reach
// another one as a raw pipe, and COM3 leads to no server. The panel polls both units, sends an
// edit, loads a setup, finds COM2's unit and names what COM3 lacks; while it holds COM1, qmctl
// hears that the server's port is in use; when the server goes, the notice says why.
void TestPanelAgainstSim::unitsBehindADeviceServerAreWorkedAsLocalOnes()
{
    test::UnitSimProcess sim;
    test::UnitSimProcess other;
    const QString pty = sim.start(QStringLiteral(QM_UNIT_SIM), {"--model", "520a"});
    const QString otherPty = other.start(QStringLiteral(QM_UNIT_SIM), {"--model", "520a"});
    test::Ser2net server;
    QVERIFY2(server.start({{true, pty, 9600}, {false, otherPty, 4800}}), server.output());
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("site.json"));
    QRandomGenerator random(28);
    QVERIFY(test::writeFile(file, setupJson(test::randomSetup(qm520a(), random, false))));

    const QString unreachable = QStringLiteral("tcp://127.0.0.1:%1").arg(test::unusedPort());
    PanelPlatform platform = test::simPanelPlatform(
        server.address(0), {QStringLiteral("/nonexistent/qm-unit"), unreachable});
    auto dialogs = std::make_unique<test::ScriptedDialogs>();
    dialogs->file = file;
    platform.setupDialogs = std::move(dialogs);
    platform.fileOutput = std::make_unique<test::RecordingFileOutput>();
    MainWindow window(qm520aWindow());
    PanelController controller(window, std::move(platform));
    const auto waitFor = [](const auto &condition) {
        return QTest::qWaitFor(condition, test::DeadlineMs);
    };
    const auto allAnswered = [&controller] {
        return controller.poller().answeredChannels().size() == ChannelCount;
    };
    window.show();
    QVERIFY(waitFor([&] { return window.isEnabled(); }));
    QVERIFY(waitFor(allAnswered));
    QVERIFY2(sim.logLines().filter(QStringLiteral("unparsed")).isEmpty(),
             qPrintable(sim.logLines().join(u'\n')));

    controller.useDeviceServer(2, server.address(1));
    QVERIFY(waitFor(
        [&] { return !other.logLines().filter(QStringLiteral("request ch=11")).isEmpty(); }));
    QVERIFY(waitFor(allAnswered));
    controller.pickPort(1);
    QVERIFY(waitFor([&] { return !controller.poller().isRunning(); }));

    const qsizetype heardBefore = sim.logLines().size();
    window.control<QCheckBox>("chkBlank")->click();
    QVERIFY(waitFor([&] { return sim.logLines().size() > heardBefore; }));
    QVERIFY(!sim.logLines().constLast().contains(QStringLiteral("request")));

    QSignalSpy loaded(controller.setupTransfer(), &SetupTransfer::loadFinished);
    controller.setupTransfer()->findChild<QAction *>(QStringLiteral("actLoadSetup"))->trigger();
    QVERIFY(loaded.wait(test::DeadlineMs));
    QCOMPARE(sim.logLines().filter(QStringLiteral("\tdata ch=")).size(), ChannelCount);

    controller.findUnit();
    QVERIFY(waitFor([&] { return controller.unitSearch().resultDialog(); }));
    const QString findings = labelTexts(*controller.unitSearch().resultDialog());
    QVERIFY2(
        findings.contains(QStringLiteral("COM2 (%1): a QM-520A answers").arg(server.address(1))),
        qPrintable(findings));
    QVERIFY2(findings.contains(
                 QStringLiteral("COM3 (%1): nothing accepts a connection").arg(unreachable)),
             qPrintable(findings));

    QVERIFY2(qmctlReadFails(server.address(0), folder.path()).contains("in use"),
             "qmctl is told the port is in use");

    server.kill();
    NoticePane *notice = nullptr;
    QVERIFY(waitFor([&] {
        return (notice = window.findChild<NoticePane *>()) && notice->isVisible() &&
               notice->toPlainText().contains(QStringLiteral("lost"));
    }));
    QVERIFY2(notice->toPlainText().contains(QStringLiteral("nothing accepts a connection")),
             qPrintable(notice->toPlainText()));
    QVERIFY(window.close());
}

QTEST_MAIN(TestPanelAgainstSim)
#include "test_panel_against_sim.moc"
