#pragma once

#include "link/PortWords.h"
#include "link/SerialPort.h"

#include <QList>

#include <functional>

namespace qm {

// Finds which of COM1..COM16 open, keeps that port list and opens the one in use. Ports that
// exist but refuse to open are reported through the diagnostic callback (one line each, with
// the cure) and left out.
class PortManager
{
public:
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 16;
    using Diagnostic = std::function<void(const QString &line)>;

    // A port the operator may want that did not open: its device refused, or (for a port
    // opened from the list) is not there at all.
    using Refusal = PortRefusal;
    using RefusalHandler = std::function<void(const Refusal &)>;

    explicit PortManager(SerialPort &port, Diagnostic diagnostic = {});

    // Told of each refusal besides the diagnostic line, for the window.
    void setRefusalHandler(RefusalHandler handler) { m_refusalHandler = std::move(handler); }

    // Opens and closes the port, touching nothing in it.
    bool probePort(int port);
    // Port numbers that opened when last looked for, ascending; empty when none did.
    const QList<qint16> &portList() const { return m_portList; }
    qint16 portCount() const { return static_cast<qint16>(m_portList.size()); }

    // Fills the port list with every port that opened, ascending; leaves the port closed. A port
    // mapped to a device server is listed without connecting to it.
    void findPorts();
    // Closes whatever was open and opens this port as the panel's own (stale input cleared);
    // false (and closed) when it fails.
    bool openPort(int port);
    // Lists anew the ports that open now, trying each through prober. The port in use
    // (heldPort, 0 for none) is never tried, so its line goes on undisturbed, and it stays
    // listed even when its device has gone, since the operator has to see that.
    void refreshPorts(SerialPort &prober, int heldPort);
    // openPort when the port is in the port list; otherwise false, with the port untouched.
    bool openPortIfListed(int port);
    // openPort for a port named outright (a command's --port), listed or not; a device that is
    // not there is reported too. A port with no device is left to the caller to word.
    bool openNamedPort(int port);

private:
    bool probeWith(SerialPort &prober, int port);
    // listed: the port is offered in the list, where it can be picked again.
    bool tryOpen(SerialPort &serial, int port, bool listed);
    // openPort, reporting a device that has gone or never was.
    bool openAsked(int port);
    void report(const Refusal &refusal);

    SerialPort &m_port;
    QList<qint16> m_portList;
    Diagnostic m_diagnostic;
    RefusalHandler m_refusalHandler;
};

} // namespace qm
