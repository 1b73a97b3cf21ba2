#pragma once

#include <QObject>
#include <QStringList>
#include <QtGlobal>

class QCheckBox;
class QListWidget;
class QListWidgetItem;

namespace qm {

// Gives one check-box list and its "Select/Unselect All" box their behaviour in the Update
// Multiple Channels dialog: the list shows the bits of a mask, and every change of a check
// mark the operator makes, by mouse or keyboard, recomputes the mask from the listed items.
class SelectionList : public QObject
{
    Q_OBJECT
public:
    SelectionList(QListWidget &list, QCheckBox &selectAll, QObject *parent = nullptr);

    // Fills the list, item i checked exactly when bit i of the mask is set. Bits beyond the
    // list are not shown; they stay in mask() until the first click in the list recomputes it.
    void load(const QStringList &items, quint32 mask);
    quint32 mask() const { return m_mask; }

signals:
    void maskChanged(quint32 mask);

private:
    void handleCheckChange(QListWidgetItem *item);
    void handleClick();
    void handleSelectAll(bool checked);
    void uncheckSelectAllKeepingCurrent(QListWidgetItem *item);
    void setEveryCheck(bool checked);
    quint32 checkedMask() const;
    void recompute();

    QListWidget &m_list;
    QCheckBox &m_selectAll;
    quint32 m_mask = 0;
    // Set while the program itself changes check marks, so that the change events it raises
    // are not taken for the operator's.
    bool m_ignoreClicks = false;
};

} // namespace qm
