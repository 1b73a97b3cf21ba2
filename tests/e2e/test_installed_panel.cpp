#include "protocol/SettingsTxt.h"
#include "tests/support/Files.h"
#include "tests/support/UnitSimProcess.h"
#include "tools/qm-unit-sim/DefaultUnitState.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace qm;
using test::readFile;
using test::writeFile;

namespace {

// Long enough for the start-up poll of all twelve channels (3.6 s) to end before the close.
constexpr int QuitAfterMs = 5000;
constexpr int NoQuit = -1;
constexpr int RunTimeoutMs = 30000;

// Makes the file look unread for ages, so that the next read shows in its access time.
bool markUnread(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(QDateTime::fromSecsSinceEpoch(1000), QFileDevice::FileAccessTime);
}

bool readSince(const QString &path)
{
    return QFileInfo(path).fileTime(QFileDevice::FileAccessTime).toSecsSinceEpoch() > 1000;
}

} // namespace

// The programs as `cmake --install` lays them out, started from a folder that is not theirs:
// they find their pointer files in the installed data folder and, whoever runs them, write the
// settings file into the per-user data folder, never into their bin folder.
class TestInstalledPanel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void installsProgramsEntriesAndIcons();
    void startedElsewhereItKeepsItsFilesInTheUserFolders();
    void runWhereItWasBuiltItKeepsTheFileBesideItself();
    void terminationSignalClosesAsTheCloseButtonDoes_data();
    void terminationSignalClosesAsTheCloseButtonDoes();

private:
    QString bin(const QString &name) const { return m_prefix.filePath("bin/" + name); }
    void startPanel(QProcess &panel, const QString &program, int quitAfterMs);
    int runPanel(const QString &program, int quitAfterMs);
    bool writeIni(const QByteArray &device);

    QTemporaryDir m_prefix;
    QTemporaryDir m_home;
    test::UnitSimProcess m_sim;
    QString m_dataFile;
};

void TestInstalledPanel::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    QVERIFY(m_home.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(QM_CMAKE_COMMAND),
                  {"--install", QStringLiteral(QM_BUILD_DIR), "--prefix", m_prefix.path()});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());

    const QString link = m_home.filePath("sim-pty");
    QVERIFY2(!m_sim.start(bin("qm-unit-sim"), {"--model", "520a", "--link", link}).isEmpty(),
             m_sim.errorOutput().constData());

    QVERIFY(QDir(m_home.path()).mkpath("config/qm-control-panel"));
    QVERIFY(QDir(m_home.path()).mkpath("elsewhere"));
    QVERIFY(writeIni(link.toLocal8Bit()));
    m_dataFile = m_home.filePath("data/qm-control-panel/VT-540A/settings.txt");
}

void TestInstalledPanel::cleanupTestCase()
{
    m_sim.stop();
}

bool TestInstalledPanel::writeIni(const QByteArray &device)
{
    QFile ini(m_home.filePath("config/qm-control-panel/VT-540A.ini"));
    QByteArray contents = "[Ports]\nCOM1=" + device + "\n";
    // No other port may reach a device of this machine.
    for (int port = 2; port <= 16; ++port)
        contents +=
            "COM" + QByteArray::number(port) + "=" + m_home.filePath("none").toUtf8() + "\n";
    contents += "[Settings]\nComport=1\n";
    return ini.open(QIODevice::WriteOnly) && ini.write(contents) == contents.size();
}

void TestInstalledPanel::startPanel(QProcess &panel, const QString &program, int quitAfterMs)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
    environment.insert("XDG_DATA_HOME", m_home.filePath("data"));
    if (quitAfterMs != NoQuit)
        environment.insert("QM_PANEL_QUIT_AFTER_MS", QString::number(quitAfterMs));
    panel.setProcessEnvironment(environment);
    panel.setWorkingDirectory(m_home.filePath("elsewhere"));
    panel.start(program.contains(u'/') ? program : bin(program));
}

int TestInstalledPanel::runPanel(const QString &program, int quitAfterMs)
{
    QProcess panel;
    startPanel(panel, program, quitAfterMs);
    if (!panel.waitForFinished(quitAfterMs + RunTimeoutMs))
        return -1;
    return panel.exitStatus() == QProcess::NormalExit ? panel.exitCode() : -1;
}

// The menu entry names the program by the path it was installed at, whatever the prefix.
void TestInstalledPanel::installsProgramsEntriesAndIcons()
{
    for (const QString &program : QStringList{"qm410a-panel", "qm520a-panel"}) {
        const QList<QByteArray> entry =
            readFile(m_prefix.filePath("share/applications/" + program + ".desktop")).split('\n');
        QVERIFY(entry.contains("Exec=" + bin(program).toUtf8()));
        QVERIFY(entry.contains("Icon=" + program.toUtf8()));
        const QImage icon(m_prefix.filePath("share/icons/hicolor/32x32/apps/" + program + ".png"));
        QCOMPARE(icon.size(), QSize(32, 32));
    }
}

// Run as root here, the bin folder could be written; it must not be all the same.
void TestInstalledPanel::startedElsewhereItKeepsItsFilesInTheUserFolders()
{
    // Some file systems keep no access times; there the pointer file's read cannot be seen.
    const QString cursor = m_prefix.filePath("share/qm-control-panel/CrossHair.cur");
    QVERIFY(!QFile::exists(bin("CrossHair.cur")));
    QVERIFY(markUnread(cursor));
    QVERIFY(!readFile(cursor).isEmpty());
    const bool seeReads = readSince(cursor);
    QVERIFY(markUnread(cursor));

    QCOMPARE(runPanel("qm520a-panel", QuitAfterMs), 0);
    QCOMPARE(readFile(m_dataFile),
             exportContents(qm520a(), sim::defaultUnitState(sim::qm520aWire())));
    QVERIFY(!QFile::exists(bin("settings.txt")));
    QVERIFY(QDir(m_home.filePath("elsewhere")).isEmpty());

    // The QM-410A exports nothing, wherever it might.
    QVERIFY(QFile::remove(m_dataFile));
    QCOMPARE(runPanel("qm410a-panel", 0), 0);
    QVERIFY(!QFile::exists(m_dataFile));
    QVERIFY(!QFile::exists(bin("settings.txt")));
    QVERIFY(QFile::exists(m_home.filePath("config/qm-control-panel/QM-410A.ini")));
    if (!seeReads)
        QSKIP("this file system keeps no access times: the pointer file read cannot be seen");
    QVERIFY(readSince(cursor));
}

// The build marks the folder of the programs it makes, and the programs look for that mark.
void TestInstalledPanel::runWhereItWasBuiltItKeepsTheFileBesideItself()
{
    const QString built = QStringLiteral(QM_BUILD_DIR "/apps/settings.txt");
    const QByteArray kept = readFile(built);
    QFile::remove(built);
    QFile::remove(m_dataFile);
    QProcess panel;
    startPanel(panel, QStringLiteral(QM_BUILD_DIR "/apps/qm520a-panel"), QuitAfterMs);
    QVERIFY(panel.waitForFinished(QuitAfterMs + RunTimeoutMs));
    const QByteArray written = readFile(built);
    if (!kept.isEmpty())
        QVERIFY(QFile::remove(built));
    QVERIFY(writeFile(built, kept));
    QCOMPARE(written, exportContents(qm520a(), sim::defaultUnitState(sim::qm520aWire())));
    QVERIFY(!QFile::exists(m_dataFile));
}

void TestInstalledPanel::terminationSignalClosesAsTheCloseButtonDoes_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

// A desktop logout sends these. The signal comes once the panel asks for the last channel,
// with its handler long in place; the close then ends the poll's last wait, so the first
// channel is sure to be in the file, the last one not.
void TestInstalledPanel::terminationSignalClosesAsTheCloseButtonDoes()
{
    QFETCH(int, signalNumber);
    test::UnitSimProcess sim;
    const QString link = m_home.filePath("unit-pty");
    QVERIFY2(!sim.start(bin("qm-unit-sim"), {"--model", "520a", "--link", link}).isEmpty(),
             sim.errorOutput().constData());
    QVERIFY(writeIni(link.toLocal8Bit()));
    QFile::remove(m_dataFile);
    QProcess panel;
    startPanel(panel, "qm520a-panel", NoQuit);
    QTRY_VERIFY_WITH_TIMEOUT(!sim.logLines().filter(QRegularExpression("^080bfa\t")).isEmpty(),
                             RunTimeoutMs);
    QCOMPARE(::kill(pid_t(panel.processId()), signalNumber), 0);
    QVERIFY(panel.waitForFinished(RunTimeoutMs));
    QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(panel.exitCode(), 0);
    const QList<QByteArray> lines = readFile(m_dataFile).split('\n');
    QCOMPARE(lines.size(), 13);
    QCOMPARE(lines[0],
             exportContents(qm520a(), sim::defaultUnitState(sim::qm520aWire())).split('\n')[0]);
    QVERIFY(readFile(m_home.filePath("config/qm-control-panel/VT-540A.ini")).contains("FormTop="));
}

QTEST_MAIN(TestInstalledPanel)
#include "test_installed_panel.moc"
