#include "ChannelSelector.h"
#include "MainWindow.h"
#include "ModelWindows.h"
#include "Twips.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>
#include <QTest>

using namespace qm;

namespace {

std::array<const WindowDescription *, 2> bothWindows()
{
    return {&qm410aWindow(), &qm520aWindow()};
}

bool isOfKind(const QWidget *widget, ControlKind kind)
{
    switch (kind) {
    case ControlKind::Label:
    case ControlKind::Picture:
        return qobject_cast<const QLabel *>(widget);
    case ControlKind::PushButton:
        return qobject_cast<const QPushButton *>(widget);
    case ControlKind::CheckBox:
        return qobject_cast<const QCheckBox *>(widget);
    case ControlKind::RadioButton:
        return qobject_cast<const QRadioButton *>(widget);
    case ControlKind::ComboBox:
        return qobject_cast<const QComboBox *>(widget);
    case ControlKind::TextBox:
        return qobject_cast<const QLineEdit *>(widget);
    case ControlKind::TitledFrame:
        return qobject_cast<const QGroupBox *>(widget);
    case ControlKind::TabControl:
        return qobject_cast<const QTabWidget *>(widget);
    case ControlKind::ChannelSelector:
        return qobject_cast<const ChannelSelector *>(widget);
    default:
        return widget != nullptr;
    }
}

// Where a control's design puts its top-left corner in the window, in pixels: the sum of its
// own place and its containers', a tab page standing for its tab control.
QPoint designedWindowPosition(const WindowDescription &description, const ControlSpec &row)
{
    const QPoint own = twipsRect(row.twips.left(), row.twips.top(), 0, 0).topLeft();
    const ControlSpec *container = description.control(row.container);
    if (!container)
        return own;
    if (container->kind == ControlKind::TabPage)
        container = description.control(container->container);
    return own + designedWindowPosition(description, *container);
}

QRect windowRect(const QWidget *widget)
{
    return QRect(widget->mapTo(widget->window(), QPoint()), widget->size());
}

int widestItem(const QComboBox &list)
{
    int widest = 0;
    for (int i = 0; i < list.count(); ++i)
        widest = std::max(widest, list.fontMetrics().horizontalAdvance(list.itemText(i)));
    return widest;
}

// Where a closed list draws its text: the style's field, less a pixel at each side.
int closedListRoom(const QComboBox &list)
{
    QStyleOptionComboBox option;
    option.initFrom(&list);
    return list.style()
               ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &list)
               .width() -
           2;
}

struct ShownWindow
{
    explicit ShownWindow(const WindowDescription &description) : window(description)
    {
        window.show();
        exposed = QTest::qWaitForWindowExposed(&window);
    }
    MainWindow window;
    bool exposed = false;
};

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT
private slots:
    void everyControlIsBuiltWithItsNameAndKind();
    void captionsItemsAndToolTipsReadAsDesigned();
    void windowStartsInItsDesignState();
    void controlsLandAtTheirDesignedPlaceInTheWindow();
    void overlappingControlsStackAsDesigned();
    void selectorsChooseOnAReleaseOfAnyMainButtonOnly();
    void selectorLooksAreDistinct();
    void closingAsksTheGuardAndAnnouncesUnloadingOnce();
};

void TestMainWindow::everyControlIsBuiltWithItsNameAndKind()
{
    for (const WindowDescription *description : bothWindows()) {
        MainWindow window(*description);
        for (const ControlSpec &row : description->controls) {
            const auto *widget = window.findChild<QWidget *>(row.name);
            QVERIFY2(widget && isOfKind(widget, row.kind), qPrintable(row.name));
        }
        const MainWindowControls &c = window.controls();
        const QList<const QObject *> shared = {c.frameConnecting, c.lblStatus,
                                               c.cmdClose,        c.chkUpdateImmediately,
                                               c.cmdUpdate,       c.cmdUpdateMultiple,
                                               c.sstSettings,     c.frame1,
                                               c.cmbComports,     c.frame2,
                                               c.txtMove,         c.image1,
                                               c.cmbWindowMode,   c.cmbDisplayMode,
                                               c.chkBlank,        c.framePosition};
        QVERIFY(!shared.contains(nullptr));
        for (int i = 0; i < 12; ++i) {
            const ChannelSelector *selector = c.cmdButton[static_cast<std::size_t>(i)];
            QVERIFY(selector);
            QCOMPARE(selector->objectName(), QStringLiteral("cmdButton_%1").arg(i));
            QCOMPARE(selector->index(), i);
        }
        for (std::size_t line = 0; line < 3; ++line)
            QVERIFY(c.txtText[line] && c.chkEnable[line]);
    }

    MainWindow qm410(qm410aWindow());
    const MainWindowControls &a = qm410.controls();
    QVERIFY(a.optQOR && a.optSMPTE && a.opt12hr && a.opt24hr && a.cmbDateMode && a.cmbTimeZone);
    QVERIFY(a.label1[11] && !a.cmbTimeFont && !a.chkAutoStop && !a.chkLeapSeconds && !a.lblText[0]);
    // Each option pair is exclusive on its own.
    QCOMPARE(a.optQOR->parentWidget(), a.optSMPTE->parentWidget());
    QCOMPARE(a.opt12hr->parentWidget(), a.opt24hr->parentWidget());
    QVERIFY(a.optQOR->parentWidget() != a.opt12hr->parentWidget());

    MainWindow qm520(qm520aWindow());
    const MainWindowControls &b = qm520.controls();
    QVERIFY(b.cmbTimeFont && b.chkAutoStop && b.chkLeapSeconds && b.lblText[2]);
    QVERIFY(!b.optQOR && !b.cmbDateMode && !b.cmbTimeZone && !b.label1[0]);
}

void TestMainWindow::captionsItemsAndToolTipsReadAsDesigned()
{
    MainWindow qm410(qm410aWindow());
    const MainWindowControls &a = qm410.controls();
    QCOMPARE(qm410.windowTitle(), QStringLiteral("QM-410A Control Panel"));
    QCOMPARE(a.chkUpdateImmediately->text(), QStringLiteral("Update Immediately "));
    QCOMPARE(a.cmdUpdateMultiple->text(), QStringLiteral("Multiple Update"));
    QCOMPARE(a.cmdUpdateMultiple->toolTip(),
             QStringLiteral("Update multiple channels with the selected channel's settings"));
    QCOMPARE(a.frame1->title(), QStringLiteral("Control:"));
    QCOMPARE(a.frame2->title(), QStringLiteral("Video Channel:"));
    QCOMPARE(qm410.findChild<QLabel *>("Label10")->text(), QStringLiteral("Timezone:"));
    QCOMPARE(a.label1[11]->text(), QStringLiteral("12"));
    QCOMPARE(a.opt24hr->text(), QStringLiteral("24 Hr."));
    QCOMPARE(a.sstSettings->count(), 3);
    QCOMPARE(a.sstSettings->tabText(1), QStringLiteral("Size and Position"));
    QCOMPARE(a.cmbTimeZone->count(), 49);
    QCOMPARE(a.cmbTimeZone->itemText(0), QStringLiteral("-12"));
    QCOMPARE(a.cmbTimeZone->itemText(8), QStringLiteral("-8        (Pacific)"));
    QCOMPARE(a.cmbTimeZone->itemText(24), QStringLiteral("0         (UTC)"));
    QCOMPARE(a.cmbTimeZone->itemText(39), QStringLiteral("7.5"));
    QCOMPARE(a.cmbTimeZone->itemText(43), QStringLiteral("+9.5    (C. Australia)"));
    QCOMPARE(a.cmbTimeZone->itemText(48), QStringLiteral("+12"));
    QCOMPARE(a.cmbTimeZone->toolTip(), QStringLiteral("Sets the Time Zone offset relative to UTC"));
    QCOMPARE(a.cmbWindowMode->itemText(2), QStringLiteral("Transparant (Background)"));
    QCOMPARE(a.cmbDisplayMode->itemText(3), QStringLiteral("Date and Time Off"));
    QCOMPARE(a.cmbDateMode->itemText(2), QStringLiteral("YY-MM-DD"));

    MainWindow qm520(qm520aWindow());
    const MainWindowControls &b = qm520.controls();
    QCOMPARE(qm520.windowTitle(), QStringLiteral("QM-520A Control Panel"));
    QCOMPARE(b.sstSettings->count(), 2);
    QCOMPARE(b.sstSettings->tabText(1), QStringLiteral("Text Settings"));
    QCOMPARE(b.chkLeapSeconds->text(), QStringLiteral("Leap Year"));
    QCOMPARE(b.lblText[2]->text(), QStringLiteral("Line 3:"));
    QCOMPARE(b.cmdButton[9]->caption(), QStringLiteral("10"));
    QCOMPARE(b.cmbDisplayMode->count(), 3);
    QCOMPARE(b.cmbDisplayMode->itemText(1), QStringLiteral("Time with milliseconds"));
    QCOMPARE(b.cmbWindowMode->itemText(0), QStringLiteral("Transparant (No Background)"));
    QCOMPARE(b.cmbTimeFont->itemText(1), QStringLiteral("Block"));
}

void TestMainWindow::windowStartsInItsDesignState()
{
    for (const WindowDescription *description : bothWindows()) {
        MainWindow window(*description);
        const MainWindowControls &c = window.controls();
        QVERIFY(!window.isEnabled());
        const QSize client =
            twipsRect(0, 0, description->clientTwips.width(), description->clientTwips.height())
                .size();
        QCOMPARE(window.minimumSize(), client);
        QCOMPARE(window.maximumSize(), client);
        QVERIFY(!(window.windowFlags() &
                  (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint)));
        QVERIFY(window.windowFlags() & Qt::WindowCloseButtonHint);
        QVERIFY(!window.windowIcon().isNull());
        QVERIFY(!c.image1->pixmap().isNull());

        QVERIFY(c.frameConnecting->isHidden());
        QVERIFY(c.lblStatus->text().isEmpty());
        QCOMPARE(c.lblStatus->font().pointSizeF(), 12.0);
        // The message is read while the window is disabled for the poll; it is not greyed.
        QCOMPARE(c.lblStatus->palette().color(QPalette::Disabled, QPalette::WindowText),
                 c.lblStatus->palette().color(QPalette::Active, QPalette::WindowText));
        QCOMPARE(c.frame1->font().pointSizeF(), 9.75);
        QVERIFY(c.cmbComports->font().pointSizeF() < 9.75);
        QVERIFY(!c.cmdUpdate->isEnabledTo(&window));
        QVERIFY(c.cmdUpdateMultiple->isEnabledTo(&window) && c.cmdClose->isEnabledTo(&window));
        QVERIFY(!c.chkUpdateImmediately->isChecked());
        QCOMPARE(c.sstSettings->currentIndex(), 0);
        for (const QComboBox *list : window.findChildren<QComboBox *>()) {
            QVERIFY2(!list->isEditable() && list->currentIndex() == -1,
                     qPrintable(list->objectName()));
            QVERIFY2(widestItem(*list) <= closedListRoom(*list), qPrintable(list->objectName()));
        }
        for (const QLineEdit *text : window.findChildren<QLineEdit *>())
            QVERIFY(text->text().isEmpty() && text->maxLength() >= 32767);
        QCOMPARE(c.cmbComports->count(), 0);
        for (const ChannelSelector *selector : c.cmdButton) {
            QVERIFY(!selector->isEnabledTo(&window) && !selector->hasSelectedLook());
            QCOMPARE(selector->hasLook(), description->selectorStyle == SelectorStyle::PushButton);
        }
    }
}

void TestMainWindow::controlsLandAtTheirDesignedPlaceInTheWindow()
{
    for (const WindowDescription *description : bothWindows()) {
        ShownWindow shown(*description);
        QVERIFY(shown.exposed);
        QTabWidget *tabs = shown.window.controls().sstSettings;
        for (int page = tabs->count() - 1; page >= 0; --page) {
            tabs->setCurrentIndex(page);
            QCoreApplication::processEvents();
            for (const ControlSpec &row : description->controls) {
                const auto *widget = shown.window.findChild<QWidget *>(row.name);
                if (row.kind == ControlKind::TabPage || !widget->isVisible())
                    continue;
                const QRect design = twipsRect(row.twips.left(), row.twips.top(), row.twips.width(),
                                               row.twips.height());
                const QRect actual = windowRect(widget);
                QCOMPARE(actual.topLeft(), designedWindowPosition(*description, row));
                QCOMPARE(actual.height(), design.height());
                // Indicator captions may reach further right than the design where they need to.
                if (row.kind == ControlKind::CheckBox || row.kind == ControlKind::RadioButton)
                    QVERIFY(actual.width() >= design.width());
                else
                    QCOMPARE(actual.width(), design.width());
            }
        }
    }

    // A few places worked out by hand from the design, tab control strip included.
    ShownWindow qm410(qm410aWindow());
    const MainWindowControls &a = qm410.window.controls();
    QCOMPARE(qm410.window.size(), QSize(309, 433));
    QCOMPARE(windowRect(a.image1), QRect(6, 0, 32, 32));
    QCOMPARE(windowRect(a.cmdButton[6]), QRect(28, 123, 34, 16));
    QCOMPARE(windowRect(a.label1[0]), QRect(31, 90, 29, 15));
    QCOMPARE(windowRect(a.cmbTimeZone), QRect(128, 292, 159, 21));
    QCOMPARE(windowRect(a.cmdClose), QRect(244, 396, 51, 23));
    a.sstSettings->setCurrentIndex(1);
    QCoreApplication::processEvents();
    QCOMPARE(windowRect(a.framePosition), QRect(10, 208, 287, 181));

    ShownWindow qm520(qm520aWindow());
    const MainWindowControls &b = qm520.window.controls();
    QCOMPARE(qm520.window.size(), QSize(309, 464));
    QCOMPARE(windowRect(b.cmdButton[11]), QRect(246, 122, 41, 25));
    QCOMPARE(windowRect(b.framePosition), QRect(10, 188, 287, 135));
    QCOMPARE(windowRect(b.chkLeapSeconds).topLeft(), QPoint(16, 410));
    QCOMPARE(windowRect(b.chkUpdateImmediately).topLeft(), QPoint(188, 170));
    b.sstSettings->setCurrentIndex(1);
    QCoreApplication::processEvents();
    QCOMPARE(windowRect(b.txtText[2]), QRect(14, 326, 219, 21));
}

void TestMainWindow::overlappingControlsStackAsDesigned()
{
    for (const WindowDescription *description : bothWindows()) {
        ShownWindow shown(*description);
        QVERIFY(shown.exposed);
        MainWindow &window = shown.window;
        const MainWindowControls &c = window.controls();
        window.setEnabled(true);

        // The arrow-key field is never seen, yet it takes the focus.
        const QPoint moveCentre = windowRect(c.txtMove).center();
        QVERIFY(window.childAt(moveCentre) != c.txtMove);
        QVERIFY(c.frame1->isAncestorOf(window.childAt(moveCentre)) ||
                window.childAt(moveCentre) == c.frame1);
        c.txtMove->setFocus();
        QTRY_VERIFY(c.txtMove->hasFocus());

        // The connecting panel, once shown, covers the middle of the "Control:" frame.
        c.frameConnecting->show();
        const QWidget *atMiddle = window.childAt(windowRect(c.frameConnecting).center());
        QVERIFY(atMiddle == c.frameConnecting || c.frameConnecting->isAncestorOf(atMiddle));
        QVERIFY(c.frameConnecting->autoFillBackground());
    }
}

void TestMainWindow::selectorsChooseOnAReleaseOfAnyMainButtonOnly()
{
    for (const WindowDescription *description : bothWindows()) {
        ShownWindow shown(*description);
        QVERIFY(shown.exposed);
        const MainWindowControls &c = shown.window.controls();
        shown.window.setEnabled(true);
        ChannelSelector *selector = c.cmdButton[4];
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
        QVERIFY(released.isEmpty());

        if (description->selectorStyle == SelectorStyle::IndicatorPicture) {
            QTest::mouseClick(c.label1[4], Qt::LeftButton);
            QVERIFY2(released.isEmpty(), "the number label selects nothing");
        }
    }
}

void TestMainWindow::selectorLooksAreDistinct()
{
    for (const WindowDescription *description : bothWindows()) {
        MainWindow window(*description);
        window.setEnabled(true);
        ChannelSelector *selector = window.controls().cmdButton[0];
        selector->setEnabled(true);
        const QImage before = selector->grab().toImage();
        selector->setSelectedLook(false);
        const QImage normal = selector->grab().toImage();
        selector->setSelectedLook(true);
        QVERIFY(selector->hasSelectedLook());
        const QImage selected = selector->grab().toImage();
        QVERIFY(selected != normal);
        // The indicator shows no picture until it is first given a look.
        QCOMPARE(before != normal, description->selectorStyle == SelectorStyle::IndicatorPicture);
        selector->setSelectedLook(false);
        QVERIFY(!selector->hasSelectedLook());
        QCOMPARE(selector->grab().toImage(), normal);
    }
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
    QVERIFY(!window.close());
    QVERIFY(window.isVisible());
    QCOMPARE(unloading.count(), 0);
    allow = true;
    QVERIFY(window.close());
    QCOMPARE(asked, 2);
    QCOMPARE(unloading.count(), 1);
    window.show();
    QVERIFY(window.close());
    QCOMPARE(unloading.count(), 1);
}

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"
