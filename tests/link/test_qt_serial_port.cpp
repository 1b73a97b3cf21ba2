#include "PseudoTerminal.h"
#include "QtSerialPort.h"
#include "ReplyEncoder.h"
#include "SerialLink.h"

#include <QSignalSpy>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace qm;

namespace {

QByteArray reply(int channel)
{
    return encodeReply(qm410a(), ChannelSettings{}, quint8(channel));
}

// A second descriptor on the port's terminal, for meddling with it the way other programs or
// the kernel do.
class SecondDescriptor
{
public:
    explicit SecondDescriptor(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {}
    ~SecondDescriptor() { ::close(m_fd); }
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// The port, the link and a receiver on a pseudo-terminal reached through a symbolic link, so
// that a test can unplug the device and plug in another one under the same name.
struct PtyRig
{
    QTemporaryDir dir;
    QString device = dir.filePath(QStringLiteral("ttyUNIT"));
    std::unique_ptr<test::PseudoTerminal> unit = std::make_unique<test::PseudoTerminal>();
    ChannelTable table;
    SharedState state;
    QtSerialPort port{PortMap({{1, device}}), qm410a().baudRate};
    ReplyReceiver receiver{qm410a(), table, state};
    SerialLink link{port, receiver};

    PtyRig()
    {
        plugIn();
        port.setPortNumber(1);
        link.setRetryInterval(20);
    }
    bool plugIn()
    {
        QFile::remove(device);
        return unit->isValid() && QFile::link(unit->slavePath(), device);
    }
    void replug()
    {
        unit = std::make_unique<test::PseudoTerminal>();
        plugIn();
    }
};

} // namespace

class TestQtSerialPort : public QObject
{
    Q_OBJECT
private slots:
    void repliesComeInPiecesAndFramesGoOut();
    void spuriousErrorsOfAWorkingPortAreNoFailure();
    void unpluggedDeviceIsReopenedAndGetsTheUnsentFrame();
};

void TestQtSerialPort::repliesComeInPiecesAndFramesGoOut()
{
    PtyRig rig;
    QVERIFY(rig.unit->isValid());
    QSignalSpy answered(&rig.receiver, &ReplyReceiver::channelAnswered);
    rig.unit->send(reply(9)); // left over from before the program started
    QVERIFY(rig.port.open());
    rig.unit->takeAvailable(); // echoed by the terminal before the port made it raw

    const QByteArray bytes = reply(4);
    rig.unit->send(bytes.first(50));
    QTest::qWait(20);
    rig.unit->send(bytes.sliced(50));
    QTRY_COMPARE(answered.size(), 1);
    QCOMPARE(answered[0][0].toInt(), 4);

    rig.link.write(QByteArray::fromHex("0803fa"));
    QByteArray received;
    QTRY_COMPARE(received += rig.unit->takeAvailable(), QByteArray::fromHex("0803fa"));
    QTRY_COMPARE(rig.port.unsentBytes(), 0);
}

// Reproduces two faults of QSerialPort 6.4 on a working port: a wake-up without bytes, read
// as an error (with EAGAIN left in errno it switched reception off for good), and a write
// that meets a full transmit buffer, reported like an unplugged device.
void TestQtSerialPort::spuriousErrorsOfAWorkingPortAreNoFailure()
{
    PtyRig rig;
    QSignalSpy answered(&rig.receiver, &ReplyReceiver::channelAnswered);
    QSignalSpy failed(&rig.port, &SerialPort::failed);
    // Registered before the port opens, so it is woken first and takes the bytes.
    SecondDescriptor other(rig.device);
    QSocketNotifier thief(other.fd(), QSocketNotifier::Read);
    QByteArray stolen;
    connect(&thief, &QSocketNotifier::activated, this, [&] {
        char buffer[256];
        for (ssize_t n; (n = ::read(other.fd(), buffer, sizeof buffer)) > 0;)
            stolen.append(buffer, n);
        errno = EAGAIN; // what the event dispatcher's own non-blocking reads leave behind
    });
    QVERIFY(rig.port.open());
    rig.unit->send(reply(1));
    QTRY_COMPARE(stolen.size(), reply(1).size());
    thief.setEnabled(false);
    rig.unit->send(reply(2));
    QTRY_COMPARE(answered.size(), 1);
    QCOMPARE(answered[0][0].toInt(), 2);

    // Output stops between the port's wake-up for writing and its write: EAGAIN.
    QSocketNotifier stopper(other.fd(), QSocketNotifier::Write);
    connect(&stopper, &QSocketNotifier::activated, this, [&] {
        ::tcflow(other.fd(), TCOOFF);
        stopper.setEnabled(false);
    });
    rig.link.write(QByteArray::fromHex("0802fa"));
    QTRY_VERIFY(!stopper.isEnabled());
    QTest::qWait(50);
    QVERIFY(rig.unit->takeAvailable().isEmpty());
    ::tcflow(other.fd(), TCOON);
    QByteArray received;
    QTRY_COMPARE(received += rig.unit->takeAvailable(), QByteArray::fromHex("0802fa"));
    QCOMPARE(failed.size(), 0);
    QVERIFY(rig.port.isOpen());
    QVERIFY(!rig.link.isRecovering());
}

void TestQtSerialPort::unpluggedDeviceIsReopenedAndGetsTheUnsentFrame()
{
    PtyRig rig;
    QSignalSpy answered(&rig.receiver, &ReplyReceiver::channelAnswered);
    QSignalSpy failed(&rig.port, &SerialPort::failed);
    QSignalSpy recovered(&rig.link, &SerialLink::recovered);
    QVERIFY(rig.port.open());
    {
        SecondDescriptor other(rig.device);
        ::tcflow(other.fd(), TCOOFF); // the frame below stays in the program
    }
    rig.link.write(QByteArray::fromHex("0807fa"));
    QTest::qWait(20);
    QCOMPARE(rig.port.unsentBytes(), 3);

    rig.unit->hangUp();
    QTRY_COMPARE(recovered.size(), 1);
    QCOMPARE(recovered[0][0].toBool(), false);
    QVERIFY(!rig.port.isOpen());
    QVERIFY(!rig.port.deviceExists());
    QTest::qWait(60);
    QCOMPARE(failed.size(), 1); // not once per read of the hung-up descriptor

    rig.replug();
    QTRY_VERIFY(rig.port.isOpen());
    QCOMPARE(recovered.last()[0].toBool(), true);
    QByteArray received;
    QTRY_COMPARE(received += rig.unit->takeAvailable(), QByteArray::fromHex("0807fa"));
    rig.unit->send(reply(6));
    QTRY_COMPARE(answered.size(), 1);
    QCOMPARE(answered[0][0].toInt(), 6);
}

QTEST_GUILESS_MAIN(TestQtSerialPort)
#include "test_qt_serial_port.moc"
