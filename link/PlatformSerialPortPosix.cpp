#include "link/PlatformSerialPort.h"

#include "link/QtSerialPort.h"

namespace qm {

std::unique_ptr<SerialPort> makePlatformSerialPort(const PortMap &map, qint32 baudRate)
{
    return std::make_unique<QtSerialPort>(map, baudRate);
}

QString usualPortHolders()
{
    return QStringLiteral("a terminal, ModemManager or brltty");
}

} // namespace qm
