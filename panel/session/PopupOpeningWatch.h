#pragma once

#include <QObject>

#include <functional>

class QComboBox;

namespace qm {

// Tells when a drop-down list is about to open, by mouse or by keyboard, early enough that
// its items can still be changed before they are shown; it also tells for an empty list,
// which never opens.
class PopupOpeningWatch : public QObject
{
    Q_OBJECT
public:
    PopupOpeningWatch(QComboBox &list, std::function<void()> onOpening, QObject *parent = nullptr);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::function<void()> m_onOpening;
};

} // namespace qm
