#include "link/DeviceKind.h"

#include <QFile>

#include <optional>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace qm {

namespace {

// The type /proc/tty/drivers gives the terminal driver of the device ("serial", "pty:slave",
// "system:/dev/tty", "console"); empty when no driver has it, so it is no terminal; nothing
// when the system does not tell. A line reads "serial  /dev/ttyS  4  64-111  serial".
std::optional<QByteArray> terminalType(dev_t device)
{
    QFile drivers(QStringLiteral("/proc/tty/drivers"));
    if (!drivers.open(QIODevice::ReadOnly))
        return std::nullopt;
    for (const QByteArray &line : drivers.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 5 || fields[2].toUInt() != major(device))
            continue;
        const QList<QByteArray> minors = fields[3].split('-');
        const unsigned first = minors[0].toUInt();
        const unsigned last = minors.size() > 1 ? minors[1].toUInt() : first;
        if (minor(device) >= first && minor(device) <= last)
            return fields.last();
    }
    return QByteArray();
}

// The controlling terminal, from the seventh field of /proc/self/stat (after the program's
// name in brackets, which may hold blanks); 0 for none.
dev_t controllingTerminal()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const unsigned number = fields.value(4).toUInt();
    return makedev((number >> 8) & 0xfff, (number & 0xff) | ((number >> 12) & 0xfff00));
}

// The terminals the program's own input and output go to, and the one it belongs to.
bool isOwnTerminal(dev_t device)
{
    if (device == controllingTerminal())
        return true;
    for (int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        struct stat own = {};
        if (::isatty(fd) && ::fstat(fd, &own) == 0 && own.st_rdev == device)
            return true;
    }
    return false;
}

QString whatFileIs(const struct stat &file)
{
    if (S_ISREG(file.st_mode))
        return QStringLiteral("a regular file");
    if (S_ISDIR(file.st_mode))
        return QStringLiteral("a folder");
    return QStringLiteral("a file of another kind");
}

} // namespace

QString whyNotSerialDevice(const QString &path)
{
    struct stat file = {};
    if (::stat(QFile::encodeName(path).constData(), &file) != 0)
        return {};
    if (!S_ISCHR(file.st_mode))
        return whatFileIs(file);
    if (isOwnTerminal(file.st_rdev))
        return QStringLiteral("the terminal this program runs in");
    const std::optional<QByteArray> type = terminalType(file.st_rdev);
    if (!type || *type == "serial" || *type == "pty:slave")
        return {};
    if (type->isEmpty())
        return QStringLiteral("a device that is no terminal");
    if (*type == "system:/dev/tty")
        return QStringLiteral("the terminal of whatever program opens it");
    if (type->contains("console") || type->contains("vtmaster"))
        return QStringLiteral("a console");
    return QStringLiteral("a terminal that is no serial line");
}

} // namespace qm
