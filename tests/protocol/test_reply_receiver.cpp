#include "ReplyReceiver.h"

#include <QSignalSpy>
#include <QTest>

using namespace qm;

namespace {

using ReplyData = std::array<quint8, ReplyDataLength>;

// The HELLO reply: QM-520A, channel index 2.
ReplyData helloData()
{
    ReplyData d{};
    const quint8 head[] = {94, 0x70, 0x72, 1, 2, 0, 0, 1, 5, 0, 2, 1, 0};
    std::copy(std::begin(head), std::end(head), d.begin());
    std::fill(d.begin() + 13, d.end(), 0x80);
    std::copy_n("HELLO", 5, d.begin() + 13);
    return d;
}

ReplyData dataForChannel(quint8 channel, quint8 channelByte = 10)
{
    ReplyData d = helloData();
    d[10] = 0;
    d[channelByte] = channel;
    d[0] = static_cast<quint8>(100 + channel);
    return d;
}

QByteArray bytesOf(const ReplyData &data)
{
    return QByteArray(reinterpret_cast<const char *>(data.data()), ReplyDataLength);
}

QByteArray frame(const QByteArray &data)
{
    return '\xFC' + data + '\xF8';
}

QByteArray frame(const ReplyData &data)
{
    return frame(bytesOf(data));
}

// A receiver for one model with a table that starts from a recognisable non-zero state.
struct Receiving
{
    explicit Receiving(const UnitModel &model = qm520a()) : receiver(model, table, state)
    {
        for (int i = 0; i < ChannelTable::size(); ++i)
            table[i].texts[2] = QStringLiteral("untouched");
        before = table;
        state.channelsFound = 7;
    }

    QList<int> answered() const
    {
        QList<int> indices;
        for (const QList<QVariant> &call : spy)
            indices << call.at(0).toInt();
        return indices;
    }

    ChannelTable table;
    ChannelTable before;
    SharedState state;
    ReplyReceiver receiver;
    QSignalSpy spy{&receiver, &ReplyReceiver::channelAnswered};
};

} // namespace

class TestReplyReceiver : public QObject
{
    Q_OBJECT
private slots:
    void acceptsOnlyExactly103DataBytes();
    void startMarkerRestartsAndOverlongFramesWrap();
    void piecesGiveTheSameResultAsOneFeed();
    void channelsFoundFollowsTheLastAcceptedReply();
    void qm520aReplyFillsTheRecord();
    void packedPositionAndSizeBytes();
    void qm410aReplyUsesItsOwnMapping();
    void textLinesKeepWhatTheyCarry();
};

void TestReplyReceiver::acceptsOnlyExactly103DataBytes()
{
    const QByteArray good = bytesOf(helloData());
    Receiving r;
    r.receiver.feed(frame(good.first(102)));
    r.receiver.feed(frame(good + 'x'));
    r.receiver.feed(good + '\xF8'); // no start marker
    QVERIFY(r.spy.isEmpty());
    QVERIFY(r.table[2] == r.before[2]);

    r.receiver.feed(frame(good));
    QCOMPARE(r.answered(), QList<int>{2});
    QCOMPARE(r.receiver.replyStarted(), false);
    QCOMPARE(r.receiver.replyCount(), 0);
}

void TestReplyReceiver::startMarkerRestartsAndOverlongFramesWrap()
{
    Receiving r;
    r.receiver.feed('\xFC' + QByteArray(60, 'g') + frame(helloData()));
    QCOMPARE(r.answered(), QList<int>{2});

    // 104 data bytes wrap the count to 0 while the frame stays open; 103 more then complete it.
    r.receiver.feed('\xFC' + QByteArray(104, 'w'));
    QCOMPARE(r.receiver.replyStarted(), true);
    QCOMPARE(r.receiver.replyCount(), 0);
    r.receiver.feed(bytesOf(dataForChannel(5)) + '\xF8');
    QCOMPARE(r.answered(), (QList<int>{2, 5}));
    QCOMPARE(r.table[5][Field::HorizPos], 105);
}

void TestReplyReceiver::piecesGiveTheSameResultAsOneFeed()
{
    const QByteArray stream =
        QByteArray("noise") + frame(dataForChannel(4)) + frame(dataForChannel(9)) + "\x01\x02";

    Receiving whole;
    whole.receiver.feed(stream);
    QCOMPARE(whole.answered(), (QList<int>{4, 9}));

    Receiving halves;
    halves.receiver.feed(stream.first(50));
    QVERIFY(halves.spy.isEmpty());
    halves.receiver.feed(stream.sliced(50, 55));
    halves.receiver.feed(stream.sliced(105));

    Receiving byteByByte;
    for (char byte : stream)
        byteByByte.receiver.feed(QByteArrayView(&byte, 1));

    for (const Receiving *other : {&halves, &byteByByte}) {
        QCOMPARE(other->answered(), whole.answered());
        for (int i = 0; i < ChannelTable::size(); ++i)
            QVERIFY(other->table[i] == whole.table[i]);
        QCOMPARE(other->state.channelsFound, whole.state.channelsFound);
    }
}

void TestReplyReceiver::channelsFoundFollowsTheLastAcceptedReply()
{
    Receiving r;
    for (quint8 index : {12, 200})
        r.receiver.feed(frame(dataForChannel(index)));
    QVERIFY(r.spy.isEmpty());
    QCOMPARE(r.state.channelsFound, 7);
    for (int i = 0; i < ChannelTable::size(); ++i)
        QVERIFY(r.table[i] == r.before[i]);

    r.receiver.feed(frame(dataForChannel(2)) + frame(dataForChannel(0)) + frame(dataForChannel(1)));
    QCOMPARE(r.answered(), (QList<int>{2, 0, 1}));
    QCOMPARE(r.state.channelsFound, 2);
    QVERIFY(r.table[3] == r.before[3]);
}

void TestReplyReceiver::qm520aReplyFillsTheRecord()
{
    Receiving r;
    r.receiver.feed(frame(helloData()));
    const ChannelSettings &c = r.table[2];
    QCOMPARE(c[Field::HorizPos], 94);
    QCOMPARE(c[Field::HorizSize], 7);
    QCOMPARE(c[Field::VertPos], 28);
    QCOMPARE(c[Field::VertSize], 2);
    QCOMPARE(c[Field::DisplayMode], 1);
    QCOMPARE(c[Field::WindowMode], 2);
    QCOMPARE(c[Field::LeapSeconds], 0);
    QCOMPARE(c[Field::AutoStop], 1);
    QCOMPARE(c[Field::TextEnables], 5);
    QCOMPARE(c[Field::Blank], 0);
    QCOMPARE(c[Field::TimeFont], 1);
    QCOMPARE(c.texts, (std::array<QString, 3>{"HELLO", "", ""}));
    QCOMPARE(r.state.channelsFound, 3);
    QCOMPARE(r.answered(), QList<int>{2});
}

void TestReplyReceiver::packedPositionAndSizeBytes()
{
    Receiving r;
    ReplyData d = helloData();
    d[1] = 0x7F;
    d[2] = 0x77;
    r.receiver.parseSettings(d);
    QCOMPARE(r.table[2][Field::HorizSize], 7);
    QCOMPARE(r.table[2][Field::VertPos], 29);
    QCOMPARE(r.table[2][Field::VertSize], 3);
    d[2] = 0x76;
    r.receiver.parseSettings(d);
    QCOMPARE(r.table[2][Field::VertPos], 29);
    QCOMPARE(r.table[2][Field::VertSize], 2);
}

void TestReplyReceiver::qm410aReplyUsesItsOwnMapping()
{
    Receiving r(qm410a());
    ReplyData d{};
    const quint8 head[] = {188, 0xF0, 0xE9, 3, 1, 48, 0xFE, 0x03, 2, 6, 1, 11, 0};
    std::copy(std::begin(head), std::end(head), d.begin());
    std::fill(d.begin() + 13, d.end(), 0x80);
    r.receiver.parseSettings(d);
    QCOMPARE(r.answered(), QList<int>{11});
    const ChannelSettings &c = r.table[11];
    QCOMPARE(c[Field::HorizPos], 188);
    QCOMPARE(c[Field::HorizSize], 15);
    QCOMPARE(c[Field::VertPos], 58);
    QCOMPARE(c[Field::VertSize], 1);
    QCOMPARE(c[Field::DisplayMode], 3);
    QCOMPARE(c[Field::WindowMode], 1);
    QCOMPARE(c[Field::TimeZone], 48);
    QCOMPARE(c[Field::HourMode], 0);
    QCOMPARE(c[Field::TimeCodeInput], 1);
    QCOMPARE(c[Field::DateMode], 2);
    QCOMPARE(c[Field::TextEnables], 6);
    QCOMPARE(c[Field::Blank], 1);
    QCOMPARE(c[Field::TimeFont], 0);
    QCOMPARE(c.texts[2], QString());
    QCOMPARE(r.state.channelsFound, 12);

    d[11] = 12; // the 410A's channel byte; d[10] is its Blank
    d[10] = 3;
    r.receiver.parseSettings(d);
    QCOMPARE(r.answered(), QList<int>{11});
}

void TestReplyReceiver::textLinesKeepWhatTheyCarry()
{
    Receiving r;
    ReplyData d = helloData();
    const QByteArray full = "abcdefghijklmnopqrstuvwxyz1234";
    std::copy(full.begin(), full.end(), d.begin() + 13);
    const QByteArray odd = QByteArray(" a\0b ", 5) + "\x80z" + "\x80\xE9\xFA";
    std::copy(odd.begin(), odd.end(), d.begin() + 43);
    d[73] = 0xE9;
    d[74] = 0x81;
    d[75] = 0x80;
    r.receiver.parseSettings(d);
    QCOMPARE(r.table[2].texts[0], QString::fromLatin1(full));
    QCOMPARE(r.table[2].texts[1], QStringLiteral(" a") + QChar(0) + QStringLiteral("b "));
    QCOMPARE(r.table[2].texts[2], QStringLiteral("\u00E9\u0081"));
}

QTEST_GUILESS_MAIN(TestReplyReceiver)
#include "test_reply_receiver.moc"
