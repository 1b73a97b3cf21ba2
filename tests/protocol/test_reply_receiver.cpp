#include "protocol/ReplyReceiver.h"

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

ReplyData dataForChannel(quint8 channel)
{
    ReplyData d = helloData();
    d[10] = channel;
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

// A QM-520A receiver with a table that starts from a recognisable non-zero state. Which reply
// byte lands in which field is the end-to-end run's to check, against the emulated unit's
// own tables.
struct Receiving
{
    Receiving() : receiver(qm520a(), table)
    {
        QObject::connect(&receiver, &ReplyReceiver::channelAnswered, &receiver,
                         [this](int index) { answered << index; });
        for (int i = 0; i < ChannelTable::size(); ++i)
            table[i].texts[2] = QStringLiteral("untouched");
        before = table;
    }

    ChannelTable table;
    ChannelTable before;
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
    const QByteArray good = bytesOf(helloData());
    Receiving r;
    r.receiver.feed(frame(good.first(102)));
    r.receiver.feed(frame(good + 'x'));
    r.receiver.feed(good + '\xF8'); // no start marker
    for (quint8 index : {12, 200})
        r.receiver.feed(frame(dataForChannel(index)));
    QVERIFY(r.answered.isEmpty());
    for (int i = 0; i < ChannelTable::size(); ++i)
        QVERIFY(r.table[i] == r.before[i]);

    // A second start marker begins the frame anew.
    r.receiver.feed('\xFC' + QByteArray(60, 'g') + frame(good));
    QCOMPARE(r.answered, QList<int>{2});

    // 104 data bytes wrap the count to 0 while the frame stays open; 103 more then complete it.
    r.receiver.feed('\xFC' + QByteArray(104, 'w'));
    QCOMPARE(r.receiver.replyStarted(), true);
    QCOMPARE(r.receiver.replyCount(), 0);
    r.receiver.feed(bytesOf(dataForChannel(5)) + '\xF8');
    QCOMPARE(r.answered, (QList<int>{2, 5}));
    QCOMPARE(r.table[5][Field::HorizPos], 105);

    // Each accepted reply is reported in the order it came, not sorted.
    r.receiver.feed(frame(dataForChannel(2)) + frame(dataForChannel(0)) + frame(dataForChannel(1)));
    QCOMPARE(r.answered, (QList<int>{2, 5, 2, 0, 1}));
    QVERIFY(r.table[3] == r.before[3]);
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
