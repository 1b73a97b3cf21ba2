#include "panel/transfer/ExportFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace qm {

namespace {

// Installed programs live here; a 64-bit program may not write there (without the
// redirection older programs got), and the folder is every user's.
bool isUnderProgramFiles(const QString &folder)
{
    const char *const variables[] = {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"};
    const QString path = QDir::cleanPath(folder) + u'/';
    for (const char *variable : variables) {
        const QString programFiles = QDir::fromNativeSeparators(qEnvironmentVariable(variable));
        if (!programFiles.isEmpty() &&
            path.startsWith(QDir::cleanPath(programFiles) + u'/', Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// Without looking up the folder's access list, which QFileInfo skips on Windows, only a file
// made there tells.
bool canWriteInto(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("qm-probe-XXXXXX")));
    return probe.open();
}

} // namespace

QString programExportFolder()
{
    const QString folder = QCoreApplication::applicationDirPath();
    return !isUnderProgramFiles(folder) && canWriteInto(folder) ? folder : QString();
}

bool ownedByRunningUser(const QFileInfo &)
{
    return true;
}

QString firstSetupFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

} // namespace qm
