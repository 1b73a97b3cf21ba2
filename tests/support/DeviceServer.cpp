#include "tests/support/DeviceServer.h"

#include "tests/support/Deadline.h"

#include <QFile>

#include <QPointer>
#include <QTest>
#include <algorithm>

namespace qm::test {

namespace {

// Whether something listens on 127.0.0.1:port, read from the kernel's table so that no
// connection is made: a device server takes one client at a time.
bool listening(quint16 port)
{
    QFile table(QStringLiteral("/proc/net/tcp"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QByteArray local =
        "0100007F:" + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const QByteArray &line : table.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() > 3 && fields[1] == local && fields[3] == "0A")
            return true;
    }
    return false;
}

} // namespace

quint16 unusedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

bool Ser2net::start(const QList<Connection> &connections)
{
    m_connections = connections;
    m_ports.clear();
    QByteArray yaml;
    for (const Connection &connection : connections) {
        const quint16 port = unusedPort();
        m_ports << port;
        yaml += "connection: &c" + QByteArray::number(port) + "\n";
        yaml += "    accepter: " + QByteArray(connection.rfc2217 ? "telnet(rfc2217)," : "") +
                "tcp,127.0.0.1," + QByteArray::number(port) + "\n";
        yaml += "    enable: on\n";
        yaml += "    connector: serialdev," + connection.device.toUtf8() + "," +
                QByteArray::number(connection.baudRate) + "n81,local\n";
    }
    QFile file(m_dir.filePath(QStringLiteral("ser2net.yaml")));
    if (!file.open(QIODevice::WriteOnly) || file.write(yaml) != yaml.size())
        return false;
    file.close();
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.start(QStringLiteral("ser2net"),
                    {QStringLiteral("-n"), QStringLiteral("-c"), file.fileName()});
    if (!m_process.waitForStarted())
        return false;
    return QTest::qWaitFor(
               [this] {
                   return m_process.state() != QProcess::Running ||
                          std::all_of(m_ports.begin(), m_ports.end(), listening);
               },
               DeadlineMs) &&
           m_process.state() == QProcess::Running;
}

QString Ser2net::address(int index) const
{
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(m_connections.value(index).rfc2217 ? QStringLiteral("rfc2217") : QStringLiteral("tcp"))
        .arg(port(index));
}

void Ser2net::kill()
{
    m_process.kill();
    m_process.waitForFinished(DeadlineMs);
}

void Ser2net::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(DeadlineMs))
        kill();
}

DelayRelay::DelayRelay(quint16 serverPort, int delayMs)
    : m_serverPort(serverPort), m_delayMs(delayMs)
{
    connect(&m_listener, &QTcpServer::newConnection, this, &DelayRelay::accept);
    m_listener.listen(QHostAddress::LocalHost, 0);
}

void DelayRelay::accept()
{
    while (QTcpSocket *client = m_listener.nextPendingConnection()) {
        auto *server = new QTcpSocket(client);
        server->connectToHost(QHostAddress::LocalHost, m_serverPort);
        forwardLater(*client, *server);
        forwardLater(*server, *client);
        // Either side ending ends the other, as late as its last bytes.
        connect(client, &QTcpSocket::disconnected, server, [this, server] {
            QTimer::singleShot(m_delayMs, server, &QTcpSocket::disconnectFromHost);
        });
        connect(server, &QTcpSocket::disconnected, client, [this, client] {
            QTimer::singleShot(m_delayMs, client, [client] {
                client->disconnectFromHost();
                client->deleteLater();
            });
        });
    }
}

// The server side may not be connected yet when the client's first bytes are due; the socket
// keeps what is written until it is.
void DelayRelay::forwardLater(QTcpSocket &from, QTcpSocket &to)
{
    connect(&from, &QTcpSocket::readyRead, &to, [this, &from, target = QPointer<QTcpSocket>(&to)] {
        const QByteArray bytes = from.readAll();
        QTimer::singleShot(m_delayMs, target, [target, bytes] {
            if (target)
                target->write(bytes);
        });
    });
}

PeerServer::PeerServer()
{
    QObject::connect(&m_listener, &QTcpServer::newConnection, &m_listener, [this] {
        while (QTcpSocket *socket = m_listener.nextPendingConnection()) {
            m_taken << socket;
            QObject::connect(socket, &QTcpSocket::readyRead, socket,
                             [this, socket] { received += socket->readAll(); });
        }
    });
    m_listener.listen(QHostAddress::LocalHost, 0);
}

QString PeerServer::address(const QString &scheme) const
{
    return QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(port());
}

} // namespace qm::test
