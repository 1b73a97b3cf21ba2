#include "panel/session/PortNotices.h"

#include "link/PlatformSerialPort.h"
#include "link/PortMap.h"

namespace qm {

QString portRefusalNotice(const PortManager::Refusal &refusal)
{
    const QString port = describePort(refusal.port, refusal.device);
    if (refusal.absent)
        return port + QStringLiteral(" is not there. Plug the adapter in, then pick the port "
                                     "again.");
    switch (refusal.cause) {
    case SerialPort::RefusalCause::NoPermission:
        return port + QStringLiteral(" is there, but this user may not use it (%1). Join the "
                                     "dialout group (sudo adduser $USER dialout), log out and in "
                                     "again, then start the panel.")
                          .arg(refusal.reason);
    case SerialPort::RefusalCause::InUse:
        return port + QStringLiteral(" is held by another program (%1). Close the program that "
                                     "uses it, such as %2, then pick the port again.")
                          .arg(refusal.reason, usualPortHolders());
    case SerialPort::RefusalCause::Other:
        break;
    }
    return port + QStringLiteral(" cannot be opened: %1.").arg(refusal.reason);
}

QString noPortNotice()
{
    return QStringLiteral("No serial port can be used. Plug the adapter in, then open the "
                          "\"Serial Port:\" list to look again.");
}

} // namespace qm
