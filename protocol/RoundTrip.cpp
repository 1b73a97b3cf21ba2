#include "protocol/RoundTrip.h"

#include "protocol/CharacterNames.h"
#include "protocol/Frames.h"
#include "protocol/HiddenFrames.h"
#include "protocol/QuotedText.h"
#include "protocol/ReplyReceiver.h"
#include "protocol/Windows1252.h"

#include <algorithm>

namespace qm {

namespace {

// Where a reply the byte marks: "starts" or "ends"; empty when it may stand inside one.
QString markerRole(quint8 byte)
{
    if (byte == ReplyStart)
        return QStringLiteral("starts");
    if (byte == ReplyEnd)
        return QStringLiteral("ends");
    return {};
}

// What one character is that keeps it from reaching the unit and coming back intact: "is not
// in the unit's character set (Windows-1252)"; empty when it can.
QString characterReason(char32_t character)
{
    const std::optional<quint8> byte = windows1252::byteFor(character);
    if (!byte)
        return QStringLiteral("is not in the unit's character set (Windows-1252)");
    if (*byte == TextPad)
        return QStringLiteral("is what the unit fills out a line with, so the unit would cut the "
                              "line there");
    if (const QString role = markerRole(*byte); !role.isEmpty())
        return QStringLiteral("marks where the unit's reply %1, so no reply could carry the line "
                              "back")
            .arg(role);
    return {};
}

bool gives(const Setup &setup, Field field)
{
    return std::find(setup.fields.begin(), setup.fields.end(), field) != setup.fields.end();
}

QString fieldText(Field field)
{
    return QString::fromLatin1(fieldName(field));
}

} // namespace

QString describeProblem(const SettingProblem &problem)
{
    return QStringLiteral("channel %1, %2: %3: %4")
        .arg(problem.channel + 1)
        .arg(problem.setting, problem.value, problem.reason);
}

QList<SettingProblem> unrestorable(const Setup &setup, int channel)
{
    QList<SettingProblem> problems;
    const ChannelSettings &record = setup.channels[channel];
    if (gives(setup, Field::Blank) && record[Field::Blank] > 1)
        problems.append({channel, fieldText(Field::Blank), QString::number(record[Field::Blank]),
                         QStringLiteral("blanking travels only as on (1) or off (0)")});
    if (const auto hidden = hiddenFrameInData(*setup.model, record, channel))
        problems.append(*hidden);
    for (int line = 0; line < TextLineCount; ++line) {
        const QString &text = record.texts[line];
        if (trimSpaces(text).size() != text.size())
            problems.append({channel, textLineName(line), quotedText(text),
                             QStringLiteral("spaces at the ends of a line are dropped when it "
                                            "is sent")});
        if (const auto hidden = hiddenFrameInText(*setup.model, line, text, channel))
            problems.append(*hidden);
    }
    return problems;
}

// Blank beyond 1 is not merely unusual: unrestorable() names it.
QList<SettingProblem> unusual(const Setup &setup, int channel)
{
    QList<SettingProblem> notes;
    const ChannelSettings &record = setup.channels[channel];
    for (Field field : setup.fields) {
        if (field != Field::Blank && record[field] > setup.model->maximum(field))
            notes.append({channel, fieldText(field), QString::number(record[field]),
                          QStringLiteral("unusual, beyond the window's 0 to %1")
                              .arg(setup.model->maximum(field))});
    }
    return notes;
}

quint8 replyMask(const UnitModel &model, Field field)
{
    quint8 mask = 0;
    for (const ReplyByte &mapping : model.replyBytes) {
        if (mapping.field == field)
            mask |= mapping.mask;
    }
    return mask;
}

std::optional<SettingProblem> markerClash(const UnitModel &model, const ChannelSettings &record,
                                          const std::vector<Field> &fields, int channel)
{
    for (const ReplyByte &first : model.replyBytes) {
        quint8 packed = 0;
        QStringList names;
        QStringList values;
        for (const ReplyByte &mapping : model.replyBytes) {
            if (mapping.dataIndex != first.dataIndex ||
                std::find(fields.begin(), fields.end(), mapping.field) == fields.end())
                continue;
            packed |= static_cast<quint8>((record[mapping.field] & mapping.mask) << mapping.shift);
            names << fieldText(mapping.field);
            values << QString::number(record[mapping.field]);
        }
        const QString role = markerRole(packed);
        if (role.isEmpty())
            continue;
        const QString reason =
            names.size() == 1
                ? QStringLiteral("in the unit's reply it would mark where the reply %1, so no "
                                 "unit can report it")
                : QStringLiteral("in the unit's reply together they would mark where the reply "
                                 "%1, so no unit can report them");
        return SettingProblem{channel, names.join(QStringLiteral(" and ")),
                              values.join(QStringLiteral(" and ")), reason.arg(role)};
    }
    return std::nullopt;
}

QString characterProblem(char32_t character)
{
    const QString reason = characterReason(character);
    return reason.isEmpty() ? QString() : QStringLiteral("it ") + reason;
}

QString textProblem(QStringView text)
{
    const QList<uint> characters = text.toUcs4();
    if (characters.size() > TextPayloadLength)
        return QStringLiteral("%1 characters; a line holds at most %2")
            .arg(characters.size())
            .arg(TextPayloadLength);
    for (char32_t character : characters) {
        if (const QString reason = characterReason(character); !reason.isEmpty())
            return withCharacterCode(quotedText(QString::fromUcs4(&character, 1)), character) +
                   u' ' + reason;
    }
    return {};
}

} // namespace qm
