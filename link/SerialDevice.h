#pragma once

#include "link/SerialPort.h"

#include <QSerialPort>
#include <QString>

#include <optional>

// What QtSerialPort asks of the operating system about a serial device beyond what QSerialPort
// tells, on the systems where the port is QSerialPort (SerialDevicePosix.cpp). On Windows the
// port is WinSerialPort, which asks Win32 itself: a COM port opens for one program only, so
// there is no lock to take; a port's device has no number that follows it (0), so a device
// without USB identity never counts as the same after a failure; the USB identity and location
// come from SetupAPI.
namespace qm::serialdevice {

// The device behind port number 1..16 when the preferences name none ("/dev/ttyUSB0", "COM3").
QString defaultPath(int port);
// Whether a device answers to the name (a link to nothing does not count).
bool exists(const QString &path);

// Why QSerialPort could not open a device that is there, from its error and text: the cause and
// what it needs said (SerialPort::refusalDetail()), the program that holds the device where the
// system tells.
struct Refusal
{
    SerialPort::RefusalCause cause;
    QString detail;
};
Refusal explainRefusal(QSerialPort::SerialPortError error, const QString &errorText,
                       const QString &path);

// What the lock file of a device says of the program that holds it: in use, by the program it
// names; a stale lock (the detail is the file) when that program has ended; a lock naming no
// program (the detail is the file) when it holds no process number.
Refusal lockFileHolder(const QString &lockFile);

// Makes a device this program's alone among programs that ask the same: an advisory lock on the
// device itself, whatever name reached it, held through a descriptor of its own. It is taken
// before the port is opened, since opening sets the line: a program turned away must leave the
// speed and format the holder set exactly as they are.
class DeviceLock
{
public:
    DeviceLock() = default;
    ~DeviceLock() { release(); }
    DeviceLock(const DeviceLock &) = delete;
    DeviceLock &operator=(const DeviceLock &) = delete;

    // Nothing when taken, or when the device cannot be opened to lock it (the port's own open
    // then says why); otherwise the device is in use, by "qm520a-panel (process 1234)" or by a
    // program the system does not name.
    std::optional<Refusal> take(const QString &path);
    void release();

private:
    int m_fd = -1;
};

// Whether the open port's device still works, asked without writing or waiting.
bool answers(const QSerialPort &port);

// The number the system gives the device itself, whichever name reached it; 0 when unknown.
quint64 deviceNumberOf(const QSerialPort &port);
quint64 deviceNumberAt(const QString &path);

// The device node the open port has ("/dev/ttyUSB0", also when opened through a link);
// empty when the system does not tell.
QString nodePath(const QSerialPort &port);

// Where a USB adapter sits on the USB tree ("1-1.2"), from its port name ("ttyUSB0"); empty for
// any other device.
QString usbLocation(const QString &portName);

} // namespace qm::serialdevice
