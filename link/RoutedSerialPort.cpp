#include "link/RoutedSerialPort.h"

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
        if (&port == m_active)
            emit failed();
    });
    connect(&port, &SerialPort::connected, this, [this, &port] {
        if (&port == m_active)
            emit connected();
    });
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
    m_local->setBaudRate(baudRate);
    m_network->setBaudRate(baudRate);
}

std::unique_ptr<SerialPort> makeSerialPort(const PortMap &map, qint32 baudRate)
{
    return std::make_unique<RoutedSerialPort>(map, makePlatformSerialPort(map, baudRate),
                                              std::make_unique<NetworkSerialPort>(map, baudRate));
}

} // namespace qm
