#include "Poller.h"

#include "ChannelTable.h"

namespace qm {

Poller::Poller(CommandSender &sender, SharedState &state, Waiter &waiter, QObject *parent)
    : QObject(parent), m_sender(sender), m_state(state), m_waiter(waiter)
{}

bool Poller::poll()
{
    // A second poll would run inside the first one's wait; have the first start over instead.
    if (m_running) {
        m_restart = true;
        m_waiter.interrupt();
        return false;
    }
    m_running = true;
    m_cancelled = false;
    do {
        m_restart = false;
        m_state.channelsFound = 0;
        emit started();
        for (int index = 0; index < ChannelCount && !m_restart && !m_cancelled; ++index) {
            m_sender.requestSettings(index);
            m_waiter.delay(RequestSpacingMs);
        }
    } while (m_restart && !m_cancelled);
    m_running = false;
    if (m_cancelled)
        return false;
    emit finished();
    return true;
}

void Poller::cancel()
{
    if (!m_running)
        return;
    m_cancelled = true;
    m_waiter.interrupt();
}

} // namespace qm
