#include "tests/support/SmallTmpfs.h"

#include <QFile>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>
#include <sys/mount.h>

namespace qm::test {

SmallTmpfs::SmallTmpfs()
{
    if (!m_dir.isValid()) {
        m_error = QStringLiteral("no temporary folder to mount on");
        return;
    }
    m_mounted =
        ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, "size=16k") == 0;
    if (!m_mounted)
        m_error = QStringLiteral("mounting a 16 KiB tmpfs is not permitted here (%1)")
                      .arg(QString::fromLocal8Bit(std::strerror(errno)));
}

SmallTmpfs::~SmallTmpfs()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
}

bool SmallTmpfs::fill()
{
    QFile filler(filePath(QStringLiteral("filler")));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray chunk(512, 'x');
    while (filler.write(chunk) == chunk.size()) {
    }
    return QStorageInfo(path()).bytesAvailable() == 0;
}

} // namespace qm::test
