#pragma once

#include <QPoint>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QSizeF>

namespace qm {

// The arithmetic between the position grid on screen and the unit's overlay positions. All
// geometry is in twips, the unit the window is designed in; positions are 1..188 across and
// 1..58 down.

inline constexpr int HorizontalSpan = 188;
inline constexpr int VerticalSpan = 58;

struct GridPosition
{
    int horiz = 0;
    int vert = 0;

    friend bool operator==(const GridPosition &, const GridPosition &) = default;
};

// A pointer place given in pixels, in twips, for a screen of twipsPerPixel.
QPointF pixelsToTwips(QPointF pixels, double twipsPerPixel);

// The position a press at pointer (relative to the grid's top-left) sets. The far edge of a
// grid whose size is not a whole number of pixels can give 189 or 59; the caller clamps.
GridPosition positionAt(QPointF pointer, QSizeF grid);

// How far the marker's centre stands from the grid's top-left for a position.
QPoint markerOffset(int horiz, int vert, QSize grid);

// The marker's top-left for a position; nothing is clamped, so positions beyond the grid's
// range put the marker partly or wholly outside it.
QPoint markerTopLeft(int horiz, int vert, const QRect &grid, QSize marker);

// Where the hover read-out goes: below and right of the pointer, or above / left of it when
// the pointer is near the grid's bottom / right edge, so that it stays readable.
QPoint readOutTopLeft(QPointF pointer, const QRect &grid);

} // namespace qm
