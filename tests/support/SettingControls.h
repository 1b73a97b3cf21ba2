#pragma once

#include "panel/window/WindowDescription.h"

#include <QStackedWidget>

#include <algorithm>
#include <vector>

namespace qm::test {

// A control the operator works to change a setting, with the binding that it shows.
struct SettingControl
{
    QString name;
    SettingBinding binding;
};

// Every control that the window's description binds to a setting, in the window's fill order,
// an option pair's second option before its first. Tests that walk this list take in a newly
// bound control without being told of it.
inline std::vector<SettingControl> settingControls(const WindowDescription &description)
{
    std::vector<SettingControl> controls;
    for (const WindowRow &row : description.controls) {
        if (!row.binding)
            continue;
        if (!row.binding->partner.isEmpty())
            controls.push_back({row.binding->partner, *row.binding});
        controls.push_back({row.name, *row.binding});
    }
    std::stable_sort(controls.begin(), controls.end(),
                     [](const SettingControl &a, const SettingControl &b) {
                         return a.binding.step < b.binding.step;
                     });
    return controls;
}

// Brings forward the settings page that holds the control, as the operator would.
inline void showPageOf(QWidget *control)
{
    for (QWidget *child = control; child->parentWidget(); child = child->parentWidget()) {
        if (auto *pages = qobject_cast<QStackedWidget *>(child->parentWidget()))
            pages->setCurrentWidget(child);
    }
}

} // namespace qm::test
