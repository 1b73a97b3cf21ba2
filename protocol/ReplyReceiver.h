#pragma once

#include "model/ChannelTable.h"
#include "model/UnitModel.h"

#include <QByteArrayView>
#include <QObject>

#include <array>
#include <span>

namespace qm {

inline constexpr quint8 ReplyStart = 0xFC;
inline constexpr quint8 ReplyEnd = 0xF8;
inline constexpr int ReplyDataLength = 103;
inline constexpr int ReplyFrameLength = ReplyDataLength + 2;

// Collects the bytes that arrive from the unit into settings replies and writes each good
// one into the record of the channel it names. Bytes may come in any pieces; a frame counts
// only with exactly 103 data bytes between its last start marker and its end marker.
class ReplyReceiver : public QObject
{
    Q_OBJECT
public:
    ReplyReceiver(const UnitModel &model, ChannelTable &table, QObject *parent = nullptr);

    void feed(QByteArrayView bytes);
    // After the link was reopened a half-received frame must not be completed.
    void abandonFrame() { m_replyStarted = false; }

    // Writes one reply's data bytes d[0..102] into its channel's record and reports the
    // channel. A channel index above 11 changes nothing and is not reported.
    void parseSettings(std::span<const quint8, ReplyDataLength> data);

    // Each channel's latest reply, kept apart from the table, which others change too.
    const ChannelTable &lastReplies() const { return m_lastReplies; }

    bool replyStarted() const { return m_replyStarted; }
    // The data bytes of the reply being received so far.
    int replyCount() const { return m_replyCount; }
    // Every byte fed since the receiver was made, so that a wait can tell a reply that is still
    // coming in from one that stopped.
    quint64 bytesFed() const { return m_bytesFed; }

signals:
    // A reply for this channel index was accepted, in the order the replies came: its
    // selector may be enabled, and whoever reads the unit knows which channel answered last.
    void channelAnswered(int index);

private:
    void feedByte(quint8 byte);

    const UnitModel &m_model;
    ChannelTable &m_table;
    ChannelTable m_lastReplies;
    std::array<quint8, ReplyDataLength + 1> m_buffer{};
    int m_replyCount = 0;
    quint64 m_bytesFed = 0;
    bool m_replyStarted = false;
};

// The text line a reply carries in 30 bytes: cut at the first 0x80 pad byte, nothing trimmed.
QString replyText(std::span<const quint8, 30> bytes);

} // namespace qm
