#pragma once

#include "FrameSink.h"
#include "ReplyReceiver.h"
#include "SerialPort.h"

#include <QByteArrayList>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace qm {

// Joins the serial port to the reply receiver and keeps the link up. When the port fails it
// is closed, the half-received reply is abandoned and the same port is opened again; while
// the device stays away the reopen is retried on a timer, until it succeeds or the program
// opens a port itself. Command frames go out through the link: frames written while it is
// coming back wait (up to MaxQueuedBytes) and go out after the reopen; any frame that cannot
// be delivered is reported through framesDropped(), never lost without a word.
class SerialLink : public QObject, public FrameSink
{
    Q_OBJECT
public:
    static constexpr int RetryIntervalMs = 500;
    static constexpr qsizetype MaxQueuedBytes = 4096;

    SerialLink(SerialPort &port, ReplyReceiver &receiver, QObject *parent = nullptr);

    // Open, or failed and being reopened on the same port number.
    bool isOpen() const override;
    void write(const QByteArray &frame) override;

    bool isRecovering() const { return m_recoveringPort != 0; }
    void setRetryInterval(int ms) { m_retryTimer.setInterval(ms); }

signals:
    // true: the port that failed is open again. false: it could not be reopened yet and is
    // retried every RetryIntervalMs (emitted once per outage).
    void recovered(bool reopened);
    // Frames given up on: the queue was full, or the program moved to another port.
    void framesDropped(int count);

private:
    void receive();
    void recover();
    void retry();
    void reopened();
    // The program may have opened a port (or chosen another number) while the link was down.
    void noticeTakeover();
    void enqueue(const QByteArray &frame);
    void flushQueue();
    void dropQueue();

    SerialPort &m_port;
    ReplyReceiver &m_receiver;
    QTimer m_retryTimer;
    QElapsedTimer m_sinceReopen;
    QByteArrayList m_queue;
    qsizetype m_queuedBytes = 0;
    int m_recoveringPort = 0;
};

} // namespace qm
