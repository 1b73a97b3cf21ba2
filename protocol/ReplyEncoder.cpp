#include "protocol/ReplyEncoder.h"

#include "protocol/Frames.h"
#include "protocol/ReplyReceiver.h"
#include "protocol/Windows1252.h"

namespace qm {

namespace {

// The markers cannot occur inside a reply, so a text character that encodes to one of them
// travels as '?'.
char dataByte(quint8 byte)
{
    return static_cast<char>(byte == ReplyStart || byte == ReplyEnd ? '?' : byte);
}

} // namespace

QByteArray encodeReply(const UnitModel &model, const ChannelSettings &record, quint8 channel)
{
    QByteArray data(ReplyDataLength, '\0');
    for (const ReplyByte &mapping : model.replyBytes) {
        const auto packed =
            static_cast<quint8>((record[mapping.field] & mapping.mask) << mapping.shift);
        data[mapping.dataIndex] =
            static_cast<char>(static_cast<quint8>(data[mapping.dataIndex]) | packed);
    }
    data[model.replyChannelByte] = static_cast<char>(channel);
    for (int line = 0; line < TextLineCount; ++line) {
        const QByteArray text = windows1252::encode(record.texts[static_cast<std::size_t>(line)]);
        for (int i = 0; i < TextPayloadLength; ++i)
            data[13 + line * TextPayloadLength + i] = i < text.size()
                                                          ? dataByte(static_cast<quint8>(text[i]))
                                                          : static_cast<char>(TextPad);
    }
    QByteArray reply;
    reply.reserve(ReplyFrameLength);
    reply += static_cast<char>(ReplyStart);
    reply += data;
    reply += static_cast<char>(ReplyEnd);
    return reply;
}

} // namespace qm
