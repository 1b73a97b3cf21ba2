#include "process/Interruption.h"

#include "process/TerminationSignals.h"

#include <csignal>
#include <cstdlib>

namespace qm {

struct Interruption::Watch
{
    TerminationSignals termination;
};

Interruption::Interruption(QObject *parent) : QObject(parent), m_watch(std::make_unique<Watch>())
{
    connect(&m_watch->termination, &TerminationSignals::terminationRequested, this,
            &Interruption::requested);
}

Interruption::~Interruption() = default;

void Interruption::install()
{
    m_watch->termination.install({SIGTERM, SIGHUP, SIGINT});
}

QString Interruption::signalName() const
{
    switch (m_watch->termination.lastSignal()) {
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    case SIGINT:
        return QStringLiteral("SIGINT");
    default:
        return QStringLiteral("SIGTERM");
    }
}

// The shell's status for a signal that ends a program is 128 plus its number; the exit only
// counts if raising the signal did not end the process.
void Interruption::endAsAsked() const
{
    const int signalNumber = m_watch->termination.lastSignal();
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
    std::_Exit(128 + signalNumber);
}

} // namespace qm
