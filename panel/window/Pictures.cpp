#include "panel/window/Pictures.h"

#include "form/Contrast.h"
#include "model/UnitModel.h"

#include <QPainter>
#include <QPainterPath>

#include <array>

namespace qm {

namespace {

const QColor LitFace(0, 255, 0);
const QColor UnlitFace(236, 233, 216);
const QColor UnlitFaceOnDark(79, 78, 72);

void drawShadedEdge(QPainter &painter, const QRect &rect, const QColor &light, const QColor &dark)
{
    painter.setPen(light);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(dark);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
}

const QColor MonitorGrey(128, 128, 128);

// Where the monitor and its clock lie in a square picture of one size.
struct MonitorLayout
{
    QRect caseOutline; // as drawRect takes it: the outline runs one pixel beyond its size
    QRect screen;
    QPointF clockCentre;
    qreal clockRadius;
    QPointF minuteHand; // from the centre
    QPointF hourHand;
};

// The window's picture and the programs' icon.
const MonitorLayout Monitor32{QRect(1, 2, 29, 22), QRect(4, 5, 24, 16), QPointF(16, 13), 6.5,
                              QPointF(0, -4.5),    QPointF(3.0, 1.5)};
// The small icon is no scaled copy, which would blur the model's number: the clock shrinks, so
// that the plate keeps the digits at one pixel each.
const MonitorLayout Monitor24{QRect(1, 1, 21, 13), QRect(3, 3, 18, 10), QPointF(12, 8), 4.5,
                              QPointF(0, -3),      QPointF(2, 1)};

const MonitorLayout &monitorLayout(int size)
{
    return size == ProgramIconSmallSize.width() ? Monitor24 : Monitor32;
}

void drawMonitor(QPainter &painter, const MonitorLayout &layout)
{
    painter.setPen(Qt::black);
    painter.setBrush(MonitorGrey);
    painter.drawRect(layout.caseOutline);
    painter.fillRect(layout.screen, QColor(0, 0, 128));
}

void drawStand(QPainter &painter)
{
    painter.fillRect(13, 25, 6, 2, MonitorGrey);
    painter.setPen(Qt::black);
    painter.setBrush(MonitorGrey);
    painter.drawRect(8, 27, 15, 3); // foot
}

void drawClock(QPainter &painter, const MonitorLayout &layout)
{
    const QPointF centre = layout.clockCentre;
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 0), 1));
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, layout.clockRadius, layout.clockRadius);
    painter.setPen(QPen(QColor(128, 0, 0), 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, centre + layout.minuteHand); // on the hour
    painter.drawLine(centre, centre + layout.hourHand);   // a little past four
}

// Digits three pixels wide and five high, row by row, '#' lit.
constexpr std::array<const char *, 10> DigitGlyphs = {
    "####.##.##.####", ".#.##..#..#.###", "###..#####..###", "###..####..####", "#.##.####..#..#",
    "####..###..####", "####..####.####", "###..#..#..#..#", "####.#####.####", "####.####..####"};
constexpr int GlyphWidth = 3;
constexpr int GlyphHeight = 5;

QString modelNumber(const UnitModel &model)
{
    QString digits;
    for (QChar character : model.name) {
        if (character.isDigit())
            digits.append(character);
    }
    return digits;
}

// Told apart by lightness as well as by hue, for eyes that confuse the hues.
QColor plateColour(const UnitModel &model)
{
    return model.shortName == u"410a" ? QColor(200, 96, 0) : QColor(0, 96, 48);
}

QList<QPoint> digitPixels(const QString &digits, QPoint topLeft)
{
    QList<QPoint> pixels;
    for (QChar digit : digits) {
        const char *glyph = DigitGlyphs[static_cast<std::size_t>(digit.digitValue())];
        for (int row = 0; row < GlyphHeight; ++row) {
            for (int column = 0; column < GlyphWidth; ++column) {
                if (glyph[row * GlyphWidth + column] == '#')
                    pixels.append(topLeft + QPoint(column, row));
            }
        }
        topLeft.rx() += GlyphWidth + 1;
    }
    return pixels;
}

} // namespace

QPixmap channelIndicatorPixmap(bool lit, const QColor &background)
{
    const QColor unlit = isDarkBackground(background) ? UnlitFaceOnDark : UnlitFace;
    const QColor face = lit ? LitFace : unlit;
    QPixmap pixmap(IndicatorPictureSize);
    pixmap.fill(face);
    QPainter painter(&pixmap);
    drawShadedEdge(painter, pixmap.rect(), face.lighter(150), face.darker(200));
    return pixmap;
}

QPixmap windowPicturePixmap()
{
    QPixmap pixmap(ProgramIconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    drawMonitor(painter, Monitor32);
    drawStand(painter);
    drawClock(painter, Monitor32);
    return pixmap;
}

ModelPlate modelPlate(const UnitModel &model, int size)
{
    // Below the case, sharing its bottom edge; at 32 pixels wider than the foot it replaces, at
    // 24 as wide as the case.
    const QRect area =
        size == ProgramIconSmallSize.width() ? QRect(2, 14, 20, 10) : QRect(7, 24, 17, 8);
    const QString digits = modelNumber(model);
    const int width = digits.size() * (GlyphWidth + 1) - 1;
    const QPoint digitsTopLeft(area.center().x() - width / 2, area.bottom() - GlyphHeight);
    return {area, plateColour(model), digitPixels(digits, digitsTopLeft)};
}

QPixmap programIconPixmap(const UnitModel &model, int size)
{
    const MonitorLayout &layout = monitorLayout(size);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    drawMonitor(painter, layout);
    const ModelPlate plate = modelPlate(model, size);
    painter.setPen(Qt::black);
    painter.setBrush(plate.colour);
    painter.drawRect(plate.area.adjusted(0, 0, -1, -1));
    for (const QPoint &pixel : plate.digitPixels)
        painter.fillRect(QRect(pixel, QSize(1, 1)), Qt::white);
    drawClock(painter, layout);
    return pixmap;
}

QIcon programIcon(const UnitModel &model)
{
    QIcon icon(programIconPixmap(model, ProgramIconSize.width()));
    icon.addPixmap(programIconPixmap(model, ProgramIconSmallSize.width()));
    return icon;
}

} // namespace qm
