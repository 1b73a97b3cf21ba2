#include "protocol/ReplyReceiver.h"

#include "protocol/Frames.h"
#include "protocol/Windows1252.h"

#include <algorithm>

namespace qm {

namespace {

constexpr std::array<int, TextLineCount> TextOffsets = {13, 43, 73};

} // namespace

QString replyText(std::span<const quint8, 30> bytes)
{
    const auto length = std::find(bytes.begin(), bytes.end(), TextPad) - bytes.begin();
    QString text(length, Qt::Uninitialized);
    std::transform(bytes.begin(), bytes.begin() + length, text.begin(), windows1252::toChar);
    return text;
}

ReplyReceiver::ReplyReceiver(const UnitModel &model, ChannelTable &table, QObject *parent)
    : QObject(parent), m_model(model), m_table(table)
{}

void ReplyReceiver::feed(QByteArrayView bytes)
{
    m_bytesFed += static_cast<quint64>(bytes.size());
    for (char byte : bytes)
        feedByte(static_cast<quint8>(byte));
}

void ReplyReceiver::feedByte(quint8 byte)
{
    if (byte == ReplyStart) {
        m_replyStarted = true;
        m_replyCount = 0;
    } else if (byte == ReplyEnd) {
        const bool complete = m_replyStarted && m_replyCount == ReplyDataLength;
        m_replyStarted = false;
        m_replyCount = 0;
        if (complete)
            parseSettings(
                std::span<const quint8, ReplyDataLength>(m_buffer.data(), ReplyDataLength));
    } else {
        m_buffer[static_cast<std::size_t>(m_replyCount)] = byte;
        ++m_replyCount;
    }
    // An overlong frame wraps: storing starts again at position 0, still inside the frame.
    if (m_replyCount > ReplyDataLength)
        m_replyCount = 0;
}

void ReplyReceiver::parseSettings(std::span<const quint8, ReplyDataLength> data)
{
    const int index = data[m_model.replyChannelByte];
    if (!ChannelTable::isValidIndex(index))
        return;

    ChannelSettings &record = m_table[index];
    for (const ReplyByte &mapping : m_model.replyBytes)
        record[mapping.field] =
            static_cast<quint8>((data[mapping.dataIndex] >> mapping.shift) & mapping.mask);
    for (int line = 0; line < TextLineCount; ++line)
        record.texts[static_cast<std::size_t>(line)] = replyText(
            data.subspan(static_cast<std::size_t>(TextOffsets[static_cast<std::size_t>(line)]))
                .first<30>());
    m_lastReplies[index] = record;

    emit channelAnswered(index);
}

} // namespace qm
