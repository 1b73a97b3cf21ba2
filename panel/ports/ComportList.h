#pragma once

#include "link/AdapterInfo.h"

#include <QString>

#include <functional>

class QComboBox;

namespace qm {

class MessageBoxes;
class PortManager;
class Preferences;
class SerialPort;

// The "Serial Port:" list and the port chosen in it: filled with the ports discovery found, it
// opens the stored port; a port the operator picks replaces the open one and becomes the
// chosen and stored port. Each time it
// is opened it looks at the hardware again, so an adapter plugged in later is offered.
class ComportList
{
public:
    // Which device stands behind a port number, and what that device says of itself; the
    // line speed the unit needs, for a device server whose own configuration sets the line.
    struct Devices
    {
        std::function<QString(int port)> path;
        std::function<AdapterInfo(const QString &devicePath)> adapter;
        qint32 baudRate = 0;
    };

    ComportList(QComboBox &list, PortManager &ports, SerialPort &prober, Preferences &preferences,
                MessageBoxes &messageBoxes, Devices devices);

    // The port the panel means to use (the stored one until the operator picks another), also
    // when it did not open.
    qint16 selectedPort() const { return m_selectedPort; }

    // Makes storedPort the chosen port, lists every discovered port, each with its device as
    // tool tip, and opens storedPort when it is among them. Nothing is listed or opened when
    // no port was found.
    void populate(qint16 storedPort);
    // Probes the ports anew (never heldPort, the one in use, 0 for none) and lists what opens
    // now, keeping the item shown when its port is still listed. The port in use stays even
    // when its device has gone, marked as gone.
    void refresh(qint16 heldPort);
    // Opens the port an item names. On success the port becomes the selected and stored one;
    // on failure the operator is told and both stay as they were. Returns whether it opened.
    bool pick(const QString &itemText);
    // The item that names the port; -1 when none does.
    int itemOf(qint16 port) const;

private:
    // Returns whether shownPort is among the items.
    bool fill(qint16 shownPort);
    QString toolTip(int port, bool gone) const;
    QString deviceServerToolTip(const QString &address) const;

    QComboBox &m_list;
    PortManager &m_ports;
    SerialPort &m_prober;
    Preferences &m_preferences;
    MessageBoxes &m_messageBoxes;
    Devices m_devices;
    qint16 m_selectedPort = 1;
};

} // namespace qm
