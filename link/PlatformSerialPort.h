#pragma once

#include "link/PortMap.h"
#include "link/SerialPort.h"

#include <memory>

namespace qm {

// The serial port of the system the program is built for, at the given line speed, 8N1, with
// its devices from the port map.
std::unique_ptr<SerialPort> makePlatformSerialPort(const PortMap &map, qint32 baudRate);

// The programs that usually hold a serial port on this system, for the operator's notice
// ("a terminal, ModemManager or brltty").
QString usualPortHolders();

} // namespace qm
