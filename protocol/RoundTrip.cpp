#include "protocol/RoundTrip.h"

#include "protocol/Frames.h"
#include "protocol/Windows1252.h"

namespace qm {

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
    if (record[Field::Blank] > 1)
        problems.append({channel, QStringLiteral("Blank"), QString::number(record[Field::Blank]),
                         QStringLiteral("blanking travels only as on (1) or off (0)")});
    for (int line = 0; line < TextLineCount; ++line) {
        const QString &text = record.texts[line];
        if (trimSpaces(text).size() != text.size())
            problems.append({channel, QStringLiteral("Text%1").arg(line + 1), quotedText(text),
                             QStringLiteral("blanks at either end are trimmed when sent")});
    }
    return problems;
}

QList<SettingProblem> unusual(const Setup &setup, int channel)
{
    QList<SettingProblem> problems;
    const ChannelSettings &record = setup.channels[channel];
    for (Field field : setup.fields) {
        if (record[field] > setup.model->maximum(field))
            problems.append({channel, QLatin1String(fieldName(field)),
                             QString::number(record[field]),
                             QStringLiteral("beyond the panel's values 0 to %1")
                                 .arg(setup.model->maximum(field))});
    }
    return problems;
}

QString characterProblem(char32_t character)
{
    const quint8 byte = windows1252::toByte(character);
    if (byte == static_cast<quint8>(windows1252::Unmappable) && character != U'?')
        return QStringLiteral("it is not in the unit's character set");
    if (byte == TextPad || byte == 0xF8 || byte == 0xFC)
        return QStringLiteral("its byte is one the unit uses as a marker");
    return {};
}

} // namespace qm
