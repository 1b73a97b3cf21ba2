#include "apps/ModelWindows.h"
#include "apps/WindowRows.h"

namespace qm {

// The Release tree compiles both windows as one file: each keeps its fill steps to itself.
namespace window410a {
namespace {

using namespace rows;

// The order in which a record fills the window: the position grid's look follows the last
// control filled.
enum FillStep : int
{
    EnablesStep = 0, // three, one a line
    TimeCodeStep = 3,
    HourModeStep,
    WindowModeStep,
    TimeZoneStep,
    DateModeStep,
    DisplayModeStep,
    BlankStep,
    PositionStep,
    TextsStep, // three, one a line
};

constexpr QLatin1String DisplayFrame("fraDisplaySettings");
constexpr QLatin1String TimeCodeGroup("fraTimeCodeInput");
constexpr QLatin1String HourModeGroup("fraHourMode");
constexpr QLatin1String VideoChannelFrame("Frame2");

QStringList timeZoneItems()
{
    return {QStringLiteral("-12"),
            QStringLiteral("-11.5"),
            QStringLiteral("-11"),
            QStringLiteral("-10.5"),
            QStringLiteral("-10      (Hawaii)"),
            QStringLiteral("-9.5"),
            QStringLiteral("-9"),
            QStringLiteral("-8.5"),
            QStringLiteral("-8        (Pacific)"),
            QStringLiteral("-7.5"),
            QStringLiteral("-7        (Mountain)"),
            QStringLiteral("-6.5"),
            QStringLiteral("-6        (Central)"),
            QStringLiteral("-5.5"),
            QStringLiteral("-5        (Eastern)"),
            QStringLiteral("-4.5"),
            QStringLiteral("-4        (Atlantic)"),
            QStringLiteral("-3.5"),
            QStringLiteral("-3"),
            QStringLiteral("-2.5"),
            QStringLiteral("-2"),
            QStringLiteral("-1.5"),
            QStringLiteral("-1"),
            QStringLiteral("-0.5"),
            QStringLiteral("0         (UTC)"),
            QStringLiteral("+0.5"),
            QStringLiteral("+1"),
            QStringLiteral("+1.5"),
            QStringLiteral("+2"),
            QStringLiteral("+2.5"),
            QStringLiteral("+3"),
            QStringLiteral("+3.5"),
            QStringLiteral("+4"),
            QStringLiteral("+4.5"),
            QStringLiteral("+5"),
            QStringLiteral("+5.5"),
            QStringLiteral("+6"),
            QStringLiteral("+6.5"),
            QStringLiteral("+7"),
            QStringLiteral("7.5"),
            QStringLiteral("+8       (W. Australia)"),
            QStringLiteral("+8.5"),
            QStringLiteral("+9"),
            QStringLiteral("+9.5    (C. Australia)"),
            QStringLiteral("+10     (E. Australia)"),
            QStringLiteral("+10.5"),
            QStringLiteral("+11"),
            QStringLiteral("+11.5"),
            QStringLiteral("+12")};
}

// Lit/unlit indicators with their grey number labels, six to a row: labels above the first
// row and below the second.
Rows channelIndicators()
{
    Rows rows;
    const int indicatorLefts[12] = {210, 858, 1506, 2154, 2802, 3450,
                                    210, 855, 1500, 2160, 2802, 3450};
    const int indicatorTops[12] = {450, 450, 450, 450, 450, 450, 735, 740, 740, 740, 740, 740};
    const int labelLefts[6] = {255, 885, 1530, 2175, 2820, 3465};
    for (int i = 0; i < 12; ++i)
        rows.push_back(channelSelector(i, {indicatorLefts[i], indicatorTops[i], 510, 240}));
    for (int i = 0; i < 12; ++i) {
        const WindowRow number =
            label(QStringLiteral("Label1"), VideoChannelFrame,
                  {labelLefts[i % 6], i < 6 ? 240 : 990, 435, 225}, QString::number(i + 1),
                  ControlOption::Centred | ControlOption::GreyText);
        rows.push_back(
            element(labelling(number, arrayElementName(QStringLiteral("cmdButton"), i)), i));
    }
    return rows;
}

void appendDisplayPage(Rows &rows, const WindowDescription &d)
{
    const QString page = QStringLiteral("pageDisplaySettings");
    rows.push_back(tabPage(page, QStringLiteral("Display Settings")));
    rows.push_back(captioned(ControlKind::Frame, DisplayFrame, page, {90, 330, 4245, 2715}));
    const auto labelAt = [](int top) {
        return QRect(90, top, 1275, 255);
    };
    rows.push_back(labelling(label(QStringLiteral("Label9"), DisplayFrame, labelAt(240),
                                   QStringLiteral("Time Code Input:")),
                             TimeCodeGroup));
    rows.push_back(
        captioned(ControlKind::Group, TimeCodeGroup, DisplayFrame, {1740, 180, 2175, 285}));
    rows.push_back(bound(radioButton(QStringLiteral("optQOR"), TimeCodeGroup, {0, 30, 705, 285},
                                     QStringLiteral("QOR")),
                         bind::optionPair(Field::TimeCodeInput, FirstOption::StandsForZero,
                                          TimeCodeStep, QStringLiteral("optSMPTE"))));
    rows.push_back(radioButton(QStringLiteral("optSMPTE"), TimeCodeGroup, {1200, 30, 1125, 285},
                               QStringLiteral("SMPTE")));
    rows.push_back(labelling(
        label(QStringLiteral("Label11"), DisplayFrame, labelAt(590), QStringLiteral("Hour Mode:")),
        HourModeGroup));
    rows.push_back(
        captioned(ControlKind::Group, HourModeGroup, DisplayFrame, {1740, 540, 2055, 255}));
    rows.push_back(bound(radioButton(QStringLiteral("opt12hr"), HourModeGroup, {0, 0, 945, 285},
                                     QStringLiteral("12 Hr.")),
                         bind::optionPair(Field::HourMode, FirstOption::StandsForOne, HourModeStep,
                                          QStringLiteral("opt24hr"))));
    rows.push_back(radioButton(QStringLiteral("opt24hr"), HourModeGroup, {1200, 0, 825, 285},
                               QStringLiteral("24 Hr.")));
    rows.push_back(labelling(
        label(QStringLiteral("Label12"), DisplayFrame, labelAt(940), QStringLiteral("Date Mode:")),
        QStringLiteral("cmbDateMode")));
    rows.push_back(bound(spoken(list(QStringLiteral("cmbDateMode"), DisplayFrame,
                                     {1740, 910, 2385, 315}, d.dateModes),
                                QStringLiteral("Date mode")),
                         bind::list(Field::DateMode, TwoBits, DateModeStep)));
    rows.push_back(labelling(
        label(QStringLiteral("Label10"), DisplayFrame, labelAt(1290), QStringLiteral("Timezone:")),
        QStringLiteral("cmbTimeZone")));
    rows.push_back(bound(spoken(tip(list(QStringLiteral("cmbTimeZone"), DisplayFrame,
                                         {1740, 1260, 2385, 315}, d.timeZones),
                                    QStringLiteral("Sets the Time Zone offset relative to UTC")),
                                QStringLiteral("Time zone"), QStringLiteral("Offset from UTC")),
                         bind::list(Field::TimeZone, WholeByte, TimeZoneStep)));
    rows.push_back(labelling(label(QStringLiteral("Label3"), DisplayFrame, labelAt(1640),
                                   QStringLiteral("Window Mode:")),
                             QStringLiteral("cmbWindowMode")));
    rows.push_back(bound(spoken(list(QStringLiteral("cmbWindowMode"), DisplayFrame,
                                     {1740, 1610, 2385, 315}, d.windowModes),
                                QStringLiteral("Window mode")),
                         bind::list(Field::WindowMode, TwoBits, WindowModeStep)));
    rows.push_back(labelling(label(QStringLiteral("Label8"), DisplayFrame, labelAt(1990),
                                   QStringLiteral("Display Mode:")),
                             QStringLiteral("cmbDisplayMode")));
    // The unit keeps a third display mode bit, so 4 to 7 are out of the list and repaired.
    rows.push_back(bound(spoken(list(QStringLiteral("cmbDisplayMode"), DisplayFrame,
                                     {1740, 1960, 2385, 315}, d.displayModes),
                                QStringLiteral("Display mode")),
                         bind::list(Field::DisplayMode, ThreeBits, DisplayModeStep)));
    rows.push_back(bound(checkBox(QStringLiteral("chkBlank"), DisplayFrame, {1740, 2340, 1095, 285},
                                  QStringLiteral("Blank")),
                         bind::checkBit(Field::Blank, 0, BlankStep)));
}

void appendTextPage(Rows &rows)
{
    const QString page = QStringLiteral("pageTextSettings");
    const QString frame = QStringLiteral("fraTextSettings");
    rows.push_back(tabPage(page, QStringLiteral("Text Settings")));
    rows.push_back(captioned(ControlKind::Frame, frame, page, {60, 330, 4305, 2715}));
    appendTextLines(
        rows, frame,
        {QRect(60, 480, 3220, 315), QRect(30, 1230, 3220, 315), QRect(30, 1980, 3220, 315)},
        {QPoint(3365, 510), QPoint(3365, 1260), QPoint(3365, 2010)},
        {.enables = EnablesStep, .texts = TextsStep});
}

WindowDescription make410aWindow()
{
    WindowDescription d = describeWindow(qm410a(), {4635, 6495}, SelectorStyle::IndicatorPicture,
                                         {300, QRect(720, 210, 525, 255)});
    d.displayModes = {QStringLiteral("Time and Date"), QStringLiteral("Time Only"),
                      QStringLiteral("Date Only"), QStringLiteral("Date and Time Off")};
    d.dateModes = {QStringLiteral("MM-DD-YY"), QStringLiteral("DD-MM-YY"),
                   QStringLiteral("YY-MM-DD")};
    d.timeZones = timeZoneItems();

    Rows &rows = d.controls;
    appendFrontControls(rows, {90, 2490}, 5940, 360, {90, 2790, 4455, 3645});
    appendDisplayPage(rows, d);
    const QString positionPage = QStringLiteral("pageSizeAndPosition");
    rows.push_back(tabPage(positionPage, QStringLiteral("Size and Position")));
    rows.push_back(positionFrame(positionPage, {60, 330, 4305, 2715}, PositionStep));
    appendTextPage(rows);
    appendBackControls(rows, channelIndicators());
    return d;
}

} // namespace
} // namespace window410a

const WindowDescription &qm410aWindow()
{
    static const WindowDescription description = window410a::make410aWindow();
    return description;
}

} // namespace qm
