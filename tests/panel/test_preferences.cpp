#include "preferences/PreferenceKeys.h"
#include "preferences/Preferences.h"
#include "tests/support/MemoryPreferencesStore.h"
#include "tests/support/SmallTmpfs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>

using namespace qm;

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).path()) && file.open(QIODevice::WriteOnly) &&
           file.write(contents) == contents.size();
}

} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT
private slots:
    void valuesAreDecimalTextAndUnusableTextReadsAsTheDefault();
    void portOverridesComeFromThePortsSection();
    void fileStoreKeepsValuesBetweenRuns();
    void unbalancedQuoteRemapsNothingAndIsNotWrittenBack();
    void failedWritesAreToldOnce_data();
    void failedWritesAreToldOnce();
    void fileNotRegularOrTooLargeIsLeftAlone_data();
    void fileNotRegularOrTooLargeIsLeftAlone();
};

// Missing or unusable text reads as the default and writes nothing; a mask is kept whatever
// number it holds (its users take the bits they know); values are stored as decimal text.
void TestPreferences::valuesAreDecimalTextAndUnusableTextReadsAsTheDefault()
{
    const QMap<QString, QString> unusable{
        {"Settings/FormTop", "abc"},         {"Settings/FormLeft", "40000"},
        {"Settings/Comport", " 2.5"},        {"Settings/UpdateImmediately", ""},
        {"Settings/ChannelSelection", "x1"}, {"Settings/SettingSelection", ""}};
    for (const QMap<QString, QString> &values : {QMap<QString, QString>(), unusable}) {
        test::MemoryPreferencesStore store;
        store.values = values;
        const Preferences prefs(store);
        QCOMPARE(prefs.formPosition(), QPoint(1000, 1000));
        QCOMPARE(prefs.channelSelection(), 4095.0);
        QCOMPARE(prefs.settingSelection(), 2046.0);
        QCOMPARE(prefs.comport(), qint16(values.isEmpty() ? 1 : 2)); // halves round to even
        QCOMPARE(prefs.updateImmediately(), qint16(1));
        QVERIFY2(store.values == values, "reading must not write anything");
    }

    test::MemoryPreferencesStore store;
    store.values = {{"Settings/ChannelSelection", "5000"}, {"Settings/SettingSelection", "-1"}};
    Preferences prefs(store);
    QCOMPARE(prefs.channelSelection(), 5000.0);
    QCOMPARE(prefs.settingSelection(), -1.0);
    prefs.storeFormPosition(QPoint(-450, 2265));
    prefs.storeChannelSelection(18);
    prefs.storeSettingSelection(4095);
    prefs.storeComport(3);
    prefs.storeUpdateImmediately(0);
    const QMap<QString, QString> written{
        {"Settings/FormTop", "2265"},        {"Settings/FormLeft", "-450"},
        {"Settings/ChannelSelection", "18"}, {"Settings/SettingSelection", "4095"},
        {"Settings/Comport", "3"},           {"Settings/UpdateImmediately", "0"}};
    QCOMPARE(store.values, written);
    QCOMPARE(prefs.formPosition(), QPoint(-450, 2265));
}

void TestPreferences::portOverridesComeFromThePortsSection()
{
    test::MemoryPreferencesStore store;
    store.values = {{"Ports/COM1", "/dev/pts/5"},
                    {"Ports/COM16", " /dev/serial/by-id/usb-x "},
                    {"Ports/COM17", "/dev/ttyS9"},
                    {"Ports/COM2", ""},
                    {"Settings/COM3", "/dev/ttyS7"}};
    const QMap<int, QString> expected{{1, "/dev/pts/5"}, {16, "/dev/serial/by-id/usb-x"}};
    const PortOverrides overrides = Preferences(store).portOverrides();
    QCOMPARE(overrides.devices, expected);
    QCOMPARE(overrides.problems, QStringList{"[Ports] COM17: not a port (COM1 to COM16); ignored"});
    QVERIFY(overrides.withheld.isEmpty());
}

void TestPreferences::fileStoreKeepsValuesBetweenRuns()
{
    QTemporaryDir config;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
    {
        IniPreferencesStore store("VT-540A");
        QCOMPARE(store.fileName(), config.filePath("qm-control-panel/VT-540A.ini"));
        Preferences(store).storeComport(4);
    }
    IniPreferencesStore again("VT-540A");
    QCOMPARE(Preferences(again).comport(), qint16(4));
    IniPreferencesStore other("QM-410A");
    QCOMPARE(Preferences(other).comport(), qint16(1));
}

// The quote opened on the COM2 line runs on through the rest of the file when QSettings reads
// it: COM2 and COM3 must get no device at all (their usual ones may be another program's),
// each is named, and the file stays as the operator wrote it.
void TestPreferences::unbalancedQuoteRemapsNothingAndIsNotWrittenBack()
{
    QTemporaryDir config;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
    const QString path = config.filePath("qm-control-panel/VT-540A.ini");
    const QByteArray written = "[Ports]\nCOM1=/dev/pts/5\nCOM2=\"/dev/ttyUSB3\nCOM3=/dev/ttyUSB4\n"
                               "[Settings]\nComport=3\nFormTop=200\n";
    QVERIFY(writeFile(path, written));

    IniPreferencesStore store("VT-540A");
    Preferences prefs(store);
    const PortOverrides overrides = prefs.portOverrides();
    QCOMPARE(overrides.devices, (QMap<int, QString>{{1, "/dev/pts/5"}}));
    QVERIFY(overrides.withheld.contains(2) && overrides.withheld.contains(3));
    const QString problems = overrides.problems.join('\n');
    QVERIFY2(problems.contains("[Ports] COM2: its device cannot be read") &&
                 problems.contains("[Ports] COM3: its device cannot be read"),
             qPrintable(problems));

    QStringList told;
    prefs.setWriteFailureHandler([&](const QString &why) { told << why; });
    prefs.storeComport(1);
    prefs.storeFormPosition(QPoint(10, 20));
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].contains(path + ", line 3: a quote is not closed"), qPrintable(told[0]));
    QCOMPARE(readFile(path), written);
}

void TestPreferences::failedWritesAreToldOnce_data()
{
    QTest::addColumn<bool>("fullDisk"); // otherwise a file stands where the folder should be
    QTest::newRow("a file in the folder's place") << false;
    QTest::newRow("a full disk") << true;
}

void TestPreferences::failedWritesAreToldOnce()
{
    QFETCH(bool, fullDisk);
    QTemporaryDir home;
    std::unique_ptr<test::SmallTmpfs> disk;
    QString config = home.path();
    const QByteArray old = "[Settings]\nComport=4\n";
    if (fullDisk) {
        disk = std::make_unique<test::SmallTmpfs>();
        if (!disk->mountError().isEmpty())
            QSKIP(qPrintable(disk->mountError()));
        config = disk->path();
        QVERIFY(writeFile(disk->filePath("qm-control-panel/VT-540A.ini"), old));
        QVERIFY(disk->fill());
    } else {
        QVERIFY(writeFile(home.filePath("qm-control-panel"), "not a folder"));
    }
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);

    IniPreferencesStore store("VT-540A");
    Preferences prefs(store);
    QStringList told;
    prefs.setWriteFailureHandler([&](const QString &why) { told << why; });
    prefs.storeComport(5);
    prefs.storeUpdateImmediately(0);
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].contains(store.fileName() + " cannot be written"), qPrintable(told[0]));
    if (fullDisk)
        QCOMPARE(readFile(store.fileName()), old);
}

void TestPreferences::fileNotRegularOrTooLargeIsLeftAlone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("problem");
    QTest::newRow("named pipe") << "pipe"
                                << "is a named pipe, not a regular file";
    QTest::newRow("folder") << "folder"
                            << "is a folder, not a regular file";
    QTest::newRow("over 1 MiB") << "large"
                                << "is 1048577 bytes long; a file over 1048576 bytes is not read";
}

// QSettings would wait on the pipe for ever and read a huge file whole: such a file is not
// read (every value its default) nor written, and that is told once.
void TestPreferences::fileNotRegularOrTooLargeIsLeftAlone()
{
    QFETCH(QString, kind);
    QFETCH(QString, problem);
    QTemporaryDir config;
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
    const QString path = config.filePath("qm-control-panel/VT-540A.ini");
    const QByteArray large = "[Settings]\nComport=3\n;" + QByteArray(1048577 - 22, 'x');
    if (kind == u"pipe")
        QVERIFY(QDir().mkpath(QFileInfo(path).path()) &&
                ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
    else if (kind == u"folder")
        QVERIFY(QDir().mkpath(path));
    else
        QVERIFY(writeFile(path, large));

    IniPreferencesStore store("VT-540A");
    Preferences prefs(store);
    QCOMPARE(prefs.comport(), qint16(1));
    QStringList told;
    prefs.setWriteFailureHandler([&](const QString &why) { told << why; });
    prefs.storeComport(4);
    prefs.storeUpdateImmediately(0);
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].contains(path + ' ' + problem), qPrintable(told[0]));
    QCOMPARE(QFileInfo(path).isFile(), kind == u"large");
    if (kind == u"large")
        QCOMPARE(readFile(path), large);
}

QTEST_GUILESS_MAIN(TestPreferences)
#include "test_preferences.moc"
