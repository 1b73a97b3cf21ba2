#pragma once

#include <QMessageBox>
#include <QString>

class QWidget;

namespace qm {

// Tells the operator something that needs an OK: the panels' only message box. Tests use a
// recorder so that no modal dialog blocks them.
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual void tell(const QString &title, const QString &text) = 0;
    // The same for a fault or a failure, shown with the platform's warning icon.
    virtual void warn(const QString &title, const QString &text) = 0;
};

class QtMessageBoxes : public MessageBoxes
{
public:
    explicit QtMessageBoxes(QWidget *parent) : m_parent(parent) {}
    void tell(const QString &title, const QString &text) override;
    void warn(const QString &title, const QString &text) override;

private:
    void show(QMessageBox::Icon icon, const QString &title, const QString &text);

    QWidget *m_parent;
};

} // namespace qm
