#include "CommandSender.h"
#include "Deadline.h"
#include "DefaultUnitState.h"
#include "ReplyReceiver.h"
#include "SerialPortSink.h"
#include "UnitSimProcess.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;

namespace {

// A panel's side of the line: the real serial port, the sender and the receiver.
struct PanelSide
{
    PanelSide(const UnitModel &unitModel, const QString &path)
        : port(path), sink(port), sender(unitModel, table, sink), receiver(unitModel, table, state)
    {
        port.setBaudRate(unitModel.baudRate); // 8N1 without flow control by default
        opened = port.open(QIODevice::ReadWrite);
        QObject::connect(&port, &QSerialPort::readyRead, &receiver,
                         [this] { receiver.readFrom(port); });
        QObject::connect(&receiver, &ReplyReceiver::channelAnswered, &receiver,
                         [this](int index) { answered << index; });
    }

    QSerialPort port;
    bool opened = false;
    SerialPortSink sink;
    ChannelTable table;
    SharedState state;
    CommandSender sender;
    ReplyReceiver receiver;
    QList<int> answered;
};

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
    test::UnitSimProcess sim;
    PanelSide panel(unitModel, sim.start(QStringLiteral(QM_UNIT_SIM), {"--model", model}));
    QVERIFY(panel.opened);

    panel.sender.requestSettings(3);
    QTRY_COMPARE_WITH_TIMEOUT(panel.answered, QList<int>{3}, test::DeadlineMs);
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
    QTRY_COMPARE_WITH_TIMEOUT(panel.answered, (QList<int>{3, 3}), test::DeadlineMs);
    for (Field field : unitModel.recordFields)
        QCOMPARE(panel.table[3][field], sent[field]);
    QCOMPARE(panel.table[3].texts[2], QStringLiteral("caf\u00E9 | \u00FA"));

    // One log line per frame heard: the bytes, then what they meant (pinned in the parts' test).
    const QStringList log = sim.logLines();
    QCOMPARE(log.size(), unitModel.hasTimeFont ? 6 : 5);
    QCOMPARE(log[0], QStringLiteral("0803fa\trequest ch=3"));
}

// Panels probe every port at start-up, and lines split and garble replies; the unit must still
// answer each live channel, in order, so once channel 0 answers again channels 4 to 11 are
// certainly silent.
void TestUnitSimE2e::probedAndFaultyLineStillAnswersInOrder()
{
    test::UnitSimProcess sim;
    const QString device =
        sim.start(QStringLiteral(QM_UNIT_SIM),
                  {"--model", "410a", "--channels", "4", "--split", "--noise", "--bad-frames"});
    QVERIFY(!device.isEmpty());
    for (int i = 0; i < 40; ++i) {
        PanelSide probe(qm410a(), device);
        QVERIFY(probe.opened);
        if (i == 0)
            probe.sender.requestSettings(0);
    }

    PanelSide panel(qm410a(), device);
    QVERIFY(panel.opened);
    for (int channel = 0; channel < ChannelCount; ++channel)
        panel.sender.requestSettings(channel);
    panel.sender.requestSettings(0);
    QTRY_COMPARE_WITH_TIMEOUT(panel.answered, (QList<int>{0, 1, 2, 3, 0}), test::DeadlineMs);
    const ChannelTable expected = sim::defaultUnitState(qm410a());
    for (int channel = 0; channel < 4; ++channel)
        QVERIFY(panel.table[channel] == expected[channel]);
    QCOMPARE(panel.state.channelsFound, 1);
    QVERIFY(sim.isRunning());
}

void TestUnitSimE2e::refusesAMalformedStateFileAndStopsCleanly()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("state.txt");
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("0|0|0|0|0|999|0|0|0|0|||\n");
    file.close();
    test::UnitSimProcess refusing;
    QVERIFY(refusing.start(QStringLiteral(QM_UNIT_SIM), {"--model", "520a", "--state", path})
                .isEmpty());
    QCOMPARE(refusing.stop(), 2);
    QVERIFY(refusing.logLines().isEmpty());
    QVERIFY(refusing.errorOutput().contains("1 lines, expected 12"));

    // A stale link is replaced, and removed again at the end.
    const QString link = dir.filePath("unit");
    QVERIFY(QFile::link("/nonexistent", link));
    test::UnitSimProcess sim;
    const QString device =
        sim.start(QStringLiteral(QM_UNIT_SIM), {"--model", "520a", "--link", link});
    QVERIFY(!device.isEmpty());
    QCOMPARE(QFileInfo(link).symLinkTarget(), device);
    QCOMPARE(sim.stop(), 0);
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(TestUnitSimE2e)
#include "test_unit_sim_e2e.moc"
