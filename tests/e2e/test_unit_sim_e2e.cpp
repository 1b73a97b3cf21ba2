#include "CommandSender.h"
#include "DefaultUnitState.h"
#include "ReplyReceiver.h"
#include "SerialPortSink.h"

#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace qm;

namespace {

// qm-unit-sim running as its own process, as scripts and panels meet it.
class SimProcess : public QProcess
{
public:
    explicit SimProcess(const QStringList &arguments)
    {
        start(QStringLiteral(QM_UNIT_SIM), arguments);
    }
    ~SimProcess() override
    {
        terminate();
        waitForFinished(5000);
    }
    // Everything printed so far; the first line is the device, then one line per frame heard.
    QStringList lines()
    {
        m_output += readAllStandardOutput();
        return QString::fromUtf8(m_output).split(u'\n', Qt::SkipEmptyParts);
    }
    bool started()
    {
        return QTest::qWaitFor([this] { return !lines().isEmpty(); }, 5000);
    }
    QString devicePath() { return lines().value(0); }

private:
    QByteArray m_output;
};

std::unique_ptr<QSerialPort> openPort(const QString &path, const UnitModel &model)
{
    auto port = std::make_unique<QSerialPort>(path); // 8N1 without flow control by default
    port->setBaudRate(model.baudRate);
    if (!port->open(QIODevice::ReadWrite))
        return nullptr;
    return port;
}

// A panel's side of the line: the real serial port, the sender and the receiver.
struct PanelSide
{
    PanelSide(const UnitModel &unitModel, const QString &path)
        : port(openPort(path, unitModel)), sink(*port), sender(unitModel, table, sink),
          receiver(unitModel, table, state)
    {
        QObject::connect(port.get(), &QSerialPort::readyRead, &receiver,
                         [this] { receiver.readFrom(*port); });
        QObject::connect(&receiver, &ReplyReceiver::channelAnswered, &receiver,
                         [this](int index) { answered << index; });
    }

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
    void probedAndFaultyLineStillAnswersInOrder();
    void refusesAMalformedStateFileAndStopsCleanly();
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
    SimProcess sim({"--model", model});
    QVERIFY(sim.started());
    PanelSide panel(unitModel, sim.devicePath());
    QVERIFY(panel.port);

    panel.sender.requestSettings(3);
    QTRY_COMPARE_WITH_TIMEOUT(panel.answered, QList<int>{3}, ReplyWaitMs);
    QVERIFY(panel.table[3] == sim::defaultUnitState(unitModel)[3]);

    ChannelSettings &record = panel.table[3];
    for (auto [field, value] : {std::pair{Field::TextEnables, 7},
                                {Field::VertPos, 58},
                                {Field::HorizPos, 188},
                                {Field::HorizSize, 15},
                                {Field::Blank, 1},
                                {Field::TimeFont, 1}})
        record[field] = value;
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

// Panels probe every port at start-up, and lines split and garble replies; the unit must still
// answer each live channel, in order, so once channel 0 answers again channels 4 to 11 are
// certainly silent.
void TestUnitSimE2e::probedAndFaultyLineStillAnswersInOrder()
{
    SimProcess sim({"--model", "410a", "--channels", "4", "--split", "--noise", "--bad-frames"});
    QVERIFY(sim.started());
    for (int i = 0; i < 40; ++i)
        QVERIFY(openPort(sim.devicePath(), qm410a()));
    PanelSide(qm410a(), sim.devicePath()).sender.requestSettings(0);

    PanelSide panel(qm410a(), sim.devicePath());
    QVERIFY(panel.port);
    for (int channel = 0; channel < ChannelCount; ++channel)
        panel.sender.requestSettings(channel);
    panel.sender.requestSettings(0);
    QTRY_COMPARE_WITH_TIMEOUT(panel.answered, (QList<int>{0, 1, 2, 3, 0}), 3 * ReplyWaitMs);
    const ChannelTable expected = sim::defaultUnitState(qm410a());
    for (int channel = 0; channel < 4; ++channel)
        QVERIFY(panel.table[channel] == expected[channel]);
    QCOMPARE(panel.state.channelsFound, 1);
    QCOMPARE(sim.state(), QProcess::Running);
}

void TestUnitSimE2e::refusesAMalformedStateFileAndStopsCleanly()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("state.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QByteArray good = "0|0|0|0|0|0|0|0|0|0|||\n";
    file.write(good.repeated(6) + "0|0|0|0|0|999|0|0|0|0|||\n" + good.repeated(5));
    file.close();
    SimProcess refusing({"--model", "520a", "--state", path});
    QVERIFY(refusing.waitForFinished(5000));
    QCOMPARE(refusing.exitCode(), 2);
    QVERIFY(refusing.readAllStandardOutput().isEmpty());
    QVERIFY(refusing.readAllStandardError().contains("line 7: field 6 (VertPos) is 999"));

    // A stale link is replaced, and removed again at the end.
    const QString link = dir.filePath("unit");
    QVERIFY(QFile::link("/nonexistent", link));
    SimProcess sim({"--model", "520a", "--link", link});
    QVERIFY(sim.started());
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.devicePath());
    sim.terminate();
    QVERIFY(sim.waitForFinished(5000));
    QCOMPARE(sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(TestUnitSimE2e)
#include "test_unit_sim_e2e.moc"
