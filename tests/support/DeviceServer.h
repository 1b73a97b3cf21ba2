#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

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

// A peer that takes connections and never sends a byte.
class SilentPeer
{
public:
    SilentPeer();
    quint16 port() const { return m_listener.serverPort(); }
    // Connections taken so far.
    qsizetype connections() const { return m_taken.size(); }

private:
    QTcpServer m_listener;
    QList<QTcpSocket *> m_taken;
};

} // namespace qm::test
