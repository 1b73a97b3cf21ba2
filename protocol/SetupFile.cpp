#include "protocol/SetupFile.h"

#include "protocol/JsonSource.h"
#include "protocol/RoundTrip.h"
#include "protocol/Windows1252.h"

#include "process/UntrustedFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

const QString ModelKey = QStringLiteral("model");
const QString VersionKey = QStringLiteral("version");
const QString ChannelsKey = QStringLiteral("channels");
const QString ChannelKey = QStringLiteral("channel");
constexpr QByteArrayView Utf8Bom = "\xEF\xBB\xBF";

// Each check stops at the first fault; the message is built where the fault is seen.
struct Fault
{
    QString where; // "line 4, field 9 (HorizPos)", "channel 3, HorizSize", "" for the file
    QString what;
};

using Checked = std::optional<Fault>;

SetupReadResult refused(const QString &fileName, const Fault &fault)
{
    const QString where = fault.where.isEmpty() ? QString() : fault.where + QStringLiteral(": ");
    return {std::nullopt, fileName + QStringLiteral(": ") + where + fault.what};
}

// A byte field takes what its reply bits can carry back, whatever the window offers.
Checked checkRange(const UnitModel &model, Field field, double value, const QString &where,
                   const QString &shown)
{
    if (value != std::floor(value))
        return Fault{where, shown + QStringLiteral(" is not a whole number")};
    const int maximum = replyMask(model, field);
    if (value < 0 || value > maximum)
        return Fault{where,
                     QStringLiteral("%1 is out of its range 0 to %2").arg(shown).arg(maximum)};
    return std::nullopt;
}

Checked checkText(const QString &text, const QString &where)
{
    if (const QString problem = textProblem(text); !problem.isEmpty())
        return Fault{where, quotedText(text) + QStringLiteral(": ") + problem};
    return std::nullopt;
}

// A record whose values would put a marker into a reply cannot have come from a unit.
Checked checkReplyBytes(const UnitModel &model, const ChannelSettings &record,
                        const std::vector<Field> &fields, const QString &where)
{
    if (const std::optional<SettingProblem> clash = markerClash(model, record, fields, 0))
        return Fault{where + QStringLiteral(", ") + clash->setting,
                     clash->value + QStringLiteral(": ") + clash->reason};
    return std::nullopt;
}

int lineAt(QByteArrayView contents, qsizetype offset)
{
    return static_cast<int>(contents.first(std::min(offset, contents.size())).count('\n')) + 1;
}

// The line of the first byte sequence that is not UTF-8, or 0 when all of it is.
int firstLineNotUtf8(const QByteArray &contents)
{
    const QList<QByteArray> lines = contents.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString decoded = decoder(lines[i]);
        if (decoder.hasError())
            return static_cast<int>(i) + 1;
    }
    return 0;
}

QString describeJson(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::String:
        return quotedText(value.toString());
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Double:
        return QString::number(value.toDouble());
    case QJsonValue::Array:
        return QStringLiteral("a list");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    default:
        return QStringLiteral("null");
    }
}

QString childPath(const QString &path, const QString &name)
{
    return path + u'/' + name;
}

// Reads the JSON form, naming numbers as the file writes them.
class JsonReader
{
public:
    JsonReader(const UnitModel &model, const QHash<QString, QString> &numbers)
        : m_model(model), m_numbers(numbers)
    {}

    Checked read(const QJsonObject &root, Setup &setup) const
    {
        if (Checked fault = readHeader(root))
            return fault;
        return readChannels(root.value(ChannelsKey).toArray(),
                            root.value(VersionKey).toInt() == CompleteSetupVersion, setup);
    }

private:
    QString shown(const QJsonValue &value, const QString &path) const
    {
        return value.isDouble() ? m_numbers.value(path, describeJson(value)) : describeJson(value);
    }

    Checked readHeader(const QJsonObject &root) const
    {
        const QJsonValue version = root.value(VersionKey);
        if (version.toDouble() != CompleteSetupVersion && version.toDouble() != PartialSetupVersion)
            return Fault{VersionKey, QStringLiteral("%1 is not a format version this program "
                                                    "reads (it reads %2 and %3)")
                                         .arg(shown(version, VersionKey))
                                         .arg(CompleteSetupVersion)
                                         .arg(PartialSetupVersion)};
        const QJsonValue name = root.value(ModelKey);
        if (name.toString() != m_model.name)
            return Fault{ModelKey, QStringLiteral("the file is for %1, not for the %2")
                                       .arg(describeJson(name), m_model.name)};
        const QJsonValue channels = root.value(ChannelsKey);
        if (!channels.isArray())
            return Fault{ChannelsKey,
                         shown(channels, ChannelsKey) + QStringLiteral(" is not a list")};
        for (const QString &key : root.keys()) {
            if (key != VersionKey && key != ModelKey && key != ChannelsKey)
                return Fault{quotedText(key), QStringLiteral("not a key of a setup file (it "
                                                             "has model, version and channels)")};
        }
        return std::nullopt;
    }

    // Version 1 holds every channel in order, version 2 the channels a unit answered for, each
    // naming itself, in ascending order.
    Checked readChannels(const QJsonArray &channels, bool complete, Setup &setup) const
    {
        if (complete && channels.size() != ChannelCount)
            return Fault{ChannelsKey, QStringLiteral("wrong number of channels: %1, not %2")
                                          .arg(channels.size())
                                          .arg(ChannelCount)};
        if (channels.isEmpty())
            return Fault{ChannelsKey,
                         QStringLiteral("the list is empty; a file holds at least one channel")};
        setup.present.clear();
        for (int entry = 0; entry < channels.size(); ++entry) {
            const QString path = childPath(ChannelsKey, QString::number(entry));
            const QString where =
                (complete ? QStringLiteral("channel %1") : QStringLiteral("channels, entry %1"))
                    .arg(entry + 1);
            if (!channels[entry].isObject())
                return Fault{where,
                             shown(channels[entry], path) + QStringLiteral(" is not an object")};
            const QJsonObject object = channels[entry].toObject();
            const QJsonValue number = object.value(ChannelKey);
            const QString written = shown(number, childPath(path, ChannelKey));
            if (Checked fault = complete ? checkPlace(number, entry, where, written)
                                         : checkNumber(number, where, written, setup.present))
                return fault;
            const int index = complete ? entry : number.toInt() - 1;
            setup.present.append(index);
            if (Checked fault = readChannel(object, index, path, setup.channels[index]))
                return fault;
        }
        return std::nullopt;
    }

    // In version 1 a channel number is optional, but where given it must be the right one.
    static Checked checkPlace(const QJsonValue &number, int entry, const QString &where,
                              const QString &written)
    {
        if (number.isUndefined() || number.toDouble() == entry + 1)
            return std::nullopt;
        return Fault{where,
                     QStringLiteral("it says it is channel %1; channels stand in order 1 to 12")
                         .arg(written)};
    }

    static Checked checkNumber(const QJsonValue &number, const QString &where,
                               const QString &written, const QList<int> &before)
    {
        if (number.isUndefined())
            return Fault{where, QStringLiteral("\"channel\" is missing; in a file of version 2 "
                                               "each channel names itself")};
        const double value = number.toDouble();
        if (value != std::floor(value) || value < 1 || value > ChannelCount)
            return Fault{where, QStringLiteral("%1 is not a channel number (1 to %2)")
                                    .arg(written)
                                    .arg(ChannelCount)};
        const int index = static_cast<int>(value) - 1;
        if (before.isEmpty() || index > before.last())
            return std::nullopt;
        if (before.contains(index))
            return Fault{ChannelsKey, QStringLiteral("channel %1 stands twice").arg(index + 1)};
        return Fault{ChannelsKey, QStringLiteral("channel %1 stands after channel %2; channels "
                                                 "stand in ascending order")
                                      .arg(index + 1)
                                      .arg(before.last() + 1)};
    }

    Checked readChannel(const QJsonObject &object, int index, const QString &path,
                        ChannelSettings &record) const
    {
        const QString channelName = QStringLiteral("channel %1").arg(index + 1);
        QStringList known{ChannelKey};
        for (Field field : m_model.recordFields) {
            if (Checked fault = readField(object, field, channelName, path, record))
                return fault;
            known << QLatin1String(fieldName(field));
        }
        for (int line = 0; line < TextLineCount; ++line) {
            const QJsonValue text = object.value(textLineName(line));
            const QString where = channelName + QStringLiteral(", ") + textLineName(line);
            if (text.isUndefined())
                return Fault{where, QStringLiteral("missing")};
            if (!text.isString())
                return Fault{where, shown(text, childPath(path, textLineName(line))) +
                                        QStringLiteral(" is not a text")};
            if (Checked fault = checkText(text.toString(), where))
                return fault;
            record.texts[line] = text.toString();
            known << textLineName(line);
        }
        for (const QString &key : object.keys()) {
            if (!known.contains(key))
                return Fault{channelName + QStringLiteral(", ") + quotedText(key),
                             QStringLiteral("not a field of the %1").arg(m_model.name)};
        }
        return checkReplyBytes(m_model, record, m_model.recordFields, channelName);
    }

    Checked readField(const QJsonObject &object, Field field, const QString &channelName,
                      const QString &path, ChannelSettings &record) const
    {
        const QString name = QLatin1String(fieldName(field));
        const QString where = channelName + QStringLiteral(", ") + name;
        const QJsonValue value = object.value(name);
        const QString written = shown(value, childPath(path, name));
        if (value.isUndefined())
            return Fault{where, QStringLiteral("missing")};
        if (!value.isDouble())
            return Fault{where, written + QStringLiteral(" is not a number")};
        if (Checked fault = checkRange(m_model, field, value.toDouble(), where, written))
            return fault;
        record[field] = static_cast<quint8>(value.toInt());
        return std::nullopt;
    }

    const UnitModel &m_model;
    const QHash<QString, QString> &m_numbers;
};

SetupReadResult parseJson(const QByteArray &contents, const QString &fileName,
                          const UnitModel &model)
{
    if (const int line = firstLineNotUtf8(contents))
        return refused(fileName,
                       {QStringLiteral("line %1").arg(line), QStringLiteral("not UTF-8")});
    QJsonParseError error;
    const QJsonDocument document = parseJsonText(contents, &error);
    if (error.error != QJsonParseError::NoError)
        return refused(fileName, {QStringLiteral("line %1").arg(lineAt(contents, error.offset)),
                                  QStringLiteral("not valid JSON (%1)").arg(error.errorString())});
    if (!document.isObject())
        return refused(fileName, {{}, QStringLiteral("not a setup file (no JSON object)")});
    const JsonSource source = scanJson(contents);
    if (source.repeatedAt >= 0)
        return refused(fileName,
                       {QStringLiteral("line %1").arg(lineAt(contents, source.repeatedAt)),
                        QStringLiteral("%1 stands twice in one object; each key may "
                                       "stand once")
                            .arg(quotedText(source.repeatedKey))});
    Setup setup{&model, {}, model.recordFields, {}};
    if (Checked fault = JsonReader(model, source.numbers).read(document.object(), setup))
        return refused(fileName, *fault);
    return {setup, {}};
}

// Only digits, as the panel writes them; anything else would be a guess.
Checked readExportNumber(const UnitModel &model, Field field, const QString &text,
                         const QString &where, ChannelSettings &record)
{
    bool digitsOnly = !text.isEmpty() && text.size() <= 3;
    for (QChar c : text)
        digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
    if (!digitsOnly)
        return Fault{where, quotedText(text) + QStringLiteral(" is not a number")};
    if (Checked fault = checkRange(model, field, text.toInt(), where, text))
        return fault;
    record[field] = static_cast<quint8>(text.toInt());
    return std::nullopt;
}

// Its texts are the last three fields and may hold "|" themselves; with more fields than the
// model's line has, any of the three texts could hold the extra separators, so such a line is
// refused.
Checked readExportLine(const UnitModel &model, const QString &line, int lineNumber,
                       ChannelSettings &record)
{
    const QString lineName = QStringLiteral("line %1").arg(lineNumber);
    const QStringList fields = line.split(u'|');
    const int fieldCount = model.exportLineFieldCount();
    if (fields.size() > fieldCount)
        return Fault{lineName, QStringLiteral("%1 fields instead of %2: a text holds \"|\", and "
                                              "which of the three texts it belongs to cannot be "
                                              "told")
                                   .arg(fields.size())
                                   .arg(fieldCount)};
    if (fields.size() < fieldCount)
        return Fault{lineName,
                     QStringLiteral("%1 fields instead of %2").arg(fields.size()).arg(fieldCount)};
    const qsizetype numberCount = static_cast<qsizetype>(model.exportFields.size());
    const auto where = [&](qsizetype index, const QString &name) {
        return QStringLiteral("%1, field %2 (%3)").arg(lineName).arg(index + 1).arg(name);
    };
    for (qsizetype i = 0; i < numberCount; ++i) {
        const Field field = model.exportFields[static_cast<std::size_t>(i)];
        if (Checked fault = readExportNumber(model, field, fields[i],
                                             where(i, QLatin1String(fieldName(field))), record))
            return fault;
    }
    for (int text = 0; text < TextLineCount; ++text) {
        const QString &value = fields[numberCount + text];
        if (Checked fault = checkText(value, where(numberCount + text, textLineName(text))))
            return fault;
        record.texts[text] = value;
    }
    return checkReplyBytes(model, record, model.exportFields, lineName);
}

// The panel writes settings.txt in the unit's character set, Windows-1252. One saved again
// as UTF-8 (it starts with UTF-8's byte-order mark, or it has bytes beyond ASCII that all
// form UTF-8) is read as UTF-8, so that "Müller" does not come back as "MÃ¼ller".
std::optional<bool> settingsTxtIsUtf8(const QByteArray &contents, bool markedUtf8)
{
    const bool validUtf8 = firstLineNotUtf8(contents) == 0;
    if (markedUtf8)
        return validUtf8 ? std::optional<bool>(true) : std::nullopt;
    const bool beyondAscii =
        std::any_of(contents.begin(), contents.end(), [](char c) { return (c & 0x80) != 0; });
    return validUtf8 && beyondAscii;
}

SetupReadResult parseSettingsTxt(const QByteArray &contents, bool markedUtf8,
                                 const QString &fileName, const UnitModel &model)
{
    if (!model.exportsSettings())
        return refused(fileName, {{},
                                  QStringLiteral("not a setup file (a setup file is JSON "
                                                 "and starts with \"{\")")});
    const std::optional<bool> utf8 = settingsTxtIsUtf8(contents, markedUtf8);
    if (!utf8)
        return refused(fileName, {QStringLiteral("line %1").arg(firstLineNotUtf8(contents)),
                                  QStringLiteral("not UTF-8, though the file starts with "
                                                 "UTF-8's byte-order mark")});
    QList<QByteArray> lines = contents.split('\n');
    if (lines.size() > 1 && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() != ChannelCount)
        return refused(fileName, {{},
                                  QStringLiteral("wrong number of channels: %1 lines, not %2")
                                      .arg(lines.size())
                                      .arg(ChannelCount)});
    Setup setup{&model, {}, model.exportFields, allChannelIndices()};
    for (int index = 0; index < ChannelCount; ++index) {
        QByteArray bytes = lines[index];
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        const QString line = *utf8 ? QString::fromUtf8(bytes) : windows1252::decode(bytes);
        if (Checked fault = readExportLine(model, line, index + 1, setup.channels[index]))
            return refused(fileName, *fault);
    }
    return {setup, {}};
}

// Text files of other encodings read as nonsense here; UTF-16 is what some editors save.
bool looksLikeUtf16(const QByteArray &contents)
{
    if (contents.startsWith("\xFF\xFE") || contents.startsWith("\xFE\xFF"))
        return true;
    return contents.size() >= 2 && (contents[0] == '\0') != (contents[1] == '\0');
}

} // namespace

SetupReadResult readSetupFile(const QString &path, const UnitModel &model)
{
    const UntrustedFile file = readUntrustedFile(path);
    if (!file.problem.isEmpty())
        return {std::nullopt, path + QStringLiteral(": ") + file.problem};
    return parseSetup(file.contents, path, model);
}

SetupReadResult parseSetup(const QByteArray &contents, const QString &fileName,
                           const UnitModel &model)
{
    if (looksLikeUtf16(contents))
        return refused(fileName, {{}, QStringLiteral("the file is UTF-16; save it as UTF-8")});
    const bool markedUtf8 = contents.startsWith(Utf8Bom);
    const QByteArray text = markedUtf8 ? contents.sliced(Utf8Bom.size()) : contents;
    if (text.trimmed().isEmpty())
        return refused(fileName, {{}, QStringLiteral("the file is empty")});
    if (text.trimmed().startsWith('{'))
        return parseJson(text, fileName, model);
    return parseSettingsTxt(text, markedUtf8, fileName, model);
}

Setup Setup::of(const UnitModel &model, const ChannelTable &table, const QList<int> &present)
{
    return {&model, table, model.recordFields, present};
}

QByteArray setupJson(const Setup &setup)
{
    QJsonArray list;
    for (int index : setup.present) {
        QJsonObject channel{{ChannelKey, index + 1}};
        for (Field field : setup.fields)
            channel.insert(QLatin1String(fieldName(field)), setup.channels[index][field]);
        for (int line = 0; line < TextLineCount; ++line)
            channel.insert(textLineName(line), setup.channels[index].texts[line]);
        list.append(channel);
    }
    const int version =
        setup.present.size() == ChannelCount ? CompleteSetupVersion : PartialSetupVersion;
    const QJsonObject root{
        {ModelKey, setup.model->name}, {VersionKey, version}, {ChannelsKey, list}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

WriteResult writeSetupFile(const QString &path, const Setup &setup, FileOutput &output)
{
    return output.replaceWhole(path, setupJson(setup));
}

QList<FieldDifference> channelDifferences(const Setup &setup, int channel,
                                          const ChannelSettings &unit)
{
    QList<FieldDifference> differences;
    const ChannelSettings &wanted = setup.channels[channel];
    for (Field field : setup.fields) {
        if (wanted[field] != unit[field])
            differences.append(
                {channel, QLatin1String(fieldName(field)), wanted[field], unit[field]});
    }
    for (int line = 0; line < TextLineCount; ++line) {
        if (wanted.texts[line] != unit.texts[line])
            differences.append({channel, textLineName(line), wanted.texts[line], unit.texts[line]});
    }
    return differences;
}

QString describeDifference(const FieldDifference &difference)
{
    const auto text = [](const QJsonValue &value) {
        return value.isString() ? quotedText(value.toString()) : QString::number(value.toInt());
    };
    return QStringLiteral("channel %1 %2: file %3, unit %4")
        .arg(difference.channel + 1)
        .arg(difference.field, text(difference.fileValue), text(difference.unitValue));
}

QString textLineName(int line)
{
    return QStringLiteral("Text%1").arg(line + 1);
}

QString channelNumbers(const QList<int> &indices)
{
    QStringList numbers;
    for (int index : indices)
        numbers << QString::number(index + 1);
    return numbers.join(QStringLiteral(", "));
}

QString quotedText(QStringView text)
{
    QString quoted = QStringLiteral("\"");
    for (char32_t c : text.toUcs4()) {
        if (c == U'\\' || c == U'"')
            quoted += u'\\' + QString(QChar(c));
        else if (QChar::isPrint(c))
            quoted += QString::fromUcs4(&c, 1);
        else if (c < 0x100)
            quoted += QStringLiteral("\\x%1").arg(static_cast<uint>(c), 2, 16, QLatin1Char('0'));
        else
            quoted += QStringLiteral("\\u%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0'));
    }
    return quoted + u'"';
}

} // namespace qm
