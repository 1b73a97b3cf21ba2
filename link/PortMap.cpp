#include "link/PortMap.h"

#include "link/PortManager.h"

#include <array>

namespace qm {

namespace {

bool isPortNumber(int port)
{
    return port >= PortManager::FirstPort && port <= PortManager::LastPort;
}

#ifndef Q_OS_WIN
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
#endif

} // namespace

PortMap::PortMap(const QMap<int, QString> &overrides, const QList<int> &withheld)
{
    for (auto it = overrides.begin(); it != overrides.end(); ++it)
        setOverride(it.key(), it.value());
    for (int port : withheld)
        withhold(port);
}

void PortMap::setOverride(int port, const QString &devicePath)
{
    if (!isPortNumber(port))
        return;
    if (devicePath.isEmpty())
        m_overrides.remove(port);
    else
        m_overrides.insert(port, devicePath);
}

void PortMap::withhold(int port)
{
    if (isPortNumber(port) && !m_withheld.contains(port))
        m_withheld.append(port);
}

QString PortMap::devicePath(int port) const
{
    if (!isPortNumber(port) || m_withheld.contains(port))
        return {};
    return m_overrides.value(port, defaultDevicePath(port));
}

QString PortMap::defaultDevicePath(int port)
{
    if (!isPortNumber(port))
        return {};
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    for (const DeviceFamily &family : LinuxFamilies) {
        if (port <= family.lastPort)
            return QLatin1String(family.prefix) + QString::number(port - family.firstPort);
    }
    return {};
#endif
}

} // namespace qm
