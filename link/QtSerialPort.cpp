#include "link/QtSerialPort.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPortInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <termios.h>
#include <unistd.h>
#endif

// QSerialPort as shipped with Debian 12 (Qt 6.4) misbehaves on Linux in ways that matter to a
// link that must keep running for hours:
// - A read that returns no bytes (the descriptor woke up, but someone else took the bytes) is
//   taken for an error with whatever errno was left over. When that is EAGAIN, QSerialPort
//   switches reception off for good (mended upstream in 6.7.1).
// - A full transmit buffer (write() gives EAGAIN) is reported as ResourceError, the same code
//   an unplugged adapter gives. QSerialPort keeps the bytes and retries by itself.
// - A hung-up descriptor (adapter unplugged) reads no bytes forever, so QSerialPort raises
//   read errors in a tight loop, a quarter of a million a second.
// - Bytes that reached the driver before the port was opened are delivered as if new; claim()
//   discards them, on the port the panel uses only.
// So every error is first checked against the port itself: if the device is still there and
// its descriptor still answers, the error is cleared and reception re-armed, unless such
// errors come in a stream; otherwise the port is reported failed() once, and the link closes
// and reopens it.

namespace qm {

namespace {

#ifdef Q_OS_UNIX
// Where QSerialPort (and other serial programs) put their lock for a device.
QString lockFilePath(const QString &devicePath)
{
    QString name = devicePath;
    if (name.startsWith(QLatin1String("/dev/")))
        name.remove(0, 5);
    name.replace(u'/', u'_');
    return QStringLiteral("/var/lock/LCK..") + name;
}
#endif

// What keeps a device that exists from opening, as far as the operator can change it.
SerialPort::RefusalCause refusalCauseOf(QSerialPort::SerialPortError error,
                                        const QString &devicePath)
{
    if (error != QSerialPort::PermissionError)
        return SerialPort::RefusalCause::Other;
#ifdef Q_OS_UNIX
    if (!QFileInfo::exists(lockFilePath(devicePath)) &&
        ::access(QFile::encodeName(devicePath).constData(), R_OK | W_OK) != 0)
        return SerialPort::RefusalCause::NoPermission;
#else
    Q_UNUSED(devicePath);
#endif
    return SerialPort::RefusalCause::InUse;
}

// What the operator can do about it, for the log.
QString refusalHint(SerialPort::RefusalCause cause, const QString &devicePath)
{
    switch (cause) {
    case SerialPort::RefusalCause::NoPermission:
        return QStringLiteral(" — is the user in the dialout group?");
    case SerialPort::RefusalCause::InUse:
#ifdef Q_OS_UNIX
        if (QFileInfo::exists(lockFilePath(devicePath)))
            return QStringLiteral(" — locked by another program, or a stale lock file %1")
                .arg(lockFilePath(devicePath));
        return QStringLiteral(" — is another program (ModemManager, brltty, a terminal) using it?");
#else
        Q_UNUSED(devicePath);
        return QStringLiteral(" — is another program using it?");
#endif
    case SerialPort::RefusalCause::Other:
        break;
    }
    return {};
}

} // namespace

QtSerialPort::QtSerialPort(PortMap map, qint32 baudRate, IdentityReader readIdentity,
                           QObject *parent)
    : SerialPort(parent), m_map(std::move(map)), m_readIdentity(std::move(readIdentity))
{
    m_serial.setBaudRate(baudRate);
    m_serial.setDataBits(QSerialPort::Data8);
    m_serial.setParity(QSerialPort::NoParity);
    m_serial.setStopBits(QSerialPort::OneStop);
    m_serial.setFlowControl(QSerialPort::NoFlowControl);
    // The classic port's 1024-byte receive buffer was the driver's. QSerialPort's read buffer
    // limit is another thing: once that much sits unread it stops taking bytes from the driver,
    // whose own buffer then overflows and loses the unit's replies, just when the window is
    // busy. The link reads everything at every readyRead, so no limit (0) is needed.
    m_serial.setReadBufferSize(0);
    connect(&m_serial, &QSerialPort::readyRead, this, &SerialPort::readyRead);
    connect(&m_serial, &QSerialPort::errorOccurred, this, &QtSerialPort::onError);
    connect(&m_serial, &QSerialPort::bytesWritten, this, &QtSerialPort::onBytesWritten);
}

void QtSerialPort::setPortNumber(int port)
{
    m_portNumber = port;
}

QString QtSerialPort::deviceName() const
{
    return m_map.devicePath(m_portNumber);
}

bool QtSerialPort::deviceExists() const
{
    const QString device = deviceName();
    if (device.isEmpty())
        return false;
#ifdef Q_OS_WIN
    const auto ports = QSerialPortInfo::availablePorts();
    return std::any_of(ports.begin(), ports.end(), [&device](const QSerialPortInfo &info) {
        return info.portName().compare(device, Qt::CaseInsensitive) == 0;
    });
#else
    return QFileInfo::exists(device);
#endif
}

bool QtSerialPort::open()
{
    if (m_serial.isOpen())
        return true;
    m_openError.clear();
    m_refusalCause = RefusalCause::Other;
    m_serial.setPortName(deviceName());
    if (!m_serial.open(QIODevice::ReadWrite)) {
        m_refusalCause = refusalCauseOf(m_serial.error(), deviceName());
        m_openError = m_serial.errorString() + refusalHint(m_refusalCause, deviceName());
        return false;
    }
    ++m_session;
    m_errorWindow.invalidate();
    return true;
}

void QtSerialPort::claim()
{
    m_serial.clear(QSerialPort::Input);
    m_identity = presentIdentity();
}

DeviceIdentity QtSerialPort::presentIdentity() const
{
    return m_readIdentity(deviceName());
}

// QSerialPort drops what its driver has not taken; whoever wanted it took it before.
void QtSerialPort::close()
{
    m_serial.close();
    m_unsent.clear();
}

QString QtSerialPort::errorString() const
{
    return m_openError.isEmpty() ? m_serial.errorString() : m_openError;
}

QByteArray QtSerialPort::readAll()
{
    return m_serial.readAll();
}

bool QtSerialPort::isOpen() const
{
    return m_serial.isOpen();
}

void QtSerialPort::write(const QByteArray &frame)
{
    if (!m_serial.isOpen())
        return;
    m_unsent.append(frame);
    m_serial.write(frame);
}

QByteArrayList QtSerialPort::takeUnsent()
{
    return m_unsent.take();
}

qsizetype QtSerialPort::unsentBytes() const
{
    return m_unsent.bytes();
}

bool QtSerialPort::waitUntilSent(int timeoutMs)
{
    while (m_serial.bytesToWrite() > 0) {
        if (!m_serial.waitForBytesWritten(timeoutMs))
            return false;
    }
    return true;
}

void QtSerialPort::onBytesWritten(qint64 count)
{
    m_unsent.confirm(count);
}

void QtSerialPort::onError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || error == QSerialPort::TimeoutError || !m_serial.isOpen())
        return;
    if (stillWorks() && !tooManyErrors()) {
        m_serial.clearError();
        // Restarts reception in case this was the no-bytes read that switched it off.
        m_serial.setReadBufferSize(0);
        return;
    }
    // A hung-up descriptor keeps raising errors until it is closed: report it once. Closing
    // QSerialPort from inside its own notifier is not safe, so the event loop unwinds first.
    if (m_reportedSession == m_session)
        return;
    m_reportedSession = m_session;
    QMetaObject::invokeMethod(
        this, [this, session = m_session] { reportFailure(session); }, Qt::QueuedConnection);
}

// Spurious errors come now and then; a stream of them from a port that seems to work would
// keep the processor busy, and reopening the port is the remedy left.
bool QtSerialPort::tooManyErrors()
{
    constexpr int WindowMs = 1000;
    constexpr int MaxErrorsPerWindow = 20;
    if (!m_errorWindow.isValid() || m_errorWindow.elapsed() > WindowMs) {
        m_errorWindow.start();
        m_errorsInWindow = 0;
    }
    return ++m_errorsInWindow > MaxErrorsPerWindow;
}

// tcgetattr neither writes nor waits for the line to drain, yet a hung-up descriptor
// refuses it with EIO, so it tells a working port from a gone one without side effects.
bool QtSerialPort::stillWorks() const
{
    if (!deviceExists())
        return false;
#ifdef Q_OS_UNIX
    termios settings{};
    return ::tcgetattr(m_serial.handle(), &settings) == 0;
#else
    return true;
#endif
}

// By now the port may have been closed, or closed and opened anew: then it is news no more.
void QtSerialPort::reportFailure(quint64 session)
{
    if (session == m_session && m_serial.isOpen())
        emit failed();
}

} // namespace qm
