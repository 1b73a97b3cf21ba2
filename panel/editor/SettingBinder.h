#pragma once

#include "model/ChannelSettings.h"
#include "panel/window/WindowDescription.h"

#include <QStringList>

#include <functional>
#include <vector>

class QLineEdit;
class QObject;
class QWidget;

namespace qm {

// A bound setting control of a window: its binding and the widgets that show it.
struct BoundSetting
{
    SettingBinding binding;
    QWidget *control = nullptr;
    QWidget *partner = nullptr; // the second option of a pair
};

// A window's setting controls, found once through the bindings of its description's rows:
// puts a record's fields into them, reads them back into the record, and reports each change
// of one. A binding whose control the window lacks, or holds as another kind of widget, is
// left out.
class SettingBinder
{
public:
    SettingBinder(const std::vector<WindowRow> &rows, const QWidget *window);

    // In the model's fill order.
    const std::vector<BoundSetting> &settings() const { return m_settings; }

    // Shows the record's field in the setting's control, first repairing a list value that
    // the control cannot show. Position settings are the position editor's and are not
    // handled here.
    void show(const BoundSetting &setting, ChannelSettings &record) const;
    // Writes the control's value into the setting's field of the record.
    void store(const BoundSetting &setting, ChannelSettings &record) const;
    // Calls handler after every change of the setting's control, the program's own changes
    // included. An option pair reports once per change, for the option that came on.
    void onChange(const BoundSetting &setting, QObject *context,
                  const std::function<void()> &handler) const;

    QLineEdit *textLine(int line) const;

    // The settings whose controls would show the two records differently, by the names the
    // operator knows them by ("Leap Year", "Line 2 enabled"), in fill order, each once.
    QStringList differences(const ChannelSettings &a, const ChannelSettings &b) const;

private:
    static bool holdsItsKind(const BoundSetting &setting);
    static bool differ(const SettingBinding &binding, const ChannelSettings &a,
                       const ChannelSettings &b);
    static QString nameOf(const BoundSetting &setting);
    static void showList(const BoundSetting &setting, ChannelSettings &record);
    static void showOptions(const BoundSetting &setting, const ChannelSettings &record);
    quint8 checkBoxBits(Field field) const;

    std::vector<BoundSetting> m_settings;
};

} // namespace qm
