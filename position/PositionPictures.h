#pragma once

#include <QColor>
#include <QPixmap>

namespace qm {

// The editor's pictures, drawn rather than shipped: transparent everywhere they show nothing.

inline constexpr QSize GridPictureSize(159, 103);
inline constexpr QSize MarkerPictureSize(12, 12);

// The grid's look: a one-pixel outline along the picture's edge. Black means the arrow keys
// move the position, grey that the keyboard is elsewhere; on a dark background the active
// outline is white, so that it still stands out more than the grey one.
QPixmap gridPicture(const QColor &outline);
QColor activeGridColour(const QColor &background);
QColor inactiveGridColour();

// The position marker: a red cross with an open centre, whose middle is pixel (5, 5).
QPixmap markerPicture();

} // namespace qm
