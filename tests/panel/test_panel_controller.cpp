#include "apps/ModelWindows.h"
#include "model/Twips.h"
#include "multiupdate/UpdateDialog.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/NoticePane.h"
#include "position/PositionGrid.h"
#include "tests/support/Deadline.h"
#include "tests/support/PanelRig.h"
#include "tests/support/UnitPort.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>

using namespace qm;

namespace {

using Sent = QMap<int, QByteArrayList>; // by port

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
void clickLink(NoticePane &notice, const QString &caption)
{
    const QTextCursor found = notice.document()->find(caption);
    QVERIFY(!found.isNull());
    QTextCursor middle(notice.document());
    middle.setPosition((found.selectionStart() + found.selectionEnd()) / 2);
    notice.setTextCursor(middle);
    notice.ensureCursorVisible();
    QTest::mouseClick(notice.viewport(), Qt::LeftButton, {}, notice.cursorRect(middle).center());
}

// The poll's requests of the first `count` channels.
QByteArrayList requests(int count = ChannelCount)
{
    QByteArrayList frames;
    for (int channel = 0; channel < count; ++channel)
        frames << QByteArray("\x08", 1) + char(channel) + char(0xFA);
    return frames;
}

// What the search's result says, a label to a line.
QStringList resultLines(UnitSearch &search)
{
    QStringList lines;
    for (const QLabel *label : search.resultDialog()->findChildren<QLabel *>())
        lines << label->text();
    return lines;
}

// A panel on doubles, a 520A unless told: ports 1, 3 and 4 open, port 2 is there but refuses.
struct Rig : test::PanelRig
{
    explicit Rig(const QMap<QString, QString> &preferences,
                 const WindowDescription &description = qm520aWindow())
        : PanelRig(description,
                   std::make_unique<test::UnitPort>(*description.model, ChannelTable{}, 0),
                   preferences, [this](PanelPlatform &platform) {
                       platform.programFolder = QDir::tempPath();
                       platform.setupDialogs.reset(dialogs);
                   })
    {
        port->openable = {1, 3, 4};
        port->present = {2};
    }
    test::UnitPort &unit() { return static_cast<test::UnitPort &>(*port); }
    // Shows the window, active, these channels answering each with its own position, past the
    // poll.
    bool start(const QList<int> &answering = {0})
    {
        for (qsizetype i = 0; i < answering.size(); ++i)
            unit().answer(answering[i], sampleRecord(int(60 + i)));
        window.show();
        window.activateWindow();
        return QTest::qWaitForWindowActive(&window) &&
               QTest::qWaitFor([this] { return window.isEnabled(); }, test::DeadlineMs);
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

} // namespace

class TestPanelController : public QObject
{
    Q_OBJECT
private slots:
    void startUpAndPoll();
    void portPicks_data();
    void portPicks();
    void portListAndLineFollowTheHardware();
    void everyNamedKeyWorksFromAnywhere_data();
    void everyNamedKeyWorksFromAnywhere();
    void tabPassesOverWhatANoticeCovers();
    void startUpNoticesSayWhatToDo_data();
    void startUpNoticesSayWhatToDo();
    void windowPlaceIsKeptBetweenRuns();
    void findTheUnitThenPickItInOneClick();
    void findTheUnitAsksThePanelsOwnPort();
    void deviceServerFromTheMenu_data();
    void deviceServerFromTheMenu();
    void whatItAddsGoesWithIt_data();
    void whatItAddsGoesWithIt();
};

// The start-up poll runs once the window shows; selectors lit earlier are dark again until
// their own reply. The keyboard starts with the arrow keys: a first Space changes no setting.
void TestPanelController::startUpAndPoll()
{
    Rig rig({{"Settings/Comport", "3"}, {"Ports/COM3", "/dev/pts/9"}, {"Ports/COM17", "/dev/x"}});
    for (ChannelSelector *selector : rig.controls.channelSelectors)
        selector->setEnabled(true);
    QStringList status;
    QList<QList<int>> enabledAtWaits;
    rig.waiter->onDelay = [&rig, &status, &enabledAtWaits](int) {
        if (!rig.controls.frameConnecting->isHidden())
            status << rig.controls.lblStatus->text();
        enabledAtWaits << rig.enabledChannels();
    };
    QVERIFY(!rig.window.isEnabled());
    QVERIFY(rig.start({0, 5}));
    QCOMPARE(rig.controls.cmbComports->currentIndex(), 1);
    QCOMPARE(rig.notifier->texts, QStringList());
    QVERIFY(rig.diagnostics.contains("[Ports] COM17: not a port (COM1 to COM16); ignored"));
    QVERIFY(!rig.store->writes.contains("Comport"));
    QCOMPARE(rig.unit().sent.value(3), requests());
    QCOMPARE(status, QStringList(12, "Connecting to device on Com 3 ..."));
    QVERIFY(rig.controls.frameConnecting->isHidden());
    QCOMPARE(enabledAtWaits.value(0), QList<int>{0});
    QCOMPARE(rig.enabledChannels(), QList<int>({0, 5}));
    QCOMPARE(rig.settingsEnabled(), QList<bool>(3, true));
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
    QTest::addColumn<Sent>("sent");
    const auto row = [](const char *tag, const QList<int> &openable, const char *pick,
                        const char *pickDuringPoll, const Sent &sent) {
        QTest::newRow(tag) << openable << pick << pickDuringPoll << sent;
    };
    row("another port", {1, 3, 4}, "4", "", {{4, requests()}});
    row("a port gone since start-up", {3, 4}, "1", "", {});
    row("the shown port again", {1, 3, 4}, "3", "", {{3, requests()}});
    // The poll starts over on the new port instead of running a second one inside the first.
    row("a pick during the poll", {1, 3, 4}, "1", "3", {{1, requests(3)}, {3, requests()}});
    row("F5 reads the shown port again", {1, 3, 4}, "F5", "", {{3, requests()}});
    row("a port found since the list was made", {1, 3, 4, 7}, "7", "", {{7, requests()}});
}

// A pick that opens polls its port and stores it; one that does not closes the port in use,
// says so and changes nothing stored.
void TestPanelController::portPicks()
{
    QFETCH(QList<int>, openable);
    QFETCH(QString, pick);
    QFETCH(QString, pickDuringPoll);
    QFETCH(Sent, sent);
    const int open = sent.isEmpty() ? 0 : sent.lastKey(); // the port polled last
    Rig rig({{"Settings/Comport", "3"}});
    QVERIFY(rig.start({0, 1}));
    rig.port->openable = QSet<int>(openable.begin(), openable.end());
    rig.unit().sent.clear();
    rig.waiter->delays.clear();
    rig.waiter->onDelay = [&](int delay) {
        if (delay == 2 && !pickDuringPoll.isEmpty())
            rig.pick(std::exchange(pickDuringPoll, {}));
    };
    if (pick == u"F5") {
        QTest::keyClick(&rig.window, Qt::Key_F5);
    } else if (pick == u"7") {
        rig.controller->pickPort(7);
    } else {
        rig.pick(pick);
    }

    QCOMPARE(rig.openPort(), open);
    QCOMPARE(rig.unit().sent, sent);
    QCOMPARE(rig.store->values.value("Settings/Comport"), QString::number(open ? open : 3));
    QCOMPARE(rig.notifier->texts, open ? QStringList() : QStringList{"Cannot open Comport"});
    if (!open) {
        QVERIFY(rig.window.findChild<NoticePane *>()->toPlainText().contains(
            "COM1 (/dev/ttyFAKE1): it is not there; plug the adapter in, then pick it again."));
        return;
    }
    QCOMPARE(rig.enabledChannels(), QList<int>({0, 1}));
    QCOMPARE(rig.settingsEnabled(), QList<bool>(3, true));
    QCOMPARE(rig.controls.cmbComports->currentText(), QString::number(open));
    QCOMPARE(rig.controller->channelTable()[1], sampleRecord(61));
}

// The list is made again as it drops down, without reopening the line; a lost line names what
// did not reach the unit, and its notice, once closed, leaves a mark that shows it again; the
// unit read again, the notice says the unsent edits are gone.
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
    QCOMPARE(list.itemData(3, Qt::ToolTipRole).toString(),
             byId + "\nMaker: FTDI\nProduct: FT232R USB UART\nSerial number: A9X");
    QVERIFY(!rig.prober->openAttempts.contains(3));
    QCOMPARE(rig.port->openAttempts.size(), lineOpens);

    // The operator's edit names itself, not the group its frame carries, beside the size the
    // panel repaired on showing the channel (the unit reports none); the channels without an
    // edit name what their frames carried. Cut frames and requests are left out; channels
    // stand in order, each setting once.
    const qsizetype sentBefore = rig.port->frames.size();
    rig.window.control<QCheckBox>("chkLeapSeconds")->click();
    rig.port->unsent << rig.port->frames.mid(sentBefore);
    const QByteArray text = QByteArray(30, '\x80').toHex();
    for (const QByteArray &frame : QByteArrayList{
             "0302fa", text + "0502fa", "fa070bfa", "0800fa", "fa", "050cfa", "030000",
             "01010101010101010101010204fa", "010900fa", "0404fa", text + "0600fa", "0304fa"})
        rig.port->unsent << QByteArray::fromHex(frame);
    rig.port->openable -= {1, 3};
    rig.port->fail();
    auto *notice = rig.window.findChild<NoticePane *>();
    auto *mark = rig.window.findChild<QLabel *>("lblLineMark");
    const QString lost =
        "The line to the unit was lost. Its adapter has gone: plug it in again, then pick the "
        "port to connect again.\nNot sent: channel 1: Leap Year, Position and size; channel 3: "
        "Blank, Text 1; channel 5: Position, size and options, Blank; channel 12: Text 3";
    QVERIFY2(notice->toPlainText().endsWith("\n\n" + lost), qPrintable(notice->toPlainText()));
    QTest::mousePress(&list, Qt::LeftButton);
    list.hidePopup();
    QCOMPARE(itemsOf(list), QStringList({"3 (gone)", "4", "6"}));
    QTest::keyClick(&rig.window, Qt::Key_Escape);
    QVERIFY(notice->isHidden());
    QCOMPARE(mark->text(), "Line lost");
    QTest::mouseClick(mark, Qt::LeftButton);
    QVERIFY(notice->isVisible());
    rig.port->openable.insert(3);
    rig.pick("3 (gone)");
    QCOMPARE(rig.openPort(), 3);
    QVERIFY2(notice->toPlainText().contains(u"not sent are now as the unit holds them: "
                                            u"channel 1: Leap Year, Position and size;"),
             qPrintable(notice->toPlainText()));
    QVERIFY(mark->isHidden());
}

void TestPanelController::everyNamedKeyWorksFromAnywhere_data()
{
    QTest::addColumn<bool>("qm410");
    QTest::addColumn<QString>("focus"); // a control's name; "tabs": the tab strip
    QTest::addColumn<QKeyCombination>("keys");
    QTest::addColumn<QString>("effect");
    QTest::addColumn<int>("value"); // the channel or page shown after it
    const auto row = [](const char *tag, const char *focus, QKeyCombination keys,
                        const char *effect, int value = 0, bool qm410 = false) {
        QTest::newRow(tag) << qm410 << focus << keys << effect << value;
    };
    const QKeyCombination enter = Qt::KeypadModifier | Qt::Key_Enter;
    row("F5, in a text line", "txtText_1", {Qt::Key_F5}, "poll");
    row("Alt+PgDn, in a text line", "txtText_1", Qt::ALT | Qt::Key_PageDown, "channel", 1);
    row("Alt+PgUp round, arrow keys", "txtMove", Qt::ALT | Qt::Key_PageUp, "channel", 4);
    row("Ctrl+3, in Horz.", "txtHorizontal", Qt::CTRL | Qt::Key_3, "channel", 2);
    row("Ctrl+4 silent, port list", "cmbComports", Qt::CTRL | Qt::Key_4, "channel", 0);
    row("Ctrl+5, on a selector", "cmdButton_2", Qt::CTRL | Qt::Key_5, "channel", 4);
    row("Space on a selector", "cmdButton_2", {Qt::Key_Space}, "channel", 0);
    row("Enter on a selector", "cmdButton_2", {Qt::Key_Return}, "channel", 0);
    row("Ctrl+F, on Update", "cmdUpdate", Qt::CTRL | Qt::Key_F, "find");
    row("Ctrl+S, arrow keys", "txtMove", Qt::CTRL | Qt::Key_S, "save");
    row("Ctrl+O, on Close", "cmdClose", Qt::CTRL | Qt::Key_O, "open");
    row("Ctrl+PgDn, on Close", "cmdClose", Qt::CTRL | Qt::Key_PageDown, "page", 1, true);
    row("Ctrl+PgDn, arrow keys", "txtMove", Qt::CTRL | Qt::Key_PageDown, "page", 1, true);
    row("Ctrl+PgUp round, tab strip", "tabs", Qt::CTRL | Qt::Key_PageUp, "page", 2, true);
    row("Ctrl+PgUp round, port list", "cmbComports", Qt::CTRL | Qt::Key_PageUp, "page", 2, true);
    row("Ctrl+PgDn, in Vert.", "txtVertical", Qt::CTRL | Qt::Key_PageDown, "page", 1);
    row("Ctrl+Tab, arrow keys", "txtMove", Qt::CTRL | Qt::Key_Tab, "page", 1, true);
    row("Ctrl+Shift+Tab, arrow keys", "txtMove", Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab, "page", 2,
        true);
    row("Return on Update", "cmdUpdate", {Qt::Key_Return}, "update");
    row("keypad Enter on Update", "cmdUpdate", enter, "update");
    row("Return on Multiple Update", "cmdUpdateMultiple", {Qt::Key_Return}, "multiple");
    row("keypad Enter on Multiple Update", "cmdUpdateMultiple", enter, "multiple");
    row("Return on Close", "cmdClose", {Qt::Key_Return}, "close");
    row("keypad Enter on Close", "cmdClose", enter, "close");
    row("Shift+F10, arrow keys", "txtMove", Qt::SHIFT | Qt::Key_F10, "menu");
    row("Shift+F10, on a selector", "cmdButton_2", Qt::SHIFT | Qt::Key_F10, "menu");
    row("Menu key, arrow keys", "txtMove", {Qt::Key_Menu}, "menu");
    row("Menu key, on Close", "cmdClose", {Qt::Key_Menu}, "menu");
}

// Channels 1, 2, 3 and 5 answer, and Update sends on demand. Each key the README and the
// manual name does its one thing from wherever the keyboard is; the selectors, which the
// mouse alone works, ignore Space and Enter, and a channel chosen by key sends nothing.
void TestPanelController::everyNamedKeyWorksFromAnywhere()
{
    QFETCH(bool, qm410);
    QFETCH(QString, focus);
    QFETCH(QKeyCombination, keys);
    QFETCH(QString, effect);
    QFETCH(int, value);
    Rig rig({{"Settings/Comport", "3"}, {"Settings/UpdateImmediately", "0"}},
            qm410 ? qm410aWindow() : qm520aWindow());
    QVERIFY(rig.start({0, 1, 2, 4}));
    QWidget *focused = focus == u"tabs" ? rig.controls.sstSettings->tabBar()
                                        : rig.window.findChild<QWidget *>(focus);
    focused->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(focused->hasFocus(), test::DeadlineMs);
    if (keys.key() == Qt::Key_Menu) {
        // The platform turns the key into a request for the menu of the control with the
        // keyboard.
        QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, {}, {});
        QCoreApplication::sendEvent(rig.window.windowHandle(), &menuKey);
    } else {
        QTest::keyClick(focused, keys.key(), keys.keyboardModifiers());
    }

    const qsizetype polled = requests().size();
    if (effect == u"channel") {
        QCOMPARE(rig.controller->channelEditor().currentChannel(), qint16(value));
        QVERIFY(rig.controls.channelSelectors[std::size_t(value)]->hasSelectedLook());
        QCOMPARE(rig.port->frames.size(), polled);
    } else if (effect == u"page") {
        QCOMPARE(rig.controls.sstSettings->currentIndex(), value);
    } else if (effect == u"poll") {
        QCOMPARE(rig.port->frames.size(), 2 * polled);
    } else if (effect == u"find") {
        QVERIFY(rig.controller->unitSearch().isRunning());
        rig.controller->unitSearch().cancel();
    } else if (effect == u"save" || effect == u"open") {
        QCOMPARE(rig.dialogs->asked, QStringList{effect});
    } else if (effect == u"update") {
        QCOMPARE_GT(rig.port->frames.size(), polled);
    } else if (effect == u"multiple") {
        QTRY_VERIFY_WITH_TIMEOUT(rig.window.findChild<UpdateDialog *>(), test::DeadlineMs);
    } else if (effect == u"close") {
        QTRY_VERIFY_WITH_TIMEOUT(rig.window.isHidden(), test::DeadlineMs);
    } else if (effect == u"menu") {
        QTRY_VERIFY_WITH_TIMEOUT(qobject_cast<QMenu *>(QApplication::activePopupWidget()),
                                 test::DeadlineMs);
        QWidget *menu = QApplication::activePopupWidget();
        QCOMPARE(menu->actions(), rig.window.actions());
        menu->close();
    }
}

// While a notice shows, Tab stops on it (for its links) but never on a control under it; once
// it has gone, they are walked again.
void TestPanelController::tabPassesOverWhatANoticeCovers()
{
    Rig rig({{"Settings/Comport", "3"}});
    QVERIFY(rig.start({0, 1, 2, 4}));
    const auto walk = [&rig] {
        rig.controls.cmbComports->setFocus();
        QList<QWidget *> stops;
        while (stops.size() < 100 && !stops.contains(QApplication::focusWidget())) {
            stops << QApplication::focusWidget();
            QTest::keyClick(stops.last(), Qt::Key_Tab);
        }
        return stops;
    };
    auto *notice = rig.window.findChild<NoticePane *>();
    rig.controller->operatorNotice("the disk is full");
    QVERIFY(notice->isVisible());
    const QList<QWidget *> stops = walk();
    QVERIFY(stops.contains(notice));
    for (QWidget *stop : stops) {
        if (stop == notice)
            continue;
        const QRect place(stop->mapTo(&rig.window, QPoint()), stop->size());
        QVERIFY2(!place.intersects(notice->geometry()), qPrintable(stop->objectName()));
    }
    QTest::keyClick(&rig.window, Qt::Key_Escape);
    QVERIFY(walk().contains(rig.controls.channelSelectors[4]));
}

void TestPanelController::startUpNoticesSayWhatToDo_data()
{
    QTest::addColumn<bool>("qm410a");
    QTest::addColumn<QString>("comport"); // stored; empty: unusable, as on a first run
    QTest::addColumn<QList<int>>("openable");
    QTest::addColumn<QStringList>("said"); // in the window (with a link, on standard error too)
    QTest::addColumn<QString>("link");     // none: a click on the notice closes it; a port's
                                           // picks it, another asks to find the unit
    const auto row = [](const char *tag, bool qm410a, const char *comport,
                        const QList<int> &openable, const QStringList &said,
                        const char *link = "") {
        QTest::newRow(tag) << qm410a << comport << openable << said << link;
    };
    row("no port at all", false, "2", {},
        {"dialout", "No serial port can be used", "Plug the adapter in"});
    row("410A, unit silent", true, "1", {1},
        {"No channel answered on COM1 (/dev/ttyFAKE1). Check that the unit is switched on and "
         "its cable plugged in.",
         "If the unit is a QM-520A, it cannot answer this panel: a QM-520A speaks at 4800 baud, "
         "this panel at 9600 baud, "
         "the QM-410A's speed; use the QM-520A panel for it.",
         "The unit may also be on another port"},
        "Find the Unit");
    row("520A, unit silent", false, "3", {1, 3},
        {"No channel answered on COM3 (/dev/ttyFAKE3).",
         "If the unit is a QM-410A, it cannot answer this panel: a QM-410A speaks at 9600 baud, "
         "this panel at 4800 baud, "
         "the QM-520A's speed; use the QM-410A panel for it."},
        "Find the Unit");
    row("first run, COM1 not there", false, "", {5, 6},
        {"The panel is set to use COM1 (/dev/ttyFAKE1), which is not there. Ports that can be "
         "used: COM5 (/dev/ttyFAKE5) and COM6 (/dev/ttyFAKE6); click the unit's port to use it."},
        "COM6 (/dev/ttyFAKE6)");
    row("stored port refused", false, "2", {5},
        {"COM2 (/dev/ttyFAKE2): you may not use it",
         "The panel is set to use COM2 (/dev/ttyFAKE2), which cannot be used, as told above. "
         "Ports that can be used: COM5 (/dev/ttyFAKE5);"},
        "COM5 (/dev/ttyFAKE5)");
}

// What start-up finds is shown once its poll is over, in the connecting panel's place, with
// the way on, which one click of its links takes; a click elsewhere takes it away, and a new
// poll clears what was read.
void TestPanelController::startUpNoticesSayWhatToDo()
{
    QFETCH(bool, qm410a);
    QFETCH(QString, comport);
    QFETCH(QList<int>, openable);
    QFETCH(QStringList, said);
    QFETCH(QString, link);
    const int linkPicks = link.startsWith(u"COM") ? link.section(u' ', 0, 0).mid(3).toInt() : 0;
    Rig rig({{"Settings/Comport", comport}}, qm410a ? qm410aWindow() : qm520aWindow());
    rig.port->openable = QSet<int>(openable.begin(), openable.end());
    QSignalSpy findAsked(rig.controller.get(), &PanelController::findUnitRequested);
    auto *notice = rig.window.findChild<NoticePane *>();
    bool hiddenDuringPoll = true;
    rig.waiter->onDelay = [&](int) {
        hiddenDuringPoll = hiddenDuringPoll && notice->isHidden();
    };
    QVERIFY(rig.start({}));
    QCOMPARE(rig.settingsEnabled(), QList<bool>(3, false));
    QVERIFY(hiddenDuringPoll);
    QVERIFY(notice->isVisible());
    const QRect area = rig.controls.frameConnecting->geometry();
    QCOMPARE(notice->geometry().topLeft(), area.topLeft());
    QCOMPARE(notice->width(), area.width());
    QVERIFY(notice->geometry().bottom() < rig.controls.cmdClose->geometry().top());
    QVERIFY(notice->document()->idealWidth() <= notice->viewport()->width());
    for (const QString &words : said) {
        QVERIFY2(notice->toPlainText().contains(words), qPrintable(notice->toPlainText()));
        if (!link.isEmpty()) // standard error has the notice without its way on
            QVERIFY2(rig.diagnostics.join('\n').contains(words), qPrintable(words));
    }

    rig.unit().answer(0, sampleRecord(60));
    if (link.isEmpty()) {
        QTest::mouseClick(notice->viewport(), Qt::LeftButton);
        QVERIFY(notice->isHidden());
        rig.controller->operatorNotice("the disk is full");
        QVERIFY(notice->isVisible());
        return;
    }
    clickLink(*notice, link);
    QCOMPARE(findAsked.size(), linkPicks == 0 ? 1 : 0);
    if (linkPicks == 0)
        return;
    QCOMPARE(rig.controls.cmbComports->currentText(), QString::number(linkPicks));
    QCOMPARE(rig.unit().sent.value(linkPicks), requests());
    QVERIFY(notice->isHidden());
}

// A close during the start-up poll ends the poll and waits for it.
void TestPanelController::windowPlaceIsKeptBetweenRuns()
{
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const int left : {1500, (screen.right() + 10) * TwipsPerPixel}) {
        const bool onScreen = left == 1500;
        Rig rig({{"Settings/FormTop", "3000"}, {"Settings/FormLeft", QString::number(left)}});
        QCOMPARE(rig.window.pos(), QPoint(onScreen ? 100 : 67, 200));
        bool closedAtOnce = false;
        rig.waiter->onDelay = [&](int delay) {
            closedAtOnce = closedAtOnce || (!onScreen && delay == 4 && rig.window.close());
        };
        rig.window.show();
        if (onScreen) {
            rig.window.move(110, 220);
            QTRY_COMPARE_WITH_TIMEOUT(rig.window.pos(), QPoint(110, 220), test::DeadlineMs);
            rig.window.close();
        }
        QTRY_VERIFY_WITH_TIMEOUT(rig.window.isHidden(), test::DeadlineMs);
        QVERIFY(!closedAtOnce);
        QCOMPARE(rig.store->values.value("Settings/FormTop"), onScreen ? "3300" : "3000");
        QCOMPARE(rig.store->values.value("Settings/FormLeft"),
                 onScreen ? "1650" : QString::number(left));
    }
}

// The search leaves the panel's own line alone while the window keeps working, names what
// each port gave, and offers only the port where this model answered, which one click picks;
// a pick in the list meanwhile ends it.
void TestPanelController::findTheUnitThenPickItInOneClick()
{
    Rig rig({{"Settings/Comport", "3"}}); // a QM-410A answers on COM4, a QM-520A on COM5
    rig.port->openable += {5, 7};
    rig.port->unitSpeeds = {{4, 9600}, {5, 4800}};
    QVERIFY(rig.start({}));
    const qsizetype frames = rig.port->frames.size();
    QTest::keyClick(&rig.window, Qt::Key_F, Qt::ControlModifier);
    UnitSearch &search = rig.controller->unitSearch();
    QVERIFY(search.progressDialog()->isVisible());
    QVERIFY(rig.window.isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(search.resultDialog(), test::DeadlineMs);
    QCOMPARE(rig.port->frames.size(), frames);
    QCOMPARE(rig.openPort(), 3);

    const QStringList lines = resultLines(search);
    QVERIFY(lines.contains("COM5 (/dev/ttyFAKE5): a QM-520A answers."));
    QVERIFY(lines.filter("COM4 (/dev/ttyFAKE4): a QM-410A answers.")
                .value(0)
                .endsWith("use the QM-410A Control Panel for that unit."));
    QVERIFY(lines.contains("No answer from COM1 (/dev/ttyFAKE1), COM3 (/dev/ttyFAKE3, this "
                           "panel's port), COM7 (/dev/ttyFAKE7)."));
    QList<QPushButton *> use = search.resultDialog()->findChildren<QPushButton *>();
    use.removeIf([](const QPushButton *button) { return !button->text().startsWith("Use"); });
    QCOMPARE(use.size(), 1);
    QCOMPARE(use[0]->text(), "Use COM5");
    QTest::mouseClick(use[0], Qt::LeftButton);
    QCOMPARE(rig.openPort(), 5);
    QCOMPARE(rig.unit().sent.value(5), requests());
    QTRY_VERIFY(!search.resultDialog());

    rig.controller->findUnit();
    QVERIFY(search.isRunning());
    rig.pick("1");
    QVERIFY(!search.progressDialog());
    QCOMPARE(rig.openPort(), 1);
}

// The commonest wrong model: a QM-410A on the QM-520A panel's port, which the panel lends to
// the search. An edit made meanwhile waits, and goes once the port is the panel's again.
void TestPanelController::findTheUnitAsksThePanelsOwnPort()
{
    Rig rig({{"Settings/Comport", "3"}});
    rig.port->unitSpeeds = {{3, 9600}};
    rig.port->exclusive = true;
    QVERIFY(rig.start());
    const qsizetype frames = rig.port->frames.size();
    UnitSearch &search = rig.controller->unitSearch();
    rig.controller->findUnit();
    QTRY_VERIFY_WITH_TIMEOUT(
        !search.progressDialog() ||
            search.progressDialog()->labelText().startsWith("Asking COM3 at 4800 baud"),
        test::DeadlineMs);
    QVERIFY(search.progressDialog());
    QTest::keyClick(rig.controls.txtMove, Qt::Key_Right);
    QCOMPARE(rig.port->frames.size(), frames);
    QTRY_VERIFY_WITH_TIMEOUT(search.resultDialog(), test::DeadlineMs);
    QCOMPARE(rig.openPort(), 3);
    QCOMPARE(rig.port->frames.size(), frames + 1);

    const QStringList lines = resultLines(search);
    QVERIFY2(lines.contains("COM3 (/dev/ttyFAKE3, this panel's port): a QM-410A answers. This "
                            "is the QM-520A Control Panel: use the QM-410A Control Panel for "
                            "that unit."),
             qPrintable(lines.join(u'\n')));
}

void TestPanelController::deviceServerFromTheMenu_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("problem"); // empty: taken
    QTest::addColumn<QString>("kept");
    QTest::addColumn<QString>("tip");
    const auto row = [](const char *tag, const char *written, const char *problem,
                        const QString &kept, const QString &tip = {}) {
        QTest::newRow(tag) << written << problem << kept << (tip.isEmpty() ? tip : kept + tip);
    };
    const QString line = "4800 baud, 8 data bits, no parity, 1 stop bit.";
    row("rfc2217", "rfc2217://10.1.2.3:4001", "", "rfc2217://10.1.2.3:4001",
        "\nA device server (RFC 2217): this panel sets the line to " + line);
    row("tcp", " TCP://[::1]:7000", "", "tcp://[::1]:7000",
        "\nA device server's raw TCP port: its own configuration sets the line, which must be " +
            line);
    row("no port", "rfc2217://10.1.2.3", "Not usable: no port after the host.", "");
    row("scheme", "telnet://host:23", "Not usable: telnet:// is not rfc2217:// or tcp://.", "");
}

// Asked from the window's menu: a readable address replaces the port's unreadable [Ports] entry,
// goes to the panel's port and is picked; one that cannot be read keeps the dialog open with
// its problem, and nothing changes.
void TestPanelController::deviceServerFromTheMenu()
{
    QFETCH(QString, written);
    QFETCH(QString, problem);
    QFETCH(QString, kept);
    QFETCH(QString, tip);
    const QString unreadable = "rfc2217://10.1.2.3";
    Rig rig({{"Settings/Comport", "3"}, {"Ports/COM05", unreadable}});
    QVERIFY(rig.start());
    const QList<QAction *> offered = rig.window.actions(); // what the window's menu offers
    const auto action = std::find_if(offered.begin(), offered.end(), [](const QAction *each) {
        return each->objectName() == u"actDeviceServer";
    });
    QVERIFY(action != offered.end());
    (*action)->trigger();
    DeviceServerDialog *dialog = rig.controller->deviceServerDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->findChild<QComboBox *>("cmbServerPort")->currentText(), "COM5");
    rig.port->openable.insert(5); // the server's port, reached once the address is given
    auto *field = dialog->findChild<QLineEdit *>("txtServerAddress");
    QTest::keyClicks(field, written);
    QTest::keyClick(field, Qt::Key_Return);

    const PortOverrides stored = Preferences(*rig.store).portOverrides();
    if (!problem.isEmpty()) {
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->findChild<QLabel *>("lblAddressProblem")->text(), problem);
        QCOMPARE(stored.devices, (QMap<int, QString>{{5, unreadable}}));
        QCOMPARE(rig.openPort(), 3);
        return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(!rig.controller->deviceServerDialog(), test::DeadlineMs);
    QCOMPARE(stored.devices, (QMap<int, QString>{{5, kept}}));
    QCOMPARE(rig.openPort(), 5);
    QCOMPARE(rig.port->deviceName(), kept);
    const QComboBox &list = *rig.controls.cmbComports;
    QCOMPARE(list.itemData(list.currentIndex(), Qt::ToolTipRole).toString(), tip);
}

void TestPanelController::whatItAddsGoesWithIt_data()
{
    QTest::addColumn<QString>("object"); // in the window or among its actions; "": the window
    QTest::addColumn<QByteArray>("property");
    for (const char *name :
         {"actSaveSetup", "actLoadSetup", "actFindUnit", "actDeviceServer", "tmrStartup"})
        QTest::newRow(name) << name << QByteArray("objectName");
    QTest::newRow("window's menu") << "" << QByteArray("contextMenuPolicy");
    QTest::newRow("menu's tip") << "Frame1" << QByteArray("toolTip");
    QTest::newRow("channel keys' tip") << "cmdButton_8" << QByteArray("toolTip");
}

// The window outlives its controller, and is then what its description alone draws.
void TestPanelController::whatItAddsGoesWithIt()
{
    QFETCH(QString, object);
    QFETCH(QByteArray, property);
    const auto shown = [&](const QWidget &window) -> QVariant {
        if (object.isEmpty())
            return window.property(property);
        QObjectList found = window.findChildren<QObject *>(object);
        for (QAction *action : window.actions())
            if (action->objectName() == object)
                found << action;
        return found.isEmpty() ? QVariant() : found[0]->property(property);
    };
    const MainWindow drawn(qm520aWindow());
    Rig rig({});
    rig.controller.reset();
    QCOMPARE(shown(rig.window), shown(drawn));
}

QTEST_MAIN(TestPanelController)
#include "test_panel_controller.moc"
