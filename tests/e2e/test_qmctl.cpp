#include "link/NetworkSerialPort.h"
#include "protocol/SetupFile.h"
#include "tests/support/Deadline.h"
#include "tests/support/DeviceServer.h"
#include "tests/support/Files.h"
#include "tests/support/GeneratedSetups.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/QmctlBench.h"
#include "tests/support/UnitSimProcess.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTest>

#include <csignal>
#include <sys/stat.h>

using namespace qm;

namespace {

using Outcome = test::QmctlBench::Outcome;

// Every unit this test starts is reached through a link in the test's own folder, and the
// preferences qmctl reads are the test's own, with COM1 pointed at the first unit, COM2 at the
// second and so on: a port leads nowhere until its unit starts. COM17 is no port, and ignored.
class Bench : public test::QmctlBench
{
public:
    Bench() : QmctlBench(QStringLiteral(QM_QMCTL), QStringLiteral(QM_UNIT_SIM))
    {
        QByteArray ports = "COM17=" + link(16).toUtf8() + "\n";
        for (int port = 1; port <= 16; ++port)
            ports += QStringLiteral("COM%1=%2\n").arg(port).arg(link(port - 1)).toUtf8();
        mapPorts(ports);
    }
};

// Other settings than the emulator starts with, for one channel.
const QByteArray OtherChannel = "1|0|1|3|2|30|1|5|50|1|x|y|z\n";

// Starts a write of other settings to every channel of a QM-520A on COM1 (the first `answering`
// of which answer), and waits until the unit logs a line that `reached` matches; by default,
// that channel 3's frames (index 2 in the log) have reached it.
bool writeUntil(Bench &bench, test::UnitSimProcess &sim, QProcess &qmctl,
                int answering = ChannelCount,
                const QRegularExpression &reached = QRegularExpression("data ch=2"))
{
    const QString file = bench.path(QStringLiteral("otherState.txt"));
    if (!bench.startUnit(sim, 0, {"--model", "520a", "--channels", QString::number(answering)}) ||
        !test::writeFile(file, OtherChannel.repeated(ChannelCount)))
        return false;
    bench.start(qmctl, {"write", "--model", "520a", "--port", "COM1", file});
    return QTest::qWaitFor([&] { return !sim.logLines().filter(reached).isEmpty(); },
                           test::DeadlineMs);
}

// A row of exitCodesNameTheirCause.
void row(const char *tag, const QString &arguments, const QStringList &units,
         const QByteArray &file, int code, const QString &message, const QString &unheard = {},
         int withinMs = 0)
{
    QTest::newRow(tag) << arguments.split(u' ') << units << file << code << message << unheard
                       << withinMs;
}

// Rows of exitCodesNameTheirCause: a device server, or none, at {port}.
void addDeviceServerRows()
{
    const QString server = QStringLiteral("read --model 520a --port rfc2217://127.0.0.1:{port}");
    row("server in use", server, {"held"}, {}, 3, "port is in use by another program");
    row("server's device gone", server, {"gone"}, {}, 3, "could not open its serial device");
    row("nothing at the address", server, {}, {}, 3, "nothing accepts a connection");
    // The bound leaves the program's start and end on a loaded machine a margin.
    row("silent by rfc2217", server, {"silent"}, {}, 3, "did not confirm the line settings", {},
        NetworkSerialPort::ConnectTimeoutMs + 10000);
    row("silent by tcp", "read --model 520a --port tcp://127.0.0.1:{port}", {"silent"}, {}, 3,
        ": no channel answered");
    // Each malformed form's words are the address reader's, checked row by row in its own test.
    row("an address without a port", "read --model 520a --port rfc2217://127.0.0.1", {}, {}, 2,
        "no port after the host");
}

} // namespace

class TestQmctl : public QObject
{
    Q_OBJECT

private slots:
    void setupsReadBackAsWritten_data();
    void setupsReadBackAsWritten();
    void exitCodesNameTheirCause_data();
    void exitCodesNameTheirCause();
    void aLineLostInAWriteIsNamed();
    void aSignalInAWriteNamesWhatWasWritten_data();
    void aSignalInAWriteNamesWhatWasWritten();
    void scriptsReadJson();
    void aLateUnitIsReadWrittenComparedAndFound_data();
    void aLateUnitIsReadWrittenComparedAndFound();
    void traceShowsTheFramesSent();
};

void TestQmctl::setupsReadBackAsWritten_data()
{
    test::addModelRows();
}

// The round trip as a property, through the program and the emulated unit: a generated setup
// written to a unit reads back the same. Some units answer on only some channels, which then
// stay out of the backup.
void TestQmctl::setupsReadBackAsWritten()
{
    QFETCH(QString, model);
    const UnitModel &unit = test::modelNamed(model);
    QRandomGenerator random(model == u"410a" ? 41 : 52);
    for (int round = 0; round < 6; ++round) {
        Bench bench;
        Setup setup = test::randomSetup(unit, random, round % 3 == 2);
        if (round == 0)
            for (int index = 0; index < ChannelCount; ++index)
                setup.channels[index] = test::largestChannel(unit, index);
        const int answering = round % 2 == 1 ? 1 + random.bounded(11) : ChannelCount;
        test::UnitSimProcess sim;
        QVERIFY(bench.startUnit(
            sim, 0, {"--model", model, "--unpaced", "--channels", QString::number(answering)}));
        const QString file = bench.path(QStringLiteral("generated.json"));
        const QString backup = bench.path(QStringLiteral("a.json"));
        QVERIFY(test::writeFile(file, setupJson(setup)));
        const int expected = setup.present.back() < answering     ? 0
                             : setup.present.front() >= answering ? 3
                                                                  : 4;
        QCOMPARE(bench.qmctl({"write", "--model", model, "--port", "COM1", file}).code, expected);
        QCOMPARE(bench.qmctl({"read", "--model", model, "--port", "COM1", "-o", backup}).code,
                 answering == ChannelCount ? 0 : 4);
        const QMap<int, QJsonObject> written = test::channelObjects(test::readFile(file));
        const QMap<int, QJsonObject> backedUp = test::channelObjects(test::readFile(backup));
        QCOMPARE(backedUp.size(), answering);
        QCOMPARE(backedUp.lastKey(), answering);
        // Channels past the answering ones stay out of the backup.
        for (const auto &[channel, object] : written.asKeyValueRange())
            QCOMPARE(backedUp.value(channel, object), object);
    }
}

void TestQmctl::exitCodesNameTheirCause_data()
{
    // {file} stands for the setup file below, {port} for the device server's port.
    QTest::addColumn<QStringList>("arguments");
    // On COM1, COM2, ...: the emulator's arguments, or "pty" for a silent line. At {port}:
    // "held" ser2net with a unit that another qmctl reads, "gone" ser2net whose unit has
    // stopped, "silent" a peer that never speaks; else nothing listens there.
    QTest::addColumn<QStringList>("units");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("code");
    // On standard output for codes 0 and 1, else on standard error; {n}: the device of COM(n+1).
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("unheard"); // log lines that must not be
    QTest::addColumn<int>("withinMs");    // 0: no bound
    const QStringList unit{QStringLiteral("--model 520a")};
    const QByteArray settings = "7|1|0|2|1|20|2|9|100|0|A||B\r\n";
    const QString write = QStringLiteral("write --model 520a --port COM1 {file}");
    const QString read = QStringLiteral("read --model 520a --port COM1");
    const QString diff = QStringLiteral("diff --model 520a --port COM1 {file}");
    row("no model", "read --port COM1", {}, {}, 2, "qmctl: --model must be 410a or 520a");
    row("bad list", write + " --channels 12-13", unit, settings.repeated(12), 2,
        "qmctl: --channels: \"12-13\" is not a list");
    row("value no frame restores, nothing sent", write, unit,
        settings.repeated(11) + "7|1|0|2|1|20|2|9|100|2|A||B\r\n", 2, "channel 12, Blank: 2");
    row("a named pipe", "diff --model 520a --port COM1 {fifo}", unit, {}, 2, "fifo");
    row("channels the file lacks", write + " --channels 2-3", unit,
        setupJson(Setup::of(qm520a(), {}, {0, 1})), 2, "does not hold channel 3");
    row("differences", diff, unit, settings.repeated(12), 1,
        "channel 1 Text1: file \"A\", unit \"CAM 1\"\n");
    row("a field that does not take", write, {"--model 520a --ignore HorizPos"},
        settings.repeated(12), 3, "channel 1 HorizPos: file 100, unit ");
    row("partial unit read", read, {"--model 520a --channels 10"}, {}, 4,
        ": no answer from channels 11 and 12; the file holds channels 1 to 10");
    row("partial unit write", write, {"--model 520a --channels 5"}, settings.repeated(12), 4,
        ": channels 6 to 12 did not answer and were left as they are",
        "\t(?!request)\\w+ ch=([5-9]|1[01]) ");
    // Channel 3 holds blanking 2, which no frame can set again.
    row("backup that cannot be restored", read, {"--model 520a --state {file}"},
        OtherChannel.repeated(2) + "1|0|1|3|2|30|1|5|50|2|x|y|z\n" + OtherChannel.repeated(9), 4,
        "channel 3, Blank: 2");
    row("silent unit", read, {"--model 520a --channels 0"}, {}, 3, ": no channel answered");
    row("no such port", "read --model 410a --port COM1", {}, {}, 3,
        "/unit0): it is not there; plug the adapter in.");
    // One channel's file is short enough to wait in the output's buffer until the end.
    row("full output", read + " > /dev/full", {"--model 520a --channels 1"}, {}, 2,
        "could not be written to standard output");
    // A path is named as the path, never as the port number it stands in for.
    row("a device path that is not there", "read --model 410a --port /nonexistent/ttyUSB9", {}, {},
        3, "qmctl: /nonexistent/ttyUSB9: it is not there; plug the adapter in.\n");
    row("a bare device name", "read --model 410a --port ttyUSB0", {}, {}, 2,
        "qmctl: --port ttyUSB0: not a port name; the ports are COM1 to COM16, or give the "
        "device's path (/dev/ttyUSB0,");
    row("help for one command", "help write", {}, {}, 0, "Usage:\n  qmctl write --model");
    row("a command's --help", "diff --help", {}, {}, 0, "Usage:\n  qmctl diff  --model");
    row("help for no command", "help frob", {}, {}, 2, "qmctl: \"frob\" is no command");
    row("port above COM16", "read --model 520a --port COM17", unit, {}, 2,
        "qmctl: --port COM17: the ports are COM1 to COM16");
    row("port zero", "read --model 520a --port com0", unit, {}, 2,
        "qmctl: --port com0: the ports are COM1 to COM16");
    row("find asks every port", "find --model 520a --port COM1", unit, {}, 2,
        "qmctl: --port belongs to read, write and diff");
    row("find: its model and the other", "find --model 410a",
        {"--model 520a", "", "--model 410a", "", "pty"}, {}, 0,
        "COM1 ({0}): a QM-520A answers (ask it with --model 520a)\n"
        "COM3 ({2}): a QM-410A answers\n");
    row("find: any model", "find", {"--model 520a", "", "--model 410a"}, {}, 0,
        "COM1 ({0}): a QM-520A answers\nCOM3 ({2}): a QM-410A answers\n");
    row("find: any model, none there", "find", {"", "pty"}, {}, 3,
        "qmctl: no unit answered on any port\n");
    row("find: a silent line", "find --model 410a", {"", "pty"}, {}, 3,
        "qmctl: no answer at 9600 baud (QM-410A) or 4800 baud (QM-520A) from COM2 ({1})\n");
    row("find: no device, a [Ports] line for no port", "find --model 520a", {}, {}, 3,
        "qmctl: [Ports] COM17: not a port (COM1 to COM16); ignored\n"
        "qmctl: none of COM1 to COM16 has a device\n");
    addDeviceServerRows();
}

void TestQmctl::exitCodesNameTheirCause()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, units);
    QFETCH(QByteArray, file);
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(QString, unheard);
    QFETCH(int, withinMs);
    Bench bench;
    const QString setup = bench.path(QStringLiteral("setup.txt"));
    QVERIFY(test::writeFile(setup, file));
    const QString fifo = bench.path(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    arguments.replaceInStrings(QStringLiteral("{file}"), setup);
    units.replaceInStrings(QStringLiteral("{file}"), setup);
    arguments.replaceInStrings(QStringLiteral("{fifo}"), fifo);
    QString output;
    if (const qsizetype redirect = arguments.indexOf(QStringLiteral(">")); redirect >= 0) {
        output = arguments.at(redirect + 1);
        arguments = arguments.first(redirect);
    }
    std::vector<std::unique_ptr<test::UnitSimProcess>> sims;
    std::vector<std::unique_ptr<test::PseudoTerminal>> lines;
    test::Ser2net server;
    test::PeerServer silent;
    QProcess holder;
    quint16 port = test::unusedPort();
    for (int unit = 0; unit < units.size(); ++unit) {
        message.replace(QStringLiteral("{%1}").arg(unit), bench.link(unit));
        const bool served = units[unit] == u"held" || units[unit] == u"gone";
        if (units[unit] == u"pty") {
            lines.push_back(std::make_unique<test::PseudoTerminal>(bench.link(unit)));
        } else if (units[unit] == u"silent") {
            port = silent.port();
        } else if (!units[unit].isEmpty()) {
            sims.push_back(std::make_unique<test::UnitSimProcess>());
            // A late unit keeps the holder's read going for many seconds.
            const QString emulated = served ? "--model 520a --late 1000" : units[unit];
            QVERIFY(bench.startUnit(*sims.back(), unit, (emulated + " --unpaced").split(u' ')));
        }
        if (served) {
            QVERIFY(server.start({{true, bench.link(unit), 4800}}));
            port = server.port(0);
        }
        if (units[unit] == u"held") {
            bench.start(holder, {"read", "--model", "520a", "--port", server.address(0)});
            QVERIFY(QTest::qWaitFor([&] { return !sims.back()->logLines().isEmpty(); },
                                    test::DeadlineMs));
        }
        if (units[unit] == u"gone")
            QCOMPARE(sims.back()->stop(), 0);
    }
    arguments.replaceInStrings(QStringLiteral("{port}"), QString::number(port));

    QElapsedTimer clock;
    clock.start();
    const Outcome outcome = bench.qmctl(arguments, output);
    if (withinMs > 0)
        QVERIFY2(clock.elapsed() < withinMs, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(outcome.code, code);
    const QByteArray &report = code <= 1 ? outcome.out : outcome.err;
    QVERIFY2(report.contains(message.toUtf8()), report.constData());
    for (const auto &sim : sims) {
        // A refused command line reaches no unit; an output that fails is found at the end.
        if (code == 2 && output.isEmpty())
            QCOMPARE(sim->logLines(), QStringList());
        if (!unheard.isEmpty())
            QCOMPARE(sim->logLines().filter(QRegularExpression(unheard)), QStringList());
    }
}

// A unit that goes away halfway through a write: the program says so, and which channels had
// been written and checked, instead of reporting the rest as silent.
void TestQmctl::aLineLostInAWriteIsNamed()
{
    Bench bench;
    test::UnitSimProcess sim;
    QProcess qmctl;
    QVERIFY(writeUntil(bench, sim, qmctl));
    sim.stop();
    QVERIFY(qmctl.waitForFinished(test::DeadlineMs));
    QCOMPARE(qmctl.exitCode(), 3);
    // How far the unit got before it stopped depends on the machine's load.
    const QString said = QString::fromUtf8(qmctl.readAllStandardError());
    static const QRegularExpression named(
        QStringLiteral(R"(the line failed; channels? 1((, | and | to )\d+)* had answered; )"
                       R"(channels? (\d+(, | and | to ))*12 (was|were) not finished)"));
    QVERIFY2(named.match(said).hasMatch(), qPrintable(said));
}

void TestQmctl::aSignalInAWriteNamesWhatWasWritten_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("answering");   // the first channels, which answer
    QTest::addColumn<QString>("reached"); // the unit's log line the signal waits for
    QTest::newRow("SIGTERM") << int(SIGTERM) << "SIGTERM" << 12 << "data ch=2";
    QTest::newRow("SIGHUP") << int(SIGHUP) << "SIGHUP" << 12 << "data ch=2";
    // Once channel 4 is asked, it is only asked: it cannot be in the middle of its write.
    QTest::newRow("SIGINT, channels 4 to 12 silent") << int(SIGINT) << "SIGINT" << 3 << "^0803fa\t";
}

// How far the write got by the time the signal comes depends on the machine's load, but
// channel 1 is done and channel 12 is not.
void TestQmctl::aSignalInAWriteNamesWhatWasWritten()
{
    QFETCH(int, signalNumber);
    QFETCH(QString, name);
    QFETCH(int, answering);
    QFETCH(QString, reached);
    Bench bench;
    test::UnitSimProcess sim;
    QProcess qmctl;
    QVERIFY(writeUntil(bench, sim, qmctl, answering, QRegularExpression(reached)));
    QCOMPARE(::kill(pid_t(qmctl.processId()), signalNumber), 0);
    QVERIFY(qmctl.waitForFinished(test::DeadlineMs));
    QCOMPARE(qmctl.exitStatus(), QProcess::CrashExit);
    QCOMPARE(qmctl.exitCode(), signalNumber);
    const QString said = QString::fromUtf8(qmctl.readAllStandardError());
    const QRegularExpression named("ended by " + name +
                                   R"( during the write: channels? 1((, | and | to )\d+)* )"
                                   R"((was|were) written and read back; )"
                                   R"(.*channels? (\d+(, | and | to ))*12 (was|were) not written)");
    QVERIFY2(named.match(said).hasMatch(), qPrintable(said));
    const QRegularExpression inHand(R"(channel (\d+) was being written)");
    QVERIFY2(inHand.match(said).captured(1).toInt() <= answering, qPrintable(said));
}

// read --summary-json names the channels that answered; diff --json says what the text diff
// says.
void TestQmctl::scriptsReadJson()
{
    Bench bench;
    test::UnitSimProcess sim;
    QVERIFY(bench.startUnit(sim, 0, {"--model", "520a", "--unpaced", "--channels", "10"}));
    const QString summary = bench.path(QStringLiteral("summary.json"));
    const Outcome read =
        bench.qmctl({"read", "--model", "520a", "--port", "COM1", "--summary-json", summary});
    QCOMPARE(read.code, 4);
    const QString answered = QStringLiteral(
        R"({"model": "QM-520A", "port": "COM1", "device": "%1", "silent": [11, 12],
            "answered": [1, 2, 3, 4, 5, 6, 7, 8, 9, 10], "lineFailed": false,
            "unreached": [], "unrestorable": []})");
    QCOMPARE(QJsonDocument::fromJson(test::readFile(summary)).object(),
             QJsonDocument::fromJson(answered.arg(bench.link(0)).toUtf8()).object());

    // The unit's channels 1 to 10 with channel 6 left out, channel 11 added, and some values
    // changed.
    const QMap<int, QJsonObject> unit = test::channelObjects(read.out);
    QMap<int, QJsonObject> file = unit;
    file.remove(6);
    file[11] = unit[1];
    file[11]["channel"] = 11;
    file[2]["Text1"] = "a \"quoted\" \\ text";
    file[4]["HorizPos"] = 30;
    file[4]["Blank"] = 1;
    QJsonArray channels;
    for (const QJsonObject &channel : std::as_const(file))
        channels.append(channel);
    QJsonObject document = QJsonDocument::fromJson(read.out).object();
    document["channels"] = channels;
    const QString path = bench.path(QStringLiteral("changed.json"));
    QVERIFY(test::writeFile(path, QJsonDocument(document).toJson()));

    const Outcome diff = bench.qmctl({"diff", "--model", "520a", "--port", "COM1", path, "--json"});
    QCOMPARE(diff.code, 1);
    const QJsonObject report = QJsonDocument::fromJson(diff.out).object();
    // What the emulator starts with on channels 2 and 4.
    const QByteArray differences =
        R"([{"channel": 2, "field": "Text1", "file": "a \"quoted\" \\ text", "unit": "CAM 2"},
            {"channel": 4, "field": "HorizPos", "file": 30, "unit": 29},
            {"channel": 4, "field": "Blank", "file": 1, "unit": 0}])";
    QCOMPARE(report["differences"].toArray(), QJsonDocument::fromJson(differences).array());
    QCOMPARE(report["notAnswered"].toArray(), QJsonArray{11});
    QCOMPARE(report["notInFile"].toArray(), QJsonArray{6});
    QCOMPARE(bench.qmctl({"diff", "--model", "520a", "--port", "COM1", path}).out.count('\n'), 5);

    // Only COM1 has a device.
    const Outcome found = bench.qmctl({"find", "--json"});
    QCOMPARE(found.code, 0);
    const QString ports = QStringLiteral(
        R"json({"speeds": "9600 baud (QM-410A) or 4800 baud (QM-520A)", "ports": [{"port": "COM1",
            "device": "%1", "result": "answered", "model": "QM-520A"}]})json");
    QCOMPARE(QJsonDocument::fromJson(found.out).object(),
             QJsonDocument::fromJson(ports.arg(bench.link(0)).toUtf8()).object());
}

void TestQmctl::aLateUnitIsReadWrittenComparedAndFound_data()
{
    test::addModelRows();
}

// A real unit behind a USB adapter begins its reply well after the request and then sends it
// at line speed; every command must wait for it as for a quick one.
void TestQmctl::aLateUnitIsReadWrittenComparedAndFound()
{
    QFETCH(QString, model);
    const UnitModel &unit = test::modelNamed(model);
    Bench bench;
    test::UnitSimProcess sim;
    QVERIFY(bench.startUnit(sim, 0, {"--model", model, "--late", "250"}));
    const QString backup = bench.path(QStringLiteral("backup.json"));
    const Outcome read = bench.qmctl({"read", "--model", model, "--port", "COM1", "-o", backup});
    QVERIFY2(read.code == 0, read.err.constData());
    QCOMPARE(test::channelObjects(test::readFile(backup)).size(), ChannelCount);

    QRandomGenerator random(model == u"410a" ? 4 : 5);
    const QString file = bench.path(QStringLiteral("generated.json"));
    QVERIFY(test::writeFile(file, setupJson(test::randomSetup(unit, random, false))));
    const Outcome written = bench.qmctl({"write", "--model", model, "--port", "COM1", file});
    QVERIFY2(written.code == 0, written.err.constData());
    const Outcome compared = bench.qmctl({"diff", "--model", model, "--port", "COM1", file});
    QVERIFY2(compared.code == 0, (compared.out + compared.err).constData());
    const Outcome found = bench.qmctl({"find", "--model", model});
    QVERIFY2(found.code == 0, found.err.constData());
    QVERIFY2(found.out.startsWith("COM1 "), found.out.constData());
}

// --trace gives a support engineer the requests as they went out, and only when asked.
void TestQmctl::traceShowsTheFramesSent()
{
    Bench bench;
    test::UnitSimProcess sim;
    QVERIFY(bench.startUnit(sim, 0, {"--model", "520a", "--unpaced"}));
    const QStringList read{"read", "--model", "520a", "--port", "COM1", "-o", bench.path("a")};
    const QByteArray request = "qm.link.frames: " + bench.link(0).toUtf8() + " out: 08 0B FA\n";
    QVERIFY(bench.qmctl(read + QStringList{"--trace"}).err.contains(request));
    // Without it, standard error (no terminal here) holds only what is wrong: COM17 in the map.
    QCOMPARE(bench.qmctl(read).err, "qmctl: [Ports] COM17: not a port (COM1 to COM16); ignored\n");
}

QTEST_MAIN(TestQmctl)

#include "test_qmctl.moc"
