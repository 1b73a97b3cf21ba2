#pragma once

#include "link/ReplyInput.h"
#include "link/SerialPort.h"
#include "protocol/ReplyReceiver.h"

#include <QObject>

namespace qm {

// Joins a serial port to a reply receiver: every byte the port receives goes to the receiver,
// as it arrives or when a wait asks for it. It counts what it heard, so that a search can tell
// a silent port from one that sent bytes no unit would.
class PortReader : public QObject, public ReplyInput
{
    Q_OBJECT
public:
    PortReader(SerialPort &port, ReplyReceiver *receiver, QObject *parent = nullptr);

    // Bytes from now on go to this receiver; none while it is null.
    void setReceiver(ReplyReceiver *receiver) { m_receiver = receiver; }
    void takeInput() override;
    int roundTripMs() const override { return m_port.roundTripMs(); }
    qint64 bytesHeard() const { return m_bytesHeard; }
    void resetBytesHeard() { m_bytesHeard = 0; }

private:
    SerialPort &m_port;
    ReplyReceiver *m_receiver;
    qint64 m_bytesHeard = 0;
};

} // namespace qm
