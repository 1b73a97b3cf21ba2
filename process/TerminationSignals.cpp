#include "process/TerminationSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace qm {

namespace {

std::array<int, 2> g_pipe = {-1, -1};

// The byte is the signal's number, which is below 64.
void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t ignored = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

TerminationSignals::~TerminationSignals()
{
    if (m_notifier == nullptr)
        return;
    for (int signal : std::as_const(m_signals))
        std::signal(signal, SIG_DFL);
    delete m_notifier;
    for (int &fd : g_pipe) {
        ::close(fd);
        fd = -1;
    }
}

bool TerminationSignals::install(std::initializer_list<int> signalNumbers)
{
    if (::pipe2(g_pipe.data(), O_NONBLOCK | O_CLOEXEC) != 0)
        return false;
    struct sigaction action
    {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : signalNumbers) {
        if (::sigaction(signal, &action, nullptr) != 0)
            return false;
        m_signals.append(signal);
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::drain);
    return true;
}

void TerminationSignals::drain()
{
    char bytes[16];
    ssize_t count = 0;
    while ((count = ::read(g_pipe[0], bytes, sizeof bytes)) > 0)
        m_lastSignal = static_cast<unsigned char>(bytes[count - 1]);
    emit terminationRequested();
}

} // namespace qm
