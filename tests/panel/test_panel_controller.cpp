#include "ChannelSelector.h"
#include "FakeSerialPort.h"
#include "InstantWaiter.h"
#include "MainWindow.h"
#include "MemoryPreferencesStore.h"
#include "ModelWindows.h"
#include "PanelController.h"
#include "RecordingNotifier.h"
#include "ReplyEncoder.h"
#include "Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace qm;

namespace {

// The unit on the far end: a settings request for a channel it has gets the reply at once.
class AnsweringPort : public test::FakeSerialPort
{
public:
    QMap<int, ChannelSettings> channels;
    QList<QPair<int, QByteArray>> sent; // (port number, frame)

    void write(const QByteArray &frame) override
    {
        test::FakeSerialPort::write(frame);
        if (!isOpen())
            return;
        sent.append({portNumber(), frame});
        const int channel = static_cast<quint8>(frame.at(1));
        if (frame.size() == 3 && frame.at(0) == 8 && channels.contains(channel))
            receive(encodeReply(qm520a(), channels.value(channel), static_cast<quint8>(channel)));
    }
};

class CountingStore : public test::MemoryPreferencesStore
{
public:
    QMap<QString, int> writes;

    void write(const QString &section, const QString &key, const QString &value) override
    {
        ++writes[key];
        test::MemoryPreferencesStore::write(section, key, value);
    }
};

ChannelSettings sampleRecord(quint8 horizPos)
{
    ChannelSettings record;
    record[Field::HorizPos] = horizPos;
    record[Field::VertPos] = 20;
    record[Field::HorizSize] = 9;
    record[Field::VertSize] = 2;
    record[Field::WindowMode] = 2;
    record.texts = {QStringLiteral("CAM"), QString(), QStringLiteral("B")};
    return record;
}

QByteArray request(int channel)
{
    return QByteArray("\x08", 1) + char(channel) + char(0xFA);
}

// One 520A panel on doubles: ports 1, 3 and 4 open, port 2 is there but refuses.
struct Rig
{
    CountingStore *store = new CountingStore;
    AnsweringPort *port = new AnsweringPort;
    test::InstantWaiter *waiter = new test::InstantWaiter;
    test::RecordingNotifier *notifier = new test::RecordingNotifier;
    QStringList diagnostics;
    MainWindow window{qm520aWindow()};
    std::unique_ptr<PanelController> controller;

    explicit Rig(const QMap<QString, QString> &preferences = {})
    {
        store->values = preferences;
        port->openable = {1, 3, 4};
        port->present = {2};
        PanelPlatform platform;
        platform.makeSerialPort = [this](const PortMap &, const UnitModel &) {
            return std::unique_ptr<SerialPort>(port);
        };
        platform.waiter.reset(waiter);
        platform.preferencesStore.reset(store);
        platform.makeNotifier = [this](QWidget *) {
            return std::unique_ptr<Notifier>(notifier);
        };
        platform.diagnostic = [this](const QString &line) {
            diagnostics << line;
        };
        controller = std::make_unique<PanelController>(window, std::move(platform));
    }
    ~Rig() { controller.reset(); }

    const MainWindowControls &controls() const { return window.controls(); }
    QStringList listItems() const
    {
        QStringList items;
        for (int i = 0; i < controls().cmbComports->count(); ++i)
            items << controls().cmbComports->itemText(i);
        return items;
    }
    QList<int> enabledChannels() const
    {
        QList<int> enabled;
        for (const ChannelSelector *selector : controls().cmdButton) {
            if (selector->isEnabled())
                enabled << selector->index();
        }
        return enabled;
    }
    bool settingsEnabled() const
    {
        const bool tabs = controls().sstSettings->isEnabled();
        const bool others = controls().cmdUpdateMultiple->isEnabled() &&
                            controls().chkUpdateImmediately->isEnabled();
        return tabs && others;
    }
    QByteArrayList framesTo(int portNumber) const
    {
        QByteArrayList frames;
        for (const auto &[number, frame] : port->sent) {
            if (number == portNumber)
                frames << frame;
        }
        return frames;
    }
    void pick(const QString &item)
    {
        QComboBox *list = controls().cmbComports;
        list->setCurrentIndex(list->findText(item));
        emit list->activated(list->currentIndex());
    }
};

QByteArrayList allRequests()
{
    QByteArrayList frames;
    for (int channel = 0; channel < ChannelCount; ++channel)
        frames << request(channel);
    return frames;
}

} // namespace

class TestPanelController : public QObject
{
    Q_OBJECT
private slots:
    void startUpFillsThePortListAndPolls_data();
    void startUpFillsThePortListAndPolls();
    void pollEnablesTheChannelsThatAnswer_data();
    void pollEnablesTheChannelsThatAnswer();
    void portPicks();
    void closeDuringAPollWaitsForIt_data();
    void closeDuringAPollWaitsForIt();
    void pickDuringAPollRestartsIt();
    void windowPlaceIsKeptBetweenRuns();
};

void TestPanelController::startUpFillsThePortListAndPolls_data()
{
    QTest::addColumn<QString>("comport");
    QTest::addColumn<int>("selected");
    QTest::addColumn<bool>("portOpen");
    QTest::newRow("stored port listed") << "3" << 1 << true;
    QTest::newRow("stored port missing") << "2" << -1 << false;
    QTest::newRow("no such port") << "7" << -1 << false;
}

void TestPanelController::startUpFillsThePortListAndPolls()
{
    QFETCH(QString, comport);
    QFETCH(int, selected);
    QFETCH(bool, portOpen);
    Rig rig({{"Settings/Comport", comport}, {"Ports/COM3", "/dev/pts/9"}});
    QStringList statusDuringPoll;
    rig.waiter->onDelay = [&rig, &statusDuringPoll](int) {
        if (!rig.controls().frameConnecting->isHidden())
            statusDuringPoll << rig.controls().lblStatus->text();
    };
    auto *timer = rig.window.findChild<QTimer *>("tmrStartup");
    QVERIFY(timer && timer->isActive() && timer->interval() == 10);
    QVERIFY(!rig.window.isEnabled());
    rig.window.show();
    QTRY_VERIFY(rig.window.isEnabled());

    QCOMPARE(rig.listItems(), QStringList({"1", "3", "4"}));
    QCOMPARE(rig.controls().cmbComports->currentIndex(), selected);
    QCOMPARE(rig.controls().cmbComports->itemData(1, Qt::ToolTipRole).toString(), "/dev/pts/9");
    QCOMPARE(rig.port->isOpen(), portOpen);
    QCOMPARE(rig.port->portNumber() == 3, portOpen);
    QVERIFY(rig.notifier->texts.isEmpty());
    QCOMPARE(rig.diagnostics.size(), 1);
    QVERIFY(rig.diagnostics.first().startsWith("COM2 "));
    QVERIFY(!rig.store->writes.contains("Comport"));

    QCOMPARE(rig.framesTo(3), portOpen ? allRequests() : QByteArrayList());
    QCOMPARE(rig.waiter->delays, QList<int>(12, 300));
    const QString status = "Connecting to device on Com " + comport + " ...";
    QCOMPARE(statusDuringPoll, QStringList(12, status));
    QVERIFY(rig.controls().frameConnecting->isHidden());
    QCOMPARE(rig.controller->sharedState().channelsFound, qint16(0));
    QVERIFY(rig.enabledChannels().isEmpty());
    QVERIFY(!rig.controls().sstSettings->isEnabled());
    QVERIFY(!rig.controller->isLoading());

    // The sequence ran once, and only once.
    const qsizetype attempts = rig.port->openAttempts.size();
    QCOMPARE(attempts, portOpen ? 17 : 16);
    QVERIFY(!timer->isActive());
    QTest::qWait(40);
    QCOMPARE(rig.port->openAttempts.size(), attempts);
}

void TestPanelController::pollEnablesTheChannelsThatAnswer_data()
{
    QTest::addColumn<QList<int>>("answering");
    QTest::addColumn<int>("channelsFound");
    QTest::newRow("channels 1-8") << QList<int>{0, 1, 2, 3, 4, 5, 6, 7} << 8;
    QTest::newRow("channel 2 only") << QList<int>{1} << 2;
    QTest::newRow("none") << QList<int>{} << 0;
}

void TestPanelController::pollEnablesTheChannelsThatAnswer()
{
    QFETCH(QList<int>, answering);
    QFETCH(int, channelsFound);
    Rig rig({{"Settings/Comport", "3"}});
    for (int channel : answering)
        rig.port->channels.insert(channel, sampleRecord(static_cast<quint8>(50 + channel)));
    rig.window.show();
    QTRY_VERIFY(rig.window.isEnabled());

    QCOMPARE(rig.framesTo(3), allRequests());
    QCOMPARE(rig.enabledChannels(), answering);
    QCOMPARE(rig.controller->sharedState().channelsFound, qint16(channelsFound));
    QCOMPARE(rig.settingsEnabled(), channelsFound > 0);
    QCOMPARE(rig.controls().cmdButton[0]->hasSelectedLook(), channelsFound > 0);
    QCOMPARE(rig.controller->sharedState().currentChannel, qint16(0));
    for (int channel : answering)
        QCOMPARE(rig.controller->channelTable()[channel], sampleRecord(quint8(50 + channel)));
    if (answering == QList<int>{0, 1, 2, 3, 4, 5, 6, 7})
        QCOMPARE(rig.controls().txtText[0]->text(), "CAM");
}

void TestPanelController::portPicks()
{
    Rig rig({{"Settings/Comport", "3"}});
    rig.window.show();
    QTRY_VERIFY(rig.window.isEnabled());
    rig.port->channels.insert(0, sampleRecord(60));

    // Port 4 opens: it becomes the stored port and the unit there is polled.
    rig.pick("4");
    QCOMPARE(rig.port->portNumber(), 4);
    QVERIFY(rig.port->isOpen());
    QCOMPARE(rig.store->values.value("Settings/Comport"), "4");
    QCOMPARE(rig.controller->sharedState().selectedPort, qint16(4));
    QCOMPARE(rig.framesTo(4), allRequests());
    QCOMPARE(rig.enabledChannels(), QList<int>{0});
    QVERIFY(rig.settingsEnabled());

    // Port 1 has gone since start-up: the operator is told, nothing is stored, and the port
    // that was open is closed by the attempt.
    rig.port->openable.remove(1);
    rig.pick("1");
    QCOMPARE(rig.notifier->texts, QStringList{"Cannot open Comport"});
    QCOMPARE(rig.notifier->titles, QStringList{"QM-520A Control Panel"});
    QCOMPARE(rig.store->values.value("Settings/Comport"), "4");
    QCOMPARE(rig.store->writes.value("Comport"), 1);
    QCOMPARE(rig.controller->sharedState().selectedPort, qint16(4));
    QCOMPARE(rig.controls().cmbComports->currentText(), "1");
    QVERIFY(!rig.port->isOpen());
    QCOMPARE(rig.framesTo(1), QByteArrayList());

    // Picking the port shown again reopens it and polls anew.
    rig.pick("4");
    QCOMPARE(rig.framesTo(4), allRequests() + allRequests());
}

void TestPanelController::closeDuringAPollWaitsForIt_data()
{
    QTest::addColumn<bool>("duringStartUp");
    QTest::newRow("start-up poll") << true;
    QTest::newRow("poll after a pick") << false;
}

void TestPanelController::closeDuringAPollWaitsForIt()
{
    QFETCH(bool, duringStartUp);
    Rig rig({{"Settings/Comport", "3"}});
    rig.port->channels.insert(0, sampleRecord(60));
    bool closedAtOnce = true;
    auto closeAtFifthRequest = [&rig, &closedAtOnce](int delay) {
        if (delay == 4)
            closedAtOnce = rig.window.close();
    };
    if (duringStartUp)
        rig.waiter->onDelay = closeAtFifthRequest;
    rig.window.show();
    QTRY_VERIFY(rig.window.isEnabled() || rig.window.isHidden());
    if (!duringStartUp) {
        rig.waiter->delays.clear();
        rig.waiter->onDelay = closeAtFifthRequest;
        rig.pick("4");
        QCOMPARE(rig.framesTo(4).size(), 5);
        QVERIFY(!rig.window.isHidden());
        QCOMPARE(rig.store->writes.value("FormTop"), 0);
    }

    QVERIFY(!closedAtOnce);
    QCOMPARE(rig.waiter->delays.size(), 5);
    QTRY_VERIFY(rig.window.isHidden());
    QCOMPARE(rig.store->writes.value("FormTop"), 1);
    QCOMPARE(rig.store->writes.value("FormLeft"), 1);
    rig.window.close();
    QCOMPARE(rig.store->writes.value("FormTop"), 1);
}

void TestPanelController::pickDuringAPollRestartsIt()
{
    Rig rig({{"Settings/Comport", "3"}});
    rig.window.show();
    QTRY_VERIFY(rig.window.isEnabled());
    rig.port->channels.insert(1, sampleRecord(70));
    rig.port->sent.clear();
    rig.waiter->delays.clear();
    rig.waiter->onDelay = [&rig](int delay) {
        if (delay == 2)
            rig.pick("4");
    };
    rig.pick("3");

    // Three requests went to port 3, then the poll started over on port 4, not inside itself.
    QCOMPARE(rig.framesTo(3), allRequests().mid(0, 3));
    QCOMPARE(rig.framesTo(4), allRequests());
    QCOMPARE(rig.waiter->delays.size(), 15);
    QCOMPARE(rig.enabledChannels(), QList<int>{1});
    QCOMPARE(rig.controller->sharedState().channelsFound, qint16(2));
    QCOMPARE(rig.store->values.value("Settings/Comport"), "4");
}

void TestPanelController::windowPlaceIsKeptBetweenRuns()
{
    {
        Rig rig({{"Settings/FormTop", "3000"}, {"Settings/FormLeft", "1500"}});
        QCOMPARE(rig.window.pos(), QPoint(100, 200));
        rig.window.show();
        QTRY_VERIFY(rig.window.isEnabled());
        rig.window.move(110, 220);
        QTRY_COMPARE(rig.window.pos(), QPoint(110, 220));
        rig.window.close();
        QCOMPARE(rig.store->values.value("Settings/FormTop"), "3300");
        QCOMPARE(rig.store->values.value("Settings/FormLeft"), "1650");
    }
    {
        // An unmoved window keeps its twips, even where they fall between two pixels.
        Rig rig({{"Settings/FormTop", "1000"}, {"Settings/FormLeft", "1003"}});
        rig.window.show();
        QTRY_VERIFY(rig.window.isEnabled());
        rig.window.close();
        QCOMPARE(rig.store->values.value("Settings/FormTop"), "1000");
        QCOMPARE(rig.store->values.value("Settings/FormLeft"), "1003");
    }
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const int beyondRight = (screen.right() + 10) * TwipsPerPixel;
    const int aboveTop = (screen.top() - 20) * TwipsPerPixel;
    for (const auto &[top, left] : {std::pair{1000, beyondRight}, std::pair{aboveTop, 1000}}) {
        Rig rig({{"Settings/FormTop", QString::number(top)},
                 {"Settings/FormLeft", QString::number(left)}});
        QCOMPARE(rig.window.pos(), QPoint(67, 67));
    }
}

QTEST_MAIN(TestPanelController)
#include "test_panel_controller.moc"
