#include "protocol/SettingsTxt.h"

#include "protocol/QuotedText.h"
#include "protocol/SetupChecks.h"
#include "protocol/Windows1252.h"

#include <QStringList>

#include <algorithm>

namespace qm {

using namespace setupcheck;

namespace {

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

Checked checkFieldCount(qsizetype count, int fieldCount, const QString &lineName)
{
    if (count > fieldCount)
        return Fault{lineName, QStringLiteral("%1 fields instead of %2: a text holds \"|\", and "
                                              "which of the three texts it belongs to cannot be "
                                              "told")
                                   .arg(count)
                                   .arg(fieldCount)};
    if (count < fieldCount)
        return Fault{lineName,
                     QStringLiteral("%1 fields instead of %2").arg(count).arg(fieldCount)};
    return std::nullopt;
}

// Its texts are the last three fields and may hold "|" themselves; with more fields than the
// model's line has, any of the three texts could hold the extra separators, so such a line is
// refused.
void readExportLine(const UnitModel &model, const QString &line, int lineNumber,
                    ChannelSettings &record, Faults &faults)
{
    const qsizetype before = faults.size();
    const QString lineName = QStringLiteral("line %1").arg(lineNumber);
    const QStringList fields = line.split(u'|');
    const int fieldCount = model.exportLineFieldCount();
    if (faults.add(checkFieldCount(fields.size(), fieldCount, lineName)))
        return;
    const qsizetype numberCount = static_cast<qsizetype>(model.exportFields.size());
    const auto where = [&](qsizetype index, const QString &name) {
        return QStringLiteral("%1, field %2 (%3)").arg(lineName).arg(index + 1).arg(name);
    };
    for (qsizetype i = 0; i < numberCount; ++i) {
        const Field field = model.exportFields[static_cast<std::size_t>(i)];
        faults.add(readExportNumber(model, field, fields[i],
                                    where(i, QLatin1String(fieldName(field))), record));
    }
    for (int text = 0; text < TextLineCount; ++text) {
        const QString &value = fields[numberCount + text];
        if (!faults.add(checkText(value, where(numberCount + text, textLineName(text)))))
            record.texts[text] = value;
    }
    if (faults.size() == before)
        faults.add(checkReplyBytes(model, record, model.exportFields, lineName));
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

} // namespace

QString exportLine(const UnitModel &model, const ChannelSettings &record)
{
    QStringList fields;
    for (Field field : model.exportFields)
        fields << QString::number(record[field]);
    for (const QString &text : record.texts)
        fields << text;
    return fields.join(u'|');
}

QByteArray exportContents(const UnitModel &model, const ChannelTable &table)
{
    QByteArray contents;
    for (int index = 0; index < ChannelTable::size(); ++index) {
        contents += windows1252::encode(exportLine(model, table[index]));
        contents += "\r\n";
    }
    return contents;
}

WriteResult exportSettings(const UnitModel &model, const ChannelTable &table, const QString &path,
                           FileOutput &output)
{
    return output.replaceWhole(path, exportContents(model, table));
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
    Faults faults;
    for (int index = 0; index < ChannelCount; ++index) {
        QByteArray bytes = lines[index];
        if (bytes.endsWith('\r'))
            bytes.chop(1);
        const QString line = *utf8 ? QString::fromUtf8(bytes) : windows1252::decode(bytes);
        readExportLine(model, line, index + 1, setup.channels[index], faults);
    }
    if (!faults.isEmpty())
        return refused(fileName, faults);
    return {setup, {}};
}

} // namespace qm
