#include "tools/qm-unit-sim/PtyPort.h"

#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace qm::sim {

namespace {

constexpr int ReadChunk = 4096;
// After the master reports an error, look again this much later instead of spinning on it.
constexpr int RetryReadMs = 100;

// The speeds the units run at.
speed_t speedConstant(int baudRate)
{
    switch (baudRate) {
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    }
    return B0;
}

} // namespace

PtyPort::~PtyPort()
{
    delete m_notifier;
    for (int fd : {m_slave, m_master}) {
        if (fd >= 0)
            ::close(fd);
    }
}

bool PtyPort::open()
{
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0)
        return fail("posix_openpt");
    if (::grantpt(m_master) != 0)
        return fail("grantpt");
    if (::unlockpt(m_master) != 0)
        return fail("unlockpt");
    const char *name = ::ptsname(m_master);
    if (name == nullptr)
        return fail("ptsname");
    m_slavePath = QString::fromLocal8Bit(name);

    termios raw{};
    if (::tcgetattr(m_master, &raw) != 0)
        return fail("tcgetattr");
    ::cfmakeraw(&raw);
    if (::tcsetattr(m_master, TCSANOW, &raw) != 0)
        return fail("tcsetattr");

    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0)
        return fail("open slave");

    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyPort::readAvailable);
    return true;
}

void PtyPort::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            ::write(m_master, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            std::fprintf(stderr, "qm-unit-sim: line full, %lld bytes dropped\n",
                         static_cast<long long>(bytes.size() - done));
            return;
        }
        done += written;
    }
}

bool PtyPort::lineRunsAt(int baudRate) const
{
    termios line{};
    if (::tcgetattr(m_slave, &line) != 0)
        return false;
    const speed_t speed = speedConstant(baudRate);
    return speed != B0 && ::cfgetospeed(&line) == speed && ::cfgetispeed(&line) == speed &&
           (line.c_cflag & CSIZE) == CS8 && (line.c_cflag & (PARENB | CSTOPB)) == 0;
}

bool PtyPort::fail(const char *step)
{
    m_error = QStringLiteral("%1: %2").arg(QLatin1String(step),
                                           QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

void PtyPort::readAvailable()
{
    char buffer[ReadChunk];
    for (;;) {
        const ssize_t count = ::read(m_master, buffer, sizeof buffer);
        if (count > 0) {
            emit received(QByteArray(buffer, count));
            continue;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno == EAGAIN)
            return;
        pauseReading();
        return;
    }
}

// End of file or an error such as EIO (every slave descriptor closed): nothing to read now,
// and the notifier would fire again at once.
void PtyPort::pauseReading()
{
    m_notifier->setEnabled(false);
    QTimer::singleShot(RetryReadMs, this, [this] { m_notifier->setEnabled(true); });
}

} // namespace qm::sim
