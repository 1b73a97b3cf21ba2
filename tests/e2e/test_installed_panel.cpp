#include "DefaultUnitState.h"
#include "SettingsExport.h"
#include "UnitSimProcess.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;

namespace {

// Long enough for the start-up poll of all twelve channels (3.6 s) to end before the close.
constexpr int QuitAfterMs = 5000;

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
// they find their pointer files in the installed data folder and write the settings file there, or
// in the per-user data folder when their own folder takes no file.
class TestInstalledPanel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void installsProgramsEntriesAndIcons();
    void startedElsewhereItUsesItsOwnFolder();
    void unwritableProgramFolderFallsBackToTheDataFolder();

private:
    QString bin(const QString &name) const { return m_prefix.filePath("bin/" + name); }
    int runPanel(const QString &program, int quitAfterMs);

    QTemporaryDir m_prefix;
    QTemporaryDir m_home;
    test::UnitSimProcess m_sim;
    QString m_dataFile;
};

void TestInstalledPanel::initTestCase()
{
    QVERIFY(m_prefix.isValid() && m_home.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(QM_CMAKE_COMMAND),
                  {"--install", QStringLiteral(QM_BUILD_DIR), "--prefix", m_prefix.path()});
    QVERIFY(install.waitForFinished(60000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());

    const QByteArray pty = m_sim.start(bin("qm-unit-sim"), {"--model", "520a"}).toLocal8Bit();
    QVERIFY2(!pty.isEmpty(), m_sim.errorOutput().constData());

    const QDir home(m_home.path());
    QVERIFY(home.mkpath("config/qm-control-panel") && home.mkpath("elsewhere"));
    QFile ini(home.filePath("config/qm-control-panel/VT-540A.ini"));
    QVERIFY(ini.open(QIODevice::WriteOnly));
    ini.write("[Ports]\nCOM1=" + pty + "\n[Settings]\nComport=1\n");
    m_dataFile = home.filePath("data/qm-control-panel/VT-540A/settings.txt");
}

void TestInstalledPanel::cleanupTestCase()
{
    QFile::setPermissions(m_prefix.filePath("bin"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    m_sim.stop();
}

int TestInstalledPanel::runPanel(const QString &program, int quitAfterMs)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    environment.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
    environment.insert("XDG_DATA_HOME", m_home.filePath("data"));
    environment.insert("QM_PANEL_QUIT_AFTER_MS", QString::number(quitAfterMs));
    QProcess panel;
    panel.setProcessEnvironment(environment);
    panel.setWorkingDirectory(m_home.filePath("elsewhere"));
    panel.start(bin(program));
    if (!panel.waitForFinished(quitAfterMs + 20000))
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

void TestInstalledPanel::startedElsewhereItUsesItsOwnFolder()
{
    // Some file systems keep no access times; there the pointer file's read cannot be seen.
    const QString cursor = m_prefix.filePath("share/qm-control-panel/CrossHair.cur");
    QVERIFY(!QFile::exists(bin("CrossHair.cur")));
    QVERIFY(markUnread(cursor) && !readFile(cursor).isEmpty());
    const bool seeReads = readSince(cursor);
    QVERIFY(markUnread(cursor));

    QCOMPARE(runPanel("qm520a-panel", QuitAfterMs), 0);
    QCOMPARE(readFile(bin("settings.txt")),
             exportContents(qm520a(), sim::defaultUnitState(qm520a())));
    QVERIFY(QDir(m_home.filePath("elsewhere")).isEmpty());
    QVERIFY(!QFile::exists(m_dataFile));
    if (!seeReads)
        QSKIP("this file system keeps no access times: the pointer file read cannot be seen");
    QVERIFY(readSince(cursor));
}

// Write access is taken away twice over: the folder is read-only for its owner, and for an
// administrator, who may write anyway, a folder in the file's place refuses the file.
void TestInstalledPanel::unwritableProgramFolderFallsBackToTheDataFolder()
{
    QFile::remove(bin("settings.txt"));
    QVERIFY(QDir(m_prefix.filePath("bin")).mkdir("settings.txt"));
    QVERIFY(QFile::setPermissions(m_prefix.filePath("bin"),
                                  QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                      QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));

    QCOMPARE(runPanel("qm520a-panel", QuitAfterMs), 0);
    QCOMPARE(readFile(m_dataFile), exportContents(qm520a(), sim::defaultUnitState(qm520a())));
    QVERIFY(QFileInfo(bin("settings.txt")).isDir());

    // The QM-410A exports nothing, wherever it might.
    QVERIFY(QFile::remove(m_dataFile));
    QCOMPARE(runPanel("qm410a-panel", 0), 0);
    QVERIFY(!QFile::exists(m_dataFile));
    QVERIFY(QDir(m_home.filePath("elsewhere")).isEmpty());
    QVERIFY(QFile::exists(m_home.filePath("config/qm-control-panel/QM-410A.ini")));
}

QTEST_MAIN(TestInstalledPanel)
#include "test_installed_panel.moc"
