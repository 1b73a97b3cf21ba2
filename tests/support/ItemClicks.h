#pragma once

#include <QListWidget>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>

namespace qm::test {

// Clicks the check box in front of a list item, where the operator's mouse would.
inline void clickItemCheckBox(QListWidget &list, int row)
{
    QStyleOptionViewItem option;
    option.initFrom(&list);
    option.rect = list.visualItemRect(list.item(row));
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    const QRect box =
        list.style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, &list);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, box.center());
}

} // namespace qm::test
