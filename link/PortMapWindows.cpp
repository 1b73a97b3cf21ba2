#include "link/PortMap.h"

#include "link/PortManager.h"

namespace qm {

// Windows names the ports itself.
QString PortMap::defaultDevicePath(int port)
{
    if (port < PortManager::FirstPort || port > PortManager::LastPort)
        return {};
    return QStringLiteral("COM%1").arg(port);
}

} // namespace qm
