#include "panel/editor/SelectAllOnFocus.h"

#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>

namespace qm {

SelectAllOnFocus::SelectAllOnFocus(QObject *parent) : QObject(parent) {}

void SelectAllOnFocus::watch(QLineEdit *line)
{
    line->installEventFilter(this);
}

bool SelectAllOnFocus::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusIn) {
        QPointer<QLineEdit> line = qobject_cast<QLineEdit *>(watched);
        QTimer::singleShot(0, this, [line] {
            if (line && line->hasFocus())
                line->selectAll();
        });
    }
    return false;
}

} // namespace qm
