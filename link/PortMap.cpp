#include "link/PortMap.h"

#include "link/NetworkAddress.h"
#include "link/PortManager.h"

namespace qm {

namespace {

bool isPortNumber(int port)
{
    return port >= PortManager::FirstPort && port <= PortManager::LastPort;
}

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
    if (devicePath.isEmpty()) {
        m_overrides.remove(port);
        return;
    }
    if (isNetworkAddress(devicePath)) {
        if (const QString problem = readNetworkAddress(devicePath).problem; !problem.isEmpty()) {
            m_problems << QStringLiteral("[Ports] COM%1: %2: %3; the port is left out")
                              .arg(port)
                              .arg(devicePath.trimmed(), problem);
            withhold(port);
            return;
        }
    }
    m_overrides.insert(port, devicePath.trimmed());
    m_withheld.removeAll(port);
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

QString describePort(int port, const QString &devicePath, const QStringList &details)
{
    const QString name = QStringLiteral("COM%1").arg(port);
    QStringList said;
    if (!devicePath.isEmpty() && devicePath.compare(name, Qt::CaseInsensitive) != 0)
        said << devicePath;
    for (const QString &detail : details) {
        if (!detail.isEmpty())
            said << detail;
    }
    return said.isEmpty() ? name : QStringLiteral("%1 (%2)").arg(name, said.join(u", "));
}

} // namespace qm
