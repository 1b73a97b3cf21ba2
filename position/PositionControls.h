#pragma once

#include "position/PositionLayout.h"

#include <QRect>

class QFrame;
class QLabel;
class QLineEdit;
class QSlider;

namespace qm {

class PositionGrid;

// The controls of the position and size editor that it gives behaviour, built from rows inside
// its frame at their design places. The grid and the marker are placed in twips by the editor,
// so their design rectangles are given here too.
struct PositionControls
{
    QLineEdit *lblCoordinates = nullptr;
    PositionGrid *imgPositionGrid = nullptr;
    QLabel *imgPosition = nullptr;
    QLineEdit *txtHorizontal = nullptr;
    QLineEdit *txtVertical = nullptr;
    QSlider *sldVertSize = nullptr;
    QLabel *lblVertSize = nullptr;
    QSlider *sldHorizSize = nullptr;
    QLabel *lblHorizSize = nullptr;

    QRect gridTwips;
    QRect markerTwips;
};

PositionControls buildPositionControls(QFrame *framePosition, const PositionLayout &layout);

} // namespace qm
