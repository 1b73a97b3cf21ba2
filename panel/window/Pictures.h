#pragma once

#include <QColor>
#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QPoint>
#include <QRect>

namespace qm {

struct UnitModel;

// The small pictures the panel draws itself instead of loading them from files.

inline constexpr QSize IndicatorPictureSize{20, 7};
inline constexpr QSize ProgramIconSize{32, 32};
inline constexpr QSize ProgramIconSmallSize{24, 24};

// A channel indicator: a bright green face when lit, light grey when not, each inside a
// one-pixel edge shaded light above and left, dark below and right. On a dark background the
// unlit face is dark grey, so that only a lit one stands out.
QPixmap channelIndicatorPixmap(bool lit, const QColor &background);

// The window's picture: a monitor on its stand whose screen shows a clock.
QPixmap windowPicturePixmap();

// The plate a program's icon stands on in place of the stand, which tells the two programs apart
// in a menu: a colour of the model's own, outlined in black, with the model's number ("410",
// "520") lit in white, in the pixels of the icon of that size (24 or 32).
struct ModelPlate
{
    QRect area; // the pixels the plate covers, its outline included
    QColor colour;
    QList<QPoint> digitPixels;
};
ModelPlate modelPlate(const UnitModel &model, int size);

// A program's icon for menus and task bars: the window's monitor and clock on its model's plate,
// drawn for 24 or 32 pixels; the icon holds both.
QPixmap programIconPixmap(const UnitModel &model, int size);
QIcon programIcon(const UnitModel &model);

} // namespace qm
