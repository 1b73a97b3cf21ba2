#pragma once

#include "link/ReplyInput.h"
#include "link/ReplyWait.h"
#include "protocol/CommandSender.h"
#include "protocol/ReplyReceiver.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace qm {

// What asking a channel needs: where the request goes, where replies are parsed, where input
// is taken from, and how long a reply may take on this line.
struct QueryLine
{
    CommandSender &sender;
    ReplyReceiver &receiver;
    ReplyInput &input;
    ReplyWait wait;
};

// One question to one channel: it sends the settings request and reports once whether the
// channel answered or stayed silent. The first byte may come as late as
// the reply allowance says; a reply that has begun is waited for to its end, within twice the
// line time of a whole reply and the allowance, so that a stream of noise cannot keep it
// waiting. Input that has arrived is always taken before the channel is called silent.
class ChannelQuery : public QObject
{
    Q_OBJECT
public:
    enum class Outcome
    {
        Pending,
        Answered,
        Silent,
    };
    Q_ENUM(Outcome)

    ChannelQuery(const QueryLine &line, int channel, QObject *parent = nullptr);

    // Sends the request. bytesAhead: what was handed to the line before it and may not have
    // crossed it yet. The asker keeps the query from before this call, so that whatever the
    // line does within the write (a reply, a failure that cancels the query) finds it.
    void ask(qsizetype bytesAhead);
    int channel() const { return m_channel; }
    Outcome outcome() const { return m_outcome; }
    // Ends the question now, whatever its outcome; no finished() follows, and the query no
    // longer touches its line.
    void cancel();

signals:
    // Once, from the event loop: never from inside the constructor, so the asker may connect
    // first, and never after the query was deleted.
    void finished();

private:
    void onAnswered(int index);
    void onDeadline();
    void settle(Outcome outcome);
    void stop();

    QueryLine m_line;
    int m_channel;
    QTimer m_deadline;
    QElapsedTimer m_clock;
    qint64 m_lastLookMs = 0; // no wait ends later than this, counted from the request
    quint64 m_bytesSeen = 0;
    Outcome m_outcome = Outcome::Pending;
    bool m_cancelled = false;
};

} // namespace qm
