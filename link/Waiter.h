#pragma once

#include <QObject>

namespace qm {

// Waits a number of milliseconds while the window keeps handling its events. The real one
// runs a local event loop against a monotonic clock; tests use one that returns at once.
class Waiter
{
public:
    virtual ~Waiter() = default;
    // Returns after ms milliseconds, or at once for 0 or less, or early after interrupt().
    virtual void delay(int ms) = 0;
    // Ends the wait in progress, if any (a newer poll or a closing window needs the time).
    virtual void interrupt() = 0;
};

} // namespace qm
