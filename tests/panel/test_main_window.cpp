#include "apps/ModelWindows.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/MainWindow.h"
#include "panel/window/Notifier.h"
#include "tests/support/Deadline.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

using namespace qm;

namespace {

QRect windowRect(const QWidget *widget)
{
    return QRect(widget->mapTo(widget->window(), QPoint()), widget->size());
}

// Whether every item fits where a closed list draws its text: the style's field, less a pixel
// at each side.
bool itemsFitClosed(const QComboBox &list)
{
    QStyleOptionComboBox option;
    option.initFrom(&list);
    const QRect field = list.style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                     QStyle::SC_ComboBoxEditField, &list);
    for (int i = 0; i < list.count(); ++i)
        if (list.fontMetrics().horizontalAdvance(list.itemText(i)) > field.width() - 2)
            return false;
    return true;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void everyControlIsBuiltInItsDesignState();
    void hiddenFieldAndConnectingPanelStackAsDesigned();
    void selectorsChooseOnAReleaseOfAnyMainButtonAndShowTheirSelection();
    void tabWalksTopToBottomAndLeftToRight();
    void listsFitTheirItemsAndDropDownAFewRows();
    void closingAsksTheGuardAndAnnouncesUnloadingOnce();
    void longMessagesScroll_data();
    void longMessagesScroll();
};

void TestMainWindow::everyControlIsBuiltInItsDesignState()
{
    for (const WindowDescription *description : {&qm410aWindow(), &qm520aWindow()}) {
        MainWindow window(*description);
        const MainWindowControls &c = window.controls();
        const bool qm410 = description == &qm410aWindow();
        // Each model builds only its own controls.
        QCOMPARE(!window.control<QComboBox>("cmbTimeFont") &&
                     !window.control<QCheckBox>("chkLeapSeconds") && !c.lblText[0],
                 qm410);
        const auto *qor = window.control<QRadioButton>("optQOR");
        QCOMPARE(!qor && !window.control<QComboBox>("cmbTimeZone") && !c.channelNumberLabels[0],
                 !qm410);
        if (qm410) { // each option pair is exclusive on its own
            const auto *twelve = window.control<QRadioButton>("opt12hr");
            QCOMPARE(qor->parentWidget(), window.control<QRadioButton>("optSMPTE")->parentWidget());
            QCOMPARE(twelve->parentWidget(),
                     window.control<QRadioButton>("opt24hr")->parentWidget());
            QVERIFY(qor->parentWidget() != twelve->parentWidget());
        }
        QVERIFY(!window.isEnabled());
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!(window.windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(c.frameConnecting->isHidden());
        // The message is read while the window is disabled for the poll; it is not greyed.
        QCOMPARE(c.lblStatus->palette().color(QPalette::Disabled, QPalette::WindowText),
                 c.lblStatus->palette().color(QPalette::Active, QPalette::WindowText));
        QVERIFY(!c.cmdUpdate->isEnabledTo(&window) && c.cmdUpdateMultiple->isEnabledTo(&window));
        QCOMPARE(c.sstSettings->currentIndex(), 0);
        QCOMPARE(c.cmbComports->count(), 0);
        for (const QComboBox *list : window.findChildren<QComboBox *>())
            QVERIFY2(!list->isEditable() && list->currentIndex() == -1 && itemsFitClosed(*list),
                     qPrintable(list->objectName()));
        for (const QLineEdit *text : window.findChildren<QLineEdit *>())
            QVERIFY(text->text().isEmpty() && text->maxLength() >= 32767);
        for (const ChannelSelector *selector : c.channelSelectors)
            QVERIFY(!selector->isEnabledTo(&window) && !selector->hasSelectedLook());
    }
}

// Where the design makes controls overlap, the one in front is the one the operator sees
// (their places are checked against the design data in test_window_design).
void TestMainWindow::hiddenFieldAndConnectingPanelStackAsDesigned()
{
    for (const WindowDescription *description : {&qm410aWindow(), &qm520aWindow()}) {
        MainWindow window(*description);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const MainWindowControls &c = window.controls();
        // A box drawn over the tab strip stays off the tab control's right border.
        const QRect tabs = windowRect(c.sstSettings);
        const QRect box = windowRect(c.chkUpdateImmediately);
        QVERIFY(!tabs.contains(box.topLeft()) || box.right() <= tabs.right());
        // The arrow-key field is never seen, yet it takes the focus.
        window.setEnabled(true);
        const QWidget *overMove = window.childAt(windowRect(c.txtMove).center());
        QVERIFY(overMove == c.controlFrame || c.controlFrame->isAncestorOf(overMove));
        // Nothing of the field shows through: not one pixel of its white box.
        const QImage shot = window.grab(windowRect(c.txtMove)).toImage();
        const QColor white = c.txtMove->palette().color(QPalette::Base);
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                QVERIFY2(shot.pixelColor(x, y) != white,
                         qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
        c.txtMove->setFocus();
        QTRY_VERIFY_WITH_TIMEOUT(c.txtMove->hasFocus(), test::DeadlineMs);
        c.frameConnecting->show();
        const QWidget *atMiddle = window.childAt(windowRect(c.frameConnecting).center());
        QVERIFY(atMiddle == c.frameConnecting || c.frameConnecting->isAncestorOf(atMiddle));
    }
}

void TestMainWindow::selectorsChooseOnAReleaseOfAnyMainButtonAndShowTheirSelection()
{
    for (const WindowDescription *description : {&qm410aWindow(), &qm520aWindow()}) {
        MainWindow window(*description);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const MainWindowControls &c = window.controls();
        window.setEnabled(true);
        ChannelSelector *selector = c.channelSelectors[4];
        QSignalSpy released(selector, &ChannelSelector::released);

        QTest::mouseClick(selector, Qt::LeftButton);
        QVERIFY2(released.isEmpty(), "a disabled selector takes no mouse input");
        selector->setEnabled(true);

        for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
            QTest::mousePress(selector, button);
            QVERIFY(released.isEmpty());
            QTest::mouseRelease(selector, button);
            QCOMPARE(released.count(), 1);
            QCOMPARE(released.takeFirst().at(0).toInt(), 4);
        }
        QTest::mouseClick(selector, Qt::BackButton);
        selector->setFocus();
        QTest::keyClick(selector, Qt::Key_Space);
        QTest::keyClick(selector, Qt::Key_Return);
        if (description->selectorStyle == SelectorStyle::IndicatorPicture)
            QTest::mouseClick(c.channelNumberLabels[4], Qt::LeftButton);
        QVERIFY2(released.isEmpty(), "keys, other buttons and the number label select nothing");

        selector->setSelectedLook(false);
        const QImage normal = selector->grab().toImage();
        selector->setSelectedLook(true);
        QVERIFY(selector->hasSelectedLook() && selector->grab().toImage() != normal);
        selector->setSelectedLook(false);
        QCOMPARE(selector->grab().toImage(), normal);
    }
}

// Tab never stops in the hidden arrow-key field and goes once round the window in reading
// order, back to where it began.
void TestMainWindow::tabWalksTopToBottomAndLeftToRight()
{
    for (const WindowDescription *description : {&qm410aWindow(), &qm520aWindow()}) {
        MainWindow window(*description);
        window.setEnabled(true);
        for (ChannelSelector *selector : window.controls().channelSelectors)
            selector->setEnabled(true);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        const MainWindowControls &c = window.controls();
        for (int page = 0; page < c.sstSettings->count(); ++page) {
            c.sstSettings->setCurrentIndex(page);
            c.cmdClose->setFocus();
            QList<QWidget *> walk{QApplication::focusWidget()};
            do {
                QTest::keyClick(walk.last(), Qt::Key_Tab);
                walk << QApplication::focusWidget();
            } while (walk.last() != walk.first() && walk.size() < 100);
            QStringList names;
            for (const QWidget *widget : walk)
                names << widget->objectName();
            QVERIFY2(!walk.contains(c.txtMove) && walk.size() > 10, qPrintable(names.join(' ')));
            int wraps = 0;
            for (qsizetype i = 1; i < walk.size(); ++i) {
                const QPoint before = windowRect(walk[i - 1]).topLeft();
                const QPoint after = windowRect(walk[i]).topLeft();
                if (std::pair(after.y(), after.x()) < std::pair(before.y(), before.x()))
                    ++wraps;
            }
            QVERIFY2(wraps == 1, qPrintable(names.join(' ')));
        }
    }
}

void TestMainWindow::listsFitTheirItemsAndDropDownAFewRows()
{
    MainWindow window(qm410aWindow());
    window.setEnabled(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const QComboBox *list : window.findChildren<QComboBox *>())
        QVERIFY2(list->font().letterSpacing() == 0, qPrintable(list->objectName()));
    auto *zones = window.control<QComboBox>("cmbTimeZone");
    zones->showPopup();
    QAbstractItemView *view = zones->view();
    QTRY_VERIFY_WITH_TIMEOUT(view->isVisible(), test::DeadlineMs);
    const int rows = view->height() / view->sizeHintForRow(0);
    QVERIFY2(rows >= 8 && rows <= 12, qPrintable(QString::number(rows)));
    QVERIFY(view->verticalScrollBar()->isVisible());
    zones->hidePopup();
}

void TestMainWindow::closingAsksTheGuardAndAnnouncesUnloadingOnce()
{
    MainWindow window(qm520aWindow());
    QSignalSpy unloading(&window, &MainWindow::unloading);
    window.show();
    bool allow = false;
    int asked = 0;
    window.setCloseGuard([&] {
        ++asked;
        return allow;
    });
    QVERIFY(!window.close() && window.isVisible() && unloading.isEmpty());
    allow = true;
    QVERIFY(window.close());
    window.show();
    QVERIFY(window.close());
    QVERIFY(asked == 3 && unloading.count() == 1);
}

void TestMainWindow::longMessagesScroll_data()
{
    QTest::addColumn<int>("lines");
    QTest::newRow("a few lines: a message box") << 4;
    QTest::newRow("a long list: it scrolls") << 200;
}

// However many settings a message names, its OK button stays on the screen.
void TestMainWindow::longMessagesScroll()
{
    QFETCH(int, lines);
    QStringList text{QStringLiteral("The unit did not take the whole setup.")};
    for (int line = 1; line < lines; ++line)
        text << QStringLiteral("channel %1 HorizPos: file 9, unit 8: did not take").arg(line);
    bool shown = false;
    bool messageBox = false;
    QString listed;
    int height = 0;
    // The message is modal: it is read and closed from a timer once it is up.
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        QWidget *message = QApplication::activeModalWidget();
        if (!message)
            return;
        look.stop();
        shown = true;
        messageBox = qobject_cast<QMessageBox *>(message) != nullptr;
        height = message->sizeHint().height();
        if (const auto *list = message->findChild<QPlainTextEdit *>())
            listed = list->toPlainText();
        message->close();
    });
    look.start(10);
    MessageBoxNotifier(nullptr).tell(QStringLiteral("QM-520A Control Panel"), text.join(u'\n'));
    QVERIFY(shown);
    QCOMPARE(messageBox, lines < 10);
    QCOMPARE(listed, lines < 10 ? QString() : text.mid(1).join(u'\n'));
    QVERIFY2(height < 600, qPrintable(QString::number(height)));
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
