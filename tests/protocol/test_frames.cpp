#include "protocol/CommandSender.h"
#include "protocol/DeliveryRecord.h"
#include "protocol/HiddenFrames.h"
#include "tests/support/Files.h"
#include "tests/support/GeneratedSetups.h"
#include "tests/support/RecordingSink.h"

#include <QRandomGenerator>
#include <QTest>

using namespace qm;
using test::hex;

namespace {

QByteArray textFrame(QStringView text, int textIndex = 0, int channel = 0)
{
    ChannelTable table;
    test::RecordingSink sink;
    CommandSender(qm520a(), table, sink).sendText(channel, textIndex, text);
    return sink.takeAll();
}

QByteArray padded(const QByteArray &bytes)
{
    return bytes + QByteArray(30 - bytes.size(), '\x80');
}

} // namespace

class TestFrames : public QObject
{
    Q_OBJECT
private slots:
    void framesOfBothModels();
    void textLinesAreTrimmedCutAndPadded();
    void eachFrameIsOneWriteAndNothingWhileClosed();
    void noFrameSentHoldsAShorterOne_data();
    void noFrameSentHoldsAShorterOne();
    void undeliveredSettingsGoBack_data();
    void undeliveredSettingsGoBack();
};

// Only the model's own fields go into its data frame; the rest of the frames the golden wire
// logs hold.
void TestFrames::framesOfBothModels()
{
    ChannelTable table;
    test::RecordingSink sink;
    table[0][Field::TimeCodeInput] = 1;
    table[0][Field::TimeZone] = 24;
    table[0][Field::VertPos] = 30;
    table[0][Field::AutoStop] = 9; // not a QM-410A field
    CommandSender(qm410a(), table, sink).sendData(0);
    QCOMPARE(sink.takeAll(), hex("00 00 01 00 18 00 00 1E 00 00 00 02 00 FA"));
}

void TestFrames::textLinesAreTrimmedCutAndPadded()
{
    QCOMPARE(textFrame(u""), padded({}) + hex("05 00 FA"));
    QCOMPARE(textFrame(u"  AB  ", 1, 3), padded("AB") + hex("06 03 FA"));
    QCOMPARE(textFrame(u"\tAB", 2, 11), padded("\tAB") + hex("07 0B FA"));

    const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghi");
    const QByteArray first30 = alphabet.first(30).toLatin1();
    QCOMPARE(textFrame(alphabet).first(30), first30);
    QCOMPARE(textFrame(alphabet.first(30)).first(31), first30 + '\x05');
    QCOMPARE(textFrame(alphabet.first(28) + QStringLiteral("     ")).first(30),
             padded(alphabet.first(28).toLatin1()));
    // Spaces are trimmed before cutting, so leading ones never use up the 30 characters.
    QCOMPARE(textFrame(QStringLiteral("   ") + alphabet).first(30), first30);

    // 250 inside the payload is not the end marker; outside the code page is one '?'.
    QCOMPARE(textFrame(u"M\u00FAsica"), padded("M\xFAsica") + hex("05 00 FA"));
    QCOMPARE(textFrame(u"\U0001F600\u4E2D").first(3), QByteArray("??\x80"));
}

void TestFrames::eachFrameIsOneWriteAndNothingWhileClosed()
{
    ChannelTable table;
    test::RecordingSink sink;
    CommandSender sender(qm520a(), table, sink);
    const auto sendEveryKind = [&] {
        sender.sendData(1);
        sender.sendBlank(1);
        sender.sendText(1, 0, u"X");
        sender.sendTimeFont(1);
        sender.requestSettings(1);
    };
    sendEveryKind();
    QCOMPARE(sink.frames.size(), 5);
    sink.frames.clear();
    sink.open = false;
    sendEveryKind();
    QVERIFY(sink.frames.isEmpty());
}

void TestFrames::noFrameSentHoldsAShorterOne_data()
{
    test::addModelRows();
}

// The emulated unit's own decoder is the judge. Every frame sent it takes whole, and the
// sender refuses exactly the frames it would split (and, on a model without the time font,
// those with that command's code before a channel and 0xFA), naming where they split; an
// update of the channel then sends none of its frames.
void TestFrames::noFrameSentHoldsAShorterOne()
{
    QFETCH(QString, model);
    const UnitModel &unit = test::modelNamed(model);
    QRandomGenerator random(250);
    int split = 0;
    for (int run = 0; run < 3000; ++run) {
        const int index = random.bounded(ChannelCount);
        ChannelTable table;
        table[index] = run % 3 == 0 ? test::randomChannel(unit, random)
                                    : test::channelWithFrameEnd(unit, random);
        test::RecordingSink sink;
        CommandSender sender(unit, table, sink);
        int refusals = 0;
        sender.setRefusalHandler([&refusals](const QString &) { ++refusals; });
        sender.sendData(index);
        for (int line = 0; line < TextLineCount; ++line)
            sender.sendText(index, line, table[index].texts[static_cast<std::size_t>(line)]);
        for (const QByteArray &frame : sink.frames)
            QCOMPARE(test::emulatedFrameEnd(unit, frame), frame.size() - 1);
        int expected = 0;
        for (const QByteArray &frame : test::payloadFrames(unit, table[index], index)) {
            const bool holds = test::holdsShorterFrame(unit, frame);
            expected += holds ? 1 : 0;
            QVERIFY2(sink.frames.contains(frame) != holds, frame.toHex(' ').constData());
            const QList<HiddenFrame> hidden = hiddenFrames(unit, frame);
            QCOMPARE(!hidden.isEmpty(), holds);
            const qsizetype unitEnd = test::emulatedFrameEnd(unit, frame);
            const auto known = std::find_if(hidden.begin(), hidden.end(),
                                            [](const HiddenFrame &h) { return h.lengthKnown; });
            if (unitEnd != frame.size() - 1) {
                QVERIFY(known != hidden.end());
                QCOMPARE(known->end, unitEnd);
            }
        }
        QCOMPARE(refusals, expected);
        split += expected;
        sink.frames.clear();
        sender.sendUpdate(index, table[index].texts);
        QCOMPARE(sink.frames.isEmpty(), expected > 0);
    }
    QVERIFY2(split > 300, "the generator plants ends where frames would end");
}

void TestFrames::undeliveredSettingsGoBack_data()
{
    // Steps: "w" written, "d" dropped (each with the frame's hex), "a" channel 3 answered.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("goneBack"); // channel 3's settings back at the unit's
    QTest::addColumn<bool>("sentSinceReply");
    const QString data = "0000000000000000000202fa";
    QTest::newRow("sent") << QStringList{"w " + data} << QStringList{} << true;
    QTest::newRow("data dropped") << QStringList{"w " + data, "d " + data}
                                  << QStringList{"HorizPos"} << true;
    QTest::newRow("blank dropped, then sent")
        << QStringList{"w 0302fa", "d 0302fa", "w 0302fa"} << QStringList{} << true;
    QTest::newRow("the tail of a text frame dropped")
        << QStringList{"d 80800602fa"} << QStringList{"Text2"} << false;
    QTest::newRow("answered since")
        << QStringList{"w 0302fa", "d 0302fa", "a"} << QStringList{} << false;
    QTest::newRow("a request, another channel's frame, no frame")
        << QStringList{"d 0802fa", "d 0303fa", "d 0201"} << QStringList{} << false;
}

// What a frame that never left carried is written down as the unit last reported it.
void TestFrames::undeliveredSettingsGoBack()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, goneBack);
    QFETCH(bool, sentSinceReply);
    ChannelTable panel;
    ChannelTable unit;
    panel[2][Field::HorizPos] = 50;
    unit[2][Field::HorizPos] = 40;
    panel[2][Field::Blank] = 1;
    panel[2].texts[1] = QStringLiteral("new");
    DeliveryRecord record(qm520a());
    for (const QString &step : steps) {
        const QByteArray frame = QByteArray::fromHex(step.mid(2).toLatin1());
        if (step.startsWith(u'w'))
            record.noteWritten(frame);
        else if (step.startsWith(u'd'))
            record.noteDropped({frame});
        else
            record.noteAnswered(2);
    }
    const ChannelSettings written = record.delivered(panel, unit)[2];
    QStringList back;
    if (written[Field::HorizPos] == 40)
        back << "HorizPos";
    if (written[Field::Blank] == 0)
        back << "Blank";
    if (written.texts[1].isEmpty())
        back << "Text2";
    QCOMPARE(back, goneBack);
    QCOMPARE(record.sentSinceReply(2), sentSinceReply);
}

QTEST_GUILESS_MAIN(TestFrames)
#include "test_frames.moc"
