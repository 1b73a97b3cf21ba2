#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

namespace qm::test {

// Debian's ser2net run by a test as a serial device server on 127.0.0.1, one accepter per
// connection on a port picked free when it starts. Stopped when it goes.
class Ser2net
{
public:
    struct Connection
    {
        bool rfc2217 = true;
        QString device;  // the serial device it serves (an emulated unit's link)
        qint32 baudRate; // the line it opens the device at, before any client sets one
    };

    ~Ser2net() { stop(); }

    // Whether ser2net runs and listens on every connection's port.
    bool start(const QList<Connection> &connections);
    // "rfc2217://127.0.0.1:PORT" or "tcp://127.0.0.1:PORT" for connection `index`.
    QString address(int index) const;
    quint16 port(int index) const { return m_ports.value(index); }
    // Ends it at once, as a crash or a pulled cable would, without a word to its clients.
    void kill();
    void stop();
    QByteArray output() { return m_process.readAll(); }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QList<Connection> m_connections;
    QList<quint16> m_ports;
};

// A port on 127.0.0.1 that nothing listens on, at the moment it is asked for.
quint16 unusedPort();

// Passes bytes between its clients and a server on 127.0.0.1, each piece delivered `delayMs`
// after it came, in both directions: a device server that far away.
class DelayRelay : public QObject
{
    Q_OBJECT
public:
    DelayRelay(quint16 serverPort, int delayMs);
    quint16 port() const { return m_listener.serverPort(); }

private:
    void accept();
    void forwardLater(QTcpSocket &from, QTcpSocket &to);

    QTcpServer m_listener;
    quint16 m_serverPort;
    int m_delayMs;
};

// A device server played by the test on 127.0.0.1: it takes connections, keeps what they
// sent, and says only what the test writes to its latest client.
class PeerServer
{
public:
    PeerServer();
    quint16 port() const { return m_listener.serverPort(); }
    // "SCHEME://127.0.0.1:PORT".
    QString address(const QString &scheme) const;
    // Connections taken so far, and the latest of them (null before the first).
    qsizetype connections() const { return m_taken.size(); }
    QTcpSocket *client() const { return m_taken.isEmpty() ? nullptr : m_taken.last(); }

    QByteArray received;

private:
    QTcpServer m_listener;
    QList<QTcpSocket *> m_taken;
};

} // namespace qm::test
