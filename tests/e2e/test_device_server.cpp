#include "protocol/SetupFile.h"
#include "tests/support/Deadline.h"
#include "tests/support/DeviceServer.h"
#include "tests/support/Files.h"
#include "tests/support/GeneratedSetups.h"
#include "tests/support/QmctlBench.h"
#include "tests/support/UnitSimProcess.h"

#include <QRegularExpression>
#include <QTest>

using namespace qm;

namespace {

using Outcome = test::QmctlBench::Outcome;

// qmctl run with the test's own preferences, where COM5 leads to `com5` when one is given.
class Bench : public test::QmctlBench
{
public:
    explicit Bench(const QString &com5 = {})
        : QmctlBench(QStringLiteral(QM_QMCTL), QStringLiteral(QM_UNIT_SIM))
    {
        mapPorts("COM5=" + com5.toUtf8() + "\n");
    }
};

// Every field at its largest, most of them 255, and a text of 0xFF bytes ('ÿ' in the unit's
// Windows-1252), two of them in a row: Telnet doubles each one.
Setup setupOfByteFF(const UnitModel &model)
{
    ChannelTable table;
    for (int index = 0; index < ChannelCount; ++index) {
        table[index] = test::largestChannel(model, index);
        table[index].texts[2] = QStringLiteral("\u00ff\u00ffA\u00ff");
    }
    QList<int> all;
    for (int index = 0; index < ChannelCount; ++index)
        all << index;
    return Setup::of(model, table, all);
}

} // namespace

class TestDeviceServer : public QObject
{
    Q_OBJECT

private slots:
    void writeReadAndDiffThroughTheServer_data();
    void writeReadAndDiffThroughTheServer();
    void aServerKilledInAWriteIsNamed();
    void aFarServerReadsWhole_data();
    void aFarServerReadsWhole();
};

void TestDeviceServer::writeReadAndDiffThroughTheServer_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("rfc2217");
    QTest::addColumn<int>("connectorBaud");
    // By RFC 2217 the server's device starts at the other model's speed: only the speed the
    // program sets reaches the unit.
    QTest::newRow("520a, rfc2217") << "520a" << true << 9600;
    QTest::newRow("410a, rfc2217") << "410a" << true << 4800;
    QTest::newRow("520a, tcp, through [Ports]") << "520a" << false << 4800;
    QTest::newRow("410a, tcp, through [Ports]") << "410a" << false << 9600;
}

void TestDeviceServer::writeReadAndDiffThroughTheServer()
{
    QFETCH(QString, model);
    QFETCH(bool, rfc2217);
    QFETCH(int, connectorBaud);
    test::UnitSimProcess sim;
    test::Ser2net server;
    Bench unitBench;
    QVERIFY(unitBench.startUnit(sim, 0, {"--model", model, "--unpaced"}));
    QVERIFY(server.start({{rfc2217, unitBench.link(0), connectorBaud}}));
    const Bench bench(server.address(0));
    const QString port = rfc2217 ? server.address(0) : QStringLiteral("COM5");
    const QString file = bench.path(QStringLiteral("ff.json"));
    const QString backup = bench.path(QStringLiteral("backup.json"));
    QVERIFY(test::writeFile(file, setupJson(setupOfByteFF(test::modelNamed(model)))));

    const Outcome written = bench.qmctl({"write", "--model", model, "--port", port, file});
    QVERIFY2(written.code == 0, written.err.constData());
    const Outcome read = bench.qmctl({"read", "--model", model, "--port", port, "-o", backup});
    QVERIFY2(read.code == 0, read.err.constData());
    QCOMPARE(test::channelObjects(test::readFile(backup)),
             test::channelObjects(test::readFile(file)));
    const Outcome compared = bench.qmctl({"diff", "--model", model, "--port", port, file});
    QVERIFY2(compared.code == 0, compared.err.constData());
    QCOMPARE(sim.logLines().filter(QStringLiteral("unparsed")), QStringList());
}

// The server gone halfway through a write: the program says which channels had answered.
void TestDeviceServer::aServerKilledInAWriteIsNamed()
{
    Bench bench;
    test::UnitSimProcess sim;
    test::Ser2net server;
    QVERIFY(bench.startUnit(sim, 0, {"--model", "520a"}));
    QVERIFY(server.start({{true, bench.link(0), 4800}}));
    const QString file = bench.path(QStringLiteral("other.txt"));
    QVERIFY(test::writeFile(file, QByteArray("1|0|1|3|2|30|1|5|50|1|x|y|z\n").repeated(12)));
    QProcess qmctl;
    bench.start(qmctl, {"write", "--model", "520a", "--port", server.address(0), file});
    QVERIFY(QTest::qWaitFor([&] { return !sim.logLines().filter("data ch=2").isEmpty(); },
                            test::DeadlineMs));
    server.kill();
    const Outcome outcome = Bench::finish(qmctl);
    QCOMPARE(outcome.code, 3);
    // How far the unit got before the server went depends on the machine's load.
    static const QRegularExpression named(
        QStringLiteral(R"(the line failed \(the device server closed the connection\); )"
                       R"(channels? 1((, | and | to )\d+)* had answered)"));
    QVERIFY2(named.match(QString::fromUtf8(outcome.err)).hasMatch(), outcome.err.constData());
}

void TestDeviceServer::aFarServerReadsWhole_data()
{
    QTest::addColumn<bool>("rfc2217");
    QTest::newRow("rfc2217") << true;
    // The connection is made with the relay nearby: only the replies can time the way.
    QTest::newRow("tcp") << false;
}

// A server 150 ms away each way: every reply waits that much longer, and all are heard.
void TestDeviceServer::aFarServerReadsWhole()
{
    QFETCH(bool, rfc2217);
    Bench bench;
    test::UnitSimProcess sim;
    test::Ser2net server;
    QVERIFY(bench.startUnit(sim, 0, {"--model", "520a"}));
    QVERIFY(server.start({{rfc2217, bench.link(0), rfc2217 ? 9600 : 4800}}));
    test::DelayRelay relay(server.port(0), 150);
    const QString backup = bench.path(QStringLiteral("backup.json"));
    const QString address =
        server.address(0).replace(QString::number(server.port(0)), QString::number(relay.port()));
    const Outcome read = bench.qmctl({"read", "--model", "520a", "--port", address, "-o", backup});
    QVERIFY2(read.code == 0, read.err.constData());
    QCOMPARE(test::channelObjects(test::readFile(backup)).size(), ChannelCount);
}

QTEST_MAIN(TestDeviceServer)

#include "test_device_server.moc"
