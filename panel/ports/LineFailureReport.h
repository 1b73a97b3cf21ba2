#pragma once

#include <QByteArrayList>
#include <QObject>

namespace qm {

class LineMark;
class NoticePane;

// Tells the operator, through the window's notice, that the line to the unit was lost and
// which settings did not reach it; what it says grows as more is dropped, and is forgotten
// when a new poll begins. While the line is down the mark beside the port list says so, also
// once the notice is closed, and a click on the mark shows the notice again.
class LineFailureReport : public QObject
{
    Q_OBJECT
public:
    LineFailureReport(NoticePane &notice, LineMark &mark, QObject *parent = nullptr);

    void noteDropped(const QByteArrayList &frames);
    // The line failed and the link waits for its adapter to come back (true), or it came back.
    void noteWaiting(bool waiting);
    // why: what the port says of the failure (a device server's refusal), or nothing.
    void noteLineLost(const QString &why = {});
    void clear();

private:
    void show();
    void showMark();

    NoticePane &m_noticePane;
    LineMark &m_mark;
    QByteArrayList m_dropped;
    bool m_waiting = false;
    bool m_lineLost = false;
    QString m_lostBecause;
};

} // namespace qm
