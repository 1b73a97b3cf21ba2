#pragma once

#include "link/Poller.h"
#include "link/PortManager.h"
#include "link/PortMap.h"
#include "link/PortWords.h"
#include "link/SerialLink.h"
#include "link/SerialPort.h"
#include "link/UnitLine.h"
#include "link/Waiter.h"
#include "model/ChannelTable.h"
#include "model/UnitModel.h"
#include "protocol/CommandSender.h"
#include "protocol/ReplyReceiver.h"

#include <functional>
#include <memory>

namespace qm {

// A panel's connection to its unit: the serial port and the line over it, the replies read into
// the channel table and the table's settings sent, the port list, the poll, and a second port on
// the same devices that only looks at ports and never carries the line.
class UnitConnection
{
public:
    // A port at the model's line speed, with its devices from the map.
    using PortMaker =
        std::function<std::unique_ptr<SerialPort>(const PortMap &, const UnitModel &)>;

    // The table must outlive the connection.
    UnitConnection(const UnitModel &model, ChannelTable &table, const PortMap &portMap,
                   PortMaker makePort, Waiter &waiter, PortManager::Diagnostic diagnostic);
    UnitConnection(const UnitConnection &) = delete;
    UnitConnection &operator=(const UnitConnection &) = delete;

    SerialPort &port() const { return *m_port; }
    ReplyReceiver &receiver() { return m_receiver; }
    const ReplyReceiver &receiver() const { return m_receiver; }
    SerialLink &link() { return m_link; }
    UnitLine &line() { return m_line; }
    const UnitLine &line() const { return m_line; }
    CommandSender &sender() { return m_sender; }
    PortManager &portManager() { return m_portManager; }
    const PortManager &portManager() const { return m_portManager; }
    Poller &poller() { return m_poller; }
    const Poller &poller() const { return m_poller; }
    SerialPort &prober() const { return *m_prober; }
    const PortMap &portMap() const { return m_portMap; }

    // One more port on the same devices, for whatever asks ports apart from the line.
    std::unique_ptr<SerialPort> makePort() const;
    // From now on the port number reaches this device (an empty path: its own again).
    void setPortDevice(int port, const QString &devicePath);

    // The port the link holds, also while it waits for its adapter to come back; 0 for none.
    int heldPort() const;
    // A port the link is bringing back after a failure, or one whose line was lost, is still
    // the one in use until the operator picks a port; 0 for none.
    int portInUse() const;
    // The port as the prober names it; the prober stays closed.
    NamedPort probedName(int port);
    // The first port number no device has, 0 when every one has a device.
    int firstPortWithoutDevice();

    // The port goes to someone else for a while (true) or is refused; frames meanwhile wait.
    bool lend(int port);
    void takeBack(int port);

    // The table as it stands, but with what never reached the unit as the unit last said it.
    ChannelTable delivered() const;

private:
    ChannelTable &m_table;
    const UnitModel &m_model;
    PortMaker m_makePort;
    PortMap m_portMap;
    std::unique_ptr<SerialPort> m_port;
    std::unique_ptr<SerialPort> m_prober;
    ReplyReceiver m_receiver;
    SerialLink m_link;
    UnitLine m_line;
    CommandSender m_sender;
    PortManager m_portManager;
    Poller m_poller;
};

} // namespace qm
