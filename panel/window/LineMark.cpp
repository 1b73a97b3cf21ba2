#include "panel/window/LineMark.h"

#include "panel/window/NoticePane.h"

#include <QMouseEvent>

namespace qm {

namespace {

constexpr int Gap = 8;

} // namespace

LineMark::LineMark(QWidget &portList) : QLabel(portList.parentWidget()), m_portList(portList)
{
    setObjectName(QStringLiteral("lblLineMark"));
    setAccessibleName(QStringLiteral("Line to the unit"));
    setToolTip(QStringLiteral("Click to read what did not reach the unit"));
    setAlignment(Qt::AlignCenter);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setPalette(NoticePane::colours(palette()));
    setAutoFillBackground(true);
    hide();
}

void LineMark::mark(const QString &word)
{
    setText(word);
    if (word.isEmpty()) {
        hide();
        return;
    }
    const QRect list = m_portList.geometry();
    const int right = parentWidget()->contentsRect().right() - Gap;
    setGeometry(list.right() + Gap, list.y(), right - list.right() - Gap, list.height());
    show();
}

void LineMark::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    emit clicked();
}

} // namespace qm
