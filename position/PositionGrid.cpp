#include "position/PositionGrid.h"

#include "model/Twips.h"
#include "position/GridMath.h"
#include "position/PositionPictures.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>

namespace qm {

PositionGrid::PositionGrid(QWidget *parent)
    : QLabel(parent), m_activePicture(gridPicture(activeGridColour())),
      m_inactivePicture(gridPicture(inactiveGridColour()))
{
    setMouseTracking(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void PositionGrid::setActiveLook(bool active)
{
    m_look = active ? Look::Active : Look::Inactive;
    setPixmap(active ? m_activePicture : m_inactivePicture);
}

void PositionGrid::showKeyboardFocus(bool shown)
{
    if (shown == m_keyboardFocus)
        return;
    m_keyboardFocus = shown;
    update();
}

void PositionGrid::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!m_keyboardFocus)
        return;
    QPainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = rect().adjusted(3, 3, -3, -3);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

void PositionGrid::mousePressEvent(QMouseEvent *event)
{
    if (const int button = buttonMask(event->button()))
        emit pressed(button, pointerTwips(event));
}

void PositionGrid::mouseMoveEvent(QMouseEvent *event)
{
    emit moved(buttonMask(event->buttons()), pointerTwips(event));
}

void PositionGrid::mouseReleaseEvent(QMouseEvent *event)
{
    if (const int button = buttonMask(event->button()))
        emit released(button, pointerTwips(event));
}

int PositionGrid::buttonMask(Qt::MouseButtons buttons)
{
    return (buttons.testFlag(Qt::LeftButton) ? 1 : 0) |
           (buttons.testFlag(Qt::RightButton) ? 2 : 0) |
           (buttons.testFlag(Qt::MiddleButton) ? 4 : 0);
}

// Logical pixels, so that a scaled screen gives the twips its real dots per inch would give.
QPointF PositionGrid::pointerTwips(const QMouseEvent *event)
{
    return pixelsToTwips(event->position(), TwipsPerPixel);
}

} // namespace qm
