#pragma once

#include <QRect>

namespace qm {

// Window geometry is designed in twips; Qt's high-DPI scaling takes logical pixels from here.
inline constexpr int TwipsPerPixel = 15;

// Nearest pixel: design values that are not whole pixels (858 twips) land where they are closest.
constexpr int twipsToPixels(int twips)
{
    const int half = TwipsPerPixel / 2;
    return twips >= 0 ? (twips + half) / TwipsPerPixel : -((-twips + half) / TwipsPerPixel);
}

constexpr QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width),
                 twipsToPixels(height));
}

} // namespace qm
