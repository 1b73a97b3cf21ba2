#include "MemoryPreferencesStore.h"
#include "PreferenceKeys.h"
#include "Preferences.h"

#include <QTemporaryDir>
#include <QTest>

using namespace qm;

class TestPreferences : public QObject
{
    Q_OBJECT
private slots:
    void firstRunReadsTheDefaults();
    void valuesRoundTripAsDecimalText();
    void unusableTextReadsAsTheDefault();
    void portOverridesComeFromThePortsSection();
    void fileStoreKeepsValuesBetweenRuns();
};

void TestPreferences::firstRunReadsTheDefaults()
{
    test::MemoryPreferencesStore store;
    const Preferences prefs(store);
    QCOMPARE(prefs.formPosition(), QPoint(1000, 1000));
    QCOMPARE(prefs.channelSelection(), 4095.0);
    QCOMPARE(prefs.settingSelection(), 2046.0);
    QCOMPARE(prefs.comport(), qint16(1));
    QCOMPARE(prefs.updateImmediately(), qint16(1));
    QVERIFY2(store.values.isEmpty(), "reading must not write anything");
}

void TestPreferences::valuesRoundTripAsDecimalText()
{
    test::MemoryPreferencesStore store;
    Preferences prefs(store);
    prefs.storeFormPosition(QPoint(-450, 2265));
    prefs.storeChannelSelection(18);
    prefs.storeSettingSelection(4095);
    prefs.storeComport(3);
    prefs.storeUpdateImmediately(0);

    QCOMPARE(store.values.value("Settings/FormTop"), QString("2265"));
    QCOMPARE(store.values.value("Settings/FormLeft"), QString("-450"));
    QCOMPARE(store.values.value("Settings/ChannelSelection"), QString("18"));
    QCOMPARE(store.values.value("Settings/SettingSelection"), QString("4095"));
    QCOMPARE(store.values.value("Settings/Comport"), QString("3"));
    QCOMPARE(store.values.value("Settings/UpdateImmediately"), QString("0"));
    QCOMPARE(prefs.formPosition(), QPoint(-450, 2265));
    QCOMPARE(prefs.channelSelection(), 18.0);
    QCOMPARE(prefs.comport(), qint16(3));
    QCOMPARE(prefs.updateImmediately(), qint16(0));
}

void TestPreferences::unusableTextReadsAsTheDefault()
{
    test::MemoryPreferencesStore store;
    store.values = {{"Settings/FormTop", "abc"},         {"Settings/FormLeft", "40000"},
                    {"Settings/Comport", " 2.5"},        {"Settings/UpdateImmediately", ""},
                    {"Settings/ChannelSelection", "-1"}, {"Settings/SettingSelection", "1e9"}};
    const Preferences prefs(store);
    QCOMPARE(prefs.formPosition(), QPoint(1000, 1000));
    QCOMPARE(prefs.comport(), qint16(2)); // halves round to even
    QCOMPARE(prefs.updateImmediately(), qint16(1));
    QCOMPARE(prefs.channelSelection(), 4095.0);
    QCOMPARE(prefs.settingSelection(), 2046.0);
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
    QCOMPARE(Preferences(store).portOverrides(), expected);
}

void TestPreferences::fileStoreKeepsValuesBetweenRuns()
{
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    {
        SettingsFileStore store("VT-540A");
        QCOMPARE(store.fileName(), config.filePath("qm-control-panel/VT-540A.ini"));
        Preferences(store).storeComport(4);
    }
    SettingsFileStore again("VT-540A");
    QCOMPARE(Preferences(again).comport(), qint16(4));
    SettingsFileStore other("QM-410A");
    QCOMPARE(Preferences(other).comport(), qint16(1));
}

QTEST_GUILESS_MAIN(TestPreferences)
#include "test_preferences.moc"
