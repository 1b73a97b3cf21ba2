#include "RecordingSink.h"
#include "UpdateMultiple.h"

#include <QTest>

#include <limits>

using namespace qm;

namespace {

using Sent = std::pair<int, int>; // command, channel

QList<Sent> sent(const test::RecordingSink &sink)
{
    QList<Sent> result;
    for (const QByteArray &frame : sink.frames)
        result.append({quint8(frame.at(frame.size() - 3)), quint8(frame.at(frame.size() - 2))});
    return result;
}

struct Run
{
    const UnitModel &model;
    ChannelTable table;
    test::RecordingSink sink;
    CommandSender sender{model, table, sink};

    // Every byte field of every record differs between channels, so any copy shows.
    explicit Run(const UnitModel &m) : model(m)
    {
        for (int index = 0; index < ChannelCount; ++index) {
            for (std::size_t f = 0; f < FieldCount; ++f)
                table[index].bytes[f] = quint8(10 * index + f + 1);
            for (int line = 0; line < TextLineCount; ++line)
                table[index].texts[std::size_t(line)] =
                    QStringLiteral("ch%1 line%2").arg(index).arg(line);
        }
    }
    void operator()(int current, double channels, double settings)
    {
        updateMultiple(
            model, table, current, channels, settings, sender,
            [this, current](int line) { return table[current].texts[std::size_t(line)]; });
    }
};

} // namespace

class TestUpdateMultiple : public QObject
{
    Q_OBJECT
private slots:
    void everyGroupIsCopiedAndSentInBitOrder_data();
    void everyGroupIsCopiedAndSentInBitOrder();
    void defaultGroupsLeavePositionAndTimeFont();
    void emptyOrUnreadableChoicesSendOnlyWhatIsChosen();
    void textsTravelAsShownButAreCopiedAsHeld();
};

void TestUpdateMultiple::everyGroupIsCopiedAndSentInBitOrder_data()
{
    QTest::addColumn<bool>("is520a");
    QTest::addColumn<QList<int>>("commands");
    QTest::newRow("QM-410A") << false << QList<int>{4, 5, 6, 7, 2};
    QTest::newRow("QM-520A") << true << QList<int>{4, 5, 6, 7, 9, 2};
}

void TestUpdateMultiple::everyGroupIsCopiedAndSentInBitOrder()
{
    QFETCH(bool, is520a);
    QFETCH(QList<int>, commands);
    Run run(is520a ? qm520a() : qm410a());
    const ChannelTable before = run.table;
    run(2, 4095, 4095);

    QList<Sent> expected;
    for (int index = 0; index < ChannelCount; ++index) {
        for (int command : commands)
            expected.append({command, index});
    }
    QCOMPARE(sent(run.sink), expected);

    const ChannelSettings &source = before[2];
    for (int index = 0; index < ChannelCount; ++index) {
        const ChannelSettings &target = run.table[index];
        for (Field field : run.model.recordFields) {
            const quint8 want = field == Field::DateMode ? before[index][field] : source[field];
            QCOMPARE(target[field], want);
        }
        QCOMPARE(target.texts, source.texts);
    }
    // The data frame is built after the copy: it carries the copied bytes.
    test::RecordingSink expectedSink;
    CommandSender(run.model, run.table, expectedSink).sendData(11);
    QCOMPARE(run.sink.frames.last(), expectedSink.frames.first());

    // With the port closed nothing is written, but the records change all the same.
    Run closed(run.model);
    closed.sink.open = false;
    closed(2, 4095, 4095);
    QVERIFY(closed.sink.frames.isEmpty());
    for (int index = 0; index < ChannelCount; ++index)
        QCOMPARE(closed.table[index], run.table[index]);
}

void TestUpdateMultiple::defaultGroupsLeavePositionAndTimeFont()
{
    Run run(qm520a());
    const ChannelTable before = run.table;
    run(0, 2 + 8, 2046);

    QCOMPARE(sent(run.sink),
             (QList<Sent>{
                 {4, 1}, {5, 1}, {6, 1}, {7, 1}, {2, 1}, {4, 3}, {5, 3}, {6, 3}, {7, 3}, {2, 3}}));
    for (int index : {1, 3}) {
        const ChannelSettings &target = run.table[index];
        for (Field kept : {Field::VertPos, Field::HorizPos, Field::TimeFont})
            QCOMPARE(target[kept], before[index][kept]);
        for (Field copied : {Field::HorizSize, Field::Blank, Field::AutoStop, Field::TextEnables})
            QCOMPARE(target[copied], before[0][copied]);
    }
    QCOMPARE(run.table[2], before[2]);
}

void TestUpdateMultiple::emptyOrUnreadableChoicesSendOnlyWhatIsChosen()
{
    Run run(qm410a());
    const ChannelTable before = run.table;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double channels : {0.0, nan, inf, -inf, 5e9, -5e9, 0.5})
        run(0, channels, 4095);
    QVERIFY(run.sink.frames.isEmpty());

    run(12, 4095, 4095);
    QVERIFY(run.sink.frames.isEmpty());

    run(0, 18, 0);
    run(0, 18, nan);
    // Masks round to the nearest whole number, halves to even: 2.5 is channel index 1 only.
    run(0, 2.5, 0);
    run(0, 3.5, 0);
    QCOMPARE(sent(run.sink), (QList<Sent>{{2, 1}, {2, 4}, {2, 1}, {2, 4}, {2, 1}, {2, 2}}));
    QCOMPARE(run.table[1], before[1]);
    QCOMPARE(run.table[4], before[4]);

    // The shown channel chosen as a target with "Position" keeps its own values.
    run.sink.frames.clear();
    run(3, (1 << 1) | (1 << 3) | (1 << 5), 1);

    QCOMPARE(sent(run.sink), (QList<Sent>{{2, 1}, {2, 3}, {2, 5}}));
    QCOMPARE(run.table[3], before[3]);
    QCOMPARE(run.table[5][Field::VertPos], before[3][Field::VertPos]);
    QCOMPARE(run.table[5][Field::HorizPos], before[3][Field::HorizPos]);
    QCOMPARE(run.table[5][Field::VertSize], before[5][Field::VertSize]);
}

void TestUpdateMultiple::textsTravelAsShownButAreCopiedAsHeld()
{
    Run run(qm520a());
    run.table[0].texts[1] = QStringLiteral("  Studio  ");
    updateMultiple(run.model, run.table, 0, 4, 256, run.sender,
                   [](int line) { return QStringLiteral("  shown %1  ").arg(line); });

    QCOMPARE(run.table[2].texts[1], QStringLiteral("  Studio  "));
    QCOMPARE(run.sink.frames.size(), 2);
    const QByteArray text = run.sink.frames.at(0);
    QCOMPARE(text.left(9), QByteArray("shown 1\x80\x80"));
    QCOMPARE(text.right(3), QByteArray::fromHex("0602fa"));

    run.sink.frames.clear();
    updateMultiple(run.model, run.table, 0, 4, 256, run.sender, {});
    QCOMPARE(run.sink.frames.at(0).left(8), QByteArray("Studio\x80\x80"));
}

QTEST_GUILESS_MAIN(TestUpdateMultiple)
#include "test_update_multiple.moc"
