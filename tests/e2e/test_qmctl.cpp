#include "tests/support/UnitSimProcess.h"
#include "tools/qmctl/ChannelList.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;

namespace {

constexpr int RunTimeoutMs = 60000;

struct Outcome
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

// Every unit this test starts is reached through a link in the test's own folder, and the
// preferences qmctl reads are the test's own, with COM1 pointed at the first unit.
class Bench
{
public:
    Bench()
    {
        QDir(m_folder.path()).mkpath(QStringLiteral("config/qm-control-panel"));
        for (const char *name : {"QM-410A", "VT-540A"}) {
            QFile ini(m_folder.filePath(
                QStringLiteral("config/qm-control-panel/%1.ini").arg(QLatin1String(name))));
            if (ini.open(QIODevice::WriteOnly))
                ini.write("[Ports]\nCOM1=" + link(0).toUtf8() + "\n");
        }
    }

    QString link(int unit) const { return m_folder.filePath(QStringLiteral("unit%1").arg(unit)); }
    QString path(const QString &name) const { return m_folder.filePath(name); }

    // Starts unit number `unit` (0 is COM1) and says whether it came up.
    bool startUnit(test::UnitSimProcess &sim, int unit, const QStringList &arguments)
    {
        return !sim.start(QStringLiteral(QM_UNIT_SIM),
                          arguments + QStringList{QStringLiteral("--unpaced"),
                                                  QStringLiteral("--link"), link(unit)})
                    .isEmpty();
    }

    Outcome qmctl(const QStringList &arguments) const
    {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(QM_QMCTL), arguments);
        if (!process.waitForFinished(RunTimeoutMs))
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

// Other settings than the emulator starts with, the same on every channel.
const QByteArray OtherState = QByteArray("1|0|1|3|2|30|1|5|50|1|x|y|z|0\n").repeated(12);

} // namespace

class TestQmctl : public QObject
{
    Q_OBJECT

private slots:
    void backsUpOneUnitAndRestoresItToAnother();
    void exitCodesNameTheirCause_data();
    void exitCodesNameTheirCause();
    void readsChannelLists_data();
    void readsChannelLists();
};

// Both models' sessions are the session's own tests' concern; here the program runs them.
void TestQmctl::backsUpOneUnitAndRestoresItToAnother()
{
    const QString model = QStringLiteral("520a");
    Bench bench;
    test::UnitSimProcess siteA;
    test::UnitSimProcess siteB;
    const QString stateB = bench.path(QStringLiteral("b.txt"));
    QVERIFY(writeFile(stateB, OtherState));
    QVERIFY(bench.startUnit(siteA, 0, {QStringLiteral("--model"), model}));
    QVERIFY(bench.startUnit(siteB, 1,
                            {QStringLiteral("--model"), model, QStringLiteral("--state"), stateB}));

    const QString backup = bench.path(QStringLiteral("a.json"));
    const Outcome read = bench.qmctl(withModel(model, {"read", "--port", "COM1", "-o", backup}));
    QVERIFY2(read.code == 0, read.err.constData());
    QFile file(backup);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray saved = file.readAll();
    const QJsonArray channels =
        QJsonDocument::fromJson(saved).object().value(u"channels").toArray();
    QCOMPARE(channels.at(0).toObject().value(u"Text1").toString(), QStringLiteral("CAM 1"));

    const Outcome write = bench.qmctl(withModel(model, {"write", "--port", bench.link(1), backup}));
    QVERIFY2(write.code == 0, write.err.constData());
    const Outcome diff = bench.qmctl(withModel(model, {"diff", "--port", bench.link(1), backup}));
    QCOMPARE(diff.code, 0);
    QCOMPARE(diff.out, QByteArray());
    const Outcome again = bench.qmctl(withModel(model, {"read", "--port", bench.link(1)}));
    QCOMPARE(again.code, 0);
    QCOMPARE(again.out, saved);
}

void TestQmctl::exitCodesNameTheirCause_data()
{
    QTest::addColumn<QStringList>("arguments"); // {file} stands for a setup file
    QTest::addColumn<QStringList>("unit");      // the emulator's arguments; empty: none runs
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");

    const QStringList unit{QStringLiteral("--model"), QStringLiteral("520a")};
    const QByteArray settings = "7|1|0|2|1|20|2|9|100|0|A||B\r\n";
    QTest::newRow("no model") << QStringList{"read", "--port", "COM1"} << QStringList{}
                              << QByteArray() << 2 << "qmctl: --model must be 410a or 520a";
    QTest::newRow("unknown command")
        << QStringList{"erase", "--model", "520a", "--port", "COM1"} << QStringList{}
        << QByteArray() << 2 << "qmctl: the command must be read, write or diff";
    QTest::newRow("bad list") << QStringList{"write", "--model", "520a",       "--port",
                                             "COM1",  "{file}",  "--channels", "3-1"}
                              << unit << settings.repeated(12) << 2
                              << "qmctl: --channels: \"3-1\" is not a list";
    QTest::newRow("bad file, nothing sent")
        << QStringList{"write", "--model", "520a", "--port", "COM1", "{file}"} << unit
        << settings.repeated(11) + "7|1|0|2|999|20|2|9|100|0|A||B\r\n"
        << 2 << ": line 12, field 5 (DisplayMode): 999 is out of its range 0 to 255";
    QTest::newRow("differences") << QStringList{"diff",   "--model", "520a",
                                                "--port", "COM1",    "{file}"}
                                 << unit << settings.repeated(12) << 1
                                 << "channel 1 Text1: file \"A\", unit \"CAM 1\"\n";
    QTest::newRow("silent unit") << QStringList{"read", "--model", "520a", "--port", "COM1"}
                                 << unit + QStringList{"--channels", "10"} << QByteArray() << 3
                                 << ": no answer from channel(s) 11, 12";
    QTest::newRow("no such port") << QStringList{"read", "--model", "410a", "--port", "COM1"}
                                  << QStringList{} << QByteArray() << 3 << "cannot be opened";
}

void TestQmctl::exitCodesNameTheirCause()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, unit);
    QFETCH(QByteArray, file);
    QFETCH(int, code);
    QFETCH(QString, message);
    Bench bench;
    test::UnitSimProcess sim;
    if (!unit.isEmpty())
        QVERIFY(bench.startUnit(sim, 0, unit));
    const QString setup = bench.path(QStringLiteral("setup.txt"));
    QVERIFY(writeFile(setup, file));
    arguments.replaceInStrings(QStringLiteral("{file}"), setup);

    const Outcome outcome = bench.qmctl(arguments);
    QCOMPARE(outcome.code, code);
    const QByteArray &report = code == 1 ? outcome.out : outcome.err;
    QVERIFY2(report.contains(message.toUtf8()), report.constData());
    if (code == 2 && !unit.isEmpty())
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
