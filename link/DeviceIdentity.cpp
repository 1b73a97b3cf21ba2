#include "link/DeviceIdentity.h"

namespace qm {

bool DeviceIdentity::isSameUsbAdapterAs(const DeviceIdentity &other) const
{
    if (!isUsb() || vendor != other.vendor || product != other.product)
        return false;
    if (!serialNumber.isEmpty() || !other.serialNumber.isEmpty())
        return serialNumber == other.serialNumber;
    return !usbLocation.isEmpty() && usbLocation == other.usbLocation;
}

bool DeviceIdentity::isSameDeviceAs(const DeviceIdentity &other) const
{
    if (!networkAddress.isEmpty() || !other.networkAddress.isEmpty())
        return networkAddress == other.networkAddress;
    if (isUsb() || other.isUsb())
        return isSameUsbAdapterAs(other);
    return deviceNumber != 0 && deviceNumber == other.deviceNumber;
}

} // namespace qm
