#pragma once

#include "CommandSender.h"
#include "SharedState.h"
#include "Waiter.h"

#include <QObject>

namespace qm {

// Asks all twelve channels for their settings, 300 ms apart, while replies come in through
// the event loop. Only one poll runs at a time: a poll requested while one runs makes the
// running one start over, and cancel() ends it; neither nests event loops. poll() runs event
// handlers inside its waits, so neither the Poller nor what it refers to may be destroyed
// while poll() is still on the stack: a window that is asked to close during a poll calls
// cancel() and closes once poll() has returned.
class Poller : public QObject
{
    Q_OBJECT
public:
    static constexpr int RequestSpacingMs = 300;

    Poller(CommandSender &sender, SharedState &state, Waiter &waiter, QObject *parent = nullptr);

    // Runs a poll to its end and returns true; when called while a poll runs, makes that
    // poll start over and returns false at once. A cancelled poll returns false.
    bool poll();
    // Ends the running poll early; it emits no finished().
    void cancel();
    bool isRunning() const { return m_running; }

signals:
    // A poll (or a restart of one) begins: clear the selectors, show the connecting panel.
    void started();
    // All twelve requests went out and their waits ended; state.channelsFound holds the result.
    void finished();

private:
    CommandSender &m_sender;
    SharedState &m_state;
    Waiter &m_waiter;
    bool m_running = false;
    bool m_restart = false;
    bool m_cancelled = false;
};

} // namespace qm
