#pragma once

#include "model/ChannelTable.h"
#include "tools/qm-unit-sim/UnitWire.h"

namespace qm::sim {

// What a freshly installed unit might hold: a caption per camera, a second line on some,
// modes, positions and sizes that vary from channel to channel within the panels' ranges.
ChannelTable defaultUnitState(const UnitWire &wire);

} // namespace qm::sim
