#pragma once

#include <QString>

#include <functional>

class QComboBox;

namespace qm {

class Notifier;
class PortManager;
class Preferences;
struct SharedState;

// The "Serial Port:" list: filled once with the ports discovery found, it opens the stored
// port; a port the operator picks replaces the open one and becomes the stored port.
class ComportList
{
public:
    using DevicePath = std::function<QString(int port)>;

    ComportList(QComboBox &list, PortManager &ports, SharedState &state, Preferences &preferences,
                Notifier &notifier, DevicePath devicePath);

    // Lists every discovered port, each with its device as tool tip, and opens currentPort
    // when it is among them. Nothing happens when no port was found.
    void populate(qint16 currentPort);
    // Opens the port an item names. On success the port becomes the selected and stored one;
    // on failure the operator is told and both stay as they were. Returns whether it opened.
    bool pick(const QString &itemText);

private:
    QComboBox &m_list;
    PortManager &m_ports;
    SharedState &m_state;
    Preferences &m_preferences;
    Notifier &m_notifier;
    DevicePath m_devicePath;
};

} // namespace qm
