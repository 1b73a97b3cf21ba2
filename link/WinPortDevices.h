#pragma once

#include <QString>

#include <optional>

namespace qm {

// What Windows' device registry (SetupAPI) holds about the device behind a COM name.
struct WinPortDevice
{
    QString instanceId;
    QString manufacturer;
    QString description;
    // Where it sits on the USB tree ("Port_#0002.Hub_#0003"), for adapters without a serial
    // number.
    QString location;
};

// The present device of the Ports class whose PortName is the DOS name of devicePath ("COM3",
// "\\.\COM3"); none when there is no such device (always so under Wine).
std::optional<WinPortDevice> findPortDevice(const QString &devicePath);

} // namespace qm
