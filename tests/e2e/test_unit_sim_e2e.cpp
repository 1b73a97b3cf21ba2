#include "link/QtSerialPort.h"
#include "protocol/CommandSender.h"
#include "protocol/ReplyReceiver.h"
#include "tests/support/Deadline.h"
#include "tests/support/Files.h"
#include "tests/support/GeneratedSetups.h"
#include "tests/support/UnitSimProcess.h"
#include "tools/qm-unit-sim/DefaultUnitState.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace qm;

namespace {

// A panel's side of the line: the real serial port, the sender and the receiver.
struct PanelSide
{
    PanelSide(const UnitModel &unitModel, const QString &path)
        : port(PortMap({{1, path}}), unitModel.baudRate), sender(unitModel, table, port),
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

} // namespace

class TestUnitSimE2e : public QObject
{
    Q_OBJECT
private slots:
    void panelReadsTheUnitAndWritesText_data();
    void panelReadsTheUnitAndWritesText();
    void probedAndFaultyLineStillAnswersInOrder();
    void refusesAnUnfitStateFileAndStopsCleanly_data();
    void refusesAnUnfitStateFileAndStopsCleanly();
    void replacesAStaleLinkAndRemovesIt();
};

// What channel 3 of the state file holds, in Field's order, typed apart from both programs'
// tables: a reply that lands in the wrong field, or a payload byte read into the wrong one, shows
// as a wrong value.
void TestUnitSimE2e::panelReadsTheUnitAndWritesText_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QList<int>>("fields");
    QTest::newRow("410a") << "410a" << QList<int>{5, 0, 0, 2, 1, 0, 41, 3, 6, 47, 201, 1, 13, 0, 0};
    QTest::newRow("520a") << "520a" << QList<int>{5, 9, 10, 0, 0, 0, 0, 3, 6, 47, 201, 1, 13, 0, 4};
}

// Every field and every character the unit may hold reaches the panel, and text the panel sends
// reaches the unit as typed.
void TestUnitSimE2e::panelReadsTheUnitAndWritesText()
{
    QFETCH(QString, model);
    QFETCH(QList<int>, fields);
    QTemporaryDir dir;
    const QString state = dir.filePath("state.txt");
    QVERIFY(test::writeFile(state, stateFile(model)));
    test::UnitSimProcess sim;
    PanelSide panel(test::modelNamed(model),
                    sim.start(QStringLiteral(QM_UNIT_SIM), {"--model", model, "--state", state}));
    QVERIFY(panel.opened);

    panel.sender.requestSettings(3);
    QTRY_COMPARE_WITH_TIMEOUT(panel.answered, QList<int>{3}, test::DeadlineMs);
    ChannelSettings expected;
    std::copy(fields.cbegin(), fields.cend(), expected.bytes.begin());
    expected.texts = {HighBytesFirst, HighBytesSecond, Latin1};
    QCOMPARE(described(panel.table[3]), described(expected));

    // The unit's log shows the text as it read it, so a character sent as the wrong byte shows
    // even where the panel would read it back as it meant it.
    const QString shown = QStringLiteral(u"\u0160\u0161 \u017D\u017E \u0152\u0153 \u0178 \u201A");
    panel.sender.sendText(3, 0, shown);
    panel.sender.sendText(3, 2, u"  caf\u00E9 | \u00FA  ");
    QTRY_COMPARE_WITH_TIMEOUT(sim.logLines().size(), 3, test::DeadlineMs);
    QCOMPARE(sim.logLines().mid(1).replaceInStrings(QRegularExpression("^\\w+\t"), {}),
             (QStringList{QStringLiteral("text1 ch=3 \"%1\"").arg(shown),
                          QStringLiteral(u"text3 ch=3 \"caf\u00E9 | \u00FA\"")}));
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
    // A request for channel 12, one past the last, is no frame either.
    const QByteArray junk = QByteArray(40, 'j') + "\x08\x0c\xfa";
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

QTEST_GUILESS_MAIN(TestUnitSimE2e)
#include "test_unit_sim_e2e.moc"
