#pragma once

#include "form/WindowRow.h"

#include <QLatin1String>

#include <vector>

// The words every window's rows are written in: a maker for each kind of control, and the
// touches a row may take on, so that a table of rows reads as the controls it describes.
namespace qm::rows {

using Rows = std::vector<WindowRow>;

// The container of the controls that stand on the form's root.
inline constexpr QLatin1String Root("");

WindowRow captioned(ControlKind kind, const QString &name, const QString &container, QRect twips,
                    const QString &caption = {});
WindowRow label(const QString &name, const QString &container, QRect twips, const QString &caption,
                ControlOptions options = {});
// On the root, where every window keeps its buttons.
WindowRow button(const QString &name, QRect twips, const QString &caption,
                 ControlOptions options = {});
WindowRow checkBox(const QString &name, const QString &container, QRect twips,
                   const QString &caption);
WindowRow radioButton(const QString &name, const QString &container, QRect twips,
                      const QString &caption);
WindowRow list(const QString &name, const QString &container, QRect twips,
               const QStringList &items);
WindowRow textBox(const QString &name, const QString &container, QRect twips,
                  ControlOptions options = {});
// kind: HorizontalSlider or VerticalSlider, from 1 to maximum, showing value.
WindowRow slider(ControlKind kind, const QString &name, const QString &container, QRect twips,
                 int maximum, int value);

// The row holding the setting the binding names.
WindowRow bound(WindowRow row, SettingBinding binding);
// The row with the name and description a screen reader gives its control.
WindowRow spoken(WindowRow row, const QString &name, const QString &description = {});
// The label row whose caption a screen reader gives the control with that name.
WindowRow labelling(WindowRow label, const QString &control);
// The row as element `index` of the control array its name names.
WindowRow element(WindowRow row, int index);
// The row with these options added to its own.
WindowRow styled(WindowRow row, ControlOptions options);
WindowRow tip(WindowRow row, const QString &toolTip);
WindowRow fontSize(WindowRow row, double pointSize);
// The row where Tab stops at this place in the form's order.
WindowRow tabStop(WindowRow row, int tabIndex);

} // namespace qm::rows
