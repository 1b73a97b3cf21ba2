#include "protocol/SetupFile.h"

#include "protocol/JsonSource.h"
#include "protocol/QuotedText.h"
#include "protocol/SettingsTxt.h"
#include "protocol/SetupChecks.h"

#include "process/UntrustedFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace qm {

using namespace setupcheck;

namespace {

const QString ModelKey = QStringLiteral("model");
const QString VersionKey = QStringLiteral("version");
const QString ChannelsKey = QStringLiteral("channels");
const QString ChannelKey = QStringLiteral("channel");

int lineAt(QByteArrayView contents, qsizetype offset)
{
    return static_cast<int>(contents.first(std::min(offset, contents.size())).count('\n')) + 1;
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

    Faults read(const QJsonObject &root, Setup &setup) const
    {
        Faults faults;
        if (!faults.add(readHeader(root)))
            readChannels(root.value(ChannelsKey).toArray(),
                         root.value(VersionKey).toInt() == CompleteSetupVersion, setup, faults);
        return faults;
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
    void readChannels(const QJsonArray &channels, bool complete, Setup &setup, Faults &faults) const
    {
        if (faults.add(checkCount(channels, complete)))
            return;
        setup.present.clear();
        for (int entry = 0; entry < channels.size(); ++entry) {
            const QString path = childPath(ChannelsKey, QString::number(entry));
            const QString where =
                (complete ? QStringLiteral("channel %1") : QStringLiteral("channels, entry %1"))
                    .arg(entry + 1);
            if (!channels[entry].isObject()) {
                faults.add(Fault{where, shown(channels[entry], path) +
                                            QStringLiteral(" is not an object")});
                return;
            }
            const QJsonObject object = channels[entry].toObject();
            const QJsonValue number = object.value(ChannelKey);
            const QString written = shown(number, childPath(path, ChannelKey));
            if (faults.add(complete ? checkPlace(number, entry, where, written)
                                    : checkNumber(number, where, written, setup.present)))
                return;
            const int index = complete ? entry : number.toInt() - 1;
            setup.present.append(index);
            readChannel(object, index, path, setup.channels[index], faults);
        }
    }

    static Checked checkCount(const QJsonArray &channels, bool complete)
    {
        if (complete && channels.size() != ChannelCount)
            return Fault{ChannelsKey, QStringLiteral("wrong number of channels: %1, not %2")
                                          .arg(channels.size())
                                          .arg(ChannelCount)};
        if (channels.isEmpty())
            return Fault{ChannelsKey,
                         QStringLiteral("the list is empty; a file holds at least one channel")};
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

    // A reply byte is checked only once every value in it is known to be sound.
    void readChannel(const QJsonObject &object, int index, const QString &path,
                     ChannelSettings &record, Faults &faults) const
    {
        const qsizetype before = faults.size();
        const QString channelName = QStringLiteral("channel %1").arg(index + 1);
        QStringList known{ChannelKey};
        for (Field field : m_model.recordFields) {
            faults.add(readField(object, field, channelName, path, record));
            known << QLatin1String(fieldName(field));
        }
        for (int line = 0; line < TextLineCount; ++line) {
            faults.add(readText(object, line, channelName, path, record));
            known << textLineName(line);
        }
        for (const QString &key : object.keys()) {
            if (!known.contains(key))
                faults.add(Fault{channelName + QStringLiteral(", ") + quotedText(key),
                                 QStringLiteral("not a field of the %1").arg(m_model.name)});
        }
        if (faults.size() == before)
            faults.add(checkReplyBytes(m_model, record, m_model.recordFields, channelName));
    }

    Checked readText(const QJsonObject &object, int line, const QString &channelName,
                     const QString &path, ChannelSettings &record) const
    {
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
        return std::nullopt;
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

QString shownValue(const QJsonValue &value)
{
    return value.isString() ? quotedText(value.toString()) : QString::number(value.toInt());
}

SetupReadResult parseJson(const QByteArray &contents, const QString &fileName,
                          const UnitModel &model)
{
    if (const int line = firstLineNotUtf8(contents))
        return refused(fileName,
                       {QStringLiteral("line %1").arg(line), QStringLiteral("not UTF-8")});
    // JSON allows no raw control character in a string; QJsonDocument takes a NUL in.
    if (const qsizetype nul = contents.indexOf('\0'); nul >= 0)
        return refused(fileName, {QStringLiteral("line %1").arg(lineAt(contents, nul)),
                                  QStringLiteral("not valid JSON (a raw NUL byte; a text writes "
                                                 "it as \\u0000)")});
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
    if (const Faults faults = JsonReader(model, source.numbers).read(document.object(), setup);
        !faults.isEmpty())
        return refused(fileName, faults);
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
    // settings.txt starts with a number: a list is JSON that is no setup.
    if (text.trimmed().startsWith('{') || text.trimmed().startsWith('['))
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
    return QStringLiteral("channel %1 %2: file %3, unit %4")
        .arg(difference.channel + 1)
        .arg(difference.field, shownValue(difference.fileValue), shownValue(difference.unitValue));
}

QString describeChange(const FieldDifference &difference)
{
    return QStringLiteral("%1 %2 \u2192 %3")
        .arg(difference.field, shownValue(difference.unitValue), shownValue(difference.fileValue));
}

QString textLineName(int line)
{
    return QStringLiteral("Text%1").arg(line + 1);
}

} // namespace qm
