#include "protocol/ReplyReceiver.h"

#include <QTest>

using namespace qm;

namespace {

using ReplyData = std::array<quint8, ReplyDataLength>;

// A QM-520A reply for the channel, its first byte 100 more than the channel index, its first
// line "HELLO".
ReplyData replyData(quint8 channel)
{
    ReplyData d{};
    const quint8 head[] = {quint8(100 + channel), 0x70, 0x72, 1, 2, 0, 0, 1, 5, 0, channel, 1, 0};
    std::copy(std::begin(head), std::end(head), d.begin());
    std::fill(d.begin() + 13, d.end(), 0x80);
    std::copy_n("HELLO", 5, d.begin() + 13);
    return d;
}

QByteArray bytesOf(const ReplyData &data)
{
    return QByteArray(reinterpret_cast<const char *>(data.data()), ReplyDataLength);
}

QByteArray frame(const ReplyData &data)
{
    return '\xFC' + bytesOf(data) + '\xF8';
}

// A QM-520A receiver. Which reply byte lands in which field is the end-to-end run's to check,
// against the emulated unit's own tables.
struct Receiving
{
    Receiving() : receiver(qm520a(), table)
    {
        QObject::connect(&receiver, &ReplyReceiver::channelAnswered, &receiver,
                         [this](int index) { answered << index; });
    }

    ChannelTable table;
    ReplyReceiver receiver;
    QList<int> answered;
};

} // namespace

class TestReplyReceiver : public QObject
{
    Q_OBJECT
private slots:
    void framingAndChannelIndexDecideWhatIsTaken();
    void textLinesKeepWhatTheyCarry();
};

void TestReplyReceiver::framingAndChannelIndexDecideWhatIsTaken()
{
    const QByteArray good = bytesOf(replyData(2));
    Receiving r;
    r.receiver.feed('\xFC' + good.first(102) + '\xF8');
    r.receiver.feed('\xFC' + good + "x\xF8");
    r.receiver.feed(good + '\xF8'); // no start marker
    for (quint8 index : {12, 200})
        r.receiver.feed(frame(replyData(index)));
    QVERIFY(r.answered.isEmpty());
    QVERIFY(r.table[2] == ChannelSettings());

    // A second start marker begins the frame anew.
    r.receiver.feed('\xFC' + QByteArray(60, 'g') + frame(replyData(2)));
    QCOMPARE(r.answered, QList<int>{2});

    // 104 data bytes wrap the count to 0 while the frame stays open; 103 more then complete it.
    r.receiver.feed('\xFC' + QByteArray(104, 'w'));
    r.receiver.feed(bytesOf(replyData(5)) + '\xF8');
    QCOMPARE(r.answered, (QList<int>{2, 5}));
    QCOMPARE(r.table[5][Field::HorizPos], 105);
}

// A line ends at its first pad byte; what comes before it is kept as it is, spaces, NUL and
// bytes the code page leaves undefined too.
void TestReplyReceiver::textLinesKeepWhatTheyCarry()
{
    Receiving r;
    ReplyData d = replyData(2);
    const QByteArray full = "abcdefghijklmnopqrstuvwxyz1234";
    const QByteArray texts =
        full + QByteArray(" a\0b \x80z\x80\xE9\xFA", 10).leftJustified(30, '\x80') + "\xE9\x81\x80";
    std::copy(texts.begin(), texts.end(), d.begin() + 13);
    r.receiver.parseSettings(d);
    QCOMPARE(r.table[2].texts[0], QString::fromLatin1(full));
    QCOMPARE(r.table[2].texts[1], QStringLiteral(" a") + QChar(0) + QStringLiteral("b "));
    QCOMPARE(r.table[2].texts[2], QStringLiteral("\u00E9\u0081"));
}

QTEST_GUILESS_MAIN(TestReplyReceiver)
#include "test_reply_receiver.moc"
