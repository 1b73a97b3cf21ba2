#include "CommandSender.h"
#include "DefaultUnitState.h"
#include "ReplyReceiver.h"
#include "SerialPortSink.h"

#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace qm;

namespace {

// qm-unit-sim running as its own process, as scripts and panels meet it.
class SimProcess
{
public:
    explicit SimProcess(const QStringList &arguments)
    {
        m_process.setProgram(QStringLiteral(QM_UNIT_SIM));
        m_process.setArguments(arguments);
        m_process.start();
    }
    ~SimProcess()
    {
        m_process.terminate();
        m_process.waitForFinished(5000);
    }
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Everything printed so far, line by line; the first line is the device.
    QStringList lines()
    {
        m_output += m_process.readAllStandardOutput();
        return QString::fromUtf8(m_output).split(u'\n', Qt::SkipEmptyParts);
    }
    bool started()
    {
        return QTest::qWaitFor([this] { return !lines().isEmpty(); }, 5000);
    }
    QString devicePath() { return lines().value(0); }
    QProcess &process() { return m_process; }

private:
    QProcess m_process;
    QByteArray m_output;
};

std::unique_ptr<QSerialPort> openPort(const QString &path, const UnitModel &model)
{
    auto port = std::make_unique<QSerialPort>(path);
    port->setBaudRate(model.baudRate);
    port->setDataBits(QSerialPort::Data8);
    port->setParity(QSerialPort::NoParity);
    port->setStopBits(QSerialPort::OneStop);
    port->setFlowControl(QSerialPort::NoFlowControl);
    if (!port->open(QIODevice::ReadWrite))
        return nullptr;
    return port;
}

// A panel's side of the line: the real serial port, the sender and the receiver.
struct PanelSide
{
    PanelSide(const UnitModel &unitModel, const QString &path)
        : model(unitModel), port(openPort(path, unitModel)), sink(*port),
          sender(unitModel, table, sink), receiver(unitModel, table, state)
    {
        QObject::connect(port.get(), &QSerialPort::readyRead, &receiver,
                         [this] { receiver.readFrom(*port); });
        QObject::connect(&receiver, &ReplyReceiver::channelAnswered, &receiver,
                         [this](int index) { answered << index; });
    }

    const UnitModel &model;
    std::unique_ptr<QSerialPort> port;
    SerialPortSink sink;
    ChannelTable table;
    SharedState state;
    CommandSender sender;
    ReplyReceiver receiver;
    QList<int> answered;
};

constexpr int ReplyWaitMs = 5000;

} // namespace

class TestUnitSimE2e : public QObject
{
    Q_OBJECT
private slots:
    void panelReadsWritesAndReadsBack_data();
    void panelReadsWritesAndReadsBack();
    void keepsServingWhilePortsOpenAndClose();
    void faultyLineStillDeliversEveryReply();
    void refusesAMalformedStateFile();
    void stopsCleanlyAndRemovesItsLink();
};

void TestUnitSimE2e::panelReadsWritesAndReadsBack_data()
{
    QTest::addColumn<QString>("model");
    QTest::newRow("QM-410A") << "410a";
    QTest::newRow("QM-520A") << "520a";
}

void TestUnitSimE2e::panelReadsWritesAndReadsBack()
{
    QFETCH(QString, model);
    const UnitModel &unitModel = unitModelByName(model)->get();
    SimProcess sim({QStringLiteral("--model"), model});
    QVERIFY(sim.started());
    PanelSide panel(unitModel, sim.devicePath());
    QVERIFY(panel.port);

    panel.sender.requestSettings(3);
    QTRY_COMPARE_WITH_TIMEOUT(panel.answered, QList<int>{3}, ReplyWaitMs);
    QVERIFY(panel.table[3] == sim::defaultUnitState(unitModel)[3]);

    ChannelSettings &record = panel.table[3];
    record[Field::TextEnables] = 7;
    record[Field::VertPos] = 58;
    record[Field::HorizPos] = 188;
    record[Field::HorizSize] = 15;
    record[Field::Blank] = 1;
    record[Field::TimeFont] = 1;
    panel.sender.sendData(3);
    panel.sender.sendText(3, 2, u"  caf\u00E9 | \u00FA  ");
    panel.sender.sendBlank(3);
    panel.sender.sendTimeFont(3);
    const ChannelSettings sent = record;
    panel.sender.requestSettings(3);
    QTRY_COMPARE_WITH_TIMEOUT(panel.answered, (QList<int>{3, 3}), ReplyWaitMs);
    for (Field field : unitModel.recordFields)
        QCOMPARE(panel.table[3][field], sent[field]);
    QCOMPARE(panel.table[3].texts[2], QStringLiteral("caf\u00E9 | \u00FA"));

    const QStringList log = sim.lines();
    QCOMPARE(log.size(), unitModel.hasTimeFont ? 7 : 6);
    QCOMPARE(log[1], QStringLiteral("0803fa\trequest ch=3"));
    QVERIFY2(log[2].contains(QStringLiteral("\tdata ch=3 TextEnables=7 ")), qPrintable(log[2]));
    QVERIFY(log[2].endsWith(QStringLiteral("HorizSize=15 HorizPos=188")));
    QVERIFY(log[3].endsWith(QStringLiteral("\ttext3 ch=3 \"caf\u00E9 | \u00FA\"")));
    QVERIFY(log[3].startsWith(QStringLiteral("636166e9207c20fa8080")));
    QVERIFY(log[4].endsWith(QStringLiteral("\tblank-on ch=3")));
}

// Panels probe every port at start-up; the unit must still answer afterwards.
void TestUnitSimE2e::keepsServingWhilePortsOpenAndClose()
{
    SimProcess sim({QStringLiteral("--model"), QStringLiteral("410a"), QStringLiteral("--channels"),
                    QStringLiteral("4")});
    QVERIFY(sim.started());
    for (int i = 0; i < 40; ++i) {
        const auto probe = openPort(sim.devicePath(), qm410a());
        QVERIFY(probe);
    }
    {
        PanelSide leaving(qm410a(), sim.devicePath());
        leaving.sender.requestSettings(0);
    }
    PanelSide panel(qm410a(), sim.devicePath());
    QVERIFY(panel.port);
    // Replies leave in order, so once channel 1 has answered a silent channel 5 is certain.
    panel.sender.requestSettings(5);
    panel.sender.requestSettings(1);
    QTRY_VERIFY_WITH_TIMEOUT(panel.answered.contains(1), ReplyWaitMs);
    QCOMPARE(panel.answered.last(), 1);
    QVERIFY(!panel.answered.contains(5));
    QCOMPARE(sim.process().state(), QProcess::Running);
}

void TestUnitSimE2e::faultyLineStillDeliversEveryReply()
{
    SimProcess sim({QStringLiteral("--model"), QStringLiteral("410a"), QStringLiteral("--split"),
                    QStringLiteral("--noise"), QStringLiteral("--bad-frames")});
    QVERIFY(sim.started());
    PanelSide panel(qm410a(), sim.devicePath());
    QVERIFY(panel.port);
    QList<int> all;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        panel.sender.requestSettings(channel);
        all << channel;
    }
    QTRY_COMPARE_WITH_TIMEOUT(panel.answered, all, 3 * ReplyWaitMs);
    const ChannelTable expected = sim::defaultUnitState(qm410a());
    for (int channel = 0; channel < ChannelCount; ++channel)
        QVERIFY(panel.table[channel] == expected[channel]);
    QCOMPARE(panel.state.channelsFound, 12);
}

void TestUnitSimE2e::refusesAMalformedStateFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("state.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray good = "0|0|0|0|0|0|0|0|0|0|||\n";
    file.write(good.repeated(6) + "0|0|0|0|0|999|0|0|0|0|||\n" + good.repeated(5));
    file.close();

    QProcess sim;
    sim.start(QStringLiteral(QM_UNIT_SIM),
              {QStringLiteral("--model"), QStringLiteral("520a"), QStringLiteral("--state"), path});
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitCode(), 2);
    QVERIFY(sim.readAllStandardOutput().isEmpty());
    QVERIFY(sim.readAllStandardError().contains("line 7: field 6 (VertPos) is 999"));
}

void TestUnitSimE2e::stopsCleanlyAndRemovesItsLink()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("unit"));
    QVERIFY(QFile::link(QStringLiteral("/nonexistent"), link));
    SimProcess sim(
        {QStringLiteral("--model"), QStringLiteral("520a"), QStringLiteral("--link"), link});
    QVERIFY(sim.started());
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.devicePath());

    QSignalSpy finished(&sim.process(), &QProcess::finished);
    sim.process().terminate();
    QVERIFY(finished.wait(5000));
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(TestUnitSimE2e)
#include "test_unit_sim_e2e.moc"
