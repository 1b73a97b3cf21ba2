#pragma once

#include "model/UnitModel.h"
#include "panel/window/SelectorStyle.h"
#include "panel/window/SettingBinding.h"
#include "position/PositionLayout.h"

#include <QFlags>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>

#include <vector>

namespace qm {

// The kind of widget one row of a window description builds.
enum class ControlKind : quint8
{
    Label,
    PushButton,
    CheckBox,
    RadioButton,
    ComboBox, // a drop-down list without typing
    TextBox,
    TitledFrame, // a frame with a caption
    Frame,       // a bordered frame without a caption
    Panel,       // a borderless, opaque container
    Group,       // a borderless, see-through container, such as for a pair of options
    TabControl,  // its pages are the TabPage rows that name it as container
    TabPage,     // caption: the tab's title; its controls are placed relative to the tab control
    ChannelSelector,
    Picture, // shows the program icon
};

enum class ControlOption : quint8
{
    Centred = 0x01,
    GreyText = 0x02,
    Hidden = 0x04,
    Disabled = 0x08,
};
Q_DECLARE_FLAGS(ControlOptions, ControlOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(ControlOptions)

// One control of a window: what it is, where it sits (twips, relative to its container), how
// it looks when the window is created and, for a setting control, the field it shows.
struct WindowRow
{
    ControlKind kind = ControlKind::Label;
    QString name{};      // object name; control array elements are "name_index"
    QString container{}; // name of the containing control; empty for the window itself
    QRect twips{};       // Left, Top, Width, Height
    QString caption{};
    QString toolTip{};
    // For screen readers, where the caption does not name the control.
    QString accessibleName{};
    QString accessibleDescription{};
    QStringList items{};
    double pointSize = 0; // 0 keeps the window's font
    ControlOptions options{};
    int index = -1; // element index within a control array
    std::optional<SettingBinding> binding{};
};

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

    // The row with this object name, or nullptr.
    const WindowRow *control(const QString &name) const;
};

// The object name of element `index` of a control array.
QString arrayElementName(const QString &arrayName, int index);

} // namespace qm
