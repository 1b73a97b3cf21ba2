#include "protocol/Frames.h"

#include "model/Field.h"
#include "protocol/Windows1252.h"

namespace qm {

Command textCommand(int textIndex)
{
    if (textIndex == 1)
        return Command::Text2;
    if (textIndex == 2)
        return Command::Text3;
    return Command::Text1;
}

DataPayload dataPayload(const UnitModel &model, const ChannelSettings &record)
{
    DataPayload payload;
    for (Field field : model.dataPayload)
        payload.append(static_cast<char>(record[field]));
    return payload;
}

QByteArray buildFrame(Command command, quint8 channel, QByteArrayView payload)
{
    QByteArray frame(payload.size() + 3, Qt::Uninitialized);
    char *out = frame.data();
    std::copy(payload.begin(), payload.end(), out);
    out += payload.size();
    *out++ = static_cast<char>(command);
    *out++ = static_cast<char>(channel);
    *out = static_cast<char>(EndMarker);
    return frame;
}

std::optional<FrameAddress> frameAddress(QByteArrayView frame)
{
    constexpr qsizetype TailLength = 3;
    if (frame.size() < TailLength || static_cast<quint8>(frame.back()) != EndMarker)
        return std::nullopt;
    const FrameAddress address{static_cast<quint8>(frame.at(frame.size() - 3)),
                               static_cast<quint8>(frame.at(frame.size() - 2))};
    if (address.channel >= ChannelCount)
        return std::nullopt;
    return address;
}

void sendCommand(FrameSink &sink, Command command, quint8 channel, QByteArrayView payload,
                 bool includePayload)
{
    if (!sink.isOpen())
        return;
    const QByteArray frame =
        buildFrame(command, channel, includePayload ? payload : QByteArrayView());
    if (sink.isOpen())
        sink.write(frame);
}

QStringView trimSpaces(QStringView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first] == u' ')
        ++first;
    while (last > first && text[last - 1] == u' ')
        --last;
    return text.sliced(first, last - first);
}

std::array<char, TextPayloadLength> textPayload(QStringView text)
{
    std::array<char, TextPayloadLength> payload;
    payload.fill(static_cast<char>(TextPad));
    windows1252::encodeInto(trimSpaces(text), payload.data(), TextPayloadLength);
    return payload;
}

} // namespace qm
