#pragma once

#include <QString>

#include <functional>

namespace qm {

// What shows that a serial device is one particular USB adapter, so that a device that comes
// back under a freed name can be told from another one the kernel gave that name to.
struct DeviceIdentity
{
    quint16 vendor = 0;
    quint16 product = 0;
    QString serialNumber;
    // Where the adapter sits on the USB tree ("1-1.2"), for adapters without a serial number.
    QString usbLocation;

    bool isUsb() const { return vendor != 0 || product != 0; }
    // The same adapter: vendor, product and serial number agree, or, when neither has a serial
    // number, vendor, product and USB location. A device without USB identity is never shown to
    // be the same as anything.
    bool isSameDeviceAs(const DeviceIdentity &other) const;
};

// Reads the identity of the device at a path; empty for a pseudo-terminal, a built-in port or
// a device that is not there.
using IdentityReader = std::function<DeviceIdentity(const QString &devicePath)>;

// Vendor, product and serial number as QSerialPortInfo gives them, the location from the
// kernel's device tree where there is one.
DeviceIdentity readDeviceIdentity(const QString &devicePath);

} // namespace qm
