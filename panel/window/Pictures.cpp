#include "panel/window/Pictures.h"

#include "form/Contrast.h"

#include <QPainter>
#include <QPainterPath>

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

void drawMonitor(QPainter &painter)
{
    painter.setPen(Qt::black);
    painter.setBrush(QColor(128, 128, 128));
    painter.drawRect(1, 2, 29, 22);                    // case
    painter.fillRect(4, 5, 24, 16, QColor(0, 0, 128)); // screen
    painter.fillRect(13, 25, 6, 2, QColor(128, 128, 128));
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

QPixmap programIconPixmap()
{
    QPixmap pixmap(ProgramIconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    drawMonitor(painter);
    drawClock(painter);
    return pixmap;
}

QIcon programIcon()
{
    return QIcon(programIconPixmap());
}

} // namespace qm
