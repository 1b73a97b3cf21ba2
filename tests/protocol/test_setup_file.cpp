#include "protocol/SetupFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;

namespace {

using F = Field;

// The record of each model with the largest value each field may hold, as the units'
// documentation gives them.
const std::vector<std::pair<Field, int>> Maxima410a = {
    {F::TextEnables, 7}, {F::DateMode, 2},   {F::TimeCodeInput, 1}, {F::HourMode, 1},
    {F::TimeZone, 48},   {F::WindowMode, 3}, {F::DisplayMode, 3},   {F::VertPos, 63},
    {F::HorizPos, 255},  {F::VertSize, 3},   {F::HorizSize, 15},    {F::Blank, 1}};
const std::vector<std::pair<Field, int>> Maxima520a = {
    {F::TextEnables, 7}, {F::AutoStop, 1}, {F::LeapSeconds, 1}, {F::WindowMode, 3},
    {F::DisplayMode, 2}, {F::VertPos, 63}, {F::HorizPos, 255},  {F::VertSize, 3},
    {F::HorizSize, 15},  {F::Blank, 1},    {F::TimeFont, 1}};

const UnitModel &modelNamed(const QString &name)
{
    return unitModelByName(name)->get();
}

const std::vector<std::pair<Field, int>> &maxima(const UnitModel &model)
{
    return model.name == u"QM-410A" ? Maxima410a : Maxima520a;
}

// Channel 1 at every maximum, the others spread over each range; texts the unit's code page
// holds, with the characters a file must keep: "|", a quote, an escape, non-ASCII.
ChannelTable sampleTable(const UnitModel &model)
{
    ChannelTable table;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        for (auto [field, maximum] : maxima(model))
            table[channel][field] =
                static_cast<quint8>(channel == 0 ? maximum : (channel * 5) % (maximum + 1));
        table[channel].texts = {QStringLiteral("Z\u00fcrich \u20ac%1").arg(channel),
                                QStringLiteral("a|b \"q\""), QStringLiteral("\x1b[2J")};
    }
    return table;
}

// A valid setup file built without the program's writer, to be spoiled by one test row.
QJsonObject sampleDocument(const UnitModel &model)
{
    QJsonArray channels;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        QJsonObject object{{QStringLiteral("channel"), channel + 1}};
        for (auto [field, maximum] : maxima(model))
            object.insert(QLatin1String(fieldName(field)), 0);
        for (int line = 1; line <= 3; ++line)
            object.insert(QStringLiteral("Text%1").arg(line), QStringLiteral("T"));
        channels.append(object);
    }
    return {{QStringLiteral("model"), model.name},
            {QStringLiteral("version"), 1},
            {QStringLiteral("channels"), channels}};
}

QByteArray withChannelValue(const UnitModel &model, int channel, const QString &key,
                            const QJsonValue &value)
{
    QJsonObject document = sampleDocument(model);
    QJsonArray channels = document.value(QStringLiteral("channels")).toArray();
    QJsonObject object = channels[channel].toObject();
    if (value.isUndefined())
        object.remove(key);
    else
        object.insert(key, value);
    channels[channel] = object;
    document.insert(QStringLiteral("channels"), channels);
    return QJsonDocument(document).toJson();
}

// Twelve panel-written lines; line `spoilt` (1..12) replaced.
QByteArray settingsTxt(int spoilt = 0, const QByteArray &line = {})
{
    QByteArray contents;
    for (int number = 1; number <= ChannelCount; ++number)
        contents += (number == spoilt ? line : QByteArray("7|1|0|2|1|20|2|9|100|0|A||B")) + "\r\n";
    return contents;
}

} // namespace

class TestSetupFile : public QObject
{
    Q_OBJECT

private slots:
    void roundTripKeepsEveryField_data();
    void roundTripKeepsEveryField();
    void readsTheQm520aSettingsTxt();
    void refusesBadInput_data();
    void refusesBadInput();
    void refusesEveryFieldAboveItsRange_data();
    void refusesEveryFieldAboveItsRange();
    void comparesTextsAsTheUnitKeepsThem();
    void quotesWhatATerminalMustNotGetRaw_data();
    void quotesWhatATerminalMustNotGetRaw();
};

void TestSetupFile::roundTripKeepsEveryField_data()
{
    QTest::addColumn<QString>("model");
    QTest::newRow("QM-410A") << QStringLiteral("410a");
    QTest::newRow("QM-520A") << QStringLiteral("520a");
}

// What is written reads back unchanged; a file that cannot be read is said so.
void TestSetupFile::roundTripKeepsEveryField()
{
    QFETCH(QString, model);
    const UnitModel &unit = modelNamed(model);
    const ChannelTable table = sampleTable(unit);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("unit.json"));
    SaveFileOutput output;
    QVERIFY(writeSetupFile(path, Setup::of(unit, table, allChannelIndices()), output).ok);

    const SetupReadResult read = readSetupFile(path, unit);
    QVERIFY2(read.setup, qPrintable(read.error));
    for (int channel = 0; channel < ChannelCount; ++channel)
        QCOMPARE(read.setup->channels[channel], table[channel]);
    QCOMPARE(read.setup->fields.size(), maxima(unit).size());

    const QString absent = folder.filePath(QStringLiteral("absent.json"));
    const SetupReadResult unread = readSetupFile(absent, unit);
    QVERIFY2(!unread.setup &&
                 unread.error.startsWith(absent + QStringLiteral(": cannot be read: ")),
             qPrintable(unread.error));
}

void TestSetupFile::readsTheQm520aSettingsTxt()
{
    const SetupReadResult read = parseSetup(settingsTxt(12, "0|0|0|0|0|0|0|0|0|0|||"),
                                            QStringLiteral("settings.txt"), qm520a());
    QVERIFY2(read.setup, qPrintable(read.error));
    const ChannelSettings &first = read.setup->channels[0];
    const std::vector<std::pair<Field, int>> expected = {
        {F::TextEnables, 7}, {F::AutoStop, 1}, {F::LeapSeconds, 0}, {F::WindowMode, 2},
        {F::DisplayMode, 1}, {F::VertPos, 20}, {F::VertSize, 2},    {F::HorizSize, 9},
        {F::HorizPos, 100},  {F::Blank, 0}};
    for (auto [field, value] : expected)
        QCOMPARE(int(first[field]), value);
    QCOMPARE(first.texts, (std::array<QString, 3>{QStringLiteral("A"), {}, QStringLiteral("B")}));
    QCOMPARE(read.setup->channels[11], ChannelSettings{});
    // The file has no time font: it must be left as the unit has it.
    QVERIFY(std::find(read.setup->fields.begin(), read.setup->fields.end(), F::TimeFont) ==
            read.setup->fields.end());
}

void TestSetupFile::refusesBadInput_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("message");

    const UnitModel &m520 = qm520a();
    QByteArray notUtf8 = withChannelValue(m520, 2, QStringLiteral("Text2"), QStringLiteral("@@"));
    const int badLine = static_cast<int>(notUtf8.left(notUtf8.indexOf("@@")).count('\n')) + 1;
    notUtf8.replace("@@", "\xff\xfe");
    QJsonObject fewer = sampleDocument(m520);
    QJsonArray eleven = fewer.value(QStringLiteral("channels")).toArray();
    eleven.removeLast();
    fewer.insert(QStringLiteral("channels"), eleven);
    QJsonObject version2 = sampleDocument(m520);
    version2.insert(QStringLiteral("version"), 2);

    QTest::newRow("not JSON") << "520a" << QByteArray("{\n  \"model\": \"QM-520A\",\n  oops\n}")
                              << "f.json: line 3: not valid JSON";
    QTest::newRow("not UTF-8") << "520a" << notUtf8
                               << QStringLiteral("f.json: line %1: not UTF-8").arg(badLine);
    QTest::newRow("wrong model")
        << "410a" << QJsonDocument(sampleDocument(m520)).toJson()
        << "f.json: model: the file is for \"QM-520A\", not for the QM-410A";
    QTest::newRow("wrong version") << "520a" << QJsonDocument(version2).toJson()
                                   << "f.json: version: 2 is not a format version";
    QTest::newRow("eleven channels") << "520a" << QJsonDocument(fewer).toJson()
                                     << "f.json: channels: wrong number of channels: 11, not 12";
    QTest::newRow("not a number") << "520a"
                                  << withChannelValue(m520, 4, QStringLiteral("HorizPos"),
                                                      QStringLiteral("x"))
                                  << "f.json: channel 5, HorizPos: \"x\" is not a number";
    QTest::newRow("negative") << "520a" << withChannelValue(m520, 0, QStringLiteral("Blank"), -1)
                              << "f.json: channel 1, Blank: -1 is out of its range 0 to 1";
    QTest::newRow("missing field")
        << "520a" << withChannelValue(m520, 11, QStringLiteral("TimeFont"), QJsonValue::Undefined)
        << "f.json: channel 12, TimeFont: missing";
    QTest::newRow("field of the other model")
        << "520a" << withChannelValue(m520, 0, QStringLiteral("TimeZone"), 3)
        << "f.json: channel 1, \"TimeZone\": not a field of the QM-520A";
    QTest::newRow("text not a text")
        << "520a" << withChannelValue(m520, 1, QStringLiteral("Text3"), 7)
        << "f.json: channel 2, Text3: 7 is not a text";
    QTest::newRow("channels out of order")
        << "520a" << withChannelValue(m520, 3, QStringLiteral("channel"), 5)
        << "f.json: channel 4: it says it is channel 5";

    QTest::newRow("txt: text holding |")
        << "520a" << settingsTxt(2, "7|1|0|2|1|20|2|9|100|0|A|x|y|B")
        << "f.json: line 2: 14 fields instead of 13: a text holds";
    QTest::newRow("txt: too few fields") << "520a" << settingsTxt(3, "7|1|0|2|1|20|2|9|100|0|A|")
                                         << "f.json: line 3: 12 fields instead of 13";
    QTest::newRow("txt: not a number")
        << "520a" << settingsTxt(1, "7|1|0|2|1|20|2|9|1a|0|||")
        << "f.json: line 1, field 9 (HorizPos): \"1a\" is not a number";
    QTest::newRow("txt: out of range")
        << "520a" << settingsTxt(12, "8|1|0|2|1|20|2|9|100|0|||")
        << "f.json: line 12, field 1 (TextEnables): 8 is out of its range 0 to 7";
    QTest::newRow("txt: eleven lines") << "520a" << settingsTxt().left(settingsTxt().size() - 29)
                                       << "f.json: wrong number of channels: 11 lines, not 12";
    QTest::newRow("txt: for the QM-410A") << "410a" << settingsTxt() << "f.json: not a setup file";
}

void TestSetupFile::refusesBadInput()
{
    QFETCH(QString, model);
    QFETCH(QByteArray, contents);
    QFETCH(QString, message);
    const SetupReadResult read = parseSetup(contents, QStringLiteral("f.json"), modelNamed(model));
    QVERIFY(!read.setup);
    QVERIFY2(read.error.startsWith(message), qPrintable(read.error));
}

void TestSetupFile::refusesEveryFieldAboveItsRange_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("maximum");
    for (const char *model : {"410a", "520a"}) {
        for (auto [field, maximum] : maxima(modelNamed(QLatin1String(model))))
            QTest::addRow("%s %s", model, fieldName(field))
                << QString::fromLatin1(model) << QString::fromLatin1(fieldName(field)) << maximum;
    }
}

void TestSetupFile::refusesEveryFieldAboveItsRange()
{
    QFETCH(QString, model);
    QFETCH(QString, field);
    QFETCH(int, maximum);
    const UnitModel &unit = modelNamed(model);
    const SetupReadResult read =
        parseSetup(withChannelValue(unit, 6, field, maximum + 1), QStringLiteral("f"), unit);
    QVERIFY(!read.setup);
    QCOMPARE(read.error, QStringLiteral("f: channel 7, %1: %2 is out of its range 0 to %3")
                             .arg(field)
                             .arg(maximum + 1)
                             .arg(maximum));
}

// The unit trims spaces, cuts at 30 and keeps its own code page: a file text that reaches
// it so must not count as a difference, nor as a setting that did not take.
void TestSetupFile::comparesTextsAsTheUnitKeepsThem()
{
    Setup setup{&qm410a(), {}, qm410a().recordFields, allChannelIndices()};
    setup.channels[0].texts = {QStringLiteral("  AB  "), QString(31, u'x'),
                               QStringLiteral("\u4e2d")};
    ChannelSettings unit;
    unit.texts = {QStringLiteral("AB"), QString(30, u'x'), QStringLiteral("?")};
    QVERIFY(channelDifferences(setup, 0, unit).isEmpty());

    unit.texts[0] = QStringLiteral("AC");
    unit[F::TimeZone] = 3;
    const QList<FieldDifference> differences = channelDifferences(setup, 0, unit);
    QCOMPARE(differences.size(), 2);
    QCOMPARE(describeDifference(differences[0]),
             QStringLiteral("channel 1 TimeZone: file 0, unit 3"));
    QCOMPARE(describeDifference(differences[1]),
             QStringLiteral("channel 1 Text1: file \"AB\", unit \"AC\""));
}

void TestSetupFile::quotesWhatATerminalMustNotGetRaw_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("quoted");
    QTest::newRow("escape sequence") << QStringLiteral("\x1b[2J") << QStringLiteral("\"\\x1b[2J\"");
    QTest::newRow("C1 control and DEL")
        << QStringLiteral("\u009b\x7f") << QStringLiteral("\"\\x9b\\x7f\"");
    QTest::newRow("bidi override") << QStringLiteral("a\u202eb") << QStringLiteral("\"a\\u202eb\"");
    QTest::newRow("quote and backslash")
        << QStringLiteral("\"\\") << QStringLiteral("\"\\\"\\\\\"");
    QTest::newRow("printable non-ASCII")
        << QStringLiteral("Z\u00fcrich \u20ac") << QStringLiteral("\"Z\u00fcrich \u20ac\"");
}

void TestSetupFile::quotesWhatATerminalMustNotGetRaw()
{
    QFETCH(QString, text);
    QFETCH(QString, quoted);
    QCOMPARE(quotedText(text), quoted);
}

QTEST_APPLESS_MAIN(TestSetupFile)

#include "test_setup_file.moc"
