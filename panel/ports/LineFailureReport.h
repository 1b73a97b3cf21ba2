#pragma once

#include <QByteArrayList>
#include <QObject>
#include <QStringList>

#include <functional>

namespace qm {

class LineMark;
class NoticePane;

// Tells the operator, through the window's notice, that the line to the unit was lost and
// which settings did not reach it; what it says grows as more is dropped, and is forgotten
// when a new poll begins. While the line is down the mark beside the port list says so, also
// once the notice is closed, and a click on the mark shows the notice again. A channel's
// unsent settings are named by the edits they lost where the operator made any; when the unit
// is read again, the notice says that those edits are gone.
class LineFailureReport : public QObject
{
    Q_OBJECT
public:
    // The names of the edits of a channel (index 0..11) that did not reach the unit.
    using EditsLost = std::function<QStringList(int index)>;

    LineFailureReport(NoticePane &notice, LineMark &mark, EditsLost editsLost,
                      QObject *parent = nullptr);

    void noteDropped(const QByteArrayList &frames);
    // The line failed and the link waits for its adapter to come back (true), or it came back.
    void noteWaiting(bool waiting);
    // why: what the port says of the failure (a device server's refusal), or nothing;
    // deviceGone: the port's device is no longer there (an adapter pulled out).
    void noteLineLost(const QString &why = {}, bool deviceGone = false);
    // The unit is read again: what was lost is forgotten, and the edits it held are told gone.
    void clear();

private:
    void show();
    void showMark();
    QString unsentSettings() const;

    NoticePane &m_noticePane;
    LineMark &m_mark;
    QByteArrayList m_dropped;
    bool m_waiting = false;
    EditsLost m_editsLost;
    bool m_lineLost = false;
    bool m_deviceGone = false;
    QString m_lostBecause;
};

} // namespace qm
