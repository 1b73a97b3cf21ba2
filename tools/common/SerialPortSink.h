#pragma once

#include "protocol/FrameSink.h"

class QSerialPort;

namespace qm {

// Command frames straight onto a QSerialPort, for tools that talk to a unit without a panel.
class SerialPortSink : public FrameSink
{
public:
    explicit SerialPortSink(QSerialPort &port) : m_port(port) {}

    bool isOpen() const override;
    void write(const QByteArray &frame) override;

private:
    QSerialPort &m_port;
};

} // namespace qm
