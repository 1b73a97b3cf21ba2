#include "protocol/CommandSender.h"
#include "protocol/SettingsExport.h"
#include "tests/support/RecordingSink.h"
#include "tools/qm-unit-sim/CommandFrameDecoder.h"
#include "tools/qm-unit-sim/StateFile.h"

#include <QTest>

using namespace qm;
using namespace qm::sim;

namespace {

// One line per frame the unit would log, or the bytes it could not take as one.
QStringList decodeAll(const UnitWire &wire, const QByteArray &bytes)
{
    CommandFrameDecoder decoder(wire);
    QList<CommandFrameDecoder::Piece> pieces = decoder.feed(bytes);
    pieces += decoder.flush();
    QStringList lines;
    for (const CommandFrameDecoder::Piece &piece : pieces)
        lines << (piece.frame ? describeFrame(wire, *piece.frame)
                              : QStringLiteral("unparsed ") + piece.bytes.toHex());
    return lines;
}

ChannelSettings sampleRecord()
{
    ChannelSettings record;
    for (std::size_t i = 0; i < FieldCount; ++i)
        record.bytes[i] = static_cast<quint8>(i + 1);
    record[Field::HorizPos] = 250;
    record[Field::VertSize] = 3;
    record[Field::HorizSize] = 7;
    record[Field::HourMode] = 1;
    record[Field::TimeCodeInput] = 0;
    record[Field::Blank] = 1;
    record.texts = {QStringLiteral("M\u00FAsica|1"), QString(), QStringLiteral(" x ")};
    return record;
}

} // namespace

class TestUnitSimParts : public QObject
{
    Q_OBJECT
private slots:
    void decodesEveryFramePanelsSend();
    void payloadEndMarkersDoNotSplitFrames();
    void stateFileReadsTheExportFormatAndRefusesMalformedLines();
};

void TestUnitSimParts::decodesEveryFramePanelsSend()
{
    ChannelTable table;
    table[4][Field::TimeFont] = 1;
    table[0][Field::Blank] = 1;
    test::RecordingSink sink;
    CommandSender sender(qm520a(), table, sink);
    sender.sendData(3);
    sender.sendText(0, 1, u"HELLO");
    sender.sendText(1, 2, u"say \"hi\"\t");
    sender.sendBlank(0);
    sender.sendBlank(1);
    sender.requestSettings(11);
    sender.sendTimeFont(4);
    QCOMPARE(
        decodeAll(qm520aWire(), sink.takeAll()),
        (QStringList{"data ch=3 TextEnables=0 AutoStop=0 LeapSeconds=0 WindowMode=0 DisplayMode=0 "
                     "VertPos=0 VertSize=0 HorizSize=0 HorizPos=0",
                     "text2 ch=0 \"HELLO\"", "text3 ch=1 \"say \\\"hi\\\"\\x09\"", "blank-on ch=0",
                     "blank-off ch=1", "request ch=11", "timefont ch=4 TimeFont=1"}));

    // The QM-410A knows no time font and a longer data frame; garbage up to the next frame is
    // one piece, and a channel above 11 makes no frame.
    CommandSender(qm410a(), table, sink).sendData(2);
    const QByteArray junk = QByteArray(40, 'j') + QByteArray::fromHex("010904fa080cfa");
    QCOMPARE(decodeAll(qm410aWire(), sink.takeAll() + junk + QByteArray::fromHex("0802fa")),
             (QStringList{"data ch=2 TextEnables=0 DateMode=0 TimeCodeInput=0 HourMode=0 "
                          "TimeZone=0 WindowMode=0 DisplayMode=0 VertPos=0 VertSize=0 "
                          "HorizSize=0 HorizPos=0",
                          "unparsed " + junk.toHex(), "request ch=2"}));
}

// 03 07 FA inside a data payload and "\x03\x01\xFA" inside a text look like whole frames.
void TestUnitSimParts::payloadEndMarkersDoNotSplitFrames()
{
    ChannelTable table;
    table[5] = sampleRecord();
    test::RecordingSink sink;
    CommandSender sender(qm520a(), table, sink);
    sender.sendData(5);
    sender.sendText(5, 0, u"\u00FAber");
    sender.sendText(5, 0, QStringLiteral("ab\u0003\u0001\u00FA"));
    const QByteArray stream = sink.takeAll();
    QVERIFY(stream.count('\xFA') > 4);

    CommandFrameDecoder decoder(qm520aWire());
    QList<CommandFrameDecoder::Piece> pieces;
    for (char byte : stream)
        pieces += decoder.feed(QByteArrayView(&byte, 1));
    QVERIFY(!decoder.hasPendingBytes());
    QCOMPARE(pieces.size(), 3);
    QCOMPARE(pieces[0].bytes + pieces[1].bytes + pieces[2].bytes, stream);
    QCOMPARE(describeFrame(qm520aWire(), *pieces[1].frame),
             QStringLiteral("text1 ch=5 \"\u00FAber\""));
}

void TestUnitSimParts::stateFileReadsTheExportFormatAndRefusesMalformedLines()
{
    ChannelTable table;
    table[0] = sampleRecord();
    table[11].texts = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C|D")};
    const QByteArray exported = exportContents(qm520a(), table);
    const StateFile::Result read = StateFile(qm520aWire()).parse(exported);
    QVERIFY2(read.table, qPrintable(read.error));
    for (Field field : qm520aWire().exportFields)
        QCOMPARE((*read.table)[0][field], table[0][field]);
    QCOMPARE((*read.table)[0][Field::TimeFont], 0);
    // A "|" makes surplus fields; they go to the third text, a trailing number to TimeFont.
    QCOMPARE((*read.table)[0].texts, (std::array<QString, 3>{"M\u00FAsica", "1", "| x "}));
    QCOMPARE((*read.table)[11].texts[2], QStringLiteral("C|D"));

    const QByteArray withFont = QByteArray(exported).replace("C|D\r\n", "C|D|1\n");
    QCOMPARE((*StateFile(qm520aWire()).parse(withFont).table)[11][Field::TimeFont], 1);

    const QByteArray good = "0|0|0|0|0|0|0|0|0|0|||\r\n";
    const auto errorFor = [&](const QByteArray &badLine) {
        return StateFile(qm520aWire()).parse(good.repeated(4) + badLine + good.repeated(7)).error;
    };
    QCOMPARE(errorFor("0|0|0\r\n"), "line 5: 3 fields, expected 13 or 14");
    QCOMPARE(errorFor("0|0|0|0|0|0|0|0|256|0|||\r\n"),
             "line 5: field 9 (HorizPos) is 256, more than 255");
    QCOMPARE(errorFor("0|0|0|0|0|0|0|0|-1|0|||\r\n"),
             "line 5: field 9 (HorizPos) is not a number: \"-1\"");
    QCOMPARE(errorFor(good + good), "13 lines, expected 12 (one per channel)");
    QVERIFY(!StateFile(qm410aWire()).parse(good.repeated(12)).table);
}

QTEST_GUILESS_MAIN(TestUnitSimParts)
#include "test_unit_sim_parts.moc"
