#include "multiupdate/SelectionList.h"

#include "multiupdate/SelectionMask.h"

#include <QCheckBox>
#include <QListWidget>
#include <QScopedValueRollback>

namespace qm {

SelectionList::SelectionList(QListWidget &list, QCheckBox &selectAll, QObject *parent)
    : QObject(parent), m_list(list), m_selectAll(selectAll)
{
    connect(&m_list, &QListWidget::itemChanged, this, &SelectionList::handleCheckChange);
    connect(&m_list, &QListWidget::itemClicked, this, &SelectionList::handleClick);
    connect(&m_selectAll, &QCheckBox::toggled, this, &SelectionList::handleSelectAll);
}

void SelectionList::load(const QStringList &items, quint32 mask)
{
    const QScopedValueRollback ignore(m_ignoreClicks, true);
    m_list.clear();
    for (int i = 0; i < items.size(); ++i) {
        auto *item = new QListWidgetItem(items[i], &m_list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(isBitSet(mask, i) ? Qt::Checked : Qt::Unchecked);
    }
    m_selectAll.setChecked(false);
    m_mask = mask;
}

void SelectionList::handleCheckChange(QListWidgetItem *item)
{
    if (m_ignoreClicks)
        return;
    if (item->checkState() == Qt::Unchecked)
        uncheckSelectAllKeepingCurrent(item);
    recompute();
}

// A click that changes no check mark still recomputes, which drops bits beyond the list; one
// that does change a mark has already recomputed through its check change.
void SelectionList::handleClick()
{
    if (m_ignoreClicks)
        return;
    const quint32 listed = checkedMask();
    if (listed != m_mask)
        recompute();
}

void SelectionList::handleSelectAll(bool checked)
{
    if (m_ignoreClicks)
        return;
    setEveryCheck(checked);
    m_list.setCurrentRow(0);
    recompute();
}

void SelectionList::uncheckSelectAllKeepingCurrent(QListWidgetItem *item)
{
    const QScopedValueRollback ignore(m_ignoreClicks, true);
    m_selectAll.setChecked(false);
    m_list.setFocus();
    m_list.setCurrentItem(item);
}

void SelectionList::setEveryCheck(bool checked)
{
    const QScopedValueRollback ignore(m_ignoreClicks, true);
    for (int i = 0; i < m_list.count(); ++i)
        m_list.item(i)->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
}

quint32 SelectionList::checkedMask() const
{
    quint32 mask = 0;
    for (int i = 0; i < m_list.count(); ++i) {
        if (m_list.item(i)->checkState() == Qt::Checked)
            mask += bitValue(i);
    }
    return mask;
}

void SelectionList::recompute()
{
    m_mask = checkedMask();
    emit maskChanged(m_mask);
}

} // namespace qm
