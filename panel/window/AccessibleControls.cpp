#include "panel/window/AccessibleControls.h"

#include "panel/window/ChannelSelector.h"
#include "panel/window/MainWindow.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QGuiApplication>

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
