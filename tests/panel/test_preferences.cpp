#include "preferences/PreferenceKeys.h"
#include "preferences/Preferences.h"
#include "tests/support/Files.h"
#include "tests/support/MemoryPreferencesStore.h"
#include "tests/support/SmallTmpfs.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <sys/stat.h>

using namespace qm;

using Devices = QMap<int, QString>; // by port number

class TestPreferences : public QObject
{
    Q_OBJECT
private slots:
    void valuesAreDecimalTextAndUnusableTextReadsAsTheDefault();
    void portOverridesComeFromThePortsSection();
    void aFileThatCannotBeUsedIsToldOnceAndKept_data();
    void aFileThatCannotBeUsedIsToldOnceAndKept();
    void aWriteKeepsTheOperatorsComments();
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
    // An empty entry means no device, not the port's usual one.
    const QStringList problems{"[Ports] COM17: not a port (COM1 to COM16); ignored",
                               "[Ports] COM2: no device is given; the port is left out"};
    QCOMPARE(overrides.problems, problems);
    QCOMPARE(overrides.withheld, QList<int>{2});
}

void TestPreferences::aFileThatCannotBeUsedIsToldOnceAndKept_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("told"); // after the file's path
    QTest::addColumn<int>("comport");  // as read
    QTest::addColumn<Devices>("devices");
    QTest::addColumn<QList<int>>("withheld");
    QTest::addColumn<QStringList>("problems"); // how each problem of the reading ends
    QTest::addColumn<QByteArray>("contents");  // of a regular file
    const QByteArray plain = "[Settings]\nComport=4\n";
    const auto row = [&plain](const char *kind, const char *told, int comport,
                              const QList<int> &withheld = {}, const QStringList &problems = {},
                              const QByteArray &contents = {}, const Devices &devices = {}) {
        QTest::newRow(kind) << kind << told << comport << devices << withheld << problems
                            << (contents.isEmpty() ? plain : contents);
    };
    row("a file in the folder's place", " cannot be written", 1);
    row("a full disk", " cannot be written", 4);
    // QSettings would wait on the pipe for ever and read a huge file whole; a file not read
    // leaves no port's device to be trusted.
    QList<int> everyPort;
    for (int port = 1; port <= 16; ++port)
        everyPort << port;
    const QStringList unread{"cannot be read, so no port is given its usual device"};
    row("a named pipe", " is a named pipe, not a regular file", 1, everyPort, unread);
    row("a folder", " is a folder, not a regular file", 1, everyPort, unread);
    row("over 1 MiB", " is 1048577 bytes long; a file over 1048576 bytes is not read", 1, everyPort,
        unread, "[Settings]\nComport=3\n;" + QByteArray(1048577 - 22, 'x'));
    // The quote opened on the COM2 line runs on through the rest of the file when QSettings
    // reads it: COM2 and COM3 must get no device at all (their usual ones may be another
    // program's), and each is named.
    row("an unbalanced quote", ", line 3: a quote is not closed", 1, {2, 3},
        {"COM2: its device cannot be read; the port is left out",
         "COM3: its device cannot be read; the port is left out"},
        "[Ports]\nCOM1=/dev/pts/5\nCOM2=\"/dev/ttyUSB3\nCOM3=/dev/ttyUSB4\n[Settings]\nComport=3\n"
        "FormTop=200\n",
        {{1, "/dev/pts/5"}});
    // Only one of two lines for a key is read, and writing back would lose the other.
    row("a port named twice",
        ", line 3: COM01 gives again the key of line 2; each key may stand once", 3, {1},
        {"the port is named on more than one line; the port is left out"},
        "[Ports]\nCOM1=/dev/pts/5\nCOM01=/dev/ttyUSB3\n[Settings]\nComport=3\n");
    // QSettings takes only ";" for a comment, and drops the line when it writes.
    row("a # comment", ", line 2: not a key=value line, a [section] or a ; comment", 4, {}, {},
        "[Settings]\n# the port of the studio's unit\nComport=4\n");
    row("a key spaced apart",
        ", line 3: Comport gives again the key of line 2; each key may stand once", 4, {}, {},
        "[Settings]\nComport=3\nComport =4\n");
}

// Such a file is neither read past what can be trusted nor written: every write's failure is
// told once, and the file stays as the operator left it.
void TestPreferences::aFileThatCannotBeUsedIsToldOnceAndKept()
{
    QFETCH(QString, kind);
    QFETCH(QString, told);
    QFETCH(int, comport);
    QFETCH(Devices, devices);
    QFETCH(QList<int>, withheld);
    QFETCH(QStringList, problems);
    QFETCH(QByteArray, contents);
    QTemporaryDir home;
    std::unique_ptr<test::SmallTmpfs> disk;
    QString config = home.path();
    if (kind == u"a full disk") {
        disk = std::make_unique<test::SmallTmpfs>();
        if (!disk->mountError().isEmpty())
            QSKIP(qPrintable(disk->mountError()));
        config = disk->path();
    }
    const QString path = config + "/qm-control-panel/VT-540A.ini";
    const QString folder = QFileInfo(path).path();
    if (kind == u"a file in the folder's place")
        QVERIFY(test::writeFile(folder, "not a folder"));
    else if (kind == u"a folder")
        QVERIFY(QDir().mkpath(path));
    else if (QDir().mkpath(folder) && kind != u"a named pipe")
        QVERIFY(test::writeFile(path, contents));
    if (kind == u"a named pipe")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    if (disk)
        QVERIFY(disk->fill());
    const bool regular = QFileInfo(path).isFile();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);

    IniPreferencesStore store("VT-540A");
    Preferences prefs(store);
    QCOMPARE(prefs.comport(), qint16(comport));
    const PortOverrides overrides = prefs.portOverrides();
    QCOMPARE(overrides.devices, devices);
    QCOMPARE(overrides.withheld, withheld);
    QCOMPARE(overrides.problems.size(), problems.size());
    for (qsizetype i = 0; i < problems.size(); ++i)
        QVERIFY2(overrides.problems[i].endsWith(problems[i]), qPrintable(overrides.problems[i]));
    QStringList said;
    prefs.setWriteFailureHandler([&](const QString &why) { said << why; });
    prefs.storeComport(5);
    prefs.storeFormPosition(QPoint(10, 20));
    QCOMPARE(said.size(), 1);
    QVERIFY2(said[0].contains(path + told), qPrintable(said[0]));
    QCOMPARE(QFileInfo(path).isFile(), regular);
    if (regular)
        QCOMPARE(test::readFile(path), contents);
}

// QSettings alone would write the file anew in its own layout, without the comments.
void TestPreferences::aWriteKeepsTheOperatorsComments()
{
    QTemporaryDir home;
    const QString path = home.filePath("qm-control-panel/QM-410A.ini");
    const QByteArray before = "; the unit in the studio\n[Ports]\nCOM1=/dev/pts/5\n\n"
                              "[Settings]\n; kept as the operator wrote it\nComport=4\n";
    QVERIFY(QDir().mkpath(QFileInfo(path).path()) && test::writeFile(path, before));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path());
    IniPreferencesStore store("QM-410A");
    Preferences prefs(store);
    prefs.storeComport(5);
    prefs.storeFormPosition(QPoint(10, 20));
    prefs.storeUpdateImmediately(0);
    QCOMPARE(test::readFile(path),
             "; the unit in the studio\n[Ports]\nCOM1=/dev/pts/5\n\n[Settings]\n; kept as the "
             "operator wrote it\nComport=5\nFormTop=20\nFormLeft=10\nUpdateImmediately=0\n");
}

QTEST_GUILESS_MAIN(TestPreferences)
#include "test_preferences.moc"
