#include "link/NetworkSerialPort.h"

#include "link/ReplyWait.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <array>

namespace qm {

namespace {

struct ServerRefusal
{
    QByteArrayView words;
    bool inUse;
};

// What ser2net and servers like it send as data, then close, instead of a line.
constexpr std::array ServerRefusals = {
    ServerRefusal{"Port already in use", true},
    ServerRefusal{"Device open failure", false},
};
// Longer than any refusal line: what has not ended by then is the unit's data.
constexpr qsizetype MaxServerWords = 200;
// A server's round trip beyond this is taken as this, so that no wait grows without bound.
constexpr int MaxRoundTripMs = NetworkSerialPort::ConnectTimeoutMs;

// The server's words as the operator may read them: printable ASCII, the line end dropped.
QString readableWords(QByteArrayView bytes)
{
    QString words;
    for (const char byte : bytes.first(std::min<qsizetype>(bytes.size(), 120))) {
        if (byte == '\r' || byte == '\n')
            break;
        words += byte >= ' ' && byte <= '~' ? QChar::fromLatin1(byte) : QChar(u'?');
    }
    return words.trimmed();
}

bool mayStillBe(QByteArrayView start, QByteArrayView words)
{
    return words.startsWith(start) || start.startsWith(words);
}

// Where a frame cut after `taken` bytes of its escaped form resumes in the frame itself.
qsizetype frameBytesCovered(const QByteArray &frame, qint64 taken, bool escapedWire)
{
    if (!escapedWire)
        return static_cast<qsizetype>(std::min<qint64>(taken, frame.size()));
    qsizetype covered = 0;
    for (qint64 wire = 0; covered < frame.size(); ++covered) {
        wire += frame.at(covered) == telnet::Iac ? 2 : 1;
        if (wire > taken)
            break;
    }
    return covered;
}

} // namespace

NetworkSerialPort::NetworkSerialPort(PortMap map, qint32 baudRate, QObject *parent)
    : SerialPort(parent), m_map(std::move(map)), m_baudRate(baudRate)
{
    m_deadline.setSingleShot(true);
    m_quietStart.setSingleShot(true);
    m_speedCheck.setInterval(SpeedCheckIntervalMs);
    connect(&m_deadline, &QTimer::timeout, this, &NetworkSerialPort::onDeadline);
    connect(&m_quietStart, &QTimer::timeout, this, [this] {
        if (m_state == State::SettingUp)
            lineUp();
    });
    connect(&m_speedCheck, &QTimer::timeout, this, &NetworkSerialPort::checkSpeed);
    connect(&m_socket, &QTcpSocket::hostFound, this, [this] { m_clock.restart(); });
    connect(&m_socket, &QTcpSocket::connected, this, &NetworkSerialPort::onConnected);
    connect(&m_socket, &QTcpSocket::readyRead, this, &NetworkSerialPort::onSocketData);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &NetworkSerialPort::onSocketError);
    connect(&m_socket, &QTcpSocket::disconnected, this, &NetworkSerialPort::onDisconnected);
    connect(&m_socket, &QTcpSocket::bytesWritten, this, &NetworkSerialPort::onBytesWritten);
}

void NetworkSerialPort::setPortNumber(int port)
{
    m_portNumber = port;
    m_address = readNetworkAddress(deviceName()).address;
}

bool NetworkSerialPort::open()
{
    close();
    m_failureText.clear();
    if (!m_address) {
        m_failureText = QStringLiteral("%1 is not a device server's address").arg(deviceName());
        return false;
    }
    ++m_session;
    m_state = State::Connecting;
    m_openedAddress = m_address->text();
    m_decoder = {};
    m_agreement = {};
    m_answers = {};
    m_sniffing = true;
    m_deadline.start(ConnectTimeoutMs);
    m_clock.start();
    m_socket.connectToHost(m_address->host, m_address->port);
    return true;
}

void NetworkSerialPort::claim()
{
    m_input.clear();
    m_identity = openedIdentity();
}

void NetworkSerialPort::close()
{
    ++m_session;
    m_state = State::Closed;
    m_deadline.stop();
    m_quietStart.stop();
    m_speedCheck.stop();
    m_socket.abort();
    m_streamStart.clear();
    m_input.clear();
    m_pending.clear();
    m_written.clear();
    m_streamWritten = 0;
    m_streamTaken = 0;
    m_askedAtMs = -1;
    m_burstStartMs = -1;
    m_burstBytes = 0;
    m_roundTripMeasured = false;
}

bool NetworkSerialPort::isConnecting() const
{
    return m_state == State::Connecting || m_state == State::SettingUp;
}

void NetworkSerialPort::write(const QByteArray &frame)
{
    if (m_state == State::Up)
        writeFrame(frame);
    else if (m_state != State::Closed)
        m_pending.append(frame);
}

DeviceIdentity NetworkSerialPort::presentIdentity() const
{
    DeviceIdentity identity;
    if (m_address)
        identity.networkAddress = m_address->text();
    return identity;
}

DeviceIdentity NetworkSerialPort::openedIdentity() const
{
    DeviceIdentity identity;
    if (m_state != State::Closed)
        identity.networkAddress = m_openedAddress;
    return identity;
}

// The socket's own buffer holds what has not gone out; what the system took may still be lost
// on the way, which no client can know.
QByteArrayList NetworkSerialPort::takeUnsent()
{
    QByteArrayList unsent;
    const bool escapedWire = m_address && m_address->setsLine();
    for (const Written &written : std::as_const(m_written)) {
        const qint64 wireSize =
            escapedWire ? telnet::escaped(written.frame).size() : written.frame.size();
        const qint64 start = written.streamEnd - wireSize;
        const qsizetype skip = frameBytesCovered(
            written.frame, std::max<qint64>(0, m_streamTaken - start), escapedWire);
        if (skip < written.frame.size())
            unsent.append(written.frame.sliced(skip));
    }
    unsent += m_pending;
    m_written.clear();
    m_pending.clear();
    return unsent;
}

bool NetworkSerialPort::waitUntilSent(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (m_state == State::Up && m_socket.bytesToWrite() > 0) {
        if (deadline.hasExpired() || !m_socket.waitForBytesWritten(int(deadline.remainingTime())))
            return false;
    }
    return m_state == State::Up;
}

void NetworkSerialPort::onConnected()
{
    if (m_state != State::Connecting)
        return;
    m_handshakeMs = m_clock.elapsed();
    m_roundTripMs = static_cast<int>(std::min<qint64>(m_handshakeMs, MaxRoundTripMs));
    m_state = State::SettingUp;
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (m_address->setsLine()) {
        writeWire(m_agreement.opening() + rfc2217::lineRequest(static_cast<quint32>(m_baudRate)));
        m_askedAtMs = m_clock.elapsed();
    } else {
        m_quietStart.start(QuietStartMs + m_roundTripMs);
        m_roundTripMs = std::max(m_roundTripMs, UnmeasuredRoundTripMs);
    }
}

void NetworkSerialPort::onSocketData()
{
    const QByteArray bytes = m_socket.readAll();
    if (m_state == State::Closed || m_state == State::Failed)
        return;
    if (m_address->setsLine()) {
        takeTelnet(bytes);
    } else {
        noteReplyCame();
        takeData(bytes);
    }
}

// Commands are answered and the line's confirmations noted; only the data goes on.
void NetworkSerialPort::takeTelnet(const QByteArray &bytes)
{
    const telnet::Decoder::Decoded decoded = m_decoder.feed(bytes);
    QByteArray answers;
    for (const auto &request : decoded.negotiations)
        answers += m_agreement.answer(request);
    if (!answers.isEmpty())
        writeWire(answers);
    if (m_agreement.comPortRefused()) {
        fail(Failure::NoLineControl);
        return;
    }
    for (const auto &sub : decoded.subnegotiations) {
        if (sub.option != telnet::ComPort || sub.payload.isEmpty())
            continue;
        const bool speedAnswer = static_cast<quint8>(sub.payload.front()) ==
                                 rfc2217::ServerOffset + rfc2217::SetBaudRate;
        if (speedAnswer && m_askedAtMs >= 0) {
            noteRoundTrip(m_clock.elapsed() - m_askedAtMs);
            m_askedAtMs = -1;
        }
        m_answers.note(sub.payload);
    }
    if (m_state == State::SettingUp && m_answers.complete()) {
        if (!m_answers.mismatch(static_cast<quint32>(m_baudRate)).isEmpty()) {
            fail(Failure::LineRefused);
            return;
        }
        lineUp();
    }
    // A server whose line changed under the program no longer reaches the unit at its speed.
    if (m_state == State::Up && m_answers.baudRate && *m_answers.baudRate != 0 &&
        *m_answers.baudRate != static_cast<quint32>(m_baudRate)) {
        fail(Failure::LineRefused);
        return;
    }
    if (!decoded.data.isEmpty())
        takeData(decoded.data);
}

void NetworkSerialPort::takeData(const QByteArray &data)
{
    if (m_sniffing) {
        m_streamStart += data;
        if (heardServerRefusal(false))
            return;
        const bool maybeWords =
            std::any_of(ServerRefusals.begin(), ServerRefusals.end(),
                        [this](const auto &r) { return mayStillBe(m_streamStart, r.words); });
        if (maybeWords && m_streamStart.size() < MaxServerWords)
            return;
        m_sniffing = false;
        m_input += std::exchange(m_streamStart, {});
    } else {
        m_input += data;
    }
    if (m_state == State::Up)
        emit readyRead();
}

// A refusal line counts once it has ended, or once the server closed after it.
bool NetworkSerialPort::heardServerRefusal(bool streamEnded)
{
    for (const ServerRefusal &refusal : ServerRefusals) {
        if (!m_streamStart.startsWith(refusal.words))
            continue;
        if (!streamEnded && !m_streamStart.contains('\n') && m_streamStart.size() < MaxServerWords)
            return true; // more of the line is coming
        fail(refusal.inUse ? Failure::InUse : Failure::DeviceFailed, readableWords(m_streamStart));
        return true;
    }
    return false;
}

void NetworkSerialPort::lineUp()
{
    m_state = State::Up;
    m_deadline.stop();
    if (m_address->setsLine())
        m_speedCheck.start();
    for (const QByteArray &frame : std::exchange(m_pending, {}))
        writeFrame(frame);
    emit connected();
    if (!m_input.isEmpty())
        emit readyRead();
}

void NetworkSerialPort::checkSpeed()
{
    if (m_state != State::Up || m_askedAtMs >= 0)
        return;
    writeWire(rfc2217::speedQuery());
    m_askedAtMs = m_clock.elapsed();
}

// A longer round trip counts at once; a shorter one only by a quarter, so one quick answer
// does not cut the waits short.
void NetworkSerialPort::noteRoundTrip(qint64 sampleMs)
{
    const int sample = static_cast<int>(std::clamp<qint64>(sampleMs, 0, MaxRoundTripMs));
    m_roundTripMs = sample >= m_roundTripMs ? sample : m_roundTripMs - (m_roundTripMs - sample) / 4;
}

// A raw pipe has nothing but the unit's replies to time: from the first frame of a burst, less
// the line time of the burst's frames, until bytes come back. The unit's own delay counts too,
// which only lengthens the waits.
void NetworkSerialPort::noteRequestSent(qsizetype bytes)
{
    const qint64 now = m_clock.elapsed();
    if (m_burstStartMs < 0 ||
        now - m_lastWriteMs > ReplyWait(m_baudRate).lineTimeMs(m_burstBytes)) {
        m_burstStartMs = now;
        m_burstBytes = 0;
    }
    m_burstBytes += bytes;
    m_lastWriteMs = now;
}

void NetworkSerialPort::noteReplyCame()
{
    if (m_state != State::Up || m_burstStartMs < 0)
        return;
    const qint64 sample =
        m_clock.elapsed() - m_burstStartMs - ReplyWait(m_baudRate).lineTimeMs(m_burstBytes);
    m_burstStartMs = -1;
    if (std::exchange(m_roundTripMeasured, true))
        noteRoundTrip(sample);
    else
        m_roundTripMs = static_cast<int>(std::clamp<qint64>(sample, 0, MaxRoundTripMs));
}

void NetworkSerialPort::writeFrame(const QByteArray &frame)
{
    const bool escapedWire = m_address->setsLine();
    if (!escapedWire)
        noteRequestSent(frame.size());
    const QByteArray wire = escapedWire ? telnet::escaped(frame) : frame;
    m_written.append({frame, m_streamWritten + wire.size()});
    writeWire(wire);
}

void NetworkSerialPort::writeWire(const QByteArray &bytes)
{
    m_streamWritten += bytes.size();
    if (m_socket.write(bytes) != bytes.size())
        fail(Failure::Other);
}

void NetworkSerialPort::onBytesWritten(qint64 bytes)
{
    m_streamTaken += bytes;
    while (!m_written.isEmpty() && m_written.first().streamEnd <= m_streamTaken)
        m_written.removeFirst();
}

void NetworkSerialPort::onSocketError(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::HostNotFoundError:
        fail(Failure::HostNotFound);
        break;
    case QAbstractSocket::ConnectionRefusedError:
        fail(Failure::Refused);
        break;
    case QAbstractSocket::RemoteHostClosedError:
        onDisconnected();
        break;
    case QAbstractSocket::SocketTimeoutError:
        fail(Failure::TimedOut);
        break;
    default:
        fail(Failure::Other);
        break;
    }
}

void NetworkSerialPort::onDisconnected()
{
    if (m_state == State::Closed || m_state == State::Failed)
        return;
    if (m_sniffing && heardServerRefusal(true))
        return;
    fail(Failure::Closed, m_sniffing ? readableWords(m_streamStart) : QString());
}

void NetworkSerialPort::onDeadline()
{
    if (isConnecting())
        fail(Failure::TimedOut);
}

// Reported from the event loop, once per open: the owner closes and may reopen the port in its
// handler, which must not happen inside the socket's own signal.
void NetworkSerialPort::fail(Failure failure, const QString &serverWords)
{
    if (m_state == State::Closed || m_state == State::Failed)
        return;
    m_failureText = wordsFor(failure, serverWords);
    m_state = State::Failed;
    m_deadline.stop();
    m_quietStart.stop();
    m_speedCheck.stop();
    QMetaObject::invokeMethod(
        this,
        [this, session = m_session] {
            if (session == m_session && m_state == State::Failed)
                emit failed();
        },
        Qt::QueuedConnection);
}

QString NetworkSerialPort::wordsFor(Failure failure, const QString &serverWords) const
{
    const QString host = m_address ? m_address->host : QString();
    const QString port = m_address ? QString::number(m_address->port) : QString();
    switch (failure) {
    case Failure::HostNotFound:
        return QStringLiteral("the name %1 is not known; check how it is written and that the "
                              "network is up")
            .arg(host);
    case Failure::Refused:
        return QStringLiteral("nothing accepts a connection at %1 port %2; is the device server "
                              "on, and is this its port?")
            .arg(host, port);
    case Failure::TimedOut:
        if (m_state == State::SettingUp && m_address->setsLine())
            return QStringLiteral("the device server at %1 port %2 did not confirm the line "
                                  "settings within %3 s")
                .arg(host, port)
                .arg(ConnectTimeoutMs / 1000);
        return QStringLiteral("%1 port %2 did not answer within %3 s; is the device server on "
                              "and reachable?")
            .arg(host, port)
            .arg(ConnectTimeoutMs / 1000);
    case Failure::Closed:
        return serverWords.isEmpty()
                   ? QStringLiteral("the device server closed the connection")
                   : QStringLiteral("the device server closed the connection, saying \"%1\"")
                         .arg(serverWords);
    case Failure::InUse:
        return QStringLiteral("the device server's port is in use by another program (it said "
                              "\"%1\")")
            .arg(serverWords);
    case Failure::DeviceFailed:
        return QStringLiteral("the device server could not open its serial device (it said "
                              "\"%1\"); check the device and its cable at the server")
            .arg(serverWords);
    case Failure::LineRefused:
        return QStringLiteral("the device server set its line to %1, not %2 baud 8N1")
            .arg(m_answers.mismatch(static_cast<quint32>(m_baudRate)))
            .arg(m_baudRate);
    case Failure::NoLineControl:
        return QStringLiteral("the device server does not let the program set the line (no "
                              "RFC 2217); if its line is set to %1 baud 8N1, give the port as "
                              "tcp://%2:%3")
            .arg(m_baudRate)
            .arg(m_address && host.contains(u':') ? u'[' + host + u']' : host, port);
    case Failure::Other:
        break;
    }
    return m_socket.errorString();
}

} // namespace qm
