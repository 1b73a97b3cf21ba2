#include "protocol/SettingsTxt.h"
#include "tests/support/Files.h"
#include "tests/support/UnitSimProcess.h"
#include "tools/qm-unit-sim/DefaultUnitState.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QTest>

#include <csignal>

using namespace qm;
using test::readFile;

namespace {

constexpr int RunTimeoutMs = 30000;
const QString DataFile = QStringLiteral("data/qm-control-panel/VT-540A/settings.txt");
const QString BuiltFile = QStringLiteral(QM_BUILD_DIR "/apps/settings.txt");

// Makes the file look unread for ages, so that the next read shows in its access time.
bool markUnread(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) &&
           file.setFileTime(QDateTime::fromSecsSinceEpoch(1000), QFileDevice::FileAccessTime);
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
    void cleanupTestCase() { QVERIFY(m_built.isEmpty() || test::writeFile(BuiltFile, m_built)); }
    void signalClosesAsTheCloseButtonDoes_data();
    void signalClosesAsTheCloseButtonDoes();
    void withoutDisplaySaysSo_data();
    void withoutDisplaySaysSo();

private:
    QString bin(const QString &name) const { return m_prefix.filePath("bin/" + name); }

    QTemporaryDir m_prefix;
    QTemporaryDir m_home;
    QByteArray m_built; // what a developer's run left beside the built programs
};

// The ports are mapped in the organization's file, which the programs read as well as their
// own: each program's own file is missing when it first starts.
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
    // The menu entry names the program by the path it was installed at, whatever the prefix.
    QVERIFY(readFile(m_prefix.filePath("share/applications/qm520a-panel.desktop"))
                .contains("\nExec=" + bin("qm520a-panel").toUtf8() + '\n'));

    m_built = readFile(BuiltFile);
    QVERIFY(QDir(m_home.path()).mkpath("config/qm-control-panel"));
    QVERIFY(QDir(m_home.path()).mkpath("elsewhere"));
    QByteArray ports = "[Ports]\nCOM1=" + m_home.filePath("unit").toUtf8() + "\n";
    // No other port may reach a device of this machine.
    for (int port = 2; port <= 16; ++port)
        ports += "COM" + QByteArray::number(port) + "=" + m_home.filePath("none").toUtf8() + "\n";
    QVERIFY(test::writeFile(m_home.filePath("config/qm-control-panel.ini"),
                            ports + "[Settings]\nComport=1\n"));
}

void TestInstalledPanel::signalClosesAsTheCloseButtonDoes_data()
{
    QTest::addColumn<QString>("program"); // in the prefix
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<QString>("exported"); // in the home folder; empty: nowhere
    QTest::addColumn<bool>("savable");     // the data folder can be made
    QTest::newRow("QM-410A") << "bin/qm410a-panel" << int(SIGTERM) << "" << true;
    QTest::newRow("SIGTERM") << "bin/qm520a-panel" << int(SIGTERM) << DataFile << true;
    QTest::newRow("SIGHUP") << "bin/qm520a-panel" << int(SIGHUP) << DataFile << true;
    // The build marks the folder of the programs it makes, and the programs look for that mark.
    QTest::newRow("where it was built")
        << QM_BUILD_DIR "/apps/qm520a-panel" << int(SIGTERM) << BuiltFile << true;
    // No one may be there to answer a message box, which would keep the port held.
    QTest::newRow("settings.txt cannot be saved")
        << "bin/qm520a-panel" << int(SIGHUP) << "" << false;
}

// A desktop logout sends these. The signal comes once the panel asks for the last channel,
// with its handler long in place; the close then ends the poll's last wait, so the first
// channel is sure to be in the file, the last one not.
void TestInstalledPanel::signalClosesAsTheCloseButtonDoes()
{
    QFETCH(QString, program);
    QFETCH(int, signalNumber);
    QFETCH(QString, exported);
    QFETCH(bool, savable);
    const QDir home(m_home.path());
    const QString file = exported.isEmpty() ? QString() : home.filePath(exported);
    QFile::remove(home.filePath(DataFile));
    QFile::remove(BuiltFile);
    // Some file systems keep no access times; there the pointer file's read cannot be seen.
    const QString cursor = m_prefix.filePath("share/qm-control-panel/CrossHair.cur");
    const auto readSince = [&] {
        return QFileInfo(cursor).fileTime(QFileDevice::FileAccessTime).toSecsSinceEpoch() > 1000;
    };
    QVERIFY(markUnread(cursor) && !readFile(cursor).isEmpty());
    const bool seeReads = readSince();
    QVERIFY(markUnread(cursor));

    test::UnitSimProcess sim;
    const bool qm410 = program.contains(u"410");
    const QString model = qm410 ? "410a" : "520a";
    QVERIFY(!sim.start(bin("qm-unit-sim"), {"--model", model, "--link", home.filePath("unit")})
                 .isEmpty());
    QProcess panel;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
    QVERIFY(test::writeFile(home.filePath("a file"), "not a folder"));
    environment.insert("XDG_DATA_HOME", home.filePath(savable ? "data" : "a file"));
    panel.setProcessEnvironment(environment);
    panel.setWorkingDirectory(home.filePath("elsewhere"));
    panel.start(QDir(m_prefix.path()).filePath(program));
    QTRY_VERIFY_WITH_TIMEOUT(!sim.logLines().filter(QRegularExpression("^080bfa\t")).isEmpty(),
                             RunTimeoutMs);
    QCOMPARE(::kill(pid_t(panel.processId()), signalNumber), 0);
    QVERIFY(panel.waitForFinished(RunTimeoutMs));
    QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(panel.exitCode(), 0);
    QCOMPARE(panel.readAllStandardError().contains("The channel settings could not be saved."),
             !savable);
    QVERIFY(readFile(home.filePath(qm410 ? "config/qm-control-panel/QM-410A.ini"
                                         : "config/qm-control-panel/VT-540A.ini"))
                .contains("FormTop="));
    QVERIFY(QDir(home.filePath("elsewhere")).isEmpty());
    for (const QString &other : {home.filePath(DataFile), bin("settings.txt")})
        QCOMPARE(QFile::exists(other), other == file);
    if (!file.isEmpty()) {
        const QList<QByteArray> lines = readFile(file).split('\n');
        QCOMPARE(lines.size(), 13);
        QCOMPARE(lines[0],
                 exportContents(qm520a(), sim::defaultUnitState(sim::qm520aWire())).split('\n')[0]);
    }
    if (seeReads && program.startsWith(u"bin/")) // the installed copy
        QVERIFY(readSince());
}

QTEST_MAIN(TestInstalledPanel)
void TestInstalledPanel::withoutDisplaySaysSo_data()
{
    QTest::addColumn<QString>("program");
    QTest::newRow("QM-410A") << "qm410a-panel";
    QTest::newRow("QM-520A") << "qm520a-panel";
}

// Started outside a desktop session, a panel says what it lacks instead of aborting.
void TestInstalledPanel::withoutDisplaySaysSo()
{
    QFETCH(QString, program);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(name);
    environment.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
    QProcess panel;
    panel.setProcessEnvironment(environment);
    panel.start(bin(program));
    QVERIFY(panel.waitForFinished(RunTimeoutMs));
    QCOMPARE(panel.exitStatus(), QProcess::NormalExit);
    QCOMPARE(panel.exitCode(), 1);
    const QByteArray said = panel.readAllStandardError();
    QVERIFY2(said.startsWith(program.toUtf8() + " needs a display"), said.constData());
}

#include "test_installed_panel.moc"
