#include "link/SerialLink.h"

#include <algorithm>

namespace qm {

SerialLink::SerialLink(SerialPort &port, ReplyReceiver &receiver, QObject *parent)
    : QObject(parent), m_port(port), m_receiver(receiver), m_reader(port, &receiver)
{
    m_clock.start();
    m_retryTimer.setSingleShot(true);
    m_retryTimer.setInterval(RetryIntervalMs);
    connect(&m_retryTimer, &QTimer::timeout, this, &SerialLink::retry);
    connect(&m_port, &SerialPort::failed, this, &SerialLink::recover);
    connect(&m_port, &SerialPort::connected, this, &SerialLink::onPortConnected);
}

bool SerialLink::isOpen() const
{
    return m_port.isOpen() || (isRecovering() && m_port.portNumber() == m_recoveringPort);
}

// With no port open (none opened, the line lost, a pick that failed) a frame goes nowhere, and
// an edit the operator made then must not pass for sent.
void SerialLink::write(const QByteArray &frame)
{
    noticeTakeover();
    if (isRecovering())
        hold(frame);
    else if (m_port.isOpen())
        m_port.write(frame);
    else
        emit framesDropped({frame});
}

// What the driver had not taken yet is held like any frame written from now on.
void SerialLink::recover()
{
    // The one reopen did not reach the device either.
    if (m_reconnecting) {
        m_reconnecting = false;
        m_port.close();
        giveUp();
        return;
    }
    if (isRecovering())
        return;
    for (const QByteArray &frame : m_port.takeUnsent())
        hold(frame);
    m_lostIdentity = m_port.identity();
    m_port.close();
    m_receiver.abandonFrame();
    m_recoveringPort = m_port.portNumber();
    // A device that fails again right after coming back gets no instant reopen, so a flapping
    // adapter cannot keep the link in a fast close-and-reopen cycle.
    const bool justReopened =
        m_reopenedAtMs >= 0 && m_clock.elapsed() - m_reopenedAtMs < m_retryTimer.interval();
    if (!justReopened && m_port.open()) {
        if (!keepIfSameDevice())
            giveUp();
        else if (m_port.isConnecting())
            m_reconnecting = true;
        else
            reopened();
        return;
    }
    if (!m_lostIdentity.isUsb()) {
        giveUp();
        return;
    }
    m_retryTimer.start();
    emit recovered(false);
}

void SerialLink::onPortConnected()
{
    if (std::exchange(m_reconnecting, false))
        reopened();
    emit connectingEnded();
}

// Whatever now answers to the name is left alone unless it is the adapter that went away.
void SerialLink::retry()
{
    noticeTakeover();
    if (!isRecovering())
        return;
    dropStale();
    if (m_lostIdentity.isSameUsbAdapterAs(m_port.presentIdentity()) && m_port.open() &&
        keepIfSameDevice())
        reopened();
    else
        m_retryTimer.start();
}

// The name may point at another device by now, even at the instant of the failure: what
// opened is asked who it is before anything (a claim, a held frame) touches it, and another
// device is closed again untouched.
bool SerialLink::keepIfSameDevice()
{
    if (m_port.openedIdentity().isSameDeviceAs(m_lostIdentity))
        return true;
    m_port.close();
    return false;
}

void SerialLink::reopened()
{
    m_recoveringPort = 0;
    m_reopenedAtMs = m_clock.elapsed();
    m_port.claim();
    sendHeld();
    emit recovered(true);
}

void SerialLink::giveUp()
{
    m_recoveringPort = 0;
    dropHeldFrames();
    emit lineLost();
    emit connectingEnded();
}

void SerialLink::noticeTakeover()
{
    if (!isRecovering())
        return;
    if (m_port.portNumber() == m_recoveringPort && (!m_port.isOpen() || m_reconnecting))
        return;
    m_retryTimer.stop();
    m_recoveringPort = 0;
    m_reconnecting = false;
    dropHeldFrames();
}

void SerialLink::hold(const QByteArray &frame)
{
    if (m_heldBytes + frame.size() > MaxQueuedBytes) {
        emit framesDropped({frame});
        return;
    }
    m_held.append({frame, m_clock.elapsed()});
    m_heldBytes += frame.size();
}

void SerialLink::dropStale()
{
    const qint64 oldestKept = m_clock.elapsed() - m_maxHoldMs;
    const auto fresh = std::find_if(m_held.cbegin(), m_held.cend(), [oldestKept](const auto &held) {
        return held.heldAtMs >= oldestKept;
    });
    dropHeld(fresh - m_held.cbegin());
}

// The oldest count frames go, reported in the order they were written.
void SerialLink::dropHeld(qsizetype count)
{
    if (count <= 0)
        return;
    QByteArrayList dropped;
    for (const HeldFrame &held : m_held.first(count)) {
        dropped.append(held.frame);
        m_heldBytes -= held.frame.size();
    }
    m_held.remove(0, count);
    emit framesDropped(dropped);
}

void SerialLink::dropHeldFrames()
{
    dropHeld(m_held.size());
}

void SerialLink::sendHeld()
{
    dropStale();
    const QList<HeldFrame> frames = std::exchange(m_held, {});
    m_heldBytes = 0;
    for (const HeldFrame &held : frames)
        m_port.write(held.frame);
}

} // namespace qm
