#include "link/PortManager.h"

#include "link/DeviceKind.h"
#include "link/NetworkAddress.h"
#include "link/PortMap.h"

namespace qm {

PortManager::PortManager(SerialPort &port, Diagnostic diagnostic)
    : m_port(port), m_diagnostic(std::move(diagnostic))
{}

bool PortManager::probePort(int port)
{
    return probeWith(m_port, port);
}

void PortManager::findPorts()
{
    m_portList.clear();
    for (int port = FirstPort; port <= LastPort; ++port) {
        if (probePort(port))
            m_portList.append(static_cast<qint16>(port));
    }
}

void PortManager::refreshPorts(SerialPort &prober, int heldPort)
{
    m_portList.clear();
    for (int port = FirstPort; port <= LastPort; ++port) {
        if (port == heldPort || probeWith(prober, port))
            m_portList.append(static_cast<qint16>(port));
    }
}

// Open and close only: the port may belong to another program whose input waits in it. A device
// server takes one client at a time, so its port is offered without connecting to it.
bool PortManager::probeWith(SerialPort &prober, int port)
{
    prober.setPortNumber(port);
    if (isNetworkAddress(prober.deviceName()))
        return prober.deviceExists();
    const bool opened = tryOpen(prober, port, false);
    prober.close();
    return opened;
}

bool PortManager::openPort(int port)
{
    if (!tryOpen(m_port, port, m_portList.contains(port)))
        return false;
    m_port.claim();
    return true;
}

bool PortManager::tryOpen(SerialPort &serial, int port, bool listed)
{
    if (serial.isOpen())
        serial.close();
    serial.setPortNumber(port);
    // A port without a device must not reach the serial layer, which would make up a name.
    if (serial.deviceName().isEmpty())
        return false;
    // Frames written to a terminal or a file would reach no unit, and its keys could reach one.
    const bool network = isNetworkAddress(serial.deviceName());
    if (const QString why = network ? QString() : whyNotSerialDevice(serial.deviceName());
        !why.isEmpty()) {
        report(
            {port, serial.deviceName(), SerialPort::RefusalCause::NotSerial, why, false, listed});
        return false;
    }
    if (serial.open())
        return true;
    // An absent device is the normal case for most of the sixteen numbers; only a device that
    // is there and still refuses deserves a word, since the operator can usually fix that.
    if (serial.deviceExists())
        report(refusalOf(serial, listed));
    return false;
}

bool PortManager::openPortIfListed(int port)
{
    return m_portList.contains(port) && openAsked(port);
}

bool PortManager::openNamedPort(int port)
{
    return openAsked(port);
}

// Discovery leaves absent devices unsaid; one the operator picked from the list has gone, and
// one named outright should have been there.
bool PortManager::openAsked(int port)
{
    if (openPort(port))
        return true;
    if (!m_port.deviceName().isEmpty() && !m_port.deviceExists())
        report(refusalOf(m_port, m_portList.contains(port)));
    return false;
}

void PortManager::report(const Refusal &refusal)
{
    if (m_diagnostic)
        m_diagnostic(refusalSentences({refusal}, PortRetry::RunAgain).constFirst());
    if (m_refusalHandler)
        m_refusalHandler(refusal);
}

} // namespace qm
