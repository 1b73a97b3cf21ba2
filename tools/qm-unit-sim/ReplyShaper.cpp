#include "tools/qm-unit-sim/ReplyShaper.h"

namespace qm::sim {

namespace {

bool isMarker(quint8 byte)
{
    return byte == ReplyOpen || byte == ReplyClose;
}

enum class BadFrame
{
    Short,
    Long,
    ChannelOutOfRange,
};

} // namespace

ReplyShaper::ReplyShaper(const UnitWire &wire, LineFaults faults, QRandomGenerator &random)
    : m_channelPosition(wire.channelByte + 1), m_faults(faults), m_random(random)
{}

QList<TimedPiece> ReplyShaper::shape(const QByteArray &reply)
{
    QByteArray front;
    if (m_faults.noise)
        front += noise();
    if (m_faults.badFrames && between(0, 2) == 0)
        front += badFrame(reply);

    QList<TimedPiece> out;
    if (!m_faults.split) {
        out.append({0, front + reply});
        return out;
    }
    appendPieces(out, front);
    appendPieces(out, reply);
    out.front().delayMs = 0;
    return out;
}

QByteArray ReplyShaper::noise()
{
    QByteArray bytes;
    for (int count = between(1, 8); count > 0; --count) {
        quint8 byte = 0;
        do {
            byte = static_cast<quint8>(between(0, 255));
        } while (isMarker(byte));
        bytes += static_cast<char>(byte);
    }
    return bytes;
}

QByteArray ReplyShaper::badFrame(const QByteArray &reply)
{
    QByteArray bad = reply;
    const qsizetype dataPosition = between(1, ReplyDataBytes);
    switch (static_cast<BadFrame>(between(0, 2))) {
    case BadFrame::Short:
        bad.remove(dataPosition, 1);
        break;
    case BadFrame::Long:
        bad.insert(dataPosition, bad[dataPosition]);
        break;
    case BadFrame::ChannelOutOfRange: {
        quint8 channel = 0;
        do {
            channel = static_cast<quint8>(between(ChannelCount, 255));
        } while (isMarker(channel));
        bad[m_channelPosition] = static_cast<char>(channel);
        break;
    }
    }
    return bad;
}

void ReplyShaper::appendPieces(QList<TimedPiece> &out, const QByteArray &bytes)
{
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype size = qMin<qsizetype>(between(1, 16), bytes.size() - at);
        out.append({between(1, 5), bytes.mid(at, size)});
        at += size;
    }
}

int ReplyShaper::between(int lowest, int highest)
{
    return static_cast<int>(m_random.bounded(lowest, highest + 1));
}

} // namespace qm::sim
