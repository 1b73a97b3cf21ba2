#include "form/Contrast.h"

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

// The ratio below which body text is hard to read.
constexpr double ReadableRatio = 4.5;

double linearChannel(double value)
{
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

double relativeLuminance(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return 0.2126 * linearChannel(rgb.redF()) + 0.7152 * linearChannel(rgb.greenF()) +
           0.0722 * linearChannel(rgb.blueF());
}

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double first = relativeLuminance(a);
    const double second = relativeLuminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

bool isDarkBackground(const QColor &background)
{
    return contrastRatio(Qt::white, background) > contrastRatio(Qt::black, background);
}

QColor readableOn(const QColor &background, const QColor &preferred)
{
    if (contrastRatio(preferred, background) >= ReadableRatio)
        return preferred;
    return isDarkBackground(background) ? QColor(Qt::white) : QColor(Qt::black);
}

} // namespace qm
