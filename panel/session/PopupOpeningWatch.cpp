#include "panel/session/PopupOpeningWatch.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>

namespace qm {

namespace {

// The keys with which a list without typing opens.
bool opensList(const QKeyEvent &key)
{
    const bool alt = key.modifiers().testFlag(Qt::AltModifier);
    switch (key.key()) {
    case Qt::Key_F4:
        return key.modifiers() == Qt::NoModifier;
    case Qt::Key_Space:
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
        return alt;
    default:
        return false;
    }
}

bool opensList(const QEvent &event)
{
    switch (event.type()) {
    case QEvent::MouseButtonPress:
        return static_cast<const QMouseEvent &>(event).button() == Qt::LeftButton;
    case QEvent::KeyPress:
        return opensList(static_cast<const QKeyEvent &>(event));
    default:
        return false;
    }
}

} // namespace

PopupOpeningWatch::PopupOpeningWatch(QComboBox &list, std::function<void()> onOpening,
                                     QObject *parent)
    : QObject(parent), m_onOpening(std::move(onOpening))
{
    list.installEventFilter(this);
}

bool PopupOpeningWatch::eventFilter(QObject *watched, QEvent *event)
{
    auto *list = qobject_cast<QComboBox *>(watched);
    if (list && list->isEnabled() && opensList(*event))
        m_onOpening();
    return QObject::eventFilter(watched, event);
}

} // namespace qm
