#include "apps/WindowRows.h"

#include <utility>

namespace qm::rows {

namespace {

constexpr QLatin1String Window("");
constexpr QLatin1String ControlFrame("Frame1");

} // namespace

WindowRow captioned(ControlKind kind, const QString &name, const QString &container, QRect twips,
                    const QString &caption)
{
    return {.kind = kind, .name = name, .container = container, .twips = twips, .caption = caption};
}

WindowRow label(const QString &name, const QString &container, QRect twips, const QString &caption,
                ControlOptions options)
{
    WindowRow row = captioned(ControlKind::Label, name, container, twips, caption);
    row.options = options;
    return row;
}

WindowRow button(const QString &name, QRect twips, const QString &caption, ControlOptions options)
{
    WindowRow row = captioned(ControlKind::PushButton, name, Window, twips, caption);
    row.options = options;
    return row;
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

WindowRow list(const QString &name, const QString &container, QRect twips, const QStringList &items,
               const QString &toolTip)
{
    return {.kind = ControlKind::ComboBox,
            .name = name,
            .container = container,
            .twips = twips,
            .toolTip = toolTip,
            .items = items};
}

WindowRow textBox(const QString &name, const QString &container, QRect twips)
{
    return {.kind = ControlKind::TextBox, .name = name, .container = container, .twips = twips};
}

WindowRow tabPage(const QString &name, const QString &caption)
{
    return {.kind = ControlKind::TabPage,
            .name = name,
            .container = QStringLiteral("sstSettings"),
            .caption = caption};
}

WindowRow positionFrame(const QString &container, QRect twips, int fillStep)
{
    return bound(captioned(ControlKind::Frame, QStringLiteral("FramePosition"), container, twips),
                 bind::position(fillStep));
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

void appendTextLines(Rows &rows, const QString &container, const std::array<QRect, 3> &texts,
                     const std::array<QPoint, 3> &checks, TextLineSteps steps)
{
    for (int line = 0; line < 3; ++line) {
        const auto bit = static_cast<quint8>(line);
        const QString number = QString::number(line + 1);
        WindowRow text =
            spoken(textBox(arrayElementName(QStringLiteral("txtText"), line), container,
                           texts[static_cast<std::size_t>(line)]),
                   QStringLiteral("Text line ") + number, QStringLiteral("Up to 30 characters"));
        text.index = line;
        rows.push_back(bound(text, bind::textLine(line, steps.texts + line)));
        WindowRow check =
            spoken(checkBox(arrayElementName(QStringLiteral("chkEnable"), line), container,
                            {checks[static_cast<std::size_t>(line)], QSize(885, 255)},
                            QStringLiteral("Enabled")),
                   QStringLiteral("Line %1 enabled").arg(number));
        check.index = line;
        rows.push_back(bound(check, bind::checkBit(Field::TextEnables, bit, steps.enables + line)));
    }
}

namespace {

QStringList windowModeItems()
{
    return {QStringLiteral("Transparant (No Background)"), QStringLiteral("Solid (No Background)"),
            QStringLiteral("Transparant (Background)"), QStringLiteral("Solid (Background)")};
}

void appendConnectingPanel(Rows &rows)
{
    const QString panel = QStringLiteral("frameConnecting");
    rows.push_back({.kind = ControlKind::Panel,
                    .name = panel,
                    .twips = {270, 1350, 4065, 1005},
                    .accessibleName = QStringLiteral("Connection status"),
                    .options = ControlOption::Hidden});
    rows.push_back({.kind = ControlKind::Label,
                    .name = QStringLiteral("lblStatus"),
                    .container = panel,
                    .twips = {30, 420, 3960, 465},
                    .pointSize = 12,
                    .options = ControlOption::Centred});
}

void appendCommandRow(Rows &rows, QPoint updateImmediately, int bottomTop, int updateLeft)
{
    rows.push_back(checkBox(QStringLiteral("chkUpdateImmediately"), Window,
                            {updateImmediately, QSize(1695, 255)},
                            QStringLiteral("Update Immediately ")));
    rows.push_back(button(QStringLiteral("cmdClose"), {updateLeft + 3300, bottomTop, 765, 345},
                          QStringLiteral("Close")));
    rows.push_back(button(QStringLiteral("cmdUpdate"), {updateLeft, bottomTop, 1305, 345},
                          QStringLiteral("Update"), ControlOption::Disabled));
    WindowRow multiple =
        button(QStringLiteral("cmdUpdateMultiple"), {updateLeft + 1470, bottomTop, 1305, 345},
               QStringLiteral("Multiple Update"));
    multiple.toolTip =
        QStringLiteral("Update multiple channels with the selected channel's settings");
    rows.push_back(multiple);
}

void appendControlFrame(Rows &rows)
{
    WindowRow frame = captioned(ControlKind::TitledFrame, ControlFrame, Window,
                                {90, 450, 4455, 1995}, QStringLiteral("Control:"));
    frame.pointSize = 9.75;
    // Hides the arrow-key field behind it.
    frame.options = ControlOption::Opaque;
    rows.push_back(frame);
    rows.push_back(labelling(label(QStringLiteral("Label2"), ControlFrame, {150, 330, 1035, 255},
                                   QStringLiteral("Serial Port:")),
                             QStringLiteral("cmbComports")));
    rows.push_back(
        spoken(list(QStringLiteral("cmbComports"), ControlFrame, {1050, 300, 1545, 315}, {}),
               QStringLiteral("Serial port"),
               QStringLiteral("The port the unit is on. F5 reads the unit again.")));
    rows.push_back(captioned(ControlKind::TitledFrame, QStringLiteral("Frame2"), ControlFrame,
                             {120, 660, 4215, 1275}, QStringLiteral("Video Channel:")));
}

void appendBackground(Rows &rows)
{
    rows.push_back(
        spoken(textBox(QStringLiteral("txtMove"), Window, {150, 630, 1305, 225}),
               QStringLiteral("Position keys"),
               QStringLiteral("The arrow keys move the overlay while this has the keyboard.")));
    rows.push_back(
        spoken(captioned(ControlKind::Picture, QStringLiteral("Image1"), Window, {90, 0, 480, 480}),
               QStringLiteral("Program icon")));
}

} // namespace

WindowDescription describeWindow(const UnitModel &model, QSize clientTwips, SelectorStyle style,
                                 const PositionLayout &positionLayout)
{
    WindowDescription d;
    d.model = &model;
    d.caption = model.windowTitle;
    d.clientTwips = clientTwips;
    d.selectorStyle = style;
    d.positionLayout = positionLayout;
    d.windowModes = windowModeItems();
    return d;
}

void appendFrontControls(Rows &rows, QPoint updateImmediately, int bottomTop, int updateLeft,
                         QRect tabControl)
{
    appendConnectingPanel(rows);
    appendCommandRow(rows, updateImmediately, bottomTop, updateLeft);
    rows.push_back(spoken(
        captioned(ControlKind::TabControl, QStringLiteral("sstSettings"), Window, tabControl),
        QStringLiteral("Settings")));
}

void appendBackControls(Rows &rows, const Rows &selectors)
{
    appendControlFrame(rows);
    rows.insert(rows.end(), selectors.begin(), selectors.end());
    appendBackground(rows);
}

} // namespace qm::rows
