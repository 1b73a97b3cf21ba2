#include "PortManager.h"

namespace qm {

PortManager::PortManager(SerialPort &port, SharedState &state, Diagnostic diagnostic)
    : m_port(port), m_state(state), m_diagnostic(std::move(diagnostic))
{}

// Open and close only: the port may belong to another program whose input waits in it.
bool PortManager::probePort(int port)
{
    const bool opened = tryOpen(port);
    m_port.close();
    return opened;
}

void PortManager::findPorts()
{
    m_state.portList.clear();
    for (int port = FirstPort; port <= LastPort; ++port) {
        if (probePort(port))
            m_state.portList.append(static_cast<qint16>(port));
    }
}

bool PortManager::openPort(int port)
{
    if (!tryOpen(port))
        return false;
    m_port.claim();
    return true;
}

bool PortManager::tryOpen(int port)
{
    if (m_port.isOpen())
        m_port.close();
    m_port.setPortNumber(port);
    // A port without a device must not reach the serial layer, which would make up a name.
    if (m_port.deviceName().isEmpty())
        return false;
    if (m_port.open())
        return true;
    reportRefusal(port);
    return false;
}

bool PortManager::openPortIfListed(int port)
{
    if (!m_state.portList.contains(port))
        return false;
    return openPort(port);
}

// An absent device is the normal case for most of the sixteen numbers; only a device that
// is there and still refuses deserves a line, since the operator can usually fix that.
void PortManager::reportRefusal(int port)
{
    if (!m_diagnostic || !m_port.deviceExists())
        return;
    m_diagnostic(
        QStringLiteral("COM%1 (%2): %3").arg(port).arg(m_port.deviceName(), m_port.errorString()));
}

} // namespace qm
