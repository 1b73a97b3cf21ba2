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

void drawMonitor(QPainter &painter)
{
    painter.setPen(Qt::black);
    painter.setBrush(MonitorGrey);
    painter.drawRect(1, 2, 29, 22);                    // case
    painter.fillRect(4, 5, 24, 16, QColor(0, 0, 128)); // screen
}

void drawStand(QPainter &painter)
{
    painter.fillRect(13, 25, 6, 2, MonitorGrey);
    painter.setPen(Qt::black);
    painter.setBrush(MonitorGrey);
    painter.drawRect(8, 27, 15, 3); // foot
}

void drawClock(QPainter &painter)
{
    const QPointF centre(16, 13);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0, 0, 0), 1));
    painter.setBrush(Qt::white);
    painter.drawEllipse(centre, 6.5, 6.5);
    painter.setPen(QPen(QColor(128, 0, 0), 1.5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(centre, centre + QPointF(0, -4.5));  // minutes: on the hour
    painter.drawLine(centre, centre + QPointF(3.0, 1.5)); // hours: a little past four
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
    drawMonitor(painter);
    drawStand(painter);
    drawClock(painter);
    return pixmap;
}

ModelPlate modelPlate(const UnitModel &model)
{
    // Below the case, sharing its bottom edge, and wider than the foot it replaces.
    const QRect area(7, 24, 17, 8);
    const QString digits = modelNumber(model);
    const int width = digits.size() * (GlyphWidth + 1) - 1;
    const QPoint digitsTopLeft(area.center().x() - width / 2, area.bottom() - GlyphHeight);
    return {area, plateColour(model), digitPixels(digits, digitsTopLeft)};
}

QPixmap programIconPixmap(const UnitModel &model)
{
    QPixmap pixmap(ProgramIconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    drawMonitor(painter);
    const ModelPlate plate = modelPlate(model);
    painter.setPen(Qt::black);
    painter.setBrush(plate.colour);
    painter.drawRect(plate.area.adjusted(0, 0, -1, -1));
    for (const QPoint &pixel : plate.digitPixels)
        painter.fillRect(QRect(pixel, QSize(1, 1)), Qt::white);
    drawClock(painter);
    return pixmap;
}

QIcon programIcon(const UnitModel &model)
{
    return QIcon(programIconPixmap(model));
}

} // namespace qm
