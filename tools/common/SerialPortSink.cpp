#include "tools/common/SerialPortSink.h"

#include <QSerialPort>

namespace qm {

bool SerialPortSink::isOpen() const
{
    return m_port.isOpen();
}

void SerialPortSink::write(const QByteArray &frame)
{
    m_port.write(frame);
}

} // namespace qm
