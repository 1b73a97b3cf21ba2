#pragma once

#include "link/Waiter.h"

#include <QList>

class QEventLoop;

namespace qm {

// The real wait: a local event loop that sleeps until an event or the deadline comes, so the
// window keeps working and no processor time is burnt. The deadline is kept on a monotonic
// clock, which neither midnight nor a change of the system time can cut short.
class EventLoopWaiter : public Waiter
{
public:
    void delay(int ms) override;
    // Ends every wait in progress, nested ones included.
    void interrupt() override;

private:
    QList<QEventLoop *> m_loops;
    quint64 m_interrupts = 0;
};

} // namespace qm
