#include "link/QtSerialPort.h"

#include "link/PortWords.h"
#include "link/SerialDevice.h"

#include <QDeadlineTimer>

#include <algorithm>

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
    return !device.isEmpty() && serialdevice::exists(device);
}

bool QtSerialPort::open()
{
    if (m_serial.isOpen())
        return true;
    m_refusal = m_lock.take(deviceName());
    if (m_refusal)
        return false;
    m_serial.setPortName(deviceName());
    if (!m_serial.open(QIODevice::ReadWrite)) {
        m_refusal =
            serialdevice::explainRefusal(m_serial.error(), m_serial.errorString(), deviceName());
        m_lock.release();
        return false;
    }
    ++m_session;
    m_errorWindow.invalidate();
    return true;
}

void QtSerialPort::claim()
{
    m_serial.clear(QSerialPort::Input);
    m_identity = openedIdentity();
}

DeviceIdentity QtSerialPort::presentIdentity() const
{
    DeviceIdentity identity = m_readIdentity(deviceName());
    identity.deviceNumber = serialdevice::deviceNumberAt(deviceName());
    return identity;
}

// Asked of the descriptor, not the name, which may point elsewhere by now.
DeviceIdentity QtSerialPort::openedIdentity() const
{
    if (!m_serial.isOpen())
        return {};
    const QString node = serialdevice::nodePath(m_serial);
    DeviceIdentity identity = m_readIdentity(node.isEmpty() ? deviceName() : node);
    identity.deviceNumber = serialdevice::deviceNumberOf(m_serial);
    return identity;
}

// QSerialPort drops what its driver has not taken; whoever wanted it took it before.
void QtSerialPort::close()
{
    m_serial.close();
    m_lock.release();
    m_unsent.clear();
    m_refused.clear();
}

// A refused open is told with its cure, in the words the programs share.
QString QtSerialPort::errorString() const
{
    return m_refusal ? refusalCure(refusalOf(*this), PortRetry::RunAgain) : m_serial.errorString();
}

SerialPort::RefusalCause QtSerialPort::refusalCause() const
{
    return m_refusal ? m_refusal->cause : RefusalCause::Other;
}

QString QtSerialPort::refusalDetail() const
{
    return m_refusal ? m_refusal->detail : QString();
}

QByteArray QtSerialPort::readAll()
{
    return m_serial.readAll();
}

bool QtSerialPort::isOpen() const
{
    return m_serial.isOpen();
}

// A frame QSerialPort would not take never went out: it is kept apart from the ones its buffer
// holds (whose count tells what the driver took) and handed over with them, and the port is
// reported failed, so that the link resends it to the same device or names it as not sent.
void QtSerialPort::write(const QByteArray &frame)
{
    if (!m_serial.isOpen())
        return;
    forgetTaken();
    if (!m_refused.isEmpty() || m_serial.write(frame) != frame.size()) {
        m_refused.append(frame);
        reportFailureOnce();
        return;
    }
    m_unsent.append(frame);
}

QByteArrayList QtSerialPort::takeUnsent()
{
    forgetTaken();
    return m_unsent.take() + std::exchange(m_refused, {});
}

// waitForBytesWritten returns once some bytes went, and with an error on a full driver buffer
// too, which onError clears when the port still works; the error of a gone port stays.
bool QtSerialPort::waitUntilSent(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (m_serial.isOpen() && m_serial.bytesToWrite() > 0 && !deadline.hasExpired()) {
        if (!m_serial.waitForBytesWritten(int(deadline.remainingTime())) &&
            m_serial.error() != QSerialPort::NoError)
            break;
    }
    return m_serial.isOpen() && m_serial.bytesToWrite() == 0;
}

qsizetype QtSerialPort::unsentBytes() const
{
    return m_serial.bytesToWrite();
}

// QSerialPort tells of what the driver took only at its next chance to write, which a stopped or
// full line may not give for long; the bytes it still holds itself are exact, and they are the
// end of what was written.
void QtSerialPort::forgetTaken()
{
    m_unsent.confirm(m_unsent.bytes() - m_serial.bytesToWrite());
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
    reportFailureOnce();
}

// A hung-up descriptor keeps raising errors until it is closed: report it once. Closing
// QSerialPort from inside its own notifier is not safe, so the event loop unwinds first.
void QtSerialPort::reportFailureOnce()
{
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

// Tells a working port from a gone one without side effects.
bool QtSerialPort::stillWorks() const
{
    return deviceExists() && serialdevice::answers(m_serial);
}

// By now the port may have been closed, or closed and opened anew: then it is news no more.
void QtSerialPort::reportFailure(quint64 session)
{
    if (session == m_session && m_serial.isOpen())
        emit failed();
}

} // namespace qm
