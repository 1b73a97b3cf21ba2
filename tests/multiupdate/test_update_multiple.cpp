#include "multiupdate/MultiUpdateRun.h"
#include "multiupdate/SelectionMask.h"
#include "tests/support/RecordingSink.h"

#include <QTest>

#include <limits>

using namespace qm;

namespace {

// Command times 100 plus channel of every frame: 205 is a data frame to channel index 5.
QList<int> sent(const test::RecordingSink &sink)
{
    QList<int> result;
    for (const QByteArray &frame : sink.frames)
        result.append(quint8(frame.at(frame.size() - 3)) * 100 +
                      quint8(frame.at(frame.size() - 2)));
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
    // The masks as the preferences hold them: numbers of any size.
    void operator()(int current, double channels, double settings)
    {
        updateMultiple(
            model, table, current, selectionBits(channels), selectionBits(settings), sender,
            [this, current](int line) { return table[current].texts[std::size_t(line)]; });
    }
};

} // namespace

class TestUpdateMultiple : public QObject
{
    Q_OBJECT
private slots:
    void eachGroupCopiesItsFieldsAndSendsItsFrame_data();
    void eachGroupCopiesItsFieldsAndSendsItsFrame();
    void choicesPickChannelsAndGroupsInBitOrder();
    void aFrameThatHoldsAShorterOneStopsTheWholeRun();
};

void TestUpdateMultiple::eachGroupCopiesItsFieldsAndSendsItsFrame_data()
{
    QTest::addColumn<bool>("is520a");
    QTest::addColumn<int>("bit");
    QTest::addColumn<QList<int>>("fields");
    QTest::addColumn<int>("textLine");     // -1: none
    QTest::addColumn<int>("extraCommand"); // 0: none
    const auto row = [](bool is520a, int bit, const char *item, std::initializer_list<Field> fields,
                        int textLine = -1, int extraCommand = 0) {
        QList<int> fieldNumbers;
        for (Field field : fields)
            fieldNumbers << int(field);
        QTest::addRow("%s bit %d %s", is520a ? "QM-520A" : "QM-410A", bit, item)
            << is520a << bit << fieldNumbers << textLine << extraCommand;
    };
    for (bool is520a : {false, true}) {
        row(is520a, 0, "Position", {Field::VertPos, Field::HorizPos});
        row(is520a, 1, "Size", {Field::VertSize, Field::HorizSize});
        row(is520a, 2, "Blank", {Field::Blank}, -1, 3);
    }
    row(false, 3, "Time Code Input", {Field::TimeCodeInput});
    row(false, 4, "Hour Mode", {Field::HourMode});
    row(false, 5, "Display Mode", {Field::DisplayMode});
    row(false, 6, "Timezone", {Field::TimeZone});
    row(false, 7, "Mask Mode", {Field::WindowMode});
    row(false, 8, "Text 1", {}, 0, 5);
    row(false, 9, "Text 2", {}, 1, 6);
    row(false, 10, "Text 3", {}, 2, 7);
    row(false, 11, "Text Enables", {Field::TextEnables});
    row(true, 3, "Milliseconds", {Field::DisplayMode});
    row(true, 4, "Mask Mode", {Field::WindowMode});
    row(true, 5, "Autostop", {Field::AutoStop});
    row(true, 6, "Leap Seconds", {Field::LeapSeconds});
    row(true, 7, "Text 1", {}, 0, 5);
    row(true, 8, "Text 2", {}, 1, 6);
    row(true, 9, "Text 3", {}, 2, 7);
    row(true, 10, "Text Enables", {Field::TextEnables});
    row(true, 11, "Time Font Style", {Field::TimeFont}, -1, 9);
}

// Channel 3 shows, channel 6 is the one target: it takes exactly the group's fields and gets
// the group's own frame, if any, before its data frame.
void TestUpdateMultiple::eachGroupCopiesItsFieldsAndSendsItsFrame()
{
    QFETCH(bool, is520a);
    QFETCH(int, bit);
    QFETCH(QList<int>, fields);
    QFETCH(int, textLine);
    QFETCH(int, extraCommand);
    Run run(is520a ? qm520a() : qm410a());
    run.table[2][Field::Blank] = 1;
    const ChannelTable before = run.table;
    run(2, 1 << 5, 1 << bit);

    QCOMPARE(sent(run.sink), extraCommand ? QList<int>({extraCommand * 100 + 5, 205}) : QList{205});
    for (std::size_t f = 0; f < FieldCount; ++f) {
        const auto field = static_cast<Field>(f);
        const int from = fields.contains(int(field)) ? 2 : 5;
        QVERIFY2(run.table[5][field] == before[from][field], fieldName(field));
    }
    for (int line = 0; line < TextLineCount; ++line) {
        const int from = line == textLine ? 2 : 5;
        QCOMPARE(run.table[5].texts[std::size_t(line)], before[from].texts[std::size_t(line)]);
    }
    for (int index : {0, 1, 2, 3, 4, 6, 7, 8, 9, 10, 11})
        QCOMPARE(run.table[index], before[index]);
}

void TestUpdateMultiple::choicesPickChannelsAndGroupsInBitOrder()
{
    Run run(qm520a());
    const ChannelTable before = run.table;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (double channels : {0.0, nan, inf, -inf, 5e9, -5e9, 0.5})
        run(0, channels, 4095);
    run(12, 4095, 4095);
    QVERIFY(run.sink.frames.isEmpty());

    // Every group to channels 1 and 12: each channel's frames in bit order, its data last.
    run(2, 1 + 2048, 4095);
    run(0, 18, nan);
    // A negative mask is its 32-bit pattern: -1 chooses every channel.
    QCOMPARE(selectionBits(-1), 0xFFFFFFFFu);
    // Masks round to the nearest whole number, halves to even: 2.5 is channel index 1 only.
    run(0, 2.5, 0);
    run(0, 3.5, 0);
    QCOMPARE(sent(run.sink), (QList<int>{400, 500, 600, 700, 900, 200, 411, 511, 611, 711, 911, 211,
                                         201, 204, 201, 202}));
    QCOMPARE(run.table[1], before[1]);

    // The shown channel chosen as a target keeps its own values; a closed port changes the
    // records all the same.
    run.sink.frames.clear();
    run.sink.open = false;
    run(3, (1 << 3) | (1 << 5), 1);
    QVERIFY(run.sink.frames.isEmpty());
    QCOMPARE(run.table[3], before[3]);
    QCOMPARE(run.table[5][Field::HorizPos], before[3][Field::HorizPos]);
    QCOMPARE(run.table[5][Field::VertSize], before[5][Field::VertSize]);
}

// Channel 10 holds what its unit reported; copying the position to it would send a data frame
// that blanks channel 1 on the way. Nothing goes out, to channel 2 before it either.
void TestUpdateMultiple::aFrameThatHoldsAShorterOneStopsTheWholeRun()
{
    Run run(qm520a());
    QStringList refusals;
    run.sender.setRefusalHandler([&refusals](const QString &why) { refusals << why; });
    run.table[9][Field::TextEnables] = 3;
    run.table[9][Field::AutoStop] = 0;
    run.table[9][Field::LeapSeconds] = 250;
    const ChannelTable before = run.table;
    run(0, (1 << 1) | (1 << 9), 1);
    QVERIFY(run.sink.frames.isEmpty());
    for (int index = 0; index < ChannelCount; ++index)
        QCOMPARE(run.table[index], before[index]);
    QCOMPARE(refusals.size(), 1);
    QVERIFY2(refusals[0].startsWith(u"Multiple Update sent nothing:\nchannel 10, TextEnables, "
                                    u"AutoStop and LeapSeconds: 3, 0 and 250: "),
             qPrintable(refusals[0]));
}

QTEST_GUILESS_MAIN(TestUpdateMultiple)
#include "test_update_multiple.moc"
