#include "protocol/ChannelList.h"
#include "protocol/Frames.h"
#include "protocol/RoundTrip.h"
#include "protocol/SetupFile.h"
#include "tests/support/CodePage.h"
#include "tests/support/Files.h"
#include "tests/support/GeneratedSetups.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace qm;
using namespace std::string_view_literals;

namespace {

using F = Field;
using Changes = QList<std::pair<QString, QJsonValue>>;

// Characters no reply can carry: outside the code page, its pad byte, its bytes of the markers.
constexpr char32_t Forbidden[] = {U'€', U'ü', U'ø', U'М', U'中', U'\U0001F600', 0x80, 0x9B};

// Every character a reply can carry: the code page but € (its pad byte), ü and ø (the bytes
// of a reply's markers).
QString replyCharacters()
{
    QString characters = QStringView(test::Windows1252HighRow).sliced(1).toString();
    for (char16_t c = 0; c <= 0xFF; ++c) {
        if ((c < 0x80 || c >= 0xA0) && c != u'ü' && c != u'ø')
            characters += QChar(c);
    }
    return characters;
}

// A valid file built without the program's writer: the channels given (all twelve for version
// 1), each with HorizPos its number and every other field 1, texts "T".
QJsonObject sampleDocument(const UnitModel &model, int version = 1,
                           const QList<int> &channels = allChannelIndices(), bool numbered = true)
{
    QJsonArray list;
    for (int channel : channels) {
        QJsonObject object;
        if (numbered)
            object.insert(QStringLiteral("channel"), channel + 1);
        for (const test::FieldRange &range : test::roundTripRanges(model))
            object.insert(QLatin1String(fieldName(range.field)),
                          range.field == F::HorizPos ? channel + 1 : 1);
        for (int line = 0; line < TextLineCount; ++line)
            object.insert(textLineName(line), QStringLiteral("T"));
        list.append(object);
    }
    return {{QStringLiteral("model"), model.name},
            {QStringLiteral("version"), version},
            {QStringLiteral("channels"), list}};
}

QByteArray withChanges(QJsonObject document, int entry, const Changes &changes)
{
    QJsonArray channels = document.value(QStringLiteral("channels")).toArray();
    QJsonObject object = channels[entry].toObject();
    for (const auto &[key, value] : changes) {
        if (value.isUndefined())
            object.remove(key);
        else
            object.insert(key, value);
    }
    channels[entry] = object;
    document.insert(QStringLiteral("channels"), channels);
    return QJsonDocument(document).toJson();
}

QByteArray withChannelValue(int channel, const QString &key, const QJsonValue &value,
                            const UnitModel &model = qm520a())
{
    return withChanges(sampleDocument(model), channel, {{key, value}});
}

// The sample file with a value written as raw JSON text.
QByteArray withRawValue(int channel, const QString &key, const QByteArray &raw)
{
    return withChannelValue(channel, key, QStringLiteral("@@")).replace("\"@@\"", raw);
}

QByteArray json(const QJsonObject &document)
{
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

// Every field at its largest, and texts that hold every character a reply can carry, 30 to a
// line, and numbers no double holds.
Setup everyCharacter(const UnitModel &model)
{
    Setup setup = Setup::of(model, {}, allChannelIndices());
    for (int index = 0; index < ChannelCount; ++index)
        setup.channels[index] = test::largestChannel(model, index);
    const QString characters = replyCharacters();
    for (int line = 0; line * TextPayloadLength < characters.size(); ++line)
        setup.channels[line / TextLineCount].texts[line % TextLineCount] =
            characters.mid(line * TextPayloadLength, TextPayloadLength);
    setup.channels[11].texts[0] = QStringLiteral("-1e999 \"2e999\"");
    return setup;
}

// The file of a setup with one value of one present channel made one that no reply carries;
// the place of the fault as a message starts.
std::pair<QByteArray, QString> spoiltFile(const Setup &setup, QRandomGenerator &random)
{
    QJsonObject document = QJsonDocument::fromJson(setupJson(setup)).object();
    const int entry = random.bounded(static_cast<int>(setup.present.size()));
    const QString where = QStringLiteral("f.json: channel %1, ").arg(setup.present[entry] + 1);
    const std::vector<test::FieldRange> &ranges = test::roundTripRanges(*setup.model);
    if (random.bounded(2) == 0) {
        const test::FieldRange &range = ranges[random.bounded(static_cast<int>(ranges.size()))];
        // What a restore can set, but Blank's reply is a whole byte, of which only on and off
        // can be sent.
        const int largest = range.field == F::Blank ? 255 : range.largest;
        const int value =
            largest + 1 +
            (random.bounded(2) ? 0 : random.bounded(largest == 255 ? 1000 : 255 - largest));
        const QString name = QLatin1String(fieldName(range.field));
        return {withChanges(document, entry, {{name, value}}),
                where + QStringLiteral("%1: %2 is out of its range 0 to %3")
                            .arg(name, QString::number(value), QString::number(largest))};
    }
    const int line = random.bounded(TextLineCount);
    QString text = setup.channels[setup.present[entry]].texts[line];
    const char32_t bad = Forbidden[random.bounded(static_cast<int>(std::size(Forbidden)))];
    text.insert(random.bounded(static_cast<int>(text.size()) + 1), QString::fromUcs4(&bad, 1));
    return {withChanges(document, entry, {{textLineName(line), text}}),
            where + textLineName(line) + QStringLiteral(": ")};
}

// A row of refusesBadInput: a file for the QM-520A unless told, refused with this message.
void refused(const char *tag, const QByteArray &contents, const QString &message,
             const char *model = "520a")
{
    QTest::newRow(tag) << QString::fromLatin1(model) << contents << "f.json: " + message;
}

// Rows of refusesBadInput: the file as a whole.
void addRefusalRows()
{
    const UnitModel &m520 = qm520a();
    const auto withTop = [&m520](const char *key, const QJsonValue &value) {
        QJsonObject document = sampleDocument(m520);
        document.insert(QLatin1String(key), value);
        return json(document);
    };
    const QByteArray sample = json(sampleDocument(m520));
    QJsonArray eleven = sampleDocument(m520).value(QStringLiteral("channels")).toArray();
    eleven.removeLast();
    refused("not JSON", "{\n  \"model\": \"QM-520A\",\n  oops\n}", "line 3: not valid JSON");
    refused("not UTF-8", "{\n  \"model\": \"\xff\xfe\"\n}", "line 2: not UTF-8");
    refused("UTF-16 with byte-order mark",
            QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom)
                .encode(QString::fromUtf8(sample)),
            "the file is UTF-16; save it as UTF-8");
    refused("empty", {}, "the file is empty");
    refused("only blanks", "\xEF\xBB\xBF \r\n\t\n", "the file is empty", "410a");
    refused("key twice, once escaped",
            "{\n  \"model\": \"QM-520A\",\n  \"mod\\u0065l\": \"QM-520A\"\n}",
            "line 3: \"model\" stands twice in one object; each key may stand once");
    refused("unknown key", withTop("comment", QStringLiteral("site A")),
            "\"comment\": not a key of a setup file");
    refused("wrong model", sample, "model: the file is for \"QM-520A\", not for the QM-410A",
            "410a");
    refused("wrong version", withTop("version", 3),
            "version: 3 is not a format version this program reads (it reads 1 and 2)");
    refused("a list", "[" + sample + "]", "not a setup file (no JSON object)");
    refused("eleven channels", withTop("channels", eleven),
            "channels: wrong number of channels: 11, not 12");
    // Channels and their fields in either version.
    refused("not a number", withChannelValue(4, "HorizPos", "x"),
            "channel 5, HorizPos: \"x\" is not a number");
    refused("not whole, as written", withRawValue(2, "HorizPos", "50.0000000000001"),
            "channel 3, HorizPos: 50.0000000000001 is not a whole number");
    refused("beyond a double", withRawValue(2, "HorizPos", "1e400"),
            "channel 3, HorizPos: 1e400 is out of its range 0 to 255");
    refused("negative", withChannelValue(0, "Blank", -1),
            "channel 1, Blank: -1 is out of its range 0 to 255");
    refused("missing field", withChannelValue(11, "TimeFont", QJsonValue::Undefined),
            "channel 12, TimeFont: missing");
    refused("field of the other model", withChannelValue(0, "TimeZone", 3),
            "channel 1, \"TimeZone\": not a field of the QM-520A");
    refused("text not a text", withChannelValue(1, "Text3", 7),
            "channel 2, Text3: 7 is not a text");
    refused("1: channels out of order", withChannelValue(3, "channel", 5),
            "channel 4: it says it is channel 5");
    refused("2: not a list", withTop("channels", 7), "channels: 7 is not a list");
    refused("2: no channel", json(sampleDocument(m520, 2, {})),
            "channels: the list is empty; a file holds at least one channel");
    refused("2: channel not numbered", json(sampleDocument(m520, 2, {3, 4}, false)),
            "channels, entry 1: \"channel\" is missing; in a file of version 2 each channel "
            "names itself");
    refused("2: channel 13", withChanges(sampleDocument(m520, 2, {3, 4}), 1, {{"channel", 13}}),
            "channels, entry 2: 13 is not a channel number (1 to 12)");
    refused("2: descending", json(sampleDocument(m520, 2, {6, 4})),
            "channels: channel 5 stands after channel 7; channels stand in ascending order");
    refused("2: twice", json(sampleDocument(m520, 2, {4, 4})), "channels: channel 5 stands twice");
}

// The sample file with HorizPos out of range in the first channels.
QByteArray withWideChannels(int count)
{
    QJsonObject document = sampleDocument(qm520a());
    QJsonArray channels = document.value(QStringLiteral("channels")).toArray();
    for (int entry = 0; entry < count; ++entry) {
        QJsonObject object = channels[entry].toObject();
        object.insert(QStringLiteral("HorizPos"), 300);
        channels[entry] = object;
    }
    document.insert(QStringLiteral("channels"), channels);
    return json(document);
}

// Rows of refusesBadInput: every wrong value is named, ten at most.
void addSeveralFaultRows()
{
    const QString wide = QStringLiteral("HorizPos: 300 is out of its range 0 to 255");
    QByteArray three = withWideChannels(1);
    three = withChanges(QJsonDocument::fromJson(three).object(), 1,
                        {{QStringLiteral("Text1"), QStringLiteral("5\u20ac")},
                         {QStringLiteral("Blank"), QStringLiteral("x")}});
    refused("three faults", three,
            "3 faults:\nchannel 1, " + wide +
                "\nchannel 2, Blank: \"x\" is not a number\n"
                "channel 2, Text1: \"5\u20ac\": \"\u20ac\" (U+20AC) is what the unit fills out a "
                "line with, so the unit would cut the line there");
    QString twelve = QStringLiteral("12 faults:");
    for (int channel = 1; channel <= 10; ++channel)
        twelve += QStringLiteral("\nchannel %1, ").arg(channel) + wide;
    refused("twelve faults, ten named", withWideChannels(12), twelve + "\nand 2 more");
    QList<QByteArray> lines = settingsTxt(3, "7|1|0|2|1|20|2|9|1a|0|||").split('\n');
    lines[6] = "7|1|0|2|1|64|2|9|100|0|||\r";
    refused("txt: two lines", lines.join('\n'),
            "2 faults:\nline 3, field 9 (HorizPos): \"1a\" is not a number\n"
            "line 7, field 6 (VertPos): 64 is out of its range 0 to 63");
}

// Rows of refusesBadInput: values no unit can report, and a QM-520A settings.txt.
void addValueRows()
{
    const auto marker = [](const char *role) {
        return QStringLiteral("in the unit's reply it would mark where the reply %1, so no unit "
                              "can report it")
            .arg(QLatin1String(role));
    };
    refused("HorizPos on the end marker", withChannelValue(2, "HorizPos", 248),
            "channel 3, HorizPos: 248: " + marker("ends"));
    refused("TextEnables on the start marker", withChannelValue(2, "TextEnables", 252, qm410a()),
            "channel 3, TextEnables: 252: " + marker("starts"), "410a");
    const auto text = [](const QString &value) {
        return withChannelValue(2, "Text1", value);
    };
    // What a terminal must not get raw is quoted.
    refused("text with the pad byte", text(QStringLiteral("\"5\u20ac\\\x1b[2J\u202e")),
            "channel 3, Text1: \"\\\"5\u20ac\\\\\\x1b[2J\\u202e\": \"\u20ac\" (U+20AC) is what the "
            "unit fills out a line with, so the unit would cut the line there");
    refused("text with the start marker", text(QStringLiteral("M\u00fcller")),
            "channel 3, Text1: \"M\u00fcller\": \"\u00fc\" (U+00FC) marks where the unit's reply "
            "starts, so no reply could carry the line back");
    refused("text with the end marker", text(QStringLiteral("\u00f8")),
            "channel 3, Text1: \"\u00f8\": \"\u00f8\" (U+00F8) marks where the unit's reply ends, "
            "so no reply could carry the line back");
    refused("text with a C1 control the code page lacks", text(QStringLiteral("a\u0080")),
            "channel 3, Text1: \"a\\x80\": \"\\x80\" (U+0080) is not in");
    // QJsonDocument takes in a raw NUL, which JSON does not allow, and drops a raw U+FEFF.
    const QByteArray rawNul = withRawValue(2, "Text1", QByteArray("\"a\0b\"", 5));
    refused("text with a raw NUL", rawNul,
            QString("line %1: not valid JSON (a raw NUL byte")
                .arg(rawNul.left(rawNul.indexOf('\0')).count('\n') + 1));
    const QString bom = "channel 3, Text1: \"\\ufeffZ\": ";
    refused("text with an escaped U+FEFF", withRawValue(2, "Text1", "\"\\ufeffZ\""), bom);
    refused("text with a raw U+FEFF", withRawValue(2, "Text1", "\"\xEF\xBB\xBFZ\""), bom);
    refused("text of 31 characters", text(QString(31, u'x')),
            "channel 3, Text1: \"" + QString(31, u'x') +
                "\": 31 characters; a line holds at most 30");
    // A QM-520A settings.txt.
    refused("txt: text holding |", settingsTxt(2, "7|1|0|2|1|20|2|9|100|0|A|x|y|B"),
            "line 2: 14 fields instead of 13: a text holds");
    refused("txt: not a number", settingsTxt(1, "7|1|0|2|1|20|2|9|1a|0|||"),
            "line 1, field 9 (HorizPos): \"1a\" is not a number");
    refused("txt: out of range", settingsTxt(12, "7|1|0|2|1|64|2|9|100|0|||"),
            "line 12, field 6 (VertPos): 64 is out of its range 0 to 63");
    refused("txt: marker", settingsTxt(5, "7|1|0|2|1|62|0|9|100|0|||"),
            "line 5, VertPos and VertSize: 62 and 0: in the unit's reply together they "
            "would mark where the reply ends");
    refused("txt: marked UTF-8 that is not",
            "\xEF\xBB\xBF" + settingsTxt(2, "7|1|0|2|1|20|2|9|100|0|\xe9||"),
            "line 2: not UTF-8, though the file starts with UTF-8's byte-order mark");
    refused("txt: eleven lines", settingsTxt().left(settingsTxt().size() - 29),
            "wrong number of channels: 11 lines, not 12");
    refused("txt: for the QM-410A", settingsTxt(), "not a setup file", "410a");
    addSeveralFaultRows();
}

} // namespace

class TestSetupFile : public QObject
{
    Q_OBJECT

private slots:
    void modelRows_data() { test::addModelRows(); }
    void generatedSetupsMakeTheRoundTripAndFaultsAreRefused_data() { modelRows_data(); }
    void generatedSetupsMakeTheRoundTripAndFaultsAreRefused();
    void readsEachFormatVersion_data();
    void readsEachFormatVersion();
    void readsTheQm520aSettingsTxt_data();
    void readsTheQm520aSettingsTxt();
    void refusesBadInput_data();
    void refusesBadInput();
    void namesWhatCannotBeRestoredAndWhatIsUnusual_data();
    void namesWhatCannotBeRestoredAndWhatIsUnusual();
    void namesBytesThatEndAFrameOfTheirOwn_data();
    void namesBytesThatEndAFrameOfTheirOwn();
    void readsOnlyRegularFilesOfSaneSize_data();
    void readsOnlyRegularFilesOfSaneSize();
    void channelListsReadAsTheOperatorWritesThem_data();
    void channelListsReadAsTheOperatorWritesThem();
};

// Whatever a unit can report and have restored is written and read back unchanged: partial
// and complete units, every field up to its reply bits, texts of 0 and 30 characters, every
// character a reply carries. Spoilt by one value no reply carries, it is refused there.
void TestSetupFile::generatedSetupsMakeTheRoundTripAndFaultsAreRefused()
{
    QFETCH(QString, model);
    const UnitModel &unit = test::modelNamed(model);
    QRandomGenerator random(17);
    for (int run = 0; run <= 300; ++run) {
        const Setup setup =
            run == 0 ? everyCharacter(unit) : test::randomSetup(unit, random, run % 4 != 0);
        const SetupReadResult read = parseSetup(setupJson(setup), QStringLiteral("f.json"), unit);
        QVERIFY2(read.setup, qPrintable(QStringLiteral("run %1: %2").arg(run).arg(read.error)));
        QCOMPARE(setupJson(*read.setup), setupJson(setup));
        const auto [contents, where] = spoiltFile(setup, random);
        const QString error = parseSetup(contents, QStringLiteral("f.json"), unit).error;
        QVERIFY2(error.startsWith(where),
                 qPrintable(QStringLiteral("run %1: %2").arg(run).arg(error)));
    }
}

void TestSetupFile::readsEachFormatVersion_data()
{
    QTest::addColumn<QByteArray>("contents");
    const UnitModel &m = qm520a();
    QTest::newRow("1, not numbered") << json(sampleDocument(m, 1, allChannelIndices(), false));
    QTest::newRow("1, UTF-8 byte-order mark") << "\xEF\xBB\xBF" + json(sampleDocument(m));
}

// Each entry lands on the channel it names; the channels a file lacks stay empty.
void TestSetupFile::readsEachFormatVersion()
{
    QFETCH(QByteArray, contents);
    const SetupReadResult read = parseSetup(contents, QStringLiteral("f.json"), qm520a());
    QVERIFY2(read.setup, qPrintable(read.error));
    for (int index = 0; index < ChannelCount; ++index)
        QCOMPARE(int(read.setup->channels[index][F::HorizPos]), index + 1);
}

void TestSetupFile::readsTheQm520aSettingsTxt_data()
{
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("text");
    QTest::newRow("Windows-1252") << settingsTxt(1, "7|1|0|2|1|20|2|9|100|0|Caf\xe9 \xfa||B")
                                  << QStringLiteral("Caf\u00e9 \u00fa");
    QTest::newRow("UTF-8") << settingsTxt(1, "7|1|0|2|1|20|2|9|100|0|Caf\xc3\xa9||B")
                           << QStringLiteral("Caf\u00e9");
}

void TestSetupFile::readsTheQm520aSettingsTxt()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, text);
    const SetupReadResult read = parseSetup(contents, QStringLiteral("settings.txt"), qm520a());
    QVERIFY2(read.setup, qPrintable(read.error));
    const ChannelSettings &first = read.setup->channels[0];
    QList<int> values; // in the file's order
    for (Field field : {F::TextEnables, F::AutoStop, F::LeapSeconds, F::WindowMode, F::DisplayMode,
                        F::VertPos, F::VertSize, F::HorizSize, F::HorizPos, F::Blank})
        values << first[field];
    QCOMPARE(values, QList<int>({7, 1, 0, 2, 1, 20, 2, 9, 100, 0}));
    QCOMPARE(first.texts, (std::array<QString, 3>{text, {}, QStringLiteral("B")}));
    // The file has no time font: it must be left as the unit has it.
    QCOMPARE(std::count(read.setup->fields.begin(), read.setup->fields.end(), F::TimeFont), 0);
}

void TestSetupFile::refusesBadInput_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QByteArray>("contents");
    QTest::addColumn<QString>("message");
    addRefusalRows();
    addValueRows();
}

void TestSetupFile::refusesBadInput()
{
    QFETCH(QString, model);
    QFETCH(QByteArray, contents);
    QFETCH(QString, message);
    const SetupReadResult read =
        parseSetup(contents, QStringLiteral("f.json"), test::modelNamed(model));
    QVERIFY(!read.setup);
    QVERIFY2(read.error.startsWith(message), qPrintable(read.error));
    QVERIFY2(!message.contains(u" faults:") || read.error == message, qPrintable(read.error));
}

void TestSetupFile::namesWhatCannotBeRestoredAndWhatIsUnusual_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QJsonValue>("value");
    QTest::addColumn<QString>("unrestorable");
    QTest::addColumn<QString>("unusual");
    const QString unusual =
        QStringLiteral("channel 3, %1: %2: unusual, beyond the window's 0 to %3");
    QTest::newRow("Blank 2") << "410a"
                             << "Blank" << QJsonValue(2)
                             << "channel 3, Blank: 2: blanking travels only as on (1) or off (0)"
                             << QString();
    QTest::newRow("leading space")
        << "520a"
        << "Text2" << QJsonValue(" SP")
        << "channel 3, Text2: \" SP\": spaces at the ends of a line are dropped when it is sent"
        << QString();
    QTest::newRow("TextEnables 23") << "520a"
                                    << "TextEnables" << QJsonValue(23) << QString()
                                    << unusual.arg("TextEnables").arg(23).arg(7);
    QTest::newRow("410a DisplayMode 5")
        << "410a"
        << "DisplayMode" << QJsonValue(5) << QString() << unusual.arg("DisplayMode").arg(5).arg(3);
}

// Such values are what a unit may report: the file takes them, and they are named.
void TestSetupFile::namesWhatCannotBeRestoredAndWhatIsUnusual()
{
    QFETCH(QString, model);
    QFETCH(QString, key);
    QFETCH(QJsonValue, value);
    QFETCH(QString, unrestorable);
    QFETCH(QString, unusual);
    const UnitModel &unit = test::modelNamed(model);
    const SetupReadResult read =
        parseSetup(withChannelValue(2, key, value, unit), QStringLiteral("f"), unit);
    QVERIFY2(read.setup, qPrintable(read.error));
    const auto described = [](const QList<SettingProblem> &problems) {
        return problems.isEmpty() ? QString() : describeProblem(problems.front());
    };
    QCOMPARE(described(qm::unrestorable(*read.setup, 2)), unrestorable);
    QCOMPARE(described(qm::unusual(*read.setup, 2)), unusual);
}

void TestSetupFile::namesBytesThatEndAFrameOfTheirOwn_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<Changes>("changes"); // of channel 12
    QTest::addColumn<QString>("unrestorable");
    const QString ends = QStringLiteral("channel 12, %1: %2: the unit would read %3 as the end of "
                                        "a frame of its own: %4 for channel 1");
    // With its length, for the zero characters it holds.
    const auto text = [](std::u16string_view line) {
        return Changes{{QStringLiteral("Text1"),
                        QString::fromUtf16(line.data(), static_cast<qsizetype>(line.size()))}};
    };
    QTest::newRow("520a text, channel data") << "520a" << text(u"ABCDEFGHI\u0002\u0000\u00fa"sv)
                                             << ends.arg("Text1", "\"ABCDEFGHI\\x02\\x00\u00fa\"",
                                                         "characters 10 to 12", "channel data");
    QTest::newRow("410a text, channel data") << "410a" << text(u"ABCDEFGHIJK\u0002\u0000\u00fa"sv)
                                             << ends.arg("Text1", "\"ABCDEFGHIJK\\x02\\x00\u00fa\"",
                                                         "characters 12 to 14", "channel data");
    QTest::newRow("text, blanking on")
        << "520a" << text(u"\u0003\u0000\u00fa"sv)
        << ends.arg("Text1", "\"\\x03\\x00\u00fa\"", "characters 1 to 3", "blanking on");
    // Counted in the line as given, though its leading space never reaches the unit.
    QTest::newRow("text after a space")
        << "520a" << text(u" \u0003\u0000\u00fa"sv)
        << "channel 12, Text1: \" \\x03\\x00\u00fa\": spaces at the ends of a line are dropped "
           "when it is sent\n" +
               ends.arg("Text1", "\" \\x03\\x00\u00fa\"", "characters 2 to 4", "blanking on");
    QTest::newRow("data, blanking on")
        << "520a" << Changes{{"TextEnables", 3}, {"AutoStop", 0}, {"LeapSeconds", 250}}
        << ends.arg("TextEnables, AutoStop and LeapSeconds", "3, 0 and 250", "these bytes",
                    "blanking on");
    QTest::newRow("data, time font")
        << "520a" << Changes{{"AutoStop", 9}, {"LeapSeconds", 0}, {"WindowMode", 250}}
        << ends.arg("AutoStop, LeapSeconds and WindowMode", "9, 0 and 250", "these bytes",
                    "time font");
    QTest::newRow("410a data, a time font it lacks")
        << "410a" << Changes{{"TimeZone", 9}, {"WindowMode", 0}, {"DisplayMode", 250}}
        << ends.arg("TimeZone, WindowMode and DisplayMode", "9, 0 and 250", "these bytes",
                    "time font, which the QM-410A lacks, so it may take any length,");
    QTest::newRow("text, one character early")
        << "520a" << text(u"ABCDEFGH\u0002\u0000\u00fa"sv) << QString();
    QTest::newRow("text, channel 13") << "520a" << text(u"\u0003\u000c\u00fa"sv) << QString();
}

// A unit may hold such values, so the file takes them; sending them would change channel 1 too.
void TestSetupFile::namesBytesThatEndAFrameOfTheirOwn()
{
    QFETCH(QString, model);
    QFETCH(Changes, changes);
    QFETCH(QString, unrestorable);
    const UnitModel &unit = test::modelNamed(model);
    const SetupReadResult read =
        parseSetup(withChanges(sampleDocument(unit), 11, changes), QStringLiteral("f"), unit);
    QVERIFY2(read.setup, qPrintable(read.error));
    QStringList described;
    for (const SettingProblem &problem : qm::unrestorable(*read.setup, 11))
        described << describeProblem(problem);
    QCOMPARE(described.join(u'\n'), unrestorable);
}

void TestSetupFile::readsOnlyRegularFilesOfSaneSize_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("/dev/zero") << "/dev/zero"
                               << "is a device, not a regular file";
    QTest::newRow("named pipe") << "fifo"
                                << "is a named pipe, not a regular file";
    QTest::newRow("folder") << "."
                            << "is a folder, not a regular file";
    QTest::newRow("1 MiB and a byte")
        << "1048577"
        << "is 1048577 bytes long; a file over 1048576 bytes is not read";
    QTest::newRow("1 MiB, read") << "1048576"
                                 << "the file is empty";
    QTest::newRow("absent") << "absent"
                            << "cannot be read: No such file or directory";
}

// No wait and no memory beyond the limit: a read of any of these returns at once.
void TestSetupFile::readsOnlyRegularFilesOfSaneSize()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QTemporaryDir folder;
    const QString path = kind.startsWith(u'/') ? kind : folder.filePath(kind);
    if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else if (kind.front().isDigit())
        QVERIFY(test::writeFile(path, QByteArray(kind.toInt(), ' ')));
    const SetupReadResult read = readSetupFile(path, qm520a());
    QVERIFY(!read.setup);
    QCOMPARE(read.error, path + ": " + message);
}

void TestSetupFile::channelListsReadAsTheOperatorWritesThem_data()
{
    QTest::addColumn<QList<int>>("indices");
    QTest::addColumn<QString>("phrase");
    QTest::newRow("one") << QList<int>{2} << "channel 3";
    QTest::newRow("two apart") << QList<int>{0, 11} << "channels 1 and 12";
    QTest::newRow("two together") << QList<int>{10, 11} << "channels 11 and 12";
    QTest::newRow("a run of three") << QList<int>{0, 1, 2} << "channels 1 to 3";
    QTest::newRow("a run to the end") << QList<int>{5, 6, 7, 8, 9, 10, 11} << "channels 6 to 12";
    QTest::newRow("single, pair and run")
        << QList<int>{0, 3, 4, 6, 7, 8, 9} << "channels 1, 4, 5 and 7 to 10";
    QTest::newRow("two runs") << QList<int>{0, 1, 2, 9, 10, 11} << "channels 1 to 3 and 10 to 12";
}

void TestSetupFile::channelListsReadAsTheOperatorWritesThem()
{
    QFETCH(QList<int>, indices);
    QFETCH(QString, phrase);
    QCOMPARE(channelsPhrase(indices), phrase);
}

QTEST_APPLESS_MAIN(TestSetupFile)

#include "test_setup_file.moc"
