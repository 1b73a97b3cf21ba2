#include "link/DeviceIdentity.h"

#include "link/WinPortDevices.h"
#include "link/WinSerialRules.h"

namespace qm {

// From the device registry; a port it does not know as a USB device has no identity, and a
// lost line on it then stays closed until the operator picks a port.
DeviceIdentity readDeviceIdentity(const QString &devicePath)
{
    const std::optional<WinPortDevice> device = findPortDevice(devicePath);
    if (!device)
        return {};
    DeviceIdentity identity = winserial::identityFromInstanceId(device->instanceId);
    if (identity.isUsb())
        identity.usbLocation = device->location;
    return identity;
}

} // namespace qm
