#include "link/ChannelQuery.h"

#include "link/LinkTrace.h"
#include "protocol/Frames.h"

#include <algorithm>

namespace qm {

namespace {

constexpr qsizetype RequestLength = 3; // command, channel, end marker

} // namespace

ChannelQuery::ChannelQuery(const QueryLine &line, int channel, QObject *parent)
    : QObject(parent), m_line(line), m_channel(channel)
{
    m_deadline.setSingleShot(true);
    // A coarse timer may fire up to 5% early, and the allowance is a least.
    m_deadline.setTimerType(Qt::PreciseTimer);
    connect(&m_deadline, &QTimer::timeout, this, &ChannelQuery::onDeadline);
}

void ChannelQuery::ask(qsizetype bytesAhead)
{
    m_line.wait.setRoundTrip(m_line.input.roundTripMs());
    const int firstByteMs = m_line.wait.untilFirstByteMs(bytesAhead + RequestLength);
    // A begun reply may come in at half the line's speed, an adapter handing it on in bursts,
    // before a stream that never ends as a reply is given up.
    m_lastLookMs = firstByteMs + 2 * m_line.wait.untilReplyEndMs(ReplyFrameLength);
    m_bytesSeen = m_line.receiver.bytesFed();
    connect(&m_line.receiver, &ReplyReceiver::channelAnswered, this, &ChannelQuery::onAnswered);
    m_clock.start();
    m_line.sender.requestSettings(m_channel);
    // A line that answers (or fails) within the write has settled the question already.
    if (m_outcome == Outcome::Pending && !m_cancelled) {
        qCDebug(qmLinkWait) << "channel" << m_channel + 1 << "asked; its reply may take"
                            << firstByteMs << "ms to begin";
        m_deadline.start(firstByteMs);
    }
}

// Replies of other channels (a late one of a channel given up on) do not end this question.
void ChannelQuery::onAnswered(int index)
{
    if (index == m_channel && m_outcome == Outcome::Pending)
        settle(Outcome::Answered);
}

void ChannelQuery::onDeadline()
{
    m_line.input.takeInput();
    if (m_outcome != Outcome::Pending)
        return;
    const quint64 fed = m_line.receiver.bytesFed();
    const qint64 leftMs = m_lastLookMs - m_clock.elapsed();
    if (m_line.receiver.replyStarted() && fed != m_bytesSeen && leftMs > 0) {
        m_bytesSeen = fed;
        const qsizetype lacking = ReplyDataLength + 1 - m_line.receiver.replyCount();
        const int moreMs =
            static_cast<int>(std::min<qint64>(m_line.wait.untilReplyEndMs(lacking), leftMs));
        qCDebug(qmLinkWait) << "channel" << m_channel + 1 << "reply begun; waiting" << moreMs
                            << "ms more for its end";
        m_deadline.start(moreMs);
        return;
    }
    settle(Outcome::Silent);
}

void ChannelQuery::settle(Outcome outcome)
{
    m_outcome = outcome;
    qCDebug(qmLinkWait) << "channel" << m_channel + 1
                        << (outcome == Outcome::Answered ? "answered after" : "silent after")
                        << m_clock.elapsed() << "ms";
    stop();
    QTimer::singleShot(0, this, [this] {
        if (!m_cancelled)
            emit finished();
    });
}

void ChannelQuery::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    stop();
}

void ChannelQuery::stop()
{
    m_deadline.stop();
    disconnect(&m_line.receiver, nullptr, this, nullptr);
}

} // namespace qm
