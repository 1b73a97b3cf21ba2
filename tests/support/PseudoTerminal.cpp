#include "tests/support/PseudoTerminal.h"

#include <QFile>

#include <cstdlib>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace qm::test {

PseudoTerminal::PseudoTerminal(const QString &linkPath) : m_linkPath(linkPath)
{
    if (m_linkPath.isEmpty()) {
        m_dir = std::make_unique<QTemporaryDir>();
        m_linkPath = uniqueLinkPath(*m_dir);
    }
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_master < 0)
        return;
    const char *slave = nullptr;
    if (::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0)
        slave = ::ptsname(m_master);
    if (slave)
        m_slavePath = QString::fromLocal8Bit(slave);
    QFile::remove(m_linkPath);
    if (m_slavePath.isEmpty() || !QFile::link(m_slavePath, m_linkPath))
        hangUp();
}

// The link stays: a later terminal may have taken it over, and its folder goes with the test.
PseudoTerminal::~PseudoTerminal()
{
    hangUp();
}

void PseudoTerminal::send(QByteArrayView bytes)
{
    qsizetype done = 0;
    while (isValid() && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.data() + done, std::size_t(bytes.size() - done));
        if (n <= 0)
            break;
        done += n;
    }
}

QByteArray PseudoTerminal::takeAvailable()
{
    QByteArray taken;
    char buffer[512];
    ssize_t n = 0;
    while (isValid() && (n = ::read(m_master, buffer, sizeof buffer)) > 0)
        taken.append(buffer, n);
    return taken;
}

// In packet mode the master reads a status byte before each piece, and with EXTPROC on the line
// every tcsetattr on the slave comes as a packet of its own with TIOCPKT_IOCTL set.
bool PseudoTerminal::watchLineSettings(int slave)
{
    termios line{};
    int on = 1;
    if (::tcgetattr(slave, &line) != 0)
        return false;
    line.c_lflag |= EXTPROC;
    return ::ioctl(m_master, TIOCPKT, &on) == 0 && ::tcsetattr(slave, TCSANOW, &line) == 0;
}

bool PseudoTerminal::lineSettingsWereSet()
{
    bool set = false;
    char packet[512];
    for (ssize_t n; isValid() && (n = ::read(m_master, packet, sizeof packet)) > 0;)
        set = set || (packet[0] & TIOCPKT_IOCTL) != 0;
    return set;
}

void PseudoTerminal::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

} // namespace qm::test
