#pragma once

#include <QObject>

class QSocketNotifier;

namespace qm::sim {

// Turns SIGINT and SIGTERM into a Qt signal. The handler only writes a byte to a pipe; the
// event loop reads it, so nothing unsafe runs inside the handler.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals &) = delete;
    TerminationSignals &operator=(const TerminationSignals &) = delete;

    bool install();

signals:
    void terminationRequested();

private:
    void drain();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace qm::sim
