#pragma once

#include "form/RowMakers.h"
#include "panel/window/WindowDescription.h"

#include <array>

// The parts both main windows share, so each model's table reads as a list of its own controls.
namespace qm::rows {

// List masks: the bits of a field that a list shows.
inline constexpr quint8 TwoBits = 3;
inline constexpr quint8 ThreeBits = 7;
inline constexpr quint8 WholeByte = 0xFF;

// Where the text lines and their "Enabled" boxes stand in the model's fill order.
struct TextLineSteps
{
    int enables;
    int texts;
};

// A page of the settings tab control.
WindowRow tabPage(const QString &name, const QString &caption);
// Channel selector `index` in the "Video Channel:" frame, disabled until its channel answers.
WindowRow channelSelector(int index, QRect twips, const QString &caption = {});
// The position and size editor's frame, which the editor fills.
WindowRow positionFrame(const QString &container, QRect twips, int fillStep);

// A window of the model with what both windows share: the caption, the window mode list.
WindowDescription describeWindow(const UnitModel &model, QSize clientTwips, SelectorStyle style,
                                 const PositionLayout &positionLayout);
// The controls drawn in front of the rest, front to back: the hidden "Connecting to device"
// panel, "Update Immediately " at its place, the bottom row of buttons (starting with
// "Update" at updateLeft) and the tab control, whose pages the caller adds next.
void appendFrontControls(Rows &rows, QPoint updateImmediately, int bottomTop, int updateLeft,
                         QRect tabControl);
// The "Control:" frame holding the port list and the "Video Channel:" frame with the given
// selectors, then the arrow-key field hidden behind it and the program icon.
void appendBackControls(Rows &rows, const Rows &selectors);
// The three text lines, each a text box and an "Enabled" box at the given places.
void appendTextLines(Rows &rows, const QString &container, const std::array<QRect, 3> &texts,
                     const std::array<QPoint, 3> &checks, TextLineSteps steps);

} // namespace qm::rows
