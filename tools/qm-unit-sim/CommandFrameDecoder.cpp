#include "tools/qm-unit-sim/CommandFrameDecoder.h"

namespace qm::sim {

namespace {

constexpr qsizetype FrameOverhead = 3;
constexpr qsizetype LongestFrame = TextBytes + FrameOverhead;
// Garbage is reported in pieces of at most this size, so a stream of it cannot pile up.
constexpr qsizetype LongestUnparsed = 4096;

} // namespace

CommandFrameDecoder::CommandFrameDecoder(const UnitWire &wire) : m_wire(wire) {}

QList<CommandFrameDecoder::Piece> CommandFrameDecoder::feed(QByteArrayView bytes)
{
    QList<Piece> out;
    for (char byte : bytes) {
        m_buffer.append(byte);
        if (static_cast<quint8>(byte) == FrameEnd || m_buffer.size() >= LongestFrame)
            settle(false, out);
    }
    return out;
}

QList<CommandFrameDecoder::Piece> CommandFrameDecoder::flush()
{
    QList<Piece> out;
    settle(true, out);
    return out;
}

std::optional<CommandFrame> CommandFrameDecoder::frameOf(QByteArrayView bytes) const
{
    const qsizetype size = bytes.size();
    if (size < FrameOverhead || static_cast<quint8>(bytes[size - 1]) != FrameEnd)
        return std::nullopt;
    const auto command = static_cast<quint8>(bytes[size - 3]);
    const auto channel = static_cast<quint8>(bytes[size - 2]);
    const int length = payloadLength(m_wire, command);
    if (length < 0 || size != length + FrameOverhead || channel >= ChannelCount)
        return std::nullopt;
    return CommandFrame{static_cast<Code>(command), channel, bytes.first(length).toByteArray()};
}

// The shortest frame that begins at the front of the buffer, if one is complete.
std::optional<qsizetype> CommandFrameDecoder::firstFrameLength() const
{
    for (qsizetype size = FrameOverhead; size <= m_buffer.size(); ++size) {
        if (frameOf(QByteArrayView(m_buffer).first(size)))
            return size;
    }
    return std::nullopt;
}

// Takes every frame that begins at the front of the buffer. A front that no frame can begin
// with any more (the longest frame would have ended by now, or the line is quiet) is garbage.
void CommandFrameDecoder::settle(bool quiet, QList<Piece> &out)
{
    for (;;) {
        if (const auto size = firstFrameLength()) {
            takeUnparsed(out);
            const QByteArray bytes = m_buffer.first(*size);
            out.append({bytes, frameOf(bytes)});
            m_buffer.remove(0, *size);
            continue;
        }
        if (m_buffer.isEmpty() || (!quiet && m_buffer.size() < LongestFrame))
            break;
        m_unparsed.append(m_buffer.front());
        m_buffer.remove(0, 1);
        if (m_unparsed.size() >= LongestUnparsed)
            takeUnparsed(out);
    }
    if (quiet)
        takeUnparsed(out);
}

void CommandFrameDecoder::takeUnparsed(QList<Piece> &out)
{
    if (m_unparsed.isEmpty())
        return;
    out.append({m_unparsed, std::nullopt});
    m_unparsed.clear();
}

} // namespace qm::sim
