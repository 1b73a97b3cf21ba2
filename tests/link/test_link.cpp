#include "EventLoopWaiter.h"
#include "FakeSerialPort.h"
#include "InstantWaiter.h"
#include "Poller.h"
#include "PortManager.h"
#include "PortMap.h"
#include "RecordingSink.h"
#include "ReplyEncoder.h"
#include "SerialLink.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <ctime>

using namespace qm;

namespace {

QByteArray reply(int channel)
{
    return encodeReply(qm520a(), {}, quint8(channel));
}

QList<int> upTo(int last)
{
    QList<int> numbers;
    for (int i = 0; i <= last; ++i)
        numbers << i;
    return numbers;
}

struct Rig
{
    ChannelTable table;
    SharedState state;
    test::FakeSerialPort port;
    test::RecordingSink sink;
    test::InstantWaiter waiter;
    ReplyReceiver receiver{qm520a(), table, state};
    SerialLink link{port, receiver};
    CommandSender sender{qm520a(), table, sink};
    Poller poller{sender, state, waiter};
    QSignalSpy answered{&receiver, &ReplyReceiver::channelAnswered};
    QSignalSpy recovered{&link, &SerialLink::recovered};
    QSignalSpy dropped{&link, &SerialLink::framesDropped};

    Rig()
    {
        port.openable = {3};
        port.setPortNumber(3);
        port.open();
        link.setRetryInterval(20);
    }
    // Channel bytes of the frames sent since the last call; -1 for one that is no request.
    QList<int> requestedChannels()
    {
        QList<int> channels;
        for (const QByteArray &frame : std::exchange(sink.frames, {}))
            channels << (frame.size() == 3 && frame[0] == 8 ? frame[1] : -1);
        return channels;
    }
};

} // namespace

class TestLink : public QObject
{
    Q_OBJECT
private slots:
    void discoveryAndOpeningFollowTheList();
    void pollAsksEveryChannelRestartsAndCancels();
    void eventLoopWaitSleepsHandlesEventsAndEndsOnInterrupt();
    void failureReopensTheSamePortAndNoFrameIsLost();
};

void TestLink::discoveryAndOpeningFollowTheList()
{
    PortMap map({{3, QStringLiteral("/dev/pts/5")}});
    QStringList paths;
    for (int port : {0, 1, 3, 4, 5, 12, 13, 16, 17})
        paths << map.devicePath(port);
#ifndef Q_OS_WIN
    QCOMPARE(paths.join(u' '), QStringLiteral(" /dev/ttyS0 /dev/pts/5 /dev/ttyS3 /dev/ttyUSB0 "
                                              "/dev/ttyUSB7 /dev/ttyACM0 /dev/ttyACM3 "));
#endif

    test::FakeSerialPort port;
    port.openable = {1, 3, 4, 16, 17};
    port.present = {5};
    QStringList lines;
    SharedState state;
    PortManager ports(port, state, [&lines](const QString &line) { lines << line; });
    ports.findPorts();
    QCOMPARE(state.portList, QList<qint16>({1, 3, 4, 16}));
    QCOMPARE(port.openAttempts, upTo(16).sliced(1));
    QVERIFY(!port.isOpen());
    QCOMPARE(lines, QStringList({QStringLiteral("COM5 (/dev/ttyFAKE5): Permission denied")}));

    QVERIFY(ports.openPortIfListed(3));
    QVERIFY(!ports.openPortIfListed(5) && port.isOpen()); // not listed: port 3 stays, none tried
    QCOMPARE(port.openAttempts.size(), 17);
    port.openable.remove(4); // taken by another program since discovery
    port.present << 4;
    QVERIFY(!ports.openPortIfListed(4) && !port.isOpen());
    QCOMPARE(lines.size(), 2);
}

void TestLink::pollAsksEveryChannelRestartsAndCancels()
{
    Rig rig;
    QSignalSpy finished(&rig.poller, &Poller::finished);
    rig.state.channelsFound = 9;
    const QList<int> replyAtDelay = {2, 0, -1, -1, -1, 1};
    rig.waiter.onDelay = [&](int i) {
        if (i < replyAtDelay.size() && replyAtDelay[i] >= 0)
            rig.receiver.feed(reply(replyAtDelay[i]));
    };
    QVERIFY(rig.poller.poll());
    QCOMPARE(rig.requestedChannels(), upTo(11));
    QCOMPARE(rig.waiter.delays, QList<int>(12, Poller::RequestSpacingMs));
    QCOMPARE(rig.answered.size(), 3);
    QCOMPARE(rig.state.channelsFound, 2); // the last reply counts, not the highest

    // A poll asked for during a poll makes it start over; it never runs one of its own.
    bool nestedResult = true;
    rig.waiter.onDelay = [&](int i) {
        if (i == 13)
            rig.receiver.feed(reply(5));
        if (i == 14)
            nestedResult = rig.poller.poll();
    };
    QVERIFY(rig.poller.poll() && !nestedResult);
    QCOMPARE(rig.requestedChannels(), upTo(2) + upTo(11));
    QCOMPARE(rig.state.channelsFound, 0);
    QCOMPARE(finished.size(), 2);

    rig.waiter.onDelay = [&rig](int i) {
        if (i == 31)
            rig.poller.cancel();
    };
    QVERIFY(!rig.poller.poll());
    QCOMPARE(rig.requestedChannels(), upTo(4));
    QCOMPARE(finished.size(), 2);
    QCOMPARE(rig.waiter.interrupts, 2);
}

void TestLink::eventLoopWaitSleepsHandlesEventsAndEndsOnInterrupt()
{
    EventLoopWaiter waiter;
    bool handled = false;
    QTimer::singleShot(0, this, [&handled] { handled = true; });
    waiter.delay(0);
    QVERIFY(!handled);
    QElapsedTimer clock;
    clock.start();
    const std::clock_t cpuBefore = std::clock();
    waiter.delay(200);
    const double cpuMs = 1000.0 * double(std::clock() - cpuBefore) / CLOCKS_PER_SEC;
    QVERIFY(handled && clock.elapsed() >= 200);
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
    QVERIFY(innerReturned && clock.elapsed() < 5'000);
}

void TestLink::failureReopensTheSamePortAndNoFrameIsLost()
{
    Rig rig;
    rig.port.receive(reply(4).first(50));
    rig.port.fail();
    QCOMPARE(rig.port.closes, 1);
    QCOMPARE(rig.port.openAttempts, QList<int>({3, 3}));
    QCOMPARE(rig.recovered.takeFirst()[0].toBool(), true);
    // The rest of the interrupted reply must not complete a frame; the next whole one does.
    rig.port.receive(reply(4).sliced(50) + reply(7));
    QCOMPARE(rig.answered.size(), 1);
    QCOMPARE(rig.answered[0][0].toInt(), 7);

    // Failing again right after the reopen: no instant reopen, the timer retries.
    rig.port.openable.clear();
    rig.port.fail();
    QCOMPARE(rig.recovered.takeFirst()[0].toBool(), false);
    QVERIFY(rig.link.isOpen());
    rig.link.write("\x08\x00\xfa");
    rig.link.write(QByteArray(SerialLink::MaxQueuedBytes, 'x'));
    QCOMPARE(rig.dropped.size(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(rig.port.openAttempts.size(), 2);
    QTest::qWait(200);
    const auto retries = rig.port.openAttempts.size() - 2;
    QVERIFY2(retries >= 2 && retries <= 11, qPrintable(QString::number(retries)));
    rig.port.openable = {3};
    QTRY_VERIFY(rig.port.isOpen());
    QCOMPARE(rig.port.frames, QByteArrayList({"\x08\x00\xfa"}));

    // The operator picks another port while the link is down: the frame that waited for
    // port 3 is reported, and port 3 is not tried again.
    rig.port.openable = {4};
    rig.port.fail();
    rig.link.write("\x02\x03\xfa");
    rig.state.portList = {4};
    QVERIFY(PortManager(rig.port, rig.state).openPortIfListed(4));
    rig.link.write("\x08\x05\xfa");
    QCOMPARE(rig.dropped.size(), 2);
    QCOMPARE(rig.port.frames.sliced(1), QByteArrayList({"\x08\x05\xfa"}));
    const auto attempts = rig.port.openAttempts.size();
    QTest::qWait(60);
    QCOMPARE(rig.port.openAttempts.size(), attempts);
}

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
