#include "process/SessionEnd.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>

#include <windows.h>

namespace qm {

// Windows asks each top-level window whether the session may end (WM_QUERYENDSESSION), then
// tells it whether it does (WM_ENDSESSION, wParam TRUE) and ends the process when that
// message returns. Another program may still refuse after this one was asked, so nothing
// closes at the question: Qt answers it, and the panel closes only on the confirmation. Every
// window gets the messages, so the confirmation is passed on once.
struct SessionEnd::Watch : QAbstractNativeEventFilter
{
    explicit Watch(SessionEnd &owner) : m_owner(owner) {}

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType != "windows_generic_MSG")
            return false;
        const MSG &msg = *static_cast<const MSG *>(message);
        if (msg.message == WM_ENDSESSION && msg.wParam != FALSE && !m_ending) {
            m_ending = true;
            emit m_owner.endingNow();
        }
        return false;
    }

    SessionEnd &m_owner;
    bool m_ending = false;
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
