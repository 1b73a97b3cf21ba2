#include "process/SessionEnd.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

namespace qm {

// Windows asks each top-level window whether the session may end (WM_QUERYENDSESSION), then
// tells it that it does (WM_ENDSESSION) and ends the process when that message returns. Every
// window gets both, so each is passed on once per ending; Qt still answers them itself.
struct SessionEnd::Watch : QAbstractNativeEventFilter
{
    explicit Watch(SessionEnd &owner) : m_owner(owner) {}

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG &msg = *static_cast<const MSG *>(message);
        if (msg.message == WM_QUERYENDSESSION && !m_asked) {
            m_asked = true;
            emit m_owner.endRequested();
        } else if (msg.message == WM_ENDSESSION && m_asked) {
            // FALSE: another program refused, and the session goes on.
            m_asked = false;
            if (msg.wParam != FALSE)
                emit m_owner.endingNow();
        }
        return false;
    }

    SessionEnd &m_owner;
    bool m_asked = false;
};

SessionEnd::SessionEnd(QObject *parent) : QObject(parent), m_watch(std::make_unique<Watch>(*this))
{}

SessionEnd::~SessionEnd()
{
    if (QCoreApplication *app = QCoreApplication::instance())
        app->removeNativeEventFilter(m_watch.get());
}

bool SessionEnd::install()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (app == nullptr)
        return false;
    app->installNativeEventFilter(m_watch.get());
    return true;
}

} // namespace qm
