#pragma once

#include <QObject>

#include <functional>

namespace qm {

// Reports the mouse presses and releases that reach a widget (its own, and those that its
// children leave unhandled) without taking them away from it.
class MouseButtonWatch : public QObject
{
    Q_OBJECT
public:
    MouseButtonWatch(std::function<void()> onPress, std::function<void()> onRelease,
                     QObject *parent = nullptr);

    void watch(QObject *target);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void()> m_onPress;
    std::function<void()> m_onRelease;
};

} // namespace qm
