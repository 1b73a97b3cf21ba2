#pragma once

#include <QRect>

namespace qm {

// Where the editor's controls sit inside their frame for one model, in twips. The QM-410A's
// frame is taller: its controls stand lower by topOffset, except the read-out and the marker,
// whose places each model gives on its own.
struct PositionLayout
{
    int topOffset = 0;
    QRect coordinatesTwips; // lblCoordinates (Left, Top, Width, Height)
};

} // namespace qm
