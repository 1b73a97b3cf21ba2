#include "link/EventLoopWaiter.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace qm {

namespace {

int remainingMsRoundedUp(const QDeadlineTimer &deadline)
{
    constexpr qint64 NsPerMs = 1'000'000;
    return static_cast<int>((deadline.remainingTimeNSecs() + NsPerMs - 1) / NsPerMs);
}

} // namespace

void EventLoopWaiter::delay(int ms)
{
    if (ms <= 0)
        return;
    const QDeadlineTimer deadline(ms, Qt::PreciseTimer);
    const quint64 interruptsBefore = m_interrupts;
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    m_loops.append(&loop);
    // The timer only wakes the loop; the deadline decides, so an early tick waits on.
    while (m_interrupts == interruptsBefore && !deadline.hasExpired()) {
        timer.start(remainingMsRoundedUp(deadline));
        loop.exec();
    }
    m_loops.removeOne(&loop);
}

void EventLoopWaiter::interrupt()
{
    ++m_interrupts;
    for (QEventLoop *loop : std::as_const(m_loops))
        loop->quit();
}

} // namespace qm
