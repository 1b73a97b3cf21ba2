#include "link/QtSerialPort.h"
#include "protocol/ChannelList.h"
#include "protocol/SetupFile.h"
#include "tests/support/Deadline.h"
#include "tests/support/Files.h"
#include "tests/support/GeneratedSetups.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/UnitSimProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace qm;
using test::readFile;
using test::writeFile;

namespace {

struct Outcome
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// Every unit this test starts is reached through a link in the test's own folder, and the
// preferences qmctl reads are the test's own, with COM1 pointed at the first unit, COM2 at the
// second and so on: a port leads nowhere until its unit starts. More [Ports] lines may follow.
class Bench
{
public:
    explicit Bench(const QByteArray &morePorts = {})
    {
        QDir(m_folder.path()).mkpath(QStringLiteral("config/qm-control-panel"));
        QByteArray ports = "[Ports]\n" + morePorts;
        for (int port = 1; port <= 16; ++port)
            ports += QStringLiteral("COM%1=%2\n").arg(port).arg(link(port - 1)).toUtf8();
        for (const char *name : {"QM-410A", "VT-540A"}) {
            QFile ini(m_folder.filePath(
                QStringLiteral("config/qm-control-panel/%1.ini").arg(QLatin1String(name))));
            if (ini.open(QIODevice::WriteOnly))
                ini.write(ports);
        }
    }

    QString link(int unit) const { return m_folder.filePath(QStringLiteral("unit%1").arg(unit)); }
    QString path(const QString &name) const { return m_folder.filePath(name); }

    // Starts unit number `unit` (0 is COM1) and says whether it came up.
    bool startUnit(test::UnitSimProcess &sim, int unit, const QStringList &arguments)
    {
        return !sim.start(QStringLiteral(QM_UNIT_SIM),
                          arguments + QStringList{QStringLiteral("--link"), link(unit)})
                    .isEmpty();
    }

    // Standard output goes to `output` when one is named.
    Outcome qmctl(const QStringList &arguments, const QString &output = {}) const
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        process.setProcessEnvironment(environment);
        if (!output.isEmpty())
            process.setStandardOutputFile(output);
        process.start(QStringLiteral(QM_QMCTL), arguments);
        if (!process.waitForFinished(test::DeadlineMs))
            process.kill();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

private:
    QTemporaryDir m_folder;
};

QStringList withModel(const QString &model, const QStringList &arguments)
{
    return QStringList{arguments.front(), QStringLiteral("--model"), model} + arguments.mid(1);
}

// The channel objects of a setup file by channel number, read without the program's reader.
QMap<int, QJsonObject> channelObjects(const QByteArray &file)
{
    QMap<int, QJsonObject> channels;
    for (const QJsonValue value :
         QJsonDocument::fromJson(file).object().value(u"channels").toArray())
        channels.insert(value.toObject().value(u"channel").toInt(), value.toObject());
    return channels;
}

// What the emulator logged for channels from `first` on, but settings requests.
QStringList framesFrom(const QStringList &log, int first)
{
    QStringList frames;
    for (const QString &line : log) {
        const QString meaning = line.section(u'\t', 1);
        const int channel = meaning.section(QStringLiteral("ch="), 1).section(u' ', 0, 0).toInt();
        if (channel >= first && !meaning.startsWith(u"request"))
            frames << meaning;
    }
    return frames;
}

// Other settings than the emulator starts with, the same on every channel; channel 3 holds
// blanking 2, which no frame can set again.
QByteArray otherState(int unrestorableLine = 0)
{
    QByteArray state;
    for (int line = 1; line <= ChannelCount; ++line)
        state += line == unrestorableLine ? "1|0|1|3|2|30|1|5|50|2|x|y|z\n"
                                          : "1|0|1|3|2|30|1|5|50|1|x|y|z\n";
    return state;
}

} // namespace

class TestQmctl : public QObject
{
    Q_OBJECT

private slots:
    void backupsRestoreExactly_data();
    void backupsRestoreExactly();
    void exitCodesNameTheirCause_data();
    void exitCodesNameTheirCause();
    void aLineLostInAWriteIsNamed();
    void aDeviceAnotherProgramHoldsIsLeftAlone();
    void readsChannelLists_data();
    void readsChannelLists();
    void findNamesThePortOfEachModel_data();
    void findNamesThePortOfEachModel();
    void scriptsReadJson();
};

void TestQmctl::backupsRestoreExactly_data()
{
    test::addModelRows();
}

// The round trip as a property, through the program and the emulated unit: a generated setup
// written to a unit reads back the same; that backup, restored to another unit, reads back
// byte for byte. Some units answer on only some channels, which then stay out of the backup.
void TestQmctl::backupsRestoreExactly()
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
        test::UnitSimProcess siteA;
        test::UnitSimProcess siteB;
        QVERIFY(bench.startUnit(
            siteA, 0, {"--model", model, "--unpaced", "--channels", QString::number(answering)}));
        QVERIFY(bench.startUnit(siteB, 1, {"--model", model, "--unpaced"}));
        const QString file = bench.path(QStringLiteral("generated.json"));
        QVERIFY(writeFile(file, setupJson(setup)));

        const int expected = setup.present.back() < answering     ? 0
                             : setup.present.front() >= answering ? 3
                                                                  : 4;
        const Outcome write = bench.qmctl(withModel(model, {"write", "--port", "COM1", file}));
        QVERIFY2(write.code == expected, write.err.constData());
        const QString backup = bench.path(QStringLiteral("a.json"));
        const Outcome read =
            bench.qmctl(withModel(model, {"read", "--port", "COM1", "-o", backup}));
        QVERIFY2(read.code == (answering == ChannelCount ? 0 : 4), read.err.constData());
        const QMap<int, QJsonObject> written = channelObjects(readFile(file));
        const QMap<int, QJsonObject> backedUp = channelObjects(readFile(backup));
        QCOMPARE(backedUp.lastKey(), answering);
        for (auto channel = written.cbegin(); channel != written.cend(); ++channel) {
            if (channel.key() <= answering)
                QCOMPARE(backedUp.value(channel.key()), channel.value());
        }

        const Outcome restore =
            bench.qmctl(withModel(model, {"write", "--port", bench.link(1), backup}));
        QVERIFY2(restore.code == 0, restore.err.constData());
        const Outcome again = bench.qmctl(withModel(model, {"read", "--port", bench.link(1)}));
        QCOMPARE(again.code, 0);
        const QMap<int, QJsonObject> restored = channelObjects(again.out);
        for (auto channel = backedUp.cbegin(); channel != backedUp.cend(); ++channel)
            QCOMPARE(restored.value(channel.key()), channel.value());
        if (answering == ChannelCount)
            QCOMPARE(again.out, readFile(backup));
    }
}

void TestQmctl::exitCodesNameTheirCause_data()
{
    QTest::addColumn<QStringList>("arguments"); // {file} stands for the setup file below
    QTest::addColumn<QStringList>("unit");      // the emulator's arguments; empty: none runs
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");    // on standard output for code 1, else standard error
    QTest::addColumn<int>("firstUntouched"); // no frame but requests reaches channels from it

    const QStringList unit{QStringLiteral("--model"), QStringLiteral("520a")};
    const QByteArray settings = "7|1|0|2|1|20|2|9|100|0|A||B\r\n";
    const QStringList write{"write", "--model", "520a", "--port", "COM1", "{file}"};
    const QStringList read{"read", "--model", "520a", "--port", "COM1"};
    QTest::newRow("no model") << QStringList{"read", "--port", "COM1"} << QStringList{}
                              << QByteArray() << 2 << "qmctl: --model must be 410a or 520a" << 0;
    QTest::newRow("unknown command")
        << QStringList{"erase", "--model", "520a", "--port", "COM1"} << QStringList{}
        << QByteArray() << 2 << "qmctl: the command must be read, write, diff or find" << 0;
    QTest::newRow("bad list") << write + QStringList{"--channels", "3-1"} << unit
                              << settings.repeated(12) << 2
                              << "qmctl: --channels: \"3-1\" is not a list" << 0;
    QTest::newRow("bad file, nothing sent")
        << write << unit << settings.repeated(11) + "7|1|0|2|1|20|2|9|100|0|A||\xfc\r\n"
        << 2 << ": line 12" << 0;
    QTest::newRow("value no frame restores, nothing sent")
        << write << unit << settings.repeated(11) + "7|1|0|2|1|20|2|9|100|2|A||B\r\n"
        << 2 << "channel 12, Blank: 2" << 0;
    QTest::newRow("not a regular file")
        << QStringList{"write", "--model", "520a", "--port", "COM1", "/dev/zero"} << unit
        << QByteArray() << 2 << "/dev/zero" << 0;
    QTest::newRow("a named pipe") << QStringList{"diff",   "--model", "520a",
                                                 "--port", "COM1",    "{fifo}"}
                                  << unit << QByteArray() << 2 << "fifo" << 0;
    QTest::newRow("channels the file lacks")
        << write + QStringList{"--channels", "3"} << unit
        << setupJson(Setup::of(qm520a(), {}, {0, 1})) << 2 << "does not hold channel(s) 3" << 0;
    QTest::newRow("differences") << QStringList{"diff",   "--model", "520a",
                                                "--port", "COM1",    "{file}"}
                                 << unit << settings.repeated(12) << 1
                                 << "channel 1 Text1: file \"A\", unit \"CAM 1\"\n"
                                 << 0;
    QTest::newRow("differences in coverage")
        << QStringList{"diff", "--model", "520a", "--port", "COM1", "{file}"}
        << unit + QStringList{"--channels", "11"}
        << QByteArray(settings).replace("A", "CAM 1").repeated(12) << 1
        << "channel 12: in the file, but the unit did not answer\n"
        << 0;
    QTest::newRow("a field that does not take")
        << write << unit + QStringList{"--ignore", "HorizPos"} << settings.repeated(12) << 3
        << "channel 1 HorizPos: file 100, unit " << 0;
    QTest::newRow("partial unit read")
        << read << unit + QStringList{"--channels", "10"} << QByteArray() << 4
        << ": no answer from channel(s) 11, 12; the file holds channel(s) 1, 2," << 0;
    QTest::newRow("partial unit write")
        << write << unit + QStringList{"--channels", "5"} << settings.repeated(12) << 4
        << ": channel(s) 6, 7, 8, 9, 10, 11, 12 did not answer and were left as they are" << 5;
    QTest::newRow("backup that cannot be restored")
        << read << unit + QStringList{"--state", "{state}"} << otherState(3) << 4
        << "channel 3, Blank: 2" << 0;
    QTest::newRow("silent unit") << read << unit + QStringList{"--channels", "0"} << QByteArray()
                                 << 3 << ": no channel answered" << 0;
    QTest::newRow("no such port") << QStringList{"read", "--model", "410a", "--port", "COM1"}
                                  << QStringList{} << QByteArray() << 3
                                  << "/unit0): it is not there; plug the adapter in." << 0;
    // One channel's file is short enough to wait in the output's buffer until the end.
    QTest::newRow("full output") << read + QStringList{">", "/dev/full"}
                                 << unit + QStringList{"--channels", "1"} << QByteArray() << 2
                                 << "could not be written to standard output" << 0;
    QTest::newRow("port above COM16")
        << QStringList{"read", "--model", "520a", "--port", "COM17"} << unit << QByteArray() << 2
        << "qmctl: --port COM17: the ports are COM1 to COM16" << 0;
    QTest::newRow("port zero") << QStringList{"read", "--model", "520a", "--port", "com0"} << unit
                               << QByteArray() << 2
                               << "qmctl: --port com0: the ports are COM1 to COM16" << 0;
    QTest::newRow("a port number is a COM port")
        << QStringList{"read", "--model", "520a", "--port", "1"}
        << unit + QStringList{"--channels", "0"} << QByteArray() << 3 << "qmctl: COM1 (" << 0;
    QTest::newRow("find asks every port")
        << QStringList{"find", "--model", "520a", "--port", "COM1"} << unit << QByteArray() << 2
        << "qmctl: --port belongs to read, write and diff" << 0;
}

void TestQmctl::exitCodesNameTheirCause()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, unit);
    QFETCH(QByteArray, file);
    QFETCH(int, code);
    QFETCH(QString, message);
    QFETCH(int, firstUntouched);
    Bench bench;
    const QString setup = bench.path(QStringLiteral("setup.txt"));
    QVERIFY(writeFile(setup, file));
    const QString fifo = bench.path(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    arguments.replaceInStrings(QStringLiteral("{file}"), setup);
    arguments.replaceInStrings(QStringLiteral("{fifo}"), fifo);
    unit.replaceInStrings(QStringLiteral("{state}"), setup);
    QString output;
    if (const qsizetype redirect = arguments.indexOf(QStringLiteral(">")); redirect >= 0) {
        output = arguments.at(redirect + 1);
        arguments = arguments.first(redirect);
    }
    test::UnitSimProcess sim;
    if (!unit.isEmpty())
        QVERIFY(bench.startUnit(sim, 0, unit + QStringList{QStringLiteral("--unpaced")}));

    const Outcome outcome = bench.qmctl(arguments, output);
    QCOMPARE(outcome.code, code);
    const QByteArray &report = code == 1 ? outcome.out : outcome.err;
    QVERIFY2(report.contains(message.toUtf8()), report.constData());
    if (code == 2 && !unit.isEmpty())
        QCOMPARE(sim.logLines(), QStringList());
    if (firstUntouched > 0)
        QCOMPARE(framesFrom(sim.logLines(), firstUntouched), QStringList());
}

// A unit that goes away halfway through a write: the program says so, and which channels had
// been written and checked, instead of reporting the rest as silent.
void TestQmctl::aLineLostInAWriteIsNamed()
{
    Bench bench;
    test::UnitSimProcess sim;
    QVERIFY(bench.startUnit(sim, 0, {"--model", "520a"}));
    const QString file = bench.path(QStringLiteral("otherState.txt"));
    QVERIFY(writeFile(file, otherState()));
    QProcess qmctl;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), bench.path(QStringLiteral("config")));
    qmctl.setProcessEnvironment(environment);
    qmctl.start(QStringLiteral(QM_QMCTL), {"write", "--model", "520a", "--port", "COM1", file});
    QTRY_VERIFY_WITH_TIMEOUT(sim.logLines().filter(u"data ch=2").size() == 1, test::DeadlineMs);
    sim.stop();
    QVERIFY(qmctl.waitForFinished(test::DeadlineMs));
    QCOMPARE(qmctl.exitCode(), 3);
    const QByteArray err = qmctl.readAllStandardError();
    QVERIFY2(err.contains("the line failed; channel(s) 1, 2 had answered; channel(s) 3, 4,"),
             err.constData());
}

// The device is held under another name (what a panel picked as another COM port, say): the
// lock follows the device, so nothing reaches it from here.
void TestQmctl::aDeviceAnotherProgramHoldsIsLeftAlone()
{
    Bench bench;
    test::UnitSimProcess sim;
    QVERIFY(bench.startUnit(sim, 0, {"--model", "410a"}));
    PortMap map;
    map.setOverride(1, QFileInfo(bench.link(0)).symLinkTarget());
    QtSerialPort holder(map, qm410a().baudRate);
    holder.setPortNumber(1);
    QVERIFY(holder.open());
    const Outcome read = bench.qmctl({"read", "--model", "410a", "--port", "COM1"});
    QCOMPARE(read.code, 3);
    QVERIFY2(read.err.contains("unit0): test_qmctl (process "), read.err.constData());
    QCOMPARE(sim.logLines(), QStringList());
}

void TestQmctl::readsChannelLists_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QList<int>>("indices"); // empty: refused
    QTest::newRow("single") << "12" << QList<int>{11};
    QTest::newRow("items and ranges") << "1,3-5" << QList<int>{0, 2, 3, 4};
    QTest::newRow("overlapping, unordered") << "9-10,2,1-2,10" << QList<int>{0, 1, 8, 9};
    QTest::newRow("zero") << "0" << QList<int>{};
    QTest::newRow("thirteen") << "3-13" << QList<int>{};
    QTest::newRow("backwards") << "5-3" << QList<int>{};
    QTest::newRow("empty item") << "1,,2" << QList<int>{};
    QTest::newRow("sign") << "+2" << QList<int>{};
    QTest::newRow("two dashes") << "1-2-3" << QList<int>{};
}

void TestQmctl::readsChannelLists()
{
    QFETCH(QString, list);
    QFETCH(QList<int>, indices);
    const std::optional<QList<int>> parsed = parseChannelList(list);
    QCOMPARE(parsed.value_or(QList<int>{}), indices);
}

void TestQmctl::findNamesThePortOfEachModel_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("units"); // on COM1, COM2, ...: a model, "pty" a silent line
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out"); // {n} stands for the device of the unit on COM(n+1)
    QTest::addColumn<QString>("err"); // a part of standard error

    QTest::newRow("its model and the other")
        << "410a" << QStringList{"520a", "", "410a", "", "pty"} << 0
        << "COM1 ({0}): a QM-520A answers (ask it with --model 520a)\n"
           "COM3 ({2}): a QM-410A answers\n"
        << "qmctl: no answer at 9600 baud (QM-410A) or 4800 baud (QM-520A) from COM5 ({4})\n";
    QTest::newRow("only the other model")
        << "520a" << QStringList{"410a"} << 3
        << "COM1 ({0}): a QM-410A answers (ask it with --model 410a)\n"
        << "qmctl: no QM-520A answered on any port\n";
    QTest::newRow("no device, a [Ports] line for no port")
        << "520a" << QStringList{} << 3 << ""
        << "qmctl: [Ports] COM17: not a port (COM1 to COM16); ignored\n"
           "qmctl: none of COM1 to COM16 has a device\n";
}

void TestQmctl::findNamesThePortOfEachModel()
{
    QFETCH(QString, model);
    QFETCH(QStringList, units);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    Bench bench("COM17=/dev/ttyS0\n");
    std::vector<std::unique_ptr<test::UnitSimProcess>> sims;
    std::vector<std::unique_ptr<test::PseudoTerminal>> lines;
    for (int unit = 0; unit < units.size(); ++unit) {
        if (units[unit] == u"pty") {
            lines.push_back(std::make_unique<test::PseudoTerminal>(bench.link(unit)));
        } else if (!units[unit].isEmpty()) {
            sims.push_back(std::make_unique<test::UnitSimProcess>());
            QVERIFY(bench.startUnit(*sims.back(), unit, {"--model", units[unit]}));
        }
        out.replace(QStringLiteral("{%1}").arg(unit), bench.link(unit));
        err.replace(QStringLiteral("{%1}").arg(unit), bench.link(unit));
    }

    const Outcome found = bench.qmctl({"find", "--model", model});
    QCOMPARE(found.code, code);
    QCOMPARE(QString::fromUtf8(found.out), out);
    QVERIFY2(found.err.contains(err.toUtf8()), found.err.constData());
}

// diff --json says what the text diff says, checked against the test's own comparison of the
// file with what the unit holds; read --summary-json names the channels that answered.
void TestQmctl::scriptsReadJson()
{
    Bench bench;
    test::UnitSimProcess sim;
    QVERIFY(bench.startUnit(sim, 0, {"--model", "520a", "--unpaced", "--channels", "10"}));
    const QString summary = bench.path(QStringLiteral("summary.json"));
    const Outcome read =
        bench.qmctl({"read", "--model", "520a", "--port", "COM1", "--summary-json", summary});
    QCOMPARE(read.code, 4);
    QCOMPARE(QJsonDocument::fromJson(readFile(summary)).object(),
             QJsonObject({{"model", "QM-520A"},
                          {"port", "COM1"},
                          {"device", bench.link(0)},
                          {"answered", QJsonArray{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
                          {"silent", QJsonArray{11, 12}},
                          {"lineFailed", false},
                          {"unreached", QJsonArray{}},
                          {"unrestorable", QJsonArray{}}}));

    // The unit's channels 1 to 10 with channel 6 left out, channel 11 added, and some values
    // changed.
    const QMap<int, QJsonObject> unit = channelObjects(read.out);
    QMap<int, QJsonObject> file = unit;
    file.remove(6);
    file[11] = unit[1];
    file[11]["channel"] = 11;
    file[2]["Text1"] = "a \"quoted\" \\ text";
    file[4]["HorizPos"] = unit[4]["HorizPos"].toInt() + 1;
    file[4]["Blank"] = 1 - unit[4]["Blank"].toInt();
    QJsonArray channels;
    for (const QJsonObject &channel : std::as_const(file))
        channels.append(channel);
    QJsonObject document = QJsonDocument::fromJson(read.out).object();
    document["channels"] = channels;
    const QString path = bench.path(QStringLiteral("changed.json"));
    QVERIFY(writeFile(path, QJsonDocument(document).toJson()));

    QList<QJsonObject> expected;
    for (auto channel = file.cbegin(); channel != file.cend(); ++channel) {
        if (!unit.contains(channel.key()))
            continue;
        for (const QString &key : channel.value().keys()) {
            if (channel.value()[key] != unit[channel.key()][key])
                expected.append({{"channel", channel.key()},
                                 {"field", key},
                                 {"file", channel.value()[key]},
                                 {"unit", unit[channel.key()][key]}});
        }
    }
    const Outcome diff = bench.qmctl({"diff", "--model", "520a", "--port", "COM1", path, "--json"});
    QCOMPARE(diff.code, 1);
    const QJsonObject report = QJsonDocument::fromJson(diff.out).object();
    QList<QJsonObject> differences;
    for (const auto &difference : report["differences"].toArray())
        differences.append(difference.toObject());
    const auto byChannelAndField = [](const QJsonObject &a, const QJsonObject &b) {
        return std::pair(a["channel"].toInt(), a["field"].toString()) <
               std::pair(b["channel"].toInt(), b["field"].toString());
    };
    std::sort(differences.begin(), differences.end(), byChannelAndField);
    std::sort(expected.begin(), expected.end(), byChannelAndField);
    QCOMPARE(differences, expected);
    QCOMPARE(report["notAnswered"].toArray(), QJsonArray{11});
    QCOMPARE(report["notInFile"].toArray(), QJsonArray{6});
    QCOMPARE(report["file"].toString(), path);
    const Outcome text = bench.qmctl({"diff", "--model", "520a", "--port", "COM1", path});
    QCOMPARE(text.out.count('\n'), expected.size() + 2);
}

QTEST_MAIN(TestQmctl)

#include "test_qmctl.moc"
