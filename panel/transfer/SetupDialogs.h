#pragma once

#include <QString>

#include <functional>

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

// The folder the operator last took a setup file from or saved one to, kept by the caller
// between runs.
struct SetupFolderMemory
{
    std::function<QString()> recall;
    std::function<void(const QString &folder)> remember;
};

// Where the file dialogs open: the folder last used while it is still there, else the first
// setup folder of the system.
QString setupStartFolder(const QString &lastUsed);

class PlatformSetupDialogs : public SetupDialogs
{
public:
    explicit PlatformSetupDialogs(SetupFolderMemory memory) : m_memory(std::move(memory)) {}

    QString saveFileName(QWidget *parent, const QString &suggestedName) override;
    QString openFileName(QWidget *parent) override;
    bool confirm(QWidget *parent, const QString &title, const QString &text) override;

private:
    QString startFolder() const { return setupStartFolder(m_memory.recall()); }
    // The chosen file's folder is the next start; a cancelled dialog changes nothing.
    QString noteFolder(const QString &path);

    SetupFolderMemory m_memory;
};

} // namespace qm
