#include "apps/ModelWindows.h"
#include "model/Twips.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/NoticePane.h"
#include "position/PositionGrid.h"
#include "protocol/FrameNames.h"
#include "tests/support/Deadline.h"
#include "tests/support/PanelRig.h"
#include "tests/support/UnitPort.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

using namespace qm;

namespace {

using Asked = QMap<int, int>; // channels asked, from the first, by port

ChannelSettings sampleRecord(int horizPos)
{
    ChannelSettings record;
    record[Field::HorizPos] = static_cast<quint8>(horizPos);
    record.texts[0] = QStringLiteral("CAM");
    return record;
}

QStringList itemsOf(const QComboBox &list)
{
    QStringList items;
    for (int i = 0; i < list.count(); ++i)
        items << list.itemText(i);
    return items;
}

// Clicks the notice's link with this caption where it stands, scrolled into view.
bool clickLink(NoticePane &notice, const QString &caption)
{
    const QTextCursor found = notice.document()->find(caption);
    if (found.isNull())
        return false;
    QTextCursor middle(notice.document());
    middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
    notice.setTextCursor(middle);
    notice.ensureCursorVisible();
    QTest::mouseClick(notice.viewport(), Qt::LeftButton, {}, notice.cursorRect(middle).center());
    return true;
}

QByteArrayList requests(int first = 0, int count = ChannelCount)
{
    QByteArrayList frames;
    for (int channel = first; channel < first + count; ++channel)
        frames << QByteArray("\x08", 1) + char(channel) + char(0xFA);
    return frames;
}

// A panel on doubles, a 520A unless told: ports 1, 3 and 4 open, port 2 is there but refuses.
struct Rig : test::PanelRig
{
    explicit Rig(const QMap<QString, QString> &preferences,
                 const WindowDescription &description = qm520aWindow())
        : PanelRig(description, std::make_unique<test::UnitPort>(qm520a(), ChannelTable{}, 0),
                   preferences,
                   [](PanelPlatform &platform) { platform.programFolder = QDir::tempPath(); })
    {
        port->openable = {1, 3, 4};
        port->present = {2};
    }
    test::UnitPort &unit() { return static_cast<test::UnitPort &>(*port); }
    // Shows the window, these channels answering each with its own position, past the poll.
    bool start(const QList<int> &answering = {0})
    {
        for (qsizetype i = 0; i < answering.size(); ++i)
            unit().answer(answering[i], sampleRecord(int(60 + i)));
        window.show();
        return QTest::qWaitFor([this] { return window.isEnabled(); }, test::DeadlineMs);
    }
    QList<int> enabledChannels() const
    {
        QList<int> enabled;
        for (const ChannelSelector *selector : controls.channelSelectors)
            if (selector->isEnabledTo(&window))
                enabled << selector->index();
        return enabled;
    }
    // The tabs, Multiple Update and Update Immediately, which a poll's answers enable.
    QList<bool> settingsEnabled() const
    {
        return {controls.sstSettings->isEnabled(), controls.cmdUpdateMultiple->isEnabled(),
                controls.chkUpdateImmediately->isEnabled()};
    }
    int openPort() const { return port->isOpen() ? port->portNumber() : 0; }
    void pick(const QString &item)
    {
        controls.cmbComports->setCurrentIndex(controls.cmbComports->findText(item));
        emit controls.cmbComports->activated(controls.cmbComports->currentIndex());
    }
};

// A panel on COM3 whose search finds a QM-410A on COM4 and a QM-520A on COM5; COM7 is silent.
struct SearchRig : Rig
{
    SearchRig() : Rig({{"Settings/Comport", "3"}})
    {
        port->openable += {5, 7};
        port->unitSpeeds = {{4, 9600}, {5, 4800}};
    }
    UnitSearch &search() const { return controller->unitSearch(); }
};

// What choosing a channel leaves to see, and what it sent.
struct Shown
{
    qint16 channel;
    QList<int> selectedLooks;
    QString text;
    bool gridActive;
    bool gridShowsKeyboard;
    QString focus;
    qsizetype frames;
    bool operator==(const Shown &) const = default;
};

// A panel whose unit answers channels 1, 2, 3 and 5, each with its own first text line.
struct AnsweredRig : Rig
{
    AnsweredRig() : Rig({{"Settings/Comport", "3"}})
    {
        for (int channel : {0, 1, 2, 4}) {
            ChannelSettings record = sampleRecord(60);
            record.texts[0] = QStringLiteral("CAM %1").arg(channel + 1);
            unit().answer(channel, record);
        }
        window.show();
        window.activateWindow();
    }
    bool started()
    {
        return QTest::qWaitForWindowActive(&window) &&
               QTest::qWaitFor([this] { return window.isEnabled(); }, 5000);
    }
    Shown shown() const
    {
        QList<int> looks;
        for (const ChannelSelector *selector : controls.channelSelectors)
            if (selector->hasSelectedLook())
                looks << selector->index();
        const auto *grid = window.findChild<PositionGrid *>("imgPositionGrid");
        return {controller->channelEditor().currentChannel(),
                looks,
                window.control<QLineEdit>("txtText_0")->text(),
                grid && !grid->pixmap().isNull() &&
                    grid->pixmap().toImage().pixelColor(0, 0) == Qt::black,
                grid && grid->showsKeyboardFocus(),
                window.focusWidget() ? window.focusWidget()->objectName() : QString(),
                port->frames.size()};
    }
};

} // namespace

class TestPanelController : public QObject
{
    Q_OBJECT
private slots:
    void startUpAndPoll_data();
    void startUpAndPoll();
    void portPicks_data();
    void portPicks();
    void portListAndLineFollowTheHardware();
    void keyboardChoosesAsTheMouseDoes_data();
    void keyboardChoosesAsTheMouseDoes();
    void startUpNoticesSayWhatToDo_data();
    void startUpNoticesSayWhatToDo();
    void refusedPortsAreGroupedAndFit_data();
    void refusedPortsAreGroupedAndFit();
    void everyControlHasAnAccessibleName_data();
    void everyControlHasAnAccessibleName();
    void windowPlaceIsKeptBetweenRuns_data();
    void windowPlaceIsKeptBetweenRuns();
    void aCloseDuringThePollWaitsForIt();
    void unreadablePortEntriesAndFailedWritesAreTold();
    void lostSettingsAreNamed_data();
    void lostSettingsAreNamed();
    void findTheUnitThenPickItInOneClick();
    void aPortThatFailsWhileAskedIsAskedOnce();
    void aPickInTheListEndsTheSearch();
};

void TestPanelController::startUpAndPoll_data()
{
    QTest::addColumn<QString>("comport");
    QTest::newRow("stored port opens") << "3";
    QTest::newRow("stored port refuses") << "2";
}

// The start-up sequence runs once from its timer; selectors lit by an earlier poll are dark
// again until their own reply. The keyboard starts with the arrow keys: a first Space changes
// no setting.
void TestPanelController::startUpAndPoll()
{
    QFETCH(QString, comport);
    Rig rig({{"Settings/Comport", comport}, {"Ports/COM3", "/dev/pts/9"}});
    rig.unit().answer(0, sampleRecord(60));
    rig.unit().answer(5, sampleRecord(61));
    for (ChannelSelector *selector : rig.controls.channelSelectors)
        selector->setEnabled(true);
    QStringList status;
    QList<QList<int>> enabledAtWaits;
    rig.waiter->onDelay = [&rig, &status, &enabledAtWaits](int) {
        if (!rig.controls.frameConnecting->isHidden())
            status << rig.controls.lblStatus->text();
        enabledAtWaits << rig.enabledChannels();
    };
    auto *timer = rig.window.findChild<QTimer *>("tmrStartup");
    QVERIFY(timer);
    QVERIFY(timer->isActive());
    QVERIFY(!rig.window.isEnabled());
    rig.window.show();
    QTRY_VERIFY_WITH_TIMEOUT(rig.window.isEnabled(), test::DeadlineMs);
    QVERIFY(!timer->isActive());

    const bool opened = comport == "3";
    QCOMPARE(rig.controls.cmbComports->currentIndex(), opened ? 1 : -1);
    QCOMPARE(rig.controls.cmbComports->itemData(1, Qt::ToolTipRole).toString(), "/dev/pts/9");
    QCOMPARE(rig.openPort(), opened ? 3 : 0);
    QCOMPARE(rig.notifier->texts, QStringList());
    QVERIFY(!rig.store->writes.contains("Comport"));
    QVERIFY(rig.diagnostics.value(0).startsWith("COM2 "));
    QCOMPARE(rig.diagnostics.filter("The panel is set to use COM2").size(), opened ? 0 : 1);

    QCOMPARE(rig.unit().sent.value(3), opened ? requests() : QByteArrayList());
    QCOMPARE(status, QStringList(12, "Connecting to device on Com " + comport + " ..."));
    QVERIFY(rig.controls.frameConnecting->isHidden());
    QVERIFY(!rig.controller->isLoading());
    const QList<int> answered = opened ? QList<int>{0, 5} : QList<int>();
    QCOMPARE(enabledAtWaits.value(0), answered.mid(0, 1));
    QCOMPARE(enabledAtWaits.value(11), answered);
    QCOMPARE(rig.enabledChannels(), answered);
    QCOMPARE(rig.settingsEnabled(), QList<bool>(3, opened));
    QCOMPARE(rig.controller->poller().channelsFound(), qint16(opened ? 6 : 0));
    if (!opened)
        return;
    QVERIFY(QTest::qWaitForWindowActive(&rig.window));
    QTRY_VERIFY_WITH_TIMEOUT(rig.controls.txtMove->hasFocus(), test::DeadlineMs);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(rig.controls.chkUpdateImmediately->isChecked());
    QVERIFY(!rig.store->writes.contains("UpdateImmediately"));
}

void TestPanelController::portPicks_data()
{
    QTest::addColumn<QList<int>>("openable");    // by the pick; 1, 3 and 4 at start-up on 3
    QTest::addColumn<QString>("pick");           // an item, F5, or a port found since start-up
    QTest::addColumn<QString>("pickDuringPoll"); // at the pick's poll's third wait
    QTest::addColumn<int>("open");
    QTest::addColumn<Asked>("asked"); // channels asked, from the first, by port
    const auto row = [](const char *tag, const QList<int> &openable, const char *pick,
                        const char *pickDuringPoll, int open, const Asked &asked) {
        QTest::newRow(tag) << openable << pick << pickDuringPoll << open << asked;
    };
    row("another port", {1, 3, 4}, "4", "", 4, {{4, 12}});
    row("a port gone since start-up", {3, 4}, "1", "", 0, {});
    row("the shown port again", {1, 3, 4}, "3", "", 3, {{3, 12}});
    // The poll starts over on the new port instead of running a second one inside the first.
    row("a pick during the poll", {1, 3, 4}, "1", "3", 3, {{1, 3}, {3, 12}});
    row("F5 reads the shown port again", {1, 3, 4}, "F5", "", 3, {{3, 12}});
    row("a port found since the list was made", {1, 3, 4, 7}, "7", "", 7, {{7, 12}});
}

// A pick that opens polls its port and stores it; one that does not closes the port in use,
// says so and changes nothing stored.
void TestPanelController::portPicks()
{
    QFETCH(QList<int>, openable);
    QFETCH(QString, pick);
    QFETCH(QString, pickDuringPoll);
    QFETCH(int, open);
    QFETCH(Asked, asked);
    Rig rig({{"Settings/Comport", "3"}});
    QVERIFY(rig.start({0, 1}));
    rig.port->openable = QSet<int>(openable.begin(), openable.end());
    rig.unit().sent.clear();
    rig.waiter->delays.clear();
    QList<QList<int>> enabledAtWaits;
    rig.waiter->onDelay = [&](int delay) {
        enabledAtWaits << rig.enabledChannels();
        if (delay == 2 && !pickDuringPoll.isEmpty())
            rig.pick(std::exchange(pickDuringPoll, {}));
    };
    if (pick == u"F5") {
        rig.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        QTest::keyClick(&rig.window, Qt::Key_F5);
    } else if (pick == u"7") {
        rig.controller->pickPort(7);
    } else {
        rig.pick(pick);
    }

    QCOMPARE(rig.openPort(), open);
    QMap<int, QByteArrayList> sent;
    for (auto [port, channels] : asked.asKeyValueRange())
        sent.insert(port, requests(0, channels));
    QCOMPARE(rig.unit().sent, sent);
    QCOMPARE(rig.store->values.value("Settings/Comport"), QString::number(open ? open : 3));
    QCOMPARE(rig.controller->comportList().selectedPort(), qint16(open ? open : 3));
    QCOMPARE(rig.notifier->texts, open ? QStringList() : QStringList{"Cannot open Comport"});
    if (!open)
        return;
    QCOMPARE(enabledAtWaits.value(0), QList<int>{0}); // channel 2 waits for its own reply
    QCOMPARE(rig.enabledChannels(), QList<int>({0, 1}));
    QCOMPARE(rig.settingsEnabled(), QList<bool>(3, true));
    QCOMPARE(rig.controls.cmbComports->currentText(), QString::number(open));
    QCOMPARE(rig.controller->channelTable()[1], sampleRecord(61));
    QCOMPARE(rig.window.control<QLineEdit>("txtText_0")->text(), "CAM");
}

void TestPanelController::portListAndLineFollowTheHardware()
{
    const QString byId = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R-A9X");
    Rig rig({{"Settings/Comport", "3"}, {"Ports/COM6", byId}});
    rig.adapters.insert(byId, {"FTDI", "FT232R USB UART", "A9X"});
    QVERIFY(rig.start());
    QComboBox &list = *rig.controls.cmbComports;
    const qsizetype lineOpens = rig.port->openAttempts.size();

    rig.port->openable.insert(6);
    QTest::keyClick(&list, Qt::Key_F4);
    list.hidePopup();
    QCOMPARE(itemsOf(list), QStringList({"1", "3", "4", "6"}));
    QCOMPARE(list.currentText(), "3");
    QCOMPARE(list.itemData(3, Qt::ToolTipRole).toString(),
             byId + "\nMaker: FTDI\nProduct: FT232R USB UART\nSerial number: A9X");
    QCOMPARE(list.itemData(0, Qt::ToolTipRole).toString(), "/dev/ttyS0");
    QVERIFY(!rig.prober->openAttempts.isEmpty());
    QVERIFY(!rig.prober->openAttempts.contains(3));
    QCOMPARE(rig.openPort(), 3);
    QCOMPARE(rig.port->openAttempts.size(), lineOpens); // not opened again

    // The adapter of port 3 is pulled out: the line fails and the link tries to reopen it.
    rig.port->unsent = {QByteArray::fromHex("0302fa"), QByteArray::fromHex("80800502fa")};
    rig.port->openable -= {1, 3};
    rig.port->fail();
    auto *notice = rig.window.findChild<NoticePane *>();
    auto *mark = rig.window.findChild<QLabel *>("lblLineMark");
    QVERIFY(notice);
    QVERIFY(mark);
    QVERIFY(notice->isVisible());
    const QString lost = "The line to the unit was lost. Pick the port to connect again.\nNot "
                         "sent: ";
    QVERIFY2(notice->toPlainText().endsWith("\n\n" + lost + "channel 3: Blank, Text 1"),
             qPrintable(notice->toPlainText()));
    QCOMPARE(notice->toPlainText().count("The line to the unit"), 1);
    QCOMPARE(rig.notifier->texts, QStringList());
    QVERIFY(rig.diagnostics.contains("COM3 (/dev/ttyFAKE3): not sent: channel 3: Blank, Text 1"));
    rig.prober->openAttempts.clear();
    QTest::mousePress(&list, Qt::LeftButton);
    list.hidePopup();
    QCOMPARE(itemsOf(list), QStringList({"3 (gone)", "4", "6"}));
    QCOMPARE(list.currentIndex(), 0);
    QVERIFY(list.itemData(0, Qt::ToolTipRole).toString().contains("plug the adapter in again"));
    QVERIFY(!rig.prober->openAttempts.contains(3));
    // Port 2 refused at start-up and at each look since; the window says so once.
    QCOMPARE(notice->toPlainText().count("COM2 ("), 1);

    // Closed, the notice leaves the mark; an edit made meanwhile is named with the others, and
    // the mark shows the notice again.
    rig.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&rig.window));
    QTest::keyClick(&rig.window, Qt::Key_Escape);
    QVERIFY(notice->isHidden());
    QVERIFY(mark->isVisible());
    QCOMPARE(mark->text(), "Line lost");
    QVERIFY(!mark->geometry().intersects(list.geometry()));
    rig.window.control<QCheckBox>("chkBlank")->click();
    QVERIFY(notice->isVisible());
    QCOMPARE(notice->toPlainText(), lost + "channel 1: Blank; channel 3: Blank, Text 1");
    QTest::mouseClick(notice->viewport(), Qt::LeftButton);
    QTest::mouseClick(mark, Qt::LeftButton);
    QVERIFY(notice->isVisible());
    rig.port->openable.insert(3);
    rig.pick("3 (gone)");
    QCOMPARE(rig.openPort(), 3);
    QVERIFY(notice->isHidden());
    QVERIFY(mark->isHidden());
}

void TestPanelController::keyboardChoosesAsTheMouseDoes_data()
{
    QTest::addColumn<QKeyCombination>("keys");
    QTest::addColumn<int>("released"); // the selector the mouse releases instead; -1: none
    QTest::newRow("Ctrl+3") << QKeyCombination(Qt::CTRL, Qt::Key_3) << 2;
    QTest::newRow("Ctrl+1") << QKeyCombination(Qt::CTRL, Qt::Key_1) << 0;
    QTest::newRow("Ctrl+4, silent") << QKeyCombination(Qt::CTRL, Qt::Key_4) << -1;
    QTest::newRow("Alt+PgDn") << QKeyCombination(Qt::ALT, Qt::Key_PageDown) << 1;
    QTest::newRow("Alt+PgUp, round") << QKeyCombination(Qt::ALT, Qt::Key_PageUp) << 4;
    QTest::newRow("Space") << QKeyCombination(Qt::Key_Space) << -1;
    QTest::newRow("Enter") << QKeyCombination(Qt::Key_Return) << -1;
}

// Both panels show channel 1 after their poll, with the keyboard on a text line. A key that
// names no channel that answered, and Space or Enter on a selector, change nothing.
void TestPanelController::keyboardChoosesAsTheMouseDoes()
{
    QFETCH(QKeyCombination, keys);
    QFETCH(int, released);
    // The keyboard on a text line, or on a selector for the keys it must not take.
    const auto readyToChoose = [released](AnsweredRig &rig) {
        QWidget *focus = released < 0 ? static_cast<QWidget *>(rig.controls.channelSelectors[2])
                                      : rig.window.control<QLineEdit>("txtText_1");
        if (!rig.started())
            return false;
        focus->setFocus();
        return rig.window.focusWidget() == focus;
    };
    Shown byMouse;
    {
        AnsweredRig rig;
        QVERIFY(readyToChoose(rig));
        if (released >= 0)
            QTest::mouseClick(rig.controls.channelSelectors[std::size_t(released)],
                              Qt::RightButton);
        byMouse = rig.shown();
    }
    AnsweredRig rig;
    QVERIFY(readyToChoose(rig));
    QTest::keyClick(rig.window.focusWidget(), keys.key(), keys.keyboardModifiers());
    const Shown byKey = rig.shown();
    QCOMPARE(byKey.gridShowsKeyboard, released >= 0);
    QCOMPARE(byKey, byMouse);
    QCOMPARE(byKey.frames, 12); // the poll's requests, nothing more
}

void TestPanelController::startUpNoticesSayWhatToDo_data()
{
    using Cause = SerialPort::RefusalCause;
    QTest::addColumn<bool>("qm410a");
    QTest::addColumn<QString>("comport"); // stored; empty: none yet
    QTest::addColumn<QList<int>>("openable");
    QTest::addColumn<QList<int>>("refusing");
    QTest::addColumn<Cause>("cause");
    QTest::addColumn<QString>("detail");
    QTest::addColumn<QString>("picked");   // a port picked after start-up, gone by then
    QTest::addColumn<QStringList>("said"); // in the window (with a link, on standard error too)
    QTest::addColumn<QString>("link");     // none: a click on the notice closes it
    QTest::addColumn<int>("linkPicks");    // 0: the link asks to find the unit
    const auto row = [](const char *tag, bool qm410a, const char *comport,
                        const QList<int> &openable, const QList<int> &refusing, Cause cause,
                        const char *detail, const char *picked, const QStringList &said,
                        const char *link = "", int linkPicks = 0) {
        QTest::newRow(tag) << qm410a << comport << openable << refusing << cause << detail << picked
                           << said << link << linkPicks;
    };
    row("no permission", false, "2", {1}, {2}, Cause::NoPermission, "", "",
        {"COM2 (/dev/ttyFAKE2): you may not use it; join the dialout group"});
    row("held by another program", false, "2", {1}, {2}, Cause::InUse, "minicom (process 77)", "",
        {"COM2 (/dev/ttyFAKE2): minicom (process 77) holds it; close that program, then pick it "
         "in \"Serial Port:\"."});
    row("refused for another reason", false, "1", {1}, {2}, Cause::Other, "Input/output error", "",
        {"COM2 (/dev/ttyFAKE2): it cannot be opened (the system says: Input/output error)."});
    row("no port at all", false, "2", {}, {2}, Cause::NoPermission, "", "",
        {"dialout", "No serial port can be used", "Plug the adapter in"});
    row("unplugged since start-up", false, "1", {1, 3}, {2}, Cause::Other, "", "3",
        {"COM3 (/dev/ttyFAKE3): it is not there; plug the adapter in, then pick it again."});
    row("410A, unit silent", true, "1", {1}, {}, Cause::NoPermission, "", "",
        {"No channel answered on COM1 (/dev/ttyFAKE1). Check that the unit is switched on and "
         "its cable plugged in.",
         "A QM-520A does not answer this panel: it speaks at 4800 baud, this panel at 9600 baud, "
         "the QM-410A's speed; use the QM-520A panel for it.",
         "The unit may also be on another port"},
        "Find the Unit");
    row("520A, unit silent", false, "3", {1, 3}, {}, Cause::NoPermission, "", "",
        {"No channel answered on COM3 (/dev/ttyFAKE3).",
         "A QM-410A does not answer this panel: it speaks at 9600 baud, this panel at 4800 baud, "
         "the QM-520A's speed; use the QM-410A panel for it."},
        "Find the Unit");
    row("first run, COM1 not there", false, "", {5, 6}, {}, Cause::NoPermission, "", "",
        {"The panel is set to use COM1 (/dev/ttyFAKE1), which is not there. Ports that can be "
         "used: COM5 (/dev/ttyFAKE5) and COM6 (/dev/ttyFAKE6); click the unit's port to use it."},
        "COM6 (/dev/ttyFAKE6)", 6);
    row("stored port refused", false, "2", {5}, {2}, Cause::NoPermission, "", "",
        {"COM2 (/dev/ttyFAKE2): you may not use it",
         "The panel is set to use COM2 (/dev/ttyFAKE2), which cannot be used, as told above. "
         "Ports that can be used: COM5 (/dev/ttyFAKE5);"},
        "COM5 (/dev/ttyFAKE5)", 5);
}

// What start-up finds is shown once its poll is over, in the connecting panel's place, with
// the way on, which one click of its links takes; a click elsewhere takes it away, and a new
// poll clears what was read.
void TestPanelController::startUpNoticesSayWhatToDo()
{
    QFETCH(bool, qm410a);
    QFETCH(QString, comport);
    QFETCH(QList<int>, openable);
    QFETCH(QList<int>, refusing);
    QFETCH(SerialPort::RefusalCause, cause);
    QFETCH(QString, detail);
    QFETCH(QString, picked);
    QFETCH(QStringList, said);
    QFETCH(QString, link);
    QFETCH(int, linkPicks);
    QMap<QString, QString> preferences;
    if (!comport.isEmpty())
        preferences.insert("Settings/Comport", comport);
    Rig rig(preferences, qm410a ? qm410aWindow() : qm520aWindow());
    rig.port->openable = QSet<int>(openable.begin(), openable.end());
    rig.port->present = QSet<int>(refusing.begin(), refusing.end());
    rig.port->cause = cause;
    rig.port->refusal = detail;
    QSignalSpy findAsked(rig.controller.get(), &PanelController::findUnitRequested);
    auto *notice = rig.window.findChild<NoticePane *>();
    QVERIFY(notice);
    bool hiddenDuringPoll = true;
    rig.waiter->onDelay = [&](int) {
        hiddenDuringPoll = hiddenDuringPoll && notice->isHidden();
    };
    QVERIFY(rig.start({}));
    if (!picked.isEmpty()) {
        rig.port->openable.remove(picked.toInt());
        rig.pick(picked);
        QCOMPARE(rig.notifier->texts, QStringList{"Cannot open Comport"});
    }
    QVERIFY(hiddenDuringPoll);
    QVERIFY(notice->isVisible());
    const QString diagnostics = rig.diagnostics.join('\n');
    for (const QString &words : said) {
        QVERIFY2(notice->toPlainText().contains(words), qPrintable(notice->toPlainText()));
        if (!link.isEmpty()) // standard error has the notice without its way on
            QVERIFY2(diagnostics.contains(words), qPrintable(diagnostics));
    }

    rig.unit().answer(0, sampleRecord(60));
    if (link.isEmpty()) {
        QTest::mouseClick(notice->viewport(), Qt::LeftButton);
        QVERIFY(notice->isHidden());
        rig.controller->operatorNotice("the disk is full");
        QVERIFY(notice->isVisible());
        if (!openable.isEmpty())
            rig.pick("1");
        QCOMPARE(notice->isHidden(), !openable.isEmpty());
        return;
    }
    QVERIFY(clickLink(*notice, link));
    QCOMPARE(findAsked.size(), linkPicks == 0 ? 1 : 0);
    if (linkPicks == 0)
        return;
    QCOMPARE(rig.controls.cmbComports->currentText(), QString::number(linkPicks));
    QCOMPARE(rig.openPort(), linkPicks);
    QCOMPARE(rig.unit().sent.value(linkPicks), requests());
    QCOMPARE(rig.store->values.value("Settings/Comport"), QString::number(linkPicks));
    QCOMPARE(rig.settingsEnabled(), QList<bool>(3, true));
    QVERIFY(notice->isHidden());
}

void TestPanelController::refusedPortsAreGroupedAndFit_data()
{
    QTest::addColumn<int>("moreNotices");
    QTest::addColumn<bool>("scrolls");
    QTest::newRow("five refused ports") << 0 << false;
    QTest::newRow("more than its area holds") << 12 << true;
}

// Five ports refused for two causes make two sentences; the notice stays in its area, above
// the buttons, and what does not fit there scrolls.
void TestPanelController::refusedPortsAreGroupedAndFit()
{
    QFETCH(int, moreNotices);
    QFETCH(bool, scrolls);
    using Cause = SerialPort::RefusalCause;
    Rig rig({{"Settings/Comport", "5"}});
    rig.port->openable = {5};
    rig.port->present = {1, 2, 3, 4, 7};
    rig.port->refusals.insert(7, {Cause::InUse, "minicom (process 77)"});
    QVERIFY(rig.start());
    for (int i = 1; i <= moreNotices; ++i)
        rig.controller->operatorNotice(QStringLiteral("Notice %1 of many.").arg(i));
    auto *notice = rig.window.findChild<NoticePane *>();
    QVERIFY(notice);
    QVERIFY(notice->isVisible());
    const QStringList paragraphs = notice->toPlainText().split("\n\n");
    QCOMPARE(paragraphs.first(),
             "COM1 to COM4 (/dev/ttyFAKE1 to /dev/ttyFAKE4): you may not use them; join the "
             "dialout group (sudo adduser $USER dialout), then log out and in again.\nCOM7 "
             "(/dev/ttyFAKE7): minicom (process 77) holds it; close that program, then pick it "
             "in \"Serial Port:\".");
    QCOMPARE(paragraphs.size(), moreNotices + 1);
    QCOMPARE(rig.diagnostics.size(), 5);

    const QRect area = rig.controls.frameConnecting->geometry();
    QCOMPARE(notice->geometry().topLeft(), area.topLeft());
    QCOMPARE(notice->width(), area.width());
    QVERIFY(notice->geometry().bottom() < rig.controls.cmdClose->geometry().top());
    QVERIFY(notice->document()->idealWidth() <= notice->viewport()->width());
    QTRY_COMPARE(notice->verticalScrollBar()->isVisible(), scrolls);
    QCOMPARE(notice->document()->size().height() > notice->viewport()->height(), scrolls);
}

void TestPanelController::everyControlHasAnAccessibleName_data()
{
    QTest::addColumn<bool>("qm410a");
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description"); // checked where given
    for (const bool qm410a : {true, false}) {
        const char *model = qm410a ? "410A " : "520A ";
        const auto row = [&](const char *control, const char *name, const char *description = "") {
            QTest::addRow("%s%s", model, control) << qm410a << control << name << description;
        };
        row("cmdButton_11", "Channel 12");
        row("imgPositionGrid", "Position");
        row("sldHorizSize", "Horizontal size");
        row("sldVertSize", "Vertical size");
        row("txtHorizontal", "Horizontal position", "1 to 188");
        row("txtVertical", "Vertical position", "1 to 58");
        row("cmbComports", "Serial port");
        row("cmbDisplayMode", "Display mode");
        row("txtText_2", "Text line 3", "Up to 30 characters");
        row("chkEnable_0", "Line 1 enabled");
        row("cmdUpdateMultiple", "Multiple Update");
        row(qm410a ? "cmbTimeZone" : "cmbTimeFont", qm410a ? "Time zone" : "Time font style");
    }
}

// Named as a screen reader reads the tree; beyond the named rows, no control the keyboard or
// the mouse can work is left without a name.
void TestPanelController::everyControlHasAnAccessibleName()
{
    QFETCH(bool, qm410a);
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QString, description);
    test::PanelRig rig(qm410a ? qm410aWindow() : qm520aWindow(),
                       std::make_unique<test::FakeSerialPort>(), {});
    const auto nameOf = [](QWidget *widget) {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
        return accessible ? accessible->text(QAccessible::Name) : QString();
    };
    auto *widget = rig.window.findChild<QWidget *>(control);
    QVERIFY(widget);
    QCOMPARE(nameOf(widget), name);
    if (!description.isEmpty())
        QCOMPARE(QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Description),
                 description);

    const auto widgets = rig.window.findChildren<QWidget *>();
    for (QWidget *other : widgets) {
        const bool operable =
            qobject_cast<QAbstractButton *>(other) || qobject_cast<QComboBox *>(other) ||
            qobject_cast<QLineEdit *>(other) || qobject_cast<QAbstractSlider *>(other) ||
            qobject_cast<QTabWidget *>(other) || qobject_cast<ChannelSelector *>(other) ||
            qobject_cast<PositionGrid *>(other);
        // Only the window's own controls: a list's popup parts are the toolkit's.
        if (operable && !other->objectName().isEmpty() && !other->objectName().startsWith("qt_"))
            QVERIFY2(!nameOf(other).isEmpty(),
                     qPrintable(other->objectName() + " " + other->metaObject()->className()));
    }
}

void TestPanelController::windowPlaceIsKeptBetweenRuns_data()
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QTest::addColumn<QPoint>("stored"); // left, top in twips
    QTest::addColumn<QPoint>("place");  // where the window opens, in pixels
    QTest::addColumn<QPoint>("moved");  // where the operator puts it; (0, 0): not moved
    QTest::addColumn<QPoint>("kept");   // stored at close
    const QPoint unmoved;
    QTest::newRow("moved") << QPoint(1500, 3000) << QPoint(100, 200) << QPoint(110, 220)
                           << QPoint(1650, 3300);
    // Only the coordinate off every screen takes the default (1000 twips, 67 pixels), and an
    // unmoved window leaves the stored place for the day its screen is back.
    const QPoint beyondRight((screen.right() + 10) * TwipsPerPixel, 3000);
    QTest::newRow("beyond the right") << beyondRight << QPoint(67, 200) << unmoved << beyondRight;
    const QPoint aboveTop(1500, (screen.top() - 20) * TwipsPerPixel);
    QTest::newRow("above the top") << aboveTop << QPoint(100, 67) << unmoved << aboveTop;
}

void TestPanelController::windowPlaceIsKeptBetweenRuns()
{
    QFETCH(QPoint, stored);
    QFETCH(QPoint, place);
    QFETCH(QPoint, moved);
    QFETCH(QPoint, kept);
    Rig rig({{"Settings/FormTop", QString::number(stored.y())},
             {"Settings/FormLeft", QString::number(stored.x())}});
    QCOMPARE(rig.window.pos(), place);
    rig.window.show();
    if (!moved.isNull()) {
        rig.window.move(moved);
        QTRY_COMPARE_WITH_TIMEOUT(rig.window.pos(), moved, test::DeadlineMs);
    }
    rig.window.close();
    QCOMPARE(rig.store->values.value("Settings/FormTop"), QString::number(kept.y()));
    QCOMPARE(rig.store->values.value("Settings/FormLeft"), QString::number(kept.x()));
}

// A close during the start-up poll waits for it; the unmoved window keeps its twips, even
// where they fall between two pixels.
void TestPanelController::aCloseDuringThePollWaitsForIt()
{
    Rig rig(
        {{"Settings/Comport", "3"}, {"Settings/FormTop", "1000"}, {"Settings/FormLeft", "1003"}});
    bool closedAtOnce = true;
    int waitsAfterTheClose = -1;
    rig.waiter->onDelay = [&](int delay) {
        if (delay == 4)
            closedAtOnce = rig.window.close();
        if (delay >= 4)
            ++waitsAfterTheClose;
    };
    rig.window.show();
    QTRY_VERIFY_WITH_TIMEOUT(rig.window.isHidden(), test::DeadlineMs);
    QVERIFY(!closedAtOnce);
    QCOMPARE(waitsAfterTheClose, 0); // the poll ends at the close
    rig.window.close();
    QCOMPARE(rig.store->writes.value("FormTop"), 1);
    QCOMPARE(rig.store->values.value("Settings/FormLeft"), "1003");
}

// A port whose entry could not be read gets no device, not its usual one; each entry and the
// first failed write reach the operator's notices and standard error, the write only once.
void TestPanelController::unreadablePortEntriesAndFailedWritesAreTold()
{
    QString withheldDevice = QStringLiteral("not asked");
    test::PanelRig rig(
        qm410aWindow(), std::make_unique<test::UnitPort>(qm520a(), ChannelTable{}, 0),
        {{"Ports/COM2", "\"/dev/ttyUSB3\nCOM3=/dev/ttyUSB4"}, {"Ports/COM17", "/dev/ttyS9"}},
        [&withheldDevice](PanelPlatform &platform) {
            platform.makeSerialPort = [&withheldDevice, make = std::move(platform.makeSerialPort)](
                                          const PortMap &map, const UnitModel &model) {
                withheldDevice = map.devicePath(2);
                return make(map, model);
            };
        });
    QStringList notices;
    connect(rig.controller.get(), &PanelController::operatorNotice, this,
            [&notices](const QString &text) { notices << text; });
    rig.store->failure = QStringLiteral("the disk is full");
    rig.window.show();
    QTRY_VERIFY(rig.window.isEnabled());
    rig.window.close();

    QCOMPARE(withheldDevice, QString());
    const QStringList expected{"[Ports] COM17: not a port (COM1 to COM16); ignored",
                               "[Ports] COM2: its device cannot be read; the port is left out",
                               "the disk is full"};
    QCOMPARE(rig.diagnostics, expected);
    QCOMPARE(notices.size(), 4);
    QVERIFY(notices[2].startsWith("No serial port can be used"));
    notices.removeAt(2);
    QCOMPARE(notices, expected);
}

void TestPanelController::lostSettingsAreNamed_data()
{
    QTest::addColumn<QByteArrayList>("frames");
    QTest::addColumn<QString>("named");
    const QByteArray text = QByteArray(30, '\x80').toHex(); // frames as hex
    QTest::newRow("blank and text of one channel")
        << QByteArrayList{"0302fa", text + "0502fa"} << "channel 3: Blank, Text 1";
    QTest::newRow("cut frame, requests left out")
        << QByteArrayList{"fa070bfa", "0800fa"} << "channel 12: Text 3";
    QTest::newRow("channels in order, a setting once")
        << QByteArrayList{"01010101010101010101010204fa", "010900fa", "0404fa", text + "0600fa",
                          "0304fa"}
        << "channel 1: Time font, Text 2; channel 5: Position, size and options, Blank";
    QTest::newRow("nothing readable")
        << QByteArrayList{"fa", "050cfa", "0100fa", "030000", ""} << "";
}

void TestPanelController::lostSettingsAreNamed()
{
    QFETCH(QByteArrayList, frames);
    QFETCH(QString, named);
    for (QByteArray &frame : frames)
        frame = QByteArray::fromHex(frame);
    QCOMPARE(settingsCarried(frames), named);
}

// The search leaves the panel's own line alone while the window keeps working, names what
// each port gave, and offers only the port where this model answered, which one click picks
// as the "Serial Port:" list would.
void TestPanelController::findTheUnitThenPickItInOneClick()
{
    SearchRig rig;
    QVERIFY(rig.start({}));
    const qsizetype frames = rig.port->frames.size();
    const qsizetype opens = rig.port->openAttempts.size();

    auto *find = rig.window.findChild<QAction *>("actFindUnit");
    QVERIFY(find);
    QCOMPARE(find->shortcut(), QKeySequence("Ctrl+F"));
    find->trigger();
    UnitSearch &search = rig.search();
    QVERIFY(search.isRunning());
    QVERIFY(search.progressDialog()->isVisible());
    QVERIFY(!search.progressDialog()->isModal());
    QVERIFY(rig.window.isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(search.resultDialog(), test::DeadlineMs);
    QVERIFY(!search.progressDialog());
    QCOMPARE(rig.port->frames.size(), frames);
    QCOMPARE(rig.port->openAttempts.size(), opens);
    QCOMPARE(rig.openPort(), 3);
    QVERIFY(!rig.searcher->openAttempts.contains(3));
    QVERIFY(!rig.searcher->isOpen());

    QStringList lines;
    for (const QLabel *label : search.resultDialog()->findChildren<QLabel *>())
        lines << label->text();
    const auto saying = [&lines](const QString &start) {
        return lines.filter(QRegularExpression("^" + QRegularExpression::escape(start))).value(0);
    };
    QCOMPARE(saying("COM5"), "COM5 (/dev/ttyFAKE5): a QM-520A answers.");
    QVERIFY2(saying("COM4 (/dev/ttyFAKE4): a QM-410A answers.")
                 .endsWith("use the QM-410A Control Panel for that unit."),
             qPrintable(lines.join('\n')));
    QVERIFY(saying("COM3 (/dev/ttyFAKE3): this panel's port, not asked").contains("QM-410A"));
    QVERIFY(saying("COM2 (/dev/ttyFAKE2): you may not use it").contains("dialout"));
    QCOMPARE(saying("No answer"), "No answer from COM1 (/dev/ttyFAKE1), COM7 (/dev/ttyFAKE7).");
    QPushButton *use = nullptr;
    QStringList offered;
    for (QPushButton *button : search.resultDialog()->findChildren<QPushButton *>()) {
        if (button->text().startsWith("Use")) {
            offered << button->text();
            use = button;
        }
    }
    QCOMPARE(offered, QStringList{"Use COM5"});
    QTest::mouseClick(use, Qt::LeftButton);
    QCOMPARE(rig.openPort(), 5);
    QCOMPARE(rig.controls.cmbComports->currentText(), "5");
    QCOMPARE(rig.store->values.value("Settings/Comport"), "5");
    QCOMPARE(rig.unit().sent.value(5), requests());
    QTRY_VERIFY(!search.resultDialog());
}

// A port that fails while asked (its adapter pulled out) is not asked again at another speed.
void TestPanelController::aPortThatFailsWhileAskedIsAskedOnce()
{
    SearchRig rig;
    QVERIFY(rig.start({}));
    rig.controller->findUnit();
    QTRY_VERIFY(rig.searcher->isOpen());
    QCOMPARE(rig.searcher->portNumber(), 1);
    rig.searcher->fail();
    QTRY_VERIFY_WITH_TIMEOUT(rig.search().resultDialog(), test::DeadlineMs);
    QCOMPARE(rig.searcher->openAttempts.count(1), 1);
}

// A port picked in the list while a search runs ends the search, whose port may be it.
void TestPanelController::aPickInTheListEndsTheSearch()
{
    SearchRig rig;
    QVERIFY(rig.start({}));
    UnitSearch &search = rig.search();
    rig.controller->findUnit();
    QVERIFY(search.isRunning());
    rig.pick("1");
    QVERIFY(!search.isRunning());
    QVERIFY(!search.progressDialog());
    QVERIFY(!rig.searcher->isOpen());
    QCOMPARE(rig.openPort(), 1);
}

QTEST_MAIN(TestPanelController)
#include "test_panel_controller.moc"
