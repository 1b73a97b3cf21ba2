#include "link/EventLoopWaiter.h"
#include "link/Poller.h"
#include "link/PortManager.h"
#include "link/PortMap.h"
#include "link/PortWords.h"
#include "link/SerialLink.h"
#include "link/UnsentFrames.h"
#include "link/WinSerialRules.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/Files.h"
#include "tests/support/InstantWaiter.h"
#include "tests/support/LinkRig.h"
#include "tools/qm-unit-sim/SimulatedUnit.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <ctime>

using namespace qm;
using test::hex;

Q_DECLARE_METATYPE(qm::DeviceIdentity)

using Rig = test::LinkRig;

class TestLink : public QObject
{
    Q_OBJECT
private slots:
    void discoveryAndOpeningFollowTheList();
    void refusalsAreToldOnePerCure_data();
    void refusalsAreToldOnePerCure();
    void eventLoopWaitSleepsHandlesEventsAndEndsOnInterrupt();
    void failureReopensOnceThenOnlyTheSameAdapter_data();
    void failureReopensOnceThenOnlyTheSameAdapter();
    void staleHeldFramesNeverReachAReturningUnit();
    void halfAReplyDiesWithTheLineAndThePollCountsTheLastReply();
    void unsentFramesLoseWhatTheDriverTook_data();
    void unsentFramesLoseWhatTheDriverTook();
    void windowsDeviceNames_data();
    void windowsDeviceNames();
    void windowsWriteLimit_data();
    void windowsWriteLimit();
    void windowsUsbIdentityFromInstanceId_data();
    void windowsUsbIdentityFromInstanceId();
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
    PortManager ports(port, [&lines](const QString &line) { lines << line; });
    ports.findPorts();
    QCOMPARE(ports.portList(), QList<qint16>({1, 3, 4, 16}));
    QCOMPARE(port.openAttempts,
             QList<int>({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));
    QVERIFY(!port.isOpen()); // a probe leaves waiting input alone
    QCOMPARE(port.claims, 0);
    QCOMPARE(lines,
             QStringList({"COM5 (/dev/ttyFAKE5): you may not use it; join the dialout "
                          "group (sudo adduser $USER dialout), then log out and in again."}));
}

void TestLink::refusalsAreToldOnePerCure_data()
{
    using Cause = SerialPort::RefusalCause;
    QTest::addColumn<QList<PortRefusal>>("refusals");
    QTest::addColumn<PortRetry>("retry");
    QTest::addColumn<QStringList>("sentences");
    const auto refused = [](int port, const char *device, Cause cause, const char *detail = "") {
        return PortRefusal{port, device, cause, detail, false, false};
    };
    const QString dialout = "join the dialout group (sudo adduser $USER dialout), then log out "
                            "and in again.";
    const QString someone = "another program holds %1, such as a terminal, ModemManager or "
                            "brltty; close that program";
    QTest::newRow("built-in ports in a row, one held")
        << QList<PortRefusal>{refused(7, "/dev/ttyUSB2", Cause::InUse, "minicom (process 77)"),
                              refused(2, "/dev/ttyS1", Cause::NoPermission),
                              refused(1, "/dev/ttyS0", Cause::NoPermission),
                              refused(3, "/dev/ttyS2", Cause::NoPermission),
                              refused(4, "/dev/ttyS3", Cause::NoPermission)}
        << PortRetry::PickInList
        << QStringList{"COM1 to COM4 (/dev/ttyS0 to /dev/ttyS3): you may not use them; " + dialout,
                       "COM7 (/dev/ttyUSB2): minicom (process 77) holds it; close that program, "
                       "then pick it in \"Serial Port:\"."};
    QTest::newRow("two in a row, one apart")
        << QList<PortRefusal>{refused(9, "/dev/ttyUSB4", Cause::InUse),
                              refused(5, "/dev/ttyUSB0", Cause::InUse),
                              refused(6, "/dev/ttyUSB1", Cause::InUse)}
        << PortRetry::PickInList
        << QStringList{"COM5, COM6 and COM9 (/dev/ttyUSB0, /dev/ttyUSB1 and /dev/ttyUSB4): " +
                       someone.arg("them") + ", then pick one in \"Serial Port:\"."};
    QTest::newRow("devices named as their ports")
        << QList<PortRefusal>{refused(3, "COM3", Cause::InUse), refused(4, "com4", Cause::InUse),
                              refused(5, "COM5", Cause::InUse)}
        << PortRetry::RunAgain << QStringList{"COM3 to COM5: " + someone.arg("them") + "."};
    QTest::newRow("a device of another group, one of dialout")
        << QList<PortRefusal>{refused(5, "/dev/ttyUSB0", Cause::NoPermission, "uucp"),
                              refused(6, "/dev/ttyUSB1", Cause::NoPermission, "dialout")}
        << PortRetry::RunAgain
        << QStringList{"COM5 (/dev/ttyUSB0): you may not use it; join the uucp group (sudo "
                       "adduser $USER uucp), then log out and in again.",
                       "COM6 (/dev/ttyUSB1): you may not use it; " + dialout};
    QTest::newRow("lock files")
        << QList<PortRefusal>{refused(1, "/dev/ttyS0", Cause::StaleLock, "/var/lock/LCK..ttyS0"),
                              refused(2, "/dev/ttyS1", Cause::UnnamedLock, "/var/lock/LCK..ttyS1")}
        << PortRetry::RunAgain
        << QStringList{"COM1 (/dev/ttyS0): the lock file /var/lock/LCK..ttyS0, left by a program "
                       "that has ended, keeps it closed; remove it (sudo rm "
                       "/var/lock/LCK..ttyS0).",
                       "COM2 (/dev/ttyS1): the lock file /var/lock/LCK..ttyS1 names no program, "
                       "yet keeps it closed; if no program uses it, remove it (sudo rm "
                       "/var/lock/LCK..ttyS1)."};
    QTest::newRow("the system's words, by their words")
        << QList<PortRefusal>{refused(2, "/dev/ttyS1", Cause::Other, "Input/output error"),
                              refused(3, "/dev/ttyS2", Cause::Other, "Input/output error"),
                              refused(4, "/dev/ttyS3", Cause::Other, "Invalid argument")}
        << PortRetry::RunAgain
        << QStringList{"COM2 and COM3 (/dev/ttyS1 and /dev/ttyS2): they cannot be opened (the "
                       "system says: Input/output error).",
                       "COM4 (/dev/ttyS3): it cannot be opened (the system says: Invalid "
                       "argument)."};
}

void TestLink::refusalsAreToldOnePerCure()
{
    QFETCH(QList<PortRefusal>, refusals);
    QFETCH(PortRetry, retry);
    QFETCH(QStringList, sentences);
    QCOMPARE(refusalSentences(refusals, retry), sentences);
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
    QVERIFY(handled);
    QVERIFY(clock.elapsed() >= 200);
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

// A device that failed is opened once more at once and kept if it is the same device; after
// that only the same USB adapter is opened. The identities are typed here as the devices would
// report them.
void TestLink::failureReopensOnceThenOnlyTheSameAdapter_data()
{
    QTest::addColumn<DeviceIdentity>("before");
    QTest::addColumn<DeviceIdentity>("after");
    QTest::addColumn<bool>("sameAdapter");
    QTest::addColumn<bool>("sameDevice");
    const DeviceIdentity ftdiA{0x0403, 0x6001, QStringLiteral("A10K3"), QStringLiteral("1-1.2")};
    const DeviceIdentity ch340{0x1a86, 0x7523, {}, QStringLiteral("1-1.2")};
    QTest::newRow("same serial number") << ftdiA << ftdiA << true << true;
    QTest::newRow("other serial number")
        << ftdiA << DeviceIdentity{0x0403, 0x6001, QStringLiteral("A10K4"), QStringLiteral("1-1.2")}
        << false << false;
    QTest::newRow("no serial, same socket") << ch340 << ch340 << true << true;
    QTest::newRow("no serial, other socket")
        << ch340 << DeviceIdentity{0x1a86, 0x7523, {}, QStringLiteral("1-1.3")} << false << false;
    // ttyUSB0 (188:0) came back as ttyUSB1, or another adapter took ttyUSB0.
    QTest::newRow("same adapter, other number")
        << DeviceIdentity{0x0403, 0x6001, QStringLiteral("A10K3"), {}, 0xbc00}
        << DeviceIdentity{0x0403, 0x6001, QStringLiteral("A10K3"), {}, 0xbc01} << true << true;
    QTest::newRow("other adapter, same number")
        << DeviceIdentity{0x0403, 0x6001, QStringLiteral("A10K3"), {}, 0xbc00}
        << DeviceIdentity{0x0403, 0x6001, QStringLiteral("A10K4"), {}, 0xbc00} << false << false;
    // /dev/pts/3 (136:3), a built-in port (4:64).
    QTest::newRow("same terminal") << DeviceIdentity{0, 0, {}, {}, 0x8803}
                                   << DeviceIdentity{0, 0, {}, {}, 0x8803} << false << true;
    QTest::newRow("other terminal") << DeviceIdentity{0, 0, {}, {}, 0x8803}
                                    << DeviceIdentity{0, 0, {}, {}, 0x8804} << false << false;
    QTest::newRow("numbers unknown") << DeviceIdentity{} << DeviceIdentity{} << false << false;
}

void TestLink::failureReopensOnceThenOnlyTheSameAdapter()
{
    QFETCH(DeviceIdentity, before);
    QFETCH(DeviceIdentity, after);
    QFETCH(bool, sameAdapter);
    QFETCH(bool, sameDevice);
    QCOMPARE(before.isSameUsbAdapterAs(after), sameAdapter);
    QCOMPARE(before.isSameDeviceAs(after), sameDevice);

    // Later, when the instant reopen found nothing: only the same USB adapter is opened.
    Rig rig(before);
    rig.link.setMaxHold(sameAdapter ? 60'000 : 100);
    rig.port.openable.clear();
    rig.port.fail();
    QCOMPARE(rig.port.openAttempts, QList<int>({3, 3}));
    QCOMPARE(rig.lost.size(), before.isUsb() ? 0 : 1);
    QCOMPARE(rig.link.isOpen(), before.isUsb());
    rig.link.write(hex("0302fa"));

    rig.port.identities[3] = after;
    rig.port.openable = {3};
    if (sameAdapter) {
        QTRY_VERIFY(rig.port.isOpen());
        QCOMPARE(rig.port.frames, QByteArrayList({hex("0302fa")}));
        return;
    }
    // Whatever took the name is asked who it is again and again, never opened, and the frame
    // held for the lost adapter is given up.
    QTRY_VERIFY(rig.dropped.size() == 1 || rig.lost.size() == 1);
    QCOMPARE(rig.port.openAttempts, QList<int>({3, 3}));
    QVERIFY(rig.port.frames.isEmpty());
    QCOMPARE(rig.port.writesWhileClosed, 0);
}

// Held frames go stale after the hold time, when a new poll begins or the operator picks
// another port; a returning adapter gets only what is still fresh.
void TestLink::staleHeldFramesNeverReachAReturningUnit()
{
    const DeviceIdentity adapter{0x0403, 0x6001, QStringLiteral("A10K3"), {}};
    Rig rig(adapter);
    rig.link.setMaxHold(100);
    rig.port.openable.clear();
    rig.port.fail();
    QCOMPARE(rig.recovered.takeFirst()[0].toBool(), false);
    rig.link.write(hex("0800fa"));
    QTRY_COMPARE(rig.dropped.size(), 1);
    rig.link.setMaxHold(60'000);
    rig.link.write(hex("0502fa"));
    rig.link.write(QByteArray(SerialLink::MaxQueuedBytes, 'x'));
    rig.port.openable = {3};
    QTRY_VERIFY(rig.port.isOpen());
    QCOMPARE(rig.port.frames, QByteArrayList({hex("0502fa")}));

    // Picking a port begins a new poll, which reads the unit anew: what was held before it,
    // for the same port or another, is given up, and the port that failed is not tried again.
    for (int picked : {3, 4}) {
        rig.port.openable.clear();
        rig.port.fail();
        rig.link.write(hex("0401fa"));
        rig.port.openable = {picked};
        QVERIFY(PortManager(rig.port).openPort(picked));
        rig.link.write(hex("0805fa"));
        QCOMPARE(rig.port.frames.last(), hex("0805fa"));
    }
    QList<QByteArrayList> dropped;
    for (const QList<QVariant> &signal : std::as_const(rig.dropped))
        dropped << signal[0].value<QByteArrayList>();
    QCOMPARE(dropped, (QList<QByteArrayList>{{hex("0800fa")},
                                             {QByteArray(SerialLink::MaxQueuedBytes, 'x')},
                                             {hex("0401fa")},
                                             {hex("0401fa")}}));
    const auto attempts = rig.port.openAttempts.size();
    QTest::qWait(60);
    QCOMPARE(rig.port.openAttempts.size(), attempts);
}

void TestLink::halfAReplyDiesWithTheLineAndThePollCountsTheLastReply()
{
    Rig rig(DeviceIdentity{0x0403, 0x6001, QStringLiteral("A10K3"), {}});
    const auto reply = [](int channel) {
        return sim::encodeReply(sim::qm520aWire(), ChannelSettings{}, channel);
    };
    QSignalSpy answered(&rig.receiver, &ReplyReceiver::channelAnswered);
    rig.port.receive(reply(4).first(30));
    rig.port.fail();
    QVERIFY(rig.port.isOpen());
    rig.port.receive(reply(4).sliced(30));
    QVERIFY2(answered.isEmpty(), "the rest of a reply cut by the failure is no reply");

    // Channel 9's late reply comes while channel 3 is asked, and 3 answers last.
    CommandSender sender(qm520a(), rig.table, rig.link);
    test::InstantWaiter waiter;
    waiter.onDelay = [&](int request) {
        if (request == 3)
            rig.port.receive(reply(9) + reply(3));
    };
    Poller poller(sender, rig.receiver, waiter);
    QVERIFY(poller.poll());
    QCOMPARE(poller.channelsFound(), 4);
    QCOMPARE(poller.answeredChannels(), (QList<int>{3, 9}));
}

void TestLink::unsentFramesLoseWhatTheDriverTook_data()
{
    QTest::addColumn<QList<qint64>>("taken");
    QTest::addColumn<QByteArrayList>("left");
    // Frames 01 02 03 and 04 05 were written.
    QTest::newRow("part of the first")
        << QList<qint64>{2} << QByteArrayList{hex("03"), hex("0405")};
    QTest::newRow("into the second") << QList<qint64>{4} << QByteArrayList{hex("05")};
    QTest::newRow("in pieces") << QList<qint64>{1, 1, 2} << QByteArrayList{hex("05")};
    QTest::newRow("more than held") << QList<qint64>{9} << QByteArrayList{};
}

void TestLink::unsentFramesLoseWhatTheDriverTook()
{
    QFETCH(QList<qint64>, taken);
    QFETCH(QByteArrayList, left);
    UnsentFrames unsent;
    unsent.append(hex("010203"));
    unsent.append(hex("0405"));
    for (qint64 count : taken)
        unsent.confirm(count);
    QCOMPARE(unsent.bytes(), left.join().size());
    QCOMPARE(unsent.take(), left);
    QVERIFY(unsent.isEmpty());
}

void TestLink::windowsDeviceNames_data()
{
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("described");
    QTest::addColumn<QString>("withAdapter");
    QTest::newRow("COM12") << 12 << "com12"
                           << R"(\\.\com12)"
                           << "COM12"
                           << "COM12 (FTDI FT232R, A9XYZ123)";
    QTest::newRow("device path") << 3 << R"(\\.\COM3)"
                                 << R"(\\.\COM3)"
                                 << R"(COM3 (\\.\COM3))"
                                 << R"(COM3 (\\.\COM3, FTDI FT232R, A9XYZ123))";
    QTest::newRow("another port's name") << 2 << "COM7"
                                         << R"(\\.\COM7)"
                                         << "COM2 (COM7)"
                                         << "COM2 (COM7, FTDI FT232R, A9XYZ123)";
}

void TestLink::windowsDeviceNames()
{
    QFETCH(int, port);
    QFETCH(QString, name);
    QFETCH(QString, path);
    QFETCH(QString, described);
    QFETCH(QString, withAdapter);
    QCOMPARE(winserial::devicePath(name), path);
    QCOMPARE(describePort(port, name), described);
    // An adapter's words follow the device, or the port alone where the device is its name.
    QCOMPARE(describePort(port, name, {"FTDI FT232R", "", "A9XYZ123"}), withAdapter);
}

// A 105-byte frame takes 219 ms of line time at 4800 baud and 110 ms at 9600.
void TestLink::windowsWriteLimit_data()
{
    QTest::addColumn<int>("baudRate");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("limitMs");
    QTest::newRow("QM-520A frame") << 4800 << 105 << 1525;
    QTest::newRow("QM-410A frame") << 9600 << 105 << 1315;
    QTest::newRow("fast line, a byte") << 115200 << 1 << 1001;
}

void TestLink::windowsWriteLimit()
{
    QFETCH(int, baudRate);
    QFETCH(int, bytes);
    QFETCH(int, limitMs);
    QCOMPARE(int(winserial::writeLimit(quint32(baudRate)).forBytes(bytes)), limitMs);
}

void TestLink::windowsUsbIdentityFromInstanceId_data()
{
    QTest::addColumn<QString>("instanceId");
    QTest::addColumn<int>("vendor");
    QTest::addColumn<int>("product");
    QTest::addColumn<QString>("serialNumber");
    QTest::newRow("USB driver") << R"(USB\VID_0403&PID_6001\A9XYZ123)" << 0x0403 << 0x6001
                                << "A9XYZ123";
    QTest::newRow("FTDI driver") << R"(FTDIBUS\VID_0403+PID_6001+A9XYZ123A\0000)" << 0x0403
                                 << 0x6001 << "A9XYZ123A";
    QTest::newRow("no serial number")
        << R"(USB\VID_067B&PID_2303\5&2A3B4C5D&0&2)" << 0x067b << 0x2303 << "";
    QTest::newRow("built-in port") << R"(ACPI\PNP0501\1)" << 0 << 0 << "";
}

void TestLink::windowsUsbIdentityFromInstanceId()
{
    QFETCH(QString, instanceId);
    QFETCH(int, vendor);
    QFETCH(int, product);
    QFETCH(QString, serialNumber);
    const DeviceIdentity identity = winserial::identityFromInstanceId(instanceId);
    QCOMPARE(int(identity.vendor), vendor);
    QCOMPARE(int(identity.product), product);
    QCOMPARE(identity.serialNumber, serialNumber);
}

QTEST_GUILESS_MAIN(TestLink)
#include "test_link.moc"
