#pragma once

#include <QLabel>

namespace qm {

// A short word beside the port list that stays while the line to the unit is down, also once
// its notice is closed; a click on it asks for the notice again. It takes the room right of
// the list, in the list's frame, and moves no control.
class LineMark : public QLabel
{
    Q_OBJECT
public:
    explicit LineMark(QWidget &portList);

    // Shows the word; an empty one takes the mark away.
    void mark(const QString &word);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QWidget &m_portList;
};

} // namespace qm
