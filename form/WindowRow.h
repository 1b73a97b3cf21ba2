#pragma once

#include "form/SettingBinding.h"

#include <QFlags>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>

namespace qm {

// The kind of widget one row of a window's design builds.
enum class ControlKind : quint8
{
    Label,
    PushButton,
    CheckBox,
    RadioButton,
    ComboBox, // a drop-down list without typing
    ListBox,  // a list of items shown at once, such as a list of check boxes
    TextBox,
    ReadOut, // a read-only box that shows what lies under the pointer; never takes input
    HorizontalSlider,
    VerticalSlider, // its smallest value at the top, as the keys point
    TitledFrame,    // a frame with a caption
    Frame,          // a bordered frame without a caption
    Panel,          // a borderless, opaque container that keeps its colours while disabled
    Group,          // a borderless, see-through container, such as for a pair of options
    TabControl,     // its pages are the TabPage rows that name it as container
    TabPage,        // caption: the tab's title; its controls are placed relative to the tab control
    // Made by the user of the builder, which alone knows them:
    ChannelSelector,
    Picture,
    PositionGrid,
};

enum class ControlOption : quint8
{
    Centred = 0x01, // across
    GreyText = 0x02,
    Hidden = 0x04,
    Disabled = 0x08,
    Middle = 0x10, // a label's caption stands in the middle from top to bottom
    Opaque = 0x20, // a titled frame hides what lies behind it
};
Q_DECLARE_FLAGS(ControlOptions, ControlOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(ControlOptions)

// One control of a window: what it is, where it sits (twips, relative to its container), how
// it looks when the window is created and, for a setting control, the field it shows.
struct WindowRow
{
    ControlKind kind = ControlKind::Label;
    QString name{};      // object name; control array elements are "name_index"
    QString container{}; // name of the containing control; empty for the form's root
    QRect twips{};       // Left, Top, Width, Height
    QString caption{};
    QString toolTip{};
    // For screen readers, where the caption does not name the control.
    QString accessibleName{};
    QString accessibleDescription{};
    // A label's: the control its caption stands for, which screen readers then name by it.
    QString labelFor{};
    QStringList items{};
    double pointSize = 0; // 0 keeps the window's font
    ControlOptions options{};
    int index = -1; // element index within a control array
    // Sliders: from 1 to maximum, starting at value.
    int maximum = 0;
    int value = 0;
    // Where Tab stops, for a form whose design orders it; other forms are read top to bottom.
    int tabIndex = -1;
    std::optional<SettingBinding> binding{};
};

// The object name of element `index` of a control array.
QString arrayElementName(const QString &arrayName, int index);

} // namespace qm
