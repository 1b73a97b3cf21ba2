#pragma once

#include "link/DeviceIdentity.h"
#include "link/SerialPort.h"

#include <QString>

namespace qm {

// What the Windows serial port decides from names and numbers alone, apart from the Win32 calls
// so that it can be checked on any system.
namespace winserial {

// The path CreateFile opens for a port's device name: "COM12" becomes "\\.\COM12", the only
// form that reaches ports above COM9; a path already in the device namespace is kept.
QString devicePath(const QString &deviceName);

// The DOS device name behind such a path ("\\.\COM12" gives "COM12"), as the system's device
// registry names its ports.
QString dosName(const QString &deviceName);

// Whether CreateFile's error says that no device answers to the name at all.
bool meansAbsent(quint32 win32Error);
// What keeps a device that exists from opening, as far as the operator can change it.
SerialPort::RefusalCause refusalCause(quint32 win32Error);

// The driver's own limit on a write (COMMTIMEOUTS): a write of n bytes that has not gone out
// within constantMs + n * perByteMs has failed. Twice a byte's line time (ten bits at the
// speed), so a line that runs at its speed never reaches it, and a second for the driver.
struct WriteLimit
{
    quint32 perByteMs = 0;
    quint32 constantMs = 0;
    // The whole limit for a write of this many bytes.
    quint32 forBytes(qsizetype bytes) const { return constantMs + quint32(bytes) * perByteMs; }
};
WriteLimit writeLimit(quint32 baudRate);

// Vendor, product and serial number from a USB device's instance ID, as SetupAPI gives it:
// "USB\VID_0403&PID_6001\A9XYZ123", or an FTDI driver's "FTDIBUS\VID_0403+PID_6001+A9XYZ123A\0000".
// An ID that Windows made up for a device without a serial number ("5&2A3B4C&0&2") gives no
// serial number; an ID without vendor and product gives no identity.
DeviceIdentity identityFromInstanceId(const QString &instanceId);

} // namespace winserial

} // namespace qm
