#include "protocol/SettingsTxt.h"
#include "tests/support/Files.h"
#include "tests/support/SmallTmpfs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace qm;
using test::readFile;
using test::writeFile;

class TestSettingsExport : public QObject
{
    Q_OBJECT
private slots:
    void linesAndFileCarryTheRecordsUnchanged();
    void fileIsReplacedWholeOrNotAtAll();
    void fullDiskKeepsTheOldFile();
};

// Texts go out as they are, spaces and bars too, in the unit's character set, twelve CRLF
// lines.
void TestSettingsExport::linesAndFileCarryTheRecordsUnchanged()
{
    ChannelSettings record;
    record[Field::HorizPos] = 255;
    record[Field::TimeFont] = 1;
    record.texts = {QStringLiteral(" a|b  "), QStringLiteral("|"), QString()};
    QCOMPARE(exportLine(qm520a(), record), QStringLiteral("0|0|0|0|0|0|0|0|255|0| a|b  |||"));
    ChannelTable table;
    table[11].texts[0] = QStringLiteral("\u20AC\u00FA");
    QCOMPARE(exportContents(qm520a(), table),
             QByteArray("0|0|0|0|0|0|0|0|0|0|||\r\n").repeated(11) +
                 "0|0|0|0|0|0|0|0|0|0|\x80\xFA||\r\n");
}

// A link in the file's place is refused rather than followed to the file it names; a new file
// renamed over a pipe, a folder or (as root) a device would replace it.
void TestSettingsExport::fileIsReplacedWholeOrNotAtAll()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(ExportFileName);
    const QString target = dir.filePath(QStringLiteral("target"));
    QVERIFY(writeFile(target, "old"));
    QVERIFY(QFile::link(target, path));
    SaveFileOutput output;
    const WriteResult throughLink = exportSettings(qm520a(), ChannelTable(), path, output);
    QVERIFY(!throughLink.ok);
    QVERIFY2(throughLink.error.contains("is a symbolic link"), qPrintable(throughLink.error));
    QCOMPARE(readFile(target), "old");
    QCOMPARE(QFileInfo(path).symLinkTarget(), target);

    const QString pipe = dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    for (const auto &[other, kind] : {std::pair{pipe, "a named pipe"}, {dir.path(), "a folder"}}) {
        const WriteResult refused = output.replaceWhole(other, "new");
        QVERIFY(!refused.ok);
        QCOMPARE(refused.error, QStringLiteral("%1 is %2, not a regular file; only a regular file "
                                               "is replaced by a new one")
                                    .arg(other, QLatin1String(kind)));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::System),
             (QStringList{QStringLiteral("pipe"), QStringLiteral("settings.txt"),
                          QStringLiteral("target")}));
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
    QCOMPARE(readFile(path), old);
}

QTEST_GUILESS_MAIN(TestSettingsExport)
#include "test_settings_export.moc"
