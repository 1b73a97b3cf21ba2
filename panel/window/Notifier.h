#pragma once

#include <QString>

class QWidget;

namespace qm {

// Tells the operator something that needs an OK: the panels' only message box. Tests use a
// recorder so that no modal dialog blocks them.
class Notifier
{
public:
    virtual ~Notifier() = default;
    virtual void tell(const QString &title, const QString &text) = 0;
};

class MessageBoxNotifier : public Notifier
{
public:
    explicit MessageBoxNotifier(QWidget *parent) : m_parent(parent) {}
    void tell(const QString &title, const QString &text) override;

private:
    QWidget *m_parent;
};

} // namespace qm
