#pragma once

#include <QString>

#include <functional>

namespace qm {

// What shows that a serial device is one particular device, so that a device that comes back
// under a freed name can be told from another one the system gave that name to.
struct DeviceIdentity
{
    quint16 vendor = 0;
    quint16 product = 0;
    QString serialNumber;
    // Where the adapter sits on the USB tree ("1-1.2"), for adapters without a serial number.
    QString usbLocation;
    // The system's number for the device itself, whichever name reached it (a pseudo-terminal
    // has one as much as an adapter); 0 when unknown. The kernel gives a freed number to the
    // next adapter plugged in, so it tells devices apart only while none comes and goes.
    quint64 deviceNumber = 0;
    // A device server's address ("rfc2217://10.1.2.3:4001"): the only identity a port across
    // the network has.
    QString networkAddress = {};

    bool isUsb() const { return vendor != 0 || product != 0; }
    // The same adapter: vendor, product and serial number agree, or, when neither has a serial
    // number, vendor, product and USB location. A device without USB identity is never shown to
    // be the same as anything.
    bool isSameUsbAdapterAs(const DeviceIdentity &other) const;
    // The same device: by network address where either has one, by USB identity where either
    // has one, otherwise by equal, known device numbers. Meant for the reopen at once after a
    // failure, before another device could have been given the freed number.
    bool isSameDeviceAs(const DeviceIdentity &other) const;
};

// Reads the USB identity of the device at a path (the device number is the port's to add);
// empty for a pseudo-terminal, a built-in port or a device that is not there.
using IdentityReader = std::function<DeviceIdentity(const QString &devicePath)>;

// Vendor, product and serial number as the system gives them (QSerialPortInfo, or SetupAPI on
// Windows), the location from the system's device tree where there is one.
DeviceIdentity readDeviceIdentity(const QString &devicePath);

} // namespace qm
