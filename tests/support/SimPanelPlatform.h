#pragma once

#include "panel/session/PanelPlatform.h"

namespace qm::test {

// A panel's platform for a whole program against an emulated unit: the real serial port and
// event loop, COM1 mapped to the unit's link and chosen, COM2 on to the other units' links,
// preferences and notices in memory.
PanelPlatform simPanelPlatform(const QString &unitLink, const QStringList &otherUnits = {});

} // namespace qm::test
