#include "link/PortMap.h"

#include "link/PortManager.h"
#include "link/SerialDevice.h"

namespace qm {

QString PortMap::defaultDevicePath(int port)
{
    if (port < PortManager::FirstPort || port > PortManager::LastPort)
        return {};
    return serialdevice::defaultPath(port);
}

} // namespace qm
