#include "EventLoopWaiter.h"
#include "InstantWaiter.h"
#include "Poller.h"
#include "RecordingSink.h"
#include "ReplyEncoder.h"
#include "ReplyReceiver.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <ctime>

using namespace qm;

namespace {

struct PollRig
{
    ChannelTable table;
    SharedState state;
    test::RecordingSink sink;
    test::InstantWaiter waiter;
    CommandSender sender{qm520a(), table, sink};
    ReplyReceiver receiver{qm520a(), table, state};
    Poller poller{sender, state, waiter};

    void reply(int channel)
    {
        receiver.feed(encodeReply(qm520a(), ChannelSettings{}, quint8(channel)));
    }
    QByteArray requests() { return sink.takeAll().toHex(' '); }
};

QByteArray requestsFor(int first, int last)
{
    QByteArray hex;
    for (int i = first; i <= last; ++i)
        hex += QByteArray(" 08 ") + QByteArray::number(i, 16).rightJustified(2, '0') + " fa";
    return hex.mid(1);
}

} // namespace

class TestPoller : public QObject
{
    Q_OBJECT
private slots:
    void pollAsksEveryChannelAndKeepsTheLastReply();
    void secondPollRestartsAndCancelEnds();
    void eventLoopWaitSleepsHandlesEventsAndEndsOnInterrupt();
};

void TestPoller::pollAsksEveryChannelAndKeepsTheLastReply()
{
    PollRig rig;
    rig.state.channelsFound = 9;
    QSignalSpy answered(&rig.receiver, &ReplyReceiver::channelAnswered);
    QSignalSpy started(&rig.poller, &Poller::started);
    QSignalSpy finished(&rig.poller, &Poller::finished);
    qint16 foundAtStart = -1;
    connect(&rig.poller, &Poller::started, this, [&] { foundAtStart = rig.state.channelsFound; });
    rig.waiter.onDelay = [&rig](int i) {
        if (i == 0)
            rig.reply(2);
        if (i == 1)
            rig.reply(0);
        if (i == 5)
            rig.reply(1);
    };

    QVERIFY(rig.poller.poll());
    QCOMPARE(rig.requests(), requestsFor(0, 11));
    QCOMPARE(rig.waiter.delays, QList<int>(12, Poller::RequestSpacingMs));
    QCOMPARE(answered.size(), 3);
    QCOMPARE(answered[0][0].toInt(), 2);
    QCOMPARE(answered[1][0].toInt(), 0);
    QCOMPARE(answered[2][0].toInt(), 1);
    QCOMPARE(rig.state.channelsFound, 2);
    QCOMPARE(foundAtStart, 0);
    QCOMPARE(started.size(), 1);
    QCOMPARE(finished.size(), 1);
    QVERIFY(!rig.poller.isRunning());
}

void TestPoller::secondPollRestartsAndCancelEnds()
{
    PollRig rig;
    QSignalSpy started(&rig.poller, &Poller::started);
    QSignalSpy finished(&rig.poller, &Poller::finished);
    bool nestedResult = true;
    rig.waiter.onDelay = [&](int i) {
        if (i == 1)
            rig.reply(5);
        if (i == 2) {
            nestedResult = rig.poller.poll();
            QCOMPARE(rig.waiter.delays.size(), 3); // it did not run a poll of its own
        }
    };
    QVERIFY(rig.poller.poll());
    QVERIFY(!nestedResult);
    QCOMPARE(rig.waiter.interrupts, 1);
    QCOMPARE(rig.requests(), requestsFor(0, 2) + ' ' + requestsFor(0, 11));
    QCOMPARE(started.size(), 2);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(rig.state.channelsFound, 0);

    rig.waiter.delays.clear();
    rig.waiter.onDelay = [&rig](int i) {
        if (i == 4)
            rig.poller.cancel();
    };
    QVERIFY(!rig.poller.poll());
    QCOMPARE(rig.requests(), requestsFor(0, 4));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(rig.waiter.interrupts, 2);

    rig.waiter.onDelay = nullptr;
    QVERIFY(rig.poller.poll());
    QCOMPARE(rig.requests(), requestsFor(0, 11));
    QCOMPARE(finished.size(), 2);
}

void TestPoller::eventLoopWaitSleepsHandlesEventsAndEndsOnInterrupt()
{
    EventLoopWaiter waiter;
    bool handled = false;
    QTimer::singleShot(0, this, [&handled] { handled = true; });
    waiter.delay(0);
    waiter.delay(-5);
    QVERIFY(!handled);

    QElapsedTimer clock;
    clock.start();
    const std::clock_t cpuBefore = std::clock();
    waiter.delay(200);
    const double cpuMs = 1000.0 * double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    QVERIFY(handled);
    QVERIFY2(clock.elapsed() >= 200, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(cpuMs < 60, qPrintable(QStringLiteral("%1 ms of CPU in a 200 ms wait").arg(cpuMs)));

    // Interrupting from inside a nested wait ends both.
    bool innerReturned = false;
    QTimer::singleShot(10, this, [&] {
        waiter.delay(10'000);
        innerReturned = true;
    });
    QTimer::singleShot(40, this, [&waiter] { waiter.interrupt(); });
    clock.restart();
    waiter.delay(10'000);
    QVERIFY(innerReturned);
    QVERIFY(clock.elapsed() < 5'000);
}

QTEST_GUILESS_MAIN(TestPoller)
#include "test_poller.moc"
