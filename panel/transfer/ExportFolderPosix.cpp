#include "panel/transfer/ExportFolder.h"

#include "QmVersion.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include <unistd.h>

namespace qm {

// A program run where it was built keeps its settings file beside itself; an installed one
// never writes into its bin folder, whoever runs it.
QString programExportFolder()
{
    const QString folder = QCoreApplication::applicationDirPath();
    return QFileInfo(QDir(folder).filePath(QLatin1String(BuildFolderMarker))).isFile() ? folder
                                                                                       : QString();
}

bool ownedByRunningUser(const QFileInfo &folder)
{
    return folder.ownerId() == ::geteuid();
}

QString firstSetupFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
}

} // namespace qm
