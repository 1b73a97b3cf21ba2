#pragma once

#include <QString>

class QWidget;

namespace qm {

// The questions Save Setup and Load Setup put to the operator: the platform's file dialogs
// and a yes-or-no box. Tests answer them without opening a window.
class SetupDialogs
{
public:
    virtual ~SetupDialogs() = default;
    // The file to save to, or empty when the operator cancelled.
    virtual QString saveFileName(QWidget *parent, const QString &suggestedName) = 0;
    // The file to load, or empty when the operator cancelled.
    virtual QString openFileName(QWidget *parent) = 0;
    virtual bool confirm(QWidget *parent, const QString &title, const QString &text) = 0;
};

class PlatformSetupDialogs : public SetupDialogs
{
public:
    QString saveFileName(QWidget *parent, const QString &suggestedName) override;
    QString openFileName(QWidget *parent) override;
    bool confirm(QWidget *parent, const QString &title, const QString &text) override;
};

} // namespace qm
