#include "tools/qm-unit-sim/DeviceLink.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace qm::sim {

DeviceLink::~DeviceLink()
{
    if (!m_path.isEmpty())
        ::unlink(QFile::encodeName(m_path).constData());
}

bool DeviceLink::create(const QString &path, const QString &target)
{
    const QByteArray link = QFile::encodeName(path);
    struct stat existing
    {};
    if (::lstat(link.constData(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        m_error = path + QStringLiteral(" exists and is not a symbolic link");
        return false;
    }
    // Made beside the old link and renamed over it, so the name never points nowhere.
    const QByteArray temporary = link + ".new" + QByteArray::number(::getpid());
    ::unlink(temporary.constData());
    if (::symlink(QFile::encodeName(target).constData(), temporary.constData()) != 0 ||
        ::rename(temporary.constData(), link.constData()) != 0) {
        m_error = path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        ::unlink(temporary.constData());
        return false;
    }
    m_path = path;
    return true;
}

} // namespace qm::sim
