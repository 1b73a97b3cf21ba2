#include "link/Poller.h"

#include "link/NetworkSerialPort.h"
#include "link/SerialLink.h"
#include "model/ChannelTable.h"
#include "protocol/ReplyReceiver.h"

#include <QElapsedTimer>

#include <algorithm>

namespace qm {

Poller::Poller(CommandSender &sender, const ReplyReceiver &receiver, Waiter &waiter,
               const SerialLink *link, QObject *parent)
    : QObject(parent), m_sender(sender), m_waiter(waiter), m_link(link)
{
    if (m_link)
        connect(m_link, &SerialLink::connectingEnded, this, [this] {
            if (m_running)
                m_waiter.interrupt();
        });
    // The last reply counts, not the highest channel: replies for 2, 0, 1 leave 2.
    connect(&receiver, &ReplyReceiver::channelAnswered, this, [this](int index) {
        m_channelsFound = static_cast<qint16>(index + 1);
        const auto place = std::lower_bound(m_answered.begin(), m_answered.end(), index);
        if (place == m_answered.end() || *place != index)
            m_answered.insert(place, index);
    });
}

void Poller::forgetAnswers()
{
    m_answered.clear();
}

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
        m_channelsFound = 0;
        emit started();
        waitForConnection();
        for (int index = 0; index < ChannelCount && !m_restart && !m_cancelled; ++index) {
            m_sender.requestSettings(index);
            m_waiter.delay(RequestSpacingMs + (m_link ? m_link->roundTripMs() : 0));
        }
    } while (m_restart && !m_cancelled);
    m_running = false;
    if (m_cancelled)
        return false;
    emit finished(m_channelsFound);
    return true;
}

// The port bounds its own connecting; the wait here is bounded as well, in case it does not.
void Poller::waitForConnection()
{
    if (!m_link)
        return;
    QElapsedTimer waited;
    waited.start();
    constexpr int MostMs = 2 * NetworkSerialPort::ConnectTimeoutMs;
    while (m_link->isConnecting() && !m_restart && !m_cancelled && waited.elapsed() < MostMs)
        m_waiter.delay(static_cast<int>(MostMs - waited.elapsed()));
}

void Poller::cancel()
{
    if (!m_running)
        return;
    m_cancelled = true;
    m_waiter.interrupt();
}

} // namespace qm
