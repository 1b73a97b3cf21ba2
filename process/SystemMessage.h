#pragma once

#include <QString>

namespace qm {

// The system's own words for a Win32 error code (GetLastError()), without the closing full stop,
// for the Windows files that name why a call failed.
QString systemMessage(unsigned long error);

} // namespace qm
