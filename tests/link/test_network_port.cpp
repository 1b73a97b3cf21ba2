#include "link/NetworkAddress.h"
#include "link/NetworkSerialPort.h"
#include "link/Poller.h"
#include "link/PortManager.h"
#include "link/PortMap.h"
#include "link/SerialLink.h"
#include "link/Telnet.h"
#include "model/ChannelTable.h"
#include "protocol/CommandSender.h"
#include "protocol/ReplyReceiver.h"
#include "tests/support/Deadline.h"
#include "tests/support/DeviceServer.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/Files.h"
#include "tests/support/InstantWaiter.h"
#include "tests/support/LinkRig.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

using namespace qm;
using test::DeadlineMs;
using test::hex;

namespace {

// What a device server sends and expects, typed from RFC 2217 for a 4800 baud 8N1 line.
const QByteArray LineAsked4800 = hex("fffa2c01 000012c0 fff0");
const QByteArray ControlAsked = hex("fffa2c05 01 fff0"); // the last of the line requests
const QByteArrayList LineRequests = {hex("fffb2c"),           LineAsked4800,
                                     hex("fffa2c02 08 fff0"), hex("fffa2c03 01 fff0"),
                                     hex("fffa2c04 01 fff0"), ControlAsked};
const QByteArray Confirms4800 =
    hex("fffd2c fffa2c65 000012c0 fff0 fffa2c66 08 fff0 fffa2c67 01 fff0 fffa2c68 01 fff0");
const QByteArray Confirms9600 =
    hex("fffd2c fffa2c65 00002580 fff0 fffa2c66 08 fff0 fffa2c67 01 fff0 fffa2c68 01 fff0");

struct NetRig
{
    test::PeerServer server;
    NetworkSerialPort port;
    QSignalSpy connected{&port, &SerialPort::connected};
    QSignalSpy failed{&port, &SerialPort::failed};

    // The port asks for 4800 baud, of this server unless an address is given.
    explicit NetRig(const QString &scheme = QStringLiteral("rfc2217"), const QString &address = {})
        : port(PortMap({{1, address.isEmpty() ? server.address(scheme) : address}}), 4800)
    {
        port.setPortNumber(1);
        port.open();
    }
    bool lineAsked() const { return server.received.contains(ControlAsked); }
};

// A link's port to it connects later, as a device server's does.
const DeviceIdentity DeviceServer{0, 0, {}, {}, 0, QStringLiteral("rfc2217://10.1.2.3:4001")};

QByteArray negotiationBytes(const QList<telnet::Decoder::Negotiation> &negotiations)
{
    QByteArray bytes;
    for (const auto &n : negotiations)
        bytes += char(n.verb) + QByteArray(1, char(n.option));
    return bytes;
}

QByteArrayList subnegotiationBytes(const QList<telnet::Decoder::Subnegotiation> &subs)
{
    QByteArrayList list;
    for (const auto &sub : subs)
        list << char(sub.option) + sub.payload;
    return list;
}

} // namespace

class TestNetworkPort : public QObject
{
    Q_OBJECT
private slots:
    void addressesAreRead_data();
    void addressesAreRead();
    void malformedAddressesAreRefused_data();
    void malformedAddressesAreRefused();
    void devicePathsAreNoAddresses();
    void telnetDecodesWhateverTheCutsAndCommands();
    void longSubnegotiationsAreCutShort_data();
    void longSubnegotiationsAreCutShort();
    void optionAgreementAnswersSer2netOnce();
    void lineAnswersAreChecked_data();
    void lineAnswersAreChecked();
    void rfc2217LineIsSetBeforeFramesFlow();
    void otherSpeedFails();
    void serverWordsFail_data();
    void serverWordsFail();
    void closeAfterLineUpHandsBackUnsent();
    void unknownHostFails();
    void reconnectHoldsFramesUntilItEnds_data();
    void reconnectHoldsFramesUntilItEnds();
    void pollWaitsForTheConnection();
    void aServerPortIsListedWithoutConnecting();
};

void TestNetworkPort::addressesAreRead_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("rfc2217");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("written");
    QTest::newRow("name") << "rfc2217://devsrv-2.lab:4001" << true << "devsrv-2.lab" << 4001
                          << "rfc2217://devsrv-2.lab:4001";
    QTest::newRow("ipv4 raw") << "tcp://10.1.2.3:1" << false << "10.1.2.3" << 1
                              << "tcp://10.1.2.3:1";
    QTest::newRow("ipv6") << "rfc2217://[fe80::1:2]:65535" << true << "fe80::1:2" << 65535
                          << "rfc2217://[fe80::1:2]:65535";
    QTest::newRow("upper case") << "TCP://Host:23" << false << "Host" << 23 << "tcp://Host:23";
    QTest::newRow("spaces") << " \trfc2217://h:7000 " << true << "h" << 7000 << "rfc2217://h:7000";
}

void TestNetworkPort::addressesAreRead()
{
    QFETCH(QString, text);
    QFETCH(bool, rfc2217);
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, written);
    QVERIFY(isNetworkAddress(text));
    const AddressReading reading = readNetworkAddress(text);
    QVERIFY2(reading.address, qPrintable(reading.problem));
    QCOMPARE(reading.address->setsLine(), rfc2217);
    QCOMPARE(reading.address->host, host);
    QCOMPARE(int(reading.address->port), port);
    QCOMPARE(reading.address->text(), written);
    QCOMPARE(readNetworkAddress(written).address, reading.address);
}

void TestNetworkPort::malformedAddressesAreRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem");
    QTest::newRow("no port") << "rfc2217://host"
                             << "no port";
    QTest::newRow("empty port") << "tcp://host:"
                                << "no port";
    QTest::newRow("port 0") << "tcp://host:0"
                            << "1 to 65535";
    QTest::newRow("port 65536") << "tcp://host:65536"
                                << "1 to 65535";
    QTest::newRow("letters") << "tcp://host:40a1"
                             << "1 to 65535";
    QTest::newRow("empty host") << "rfc2217://:4001"
                                << "host is empty";
    QTest::newRow("other scheme") << "ssh://host:22"
                                  << "ssh://";
    QTest::newRow("path") << "tcp://host:4001/ttyS0"
                          << "only HOST:PORT";
    QTest::newRow("bare ipv6") << "rfc2217://fe80::1:4001"
                               << "brackets";
    QTest::newRow("no ]") << "rfc2217://[fe80::1:4001"
                          << "closing ]";
    QTest::newRow("not ipv6") << "rfc2217://[devsrv]:4001"
                              << "not an IPv6";
    QTest::newRow("bad name") << "tcp://dev_srv:4001"
                              << "not a host name";
}

void TestNetworkPort::malformedAddressesAreRefused()
{
    QFETCH(QString, text);
    QFETCH(QString, problem);
    QVERIFY(isNetworkAddress(text));
    const AddressReading reading = readNetworkAddress(text);
    QVERIFY(!reading.address);
    QVERIFY2(reading.problem.contains(problem), qPrintable(reading.problem));
    // A [Ports] entry written so gives its port no device at all, and says why.
    const PortMap map({{5, text}});
    QVERIFY(map.devicePath(5).isEmpty());
    QCOMPARE(map.problems(),
             QStringList{QStringLiteral("[Ports] COM5: %1: %2; the port is left out")
                             .arg(text, reading.problem)});
}

void TestNetworkPort::devicePathsAreNoAddresses()
{
    QVERIFY(!isNetworkAddress(QStringLiteral("/dev/ttyUSB0")));
    QVERIFY(!isNetworkAddress(QStringLiteral("COM3")));
}

// Random data, 0xFF in plenty, among random commands, cut anywhere: the data comes out whole
// and every command is told, none of its bytes in the data.
void TestNetworkPort::telnetDecodesWhateverTheCutsAndCommands()
{
    const quint32 seed = 2217;
    QRandomGenerator random(seed);
    const auto randomBytes = [&random](int most) {
        QByteArray bytes(random.bounded(most + 1), '\0');
        for (char &byte : bytes)
            byte = random.bounded(4) == 0 ? '\xff' : char(random.bounded(256));
        return bytes;
    };
    for (int round = 0; round < 400; ++round) {
        QByteArray wire;
        QByteArray data;
        QByteArray negotiations;
        QByteArrayList subnegotiations;
        for (int piece = random.bounded(8); piece >= 0; --piece) {
            const QByteArray chunk = randomBytes(40);
            data += chunk;
            wire += telnet::escaped(chunk);
            const int kind = random.bounded(5);
            const QByteArray sub =
                char(random.bounded(256)) + randomBytes(telnet::Decoder::MaxSubnegotiation - 1);
            if (kind == 1) {
                wire += hex("fffa") + telnet::escaped(sub) + hex("fff0");
                subnegotiations << sub;
            } else if (kind == 2) {
                wire += hex("fff1");
            } else if (kind == 3) {
                wire += hex("fffa") + telnet::escaped(sub); // broken off by the command after it
            }
            if (kind == 0 || kind == 3) {
                const QByteArray negotiation =
                    QByteArray(1, char(251 + random.bounded(4))) + char(random.bounded(256));
                wire += hex("ff") + negotiation;
                negotiations += negotiation;
            }
        }
        telnet::Decoder decoder;
        telnet::Decoder::Decoded out;
        for (qsizetype at = 0; at < wire.size();) {
            const qsizetype size = std::min<qsizetype>(1 + random.bounded(12), wire.size() - at);
            const auto decoded = decoder.feed(QByteArrayView(wire).sliced(at, size));
            out.data += decoded.data;
            out.negotiations += decoded.negotiations;
            out.subnegotiations += decoded.subnegotiations;
            at += size;
        }
        const QByteArray where = QStringLiteral("seed %1, round %2").arg(seed).arg(round).toUtf8();
        QVERIFY2(out.data == data, where.constData());
        QVERIFY2(negotiationBytes(out.negotiations) == negotiations, where.constData());
        QVERIFY2(subnegotiationBytes(out.subnegotiations) == subnegotiations, where.constData());
    }
}

void TestNetworkPort::longSubnegotiationsAreCutShort_data()
{
    QTest::addColumn<int>("payloadSize");
    QTest::addColumn<bool>("told");
    constexpr int Most = telnet::Decoder::MaxSubnegotiation - 1; // the option byte counts
    QTest::newRow("longest") << Most << true;
    QTest::newRow("one more") << Most + 1 << false;
    QTest::newRow("endless") << 100000 << false;
}

void TestNetworkPort::longSubnegotiationsAreCutShort()
{
    QFETCH(int, payloadSize);
    QFETCH(bool, told);
    telnet::Decoder decoder;
    QByteArray payload(payloadSize, '\xff');
    payload[0] = '\x65';
    QList<telnet::Decoder::Subnegotiation> subs = decoder.feed(hex("fffa2c")).subnegotiations;
    const QByteArray wire = telnet::escaped(payload);
    for (qsizetype at = 0; at < wire.size(); at += 1000)
        subs +=
            decoder
                .feed(QByteArrayView(wire).sliced(at, std::min<qsizetype>(1000, wire.size() - at)))
                .subnegotiations;
    const auto after = decoder.feed(hex("fff0 41ffff42 fffa2c6608fff0"));
    subs += after.subnegotiations;
    QCOMPARE(after.data, hex("41ff42"));
    QCOMPARE(subs.size(), told ? 2 : 1);
    if (told)
        QCOMPARE(subs.first().payload, payload);
    QCOMPARE(subs.last().payload, hex("6608"));
}

void TestNetworkPort::optionAgreementAnswersSer2netOnce()
{
    const QByteArray ser2netOpening = hex("fffb03 fffd03 fffb01 fffe01 fffd00 fffb00 fffd2c");
    telnet::OptionAgreement agreement;
    QVERIFY(agreement.opening().contains(hex("fffb2c")));
    const auto requests = telnet::Decoder().feed(ser2netOpening).negotiations;
    QByteArray first;
    QByteArray again;
    for (const auto &request : requests)
        first += agreement.answer(request);
    for (const auto &request : requests)
        again += agreement.answer(request);
    QCOMPARE(first, hex("fffe01")); // no echo from the server; the rest was asked already
    QCOMPARE(again, QByteArray());
    QVERIFY(!agreement.comPortRefused());
    QCOMPARE(agreement.answer({telnet::Dont, telnet::ComPort}), hex("fffc2c"));
    QVERIFY(agreement.comPortRefused());
}

void TestNetworkPort::lineAnswersAreChecked_data()
{
    QTest::addColumn<QByteArrayList>("payloads");
    QTest::addColumn<bool>("complete");
    QTest::addColumn<QString>("mismatch");
    const QByteArray dataSize = hex("6608");
    const QByteArray parity = hex("6701");
    const QByteArray stop = hex("6801");
    QTest::newRow("as asked") << QByteArrayList{hex("65000012c0"), dataSize, parity, stop} << true
                              << "";
    QTest::newRow("other speed") << QByteArrayList{hex("6500002580"), dataSize, parity, stop}
                                 << true << "9600 baud";
    QTest::newRow("seven bits") << QByteArrayList{hex("65000012c0"), hex("6607"), parity, stop}
                                << true << "7 data bits";
    QTest::newRow("no stop bits") << QByteArrayList{hex("65000012c0"), dataSize, parity,
                                                    hex("6b00")}
                                  << false << "stop bit code 0";
}

void TestNetworkPort::lineAnswersAreChecked()
{
    QFETCH(QByteArrayList, payloads);
    QFETCH(bool, complete);
    QFETCH(QString, mismatch);
    rfc2217::LineAnswers answers;
    for (const QByteArray &payload : payloads)
        answers.note(payload);
    QCOMPARE(answers.complete(), complete);
    QCOMPARE(answers.mismatch(4800), mismatch);
}

void TestNetworkPort::rfc2217LineIsSetBeforeFramesFlow()
{
    NetRig rig;
    QTRY_VERIFY_WITH_TIMEOUT(rig.lineAsked(), DeadlineMs);
    for (const QByteArray &request : LineRequests)
        QVERIFY2(rig.server.received.contains(request), request.toHex(' ').constData());
    QVERIFY(rig.port.isConnecting());

    // The answer to the server's WILL ECHO comes after anything written before it.
    rig.port.write(hex("0aff"));
    rig.port.write(hex("0b"));
    rig.server.client()->write(hex("fffb01"));
    QTRY_VERIFY_WITH_TIMEOUT(rig.server.received.endsWith(hex("fffe01")), DeadlineMs);
    QVERIFY(!rig.server.received.contains(hex("0affff0b")));
    QVERIFY(rig.port.isConnecting());

    rig.server.client()->write(Confirms4800);
    QVERIFY(rig.connected.wait(DeadlineMs));
    QVERIFY(!rig.port.isConnecting());
    QTRY_VERIFY_WITH_TIMEOUT(rig.server.received.endsWith(hex("fffe01 0affff0b")), DeadlineMs);

    QByteArray input;
    connect(&rig.port, &SerialPort::readyRead, this, [&] { input += rig.port.readAll(); });
    rig.server.client()->write(hex("01ffff02 fffd00 fffa2c6b00fff0 03 fff1 ffff"));
    QTRY_COMPARE_WITH_TIMEOUT(input, hex("01ff0203ff"), DeadlineMs);
    QCOMPARE(rig.failed.size(), 0);
}

void TestNetworkPort::otherSpeedFails()
{
    NetRig rig;
    QTRY_VERIFY_WITH_TIMEOUT(rig.lineAsked(), DeadlineMs);
    rig.server.client()->write(Confirms9600);
    QVERIFY(rig.failed.wait(DeadlineMs));
    QVERIFY2(rig.port.failureText().contains(u"9600 baud"), qPrintable(rig.port.failureText()));
    QCOMPARE(rig.connected.size(), 0);
}

void TestNetworkPort::serverWordsFail_data()
{
    QTest::addColumn<QString>("scheme");
    QTest::addColumn<QByteArray>("words");
    QTest::addColumn<QString>("told");
    const QByteArray inUse = "Port already in use\r\n";
    const QByteArray openFailure = "Device open failure: Value or file not found\r\n";
    QTest::newRow("rfc2217 in use") << "rfc2217" << inUse << "in use";
    QTest::newRow("tcp in use") << "tcp" << inUse << "in use";
    QTest::newRow("rfc2217 device") << "rfc2217" << openFailure << "could not open";
    QTest::newRow("tcp device") << "tcp" << openFailure << "could not open";
}

// As ser2net refuses: its words as data, then the connection closed once the client's own
// opening has come (closing on unread bytes would reset the connection instead).
void TestNetworkPort::serverWordsFail()
{
    QFETCH(QString, scheme);
    QFETCH(QByteArray, words);
    QFETCH(QString, told);
    NetRig rig(scheme);
    QTRY_VERIFY_WITH_TIMEOUT(rig.server.client() != nullptr, DeadlineMs);
    rig.server.client()->write(words);
    if (scheme == u"rfc2217")
        QTRY_VERIFY_WITH_TIMEOUT(rig.lineAsked(), DeadlineMs);
    rig.server.client()->disconnectFromHost();
    QVERIFY(rig.failed.wait(DeadlineMs));
    QVERIFY2(rig.port.failureText().contains(told), qPrintable(rig.port.failureText()));
    QVERIFY2(rig.port.failureText().contains(QString::fromLatin1(words.trimmed())),
             qPrintable(rig.port.failureText()));
    QCOMPARE(rig.port.readAll(), QByteArray());
    QCOMPARE(rig.connected.size(), 0);
}

// Only what the system had not taken comes back: a frame far larger than the socket buffers,
// cut at its start, and the one after it whole.
void TestNetworkPort::closeAfterLineUpHandsBackUnsent()
{
    NetRig rig;
    QTRY_VERIFY_WITH_TIMEOUT(rig.lineAsked(), DeadlineMs);
    rig.server.client()->write(Confirms4800);
    QVERIFY(rig.connected.wait(DeadlineMs));
    rig.port.write(hex("01ff"));
    QTRY_VERIFY_WITH_TIMEOUT(rig.server.received.endsWith(hex("01ffff")), DeadlineMs);

    QByteArray large(16 << 20, '\0');
    for (qsizetype i = 0; i < large.size(); ++i)
        large[i] = char(i % 251 == 0 ? 0xff : i);
    rig.server.client()->abort();
    rig.port.write(large);
    rig.port.write(hex("02"));
    QVERIFY(rig.failed.wait(DeadlineMs));
    const QByteArrayList unsent = rig.port.takeUnsent();
    QCOMPARE(unsent.size(), 2);
    QVERIFY(large.endsWith(unsent.first()));
    QCOMPARE(unsent.last(), hex("02"));
}

void TestNetworkPort::unknownHostFails()
{
    NetRig rig({}, QStringLiteral("rfc2217://nonexistent.invalid:4001"));
    QVERIFY(rig.failed.wait(DeadlineMs));
    QVERIFY2(rig.port.failureText().contains(u"is not known"), qPrintable(rig.port.failureText()));
}

void TestNetworkPort::reconnectHoldsFramesUntilItEnds_data()
{
    QTest::addColumn<bool>("reconnects");
    QTest::newRow("reconnects") << true;
    QTest::newRow("fails again") << false;
}

// The frames the port had not sent and those written while it reconnects wait, in order,
// for the one reopen to end.
void TestNetworkPort::reconnectHoldsFramesUntilItEnds()
{
    QFETCH(bool, reconnects);
    test::LinkRig rig(DeviceServer);
    rig.port.finishConnecting();
    rig.port.claim();
    rig.port.unsent = {hex("01")};
    rig.port.fail();
    QCOMPARE(rig.port.openAttempts.size(), 2);
    QVERIFY(rig.link.isConnecting());
    rig.link.write(hex("02"));
    QCOMPARE(rig.port.frames, QByteArrayList());
    QCOMPARE(rig.recovered.size(), 0);

    if (reconnects)
        rig.port.finishConnecting();
    else
        rig.port.fail();
    QVERIFY(!rig.link.isConnecting());
    QCOMPARE(rig.port.openAttempts.size(), 2);
    const QByteArrayList held{hex("01"), hex("02")};
    QCOMPARE(rig.port.frames, reconnects ? held : QByteArrayList());
    QCOMPARE(rig.recovered.size(), reconnects ? 1 : 0);
    QCOMPARE(rig.lost.size(), reconnects ? 0 : 1);
    QCOMPARE(rig.dropped.size(), reconnects ? 0 : 1);
    if (!reconnects)
        QCOMPARE(rig.dropped.first().first().value<QByteArrayList>(), held);
    else
        QCOMPARE(rig.recovered.first().first().toBool(), true);
}

void TestNetworkPort::pollWaitsForTheConnection()
{
    test::LinkRig rig(DeviceServer);
    CommandSender sender(qm520a(), rig.table, rig.link);
    test::InstantWaiter waiter;
    qsizetype writtenBeforeConnecting = -1;
    waiter.onDelay = [&](int wait) {
        if (wait == 0) {
            writtenBeforeConnecting = rig.port.frames.size();
            rig.port.finishConnecting(150);
        }
    };
    Poller poller(sender, rig.receiver, waiter, &rig.link);
    QVERIFY(poller.poll());
    QCOMPARE(writtenBeforeConnecting, 0);
    QCOMPARE(waiter.interrupts, 1);
    QCOMPARE(rig.port.frames.size(), 12);
    // Each request waits its 300 ms and the round trip the port measured on connecting.
    QCOMPARE(waiter.delays.sliced(1), QList<int>(12, 450));
}

// A device server takes one client at a time: looking for ports must not be that client.
void TestNetworkPort::aServerPortIsListedWithoutConnecting()
{
    test::PeerServer server;
    NetworkSerialPort port(PortMap({{3, QStringLiteral("tcp://127.0.0.1:%1").arg(server.port())}}),
                           4800);
    PortManager ports(port);
    ports.findPorts();
    QCOMPARE(ports.portList(), QList<qint16>{3});
    // A connection of the test's own comes after any the search made, and shows them all.
    QTcpSocket own;
    own.connectToHost(QHostAddress::LocalHost, server.port());
    QVERIFY(QTest::qWaitFor([&] { return server.connections() > 0; }, test::DeadlineMs));
    QTest::qWait(0);
    QCOMPARE(server.connections(), 1);
}

QTEST_GUILESS_MAIN(TestNetworkPort)
#include "test_network_port.moc"
