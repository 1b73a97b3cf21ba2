#pragma once

#include "link/Waiter.h"
#include "protocol/CommandSender.h"

#include <QList>
#include <QObject>

namespace qm {

class ReplyReceiver;
class SerialLink;

// Asks all twelve channels for their settings, 300 ms apart, while replies come in through
// the event loop. Only one poll runs at a time: a poll requested while one runs makes the
// running one start over, and cancel() ends it; neither nests event loops. poll() runs event
// handlers inside its waits, so neither the Poller nor what it refers to may be destroyed
// while poll() is still on the stack: a window that is asked to close during a poll calls
// cancel() and closes once poll() has returned. A link to a device server is waited for until it
// has connected (or given up), and each request then waits longer by the server's round trip,
// so that a reply is neither lost nor taken for the next channel's.
class Poller : public QObject
{
    Q_OBJECT
public:
    static constexpr int RequestSpacingMs = 300;

    // link: the line the requests take, when it can be one that connects first.
    Poller(CommandSender &sender, const ReplyReceiver &receiver, Waiter &waiter,
           const SerialLink *link = nullptr, QObject *parent = nullptr);

    // Runs a poll to its end and returns true; when called while a poll runs, makes that
    // poll start over and returns false at once. A cancelled poll returns false.
    bool poll();
    // Ends the running poll early; it emits no finished().
    void cancel();
    bool isRunning() const { return m_running; }
    // The index of the last channel that answered since the last poll began, plus 1; 0 when
    // none did. Replies that come between polls count too, as the unit sent them.
    qint16 channelsFound() const { return m_channelsFound; }
    // Every channel that answered since forgetAnswers(), ascending: the channels whose records
    // hold what the unit on the port in use said.
    const QList<int> &answeredChannels() const { return m_answered; }
    // The port changes (every poll but the first follows a pick): what answered on the old
    // one no longer describes the unit.
    void forgetAnswers();

signals:
    // A poll (or a restart of one) begins: clear the selectors, show the connecting panel.
    void started();
    // All twelve requests went out and their waits ended, with channelsFound() as it stood.
    void finished(int channelsFound);

private:
    void waitForConnection();

    CommandSender &m_sender;
    Waiter &m_waiter;
    const SerialLink *m_link;
    qint16 m_channelsFound = 0;
    QList<int> m_answered;
    bool m_running = false;
    bool m_restart = false;
    bool m_cancelled = false;
};

} // namespace qm
