#include "SettingsExport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using namespace qm;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

// Caps the size of any file this process writes, as a full disk would; root is not exempt.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
};

} // namespace

class TestSettingsExport : public QObject
{
    Q_OBJECT
private slots:
    void linesCarryTheRecordUnchanged();
    void fileHasTwelveCrlfLinesInTheUnitsCharacterSet();
    void replacesAnOldFileWhole();
    void failedWriteReportsWhyAndKeepsTheOldFile();
};

void TestSettingsExport::linesCarryTheRecordUnchanged()
{
    ChannelSettings record;
    QCOMPARE(exportLine(qm520a(), record), QStringLiteral("0|0|0|0|0|0|0|0|0|0|||"));

    record[Field::TextEnables] = 7;
    record[Field::AutoStop] = 1;
    record[Field::WindowMode] = 2;
    record[Field::DisplayMode] = 1;
    record[Field::VertPos] = 20;
    record[Field::HorizPos] = 100;
    record[Field::VertSize] = 2;
    record[Field::HorizSize] = 9;
    record[Field::TimeFont] = 1;
    record.texts = {QStringLiteral("A"), QString(), QStringLiteral("B")};
    QCOMPARE(exportLine(qm520a(), record), QStringLiteral("7|1|0|2|1|20|2|9|100|0|A||B"));

    record[Field::HorizPos] = 255;
    record.texts = {QStringLiteral(" a|b  "), QStringLiteral("|"), QString()};
    QCOMPARE(exportLine(qm520a(), record), QStringLiteral("7|1|0|2|1|20|2|9|255|0| a|b  |||"));
    QVERIFY(!qm410a().exportsSettings());
}

void TestSettingsExport::fileHasTwelveCrlfLinesInTheUnitsCharacterSet()
{
    ChannelTable table;
    table[11].texts[0] = QStringLiteral("\u20AC\u00FA");
    const QByteArray contents = exportContents(qm520a(), table);
    const QList<QByteArray> lines = contents.split('\n');
    QCOMPARE(lines.size(), 13);
    QVERIFY(lines.last().isEmpty());
    for (int i = 0; i < 12; ++i)
        QVERIFY(lines[i].endsWith('\r'));
    QCOMPARE(lines[0], QByteArray("0|0|0|0|0|0|0|0|0|0|||\r"));
    QCOMPARE(lines[11], QByteArray("0|0|0|0|0|0|0|0|0|0|\x80\xFA||\r"));
}

void TestSettingsExport::replacesAnOldFileWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(ExportFileName);
    QVERIFY(writeFile(path, QByteArray(5000, 'o')));

    ChannelTable table;
    SaveFileOutput output;
    const WriteResult result = exportSettings(qm520a(), table, path, output);
    QVERIFY2(result.ok, qPrintable(result.error));
    QVERIFY(result.error.isEmpty());
    QCOMPARE(readAll(path), exportContents(qm520a(), table));
}

// Read-only folders do not stop root, so two faults that do: a folder that is a regular file,
// and a write cut short by the file size limit (what a full disk does to the new file).
void TestSettingsExport::failedWriteReportsWhyAndKeepsTheOldFile()
{
    QTemporaryDir dir;
    SaveFileOutput output;
    const QString notAFolder = dir.filePath(QStringLiteral("plain"));
    QVERIFY(writeFile(notAFolder, "x"));
    const WriteResult noFolder =
        output.replaceWhole(notAFolder + QStringLiteral("/settings.txt"), "new");
    QVERIFY(!noFolder.ok);
    QVERIFY(!noFolder.error.isEmpty());

    const QString path = dir.filePath(ExportFileName);
    const QByteArray old = "old contents\r\n";
    QVERIFY(writeFile(path, old));
    WriteResult tooBig;
    {
        FileSizeLimit limit(64);
        tooBig = output.replaceWhole(path, QByteArray(100000, 'n'));
    }
    QVERIFY(!tooBig.ok);
    QVERIFY2(tooBig.error.contains(QStringLiteral("File too large")), qPrintable(tooBig.error));
    QCOMPARE(readAll(path), old);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             (QStringList{QStringLiteral("plain"), QStringLiteral("settings.txt")}));
}

QTEST_GUILESS_MAIN(TestSettingsExport)
#include "test_settings_export.moc"
