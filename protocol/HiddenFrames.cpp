#include "protocol/HiddenFrames.h"

#include "protocol/Frames.h"
#include "protocol/QuotedText.h"

#include <array>

namespace qm {

namespace {

// How a command's payload length follows from the model.
enum class Length : quint8
{
    None,
    ChannelData, // the model's data payload
    TextLine,
    TimeFont, // one byte, on a model that has the time font
};

struct CommandRow
{
    Command command;
    Length length;
    const char *name; // what the unit would do with the frame
};

constexpr std::array Commands{
    CommandRow{Command::ChannelData, Length::ChannelData, "channel data"},
    CommandRow{Command::BlankOn, Length::None, "blanking on"},
    CommandRow{Command::BlankOff, Length::None, "blanking off"},
    CommandRow{Command::Text1, Length::TextLine, "text line 1"},
    CommandRow{Command::Text2, Length::TextLine, "text line 2"},
    CommandRow{Command::Text3, Length::TextLine, "text line 3"},
    CommandRow{Command::SettingsRequest, Length::None, "a settings request"},
    CommandRow{Command::TimeFont, Length::TimeFont, "time font"},
};

constexpr int AnyLength = -1;
constexpr qsizetype Tail = 3; // command, channel, 250

const CommandRow *commandRow(quint8 code)
{
    for (const CommandRow &row : Commands) {
        if (static_cast<quint8>(row.command) == code)
            return &row;
    }
    return nullptr;
}

// A code the model lacks may still be one a unit of it takes, with a length nobody can know.
int payloadLength(const UnitModel &model, Length length)
{
    switch (length) {
    case Length::None:
        return 0;
    case Length::ChannelData:
        return static_cast<int>(model.dataPayload.size());
    case Length::TextLine:
        return TextPayloadLength;
    case Length::TimeFont:
        return model.hasTimeFont ? 1 : AnyLength;
    }
    return AnyLength;
}

QString joined(const QStringList &parts)
{
    if (parts.size() < 2)
        return parts.join(QString());
    return parts.first(parts.size() - 1).join(QStringLiteral(", ")) + QStringLiteral(" and ") +
           parts.back();
}

QString reasonFor(const UnitModel &model, const QString &what, const HiddenFrame &hidden)
{
    return QStringLiteral("the unit would read %1 as the end of a frame of its own: %2")
        .arg(what, describeHiddenFrame(model, hidden));
}

} // namespace

QList<HiddenFrame> hiddenFrames(const UnitModel &model, QByteArrayView frame)
{
    QList<HiddenFrame> found;
    // The last three bytes are the frame's own end; a 250 needs a command and a channel before it.
    for (qsizetype end = Tail - 1; end < frame.size() - Tail; ++end) {
        const auto channel = static_cast<quint8>(frame[end - 1]);
        if (static_cast<quint8>(frame[end]) != EndMarker || channel >= ChannelCount)
            continue;
        const auto command = static_cast<quint8>(frame[end - 2]);
        const CommandRow *row = commandRow(command);
        if (!row)
            continue;
        const int length = payloadLength(model, row->length);
        if (length == AnyLength || end == length + Tail - 1)
            found.append({end, command, channel, length != AnyLength});
    }
    return found;
}

QString describeHiddenFrame(const UnitModel &model, const HiddenFrame &hidden)
{
    const CommandRow *row = commandRow(hidden.command);
    const QString kind = hidden.lengthKnown
                             ? QString::fromLatin1(row->name)
                             : QStringLiteral("%1, which the %2 lacks, so it may take any length,")
                                   .arg(QString::fromLatin1(row->name), model.name);
    return QStringLiteral("%1 for channel %2").arg(kind).arg(hidden.channel + 1);
}

std::optional<SettingProblem> hiddenFrameInData(const UnitModel &model,
                                                const ChannelSettings &record, int channel)
{
    const DataPayload bytes = dataPayload(model, record);
    const QByteArrayView payload(bytes.data(), bytes.size());
    if (!payload.contains(static_cast<char>(EndMarker)))
        return std::nullopt;
    const QList<HiddenFrame> hidden = hiddenFrames(
        model, buildFrame(Command::ChannelData, static_cast<quint8>(channel), payload));
    if (hidden.isEmpty())
        return std::nullopt;
    QStringList names;
    QStringList values;
    for (qsizetype at = hidden.front().end - 2; at <= hidden.front().end; ++at) {
        const Field field = model.dataPayload[static_cast<std::size_t>(at)];
        names << QString::fromLatin1(fieldName(field));
        values << QString::number(record[field]);
    }
    return SettingProblem{channel, joined(names), joined(values),
                          reasonFor(model, QStringLiteral("these bytes"), hidden.front())};
}

std::optional<SettingProblem> hiddenFrameInText(const UnitModel &model, int line, QStringView text,
                                                int channel)
{
    const auto bytes = textPayload(text);
    const QByteArrayView payload(bytes.data(), TextPayloadLength);
    if (!payload.contains(static_cast<char>(EndMarker)))
        return std::nullopt;
    const QList<HiddenFrame> hidden =
        hiddenFrames(model, buildFrame(textCommand(line), static_cast<quint8>(channel), payload));
    if (hidden.isEmpty())
        return std::nullopt;
    // Each character of the line as sent is one byte, and only spaces are trimmed before it.
    const qsizetype leadingSpaces = trimSpaces(text).data() - text.data();
    const qsizetype last = leadingSpaces + hidden.front().end + 1;
    return SettingProblem{channel, textLineName(line), quotedText(text),
                          reasonFor(model,
                                    QStringLiteral("characters %1 to %2").arg(last - 2).arg(last),
                                    hidden.front())};
}

} // namespace qm
