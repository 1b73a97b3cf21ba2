#include "protocol/SetupFile.h"

#include "protocol/Frames.h"
#include "protocol/ReplyReceiver.h"
#include "protocol/Windows1252.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringDecoder>

#include <cmath>

namespace qm {

namespace {

const QString ModelKey = QStringLiteral("model");
const QString VersionKey = QStringLiteral("version");
const QString ChannelsKey = QStringLiteral("channels");
const QString ChannelKey = QStringLiteral("channel");
constexpr int SettingsTxtFieldCount = 13;

QString textKey(int line)
{
    return QStringLiteral("Text%1").arg(line + 1);
}

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

Checked checkRange(const UnitModel &model, Field field, double value, const QString &where,
                   const QString &shown)
{
    if (value != std::floor(value))
        return Fault{where, shown + QStringLiteral(" is not a whole number")};
    if (value < 0 || value > model.maximum(field))
        return Fault{
            where,
            QStringLiteral("%1 is out of its range 0 to %2").arg(shown).arg(model.maximum(field))};
    return std::nullopt;
}

int lineAt(const QByteArray &contents, qsizetype offset)
{
    return static_cast<int>(contents.left(offset).count('\n')) + 1;
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

Checked readJsonField(const UnitModel &model, const QJsonObject &object, Field field,
                      const QString &channelName, ChannelSettings &record)
{
    const QString name = QLatin1String(fieldName(field));
    const QString where = channelName + QStringLiteral(", ") + name;
    const QJsonValue value = object.value(name);
    if (value.isUndefined())
        return Fault{where, QStringLiteral("missing")};
    if (!value.isDouble())
        return Fault{where, describeJson(value) + QStringLiteral(" is not a number")};
    if (Checked fault = checkRange(model, field, value.toDouble(), where, describeJson(value)))
        return fault;
    record[field] = static_cast<quint8>(value.toInt());
    return std::nullopt;
}

Checked readJsonChannel(const UnitModel &model, const QJsonValue &value, int index,
                        ChannelSettings &record)
{
    const QString channelName = QStringLiteral("channel %1").arg(index + 1);
    if (!value.isObject())
        return Fault{channelName, describeJson(value) + QStringLiteral(" is not an object")};
    const QJsonObject object = value.toObject();
    if (object.contains(ChannelKey) && object.value(ChannelKey).toInt(-1) != index + 1)
        return Fault{channelName, QStringLiteral("it says it is channel %1; channels stand "
                                                 "in order 1 to 12")
                                      .arg(describeJson(object.value(ChannelKey)))};
    QStringList known{ChannelKey};
    for (Field field : model.recordFields) {
        if (Checked fault = readJsonField(model, object, field, channelName, record))
            return fault;
        known << QLatin1String(fieldName(field));
    }
    for (int line = 0; line < TextLineCount; ++line) {
        const QJsonValue text = object.value(textKey(line));
        const QString where = channelName + QStringLiteral(", ") + textKey(line);
        if (text.isUndefined())
            return Fault{where, QStringLiteral("missing")};
        if (!text.isString())
            return Fault{where, describeJson(text) + QStringLiteral(" is not a text")};
        record.texts[line] = text.toString();
        known << textKey(line);
    }
    for (const QString &key : object.keys()) {
        if (!known.contains(key))
            return Fault{channelName + QStringLiteral(", ") + quotedText(key),
                         QStringLiteral("not a field of the %1").arg(model.name)};
    }
    return std::nullopt;
}

Checked readJsonHeader(const UnitModel &model, const QJsonObject &root)
{
    const QJsonValue version = root.value(VersionKey);
    if (!version.isDouble() || version.toDouble() != CompleteSetupVersion)
        return Fault{VersionKey, QStringLiteral("%1 is not a format version this program reads "
                                                "(it reads %2)")
                                     .arg(describeJson(version))
                                     .arg(CompleteSetupVersion)};
    const QJsonValue name = root.value(ModelKey);
    if (name.toString() != model.name)
        return Fault{ModelKey, QStringLiteral("the file is for %1, not for the %2")
                                   .arg(describeJson(name), model.name)};
    const QJsonValue channels = root.value(ChannelsKey);
    if (!channels.isArray() || channels.toArray().size() != ChannelCount)
        return Fault{ChannelsKey,
                     QStringLiteral("wrong number of channels: %1, not %2")
                         .arg(channels.isArray() ? QString::number(channels.toArray().size())
                                                 : describeJson(channels))
                         .arg(ChannelCount)};
    return std::nullopt;
}

SetupReadResult parseJson(const QByteArray &contents, const QString &fileName,
                          const UnitModel &model)
{
    if (const int line = firstLineNotUtf8(contents))
        return refused(fileName,
                       {QStringLiteral("line %1").arg(line), QStringLiteral("not UTF-8")});
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(contents, &error);
    if (error.error != QJsonParseError::NoError)
        return refused(fileName, {QStringLiteral("line %1").arg(lineAt(contents, error.offset)),
                                  QStringLiteral("not valid JSON (%1)").arg(error.errorString())});
    if (!document.isObject())
        return refused(fileName, {{}, QStringLiteral("not a setup file (no JSON object)")});
    const QJsonObject root = document.object();
    if (Checked fault = readJsonHeader(model, root))
        return refused(fileName, *fault);

    Setup setup{&model, {}, model.recordFields, allChannelIndices()};
    const QJsonArray channels = root.value(ChannelsKey).toArray();
    for (int index = 0; index < ChannelCount; ++index) {
        if (Checked fault = readJsonChannel(model, channels[index], index, setup.channels[index]))
            return refused(fileName, *fault);
    }
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

// Its texts are the last three fields and may hold "|" themselves; with more than 13 fields
// any of the three texts could hold the extra separators, so such a line is refused.
Checked readExportLine(const UnitModel &model, const QString &line, int lineNumber,
                       ChannelSettings &record)
{
    const QString lineName = QStringLiteral("line %1").arg(lineNumber);
    const QStringList fields = line.split(u'|');
    if (fields.size() > SettingsTxtFieldCount)
        return Fault{lineName, QStringLiteral("%1 fields instead of %2: a text holds \"|\", and "
                                              "which of the three texts it belongs to cannot be "
                                              "told")
                                   .arg(fields.size())
                                   .arg(SettingsTxtFieldCount)};
    if (fields.size() < SettingsTxtFieldCount)
        return Fault{lineName, QStringLiteral("%1 fields instead of %2")
                                   .arg(fields.size())
                                   .arg(SettingsTxtFieldCount)};
    const qsizetype numberCount = static_cast<qsizetype>(model.exportFields.size());
    for (qsizetype i = 0; i < numberCount; ++i) {
        const Field field = model.exportFields[static_cast<std::size_t>(i)];
        const QString where =
            QStringLiteral("%1, field %2 (%3)").arg(lineName).arg(i + 1).arg(fieldName(field));
        if (Checked fault = readExportNumber(model, field, fields[i], where, record))
            return fault;
    }
    for (int text = 0; text < TextLineCount; ++text)
        record.texts[text] = fields[numberCount + text];
    return std::nullopt;
}

SetupReadResult parseSettingsTxt(const QByteArray &contents, const QString &fileName,
                                 const UnitModel &model)
{
    if (!model.exportsSettings())
        return refused(fileName, {{},
                                  QStringLiteral("not a setup file (a setup file is JSON "
                                                 "and starts with \"{\")")});
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
        if (Checked fault =
                readExportLine(model, windows1252::decode(bytes), index + 1, setup.channels[index]))
            return refused(fileName, *fault);
    }
    return {setup, {}};
}

bool looksLikeJson(const QByteArray &contents)
{
    const QByteArray start = contents.startsWith("\xEF\xBB\xBF") ? contents.mid(3) : contents;
    return start.trimmed().startsWith('{');
}

QString valueText(const ChannelSettings &record, Field field)
{
    return QString::number(record[field]);
}

} // namespace

SetupReadResult readSetupFile(const QString &path, const UnitModel &model)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {std::nullopt, path + QStringLiteral(": cannot be read: ") + file.errorString()};
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {std::nullopt, path + QStringLiteral(": cannot be read: ") + file.errorString()};
    return parseSetup(contents, path, model);
}

SetupReadResult parseSetup(const QByteArray &contents, const QString &fileName,
                           const UnitModel &model)
{
    if (looksLikeJson(contents))
        return parseJson(contents, fileName, model);
    return parseSettingsTxt(contents, fileName, model);
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
            channel.insert(textKey(line), setup.channels[index].texts[line]);
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
            differences.append({channel, QLatin1String(fieldName(field)), valueText(wanted, field),
                                valueText(unit, field)});
    }
    for (int line = 0; line < TextLineCount; ++line) {
        const auto payload = textPayload(wanted.texts[line]);
        const QString kept = replyText(std::span<const quint8, TextPayloadLength>(
            reinterpret_cast<const quint8 *>(payload.data()), TextPayloadLength));
        if (kept != unit.texts[line])
            differences.append(
                {channel, textKey(line), quotedText(kept), quotedText(unit.texts[line])});
    }
    return differences;
}

QString describeDifference(const FieldDifference &difference)
{
    return QStringLiteral("channel %1 %2: file %3, unit %4")
        .arg(difference.channel + 1)
        .arg(difference.field, difference.fileValue, difference.unitValue);
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
