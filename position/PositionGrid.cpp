#include "position/PositionGrid.h"

#include "form/FocusMark.h"
#include "model/Twips.h"
#include "position/GridMath.h"
#include "position/PositionPictures.h"

#include <QMouseEvent>
#include <QPainter>

namespace qm {

PositionGrid::PositionGrid(QWidget *parent)
    : QLabel(parent),
      m_pageMark(PageFocusMark::forPageOf(*this, QStringLiteral("Arrows: position")))
{
    setMouseTracking(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
}

void PositionGrid::setActiveLook(bool active)
{
    m_look = active ? Look::Active : Look::Inactive;
    showLook();
}

void PositionGrid::showLook()
{
    if (m_look == Look::None)
        return;
    setPixmap(gridPicture(m_look == Look::Active
                              ? activeGridColour(palette().color(QPalette::Window))
                              : inactiveGridColour()));
}

void PositionGrid::showKeyboardFocus(bool shown)
{
    if (shown == m_keyboardFocus)
        return;
    m_keyboardFocus = shown;
    update();
    if (m_pageMark)
        m_pageMark->setFocused(shown);
}

// The outline's colour depends on the background, which a desktop may change while we run.
void PositionGrid::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        showLook();
}

void PositionGrid::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!m_keyboardFocus)
        return;
    QPainter painter(this);
    drawFocusMark(painter, rect().adjusted(3, 3, -3, -3),
                  activeGridColour(palette().color(QPalette::Window)));
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
