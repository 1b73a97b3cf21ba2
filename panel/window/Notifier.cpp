#include "panel/window/Notifier.h"

#include <QMessageBox>

namespace qm {

void MessageBoxNotifier::tell(const QString &title, const QString &text)
{
    QMessageBox::information(m_parent, title, text, QMessageBox::Ok);
}

} // namespace qm
