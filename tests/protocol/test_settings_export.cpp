#include "protocol/SettingsTxt.h"
#include "tests/support/Files.h"
#include "tests/support/SmallTmpfs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

using namespace qm;
using test::writeFile;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Writes under a cap on file sizes, as a full disk would; root is not exempt.
WriteResult replaceUnderSizeLimit(const QString &path, const QByteArray &contents, rlim_t cap)
{
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = cap;
    setrlimit(RLIMIT_FSIZE, &limit);
    const WriteResult result = SaveFileOutput().replaceWhole(path, contents);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    return result;
}

} // namespace

class TestSettingsExport : public QObject
{
    Q_OBJECT
private slots:
    void linesAndFileCarryTheRecordsUnchanged();
    void fileIsReplacedWholeOrNotAtAll();
    void fullDiskKeepsTheOldFile();
};

void TestSettingsExport::linesAndFileCarryTheRecordsUnchanged()
{
    ChannelSettings record;
    for (auto [field, value] : {std::pair{Field::TextEnables, 7},
                                {Field::AutoStop, 1},
                                {Field::WindowMode, 2},
                                {Field::DisplayMode, 1},
                                {Field::VertPos, 20},
                                {Field::HorizPos, 100},
                                {Field::VertSize, 2},
                                {Field::HorizSize, 9},
                                {Field::TimeFont, 1}})
        record[field] = value;
    record.texts = {QStringLiteral("A"), QString(), QStringLiteral("B")};
    QCOMPARE(exportLine(qm520a(), record), QStringLiteral("7|1|0|2|1|20|2|9|100|0|A||B"));
    record[Field::HorizPos] = 255;
    record.texts = {QStringLiteral(" a|b  "), QStringLiteral("|"), QString()};
    QCOMPARE(exportLine(qm520a(), record), QStringLiteral("7|1|0|2|1|20|2|9|255|0| a|b  |||"));
    QVERIFY(!qm410a().exportsSettings());

    // Twelve CRLF lines in the unit's character set.
    ChannelTable table;
    table[11].texts[0] = QStringLiteral("\u20AC\u00FA");
    QCOMPARE(exportContents(qm520a(), table),
             QByteArray("0|0|0|0|0|0|0|0|0|0|||\r\n").repeated(11) +
                 "0|0|0|0|0|0|0|0|0|0|\x80\xFA||\r\n");
}

// Read-only folders do not stop root, so faults that do: a folder that is a regular file, a
// write cut short by the file size limit, and a link in the file's place, which is refused
// rather than followed to the file it names.
void TestSettingsExport::fileIsReplacedWholeOrNotAtAll()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(ExportFileName);
    QVERIFY(writeFile(path, QByteArray(5000, 'o')));
    ChannelTable table;
    SaveFileOutput output;
    const WriteResult result = exportSettings(qm520a(), table, path, output);
    QVERIFY2(result.ok, qPrintable(result.error));
    QCOMPARE(result.error, QString());
    QCOMPARE(readAll(path), exportContents(qm520a(), table));

    const QString notAFolder = dir.filePath(QStringLiteral("plain"));
    QVERIFY(writeFile(notAFolder, "x"));
    const WriteResult noFolder =
        output.replaceWhole(notAFolder + QStringLiteral("/settings.txt"), "new");
    QVERIFY(!noFolder.ok);
    QVERIFY(!noFolder.error.isEmpty());

    const QByteArray old = "old contents\r\n";
    QVERIFY(writeFile(path, old));
    const WriteResult tooBig = replaceUnderSizeLimit(path, QByteArray(100000, 'n'), 64);
    QVERIFY(!tooBig.ok);
    QVERIFY2(tooBig.error.contains(QStringLiteral("File too large")), qPrintable(tooBig.error));
    QCOMPARE(readAll(path), old);

    const QString target = dir.filePath(QStringLiteral("target"));
    QVERIFY(QFile::rename(path, target));
    QVERIFY(QFile::link(target, path));
    const WriteResult throughLink = output.replaceWhole(path, "new");
    QVERIFY(!throughLink.ok);
    QVERIFY2(throughLink.error.contains("is a symbolic link"), qPrintable(throughLink.error));
    QCOMPARE(readAll(target), old);
    QCOMPARE(QFileInfo(path).symLinkTarget(), target);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System),
             (QStringList{QStringLiteral("plain"), QStringLiteral("settings.txt"),
                          QStringLiteral("target")}));

    // A new file renamed over a pipe, a folder or (as root) a device would replace it.
    const QString pipe = dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const auto &[other, kind] : {std::pair{pipe, "a named pipe"}, {dir.path(), "a folder"}}) {
        const WriteResult refused = output.replaceWhole(other, "new");
        QVERIFY(!refused.ok);
        QCOMPARE(refused.error, QStringLiteral("%1 is %2, not a regular file; only a regular file "
                                               "is replaced by a new one")
                                    .arg(other, QLatin1String(kind)));
    }
    QVERIFY(QFileInfo(pipe).exists());
    QVERIFY(!QFileInfo(pipe).isFile());
}

// The twelve lines fit in QSaveFile's buffer, so the full disk shows only when it is emptied.
void TestSettingsExport::fullDiskKeepsTheOldFile()
{
    test::SmallTmpfs disk;
    if (!disk.mountError().isEmpty())
        QSKIP(qPrintable(disk.mountError()));
    const QString path = disk.filePath(ExportFileName);
    const QByteArray old = "old contents\r\n";
    QVERIFY(writeFile(path, old));
    QVERIFY(disk.fill());
    SaveFileOutput output;
    const WriteResult result = exportSettings(qm520a(), ChannelTable(), path, output);
    QVERIFY(!result.ok);
    QVERIFY2(result.error.contains(QStringLiteral("No space left on device")),
             qPrintable(result.error));
    QCOMPARE(readAll(path), old);
}

QTEST_GUILESS_MAIN(TestSettingsExport)
#include "test_settings_export.moc"
