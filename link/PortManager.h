#pragma once

#include "SerialPort.h"
#include "SharedState.h"

#include <functional>

namespace qm {

// Finds which of COM1..COM16 open and opens the one in use. Ports that exist but refuse to
// open are reported through the diagnostic callback (one line each) and left out.
class PortManager
{
public:
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 16;
    using Diagnostic = std::function<void(const QString &line)>;

    PortManager(SerialPort &port, SharedState &state, Diagnostic diagnostic = {});

    // Opens and closes the port, touching nothing in it.
    bool probePort(int port);
    // Fills state.portList with every port that opened, ascending; leaves the port closed.
    void findPorts();
    // Closes whatever was open and opens this port as the panel's own (stale input cleared);
    // false (and closed) when it fails.
    bool openPort(int port);
    // openPort when the port is in state.portList; otherwise false, with the port untouched.
    bool openPortIfListed(int port);

private:
    bool tryOpen(int port);
    void reportRefusal(int port);

    SerialPort &m_port;
    SharedState &m_state;
    Diagnostic m_diagnostic;
};

} // namespace qm
