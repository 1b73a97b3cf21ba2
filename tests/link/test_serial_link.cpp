#include "FakeSerialPort.h"
#include "PortManager.h"
#include "ReplyEncoder.h"
#include "SerialLink.h"

#include <QSignalSpy>
#include <QTest>

using namespace qm;

namespace {

struct LinkRig
{
    ChannelTable table;
    SharedState state;
    test::FakeSerialPort port;
    ReplyReceiver receiver{qm520a(), table, state};
    SerialLink link{port, receiver};

    explicit LinkRig(int portNumber)
    {
        port.openable = {portNumber};
        port.setPortNumber(portNumber);
        port.open();
        link.setRetryInterval(20);
    }
    static QByteArray reply(int channel)
    {
        return encodeReply(qm520a(), ChannelSettings{}, quint8(channel));
    }
};

} // namespace

class TestSerialLink : public QObject
{
    Q_OBJECT
private slots:
    void failureReopensTheSamePortAndReceptionGoesOn();
    void framesWrittenWhileDownGoOutAfterTheReopen();
    void reopenIsRetriedOnATimerNotInALoop();
};

void TestSerialLink::failureReopensTheSamePortAndReceptionGoesOn()
{
    LinkRig rig(3);
    QSignalSpy answered(&rig.receiver, &ReplyReceiver::channelAnswered);
    QSignalSpy recovered(&rig.link, &SerialLink::recovered);
    const QByteArray reply = LinkRig::reply(4);

    rig.port.receive(reply.first(50));
    QVERIFY(rig.receiver.replyStarted());
    rig.port.fail();
    QCOMPARE(rig.port.closes, 1);
    QVERIFY(!rig.receiver.replyStarted());
    QCOMPARE(rig.port.openAttempts.last(), 3);
    QVERIFY(rig.port.isOpen());
    QCOMPARE(recovered.size(), 1);
    QCOMPARE(recovered[0][0].toBool(), true);

    // The rest of the interrupted reply must not complete a frame; the next whole one does.
    rig.port.receive(reply.sliced(50));
    QCOMPARE(answered.size(), 0);
    rig.port.receive(reply.first(60));
    rig.port.receive(reply.sliced(60) + LinkRig::reply(7));
    QCOMPARE(answered.size(), 2);
    QCOMPARE(answered[1][0].toInt(), 7);
}

void TestSerialLink::framesWrittenWhileDownGoOutAfterTheReopen()
{
    LinkRig rig(3);
    QSignalSpy recovered(&rig.link, &SerialLink::recovered);
    QSignalSpy dropped(&rig.link, &SerialLink::framesDropped);
    rig.port.openable.clear();
    rig.port.fail();
    QCOMPARE(recovered.size(), 1);
    QCOMPARE(recovered[0][0].toBool(), false);
    QVERIFY(rig.link.isOpen());

    rig.link.write("\x08\x00\xfa");
    rig.link.write("\x08\x01\xfa");
    QCOMPARE(rig.port.writesWhileClosed, 0);
    const QByteArray big(SerialLink::MaxQueuedBytes, 'x');
    rig.link.write(big);
    QCOMPARE(dropped.size(), 1);

    rig.port.openable = {3};
    QTRY_VERIFY(rig.port.isOpen());
    QCOMPARE(rig.port.frames, QByteArrayList({"\x08\x00\xfa", "\x08\x01\xfa"}));
    QCOMPARE(recovered.last()[0].toBool(), true);
    QVERIFY(!rig.link.isRecovering());

    // The operator picks another port while the link is down: what waited for port 3 is
    // reported, the new port gets the new frames, and port 3 is left alone.
    PortManager ports(rig.port, rig.state);
    rig.port.openable = {4};
    QTest::qWait(50); // past the guard against a device that fails right after reopening
    rig.port.fail();
    rig.link.write("\x02\x03\xfa");
    QVERIFY(ports.openPort(4));
    rig.port.frames.clear();
    rig.link.write("\x08\x05\xfa");
    QCOMPARE(dropped.size(), 2);
    QCOMPARE(dropped.last()[0].toInt(), 1);
    QCOMPARE(rig.port.frames, QByteArrayList({"\x08\x05\xfa"}));
    const auto attempts = rig.port.openAttempts.size();
    QTest::qWait(60);
    QCOMPARE(rig.port.openAttempts.size(), attempts);
    QCOMPARE(rig.port.portNumber(), 4);
}

void TestSerialLink::reopenIsRetriedOnATimerNotInALoop()
{
    LinkRig rig(2);
    rig.port.openable.clear();
    rig.port.fail();
    QCOMPARE(rig.port.openAttempts.size(), 2); // the first open and one immediate reopen
    QCoreApplication::processEvents();
    QCOMPARE(rig.port.openAttempts.size(), 2);
    QTest::qWait(200);
    const auto retries = rig.port.openAttempts.size() - 2;
    QVERIFY2(retries >= 2 && retries <= 11, qPrintable(QString::number(retries)));

    // A device that fails again at once after coming back waits for the next retry.
    qsizetype attemptsAtRefail = 0;
    qsizetype attemptsAfterRefail = 0;
    bool openAfterRefail = true;
    auto refail = connect(&rig.link, &SerialLink::recovered, this, [&](bool reopened) {
        if (!reopened || attemptsAtRefail > 0)
            return;
        attemptsAtRefail = rig.port.openAttempts.size();
        rig.port.fail();
        attemptsAfterRefail = rig.port.openAttempts.size();
        openAfterRefail = rig.port.isOpen();
    });
    rig.port.openable = {2};
    QTRY_VERIFY(attemptsAtRefail > 0);
    disconnect(refail);
    QVERIFY(!openAfterRefail);
    QCOMPARE(attemptsAfterRefail, attemptsAtRefail);
    QTRY_VERIFY(rig.port.isOpen());
    QCOMPARE(rig.port.openAttempts.last(), 2);
}

QTEST_GUILESS_MAIN(TestSerialLink)
#include "test_serial_link.moc"
