#pragma once

#include <QSettings>

namespace qm {

// How the per-user preferences are kept on the system the program is built for: an INI file
// on Linux, the registry (HKEY_CURRENT_USER\Software\qm-control-panel\<application>) on Windows.
QSettings::Format preferencesFormat();

} // namespace qm
