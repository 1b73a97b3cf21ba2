#include "tests/support/FakeSerialPort.h"

#include "tools/qm-unit-sim/SimulatedUnit.h"

namespace qm::test {

void FakeSerialPort::setPortNumber(int port)
{
    Q_ASSERT(!m_open);
    m_port = port;
}

QString FakeSerialPort::deviceName() const
{
    return m_deviceMap ? m_deviceMap->devicePath(m_port)
                       : QStringLiteral("/dev/ttyFAKE%1").arg(m_port);
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
    m_connecting = m_open && !presentIdentity().networkAddress.isEmpty();
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
    const QByteArray request = QByteArray(1, char(sim::Code::Request)) + '\0' + char(sim::FrameEnd);
    for (const sim::UnitWire *wire : {&sim::qm410aWire(), &sim::qm520aWire()})
        if (unitSpeed == m_baudRate && wire->baudRate == unitSpeed && frame == request)
            receive(sim::encodeReply(*wire, {}, 0));
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
