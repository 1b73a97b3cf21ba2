#pragma once

#include "panel/session/PanelPlatform.h"

namespace qm::test {

// A panel's platform for a whole program against an emulated unit: the real serial port and
// event loop, COM1 mapped to the unit's link and chosen, preferences and notices in memory.
PanelPlatform simPanelPlatform(const QString &unitLink);

} // namespace qm::test
