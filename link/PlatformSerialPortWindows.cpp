#include "link/PlatformSerialPort.h"

#include "link/WinSerialPort.h"

namespace qm {

std::unique_ptr<SerialPort> makePlatformSerialPort(const PortMap &map, qint32 baudRate)
{
    return std::make_unique<WinSerialPort>(map, baudRate);
}

QString usualPortHolders()
{
    return QStringLiteral("a terminal program or another control panel");
}

} // namespace qm
