#include "protocol/FileOutput.h"

#include "process/UntrustedFile.h"

#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

namespace qm {

namespace {

// A short write (a full disk, a file size limit) leaves QSaveFile without an error of its
// own; the reason is in errno from the write that stopped.
QString shortWriteReason(const QString &path, qint64 written, qint64 wanted, int writeErrno)
{
    return QStringLiteral("Only %1 of %2 bytes could be written to %3: %4")
        .arg(written)
        .arg(wanted)
        .arg(path, QString::fromLocal8Bit(std::strerror(writeErrno)));
}

// Writing through a link would replace whatever file the link names, wherever that is:
// whoever may put a link here could aim the write at any file of the running user.
QString linkRefusal(const QString &path)
{
    if (!QFileInfo(path).isSymLink())
        return {};
    return QStringLiteral("%1 is a symbolic link; files are not written through links").arg(path);
}

// The new file is renamed into the target's place: a device, a pipe or a folder there would be
// replaced by a plain file (as root even /dev/full), never written to.
QString kindRefusal(const QString &path)
{
    const QString kind = notRegularFile(path);
    if (kind.isEmpty())
        return {};
    return QStringLiteral("%1 %2; only a regular file is replaced by a new one").arg(path, kind);
}

QString writeAll(QSaveFile &file, const QString &path, const QByteArray &contents)
{
    errno = 0;
    const qint64 written = file.write(contents);
    if (written != contents.size()) {
        const int writeErrno = errno;
        return file.error() != QFileDevice::NoError
                   ? file.errorString()
                   : shortWriteReason(path, written, contents.size(), writeErrno);
    }
    // QSaveFile buffers the write, and commit() renames even when emptying that buffer
    // failed (a full disk): the failure must be seen before the old file is replaced.
    if (!file.flush() || file.error() != QFileDevice::NoError)
        return file.errorString();
    return {};
}

} // namespace

WriteResult SaveFileOutput::replaceWhole(const QString &path, const QByteArray &contents)
{
    if (const QString refusal = linkRefusal(path); !refusal.isEmpty())
        return {false, refusal};
    if (const QString refusal = kindRefusal(path); !refusal.isEmpty())
        return {false, refusal};
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString()};
    if (const QString error = writeAll(file, path, contents); !error.isEmpty()) {
        file.cancelWriting();
        return {false, error};
    }
    if (!file.commit())
        return {false, file.errorString()};
    return {true, {}};
}

} // namespace qm
