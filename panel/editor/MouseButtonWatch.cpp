#include "panel/editor/MouseButtonWatch.h"

#include <QEvent>

#include <utility>

namespace qm {

MouseButtonWatch::MouseButtonWatch(std::function<void()> onPress, std::function<void()> onRelease,
                                   QObject *parent)
    : QObject(parent), m_onPress(std::move(onPress)), m_onRelease(std::move(onRelease))
{}

void MouseButtonWatch::watch(QObject *target)
{
    target->installEventFilter(this);
}

bool MouseButtonWatch::eventFilter(QObject *, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress)
        m_onPress();
    else if (event->type() == QEvent::MouseButtonRelease)
        m_onRelease();
    return false;
}

} // namespace qm
