#pragma once

#include "link/Waiter.h"

#include <QList>

#include <functional>

namespace qm::test {

// A wait that takes no time: it records the delay asked for, runs the hook (which stands in
// for the events that would arrive during the wait, replies for instance) and returns.
class InstantWaiter : public Waiter
{
public:
    QList<int> delays;
    int interrupts = 0;
    // Called inside each delay with its position (0 for the first).
    std::function<void(int)> onDelay;

    void delay(int ms) override
    {
        delays << ms;
        if (onDelay)
            onDelay(static_cast<int>(delays.size()) - 1);
    }
    void interrupt() override { ++interrupts; }
};

} // namespace qm::test
