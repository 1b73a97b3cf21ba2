#include "apps/WindowRows.h"

namespace qm::rows {

namespace {

constexpr QLatin1String ControlFrame("Frame1");
constexpr QLatin1String ChannelFrame("Frame2");
constexpr QLatin1String Tabs("sstSettings");

} // namespace

WindowRow tabPage(const QString &name, const QString &caption)
{
    return captioned(ControlKind::TabPage, name, Tabs, {}, caption);
}

WindowRow channelSelector(int index, QRect twips, const QString &caption)
{
    const WindowRow selector = captioned(ControlKind::ChannelSelector, QStringLiteral("cmdButton"),
                                         ChannelFrame, twips, caption);
    return element(styled(selector, ControlOption::Disabled), index);
}

WindowRow positionFrame(const QString &container, QRect twips, int fillStep)
{
    return bound(captioned(ControlKind::Frame, QStringLiteral("FramePosition"), container, twips),
                 bind::position(fillStep));
}

void appendTextLines(Rows &rows, const QString &container, const std::array<QRect, 3> &texts,
                     const std::array<QPoint, 3> &checks, TextLineSteps steps)
{
    for (int line = 0; line < 3; ++line) {
        const auto bit = static_cast<quint8>(line);
        const QString number = QString::number(line + 1);
        const WindowRow text = spoken(
            textBox(QStringLiteral("txtText"), container, texts[static_cast<std::size_t>(line)]),
            QStringLiteral("Text line ") + number, QStringLiteral("Up to 30 characters"));
        rows.push_back(bound(element(text, line), bind::textLine(line, steps.texts + line)));
        const WindowRow check =
            spoken(checkBox(QStringLiteral("chkEnable"), container,
                            {checks[static_cast<std::size_t>(line)], QSize(885, 255)},
                            QStringLiteral("Enabled")),
                   QStringLiteral("Line %1 enabled").arg(number));
        rows.push_back(bound(element(check, line),
                             bind::checkBit(Field::TextEnables, bit, steps.enables + line)));
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
    rows.push_back(
        styled(spoken(captioned(ControlKind::Panel, panel, Root, {270, 1350, 4065, 1005}),
                      QStringLiteral("Connection status")),
               ControlOption::Hidden));
    rows.push_back(fontSize(
        label(QStringLiteral("lblStatus"), panel, {30, 420, 3960, 465}, {}, ControlOption::Centred),
        12));
}

void appendCommandRow(Rows &rows, QPoint updateImmediately, int bottomTop, int updateLeft)
{
    rows.push_back(checkBox(QStringLiteral("chkUpdateImmediately"), Root,
                            {updateImmediately, QSize(1695, 255)},
                            QStringLiteral("Update Immediately ")));
    rows.push_back(button(QStringLiteral("cmdClose"), {updateLeft + 3300, bottomTop, 765, 345},
                          QStringLiteral("Close")));
    rows.push_back(button(QStringLiteral("cmdUpdate"), {updateLeft, bottomTop, 1305, 345},
                          QStringLiteral("Update"), ControlOption::Disabled));
    rows.push_back(
        tip(button(QStringLiteral("cmdUpdateMultiple"), {updateLeft + 1470, bottomTop, 1305, 345},
                   QStringLiteral("Multiple Update")),
            QStringLiteral("Update multiple channels with the selected channel's settings")));
}

void appendControlFrame(Rows &rows)
{
    // Opaque: it hides the arrow-key field behind it.
    rows.push_back(fontSize(styled(captioned(ControlKind::TitledFrame, ControlFrame, Root,
                                             {90, 450, 4455, 1995}, QStringLiteral("Control:")),
                                   ControlOption::Opaque),
                            9.75));
    rows.push_back(labelling(label(QStringLiteral("Label2"), ControlFrame, {150, 330, 1035, 255},
                                   QStringLiteral("Serial Port:")),
                             QStringLiteral("cmbComports")));
    rows.push_back(
        spoken(list(QStringLiteral("cmbComports"), ControlFrame, {1050, 300, 1545, 315}, {}),
               QStringLiteral("Serial port"),
               QStringLiteral("The port the unit is on. F5 reads the unit again.")));
    rows.push_back(captioned(ControlKind::TitledFrame, ChannelFrame, ControlFrame,
                             {120, 660, 4215, 1275}, QStringLiteral("Video Channel:")));
}

void appendBackground(Rows &rows)
{
    rows.push_back(
        spoken(textBox(QStringLiteral("txtMove"), Root, {150, 630, 1305, 225}),
               QStringLiteral("Position keys"),
               QStringLiteral("The arrow keys move the overlay while this has the keyboard.")));
    rows.push_back(
        spoken(captioned(ControlKind::Picture, QStringLiteral("Image1"), Root, {90, 0, 480, 480}),
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
    rows.push_back(spoken(captioned(ControlKind::TabControl, Tabs, Root, tabControl),
                          QStringLiteral("Settings")));
}

void appendBackControls(Rows &rows, const Rows &selectors)
{
    appendControlFrame(rows);
    rows.insert(rows.end(), selectors.begin(), selectors.end());
    appendBackground(rows);
}

} // namespace qm::rows
