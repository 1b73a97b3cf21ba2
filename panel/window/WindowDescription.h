#pragma once

#include "form/WindowRow.h"
#include "model/UnitModel.h"
#include "panel/window/SelectorStyle.h"
#include "position/PositionLayout.h"

#include <QSize>
#include <QString>
#include <QStringList>

#include <vector>

namespace qm {

// Everything that makes one model's main window: caption, size, lists and the control table,
// front to back (a control listed earlier is drawn above a later one that it overlaps).
struct WindowDescription
{
    const UnitModel *model = nullptr;
    QString caption;
    QSize clientTwips;
    SelectorStyle selectorStyle = SelectorStyle::PushButton;
    PositionLayout positionLayout;

    QStringList windowModes;
    QStringList displayModes;
    QStringList dateModes; // empty where the model has none
    QStringList timeZones;
    QStringList timeFonts;

    std::vector<WindowRow> controls;
};

} // namespace qm
