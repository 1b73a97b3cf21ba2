#pragma once

#include <QString>

namespace qm {

// What a serial device says about itself, so that an operator with several adapters can tell
// them apart. Empty for a device that is no USB adapter or is not there.
struct AdapterInfo
{
    QString maker;
    QString product;
    QString serialNumber;

    // The system's description of the device at devicePath (a link such as
    // /dev/serial/by-id/... is followed to its device).
    static AdapterInfo ofDevice(const QString &devicePath);
};

} // namespace qm
