#pragma once

#include <QList>
#include <QObject>

#include <initializer_list>

class QSocketNotifier;

namespace qm {

// Turns the signals that ask a process to end (SIGTERM, SIGINT, SIGHUP) into a Qt signal, so
// that a program ends through its own close. The handler only writes a byte to a pipe; the
// event loop reads it, so nothing unsafe runs inside the handler. One per process.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals &) = delete;
    TerminationSignals &operator=(const TerminationSignals &) = delete;

    // False when the pipe or a handler could not be set up.
    bool install(std::initializer_list<int> signalNumbers);
    // The signal that came last (SIGTERM); 0 before any.
    int lastSignal() const { return m_lastSignal; }

signals:
    void terminationRequested();

private:
    void drain();

    QSocketNotifier *m_notifier = nullptr;
    QList<int> m_signals;
    int m_lastSignal = 0;
};

} // namespace qm
