#pragma once

#include <QObject>

#include <memory>

namespace qm {

// Tells a program that the system is ending its session, so that it can end as its own Close
// ends it: on Linux a desktop logout's SIGTERM or SIGHUP, on Windows the log-off and shut-down
// messages. One per process.
class SessionEnd : public QObject
{
    Q_OBJECT
public:
    explicit SessionEnd(QObject *parent = nullptr);
    ~SessionEnd() override;

    // Starts watching; false when the system would not let it, and the session's end then
    // ends the program without its close.
    bool install();

signals:
    // The session ends soon: close once the event loop has unwound.
    void endRequested();
    // The process ends as soon as this returns (Windows ends it after the last message): what
    // is still to be written must be written now.
    void endingNow();

private:
    struct Watch;
    std::unique_ptr<Watch> m_watch;
};

} // namespace qm
