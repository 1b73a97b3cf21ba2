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
    void missingOrUnusableTextReadsAsTheDefault();
    void valuesRoundTripAsDecimalText();
    void portOverridesComeFromThePortsSection();
    void fileStoreKeepsValuesBetweenRuns();
};

void TestPreferences::missingOrUnusableTextReadsAsTheDefault()
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

    // A mask is kept whatever number it holds; its users take the bits they know.
    test::MemoryPreferencesStore store;
    store.values = {{"Settings/ChannelSelection", "5000"}, {"Settings/SettingSelection", "-1"}};
    QCOMPARE(Preferences(store).channelSelection(), 5000.0);
    QCOMPARE(Preferences(store).settingSelection(), -1.0);
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
    const QMap<QString, QString> written{
        {"Settings/FormTop", "2265"},        {"Settings/FormLeft", "-450"},
        {"Settings/ChannelSelection", "18"}, {"Settings/SettingSelection", "4095"},
        {"Settings/Comport", "3"},           {"Settings/UpdateImmediately", "0"}};
    QCOMPARE(store.values, written);
    QCOMPARE(prefs.formPosition(), QPoint(-450, 2265));
    QCOMPARE(prefs.comport(), qint16(3));
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
