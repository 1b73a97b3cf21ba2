#include "link/QtSerialPort.h"
#include "link/SerialLink.h"
#include "multiupdate/MultiUpdateRun.h"
#include "protocol/CommandSender.h"
#include "tests/support/Deadline.h"
#include "tests/support/PseudoTerminal.h"
#include "tests/support/RecordingSink.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using namespace qm;

namespace {

// Writes zeros into the line from a descriptor of its own until the driver takes no more, as
// output still waiting for a slow line would; returns how many it took.
qsizetype fillLine(const QString &device)
{
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return 0;
    termios raw{};
    ::tcgetattr(fd, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(fd, TCSANOW, &raw);
    const char zeros[256] = {};
    qsizetype taken = 0;
    ssize_t written = 0;
    while ((written = ::write(fd, zeros, sizeof zeros)) > 0)
        taken += written;
    ::close(fd);
    return taken;
}

} // namespace

// Multi-channel runs write their frames back to back, far faster than a line carries them.
// Through the real serial port they must all reach the line, whole and in order, also when
// the driver's transmit buffer is full, and a full buffer must not pass for an unplugged port.
class TestUpdateBacklog : public QObject
{
    Q_OBJECT
private slots:
    void runsOntoAFullLineArriveWhole();
};

void TestUpdateBacklog::runsOntoAFullLineArriveWhole()
{
    const UnitModel &model = qm520a();
    test::PseudoTerminal line;
    QVERIFY(line.isValid());
    QtSerialPort port(PortMap({{1, line.devicePath()}}), model.baudRate);
    port.setPortNumber(1);
    QVERIFY(port.open());
    ChannelTable table;
    for (int index = 0; index < ChannelTable::size(); ++index) {
        table[index][Field::HorizPos] = static_cast<quint8>(index * 7);
        table[index].texts[0] = QStringLiteral("LINE %1").arg(index);
    }
    ChannelTable expectedTable = table;
    ReplyReceiver receiver(model, table);
    SerialLink link(port, receiver);
    CommandSender sender(model, table, link);
    QSignalSpy failed(&port, &SerialPort::failed);
    QSignalSpy dropped(&link, &SerialLink::framesDropped);

    test::RecordingSink expectedSink;
    CommandSender expectedSender(model, expectedTable, expectedSink);
    updateMultiple(model, expectedTable, 3, 4095, 4095, expectedSender, {});
    const QByteArray oneRun = expectedSink.takeAll();

    // The first run meets a line that takes nothing; the next ones pile up behind it, more
    // than the driver could hold even if it were empty.
    const qsizetype waiting = fillLine(line.devicePath());
    QVERIFY(waiting > 0);
    constexpr int Runs = 300;
    updateMultiple(model, table, 3, 4095, 4095, sender, {});
    QTRY_COMPARE_WITH_TIMEOUT(port.unsentBytes(), oneRun.size(), test::DeadlineMs);
    for (int run = 1; run < Runs; ++run)
        updateMultiple(model, table, 3, 4095, 4095, sender, {});

    const QByteArray expected = QByteArray(waiting, '\0') + oneRun.repeated(Runs);
    QByteArray heard;
    static_cast<void>(
        QTest::qWaitFor([&] { return (heard += line.takeAvailable()).size() >= expected.size(); },
                        test::DeadlineMs));
    QCOMPARE(heard.size(), expected.size());
    QVERIFY(heard == expected); // QCOMPARE would print a 400 kB mismatch
    QCOMPARE(failed.size(), 0);
    QCOMPARE(dropped.size(), 0);
    QVERIFY(port.isOpen() && !link.isRecovering());
    QTRY_COMPARE_WITH_TIMEOUT(port.unsentBytes(), 0, test::DeadlineMs); // once told of the write
}

QTEST_MAIN(TestUpdateBacklog)
#include "test_update_backlog.moc"
