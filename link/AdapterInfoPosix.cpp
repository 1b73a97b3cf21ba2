#include "link/AdapterInfo.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace qm {

AdapterInfo AdapterInfo::ofDevice(const QString &devicePath)
{
    const QString canonical = QFileInfo(devicePath).canonicalFilePath();
    const QString wanted = canonical.isEmpty() ? devicePath : canonical;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        const bool same = info.systemLocation() == wanted ||
                          info.portName().compare(wanted, Qt::CaseInsensitive) == 0;
        // Only a USB device has a maker and serial number of its own; a built-in port's
        // description would name the driver, not the device.
        if (same && info.hasVendorIdentifier())
            return {info.manufacturer(), info.description(), info.serialNumber()};
    }
    return {};
}

} // namespace qm
