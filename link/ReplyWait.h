#pragma once

#include <QtGlobal>

namespace qm {

// How long a program waits for one channel's reply, in one place for every wait that asks a
// channel. A real unit behind a USB adapter starts its reply well after the request has left the
// port (the adapter's latency timer, the unit's own work) and then sends it at line speed, so
// the wait allows FirstByteMs from the moment the request has crossed the line, and a reply
// that has begun gets its own line time on top of the same allowance. A unit behind a device
// server is further away by the network's round trip, which the first byte gets on top.
class ReplyWait
{
public:
    static constexpr int FirstByteMs = 300;
    static constexpr int BitsPerByte = 10; // start bit, 8 data bits, stop bit

    explicit ReplyWait(qint32 baudRate) : m_baudRate(baudRate) {}

    // The round trip to the unit beyond the line, as the port measured it last.
    void setRoundTrip(int roundTripMs) { m_roundTripMs = roundTripMs; }

    // How long `bytes` take to cross the line, rounded up.
    int lineTimeMs(qsizetype bytes) const
    {
        return static_cast<int>((bytes * BitsPerByte * 1000 + m_baudRate - 1) / m_baudRate);
    }
    // From the moment the bytes ahead (those written before the request, and the request) were
    // handed to the port until the reply's first byte must have come.
    int untilFirstByteMs(qsizetype bytesAhead) const
    {
        return lineTimeMs(bytesAhead) + FirstByteMs + m_roundTripMs;
    }
    // After bytes of a begun reply last came: the bytes it still lacks, and a pause as long as
    // the one allowed before its first byte (an adapter hands bytes on in bursts).
    int untilReplyEndMs(qsizetype bytesLacking) const
    {
        return lineTimeMs(bytesLacking) + FirstByteMs;
    }

private:
    qint32 m_baudRate;
    int m_roundTripMs = 0;
};

} // namespace qm
