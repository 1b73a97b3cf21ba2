#include "panel/session/ExportFolder.h"

#include <QCoreApplication>
#include <QDir>

#include <unistd.h>

namespace qm {

namespace {

// The build puts this file beside the programs it makes and installing leaves it behind, so
// that a program run where it was built keeps its settings file beside itself and an
// installed one never writes into its bin folder, whoever runs it.
constexpr auto BuildFolderMarker = "qm-build-folder";

} // namespace

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

} // namespace qm
