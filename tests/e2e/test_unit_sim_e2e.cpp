#include "link/QtSerialPort.h"
#include "link/UnitFinder.h"
#include "protocol/CommandSender.h"
#include "protocol/ReplyReceiver.h"
#include "tests/support/Deadline.h"
#include "tests/support/Files.h"
#include "tests/support/GeneratedSetups.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/UnitSimProcess.h"
#include "tools/qm-unit-sim/DefaultUnitState.h"
#include "tools/qm-unit-sim/UnitWire.h"

#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <span>

using namespace qm;

namespace {

PortMap onePort(const QString &path)
{
    PortMap map;
    map.setOverride(1, path);
    return map;
}

// A panel's side of the line: the real serial port, the sender and the receiver.
struct PanelSide
{
    PanelSide(const UnitModel &unitModel, const QString &path)
        : port(onePort(path), unitModel.baudRate), sender(unitModel, table, port),
          receiver(unitModel, table)
    {
        port.setPortNumber(1);
        opened = port.open();
        QObject::connect(&port, &SerialPort::readyRead, &receiver,
                         [this] { receiver.feed(port.readAll()); });
        QObject::connect(&receiver, &ReplyReceiver::channelAnswered, &receiver,
                         [this](int index) { answered << index; });
    }

    QtSerialPort port;
    bool opened = false;
    ChannelTable table;
    CommandSender sender;
    ReplyReceiver receiver;
    QList<int> answered;
};

// The unit's own values, typed apart from both programs' tables: a reply that lands in the wrong
// field, or a payload byte read into the wrong one, shows as a wrong value. Multi-bit values
// differ from each other; the one-bit fields take two turns so that each pair differs once.
struct FieldValue
{
    Field field;
    int value;
};

const FieldValue Stored[] = {
    {Field::TextEnables, 5}, {Field::AutoStop, 9},      {Field::LeapSeconds, 10},
    {Field::DateMode, 2},    {Field::TimeCodeInput, 1}, {Field::HourMode, 0},
    {Field::TimeZone, 41},   {Field::WindowMode, 3},    {Field::DisplayMode, 6},
    {Field::VertPos, 47},    {Field::HorizPos, 201},    {Field::VertSize, 1},
    {Field::HorizSize, 13},  {Field::Blank, 0},         {Field::TimeFont, 4},
};
const FieldValue Written[] = {
    {Field::TextEnables, 6}, {Field::AutoStop, 7},      {Field::LeapSeconds, 8},
    {Field::DateMode, 9},    {Field::TimeCodeInput, 1}, {Field::HourMode, 0},
    {Field::TimeZone, 37},   {Field::WindowMode, 4},    {Field::DisplayMode, 5},
    {Field::VertPos, 58},    {Field::HorizPos, 188},    {Field::VertSize, 2},
    {Field::HorizSize, 11},  {Field::Blank, 1},         {Field::TimeFont, 3},
};

// Every byte from 0x81 to 0x9F as Windows-1252 shows it (the five it leaves open as the control
// characters of the same number), and Latin-1 letters around the markers' values.
const QString HighBytesFirst = QStringLiteral(
    u"\u0081\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152\u008D\u017D\u008F");
const QString HighBytesSecond = QStringLiteral(u"\u0090\u2018\u2019\u201C\u201D\u2022\u2013\u2014"
                                               u"\u02DC\u2122\u0161\u203A\u0153\u009D\u017E\u0178");
const QString Latin1 = QStringLiteral(u"\u00A0\u00E9\u00F7\u00F9\u00FA\u00FB\u00FF|");

// Channel 3's line of a state file with the stored values and the three texts above; the
// other channels hold zeros.
QByteArray stateFile(const QString &model)
{
    const QByteArray texts = "|\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8D\x8E\x8F"
                             "|\x90\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9D\x9E\x9F"
                             "|\xA0\xE9\xF7\xF9\xFA\xFB\xFF|";
    const bool qm410 = model == "410a";
    const QByteArray zeros = qm410 ? "0|0|0|0|0|0|0|0|0|0|0|0|||\n" : "0|0|0|0|0|0|0|0|0|0|||\n";
    const QByteArray channel3 = qm410 ? "5|2|1|0|41|3|6|47|201|1|13|0" + texts + "\n"
                                      : "5|9|10|3|6|47|1|13|201|0" + texts + "|4\n";
    return zeros.repeated(3) + channel3 + zeros.repeated(8);
}

// The record as one line, so that a mismatch names its field or text.
QString described(const ChannelSettings &record)
{
    QString text;
    for (std::size_t i = 0; i < FieldCount; ++i)
        text += QStringLiteral("%1=%2 ").arg(fieldName(static_cast<Field>(i))).arg(record.bytes[i]);
    for (const QString &line : record.texts)
        text += QStringLiteral("\"%1\" ").arg(line);
    return text;
}

void setValues(ChannelSettings &record, const UnitModel &model, std::span<const FieldValue> values)
{
    for (const FieldValue &entry : values) {
        if (std::find(model.recordFields.begin(), model.recordFields.end(), entry.field) !=
            model.recordFields.end())
            record[entry.field] = static_cast<quint8>(entry.value);
    }
}

} // namespace

class TestUnitSimE2e : public QObject
{
    Q_OBJECT
private slots:
    void panelReadsWritesAndReadsBack_data();
    void panelReadsWritesAndReadsBack();
    void probedAndFaultyLineStillAnswersInOrder();
    void refusesAnUnfitStateFileAndStopsCleanly_data();
    void refusesAnUnfitStateFileAndStopsCleanly();
    void replacesAStaleLinkAndRemovesIt();
    void finderTellsWhichPortHoldsWhichModel_data();
    void finderTellsWhichPortHoldsWhichModel();
};

void TestUnitSimE2e::panelReadsWritesAndReadsBack_data()
{
    test::addModelRows();
}

// Every field and every character the unit may hold crosses the line in both directions.
void TestUnitSimE2e::panelReadsWritesAndReadsBack()
{
    QFETCH(QString, model);
    const UnitModel &unitModel = test::modelNamed(model);
    QTemporaryDir dir;
    const QString state = dir.filePath("state.txt");
    QVERIFY(test::writeFile(state, stateFile(model)));
    test::UnitSimProcess sim;
    PanelSide panel(unitModel,
                    sim.start(QStringLiteral(QM_UNIT_SIM), {"--model", model, "--state", state}));
    QVERIFY(panel.opened);

    panel.sender.requestSettings(3);
    QTRY_COMPARE_WITH_TIMEOUT(panel.answered, QList<int>{3}, test::DeadlineMs);
    ChannelSettings expected;
    setValues(expected, unitModel, Stored);
    expected.texts = {HighBytesFirst, HighBytesSecond, Latin1};
    QCOMPARE(described(panel.table[3]), described(expected));

    ChannelSettings &record = panel.table[3];
    setValues(record, unitModel, Written);
    const QString shown = QStringLiteral(u"\u0160\u0161 \u017D\u017E \u0152\u0153 \u0178 \u201A");
    panel.sender.sendData(3);
    panel.sender.sendText(3, 0, shown);
    panel.sender.sendText(3, 2, u"  caf\u00E9 | \u00FA  ");
    panel.sender.sendBlank(3);
    panel.sender.sendTimeFont(3);
    panel.sender.requestSettings(3);
    QTRY_COMPARE_WITH_TIMEOUT(panel.answered, (QList<int>{3, 3}), test::DeadlineMs);
    expected = ChannelSettings();
    setValues(expected, unitModel, Written);
    expected.texts = {shown, HighBytesSecond, QStringLiteral(u"caf\u00E9 | \u00FA")};
    QCOMPARE(described(panel.table[3]), described(expected));
    // The unit's log shows the text as it read it, so a character sent as the wrong byte shows
    // even where the panel would read it back as it meant it.
    QCOMPARE(sim.logLines().value(2).section(u'\t', 1),
             QStringLiteral("text1 ch=3 \"%1\"").arg(shown));

    // The one-bit fields the other way round.
    record[Field::TimeCodeInput] = 0;
    record[Field::HourMode] = 1;
    const ChannelSettings flipped = record;
    panel.sender.sendData(3);
    panel.sender.requestSettings(3);
    QTRY_COMPARE_WITH_TIMEOUT(panel.answered, (QList<int>{3, 3, 3}), test::DeadlineMs);
    QCOMPARE(described(panel.table[3]), described(flipped));
}

// Panels probe every port at start-up, and lines split and garble replies; the unit must still
// answer each live channel, in order, so once channel 0 answers again channels 4 to 11 are
// certainly silent. Bytes it cannot make a frame of it logs as one piece.
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
    const QByteArray junk(40, 'j');
    panel.port.write(junk);
    for (int channel = 0; channel < ChannelCount; ++channel)
        panel.sender.requestSettings(channel);
    panel.sender.requestSettings(0);
    QTRY_COMPARE_WITH_TIMEOUT(panel.answered, (QList<int>{0, 1, 2, 3, 0}), test::DeadlineMs);
    const ChannelTable expected = sim::defaultUnitState(sim::qm410aWire());
    for (int channel = 0; channel < 4; ++channel)
        QVERIFY(panel.table[channel] == expected[channel]);
    QVERIFY(sim.isRunning());
    QVERIFY(sim.logLines().contains(QString::fromLatin1(junk.toHex() + "\tunparsed")));
}

void TestUnitSimE2e::refusesAnUnfitStateFileAndStopsCleanly_data()
{
    QTest::addColumn<QByteArray>("contents"); // written to a file in a fresh folder
    QTest::addColumn<QString>("path");        // read instead of that file when given
    QTest::addColumn<QByteArray>("error");
    const QByteArray zeros = "0|0|0|0|0|0|0|0|0|0|||\n";
    QTest::newRow("one line of twelve") << QByteArray("0|0|0|0|0|999|0|0|0|0|||\n") << QString()
                                        << QByteArray("1 lines, expected 12");
    QTest::newRow("a field above a byte")
        << zeros.repeated(4) + "0|0|0|0|0|0|0|0|256|0|||\n" + zeros.repeated(7) << QString()
        << QByteArray("line 5: field 9 (HorizPos) is 256, more than 255");
    QTest::newRow("a number beyond nine digits")
        << zeros.repeated(4) + "0|0|0|0|0|0|0|0|4294967296|0|||\n" + zeros.repeated(7) << QString()
        << QByteArray("line 5: field 9 (HorizPos) is not a number: \"4294967296\"");
    QTest::newRow("a device without end")
        << QByteArray() << "/dev/zero" << QByteArray("/dev/zero: not a regular file");
    QTest::newRow("a folder") << QByteArray() << "/" << QByteArray("/: not a regular file");
    QTest::newRow("far too large")
        << QByteArray(70000, '0') << QString() << QByteArray("larger than 65536 bytes");
}

void TestUnitSimE2e::refusesAnUnfitStateFileAndStopsCleanly()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, path);
    QFETCH(QByteArray, error);
    QTemporaryDir dir;
    if (path.isEmpty()) {
        path = dir.filePath("state.txt");
        QVERIFY(test::writeFile(path, contents));
    }
    test::UnitSimProcess refusing;
    QVERIFY(refusing.start(QStringLiteral(QM_UNIT_SIM), {"--model", "520a", "--state", path})
                .isEmpty());
    QCOMPARE(refusing.stop(), 2);
    QVERIFY(refusing.logLines().isEmpty());
    const QByteArray said = refusing.errorOutput();
    QVERIFY2(said.contains(error), said.constData());
}

void TestUnitSimE2e::replacesAStaleLinkAndRemovesIt()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("unit");
    QVERIFY(QFile::link("/nonexistent", link));
    test::UnitSimProcess sim;
    const QString device =
        sim.start(QStringLiteral(QM_UNIT_SIM), {"--model", "520a", "--link", link});
    QCOMPARE(device, link);
    QVERIFY(QFileInfo::exists(link)); // now leads to a device
    QCOMPARE(sim.stop(), 0);
    QVERIFY(!QFileInfo::exists(link));
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestUnitSimE2e::finderTellsWhichPortHoldsWhichModel_data()
{
    QTest::addColumn<QString>("first"); // the model whose speed is tried first
    QTest::addColumn<QString>("expected");
    // COM2 a QM-410A, COM5 a QM-520A, COM7 a silent line, COM9 held by another program, COM11
    // the caller's own; every other port leads nowhere and is not named.
    const QString found = QStringLiteral("2 answered QM-410A\n5 answered QM-520A\n7 silent\n"
                                         "9 refused, in use\n11 held\n");
    QTest::newRow("QM-410A first") << "410a" << found;
    QTest::newRow("QM-520A first") << "520a" << found;
}

// Each unit answers at its own speed only; a port is asked at the other speed only when the
// first brought no answer, and every port is closed again when the search ends.
void TestUnitSimE2e::finderTellsWhichPortHoldsWhichModel()
{
    QFETCH(QString, first);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    QMap<int, QString> devices;
    for (int port = 1; port <= 16; ++port)
        devices.insert(port, dir.filePath(QStringLiteral("none%1").arg(port)));
    test::UnitSimProcess qm410;
    test::UnitSimProcess qm520;
    devices[2] = qm410.start(QStringLiteral(QM_UNIT_SIM), {"--model", "410a"});
    devices[5] = qm520.start(QStringLiteral(QM_UNIT_SIM), {"--model", "520a"});
    test::PseudoTerminal silent;
    test::PseudoTerminal taken;
    test::PseudoTerminal own;
    devices[7] = silent.devicePath();
    devices[9] = taken.devicePath();
    devices[11] = own.devicePath();
    const PortMap map(devices);
    QtSerialPort holder(map, qm410a().baudRate);
    holder.setPortNumber(9);
    QVERIFY(holder.open());

    QtSerialPort port(map, qm410a().baudRate);
    UnitFinder finder(port, [&](const QString &device) {
        return device == devices[2] ? AdapterInfo{"FTDI", "FT232R", "A9XYZ123"} : AdapterInfo{};
    });
    // A loaded machine may be slow to start reading what was sent.
    finder.setSilence(1500);
    QSignalSpy finished(&finder, &UnitFinder::finished);
    finder.start(test::modelNamed(first), 11);
    QVERIFY(finished.wait(test::DeadlineMs * 2));

    QString found;
    for (const UnitFinder::Finding &finding : finder.findings()) {
        static const char *const Results[] = {"answered", "silent", "refused", "held"};
        found += QStringLiteral("%1 %2")
                     .arg(finding.port)
                     .arg(QLatin1String(Results[static_cast<int>(finding.result)]));
        if (finding.model)
            found += u' ' + finding.model->name;
        if (finding.refusal.cause == SerialPort::RefusalCause::InUse)
            found += QStringLiteral(", in use");
        found += u'\n';
    }
    QCOMPARE(found, expected);
    QCOMPARE(finder.findings().first().answerText(),
             QStringLiteral("COM2 (%1, FTDI FT232R, A9XYZ123): a QM-410A answers").arg(devices[2]));
    const QString request = QStringLiteral("0800fa\trequest ch=0");
    const QString garbled = QStringLiteral("0800fa\tunparsed");
    const QStringList asked{request};
    const QStringList askedAfterGarble{garbled, request};
    QCOMPARE(qm410.logLines(), first == u"410a" ? asked : askedAfterGarble);
    QCOMPARE(qm520.logLines(), first == u"520a" ? asked : askedAfterGarble);
    QCOMPARE(silent.takeAvailable(), QByteArray::fromHex("0800fa0800fa"));
    QCOMPARE(own.takeAvailable(), QByteArray());
    QCOMPARE(taken.takeAvailable(), QByteArray());
    QVERIFY(!port.isOpen());
}

QTEST_GUILESS_MAIN(TestUnitSimE2e)
#include "test_unit_sim_e2e.moc"
