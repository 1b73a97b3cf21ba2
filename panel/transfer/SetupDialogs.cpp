#include "panel/transfer/SetupDialogs.h"

#include "panel/transfer/ExportFolder.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace qm {

namespace {

const QString Filters = QStringLiteral("Setup files (*.json);;Settings export (settings.txt);;"
                                       "All files (*)");

} // namespace

QString setupStartFolder(const QString &lastUsed)
{
    return !lastUsed.isEmpty() && QFileInfo(lastUsed).isDir() ? lastUsed : firstSetupFolder();
}

QString PlatformSetupDialogs::noteFolder(const QString &path)
{
    if (!path.isEmpty())
        m_memory.remember(QFileInfo(path).absolutePath());
    return path;
}

// A bare name would be taken in the program's working folder, which for a shortcut is where
// the program is installed.
QString PlatformSetupDialogs::saveFileName(QWidget *parent, const QString &suggestedName)
{
    return noteFolder(QFileDialog::getSaveFileName(parent, QStringLiteral("Save Setup"),
                                                   QDir(startFolder()).filePath(suggestedName),
                                                   Filters));
}

QString PlatformSetupDialogs::openFileName(QWidget *parent)
{
    return noteFolder(
        QFileDialog::getOpenFileName(parent, QStringLiteral("Load Setup"), startFolder(), Filters));
}

bool PlatformSetupDialogs::confirm(QWidget *parent, const QString &title, const QString &text)
{
    return QMessageBox::question(parent, title, text) == QMessageBox::Yes;
}

} // namespace qm
