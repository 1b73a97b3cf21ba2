#include "link/AdapterInfo.h"

#include "link/WinPortDevices.h"
#include "link/WinSerialRules.h"

namespace qm {

// Only a USB device has a maker and serial number of its own; a built-in port's description
// would name the driver, not the device.
AdapterInfo AdapterInfo::ofDevice(const QString &devicePath)
{
    const std::optional<WinPortDevice> device = findPortDevice(devicePath);
    if (!device)
        return {};
    const DeviceIdentity identity = winserial::identityFromInstanceId(device->instanceId);
    if (!identity.isUsb())
        return {};
    return {device->manufacturer, device->description, identity.serialNumber};
}

} // namespace qm
