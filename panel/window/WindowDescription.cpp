#include "panel/window/WindowDescription.h"

#include <algorithm>

namespace qm {

const WindowRow *WindowDescription::control(const QString &name) const
{
    const auto found = std::find_if(controls.begin(), controls.end(),
                                    [&name](const WindowRow &row) { return row.name == name; });
    return found == controls.end() ? nullptr : &*found;
}

QString arrayElementName(const QString &arrayName, int index)
{
    return arrayName + QLatin1Char('_') + QString::number(index);
}

} // namespace qm
