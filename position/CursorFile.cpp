#include "position/CursorFile.h"

#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>

namespace qm {

QString findFileIgnoringCase(const QString &folder, const QString &fileName)
{
    const QDir dir(folder);
    if (QFileInfo(dir.filePath(fileName)).isFile())
        return dir.filePath(fileName);
    const QStringList names = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        if (name.compare(fileName, Qt::CaseInsensitive) == 0)
            return dir.filePath(name);
    }
    return {};
}

QString findCursorFolder(const QStringList &folders)
{
    for (const QString &folder : folders) {
        if (!findFileIgnoringCase(folder, QString::fromLatin1(CrosshairCursorFile)).isEmpty())
            return folder;
    }
    return folders.value(0);
}

QCursor loadCursorFile(const QString &folder, const QString &fileName, Qt::CursorShape standIn)
{
    const QString path = findFileIgnoringCase(folder, fileName);
    if (path.isEmpty())
        return QCursor(standIn);
    QImageReader reader(path);
    const QImage image = reader.read();
    if (image.isNull())
        return QCursor(standIn);
    return QCursor(QPixmap::fromImage(image));
}

} // namespace qm
