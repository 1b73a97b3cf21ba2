#pragma once

#include <QWidget>

namespace qm {

// Words for screen readers that the window shows only as a look, such as which channel is
// shown now: readers speak them as a notification, wherever the keyboard is. It is never
// seen, takes neither the mouse nor the keyboard, and is no tab stop.
class Announcer : public QWidget
{
    Q_OBJECT
public:
    explicit Announcer(QWidget *parent);

    void announce(const QString &words);
};

} // namespace qm
