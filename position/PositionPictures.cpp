#include "position/PositionPictures.h"

#include "form/Contrast.h"

#include <QPainter>

namespace qm {

QPixmap gridPicture(const QColor &outline)
{
    QPixmap picture(GridPictureSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    const int right = GridPictureSize.width() - 1;
    const int bottom = GridPictureSize.height() - 1;
    painter.fillRect(QRect(0, 0, right + 1, 1), outline);
    painter.fillRect(QRect(0, bottom, right + 1, 1), outline);
    painter.fillRect(QRect(0, 0, 1, bottom + 1), outline);
    painter.fillRect(QRect(right, 0, 1, bottom + 1), outline);
    return picture;
}

QColor activeGridColour(const QColor &background)
{
    return isDarkBackground(background) ? QColor(0xFF, 0xFF, 0xFF) : QColor(0x00, 0x00, 0x00);
}

QColor inactiveGridColour()
{
    return QColor(0x99, 0x99, 0x99);
}

QPixmap markerPicture()
{
    const QColor red(0xFF, 0x00, 0x00);
    QPixmap picture(MarkerPictureSize);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.fillRect(QRect(5, 0, 1, 4), red);
    painter.fillRect(QRect(5, 7, 1, 4), red);
    painter.fillRect(QRect(0, 5, 4, 1), red);
    painter.fillRect(QRect(7, 5, 4, 1), red);
    return picture;
}

} // namespace qm
