#include "link/QtSerialPort.h"
#include "protocol/SetupFile.h"
#include "tests/support/Deadline.h"
#include "tests/support/GeneratedSetups.h"
#include "tests/support/UnitSimProcess.h"
#include "tools/qmctl/ChannelList.h"

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

namespace {

struct Outcome
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// Every unit this test starts is reached through a link in the test's own folder, and the
// preferences qmctl reads are the test's own, with COM1 pointed at the first unit and every
// other port at nothing.
class Bench
{
public:
    Bench()
    {
        QDir(m_folder.path()).mkpath(QStringLiteral("config/qm-control-panel"));
        QByteArray ports = "[Ports]\nCOM1=" + link(0).toUtf8() + "\n";
        for (int port = 2; port <= 16; ++port)
            ports +=
                QStringLiteral("COM%1=%2\n").arg(port).arg(path(QStringLiteral("none"))).toUtf8();
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

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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
};

void TestQmctl::backupsRestoreExactly_data()
{
    QTest::addColumn<QString>("model");
    QTest::newRow("QM-410A") << QStringLiteral("410a");
    QTest::newRow("QM-520A") << QStringLiteral("520a");
}

// The round trip as a property, through the program and the emulated unit: a generated setup
// written to a unit reads back the same; that backup, restored to another unit, reads back
// byte for byte. Some units answer on only some channels, which then stay out of the backup.
void TestQmctl::backupsRestoreExactly()
{
    QFETCH(QString, model);
    const UnitModel &unit = unitModelByName(model)->get();
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
        << QByteArray() << 2 << "qmctl: the command must be read, write or diff" << 0;
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
                                  << QStringList{} << QByteArray() << 3 << "cannot be opened" << 0;
    // One channel's file is short enough to wait in the output's buffer until the end.
    QTest::newRow("full output") << read + QStringList{">", "/dev/full"}
                                 << unit + QStringList{"--channels", "1"} << QByteArray() << 2
                                 << "could not be written to standard output" << 0;
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
    QVERIFY2(read.err.contains("in use by test_qmctl"), read.err.constData());
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

QTEST_MAIN(TestQmctl)

#include "test_qmctl.moc"
