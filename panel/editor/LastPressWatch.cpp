#include "panel/editor/LastPressWatch.h"

#include <QCoreApplication>
#include <QEvent>

namespace qm {

LastPressWatch::LastPressWatch(QObject *parent) : QObject(parent)
{
    QCoreApplication::instance()->installEventFilter(this);
}

bool LastPressWatch::eventFilter(QObject *, QEvent *event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        m_key = true;
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        m_key = false;
        break;
    default:
        break;
    }
    return false;
}

} // namespace qm
