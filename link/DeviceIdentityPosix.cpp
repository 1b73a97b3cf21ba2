#include "link/DeviceIdentity.h"

#include "link/SerialDevice.h"

#include <QFileInfo>
#include <QSerialPortInfo>

namespace qm {

namespace {

QSerialPortInfo portInfoFor(const QString &devicePath)
{
    const QString canonical = QFileInfo(devicePath).canonicalFilePath();
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        if (info.portName().compare(devicePath, Qt::CaseInsensitive) == 0 ||
            (!canonical.isEmpty() && info.systemLocation() == canonical))
            return info;
    }
    return {};
}

} // namespace

DeviceIdentity readDeviceIdentity(const QString &devicePath)
{
    const QSerialPortInfo info = portInfoFor(devicePath);
    if (!info.hasVendorIdentifier() || !info.hasProductIdentifier())
        return {};
    return {info.vendorIdentifier(), info.productIdentifier(), info.serialNumber(),
            serialdevice::usbLocation(info.portName())};
}

} // namespace qm
