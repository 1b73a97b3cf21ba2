#include "panel/window/Announcer.h"

#include <QAccessible>

namespace qm {

// Showing, though without size: readers pass over what is not there.
Announcer::Announcer(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("channelAnnouncer"));
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setGeometry(0, 0, 0, 0);
}

// Readers speak a notification as it shows; one that is up shows anew with new words.
void Announcer::announce(const QString &words)
{
    setAccessibleName(words);
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

} // namespace qm
