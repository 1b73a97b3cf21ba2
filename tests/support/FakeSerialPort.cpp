#include "tests/support/FakeSerialPort.h"

namespace qm::test {

void FakeSerialPort::setPortNumber(int port)
{
    Q_ASSERT(!m_open);
    m_port = port;
}

QString FakeSerialPort::deviceName() const
{
    return deviceMap ? deviceMap->devicePath(m_port) : QStringLiteral("/dev/ttyFAKE%1").arg(m_port);
}

bool FakeSerialPort::deviceExists() const
{
    return machine().present.contains(m_port) || machine().openable.contains(m_port);
}

bool FakeSerialPort::open()
{
    openAttempts << m_port;
    const FakeSerialPort &holder = machine();
    const bool held =
        holder.exclusive && &holder != this && holder.m_open && holder.m_port == m_port;
    m_open = !held && holder.openable.contains(m_port);
    m_connecting = m_open && connectsLater;
    return m_open;
}

void FakeSerialPort::claim()
{
    ++claims;
    m_incoming.clear();
    m_identity = openedIdentity();
}

void FakeSerialPort::close()
{
    if (m_open)
        ++closes;
    m_open = false;
    m_connecting = false;
    m_incoming.clear();
}

QByteArray FakeSerialPort::readAll()
{
    return std::exchange(m_incoming, {});
}

void FakeSerialPort::write(const QByteArray &frame)
{
    if (!m_open) {
        ++writesWhileClosed;
        return;
    }
    frames << frame;
    const qint32 unitSpeed = machine().unitSpeeds.value(m_port);
    if (frame == QByteArray::fromHex("0800fa") && unitSpeed != 0 && unitSpeed == baudRate)
        receive("\xfc" + QByteArray(103, '\0') + "\xf8");
}

void FakeSerialPort::receive(const QByteArray &bytes, bool announced)
{
    if (!m_open)
        return;
    m_incoming += bytes;
    if (announced)
        emit readyRead();
}

} // namespace qm::test
