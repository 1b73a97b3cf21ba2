#include "panel/transfer/SetupDialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace qm {

namespace {

const QString Filters = QStringLiteral("Setup files (*.json);;Settings export (settings.txt);;"
                                       "All files (*)");

} // namespace

QString PlatformSetupDialogs::saveFileName(QWidget *parent, const QString &suggestedName)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("Save Setup"), suggestedName,
                                        Filters);
}

QString PlatformSetupDialogs::openFileName(QWidget *parent)
{
    return QFileDialog::getOpenFileName(parent, QStringLiteral("Load Setup"), {}, Filters);
}

bool PlatformSetupDialogs::confirm(QWidget *parent, const QString &title, const QString &text)
{
    return QMessageBox::question(parent, title, text) == QMessageBox::Yes;
}

} // namespace qm
