#pragma once

#include "link/PortMap.h"
#include "model/UnitModel.h"

namespace qm {

// qmctl find: asks every port of the map that opens which unit it holds. Prints one line per
// port that answered on standard output, and names the ports that did not, and why, on
// standard error. True when a unit of `model` answered.
bool findUnits(const UnitModel &model, const PortMap &map);

} // namespace qm
