#pragma once

#include <QColor>

namespace qm {

// Colours chosen so that a look keeps its meaning on light and dark palettes alike, measured
// by the contrast ratio of the Web Content Accessibility Guidelines: from 1 (none) to 21
// (black on white).
double contrastRatio(const QColor &a, const QColor &b);

// Whether white stands out on this background better than black does.
bool isDarkBackground(const QColor &background);

// The preferred colour where it reads plainly on the background; otherwise black or white,
// whichever reads better.
QColor readableOn(const QColor &background, const QColor &preferred);

} // namespace qm
