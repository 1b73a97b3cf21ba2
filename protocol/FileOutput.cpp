#include "FileOutput.h"

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

} // namespace

WriteResult SaveFileOutput::replaceWhole(const QString &path, const QByteArray &contents)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {false, file.errorString()};
    errno = 0;
    const qint64 written = file.write(contents);
    if (written != contents.size()) {
        const int writeErrno = errno;
        const QString error = file.error() != QFileDevice::NoError
                                  ? file.errorString()
                                  : shortWriteReason(path, written, contents.size(), writeErrno);
        file.cancelWriting();
        return {false, error};
    }
    if (!file.commit())
        return {false, file.errorString()};
    return {true, {}};
}

} // namespace qm
