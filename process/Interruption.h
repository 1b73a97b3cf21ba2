#pragma once

#include <QObject>
#include <QString>

#include <memory>

namespace qm {

// Lets a command-line program say what it had done when the system or the operator ends it
// (SIGTERM, SIGHUP or SIGINT), and then end as that signal ends a program, so that whoever
// started it sees the signal in its status. One per process.
class Interruption : public QObject
{
    Q_OBJECT
public:
    explicit Interruption(QObject *parent = nullptr);
    ~Interruption() override;

    // Starts watching. Where the system does not let it (and on Windows, where Ctrl+C ends a
    // console program at once), a signal ends the program as it did without it.
    void install();
    // "SIGTERM"; meaningful once requested() came.
    QString signalName() const;
    // Ends the process as the signal would have.
    [[noreturn]] void endAsAsked() const;

signals:
    void requested();

private:
    struct Watch;
    std::unique_ptr<Watch> m_watch;
};

} // namespace qm
