#include "apps/ModelWindows.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/MainWindow.h"
#include "panel/window/MessageBoxes.h"
#include "panel/window/NoticePane.h"
#include "position/PositionControls.h"
#include "position/PositionGrid.h"
#include "tests/support/Deadline.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <map>

using namespace qm;

namespace {

QRect windowRect(const QWidget *widget)
{
    return QRect(widget->mapTo(widget->window(), QPoint()), widget->size());
}

// The ratio screen-reading guidelines measure legibility by: 1 (none) to 21 (black on white).
double contrast(const QColor &a, const QColor &b)
{
    const auto luminance = [](const QColor &colour) {
        const auto linear = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(colour.redF()) + 0.7152 * linear(colour.greenF()) +
               0.0722 * linear(colour.blueF());
    };
    const double first = luminance(a);
    const double second = luminance(b);
    return (std::max(first, second) + 0.05) / (std::min(first, second) + 0.05);
}

// The desktop's palettes the window must read under: a light one, and a dark one like
// qt6ct's "darker", whose light colour is a light grey behind white button text and whose
// disabled text is grey.
QPalette desktopPalette(bool dark)
{
    if (!dark)
        return QPalette(QColor(239, 239, 239), QColor(239, 239, 239));
    QPalette palette(QColor(74, 74, 74), QColor(66, 66, 66));
    palette.setColor(QPalette::Light, QColor(188, 188, 188));
    for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
        palette.setColor(role, Qt::white);
        palette.setColor(QPalette::Disabled, role, QColor(128, 128, 128));
    }
    return palette;
}

// The grid, built into the window as the panel's position editor builds it.
PositionGrid *gridOf(MainWindow &window)
{
    return buildPositionControls(window.controls().framePosition,
                                 window.description().positionLayout)
        .imgPositionGrid;
}

QColor middleOf(QWidget *widget)
{
    return widget->grab().toImage().pixelColor(widget->rect().center());
}

// The colour of a face's text: of all its pixels, the one that stands out from the face most.
QColor textOn(const QImage &image, const QColor &face)
{
    QColor text = face;
    for (int y = 3; y < image.height() - 3; ++y)
        for (int x = 3; x < image.width() - 3; ++x)
            if (contrast(image.pixelColor(x, y), face) > contrast(text, face))
                text = image.pixelColor(x, y);
    return text;
}

// What a screen reader on the desktop calls a control: its name, unless that only repeats its
// value (as a list's does), else the caption of the label that names it.
QString heardName(QAccessibleInterface *control)
{
    const QString name = control->text(QAccessible::Name);
    if (!name.isEmpty() && name != control->text(QAccessible::Value))
        return name;
    const auto labels = control->relations(QAccessible::Label);
    return labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void eachFieldTakesWhatItsWindowSets_data();
    void eachFieldTakesWhatItsWindowSets();
    void everyControlIsBuiltInItsDesignState();
    void hiddenFieldAndConnectingPanelStackAsDesigned();
    void selectorsChooseOnAReleaseOfAnyMainButtonAndShowTheirSelection();
    void tabWalksTopToBottomAndLeftToRight();
    void longMessagesScroll();
    void screenReadersHearEachControlByItsCaption_data();
    void screenReadersHearEachControlByItsCaption();
    void looksKeepTheirMeaningOnLightAndDarkPalettes_data();
    void looksKeepTheirMeaningOnLightAndDarkPalettes();
    void ourControlsShowTheFocusFromTheStart_data();
    void ourControlsShowTheFocusFromTheStart();
};

// A field's range is what its window's controls set, no more and no less, so that reads and
// restores call a value unusual exactly when the window cannot show it: the bits of its check
// boxes, 1 for an option pair, a list's last entry; the position editor takes every value
// that position and size carry in a reply.
void TestMainWindow::eachFieldTakesWhatItsWindowSets_data()
{
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("windowSets");
    for (const WindowDescription *window : {&qm410aWindow(), &qm520aWindow()}) {
        std::map<Field, int> sets;
        for (Field field : window->model->recordFields)
            sets[field] = 0;
        for (const WindowRow &row : window->controls) {
            const std::optional<SettingBinding> &bound = row.binding;
            if (!bound || bound->kind == SettingKind::TextLine)
                continue;
            if (bound->kind == SettingKind::Position) {
                for (auto [field, carried] : {std::pair{Field::VertPos, 63},
                                              {Field::HorizPos, 255},
                                              {Field::VertSize, 3},
                                              {Field::HorizSize, 15}})
                    sets[field] = carried;
            } else if (bound->kind == SettingKind::CheckBit) {
                sets[bound->field] |= 1 << bound->bit;
            } else {
                const int last =
                    bound->kind == SettingKind::OptionPair ? 1 : int(row.items.size()) - 1;
                sets[bound->field] = std::max(sets[bound->field], last);
            }
        }
        for (auto [field, largest] : sets)
            QTest::addRow("%s %s", qPrintable(window->model->name), fieldName(field))
                << int(window->model->maximum(field)) << largest;
    }
}

void TestMainWindow::eachFieldTakesWhatItsWindowSets()
{
    QFETCH(int, maximum);
    QFETCH(int, windowSets);
    QCOMPARE(maximum, windowSets);
}

void TestMainWindow::everyControlIsBuiltInItsDesignState()
{
    for (const WindowDescription *description : {&qm410aWindow(), &qm520aWindow()}) {
        MainWindow window(*description);
        const MainWindowControls &c = window.controls();
        QCOMPARE(window.minimumSize(), window.maximumSize());
        QVERIFY(!(window.windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(c.frameConnecting->isHidden());
        // The message is read while the window is disabled for the poll; it is not greyed.
        QCOMPARE(c.lblStatus->palette().color(QPalette::Disabled, QPalette::WindowText),
                 c.lblStatus->palette().color(QPalette::Active, QPalette::WindowText));
        QVERIFY(!c.cmdUpdate->isEnabledTo(&window));
        QVERIFY(c.cmdUpdateMultiple->isEnabledTo(&window));
        for (const QComboBox *list : window.findChildren<QComboBox *>()) {
            QVERIFY2(!list->isEditable(), qPrintable(list->objectName()));
            QCOMPARE(list->currentIndex(), -1);
        }
        for (const ChannelSelector *selector : c.channelSelectors)
            QVERIFY(!selector->isEnabledTo(&window));
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
        if (tabs.contains(box.topLeft()))
            QVERIFY(box.right() <= tabs.right());
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
            QStringList walk{c.cmdClose->objectName()};
            int wraps = 0;
            for (QPoint at = windowRect(c.cmdClose).topLeft(); walk.size() < 100;) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                const QPoint next = windowRect(QApplication::focusWidget()).topLeft();
                wraps += std::pair(next.y(), next.x()) < std::pair(at.y(), at.x()) ? 1 : 0;
                at = next;
                walk << QApplication::focusWidget()->objectName();
                if (QApplication::focusWidget() == c.cmdClose)
                    break;
            }
            QVERIFY2(!walk.contains(u"txtMove"), qPrintable(walk.join(' ')));
            QVERIFY2(walk.size() > 10, qPrintable(walk.join(' '))); // not stuck in one frame
            QVERIFY2(wraps == 1, qPrintable(walk.join(' ')));       // once round, in reading order
        }
    }
}

// However many settings a message names, its OK button stays on the screen: a long list
// scrolls under its first line.
void TestMainWindow::longMessagesScroll()
{
    QStringList text{QStringLiteral("The unit did not take the whole setup.")};
    for (int line = 1; line < 200; ++line)
        text << QStringLiteral("channel %1 HorizPos: file 9, unit 8: did not take").arg(line);
    QString listed;
    int height = 0;
    // The message is modal: it is read and closed from a timer once it is up.
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (QWidget *message = QApplication::activeModalWidget()) {
            look.stop();
            height = message->sizeHint().height();
            if (const auto *list = message->findChild<QPlainTextEdit *>())
                listed = list->toPlainText();
            message->close();
        }
    });
    look.start(10);
    QtMessageBoxes(nullptr).tell(QStringLiteral("QM-520A Control Panel"), text.join(u'\n'));
    QCOMPARE(listed, text.mid(1).join(u'\n'));
    QVERIFY2(height < 600, qPrintable(QString::number(height)));
}

void TestMainWindow::screenReadersHearEachControlByItsCaption_data()
{
    QTest::addColumn<bool>("qm410");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("heard");
    const auto row = [](const char *tag, bool qm410, const char *control, QAccessible::Role role,
                        const char *heard) {
        QTest::newRow(tag) << qm410 << control << int(role) << heard;
    };
    // The program is known by its display name, though its own name keeps its preferences.
    row("QM-520A program", false, "qApp", QAccessible::Application, "QM-520A Control Panel");
    row("QM-410A indicator", true, "cmdButton_4", QAccessible::RadioButton, "Channel 5");
    row("QM-520A selector", false, "cmdButton_4", QAccessible::RadioButton, "Channel 5");
    row("QM-410A time zone", true, "cmbTimeZone", QAccessible::ComboBox, "Time zone");
    // A notification, which readers speak when it shows.
    row("QM-410A notice", true, "lblNotice", QAccessible::Notification, "Notice");
}

void TestMainWindow::screenReadersHearEachControlByItsCaption()
{
    QFETCH(bool, qm410);
    QFETCH(QString, control);
    QFETCH(int, role);
    QFETCH(QString, heard);
    MainWindow window(qm410 ? qm410aWindow() : qm520aWindow());
    const MainWindowControls &c = window.controls();
    auto *notice = new NoticePane(*c.frameConnecting, window.height());
    window.setEnabled(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    // The desktop gives a list's value as its name, once a unit's answer has chosen one.
    c.cmbComports->addItem(QStringLiteral("1"));
    for (QComboBox *list : window.findChildren<QComboBox *>())
        list->setCurrentIndex(0);
    QApplication::setApplicationName(window.description().model->preferencesName);
    QApplication::setApplicationDisplayName(window.description().caption);
    QObject *widget = control == u"qApp" ? static_cast<QObject *>(QCoreApplication::instance())
                                         : window.findChild<QWidget *>(control);
    QVERIFY(widget);
    // Of two topics, the one withdrawn goes at once; the other stays, and is all that is read.
    notice->tell(QStringLiteral("COM3 is in use by another program."));
    notice->put(QStringLiteral("line"), QStringLiteral("The unit does not answer."));
    notice->withdraw(QStringLiteral("line"));
    QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(widget);
    const QAccessible::State unselected = spoken->state();
    if (auto *selector = qobject_cast<ChannelSelector *>(widget)) {
        selector->setEnabled(true);
        selector->setSelectedLook(true);
        QSignalSpy released(selector, &ChannelSelector::released);
        spoken->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(released.count(), 1);
    }
    QCOMPARE(spoken->role(), QAccessible::Role(role));
    QCOMPARE(heardName(spoken), heard);
    const bool radio = role == QAccessible::RadioButton;
    QCOMPARE(bool(unselected.checkable), radio);
    QVERIFY(!unselected.checked);
    QCOMPARE(bool(spoken->state().checked), radio);
    if (widget != notice)
        return;
    QCOMPARE(spoken->textInterface()->text(0, spoken->textInterface()->characterCount()),
             QStringLiteral("COM3 is in use by another program."));
    notice->withdraw(QStringLiteral("COM3 is in use by another program."));
    QVERIFY(notice->isHidden());
}

void TestMainWindow::looksKeepTheirMeaningOnLightAndDarkPalettes_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QString>("look");
    for (const bool dark : {false, true})
        for (const char *look : {"grid", "selected channel", "indicator", "channel number",
                                 "answered indicator", "answered button"})
            QTest::addRow("%s, %s palette", look, dark ? "dark" : "light") << dark << look;
}

// Each look's marked state stands out from the window more than its plain one: the grid's
// active outline, a lit QM-410A indicator, the text on the selected QM-520A channel's face
// and the grey channel numbers (against the window, at 3:1 at least); a channel that answered
// stands out more than one that did not, on both models.
void TestMainWindow::looksKeepTheirMeaningOnLightAndDarkPalettes()
{
    QFETCH(bool, dark);
    QFETCH(QString, look);
    const QPalette desktop = QApplication::palette();
    const auto restore = qScopeGuard([&desktop] { QApplication::setPalette(desktop); });
    QApplication::setPalette(desktopPalette(dark));
    const bool qm520 = look == u"grid" || look == u"selected channel" || look == u"answered button";
    MainWindow window(qm520 ? qm520aWindow() : qm410aWindow());
    window.setEnabled(true);
    const MainWindowControls &c = window.controls();
    QColor background = window.palette().color(QPalette::Window);
    ChannelSelector *selector = c.channelSelectors[4];
    selector->setEnabled(true);
    QColor marked;
    QColor plain = background;
    double least = 3;
    if (look == u"grid") {
        PositionGrid *grid = gridOf(window);
        grid->setActiveLook(true);
        marked = grid->pixmap().toImage().pixelColor(0, 0);
        grid->setActiveLook(false);
        plain = grid->pixmap().toImage().pixelColor(0, 0);
        least = 1;
    } else if (look == u"selected channel") {
        selector->setSelectedLook(true);
        const QImage face = selector->grab().toImage();
        background = face.pixelColor(4, face.height() / 2);
        marked = textOn(face, background);
        least = 4.5;
    } else if (look == u"indicator") {
        selector->setSelectedLook(true);
        marked = middleOf(selector);
        selector->setSelectedLook(false);
        plain = middleOf(selector);
        least = 1;
    } else if (look == u"answered indicator") {
        selector->setSelectedLook(false);
        marked = middleOf(selector);
        selector->setEnabled(false);
        plain = middleOf(selector);
        least = 1;
    } else if (look == u"answered button") {
        const QImage face = selector->grab().toImage();
        background = face.pixelColor(4, face.height() / 2);
        marked = textOn(face, background);
        selector->setEnabled(false);
        plain = textOn(selector->grab().toImage(), background);
        least = 1;
    } else {
        marked = c.channelNumberLabels[4]->palette().color(QPalette::Active, QPalette::WindowText);
        QVERIFY(marked != window.palette().color(QPalette::Active, QPalette::WindowText));
    }
    QVERIFY2(contrast(marked, background) > contrast(plain, background),
             qPrintable(marked.name() + u' ' + plain.name()));
    QVERIFY2(contrast(marked, background) >= least, qPrintable(marked.name()));
}

void TestMainWindow::ourControlsShowTheFocusFromTheStart_data()
{
    QTest::addColumn<bool>("qm410");
    QTest::newRow("QM-410A") << true;
    QTest::newRow("QM-520A") << false;
}

// Without a key pressed yet, so without the style's own focus frames, a selector shows the
// focus; so does the grid, on its page's tab when its page lies behind another, and with a
// note on the page in front that hides no control.
void TestMainWindow::ourControlsShowTheFocusFromTheStart()
{
    QFETCH(bool, qm410);
    MainWindow window(qm410 ? qm410aWindow() : qm520aWindow());
    const MainWindowControls &c = window.controls();
    window.setEnabled(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    ChannelSelector *selector = c.channelSelectors[4];
    selector->setEnabled(true);
    selector->setSelectedLook(false);
    const QImage unfocused = selector->grab().toImage();
    selector->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(selector->hasFocus(), test::DeadlineMs);
    QVERIFY(selector->grab().toImage() != unfocused);

    PositionGrid *grid = gridOf(window);
    QTabWidget *tabs = c.sstSettings;
    int gridPage = 0;
    while (!tabs->widget(gridPage)->isAncestorOf(grid))
        ++gridPage;
    tabs->setCurrentIndex(gridPage);
    const QImage plainGrid = grid->grab().toImage();
    grid->showKeyboardFocus(true);
    QVERIFY(grid->grab().toImage() != plainGrid);
    const auto *tabMark = tabs->findChild<QWidget *>(QStringLiteral("pageFocusMark"));
    QVERIFY(!tabMark->isVisible());
    const auto *note = tabs->findChild<QLabel *>(QStringLiteral("pageFocusNote"));
    QVERIFY(!note->isVisible());
    for (int page = 1; page < tabs->count(); ++page) {
        tabs->setCurrentIndex((gridPage + page) % tabs->count());
        QVERIFY(tabMark->isVisible());
        QCOMPARE(tabMark->geometry(), tabs->tabBar()->tabRect(gridPage));
        QVERIFY(note->isVisible());
        QVERIFY(windowRect(tabs->currentWidget()).contains(windowRect(note)));
        const QStringList containers{"QWidget", "QFrame", "QGroupBox", "QStackedWidget",
                                     "QTabWidget"};
        for (const QWidget *control : window.findChildren<QWidget *>()) {
            if (control->isVisible() && control != note &&
                !containers.contains(control->metaObject()->className()))
                QVERIFY2(!windowRect(control).intersects(windowRect(note)),
                         qPrintable(control->objectName()));
        }
    }
    grid->showKeyboardFocus(false);
    QVERIFY(!tabMark->isVisible());
    QVERIFY(!note->isVisible());
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
