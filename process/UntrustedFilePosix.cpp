#include "process/UntrustedFile.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qm {

namespace {

UntrustedFile failed(int error)
{
    return {{},
            QStringLiteral("cannot be read: ") + QString::fromLocal8Bit(std::strerror(error)),
            error == ENOENT || error == ENOTDIR};
}

QString kindProblem(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    const char *kind = S_ISDIR(mode)                    ? "a folder"
                       : S_ISFIFO(mode)                 ? "a named pipe"
                       : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                       : S_ISSOCK(mode)                 ? "a socket"
                                                        : "something else";
    return QStringLiteral("is %1, not a regular file").arg(QLatin1String(kind));
}

// Reads at most maxBytes + 1 bytes, so a file that grew after its size was checked is still
// seen to be too long without reading it whole.
UntrustedFile readBounded(int fd, qint64 maxBytes)
{
    UntrustedFile file;
    file.contents.resize(maxBytes + 1);
    qint64 total = 0;
    while (total <= maxBytes) {
        const ssize_t got =
            ::read(fd, file.contents.data() + total, static_cast<size_t>(maxBytes + 1 - total));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return failed(errno);
        if (got == 0)
            break;
        total += got;
    }
    if (total > maxBytes)
        return {{}, sizeProblem(total, maxBytes)};
    file.contents.truncate(total);
    return file;
}

UntrustedFile readOpened(int fd, qint64 maxBytes)
{
    struct stat status = {};
    if (::fstat(fd, &status) != 0)
        return failed(errno);
    if (const QString problem = kindProblem(status.st_mode); !problem.isEmpty())
        return {{}, problem};
    if (status.st_size > maxBytes)
        return {{}, sizeProblem(status.st_size, maxBytes)};
    return readBounded(fd, maxBytes);
}

} // namespace

// The kind is checked before opening too: opening a serial device alone changes its lines,
// and the check on the open descriptor covers a name replaced in between. O_NONBLOCK lets a
// named pipe that appears there open without waiting for a writer.
UntrustedFile readUntrustedFile(const QString &path, qint64 maxBytes)
{
    const QByteArray name = QFile::encodeName(path);
    struct stat status = {};
    if (::stat(name.constData(), &status) != 0)
        return failed(errno);
    if (const QString problem = kindProblem(status.st_mode); !problem.isEmpty())
        return {{}, problem};
    int fd = -1;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return failed(errno);
    UntrustedFile file = readOpened(fd, maxBytes);
    ::close(fd);
    return file;
}

QString notRegularFile(const QString &path)
{
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return {};
    return kindProblem(status.st_mode);
}

} // namespace qm
