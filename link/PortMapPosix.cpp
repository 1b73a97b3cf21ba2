#include "link/PortMap.h"

#include "link/PortManager.h"

#include <array>

namespace qm {

namespace {

// Built-in ports first, then USB adapters (FTDI, Prolific, CH340), then CDC-ACM devices.
struct DeviceFamily
{
    int firstPort;
    int lastPort;
    const char *prefix;
};

constexpr std::array<DeviceFamily, 3> LinuxFamilies = {{
    {1, 4, "/dev/ttyS"},
    {5, 12, "/dev/ttyUSB"},
    {13, 16, "/dev/ttyACM"},
}};

} // namespace

QString PortMap::defaultDevicePath(int port)
{
    if (port < PortManager::FirstPort)
        return {};
    for (const DeviceFamily &family : LinuxFamilies) {
        if (port <= family.lastPort)
            return QLatin1String(family.prefix) + QString::number(port - family.firstPort);
    }
    return {};
}

} // namespace qm
