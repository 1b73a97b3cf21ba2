#pragma once

#include "link/NetworkAddress.h"
#include "link/PortMap.h"
#include "link/SerialPort.h"
#include "link/Telnet.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

#include <optional>

namespace qm {

// A port whose device is a serial port on a device server, reached by TCP: by RFC 2217, where
// the program sets the line itself and checks what the server confirms, or as a raw byte pipe,
// where the server's configuration sets it. open() only starts the connection; the port is
// connecting until the line is up (connected()) or the attempt failed (failed(), with
// failureText() saying why), always within ConnectTimeoutMs. A server that refuses with words of
// its own ("Port already in use") is heard before anything reaches the reply parser.
class NetworkSerialPort : public SerialPort
{
    Q_OBJECT
public:
    // Name lookup, connection and the line's set-up together.
    static constexpr int ConnectTimeoutMs = 5000;
    // A raw pipe has no handshake of its own: a server that refuses says so at once, and the
    // line counts as up once it has been quiet this long beyond the connection's round trip.
    static constexpr int QuietStartMs = 200;
    // How often an RFC 2217 server is asked its speed, which measures the round trip anew.
    static constexpr int SpeedCheckIntervalMs = 5000;
    // A raw pipe's round trip until a reply has measured it: through a tunnel or a relay the
    // connection is made nearby, and tells nothing of the way to the server.
    static constexpr int UnmeasuredRoundTripMs = 1000;

    NetworkSerialPort(PortMap map, qint32 baudRate, QObject *parent = nullptr);

    void setPortNumber(int port) override;
    int portNumber() const override { return m_portNumber; }
    void setPortMap(const PortMap &map) override { m_map = map; }
    void setBaudRate(qint32 baudRate) override { m_baudRate = baudRate; }
    QString deviceName() const override { return m_map.devicePath(m_portNumber); }
    // Only a connection can tell; a well-written address counts as there.
    bool deviceExists() const override { return m_address.has_value(); }
    bool open() override;
    void claim() override;
    void close() override;
    QString errorString() const override { return m_failureText; }
    RefusalCause refusalCause() const override { return RefusalCause::DeviceServer; }
    QString refusalDetail() const override { return m_failureText; }
    QString failureText() const override { return m_failureText; }
    QByteArray readAll() override { return std::exchange(m_input, {}); }
    bool isOpen() const override { return m_state != State::Closed; }
    bool isConnecting() const override;
    int roundTripMs() const override { return m_roundTripMs; }
    void write(const QByteArray &frame) override;
    DeviceIdentity identity() const override { return m_identity; }
    DeviceIdentity presentIdentity() const override;
    DeviceIdentity openedIdentity() const override;
    QByteArrayList takeUnsent() override;
    bool waitUntilSent(int timeoutMs) override;

private:
    enum class State
    {
        Closed,
        Connecting, // name lookup and TCP connection
        SettingUp,  // the line's settings asked, or a raw pipe's quiet start
        Up,
        Failed, // failed() is on its way; the owner closes the port
    };
    enum class Failure
    {
        HostNotFound,
        Refused,
        TimedOut,
        Closed,
        InUse,
        DeviceFailed,
        LineRefused,
        NoLineControl,
        Other,
    };
    // A frame handed to the socket, and where its last byte lies in the stream written so far.
    struct Written
    {
        QByteArray frame;
        qint64 streamEnd;
    };

    void onConnected();
    void onSocketData();
    void onSocketError(QAbstractSocket::SocketError error);
    void onDisconnected();
    void onDeadline();
    void takeTelnet(const QByteArray &bytes);
    void takeData(const QByteArray &data);
    bool heardServerRefusal(bool streamEnded);
    void lineUp();
    void checkSpeed();
    void noteRoundTrip(qint64 sampleMs);
    void noteRequestSent(qsizetype bytes);
    void noteReplyCame();
    void writeFrame(const QByteArray &frame);
    void writeWire(const QByteArray &bytes);
    void onBytesWritten(qint64 bytes);
    void fail(Failure failure, const QString &serverWords = {});
    QString wordsFor(Failure failure, const QString &serverWords) const;

    PortMap m_map;
    int m_portNumber = 0;
    qint32 m_baudRate;
    std::optional<NetworkAddress> m_address; // of the port number, when it is well written
    QTcpSocket m_socket;
    QTimer m_deadline;
    QTimer m_quietStart;
    QTimer m_speedCheck;
    QElapsedTimer m_clock;
    State m_state = State::Closed;
    quint64 m_session = 0;
    QString m_openedAddress;
    DeviceIdentity m_identity;
    QString m_failureText;
    telnet::Decoder m_decoder;
    telnet::OptionAgreement m_agreement;
    rfc2217::LineAnswers m_answers;
    qint64 m_handshakeMs = 0;
    qint64 m_askedAtMs = -1; // when the last speed question went out, while unanswered
    int m_roundTripMs = 0;
    // A raw pipe's frames written since the line was last idle, whose reply measures the trip.
    qint64 m_burstStartMs = -1; // while no reply has come since
    qint64 m_lastWriteMs = 0;
    qsizetype m_burstBytes = 0;
    bool m_roundTripMeasured = false;
    // The start of the stream, held back while it may still be the server's own refusal.
    QByteArray m_streamStart;
    bool m_sniffing = true;
    QByteArray m_input;
    QByteArrayList m_pending; // written before the line was up
    QList<Written> m_written;
    qint64 m_streamWritten = 0;
    qint64 m_streamTaken = 0;
};

} // namespace qm
