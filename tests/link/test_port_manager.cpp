#include "FakeSerialPort.h"
#include "PortManager.h"
#include "PortMap.h"

#include <QTest>

using namespace qm;

class TestPortManager : public QObject
{
    Q_OBJECT
private slots:
    void portNumbersMapOntoDevicesWithOverrides();
    void discoveryListsOpenablePortsAndLeavesThePortClosed();
    void openingFollowsTheListAndClosesTheOldPort();
    void onlyRefusingDevicesAreReported();
};

void TestPortManager::portNumbersMapOntoDevicesWithOverrides()
{
    PortMap map({{3, QStringLiteral("/dev/pts/5")}, {17, QStringLiteral("/dev/null")}});
#ifdef Q_OS_WIN
    QCOMPARE(map.devicePath(1), QStringLiteral("COM1"));
#else
    QCOMPARE(map.devicePath(1), QStringLiteral("/dev/ttyS0"));
    QCOMPARE(map.devicePath(4), QStringLiteral("/dev/ttyS3"));
    QCOMPARE(map.devicePath(5), QStringLiteral("/dev/ttyUSB0"));
    QCOMPARE(map.devicePath(12), QStringLiteral("/dev/ttyUSB7"));
    QCOMPARE(map.devicePath(13), QStringLiteral("/dev/ttyACM0"));
    QCOMPARE(map.devicePath(16), QStringLiteral("/dev/ttyACM3"));
#endif
    QCOMPARE(map.devicePath(3), QStringLiteral("/dev/pts/5"));
    QVERIFY(map.devicePath(0).isEmpty());
    QVERIFY(map.devicePath(17).isEmpty());
    map.setOverride(3, {});
    QCOMPARE(map.devicePath(3), PortMap::defaultDevicePath(3));
}

void TestPortManager::discoveryListsOpenablePortsAndLeavesThePortClosed()
{
    test::FakeSerialPort port;
    port.openable = {1, 3, 4, 16, 17};
    SharedState state;
    state.portList = {9};
    PortManager(port, state).findPorts();

    QCOMPARE(state.portList, QList<qint16>({1, 3, 4, 16}));
    QVERIFY(!port.isOpen());
    QList<int> all;
    for (int n = 1; n <= 16; ++n)
        all << n;
    QCOMPARE(port.openAttempts, all);
}

void TestPortManager::openingFollowsTheListAndClosesTheOldPort()
{
    test::FakeSerialPort port;
    port.openable = {1, 3, 4};
    SharedState state;
    PortManager ports(port, state);
    ports.findPorts();
    port.openAttempts.clear();

    QVERIFY(ports.openPortIfListed(3));
    QVERIFY(port.isOpen());
    QCOMPARE(port.portNumber(), 3);

    QVERIFY(!ports.openPortIfListed(2));
    QVERIFY(port.isOpen());
    QCOMPARE(port.portNumber(), 3);
    QCOMPARE(port.openAttempts, QList<int>({3}));

    // Taken by another program since discovery: the old port is closed by the attempt.
    port.openable.remove(4);
    QVERIFY(!ports.openPortIfListed(4));
    QVERIFY(!port.isOpen());
    QCOMPARE(port.portNumber(), 4);

    QVERIFY(ports.openPort(1));
    QVERIFY(ports.openPort(3));
    QCOMPARE(port.portNumber(), 3);
    QVERIFY(port.isOpen());
}

void TestPortManager::onlyRefusingDevicesAreReported()
{
    test::FakeSerialPort port;
    port.openable = {1};
    port.present = {5};
    QStringList lines;
    SharedState state;
    PortManager ports(port, state, [&lines](const QString &line) { lines << line; });
    ports.findPorts();
    QCOMPARE(lines, QStringList({QStringLiteral("COM5 (/dev/ttyFAKE5): Permission denied")}));

    state.portList << 5;
    QVERIFY(!ports.openPortIfListed(5));
    QCOMPARE(lines.size(), 2);
    QVERIFY(!ports.openPort(7));
    QCOMPARE(lines.size(), 2);
}

QTEST_GUILESS_MAIN(TestPortManager)
#include "test_port_manager.moc"
