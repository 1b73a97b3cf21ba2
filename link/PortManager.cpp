#include "link/PortManager.h"

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

// Open and close only: the port may belong to another program whose input waits in it.
bool PortManager::probeWith(SerialPort &prober, int port)
{
    const bool opened = tryOpen(prober, port);
    prober.close();
    return opened;
}

bool PortManager::openPort(int port)
{
    if (!tryOpen(m_port, port))
        return false;
    m_port.claim();
    return true;
}

bool PortManager::tryOpen(SerialPort &serial, int port)
{
    if (serial.isOpen())
        serial.close();
    serial.setPortNumber(port);
    // A port without a device must not reach the serial layer, which would make up a name.
    if (serial.deviceName().isEmpty())
        return false;
    if (serial.open())
        return true;
    reportRefusal(serial);
    return false;
}

bool PortManager::openPortIfListed(int port)
{
    if (!m_portList.contains(port))
        return false;
    if (openPort(port))
        return true;
    // Discovery leaves absent devices unsaid; one the operator picked from the list has gone.
    if (m_refusalHandler && !m_port.deviceExists())
        m_refusalHandler(
            {port, m_port.deviceName(), QString(), true, SerialPort::RefusalCause::Other});
    return false;
}

// An absent device is the normal case for most of the sixteen numbers; only a device that
// is there and still refuses deserves a line, since the operator can usually fix that.
void PortManager::reportRefusal(const SerialPort &port)
{
    if (!port.deviceExists())
        return;
    if (m_diagnostic)
        m_diagnostic(describePort(port.portNumber(), port.deviceName()) + QStringLiteral(": ") +
                     port.errorString());
    if (m_refusalHandler)
        m_refusalHandler(
            {port.portNumber(), port.deviceName(), port.errorString(), false, port.refusalCause()});
}

} // namespace qm
