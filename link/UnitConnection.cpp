#include "link/UnitConnection.h"

#include "link/NetworkAddress.h"

namespace qm {

UnitConnection::UnitConnection(const UnitModel &model, ChannelTable &table, const PortMap &portMap,
                               PortMaker makePort, Waiter &waiter,
                               PortManager::Diagnostic diagnostic)
    : m_table(table), m_model(model), m_makePort(std::move(makePort)), m_portMap(portMap),
      m_port(m_makePort(m_portMap, model)), m_prober(m_makePort(m_portMap, model)),
      m_receiver(model, table), m_link(*m_port, m_receiver), m_line(m_link, model),
      m_sender(model, table, m_line), m_portManager(*m_port, std::move(diagnostic)),
      m_poller(m_sender, m_receiver, waiter, &m_link)
{
    QObject::connect(&m_receiver, &ReplyReceiver::channelAnswered, &m_link,
                     [this](int index) { m_line.delivery().noteAnswered(index); });
    QObject::connect(
        &m_link, &SerialLink::framesDropped, &m_link,
        [this](const QByteArrayList &frames) { m_line.delivery().noteDropped(frames); });
    QObject::connect(&m_link, &SerialLink::lineLost, &m_link, [this] { m_line.setLost(true); });
}

std::unique_ptr<SerialPort> UnitConnection::makePort() const
{
    return m_makePort(m_portMap, m_model);
}

void UnitConnection::setPortDevice(int port, const QString &devicePath)
{
    m_portMap.setOverride(port, devicePath);
    m_port->setPortMap(m_portMap);
    m_prober->setPortMap(m_portMap);
}

int UnitConnection::heldPort() const
{
    return m_link.isOpen() ? m_port->portNumber() : 0;
}

int UnitConnection::portInUse() const
{
    return m_link.isOpen() || m_line.isLost() ? m_port->portNumber() : 0;
}

NamedPort UnitConnection::probedName(int port)
{
    m_prober->setPortNumber(port);
    return {port, m_prober->deviceName()};
}

int UnitConnection::firstPortWithoutDevice()
{
    for (int port = PortManager::FirstPort; port <= PortManager::LastPort; ++port) {
        m_prober->setPortNumber(port);
        if (!m_prober->deviceExists())
            return port;
    }
    return 0;
}

// Only a quiet line is lent: no poll waits on it, it is not failing, and it reaches its device
// directly (a device server's connection would have to be made again).
bool UnitConnection::lend(int port)
{
    if (m_poller.isRunning() || m_link.isRecovering() || m_link.isConnecting() ||
        !m_port->isOpen() || m_port->portNumber() != port || isNetworkAddress(m_port->deviceName()))
        return false;
    m_line.setLent(true);
    m_port->close();
    return true;
}

// The frames that waited go at the panel's speed once the port is open again; if it will not
// open, the refusal is told as for a pick, and the link names the frames as not sent.
void UnitConnection::takeBack(int port)
{
    m_portManager.openPort(port);
    m_line.setLent(false);
}

ChannelTable UnitConnection::delivered() const
{
    return m_line.delivery().delivered(m_table, m_receiver.lastReplies());
}

} // namespace qm
