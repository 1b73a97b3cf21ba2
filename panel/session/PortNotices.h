#pragma once

#include "link/PortManager.h"

#include <QString>

namespace qm {

// What the operator reads in the window about a port that cannot be used: the port and its
// device, what is wrong in plain words, and the cure.
QString portRefusalNotice(const PortManager::Refusal &refusal);
// When not one port can be used.
QString noPortNotice();

} // namespace qm
