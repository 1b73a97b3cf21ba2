#include "form/RowMakers.h"

#include <utility>

namespace qm::rows {

WindowRow captioned(ControlKind kind, const QString &name, const QString &container, QRect twips,
                    const QString &caption)
{
    return {.kind = kind, .name = name, .container = container, .twips = twips, .caption = caption};
}

WindowRow label(const QString &name, const QString &container, QRect twips, const QString &caption,
                ControlOptions options)
{
    return styled(captioned(ControlKind::Label, name, container, twips, caption), options);
}

WindowRow button(const QString &name, QRect twips, const QString &caption, ControlOptions options)
{
    return styled(captioned(ControlKind::PushButton, name, Root, twips, caption), options);
}

WindowRow checkBox(const QString &name, const QString &container, QRect twips,
                   const QString &caption)
{
    return captioned(ControlKind::CheckBox, name, container, twips, caption);
}

WindowRow radioButton(const QString &name, const QString &container, QRect twips,
                      const QString &caption)
{
    return captioned(ControlKind::RadioButton, name, container, twips, caption);
}

WindowRow list(const QString &name, const QString &container, QRect twips, const QStringList &items)
{
    WindowRow row = captioned(ControlKind::ComboBox, name, container, twips);
    row.items = items;
    return row;
}

WindowRow textBox(const QString &name, const QString &container, QRect twips,
                  ControlOptions options)
{
    return styled(captioned(ControlKind::TextBox, name, container, twips), options);
}

WindowRow slider(ControlKind kind, const QString &name, const QString &container, QRect twips,
                 int maximum, int value)
{
    WindowRow row = captioned(kind, name, container, twips);
    row.maximum = maximum;
    row.value = value;
    return row;
}

WindowRow bound(WindowRow row, SettingBinding binding)
{
    row.binding = std::move(binding);
    return row;
}

WindowRow spoken(WindowRow row, const QString &name, const QString &description)
{
    row.accessibleName = name;
    row.accessibleDescription = description;
    return row;
}

WindowRow labelling(WindowRow label, const QString &control)
{
    label.labelFor = control;
    return label;
}

WindowRow element(WindowRow row, int index)
{
    row.name = arrayElementName(row.name, index);
    row.index = index;
    return row;
}

WindowRow styled(WindowRow row, ControlOptions options)
{
    row.options |= options;
    return row;
}

WindowRow tip(WindowRow row, const QString &toolTip)
{
    row.toolTip = toolTip;
    return row;
}

WindowRow fontSize(WindowRow row, double pointSize)
{
    row.pointSize = pointSize;
    return row;
}

WindowRow tabStop(WindowRow row, int tabIndex)
{
    row.tabIndex = tabIndex;
    return row;
}

} // namespace qm::rows
