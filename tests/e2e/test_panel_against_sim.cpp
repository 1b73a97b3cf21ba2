#include "ChannelSelector.h"
#include "Deadline.h"
#include "DefaultUnitState.h"
#include "MainWindow.h"
#include "ModelWindows.h"
#include "PanelController.h"
#include "UnitSimProcess.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;

// The 520A program's window and serial port against the emulated unit on a pseudo-terminal,
// mapped to COM1 through a preferences folder of the test's own.
class TestPanelAgainstSim : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void startUpReadsTheAnsweringChannels();

private:
    QTemporaryDir m_config;
    test::UnitSimProcess m_sim;
    QString m_pty;
};

void TestPanelAgainstSim::initTestCase()
{
    QVERIFY(m_config.isValid());
    m_pty = m_sim.start(QStringLiteral(QM_UNIT_SIM), {"--model", "520a", "--channels", "8"});
    QVERIFY2(QFile::exists(m_pty), qPrintable(m_pty));

    QDir(m_config.path()).mkpath("qm-control-panel");
    QFile ini(m_config.filePath("qm-control-panel/VT-540A.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Ports]\nCOM1=" + m_pty.toLocal8Bit() + "\n[Settings]\nComport=1\n");
    ini.close();
    qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
}

void TestPanelAgainstSim::startUpReadsTheAnsweringChannels()
{
    MainWindow window(qm520aWindow());
    PanelController controller(window, PanelPlatform::real(qm520a()));
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(window.isEnabled(), test::DeadlineMs);

    QList<int> enabled;
    for (const ChannelSelector *selector : window.controls().cmdButton) {
        if (selector->isEnabled())
            enabled << selector->index();
    }
    QCOMPARE(enabled, QList<int>({0, 1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(controller.sharedState().channelsFound, qint16(8));
    QCOMPARE(controller.channelTable()[0], sim::defaultUnitState(qm520a())[0]);
    QVERIFY(window.controls().cmdButton[0]->hasSelectedLook());
}

QTEST_MAIN(TestPanelAgainstSim)
#include "test_panel_against_sim.moc"
