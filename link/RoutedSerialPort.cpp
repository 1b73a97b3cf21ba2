#include "link/RoutedSerialPort.h"

#include "link/LinkTrace.h"
#include "link/NetworkAddress.h"
#include "link/NetworkSerialPort.h"
#include "link/PlatformSerialPort.h"

namespace qm {

RoutedSerialPort::RoutedSerialPort(const PortMap &map, std::unique_ptr<SerialPort> local,
                                   std::unique_ptr<SerialPort> network, QObject *parent)
    : SerialPort(parent), m_map(map), m_local(std::move(local)), m_network(std::move(network)),
      m_active(m_local.get())
{
    relay(*m_local);
    relay(*m_network);
}

// Only the port in use speaks; the other one is closed and has nothing to say.
void RoutedSerialPort::relay(SerialPort &port)
{
    connect(&port, &SerialPort::readyRead, this, [this, &port] {
        if (&port == m_active)
            emit readyRead();
    });
    connect(&port, &SerialPort::failed, this, [this, &port] {
        if (&port != m_active)
            return;
        const QString why = port.failureText();
        qCDebug(qmLinkPort).noquote()
            << traceName() << "failed:" << (why.isEmpty() ? port.errorString() : why);
        emit failed();
    });
    connect(&port, &SerialPort::connected, this, [this, &port] {
        if (&port != m_active)
            return;
        qCDebug(qmLinkPort).noquote() << traceName() << "connected";
        emit connected();
    });
}

// The device or address the port number stands for, which a trace read on site needs.
QString RoutedSerialPort::traceName() const
{
    const QString device = deviceName();
    return device.isEmpty() ? QStringLiteral("COM%1").arg(portNumber()) : device;
}

// The number changes only while closed, so the way it went before has nothing open.
void RoutedSerialPort::setPortNumber(int port)
{
    m_active = isNetworkAddress(m_map.devicePath(port)) ? m_network.get() : m_local.get();
    m_active->setPortNumber(port);
}

void RoutedSerialPort::setPortMap(const PortMap &map)
{
    m_map = map;
    m_local->setPortMap(map);
    m_network->setPortMap(map);
}

void RoutedSerialPort::setBaudRate(qint32 baudRate)
{
    m_baudRate = baudRate;
    m_local->setBaudRate(baudRate);
    m_network->setBaudRate(baudRate);
}

bool RoutedSerialPort::open()
{
    const bool opened = m_active->open();
    if (opened)
        qCDebug(qmLinkPort).noquote() << traceName() << "opened at" << m_baudRate << "baud";
    else
        qCDebug(qmLinkPort).noquote() << traceName() << "did not open:" << errorString();
    return opened;
}

void RoutedSerialPort::close()
{
    if (isOpen())
        qCDebug(qmLinkPort).noquote() << traceName() << "closed";
    m_active->close();
}

QByteArray RoutedSerialPort::readAll()
{
    QByteArray bytes = m_active->readAll();
    if (!bytes.isEmpty())
        qCDebug(qmLinkBytes).noquote() << traceName() << "in:" << traceBytes(bytes);
    return bytes;
}

void RoutedSerialPort::write(const QByteArray &frame)
{
    qCDebug(qmLinkFrames).noquote() << traceName() << "out:" << traceBytes(frame);
    m_active->write(frame);
}

bool RoutedSerialPort::waitUntilSent(int timeoutMs)
{
    qCDebug(qmLinkWait).noquote() << traceName() << "waiting up to" << timeoutMs
                                  << "ms for the frames to leave";
    const bool sent = m_active->waitUntilSent(timeoutMs);
    qCDebug(qmLinkWait).noquote() << traceName() << (sent ? "sent" : "not all sent");
    return sent;
}

std::unique_ptr<SerialPort> makeSerialPort(const PortMap &map, qint32 baudRate)
{
    auto port =
        std::make_unique<RoutedSerialPort>(map, makePlatformSerialPort(map, baudRate),
                                           std::make_unique<NetworkSerialPort>(map, baudRate));
    port->setBaudRate(baudRate);
    return port;
}

} // namespace qm
