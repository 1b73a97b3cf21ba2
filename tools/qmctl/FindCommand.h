#pragma once

#include "link/PortMap.h"
#include "model/UnitModel.h"

namespace qm {

// qmctl find: asks every port of the map that opens which unit it holds, at `model`'s speed
// first (the first model's when none is given). Prints one line per port that answered on
// standard output, and names the ports that did not, and why, on standard error; with `json`,
// one JSON document on standard output instead of the lines. True when a unit of `model`, or
// with none given any unit, answered.
bool findUnits(const UnitModel *model, const PortMap &map, bool json);

} // namespace qm
