#pragma once

#include <QIcon>
#include <QPixmap>

namespace qm {

// The small pictures the panel draws itself instead of loading them from files.

inline constexpr QSize IndicatorPictureSize{20, 7};
inline constexpr QSize ProgramIconSize{32, 32};

// A channel indicator: a bright green face when lit, light grey when not, each inside a
// one-pixel edge shaded light above and left, dark below and right. On a dark background the
// unlit face is dark grey, so that only a lit one stands out.
QPixmap channelIndicatorPixmap(bool lit, const QColor &background);

// The program's icon: a monitor whose screen shows a clock.
QPixmap programIconPixmap();
QIcon programIcon();

} // namespace qm
