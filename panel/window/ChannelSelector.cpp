#include "panel/window/ChannelSelector.h"

#include "panel/window/Pictures.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <qdrawutil.h>

namespace qm {

ChannelSelector::ChannelSelector(int index, SelectorStyle style, const QString &caption,
                                 QWidget *parent)
    : QWidget(parent), m_index(index), m_style(style), m_caption(caption),
      m_look(style == SelectorStyle::PushButton ? Look::Normal : Look::None)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName(QStringLiteral("Channel %1").arg(index + 1));
    if (m_style == SelectorStyle::IndicatorPicture) {
        m_lit = channelIndicatorPixmap(true);
        m_unlit = channelIndicatorPixmap(false);
    }
}

void ChannelSelector::setSelectedLook(bool selected)
{
    const Look look = selected ? Look::Selected : Look::Normal;
    if (look == m_look)
        return;
    m_look = look;
    update();
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

void ChannelSelector::paintIndicator(QPainter &painter)
{
    if (m_look == Look::None)
        return;
    const QPixmap &picture = hasSelectedLook() ? m_lit : m_unlit;
    QRect place(QPoint(), picture.size());
    place.moveCenter(rect().center());
    painter.drawPixmap(place.topLeft(), picture);
}

// Drawn like a classic flat-coloured button so that its face colour alone can show the
// choice: the selected one takes the light highlight colour and stands pressed in.
void ChannelSelector::paintButton(QPainter &painter)
{
    const bool selected = hasSelectedLook();
    const QBrush face = palette().brush(selected ? QPalette::Light : QPalette::Button);
    qDrawWinButton(&painter, rect(), palette(), selected, &face);

    const QRect textRect = selected ? rect().translated(1, 1) : rect();
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(textRect, Qt::AlignCenter, m_caption);

    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(4, 4, -4, -4);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
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
