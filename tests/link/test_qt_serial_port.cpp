#include "link/DeviceKind.h"
#include "link/PortManager.h"
#include "link/QtSerialPort.h"
#include "link/SerialDevice.h"
#include "link/SerialLink.h"
#include "multiupdate/MultiUpdateRun.h"
#include "protocol/CommandSender.h"
#include "tests/support/Deadline.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/Files.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/UnitPort.h"

#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

using namespace qm;
using test::hex;

namespace {

QByteArray reply(int channel)
{
    return test::unitReply(qm410a(), {}, channel);
}

// Another program's descriptor on a terminal, leaving the line's bytes as they are.
int openRaw(const QString &device)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios raw{};
    ::tcgetattr(fd, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(fd, TCSANOW, &raw);
    return fd;
}

// Bytes that no one has read from the descriptor yet.
int unreadBytes(int fd)
{
    int count = 0;
    return ::ioctl(fd, FIONREAD, &count) == 0 ? count : -1;
}

// The link on a pseudo-terminal reached through a symbolic link, so that a test can unplug
// the device and plug in another under the same name; `other` is a second descriptor on the
// terminal for meddling with it as other programs or the kernel do.
struct PtyRig
{
    QTemporaryDir dir;
    QString device = test::PseudoTerminal::uniqueLinkPath(dir);
    std::unique_ptr<test::PseudoTerminal> unit;
    int other;
    ChannelTable table;
    const UnitModel &model;
    QtSerialPort port{PortMap({{1, device}}), model.baudRate};
    ReplyReceiver receiver{model, table};
    SerialLink link{port, receiver};
    QSignalSpy answered{&receiver, &ReplyReceiver::channelAnswered};
    QSignalSpy failed{&port, &SerialPort::failed};

    explicit PtyRig(const UnitModel &unitModel = qm410a())
        : unit(std::make_unique<test::PseudoTerminal>(device)), other(openRaw(device)),
          model(unitModel)
    {
        port.setPortNumber(1);
        link.setRetryInterval(20);
    }
    ~PtyRig() { ::close(other); }
    // Output waiting for a unit that reads nothing, as much as the driver holds; how much.
    qsizetype fillLine() const
    {
        const char zeros[256] = {};
        qsizetype waiting = 0;
        for (ssize_t n; (n = ::write(other, zeros, sizeof zeros)) > 0;)
            waiting += n;
        return waiting;
    }
    bool received(const QByteArray &expected)
    {
        QByteArray bytes;
        return QTest::qWaitFor([&] { return (bytes += unit->takeAvailable()) == expected; },
                               test::DeadlineMs);
    }
};

} // namespace

class TestQtSerialPort : public QObject
{
    Q_OBJECT
private slots:
    void lineSettingsFollowTheModel_data();
    void lineSettingsFollowTheModel();
    void receptionSurvivesLeftoversPiecesAndSpuriousErrors();
    void reopenAtOnceKeepsTheSameDeviceOnly();
    void runsOntoAFullLineArriveWhole();
    void waitUntilSentWaitsForTheDriver();
    void aRefusedOpenLeavesTheHoldersLineAlone();
    void lockFilesNameTheirHolderOrThemselves_data();
    void onlySerialDevicesAreOpened_data();
    void onlySerialDevicesAreOpened();
    void lockFilesNameTheirHolderOrThemselves();
};

void TestQtSerialPort::lineSettingsFollowTheModel_data()
{
    QTest::addColumn<bool>("is520a");
    QTest::addColumn<int>("asked"); // the speed set before the open; 0 for none
    QTest::addColumn<int>("speed");
    QTest::newRow("QM-410A") << false << 0 << int(B9600);
    QTest::newRow("QM-520A") << true << 0 << int(B4800);
    QTest::newRow("QM-410A's port at 4800") << false << 4800 << int(B4800);
}

// As the terminal itself reports them: the model's speed, or the one set, both ways, 8 data
// bits, no parity, one stop bit.
void TestQtSerialPort::lineSettingsFollowTheModel()
{
    QFETCH(bool, is520a);
    QFETCH(int, asked);
    QFETCH(int, speed);
    PtyRig rig(is520a ? qm520a() : qm410a());
    if (asked != 0)
        rig.port.setBaudRate(asked);
    QVERIFY(rig.port.open());
    termios line{};
    QCOMPARE(::tcgetattr(rig.other, &line), 0);
    QCOMPARE(int(::cfgetospeed(&line)), speed);
    QCOMPARE(int(::cfgetispeed(&line)), speed);
    QCOMPARE(line.c_cflag & CSIZE, tcflag_t(CS8));
    QCOMPARE(line.c_cflag & (PARENB | CSTOPB), tcflag_t(0));
}

// QSerialPort 6.4 took a wake-up without bytes for an error and, with EAGAIN left in errno,
// switched reception off for good; a write meeting a full transmit buffer it reports like an
// unplugged device. Neither may close the port or stop reception.
void TestQtSerialPort::receptionSurvivesLeftoversPiecesAndSpuriousErrors()
{
    PtyRig rig;
    rig.unit->send(reply(9)); // left over from before the program started
    // Registered before the port opens, so it is woken first and takes the bytes.
    QSocketNotifier thief(rig.other, QSocketNotifier::Read);
    qsizetype stolen = 0;
    bool stealing = true;
    connect(&thief, &QSocketNotifier::activated, this, [&] {
        if (!stealing)
            return;
        char buffer[256];
        for (ssize_t n; (n = ::read(rig.other, buffer, sizeof buffer)) > 0;)
            stolen += n;
        errno = EAGAIN; // what the event dispatcher's own non-blocking reads leave behind
    });
    QVERIFY(rig.port.open());
    rig.port.claim();
    rig.unit->send(reply(1));
    QTRY_COMPARE_WITH_TIMEOUT(stolen, reply(1).size(), test::DeadlineMs);
    stealing = false;
    rig.unit->send(reply(4).first(50));
    QTRY_COMPARE_WITH_TIMEOUT(unreadBytes(rig.other), 0, test::DeadlineMs); // a piece at a time
    rig.unit->send(reply(4).sliced(50));
    QTRY_COMPARE_WITH_TIMEOUT(rig.answered.size(), 1, test::DeadlineMs);
    QCOMPARE(rig.answered[0][0].toInt(), 4);

    // A stream of such errors means the port is not well after all: it is reopened.
    stealing = true;
    for (int i = 1; rig.failed.isEmpty() && i <= 25; ++i) {
        rig.unit->send("x");
        QTRY_COMPARE_WITH_TIMEOUT(stolen, reply(1).size() + i, test::DeadlineMs);
    }
    QCOMPARE(rig.failed.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(rig.port.isOpen(), test::DeadlineMs);
}

// The one reopen at once goes by the device the descriptor has open, not by the name: the same
// terminal after a passing failure gets what its driver had not taken (and not again what it
// had); another terminal that had
// the name when the first hung up is closed untouched (its waiting input stays, nothing is
// written), the frames are given up and the line is lost.
void TestQtSerialPort::reopenAtOnceKeepsTheSameDeviceOnly()
{
    PtyRig rig;
    QSignalSpy recovered(&rig.link, &SerialLink::recovered);
    QSignalSpy lost(&rig.link, &SerialLink::lineLost);
    QSignalSpy dropped(&rig.link, &SerialLink::framesDropped);
    QVERIFY(PortManager(rig.port).openPort(1));
    rig.link.write(hex("0807fa"));
    emit rig.port.failed();
    QCOMPARE(recovered.size(), 1);
    QVERIFY(rig.port.isOpen());
    QVERIFY(rig.received(hex("0807fa")));

    ::tcflow(rig.other, TCOOFF); // the frames stay in the program
    rig.link.write(hex("0302fa"));
    rig.link.write(hex("80800502fa"));
    QTest::qWait(20); // past the guard against a flapping device; the driver takes nothing
    QCOMPARE(rig.port.unsentBytes(), 8);
    test::PseudoTerminal other(rig.device);
    const int otherProgram = openRaw(rig.device);
    other.send("waiting");
    QTRY_COMPARE_WITH_TIMEOUT(unreadBytes(otherProgram), 7, test::DeadlineMs);
    rig.unit->hangUp();
    QVERIFY(lost.wait(test::DeadlineMs));
    QCOMPARE(dropped.size(), 1);
    QCOMPARE(dropped[0][0].value<QByteArrayList>(),
             QByteArrayList({hex("0302fa"), hex("80800502fa")}));
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(recovered.size(), 1);
    QCOMPARE(other.takeAvailable(), QByteArray());
    QCOMPARE(unreadBytes(otherProgram), 7);
    ::close(otherProgram);
}

// Multi-channel runs write their frames back to back, far faster than a line carries them.
// They must all reach the line, whole and in order, also when the driver's transmit buffer is
// full, and a full buffer must not pass for an unplugged port.
void TestQtSerialPort::runsOntoAFullLineArriveWhole()
{
    PtyRig rig(qm520a());
    QVERIFY(rig.port.open());
    for (int index = 0; index < ChannelTable::size(); ++index) {
        rig.table[index][Field::HorizPos] = static_cast<quint8>(index * 7);
        rig.table[index].texts[0] = QStringLiteral("LINE %1").arg(index);
    }
    ChannelTable expectedTable = rig.table;
    CommandSender sender(rig.model, rig.table, rig.link);
    QSignalSpy dropped(&rig.link, &SerialLink::framesDropped);
    test::RecordingSink expectedSink;
    CommandSender expectedSender(rig.model, expectedTable, expectedSink);
    updateMultiple(rig.model, expectedTable, 3, 4095, 4095, expectedSender, {});
    const QByteArray oneRun = expectedSink.takeAll();

    // Output still waiting for a slow line: the first run meets a driver that takes nothing,
    // the next ones pile up behind it, more than it could hold even if it were empty.
    const qsizetype waiting = rig.fillLine();
    QVERIFY(waiting > 0);
    constexpr int Runs = 300;
    updateMultiple(rig.model, rig.table, 3, 4095, 4095, sender, {});
    QTRY_COMPARE_WITH_TIMEOUT(rig.port.unsentBytes(), oneRun.size(), test::DeadlineMs);
    for (int run = 1; run < Runs; ++run)
        updateMultiple(rig.model, rig.table, 3, 4095, 4095, sender, {});

    const QByteArray expected = QByteArray(waiting, '\0') + oneRun.repeated(Runs);
    QByteArray heard;
    static_cast<void>(QTest::qWaitFor(
        [&] { return (heard += rig.unit->takeAvailable()).size() >= expected.size(); },
        test::DeadlineMs));
    QCOMPARE(heard.size(), expected.size());
    QVERIFY(heard == expected); // QCOMPARE would print a 400 kB mismatch
    QCOMPARE(rig.failed.size(), 0);
    QCOMPARE(dropped.size(), 0);
    QVERIFY(!rig.link.isRecovering());
    QTRY_COMPARE_WITH_TIMEOUT(rig.port.unsentBytes(), 0,
                              test::DeadlineMs); // once told of the write
}

// A command-line run waits for its last frames to leave before it closes the port.
void TestQtSerialPort::waitUntilSentWaitsForTheDriver()
{
    PtyRig rig;
    QVERIFY(rig.port.open());
    ::tcflow(rig.other, TCOOFF);
    rig.port.write(hex("0807fa"));
    QVERIFY(!rig.port.waitUntilSent(50));
    ::tcflow(rig.other, TCOON);
    QVERIFY(rig.port.waitUntilSent(test::DeadlineMs));
}

// Another of our programs, for the other model, reaches the device a panel holds under another
// name: it is turned away without setting the line even for an instant, which would cost the
// holder the frames on their way meanwhile.
void TestQtSerialPort::aRefusedOpenLeavesTheHoldersLineAlone()
{
    PtyRig rig(qm520a());
    QVERIFY(rig.port.open());
    const QString otherName = rig.dir.filePath(QStringLiteral("other-name"));
    QVERIFY(QFile::link(QFile::symLinkTarget(rig.device), otherName));
    QVERIFY(rig.unit->watchLineSettings(rig.other));
    QVERIFY(rig.unit->lineSettingsWereSet()); // the watch sees its own start

    QtSerialPort intruder(PortMap({{1, otherName}}), qm410a().baudRate);
    intruder.setPortNumber(1);
    QVERIFY(!intruder.open());
    QCOMPARE(intruder.refusalCause(), SerialPort::RefusalCause::InUse);
    QCOMPARE(intruder.errorString(), QStringLiteral("test_qt_serial_ (process %1) holds it; close "
                                                    "that program")
                                         .arg(QCoreApplication::applicationPid()));
    QVERIFY(!rig.unit->lineSettingsWereSet());
    // Once the holder lets go, the device is free.
    rig.port.close();
    QVERIFY(intruder.open());
}

void TestQtSerialPort::lockFilesNameTheirHolderOrThemselves_data()
{
    using Cause = SerialPort::RefusalCause;
    QTest::addColumn<QByteArray>("contents"); // "<pid>" stands for this process
    QTest::addColumn<Cause>("cause");
    QTest::addColumn<QString>("detail"); // "<file>" stands for the lock file
    // The system keeps 15 characters of a program's name.
    QTest::newRow("held") << QByteArray("     <pid>\n") << Cause::InUse
                          << "test_qt_serial_ (process <pid>)";
    // Process numbers stop at 2^22 on Linux: this one never ran.
    QTest::newRow("stale") << QByteArray("99999999\nqmctl\n") << Cause::StaleLock << "<file>";
    QTest::newRow("empty") << QByteArray() << Cause::UnnamedLock << "<file>";
    QTest::newRow("no process number") << QByteArray("qmctl\n") << Cause::UnnamedLock << "<file>";
    QTest::newRow("process number 0") << QByteArray("0\n") << Cause::UnnamedLock << "<file>";
}

// Written in a folder of the test's own, never in the system's lock folder.
void TestQtSerialPort::lockFilesNameTheirHolderOrThemselves()
{
    QFETCH(QByteArray, contents);
    QFETCH(SerialPort::RefusalCause, cause);
    QFETCH(QString, detail);
    QTemporaryDir dir;
    const QString file = dir.filePath("LCK..ttyS0");
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid());
    QVERIFY(test::writeFile(file, contents.replace("<pid>", pid)));
    const serialdevice::Refusal refusal = serialdevice::lockFileHolder(file);
    QCOMPARE(refusal.cause, cause);
    QCOMPARE(refusal.detail, detail.replace("<pid>", pid).replace("<file>", file));
}

void TestQtSerialPort::onlySerialDevicesAreOpened_data()
{
    QTest::addColumn<QString>("device"); // "<dir>": a folder of the test's; "<pty>": a terminal
    QTest::addColumn<QString>("why");    // empty: it may be opened
    const auto row = [](const char *tag, const char *device, const char *why) {
        QTest::newRow(tag) << QString(device) << QString(why);
    };
    row("pseudo-terminal", "<pty>", "");
    row("nothing there", "<dir>/none", "");
    row("the program's own terminal", "<own>", "the terminal this program runs in");
    row("the controlling terminal", "/dev/tty", "the terminal of whatever program opens it");
    row("console", "/dev/console", "a console");
    row("no terminal", "/dev/null", "a device that is no terminal");
    row("regular file", "<dir>/file", "a regular file");
    row("folder", "<dir>", "a folder");
}

// The program's own terminal is a pseudo-terminal made its standard input for the while.
void TestQtSerialPort::onlySerialDevicesAreOpened()
{
    QFETCH(QString, device);
    QFETCH(QString, why);
    QTemporaryDir dir;
    QVERIFY(test::writeFile(dir.filePath("file"), "frames"));
    const QString ptyPath = test::PseudoTerminal::uniqueLinkPath(dir);
    test::PseudoTerminal pty(ptyPath);
    const int savedInput = ::dup(STDIN_FILENO);
    const int ownTerminal = openRaw(ptyPath);
    if (device == u"<own>") {
        QCOMPARE(::dup2(ownTerminal, STDIN_FILENO), STDIN_FILENO);
        device = ptyPath;
    }
    device.replace("<dir>", dir.path()).replace("<pty>", ptyPath);
    const QString said = whyNotSerialDevice(device);
    // The panels and qmctl open through this, and what it refuses is never opened.
    const PortMap map({{2, device}});
    test::FakeSerialPort port;
    port.setPortMap(map);
    port.openable = {2};
    QStringList lines;
    const bool opened =
        PortManager(port, [&](const QString &line) { lines << line; }).openNamedPort(2);
    ::dup2(savedInput, STDIN_FILENO);
    ::close(savedInput);
    ::close(ownTerminal);
    QCOMPARE(said, why);
    QCOMPARE(opened, why.isEmpty());
    QCOMPARE(port.openAttempts.size(), why.isEmpty() ? 1 : 0);
    if (!why.isEmpty())
        QCOMPARE(lines, QStringList{QString("COM2 (%1): it is %2, not a serial device; use the "
                                            "unit's serial device instead.")
                                        .arg(device, why)});
}

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "test_qt_serial_port.moc"
