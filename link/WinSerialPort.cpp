#include "link/WinSerialPort.h"

#include "link/WinSerialRules.h"
#include "process/SystemMessage.h"

#include <QDeadlineTimer>

#include <windows.h>

#include <algorithm>

namespace qm {

namespace {

// A read ends 10 ms after the last byte of a burst, or after half a second without one, and
// the next read starts then. Windows and Wine agree on this setting; Windows' "return at the
// first byte" settings never complete under Wine, or return at once with nothing on Windows.
// A reply that still comes in pieces is put together by the frame parser.
constexpr DWORD ReadIntervalMs = 10;
constexpr DWORD ReadIdleMs = 500;
constexpr DWORD ReadChunk = 1024;
// A cancelled transfer normally ends at once; a driver that keeps its buffer longer has stalled,
// and the window is not held for it.
constexpr DWORD SettleMs = 500;

// A serial device answers GetCommState; Windows promises nothing of its file type. Wine opens a
// COM name whose device is not there as a handle that answers neither, which is taken for the
// absent device it is.
HANDLE openDevice(const QString &deviceName)
{
    const QString path = winserial::devicePath(deviceName);
    const HANDLE handle =
        CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ | GENERIC_WRITE,
                    0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (handle == INVALID_HANDLE_VALUE || GetCommState(handle, &dcb))
        return handle;
    CloseHandle(handle);
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

// The model's speed, 8N1, no flow control of any kind, errors that do not stop the line, and
// DTR and RTS raised as an open on Linux raises them. Every field Windows checks is set, as a
// driver's current settings may hold anything: equal XON and XOFF characters (zeros) are
// refused even with flow control off.
bool setLine(HANDLE handle, quint32 baudRate)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb))
        return false;
    dcb.BaudRate = baudRate;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    dcb.fTXContinueOnXoff = TRUE;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.ErrorChar = 0;
    dcb.EofChar = 0;
    dcb.EvtChar = 0;
    if (!SetCommState(handle, &dcb))
        return false;
    // Without flow control the line takes every byte at its speed; a driver that does not has
    // stalled, and its write fails instead of holding the frames behind it.
    const winserial::WriteLimit limit = winserial::writeLimit(baudRate);
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = ReadIntervalMs;
    timeouts.ReadTotalTimeoutConstant = ReadIdleMs;
    timeouts.WriteTotalTimeoutMultiplier = limit.perByteMs;
    timeouts.WriteTotalTimeoutConstant = limit.constantMs;
    return SetCommTimeouts(handle, &timeouts);
}

QString refusalHint(SerialPort::RefusalCause cause)
{
    if (cause == SerialPort::RefusalCause::InUse)
        return QStringLiteral(" — is another program using it?");
    return {};
}

} // namespace

// One overlapped transfer: its event is manual-reset, so the notifier sees a completion until
// the next transfer starts or the event is reset.
struct WinSerialPort::Transfer
{
    Transfer() : event(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~Transfer() { CloseHandle(event); }
    Transfer(const Transfer &) = delete;
    Transfer &operator=(const Transfer &) = delete;

    OVERLAPPED *start()
    {
        ResetEvent(event);
        overlapped = {};
        overlapped.hEvent = event;
        return &overlapped;
    }

    OVERLAPPED overlapped{};
    HANDLE event;
    QByteArray buffer;
    bool pending = false;
};

WinSerialPort::WinSerialPort(PortMap map, qint32 baudRate, IdentityReader readIdentity,
                             QObject *parent)
    : SerialPort(parent), m_map(std::move(map)), m_baudRate(quint32(baudRate)),
      m_readIdentity(std::move(readIdentity)), m_handle(INVALID_HANDLE_VALUE),
      m_read(std::make_unique<Transfer>()), m_write(std::make_unique<Transfer>()),
      m_readDone(m_read->event), m_writeDone(m_write->event)
{
    m_readDone.setEnabled(false);
    m_writeDone.setEnabled(false);
    connect(&m_readDone, &QWinEventNotifier::activated, this, &WinSerialPort::onReadDone);
    connect(&m_writeDone, &QWinEventNotifier::activated, this, &WinSerialPort::onWriteDone);
    m_writeWatch.setSingleShot(true);
    connect(&m_writeWatch, &QTimer::timeout, this, &WinSerialPort::onWriteOverdue);
}

// A transfer Windows still holds is never freed: its buffer could be written after that.
WinSerialPort::~WinSerialPort()
{
    close();
    for (std::unique_ptr<Transfer> &transfer : m_stalled)
        static_cast<void>(transfer.release());
}

QString WinSerialPort::deviceName() const
{
    return m_map.devicePath(m_portNumber);
}

bool WinSerialPort::isOpen() const
{
    return m_handle != INVALID_HANDLE_VALUE;
}

// Windows keeps a COM name registered while its adapter is gone, so only the device itself can
// tell: an open port asks its handle, another one opens and closes the device, touching nothing.
bool WinSerialPort::deviceExists() const
{
    if (isOpen()) {
        DWORD errors = 0;
        return ClearCommError(m_handle, &errors, nullptr) != 0;
    }
    const QString name = deviceName();
    if (name.isEmpty())
        return false;
    const HANDLE handle = openDevice(name);
    if (handle == INVALID_HANDLE_VALUE)
        return !winserial::meansAbsent(GetLastError());
    CloseHandle(handle);
    return true;
}

bool WinSerialPort::open()
{
    if (isOpen())
        return true;
    m_error.clear();
    m_refusalCause = RefusalCause::Other;
    const HANDLE handle = openDevice(deviceName());
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        m_refusalCause = winserial::refusalCause(error);
        m_error = systemMessage(error) + refusalHint(m_refusalCause);
        return false;
    }
    if (!setLine(handle, m_baudRate)) {
        m_error =
            QStringLiteral("the line settings were refused: %1").arg(systemMessage(GetLastError()));
        CloseHandle(handle);
        return false;
    }
    m_handle = handle;
    ++m_session;
    m_readDone.setEnabled(true);
    m_writeDone.setEnabled(true);
    // Reading starts once the caller is back in the event loop: a port that is only probed
    // leaves what waits in it to its owner.
    QMetaObject::invokeMethod(
        this,
        [this, session = m_session] {
            if (session == m_session)
                startReading();
        },
        Qt::QueuedConnection);
    return true;
}

// The only place input is thrown away: what waited in the driver, and a read that may already
// hold some of it.
void WinSerialPort::claim()
{
    if (isOpen()) {
        settle(m_read, m_readDone);
        PurgeComm(m_handle, PURGE_RXCLEAR);
        m_received.clear();
        startReading();
    }
    m_identity = openedIdentity();
}

DeviceIdentity WinSerialPort::presentIdentity() const
{
    return m_readIdentity(deviceName());
}

// A COM name keeps to its device while the port is open, so the name tells.
DeviceIdentity WinSerialPort::openedIdentity() const
{
    return isOpen() ? presentIdentity() : DeviceIdentity{};
}

// What the driver had not written is dropped; whoever wanted it took it before.
void WinSerialPort::close()
{
    if (!isOpen())
        return;
    settle(m_read, m_readDone);
    settle(m_write, m_writeDone);
    m_readDone.setEnabled(false);
    m_writeDone.setEnabled(false);
    CloseHandle(m_handle);
    m_handle = INVALID_HANDLE_VALUE;
    std::erase_if(m_stalled, [](const std::unique_ptr<Transfer> &transfer) {
        return WaitForSingleObject(transfer->event, 0) == WAIT_OBJECT_0;
    });
    m_received.clear();
    m_unsent.clear();
}

void WinSerialPort::write(const QByteArray &frame)
{
    if (!isOpen())
        return;
    m_unsent.append(frame);
    startWriting();
}

// A write under way is called off first, so that its bytes are either counted as written or
// handed over, never both.
QByteArrayList WinSerialPort::takeUnsent()
{
    m_unsent.confirm(settle(m_write, m_writeDone));
    return m_unsent.take();
}

// Each write's end is taken as its notifier would take it, which starts the next one.
bool WinSerialPort::waitUntilSent(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (isOpen() && m_write->pending) {
        const auto remaining = DWORD(std::max<qint64>(deadline.remainingTime(), 0));
        if (WaitForSingleObject(m_write->event, remaining) != WAIT_OBJECT_0)
            return false;
        onWriteDone();
    }
    return m_unsent.isEmpty();
}

void WinSerialPort::startReading()
{
    if (!isOpen() || m_read->pending)
        return;
    m_read->buffer.resize(ReadChunk);
    if (!ReadFile(m_handle, m_read->buffer.data(), ReadChunk, nullptr, m_read->start()) &&
        GetLastError() != ERROR_IO_PENDING) {
        fail();
        return;
    }
    m_read->pending = true;
}

void WinSerialPort::onReadDone()
{
    if (!m_read->pending) {
        ResetEvent(m_read->event);
        return;
    }
    DWORD count = 0;
    // Wine ends a read that ran into its time limit with "timeout"; Windows calls it a success.
    // Both count the bytes that came before the limit.
    if (!GetOverlappedResult(m_handle, &m_read->overlapped, &count, FALSE) &&
        GetLastError() != ERROR_TIMEOUT) {
        if (GetLastError() == ERROR_IO_INCOMPLETE)
            return;
        m_read->pending = false;
        ResetEvent(m_read->event);
        fail();
        return;
    }
    m_read->pending = false;
    m_received.append(m_read->buffer.constData(), qsizetype(count));
    startReading();
    if (count > 0)
        emit readyRead();
}

void WinSerialPort::startWriting()
{
    if (!isOpen() || m_write->pending || m_unsent.isEmpty())
        return;
    m_write->buffer = m_unsent.first();
    if (!WriteFile(m_handle, m_write->buffer.constData(), DWORD(m_write->buffer.size()), nullptr,
                   m_write->start()) &&
        GetLastError() != ERROR_IO_PENDING) {
        fail();
        return;
    }
    m_write->pending = true;
    // The driver's own limit, and as long again for its word that it was reached.
    m_writeWatch.start(int(2 * winserial::writeLimit(m_baudRate).forBytes(m_write->buffer.size())));
}

void WinSerialPort::onWriteDone()
{
    if (!m_write->pending) {
        ResetEvent(m_write->event);
        return;
    }
    DWORD count = 0;
    const bool done = GetOverlappedResult(m_handle, &m_write->overlapped, &count, FALSE);
    const DWORD error = done ? DWORD(ERROR_SUCCESS) : GetLastError();
    if (error == ERROR_IO_INCOMPLETE)
        return;
    m_writeWatch.stop();
    m_write->pending = false;
    ResetEvent(m_write->event);
    m_unsent.confirm(count);
    // Windows ends a write that reached its limit as a success with fewer bytes, Wine as a
    // time-out.
    if (error == ERROR_TIMEOUT || (done && count < DWORD(m_write->buffer.size()))) {
        failWith(QStringLiteral("the line did not take the frame in time"));
        return;
    }
    if (!done) {
        fail();
        return;
    }
    startWriting();
}

// The driver neither wrote the frame nor said that its limit was reached.
void WinSerialPort::onWriteOverdue()
{
    if (m_write->pending)
        failWith(QStringLiteral("the line did not take the frame in time"));
}

// Calls off a transfer under way and waits a while for Windows to let go of its buffer; the
// bytes it moved before it stopped. A transfer that Windows keeps longer is set aside with its
// buffer, a fresh one takes its place, and the line has failed.
qint64 WinSerialPort::settle(std::unique_ptr<Transfer> &transfer, QWinEventNotifier &done)
{
    if (!transfer->pending)
        return 0;
    if (&transfer == &m_write)
        m_writeWatch.stop();
    CancelIoEx(m_handle, &transfer->overlapped);
    if (WaitForSingleObject(transfer->event, SettleMs) != WAIT_OBJECT_0) {
        m_stalled.push_back(std::exchange(transfer, std::make_unique<Transfer>()));
        done.setHandle(transfer->event);
        failWith(QStringLiteral("the driver did not let go of a cancelled transfer"));
        return 0;
    }
    DWORD count = 0;
    GetOverlappedResult(m_handle, &transfer->overlapped, &count, FALSE);
    transfer->pending = false;
    ResetEvent(transfer->event);
    return qint64(count);
}

void WinSerialPort::fail()
{
    failWith(systemMessage(GetLastError()));
}

// Reported once per open, after the event loop has unwound, and only while that open lasts.
void WinSerialPort::failWith(const QString &error)
{
    m_error = error;
    if (m_reportedSession == m_session)
        return;
    m_reportedSession = m_session;
    QMetaObject::invokeMethod(
        this,
        [this, session = m_session] {
            if (session == m_session && isOpen())
                emit failed();
        },
        Qt::QueuedConnection);
}

} // namespace qm
