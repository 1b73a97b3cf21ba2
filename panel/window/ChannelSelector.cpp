#include "panel/window/ChannelSelector.h"

#include "form/Contrast.h"
#include "form/FocusMark.h"
#include "panel/window/Pictures.h"

#include <QAccessible>
#include <QMouseEvent>
#include <QPainter>
#include <qdrawutil.h>

namespace qm {

namespace {

constexpr qreal DisabledOpacity = 0.4;

} // namespace

ChannelSelector::ChannelSelector(int index, SelectorStyle style, const QString &caption,
                                 QWidget *parent)
    : QWidget(parent), m_index(index), m_style(style), m_caption(caption),
      m_look(style == SelectorStyle::PushButton ? Look::Normal : Look::None)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Channel %1").arg(index + 1));
}

void ChannelSelector::setSelectedLook(bool selected)
{
    const Look look = selected ? Look::Selected : Look::Normal;
    if (look == m_look)
        return;
    const bool wasSelected = hasSelectedLook();
    m_look = look;
    update();
    if (wasSelected != selected) {
        QAccessible::State changed;
        changed.checked = true;
        QAccessibleStateChangeEvent event(this, changed);
        QAccessible::updateAccessibility(&event);
    }
}

void ChannelSelector::choose()
{
    if (isEnabled())
        emit released(m_index);
}

QSize ChannelSelector::sizeHint() const
{
    return m_style == SelectorStyle::PushButton ? QSize(41, 25) : QSize(34, 16);
}

void ChannelSelector::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_style == SelectorStyle::PushButton)
        paintButton(painter);
    else
        paintIndicator(painter);
}

// The focus mark stands round the picture, inside the selector's own area.
void ChannelSelector::paintIndicator(QPainter &painter)
{
    if (m_look == Look::None)
        return;
    const QColor background = palette().color(QPalette::Window);
    const QPixmap picture = channelIndicatorPixmap(hasSelectedLook(), background);
    QRect place(QPoint(), picture.size());
    place.moveCenter(rect().center());
    // Faded into the window, as desktops fade a disabled control, on light and dark alike.
    painter.setOpacity(isEnabled() ? 1.0 : DisabledOpacity);
    painter.drawPixmap(place.topLeft(), picture);
    painter.setOpacity(1.0);
    if (hasFocus())
        drawFocusMark(painter, place.adjusted(-3, -3, 3, 3),
                      readableOn(background, palette().color(QPalette::WindowText)));
}

// A disabled caption keeps the platform's faint colour: it is meant to read as unavailable.
QColor ChannelSelector::buttonTextColour(const QColor &face) const
{
    const QColor text = palette().color(QPalette::ButtonText);
    return isEnabled() ? readableOn(face, text) : text;
}

// Drawn like a classic flat-coloured button so that its face colour alone can show the
// choice: the selected one takes the light highlight colour and stands pressed in. A dark
// palette's light colour can be too light for its button text, which then turns dark.
void ChannelSelector::paintButton(QPainter &painter)
{
    const bool selected = hasSelectedLook();
    const QBrush face = palette().brush(selected ? QPalette::Light : QPalette::Button);
    qDrawWinButton(&painter, rect(), palette(), selected, &face);

    const QColor text = buttonTextColour(face.color());
    const QRect textRect = selected ? rect().translated(1, 1) : rect();
    painter.setPen(text);
    painter.drawText(textRect, Qt::AlignCenter, m_caption);
    if (hasFocus())
        drawFocusMark(painter, rect().adjusted(4, 4, -4, -4), text);
}

// Taking the press keeps it from reaching the frame behind, so the release comes here.
void ChannelSelector::mousePressEvent(QMouseEvent *event)
{
    event->accept();
}

void ChannelSelector::mouseReleaseEvent(QMouseEvent *event)
{
    switch (event->button()) {
    case Qt::LeftButton:
    case Qt::RightButton:
    case Qt::MiddleButton:
        event->accept();
        choose();
        break;
    default:
        event->ignore();
        break;
    }
}

} // namespace qm
