#include "panel/ports/LineFailureReport.h"

#include "panel/window/LineMark.h"
#include "panel/window/NoticePane.h"
#include "protocol/FrameNames.h"

namespace qm {

namespace {

// Its place among the window's notices, which it takes anew as it grows.
const QString Topic = QStringLiteral("link");

} // namespace

LineFailureReport::LineFailureReport(NoticePane &notice, LineMark &mark, QObject *parent)
    : QObject(parent), m_noticePane(notice), m_mark(mark)
{
    connect(&m_mark, &LineMark::clicked, this, &LineFailureReport::show);
}

void LineFailureReport::noteDropped(const QByteArrayList &frames)
{
    m_dropped += frames;
    if (!settingsCarried(frames).isEmpty())
        show();
}

void LineFailureReport::noteWaiting(bool waiting)
{
    m_waiting = waiting;
    showMark();
}

void LineFailureReport::noteLineLost(const QString &why)
{
    m_waiting = false;
    m_lineLost = true;
    m_lostBecause = why;
    showMark();
    show();
}

void LineFailureReport::clear()
{
    m_dropped.clear();
    m_waiting = false;
    m_lineLost = false;
    m_lostBecause.clear();
    showMark();
    m_noticePane.withdraw(Topic);
}

void LineFailureReport::showMark()
{
    if (m_lineLost)
        m_mark.mark(QStringLiteral("Line lost"));
    else
        m_mark.mark(m_waiting ? QStringLiteral("Line interrupted") : QString());
}

void LineFailureReport::show()
{
    QString text =
        m_lineLost && !m_lostBecause.isEmpty()
            ? QStringLiteral("The line to the unit was lost: %1. Pick the port to connect again.")
                  .arg(m_lostBecause)
        : m_lineLost
            ? QStringLiteral("The line to the unit was lost. Pick the port to connect again.")
        : m_waiting
            ? QStringLiteral("The line to the unit was interrupted; the panel waits for its "
                             "adapter to come back.")
            : QStringLiteral("The line to the unit was interrupted.");
    const QString unsent = settingsCarried(m_dropped);
    if (!unsent.isEmpty())
        text += QStringLiteral("\nNot sent: ") + unsent;
    m_noticePane.put(Topic, text);
}

} // namespace qm
