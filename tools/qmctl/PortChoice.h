#pragma once

#include "link/PortMap.h"
#include "link/SerialPort.h"
#include "model/UnitModel.h"
#include "tools/qmctl/CommandLine.h"

#include <memory>
#include <optional>

namespace qm {

// The ports find asks: the model's panel's map, or without a model the one both panels share;
// nothing when they map a port apart, which is named.
std::optional<PortMap> findPortMap(const UnitModel *model);

// The port of a read, write or diff, open and reaching its device, with the device it stands
// for noted in `line`; nothing once the reason it could not be used is printed.
std::unique_ptr<SerialPort> openPort(CommandLine &line);

// "COM3 (/dev/ttyUSB0)"; a device or address given outright is named once.
QString nameOfPort(const CommandLine &line);

} // namespace qm
