#pragma once

#include "link/DeviceIdentity.h"
#include "link/PortMap.h"
#include "protocol/FrameSink.h"

#include <QByteArrayList>

#include <QObject>
#include <QString>

namespace qm {

// The panel's one serial port, numbered COM1..COM16 as the operator sees it. The real ones
// wrap QSerialPort or Win32; tests use a scripted double. Every failure is a false result or the
// failed() signal, never an exception.
class SerialPort : public QObject, public FrameSink
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Why a device that is there refused to open, as far as the operator can act on it.
    enum class RefusalCause
    {
        Other,
        NoPermission, // the user may not use the device
        InUse,        // another program (or another port of this one) holds the device
        StaleLock,    // a lock file left by a program that has ended keeps the device closed
        UnnamedLock,  // a lock file that names no program keeps the device closed
        NotSerial,    // the name is of something else: a file, a console, the program's terminal
        DeviceServer, // a device server refused or could not be reached; the detail says how
    };

    // Chooses the port for the next open(); only called while closed.
    virtual void setPortNumber(int port) = 0;
    virtual int portNumber() const = 0;
    // The devices behind the port numbers from now on, for a number the operator pointed at
    // another device while the program runs. The port picked next goes by it; one open now
    // keeps its device until it is closed.
    virtual void setPortMap(const PortMap &map) = 0;
    // The line speed for the next open(), for a search that asks each model at its own;
    // only called while closed. A port starts at the speed it was made with.
    virtual void setBaudRate(qint32 baudRate) = 0;
    // The device behind the port number, for messages ("/dev/ttyUSB0", "COM3").
    virtual QString deviceName() const = 0;
    // Whether the device exists at all, so discovery can tell "absent" from "refused".
    virtual bool deviceExists() const = 0;
    // Opens, and holds the device for this program while open, whatever name another of our
    // programs reaches it by; nothing else: a port that is only probed keeps what waits in it.
    virtual bool open() = 0;
    // The open port becomes the panel's own: input that waited from before is cleared, and the
    // open device's identity is noted so that a reopen can tell whether it is the same one.
    virtual void claim() = 0;
    virtual void close() = 0;
    virtual QString errorString() const = 0;
    // Meaningful after an open() that failed on a device that exists.
    virtual RefusalCause refusalCause() const { return RefusalCause::Other; }
    // What the cause needs said, after such an open(): the program that holds the device
    // ("qm520a-panel (process 1234)", empty when the system does not tell), the lock file, the
    // group whose members may use the device (empty when none is known), or for any other cause
    // the system's own words.
    virtual QString refusalDetail() const
    {
        return refusalCause() == RefusalCause::Other ? errorString() : QString();
    }
    // Everything waiting in the receive buffer, possibly nothing.
    virtual QByteArray readAll() = 0;
    // The device's identity as claim() noted it, as it is now behind the port number, and of
    // the device the port has open (whatever the name points at by now; empty while closed).
    virtual DeviceIdentity identity() const = 0;
    virtual DeviceIdentity presentIdentity() const = 0;
    virtual DeviceIdentity openedIdentity() const = 0;
    // Frames written but not yet taken by the driver (the first possibly cut at its start),
    // handed over so that no later open sends them by itself.
    virtual QByteArrayList takeUnsent() = 0;
    // Whether the last open() is still reaching its device: a device server across the network
    // is connected to and its line set after open() has returned true. Frames written meanwhile
    // wait in the port; connected() or failed() follows from the event loop, within a bounded
    // time. A local port is never connecting.
    virtual bool isConnecting() const { return false; }
    // How long a byte takes to the device and back beyond the line itself, measured while
    // connected; 0 for a local port.
    virtual int roundTripMs() const { return 0; }
    // Why the port failed or could not be reached, in words the operator can act on, after
    // failed(); empty where the link's own words say enough (a local port).
    virtual QString failureText() const { return {}; }
    // Blocks until the driver has taken everything written (true), or the port failed or
    // timeoutMs passed (false), so that a command-line run can close without cutting its last
    // frames short. Never on the GUI thread: nothing else runs meanwhile. A port that hands
    // each frame over as it is written has nothing to wait for.
    virtual bool waitUntilSent(int timeoutMs)
    {
        Q_UNUSED(timeoutMs);
        return true;
    }

signals:
    void readyRead();
    // A port that was connecting (see isConnecting()) now carries bytes to its device.
    void connected();
    // Reading or writing failed in a way that needs the port closed and opened again (an
    // unplugged adapter, for example). A merely full transmit buffer is not such a failure.
    void failed();
};

} // namespace qm
