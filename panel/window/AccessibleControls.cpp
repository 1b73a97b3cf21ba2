#include "panel/window/AccessibleControls.h"

#include "panel/window/Announcer.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/MainWindow.h"
#include "panel/window/NoticePane.h"

#include <QAbstractItemView>
#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QGuiApplication>

#include <utility>

namespace qm {

namespace {

// Checked while selected. Pressing it through a screen reader does what a mouse release does;
// Space and Enter still do nothing, as the keys never chose a channel.
class AccessibleSelector : public QAccessibleWidget
{
public:
    explicit AccessibleSelector(ChannelSelector *selector)
        : QAccessibleWidget(selector, QAccessible::RadioButton)
    {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = selector()->hasSelectedLook();
        return state;
    }

    QStringList actionNames() const override
    {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &actionName) override
    {
        if (actionName == pressAction())
            selector()->choose();
        else
            QAccessibleWidget::doAction(actionName);
    }

private:
    ChannelSelector *selector() const { return static_cast<ChannelSelector *>(widget()); }
};

// Words a control shows, given to screen readers as read-only text of their own: a reader
// speaks a list's value and a notice from its text.
class AccessibleShownText : public QAccessibleWidget, public QAccessibleTextInterface
{
public:
    using QAccessibleWidget::QAccessibleWidget;

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface)
            return static_cast<QAccessibleTextInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }

    void selection(int, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}
    QString text(int startOffset, int endOffset) const override
    {
        return shownText().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return int(shownText().size()); }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint &) const override { return -1; }
    void scrollToSubstring(int, int) override {}
    QString attributes(int offset, int *startOffset, int *endOffset) const override
    {
        *startOffset = *endOffset = offset;
        return {};
    }

    using QAccessibleWidget::text;

protected:
    virtual QString shownText() const = 0;
};

// The toolkit gives a list its value as its name on this desktop and leaves its caption to the
// label, which screen readers speak instead of the name; then the value is never heard. Here
// the caption is the name, and the value is also the list's text, where readers look for it.
class AccessibleList : public AccessibleShownText
{
public:
    // Readers speak a new value from the text that changed in the control they are on. The
    // new value comes in before the old one goes: a reader that took the old one for selected
    // text would say that the selection was deleted.
    explicit AccessibleList(QComboBox *list)
        : AccessibleShownText(list, QAccessible::ComboBox), m_spoken(list->currentText())
    {
        QObject::connect(list, &QComboBox::currentTextChanged, list, [this](const QString &now) {
            const QString old = std::exchange(m_spoken, now);
            if (!now.isEmpty()) {
                QAccessibleTextInsertEvent inserted(widget(), 0, now);
                QAccessible::updateAccessibility(&inserted);
            }
            if (!old.isEmpty()) {
                QAccessibleTextRemoveEvent removed(widget(), int(now.size()), old);
                QAccessible::updateAccessibility(&removed);
            }
        });
    }

    using AccessibleShownText::text; // the text interface's text(start, end) stays as it is
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Value)
            return shownText();
        return AccessibleShownText::text(kind);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = AccessibleShownText::state();
        state.expandable = true;
        state.expanded = list()->view()->isVisible();
        return state;
    }

    // The items, as the toolkit's own list gives them.
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(list()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == list()->view() ? 0 : -1;
    }

    // The value is drawn highlighted, and readers speak new text that is selected, which
    // they take for a choice from a list.
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override
    {
        *startOffset = 0;
        *endOffset = selectionIndex == 0 ? characterCount() : 0;
    }
    int selectionCount() const override { return shownText().isEmpty() ? 0 : 1; }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction(), pressAction()} + AccessibleShownText::actionNames();
    }

    void doAction(const QString &actionName) override
    {
        if (actionName == showMenuAction() || actionName == pressAction())
            list()->showPopup();
        else
            AccessibleShownText::doAction(actionName);
    }

protected:
    QString shownText() const override { return list()->currentText(); }

private:
    QComboBox *list() const { return static_cast<QComboBox *>(widget()); }

    QString m_spoken;
};

// A notification, which readers speak as soon as it shows, wherever the keyboard is.
class AccessibleNotice : public AccessibleShownText
{
public:
    explicit AccessibleNotice(NoticePane *notice)
        : AccessibleShownText(notice, QAccessible::Notification)
    {}

    // Readers speak a notification's name and description, not its text: the text leads the
    // description, before the hint how to close it.
    using AccessibleShownText::text;
    QString text(QAccessible::Text kind) const override
    {
        const QString own = AccessibleShownText::text(kind);
        if (kind != QAccessible::Description)
            return own;
        return own.isEmpty() ? shownText() : shownText() + QLatin1Char('\n') + own;
    }

protected:
    QString shownText() const override
    {
        return static_cast<NoticePane *>(widget())->toPlainText();
    }
};

// The toolkit names the program by its name, which keeps the preferences where they have
// always been; people know it by its display name.
class AccessibleProgram : public QAccessibleApplication
{
public:
    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name)
            return QGuiApplication::applicationDisplayName();
        return QAccessibleApplication::text(kind);
    }
};

QAccessibleInterface *accessibleControl(const QString &className, QObject *object)
{
    if (object == QCoreApplication::instance())
        return new AccessibleProgram;
    if (className == QLatin1String(ChannelSelector::staticMetaObject.className()))
        return new AccessibleSelector(static_cast<ChannelSelector *>(object));
    if (className == QLatin1String(Announcer::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Notification);
    if (className == QLatin1String(NoticePane::staticMetaObject.className()))
        return new AccessibleNotice(static_cast<NoticePane *>(object));
    if (className == QLatin1String(QComboBox::staticMetaObject.className()))
        return new AccessibleList(static_cast<QComboBox *>(object));
    if (className == QLatin1String(MainWindow::staticMetaObject.className()))
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::Window);
    return nullptr;
}

} // namespace

void installAccessibleControls()
{
    static const bool installed = [] {
        QAccessible::installFactory(accessibleControl);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace qm
