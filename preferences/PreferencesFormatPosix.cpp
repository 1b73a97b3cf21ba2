#include "preferences/PreferencesFormat.h"

namespace qm {

QSettings::Format preferencesFormat()
{
    return QSettings::IniFormat;
}

} // namespace qm
