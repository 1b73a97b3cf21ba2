#include "panel/ports/LineFailureReport.h"

#include "panel/window/LineMark.h"
#include "panel/window/NoticePane.h"
#include "protocol/FrameNames.h"

namespace qm {

namespace {

// Its place among the window's notices, which it takes anew as it grows.
const QString Topic = QStringLiteral("link");

} // namespace

LineFailureReport::LineFailureReport(NoticePane &notice, LineMark &mark, EditsLost editsLost,
                                     QObject *parent)
    : QObject(parent), m_noticePane(notice), m_mark(mark), m_editsLost(std::move(editsLost))
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

void LineFailureReport::noteLineLost(const QString &why, bool deviceGone)
{
    m_waiting = false;
    m_lineLost = true;
    m_deviceGone = deviceGone;
    m_lostBecause = why;
    showMark();
    show();
}

void LineFailureReport::clear()
{
    const QString unsent = unsentSettings();
    m_dropped.clear();
    m_waiting = false;
    m_lineLost = false;
    m_deviceGone = false;
    m_lostBecause.clear();
    showMark();
    if (unsent.isEmpty())
        m_noticePane.withdraw(Topic);
    else
        m_noticePane.put(Topic, QStringLiteral("The unit is read again, so the settings that "
                                               "were not sent are now as the unit holds them: "
                                               "%1. Set them again if they are still wanted.")
                                    .arg(unsent));
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
    const QString cure =
        m_deviceGone
            ? QStringLiteral("Its adapter has gone: plug it in again, then pick the port to "
                             "connect again.")
            : QStringLiteral("Pick the port to connect again.");
    QString text =
        m_lineLost && !m_lostBecause.isEmpty()
            ? QStringLiteral("The line to the unit was lost: %1. %2").arg(m_lostBecause, cure)
        : m_lineLost ? QStringLiteral("The line to the unit was lost. ") + cure
        : m_waiting
            ? QStringLiteral("The line to the unit was interrupted; the panel waits for its "
                             "adapter to come back.")
            : QStringLiteral("The line to the unit was interrupted.");
    const QString unsent = unsentSettings();
    if (!unsent.isEmpty())
        text += QStringLiteral("\nNot sent: ") + unsent;
    m_noticePane.put(Topic, text);
}

// A frame carries a group of settings; the operator knows those of them edited, so a channel
// with edits names those, and one without them the settings its frames carried.
QString LineFailureReport::unsentSettings() const
{
    QMap<int, QStringList> names = settingsCarriedByChannel(m_dropped);
    for (auto it = names.begin(); it != names.end(); ++it) {
        if (const QStringList edits = m_editsLost(it.key()); !edits.isEmpty())
            *it = edits;
    }
    return settingsByChannel(names);
}

} // namespace qm
