#include "process/SessionEnd.h"

#include "process/TerminationSignals.h"

#include <csignal>

namespace qm {

struct SessionEnd::Watch
{
    TerminationSignals termination;
};

SessionEnd::SessionEnd(QObject *parent) : QObject(parent), m_watch(std::make_unique<Watch>())
{
    connect(&m_watch->termination, &TerminationSignals::terminationRequested, this,
            &SessionEnd::endRequested);
}

SessionEnd::~SessionEnd() = default;

// A desktop logout sends SIGTERM, a closed terminal SIGHUP; both leave time for the close.
bool SessionEnd::install()
{
    return m_watch->termination.install({SIGTERM, SIGHUP});
}

} // namespace qm
