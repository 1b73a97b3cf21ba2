#include "apps/ModelWindows.h"
#include "apps/WindowRows.h"

namespace qm {

// The Release tree compiles both windows as one file: each keeps its fill steps to itself.
namespace window520a {
namespace {

using namespace rows;

// The order in which a record fills the window: the position grid's look follows the last
// control filled.
enum FillStep : int
{
    EnablesStep = 0, // three, one a line
    AutoStopStep = 3,
    LeapSecondsStep,
    WindowModeStep,
    DisplayModeStep,
    BlankStep,
    PositionStep,
    TextsStep, // three, one a line
    TimeFontStep = TextsStep + 3,
};

// Captioned push buttons "1" to "12", six to a row.
Rows channelButtons()
{
    Rows rows;
    const int lefts[12] = {120, 792, 1464, 2160, 2808, 3480, 120, 795, 1470, 2160, 2805, 3480};
    for (int i = 0; i < 12; ++i)
        rows.push_back(
            channelSelector(i, {lefts[i], i < 6 ? 240 : 720, 615, 375}, QString::number(i + 1)));
    return rows;
}

// The position editor on top, then the display settings in a label and an input column.
void appendDisplayPage(Rows &rows, const WindowDescription &d)
{
    const QString page = QStringLiteral("pageDisplaySettings");
    rows.push_back(tabPage(page, QStringLiteral("Display Settings")));
    rows.push_back(positionFrame(page, {60, 330, 4305, 2025}, PositionStep));
    rows.push_back(labelling(label(QStringLiteral("Label3"), page, {150, 2400, 1275, 255},
                                   QStringLiteral("Window Mode:")),
                             QStringLiteral("cmbWindowMode")));
    rows.push_back(bound(
        spoken(list(QStringLiteral("cmbWindowMode"), page, {1800, 2370, 2385, 315}, d.windowModes),
               QStringLiteral("Window mode")),
        bind::list(Field::WindowMode, TwoBits, WindowModeStep)));
    rows.push_back(labelling(label(QStringLiteral("Label8"), page, {150, 2730, 1275, 255},
                                   QStringLiteral("Display Mode:")),
                             QStringLiteral("cmbDisplayMode")));
    rows.push_back(bound(spoken(list(QStringLiteral("cmbDisplayMode"), page,
                                     {1800, 2700, 2385, 315}, d.displayModes),
                                QStringLiteral("Display mode")),
                         bind::list(Field::DisplayMode, TwoBits, DisplayModeStep)));
    rows.push_back(labelling(label(QStringLiteral("Label9"), page, {150, 3060, 1215, 255},
                                   QStringLiteral("Time Font Style:")),
                             QStringLiteral("cmbTimeFont")));
    rows.push_back(bound(
        spoken(list(QStringLiteral("cmbTimeFont"), page, {1800, 3030, 2385, 315}, d.timeFonts),
               QStringLiteral("Time font style")),
        bind::listIfPresent(Field::TimeFont, TimeFontStep)));
    rows.push_back(bound(
        checkBox(QStringLiteral("chkBlank"), page, {150, 3390, 1095, 285}, QStringLiteral("Blank")),
        bind::checkBit(Field::Blank, 0, BlankStep)));
    rows.push_back(bound(checkBox(QStringLiteral("chkAutoStop"), page, {2100, 3390, 1095, 285},
                                  QStringLiteral("Auto Stop")),
                         bind::checkBit(Field::AutoStop, 0, AutoStopStep)));
    rows.push_back(bound(checkBox(QStringLiteral("chkLeapSeconds"), page, {150, 3660, 1455, 285},
                                  QStringLiteral("Leap Year")),
                         bind::checkBit(Field::LeapSeconds, 0, LeapSecondsStep)));
}

void appendTextPage(Rows &rows)
{
    const QString page = QStringLiteral("pageTextSettings");
    rows.push_back(tabPage(page, QStringLiteral("Text Settings")));
    const int tops[3] = {660, 1410, 2160};
    for (int line = 0; line < 3; ++line) {
        const WindowRow caption =
            labelling(label(QStringLiteral("lblText"), page, {150, tops[line], 735, 225},
                            QStringLiteral("Line %1:").arg(line + 1)),
                      arrayElementName(QStringLiteral("txtText"), line));
        rows.push_back(element(caption, line));
    }
    appendTextLines(
        rows, page,
        {QRect(120, 900, 3285, 315), QRect(120, 1650, 3285, 315), QRect(120, 2400, 3285, 315)},
        {QPoint(3510, 930), QPoint(3510, 1680), QPoint(3510, 2430)},
        {.enables = EnablesStep, .texts = TextsStep});
}

WindowDescription make520aWindow()
{
    WindowDescription d = describeWindow(qm520a(), {4635, 6960}, SelectorStyle::PushButton,
                                         {0, QRect(900, 480, 525, 255)});
    d.displayModes = {QStringLiteral("Time without milliseconds"),
                      QStringLiteral("Time with milliseconds"), QStringLiteral("Time Blanked")};
    d.timeFonts = {QStringLiteral("Alpha"), QStringLiteral("Block")};

    Rows &rows = d.controls;
    // "Update Immediately " sits in the tab strip, right of the two tabs, drawn over it.
    appendFrontControls(rows, {2820, 2550}, 6570, 480, {90, 2490, 4455, 4005});
    appendDisplayPage(rows, d);
    appendTextPage(rows);
    appendBackControls(rows, channelButtons());
    return d;
}

} // namespace
} // namespace window520a

const WindowDescription &qm520aWindow()
{
    static const WindowDescription description = window520a::make520aWindow();
    return description;
}

} // namespace qm
