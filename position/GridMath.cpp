#include "position/GridMath.h"

#include "model/NumberText.h"

namespace qm {

namespace {

constexpr int ReadOutOffset = 75;
constexpr int ReadOutFlipLeft = 600;
constexpr int ReadOutFlipUp = 275;
constexpr int ReadOutRoomRight = 700;
constexpr int ReadOutRoomBelow = 400;

int roundedInt(double value)
{
    return static_cast<int>(roundHalfEven(value));
}

} // namespace

QPointF pixelsToTwips(QPointF pixels, double twipsPerPixel)
{
    return pixels * twipsPerPixel;
}

GridPosition positionAt(QPointF pointer, QSizeF grid)
{
    return {roundedInt(pointer.x() / grid.width() * HorizontalSpan) + 1,
            roundedInt(pointer.y() / grid.height() * VerticalSpan) + 1};
}

QPoint markerOffset(int horiz, int vert, QSize grid)
{
    return {roundedInt(double(horiz) / HorizontalSpan * grid.width()),
            roundedInt(double(vert) / VerticalSpan * grid.height())};
}

QPoint markerTopLeft(int horiz, int vert, const QRect &grid, QSize marker)
{
    const QPoint offset = markerOffset(horiz, vert, grid.size());
    return {grid.left() - roundedInt(marker.width() / 2.0) + offset.x(),
            grid.top() - roundedInt(marker.height() / 2.0) + offset.y()};
}

QPoint readOutTopLeft(QPointF pointer, const QRect &grid)
{
    const double x = pointer.x() <= grid.width() - ReadOutRoomRight ? pointer.x() + ReadOutOffset
                                                                    : pointer.x() - ReadOutFlipLeft;
    const double y = pointer.y() <= grid.height() - ReadOutRoomBelow ? pointer.y() + ReadOutOffset
                                                                     : pointer.y() - ReadOutFlipUp;
    return {grid.left() + roundedInt(x), grid.top() + roundedInt(y)};
}

} // namespace qm
