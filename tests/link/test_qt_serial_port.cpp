#include "link/PortManager.h"
#include "link/QtSerialPort.h"
#include "link/SerialDevice.h"
#include "link/SerialLink.h"
#include "multiupdate/MultiUpdateRun.h"
#include "protocol/CommandSender.h"
#include "tests/support/Deadline.h"
#include "tests/support/Files.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/UnitPort.h"

#include <QProcess>
#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <optional>
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
// terminal for meddling with it as other programs or the kernel do. Which USB adapter the
// device claims to be is up to the test.
struct PtyRig
{
    QTemporaryDir dir;
    QString device = test::PseudoTerminal::uniqueLinkPath(dir);
    std::unique_ptr<test::PseudoTerminal> unit;
    int other = -1;
    DeviceIdentity identity;
    // Runs once, when the port next asks who its device is.
    std::function<void()> onIdentityRead;
    ChannelTable table;
    const UnitModel &model;
    QtSerialPort port{PortMap({{1, device}}), model.baudRate, [this](const QString &) {
                          if (const auto hook = std::exchange(onIdentityRead, {}))
                              hook();
                          return identity;
                      }};
    ReplyReceiver receiver{model, table};
    SerialLink link{port, receiver};
    QSignalSpy answered{&receiver, &ReplyReceiver::channelAnswered};
    QSignalSpy failed{&port, &SerialPort::failed};

    explicit PtyRig(const UnitModel &unitModel = qm410a()) : model(unitModel)
    {
        plugIn();
        port.setPortNumber(1);
        link.setRetryInterval(20);
    }
    ~PtyRig() { ::close(other); }
    void plugIn()
    {
        unit = std::make_unique<test::PseudoTerminal>(device);
        ::close(other);
        other = openRaw(device);
    }
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
    void lockFilesNameTheirHolder_data();
    void lockFilesNameTheirHolder();
    void lineSettingsFollowTheModel_data();
    void lineSettingsFollowTheModel();
    void receptionSurvivesLeftoversPiecesAndSpuriousErrors();
    void probeLeavesWaitingInputToItsOwner();
    void unpluggedAdapterIsReopenedAndGetsTheUnsentFrame();
    void reopenAtOnceKeepsTheSameDeviceOnly();
    void secondPortOnTheDeviceIsRefusedWhateverItsName();
    void runsOntoAFullLineArriveWhole();
    void waitUntilSentEndsWhenTheDriverHasItAllOrAtTheDeadline();
};

void TestQtSerialPort::lineSettingsFollowTheModel_data()
{
    QTest::addColumn<bool>("is520a");
    QTest::addColumn<int>("asked"); // the speed set before the open; 0 for none
    QTest::addColumn<int>("speed");
    QTest::newRow("QM-410A") << false << 0 << int(B9600);
    QTest::newRow("QM-520A") << true << 0 << int(B4800);
    QTest::newRow("QM-410A's port at 4800") << false << 4800 << int(B4800);
    QTest::newRow("QM-520A's port at 9600") << true << 9600 << int(B9600);
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

    // Output stops between the port's wake-up for writing and its write.
    QSocketNotifier stopper(rig.other, QSocketNotifier::Write);
    connect(&stopper, &QSocketNotifier::activated, this, [&] {
        ::tcflow(rig.other, TCOOFF);
        stopper.setEnabled(false);
    });
    rig.link.write(QByteArray::fromHex("0802fa"));
    QTRY_VERIFY_WITH_TIMEOUT(!stopper.isEnabled(), test::DeadlineMs);
    QTest::qWait(50);
    ::tcflow(rig.other, TCOON);
    QVERIFY(rig.received(QByteArray::fromHex("0802fa")));
    QCOMPARE(rig.failed.size(), 0);

    // A stream of such errors means the port is not well after all: it is reopened.
    stealing = true;
    for (int i = 1; rig.failed.isEmpty() && i <= 25; ++i) {
        rig.unit->send("x");
        QTRY_COMPARE_WITH_TIMEOUT(stolen, reply(1).size() + i, test::DeadlineMs);
    }
    QCOMPARE(rig.failed.size(), 1);
    QTRY_VERIFY_WITH_TIMEOUT(rig.port.isOpen(), test::DeadlineMs);
}

// Another program's port: the probe must leave the bytes waiting for it where they are.
void TestQtSerialPort::probeLeavesWaitingInputToItsOwner()
{
    PtyRig rig;
    const QByteArray waiting(96, 'w');
    rig.unit->send(waiting);
    QVERIFY(PortManager(rig.port).probePort(1));
    QByteArray read;
    QVERIFY(QTest::qWaitFor([&] {
        char buffer[128];
        for (ssize_t n; (n = ::read(rig.other, buffer, sizeof buffer)) > 0;)
            read.append(buffer, n);
        return read.size() >= waiting.size();
    }));
    QCOMPARE(read, waiting);
}

// The frame the driver had not taken when the adapter went reaches it once it is back; other
// devices under the name are the link's tests' and the end-to-end runs' concern.
void TestQtSerialPort::unpluggedAdapterIsReopenedAndGetsTheUnsentFrame()
{
    PtyRig rig;
    rig.identity = {0x0403, 0x6001, QStringLiteral("A10K3"), {}};
    QSignalSpy recovered(&rig.link, &SerialLink::recovered);
    QVERIFY(PortManager(rig.port).openPort(1));
    ::tcflow(rig.other, TCOOFF); // the frame stays in the program
    rig.link.write(QByteArray::fromHex("0807fa"));
    QTest::qWait(20);
    QCOMPARE(rig.port.unsentBytes(), 3);

    rig.unit->hangUp();
    QTRY_COMPARE_WITH_TIMEOUT(recovered.size(), 1, test::DeadlineMs);
    QCOMPARE(recovered[0][0].toBool(), false);
    QTest::qWait(60);
    QCOMPARE(rig.failed.size(), 1); // not once per read of the hung-up descriptor

    rig.plugIn();
    QTRY_VERIFY_WITH_TIMEOUT(rig.port.isOpen(), test::DeadlineMs);
    QVERIFY(rig.received(QByteArray::fromHex("0807fa")));
    rig.unit->send(reply(6));
    QTRY_COMPARE_WITH_TIMEOUT(rig.answered.size(), 1, test::DeadlineMs);
}

// The one reopen at once goes by the device the descriptor has open, not by the name: the same
// terminal after a passing failure gets what its driver had not taken (and not again what it
// had), also when the name points elsewhere right after the open; another terminal that had
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

    std::optional<test::PseudoTerminal> other;
    rig.onIdentityRead = [&] {
        other.emplace(rig.device);
    };
    QTest::qWait(20); // past the guard against a flapping device
    emit rig.port.failed();
    QCOMPARE(recovered.size(), 2);
    QVERIFY(other.has_value());
    rig.link.write(hex("0401fa"));
    QVERIFY(rig.received(hex("0401fa")));

    ::tcflow(rig.other, TCOOFF); // the frames stay in the program
    rig.link.write(hex("0302fa"));
    rig.link.write(hex("80800502fa"));
    QTest::qWait(20); // past the guard again; the driver takes nothing
    QCOMPARE(rig.port.unsentBytes(), 8);
    const int otherProgram = openRaw(rig.device);
    other->send("waiting");
    QTRY_COMPARE_WITH_TIMEOUT(unreadBytes(otherProgram), 7, test::DeadlineMs);
    rig.unit->hangUp();
    QVERIFY(lost.wait(test::DeadlineMs));
    QCOMPARE(dropped.size(), 1);
    QCOMPARE(dropped[0][0].value<QByteArrayList>(),
             QByteArrayList({hex("0302fa"), hex("80800502fa")}));
    QVERIFY(!rig.port.isOpen());
    QCOMPARE(recovered.size(), 2);
    QCOMPARE(other->takeAvailable(), QByteArray());
    QCOMPARE(unreadBytes(otherProgram), 7);
    ::close(otherProgram);
}

// One program per device: a second port on the terminal, reached through another link, is
// refused as in use and told who holds it (this very program), until the first one closes.
void TestQtSerialPort::secondPortOnTheDeviceIsRefusedWhateverItsName()
{
    PtyRig rig;
    const QString otherName = rig.dir.filePath(QStringLiteral("other-name"));
    QVERIFY(QFile::link(QFileInfo(rig.device).symLinkTarget(), otherName));
    QtSerialPort second(PortMap({{1, otherName}}), rig.model.baudRate);
    second.setPortNumber(1);
    QVERIFY(rig.port.open());
    QVERIFY(!second.open());
    QVERIFY(!second.isOpen());
    const QString holder =
        QStringLiteral("test_qt_serial_ (process %1)").arg(QCoreApplication::applicationPid());
    QCOMPARE(second.refusalCause(), SerialPort::RefusalCause::InUse);
    QCOMPARE(second.refusalDetail(), holder);
    QCOMPARE(second.errorString(), holder + " holds it; close that program");
    rig.port.close();
    QVERIFY(second.open());
}

void TestQtSerialPort::lockFilesNameTheirHolder_data()
{
    QTest::addColumn<QByteArray>("contents"); // %1: a process number
    QTest::addColumn<bool>("ended");          // of a process that has ended, or of this one
    QTest::addColumn<SerialPort::RefusalCause>("cause");
    QTest::addColumn<QString>("detail"); // %1: the process number, %2: the lock file
    QTest::newRow("this program") << QByteArray("%1\ntest\nhost\n") << false
                                  << SerialPort::RefusalCause::InUse
                                  << "test_qt_serial_ (process %1)";
    QTest::newRow("UUCP style, ended")
        << QByteArray("     %1\n") << true << SerialPort::RefusalCause::StaleLock << "%2";
    QTest::newRow("no number") << QByteArray("locked\n") << false << SerialPort::RefusalCause::InUse
                               << "";
}

// A device refused for a lock file that another program left: the file's process is named, or
// when it has ended, the file itself.
void TestQtSerialPort::lockFilesNameTheirHolder()
{
    QFETCH(QByteArray, contents);
    QFETCH(bool, ended);
    QFETCH(SerialPort::RefusalCause, cause);
    QFETCH(QString, detail);
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("tty"));
    QFile stand(device);
    QVERIFY(stand.open(QIODevice::WriteOnly));
    QFile lock(QStringLiteral("/var/lock/LCK..") + QString(device).replace(u'/', u'_'));
    if (!lock.open(QIODevice::WriteOnly))
        QSKIP("the lock folder cannot be written");
    qint64 pid = QCoreApplication::applicationPid();
    if (ended) {
        QProcess gone;
        gone.start(QStringLiteral("true"));
        QVERIFY(gone.waitForStarted(test::DeadlineMs));
        pid = gone.processId();
        QVERIFY(gone.waitForFinished(test::DeadlineMs));
    }
    lock.write(QString::fromLatin1(contents).arg(pid).toLatin1());
    lock.close();
    const serialdevice::Refusal refusal =
        serialdevice::explainRefusal(QSerialPort::PermissionError, "locked", device);
    lock.remove();
    QCOMPARE(refusal.cause, cause);
    QCOMPARE(refusal.detail,
             detail.replace("%1", QString::number(pid)).replace("%2", lock.fileName()));
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
    QVERIFY(rig.port.isOpen());
    QVERIFY(!rig.link.isRecovering());
    QTRY_COMPARE_WITH_TIMEOUT(rig.port.unsentBytes(), 0,
                              test::DeadlineMs); // once told of the write
}

// A command-line run waits for its last frames to leave before it closes the port.
void TestQtSerialPort::waitUntilSentEndsWhenTheDriverHasItAllOrAtTheDeadline()
{
    PtyRig rig;
    QVERIFY(rig.port.open());
    ::tcflow(rig.other, TCOOFF);
    rig.port.write(hex("0807fa"));
    QVERIFY(!rig.port.waitUntilSent(50));
    QCOMPARE(rig.port.unsentBytes(), 3);
    ::tcflow(rig.other, TCOON);
    QVERIFY(rig.port.waitUntilSent(test::DeadlineMs));
    QCOMPARE(rig.port.unsentBytes(), 0);
    rig.port.close(); // as the run would: what the driver has is no longer the port's
    QVERIFY(rig.received(hex("0807fa")));
}

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "test_qt_serial_port.moc"
