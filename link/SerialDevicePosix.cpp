#include "link/SerialDevice.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace qm::serialdevice {

namespace {

// Built-in ports first, then USB adapters (FTDI, Prolific, CH340), then CDC-ACM devices.
struct DeviceFamily
{
    int firstPort;
    int lastPort;
    const char *prefix;
};

constexpr std::array<DeviceFamily, 3> LinuxFamilies = {{
    {1, 4, "/dev/ttyS"},
    {5, 12, "/dev/ttyUSB"},
    {13, 16, "/dev/ttyACM"},
}};

// Where QSerialPort (and other serial programs) put their lock for a device.
QString lockFilePath(const QString &devicePath)
{
    QString name = devicePath;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    name.replace(u'/', u'_');
    return QStringLiteral("/var/lock/LCK..") + name;
}

// "qm520a-panel (process 1234)"; empty for a process this system does not show.
QString processName(qint64 pid)
{
    if (pid <= 0)
        return {};
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    if (!comm.open(QIODevice::ReadOnly))
        return {};
    const QString name = QString::fromLocal8Bit(comm.readAll()).trimmed();
    return name.isEmpty() ? QString() : QStringLiteral("%1 (process %2)").arg(name).arg(pid);
}

// The program holding a flock on the file, as /proc/locks tells it; a line there reads
// "1: FLOCK  ADVISORY  WRITE 1234 00:19:3 0 EOF" (file system device in hex, then the inode),
// and one waiting for a lock has "->" after the number.
QString flockHolder(const struct stat &file)
{
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return {};
    const QList<QByteArray> lines = locks.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 6 || fields[1] != "FLOCK")
            continue;
        const QList<QByteArray> place = fields[5].split(':');
        if (place.size() == 3 && place[0].toUInt(nullptr, 16) == major(file.st_dev) &&
            place[1].toUInt(nullptr, 16) == minor(file.st_dev) &&
            place[2].toULongLong() == file.st_ino)
            return processName(fields[4].toLongLong());
    }
    return {};
}

// The group of the device when its members may read and write it ("dialout", "uucp"); empty
// when the group gives no such right or the system does not name it.
QString groupThatMayUse(const QByteArray &path)
{
    struct stat file = {};
    if (::stat(path.constData(), &file) != 0 ||
        (file.st_mode & (S_IRGRP | S_IWGRP)) != (S_IRGRP | S_IWGRP))
        return {};
    const struct group *entry = ::getgrgid(file.st_gid);
    return entry ? QString::fromLocal8Bit(entry->gr_name) : QString();
}

} // namespace

// The program a lock file names: the process number on its first line, as QSerialPort and the
// UUCP convention write it. A process that has ended leaves a stale file; one that cannot be
// read might still be held, so it counts as in use. A file that names no process keeps the
// device closed until someone removes it, so the operator is told which file it is.
Refusal lockFileHolder(const QString &lockFile)
{
    QFile file(lockFile);
    if (!file.open(QIODevice::ReadOnly))
        return {SerialPort::RefusalCause::InUse, QString()};
    bool isNumber = false;
    const qint64 pid = file.readLine().trimmed().toLongLong(&isNumber);
    if (!isNumber || pid <= 0)
        return {SerialPort::RefusalCause::UnnamedLock, lockFile};
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
        return {SerialPort::RefusalCause::StaleLock, lockFile};
    const QString name = processName(pid);
    return {SerialPort::RefusalCause::InUse,
            name.isEmpty() ? QStringLiteral("process %1").arg(pid) : name};
}

QString defaultPath(int port)
{
    for (const DeviceFamily &family : LinuxFamilies) {
        if (port >= family.firstPort && port <= family.lastPort)
            return QLatin1String(family.prefix) + QString::number(port - family.firstPort);
    }
    return {};
}

bool exists(const QString &path)
{
    return QFileInfo::exists(path);
}

// QSerialPort itself turns a second user away only under the same name (its lock file) or, for
// a user other than root, by TIOCEXCL; when one of our programs holds the device, it is named
// from its lock all the same.
Refusal explainRefusal(QSerialPort::SerialPortError error, const QString &errorText,
                       const QString &path)
{
    if (error != QSerialPort::PermissionError)
        return {SerialPort::RefusalCause::Other, errorText};
    const QByteArray name = QFile::encodeName(path);
    struct stat file = {};
    if (::stat(name.constData(), &file) == 0) {
        if (const QString holder = flockHolder(file); !holder.isEmpty())
            return {SerialPort::RefusalCause::InUse, holder};
    }
    if (const QString lockFile = lockFilePath(path); QFileInfo::exists(lockFile))
        return lockFileHolder(lockFile);
    if (::access(name.constData(), R_OK | W_OK) != 0)
        return {SerialPort::RefusalCause::NoPermission, groupThatMayUse(name)};
    return {SerialPort::RefusalCause::InUse, QString()};
}

// Opening a terminal without O_NONBLOCK could wait for its carrier, and the descriptor must
// never become the program's controlling terminal. A device whose file system cannot lock at all
// is still used: the lock is a courtesy among programs, and refusing the port would leave the
// operator nothing to do about it.
std::optional<Refusal> DeviceLock::take(const QString &path)
{
    release();
    m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return std::nullopt;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK)
        return std::nullopt;
    struct stat file = {};
    const QString holder = ::fstat(m_fd, &file) == 0 ? flockHolder(file) : QString();
    release();
    return Refusal{SerialPort::RefusalCause::InUse, holder};
}

void DeviceLock::release()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

// tcgetattr neither writes nor waits for the line to drain, yet a hung-up descriptor refuses
// it with EIO.
bool answers(const QSerialPort &port)
{
    termios settings{};
    return ::tcgetattr(port.handle(), &settings) == 0;
}

quint64 deviceNumberOf(const QSerialPort &port)
{
    struct stat device = {};
    return ::fstat(port.handle(), &device) == 0 ? quint64(device.st_rdev) : 0;
}

quint64 deviceNumberAt(const QString &path)
{
    struct stat device = {};
    return ::stat(QFile::encodeName(path).constData(), &device) == 0 ? quint64(device.st_rdev) : 0;
}

QString nodePath(const QSerialPort &port)
{
    return QFile::symLinkTarget(QStringLiteral("/proc/self/fd/%1").arg(port.handle()));
}

// The sysfs device of a USB serial adapter is an interface ("1-1.2:1.0") below its port
// ("1-1.2"), possibly with the tty's own folder in between; the port is the location.
QString usbLocation(const QString &portName)
{
    QString path =
        QFileInfo(QStringLiteral("/sys/class/tty/%1/device").arg(portName)).canonicalFilePath();
    for (; !path.isEmpty() && path != u'/'; path = QFileInfo(path).path()) {
        const QString name = QFileInfo(path).fileName();
        if (name.contains(u':') && name.at(0).isDigit())
            return name.section(u':', 0, 0);
    }
    return {};
}

} // namespace qm::serialdevice
