#include "SerialLink.h"

namespace qm {

SerialLink::SerialLink(SerialPort &port, ReplyReceiver &receiver, QObject *parent)
    : QObject(parent), m_port(port), m_receiver(receiver)
{
    m_retryTimer.setSingleShot(true);
    m_retryTimer.setInterval(RetryIntervalMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &SerialLink::retry);
    connect(&m_port, &SerialPort::readyRead, this, &SerialLink::receive);
    connect(&m_port, &SerialPort::failed, this, &SerialLink::recover);
}

bool SerialLink::isOpen() const
{
    return m_port.isOpen() || (isRecovering() && m_port.portNumber() == m_recoveringPort);
}

void SerialLink::write(const QByteArray &frame)
{
    noticeTakeover();
    if (m_port.isOpen())
        m_port.write(frame);
    else if (isRecovering())
        enqueue(frame);
}

void SerialLink::receive()
{
    m_receiver.feed(m_port.readAll());
}

void SerialLink::recover()
{
    if (isRecovering())
        return;
    m_port.close();
    m_receiver.abandonFrame();
    m_recoveringPort = m_port.portNumber();
    // A device that fails again right after coming back waits out the interval, so a flapping
    // adapter cannot keep the link in a fast close-and-reopen cycle.
    const bool justReopened =
        m_sinceReopen.isValid() && m_sinceReopen.elapsed() < m_retryTimer.interval();
    if (!justReopened && m_port.open()) {
        reopened();
        return;
    }
    m_retryTimer.start();
    emit recovered(false);
}

void SerialLink::retry()
{
    noticeTakeover();
    if (!isRecovering())
        return;
    if (m_port.open())
        reopened();
    else
        m_retryTimer.start();
}

void SerialLink::reopened()
{
    m_recoveringPort = 0;
    m_sinceReopen.start();
    flushQueue();
    emit recovered(true);
}

void SerialLink::noticeTakeover()
{
    if (!isRecovering())
        return;
    const bool samePort = m_port.portNumber() == m_recoveringPort;
    if (samePort && !m_port.isOpen())
        return;
    m_retryTimer.stop();
    m_recoveringPort = 0;
    if (samePort)
        flushQueue();
    else
        dropQueue();
}

void SerialLink::enqueue(const QByteArray &frame)
{
    if (m_queuedBytes + frame.size() > MaxQueuedBytes) {
        emit framesDropped(1);
        return;
    }
    m_queue.append(frame);
    m_queuedBytes += frame.size();
}

void SerialLink::flushQueue()
{
    const QByteArrayList frames = std::exchange(m_queue, {});
    m_queuedBytes = 0;
    for (const QByteArray &frame : frames)
        m_port.write(frame);
}

void SerialLink::dropQueue()
{
    const auto count = static_cast<int>(m_queue.size());
    m_queue.clear();
    m_queuedBytes = 0;
    if (count > 0)
        emit framesDropped(count);
}

} // namespace qm
