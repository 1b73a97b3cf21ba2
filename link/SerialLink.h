#pragma once

#include "link/DeviceIdentity.h"
#include "link/PortReader.h"
#include "link/ReplyInput.h"
#include "link/SerialPort.h"
#include "protocol/FrameSink.h"
#include "protocol/ReplyReceiver.h"

#include <QByteArrayList>
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QTimer>

namespace qm {

// Joins the serial port to the reply receiver and brings the line back after a failure
// without ever acting on a device nobody picked. A failed port is closed, the half-received
// reply abandoned and the port opened once again at once, and kept only if the device that
// opened is the one that failed (the same USB adapter, or for other devices the same device
// number, or for a device server the same address); another device is closed again and the line
// reported lost. A device server is connected to again in the background; until it answers,
// frames are held as for a reopen. Beyond that the port is
// reopened only when the device behind it is shown to be the same USB adapter; a device that
// cannot be shown so (a pseudo-terminal, a built-in port) stays closed until the operator picks
// a port. Frames written while the line is down are held for that same device only, and for
// MaxHoldMs at most; every frame that does not reach the unit is handed to framesDropped().
class SerialLink : public QObject, public FrameSink, public ReplyInput
{
    Q_OBJECT
public:
    static constexpr int RetryIntervalMs = 500;
    static constexpr qsizetype MaxQueuedBytes = 4096;
    // Settings older than this would arrive out of the blue, long after the operator moved on.
    static constexpr int MaxHoldMs = 3000;

    SerialLink(SerialPort &port, ReplyReceiver &receiver, QObject *parent = nullptr);

    // Open, or failed and waiting for the same adapter on the same port number.
    bool isOpen() const override;
    void write(const QByteArray &frame) override;
    void takeInput() override { m_reader.takeInput(); }
    int roundTripMs() const override { return m_port.roundTripMs(); }
    // The port is still reaching its device (a device server being connected to, at first or
    // again after a failure); connectingEnded() follows.
    bool isConnecting() const { return m_port.isConnecting() || m_reconnecting; }

    bool isRecovering() const { return m_recoveringPort != 0; }
    void setRetryInterval(int ms) { m_retryTimer.setInterval(ms); }
    void setMaxHold(int ms) { m_maxHoldMs = ms; }

signals:
    // The port reached its device, or gave up reaching it.
    void connectingEnded();
    // true: the port that failed is open again. false: it could not be reopened at once and
    // waits for the same adapter (emitted once per outage).
    void recovered(bool reopened);
    // The port failed and stays closed until the operator picks a port again.
    void lineLost();
    // Frames that did not reach the unit: no port was open, the hold was full or too old, the
    // device could not be shown to be the same, or the program moved on (another port, a new
    // poll).
    void framesDropped(const QByteArrayList &frames);

private:
    struct HeldFrame
    {
        QByteArray frame;
        qint64 heldAtMs;
    };

    void recover();
    void onPortConnected();
    void retry();
    bool keepIfSameDevice();
    void reopened();
    void giveUp();
    // The operator may have picked a port while the link was down; a poll follows, which reads
    // the unit anew, and frames held from before it would undo what it shows.
    void noticeTakeover();
    void hold(const QByteArray &frame);
    void dropStale();
    void dropHeld(qsizetype count);
    void dropHeldFrames();
    void sendHeld();

    SerialPort &m_port;
    ReplyReceiver &m_receiver;
    PortReader m_reader;
    QTimer m_retryTimer;
    QElapsedTimer m_clock;
    qint64 m_reopenedAtMs = -1;
    QList<HeldFrame> m_held;
    qsizetype m_heldBytes = 0;
    int m_maxHoldMs = MaxHoldMs;
    int m_recoveringPort = 0;
    bool m_reconnecting = false; // the one reopen after a failure is still connecting
    DeviceIdentity m_lostIdentity;
};

} // namespace qm
