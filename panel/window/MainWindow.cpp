#include "panel/window/MainWindow.h"

#include "model/Twips.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/Pictures.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>
#include <utility>

namespace qm {

namespace {

constexpr Qt::WindowFlags FixedWindowFlags = Qt::Window | Qt::MSWindowsFixedSizeDialogHint |
                                             Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                             Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

QRect pixels(const QRect &twips)
{
    return twipsRect(twips.left(), twips.top(), twips.width(), twips.height());
}

QLabel *createLabel(const WindowRow &row, QWidget *container)
{
    auto *label = new QLabel(row.caption, container);
    const Qt::Alignment across =
        row.options.testFlag(ControlOption::Centred) ? Qt::AlignHCenter : Qt::AlignLeft;
    label->setAlignment(across | Qt::AlignTop);
    return label;
}

// A long list drops down as a scrolling box of a few rows, not as a menu over the whole window.
void limitDropDown(QComboBox &list)
{
    constexpr int VisibleRows = 10;
    list.setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    list.setMaxVisibleItems(VisibleRows);
}

QComboBox *createList(const WindowRow &row, QWidget *container)
{
    auto *list = new QComboBox(container);
    list->setEditable(false);
    list->addItems(row.items);
    list->setCurrentIndex(-1);
    limitDropDown(*list);
    return list;
}

QFrame *createFrame(QWidget *container, QFrame::Shape shape)
{
    auto *frame = new QFrame(container);
    frame->setFrameStyle(shape | QFrame::Sunken);
    return frame;
}

// A frame of the window itself is opaque so that it hides what lies behind it (the arrow-key
// field); frames inside frames keep their container's background.
QGroupBox *createTitledFrame(const WindowRow &row, QWidget *container, bool opaque)
{
    auto *frame = new QGroupBox(row.caption, container);
    frame->setAutoFillBackground(opaque);
    return frame;
}

// The page controls stand close below the strip, so the tabs are kept low and narrow.
QTabWidget *createTabControl(QWidget *container)
{
    auto *tabs = new QTabWidget(container);
    tabs->tabBar()->setStyleSheet(
        QStringLiteral("QTabBar::tab { height: 19px; padding: 0px 6px; }"));
    tabs->setUsesScrollButtons(false);
    return tabs;
}

QFrame *createPanel(QWidget *container, bool opaque)
{
    QFrame *panel = createFrame(container, QFrame::NoFrame);
    panel->setAutoFillBackground(opaque);
    return panel;
}

// The panel speaks while the window is busy and disabled; it keeps the colours of an enabled
// window so that its message reads plainly rather than greyed out.
QFrame *createMessagePanel(QWidget *container)
{
    QFrame *panel = createPanel(container, true);
    QPalette palette = panel->palette();
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const auto colorRole = static_cast<QPalette::ColorRole>(role);
        palette.setBrush(QPalette::Disabled, colorRole, palette.brush(QPalette::Active, colorRole));
    }
    panel->setPalette(palette);
    return panel;
}

QLabel *createPicture(QWidget *container)
{
    auto *picture = new QLabel(container);
    picture->setPixmap(programIconPixmap());
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return picture;
}

// The controls are placed for an 8.25 point dialog font of narrow build; a wider one would
// cut captions short. Families that are missing are skipped.
QFont designFont(QFont font)
{
    font.setFamilies({QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans Condensed"), font.family()});
    font.setPointSizeF(8.25);
    return font;
}

// A caption or item too wide for the room the design leaves, in a font wider than the one
// the design was drawn for, would lose its end; its control takes a smaller size of the same
// font, just small enough to show it whole.
template<typename Width> void shrinkToFit(QWidget &widget, int room, Width needed)
{
    constexpr qreal SizeStep = 0.25;
    constexpr qreal SmallestSize = 6;
    QFont font = widget.font();
    while (needed() > room && font.pointSizeF() > SmallestSize) {
        font.setPointSizeF(font.pointSizeF() - SizeStep);
        widget.setFont(font);
    }
}

// Check boxes and option buttons need room for their indicator besides the caption; where
// the design leaves too little, they reach further right, up to the limit given, and beyond
// that take a smaller font.
int fittedWidth(QWidget &widget, const QRect &design, int rightLimit)
{
    const int room = std::max(design.width(), rightLimit - design.left());
    shrinkToFit(widget, room, [&widget] { return widget.sizeHint().width(); });
    return std::clamp(widget.sizeHint().width(), design.width(), room);
}

bool hasIndicator(ControlKind kind)
{
    return kind == ControlKind::CheckBox || kind == ControlKind::RadioButton;
}

bool hasBorder(ControlKind kind)
{
    return kind == ControlKind::TabControl || kind == ControlKind::TitledFrame ||
           kind == ControlKind::Frame;
}

// How far right a control may reach: its container's edge, or the border of a bordered
// control it is drawn over (a check box in a tab strip stays off the tab control's edge).
int rightLimit(const WindowDescription &description, const WindowRow &row, int containerWidth)
{
    int limit = containerWidth;
    for (const WindowRow &under : description.controls) {
        if (&under != &row && under.container == row.container && hasBorder(under.kind) &&
            under.twips.contains(row.twips.topLeft()))
            limit = std::min(limit, pixels(under.twips).right() + 1);
    }
    return limit;
}

// The width of the widest item of a list.
int widestItem(const QComboBox &list)
{
    const QFontMetrics metrics = list.fontMetrics();
    int widest = 0;
    for (int i = 0; i < list.count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(list.itemText(i)));
    return widest;
}

// Lists keep their designed width; their widest item must fit where the closed list shows it.
void fitItemsAcross(QComboBox &list, QSize size)
{
    constexpr int LabelInset = 2; // the closed list's text stands a pixel in from each side
    QStyleOptionComboBox option;
    option.initFrom(&list);
    option.rect = QRect(QPoint(), size);
    const int room =
        list.style()
            ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, &list)
            .width() -
        LabelInset;
    shrinkToFit(list, room, [&list] { return widestItem(list); });
}

// A font that takes nothing from its container, for controls inside a frame whose own font
// is meant for its caption only.
QFont selfContainedFont(QFont font)
{
    font.setResolveMask(QFont::AllPropertiesResolved);
    return font;
}

} // namespace

MainWindow::MainWindow(const WindowDescription &description, QWidget *parent)
    : QWidget(parent, FixedWindowFlags), m_description(description)
{
    setWindowTitle(description.caption);
    setWindowIcon(programIcon());
    setFont(designFont(font()));
    setFixedSize(
        twipsRect(0, 0, description.clientTwips.width(), description.clientTwips.height()).size());
    for (const WindowRow &row : description.controls)
        buildControl(row);
    stackFrontToBack();
    placePageControls();
    collectControls();
    setEnabled(false);
}

void MainWindow::setCloseGuard(std::function<bool()> guard)
{
    m_closeGuard = std::move(guard);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_closeGuard && !m_closeGuard()) {
        event->ignore();
        return;
    }
    event->accept();
    if (!m_unloaded) {
        m_unloaded = true;
        emit unloading();
    }
}

// By the first showing every control exists, also those that the window's users add.
void MainWindow::showEvent(QShowEvent *event)
{
    if (!m_tabStopsOrdered) {
        m_tabStopsOrdered = true;
        orderTabStops();
    }
    QWidget::showEvent(event);
}

// The tab control lays out its pages only once it is shown, and again whenever its strip or
// size changes; the page controls follow each time so they keep their place in the window.
bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
        placePageControls();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::buildControl(const WindowRow &row)
{
    QWidget *container = row.container.isEmpty() ? this : m_widgets.value(row.container);
    Q_ASSERT_X(container, "MainWindow", "a control's container must be listed before it");
    QWidget *widget = row.kind == ControlKind::TabPage ? addTabPage(row, container)
                                                       : createWidget(row, container);
    widget->setObjectName(row.name);
    m_widgets.insert(row.name, widget);
    applyLook(widget, row);
    if (row.kind != ControlKind::TabPage)
        place(widget, row, container);
}

QWidget *MainWindow::createWidget(const WindowRow &row, QWidget *container)
{
    switch (row.kind) {
    case ControlKind::Label:
        return createLabel(row, container);
    case ControlKind::PushButton:
        return new QPushButton(row.caption, container);
    case ControlKind::CheckBox:
        return new QCheckBox(row.caption, container);
    case ControlKind::RadioButton:
        return new QRadioButton(row.caption, container);
    case ControlKind::ComboBox:
        return createList(row, container);
    case ControlKind::TextBox:
        return new QLineEdit(container);
    case ControlKind::ChannelSelector:
        return new ChannelSelector(row.index, m_description.selectorStyle, row.caption, container);
    case ControlKind::Picture:
        return createPicture(container);
    default:
        return createContainerWidget(row, container);
    }
}

QWidget *MainWindow::createContainerWidget(const WindowRow &row, QWidget *container)
{
    switch (row.kind) {
    case ControlKind::TitledFrame:
        return createTitledFrame(row, container, container == this);
    case ControlKind::Frame:
        return createFrame(container, QFrame::Box);
    case ControlKind::Panel:
        return createMessagePanel(container);
    case ControlKind::Group:
        return createPanel(container, false);
    default:
        return createTabControl(container);
    }
}

QWidget *MainWindow::addTabPage(const WindowRow &row, QWidget *container)
{
    auto *tabs = qobject_cast<QTabWidget *>(container);
    Q_ASSERT_X(tabs, "MainWindow", "a tab page belongs to a tab control");
    auto *page = new QWidget;
    tabs->addTab(page, row.caption);
    page->installEventFilter(this);
    page->parentWidget()->installEventFilter(this);
    m_pages.insert(page, tabs);
    return page;
}

void MainWindow::place(QWidget *widget, const WindowRow &row, QWidget *container)
{
    QTabWidget *tabs = m_pages.value(container);
    QRect rect = pixels(row.twips);
    if (hasIndicator(row.kind))
        rect.setWidth(fittedWidth(
            *widget, rect, rightLimit(m_description, row, (tabs ? tabs : container)->width())));
    if (auto *list = qobject_cast<QComboBox *>(widget))
        fitItemsAcross(*list, rect.size());
    if (tabs)
        m_pagePlacements.push_back({widget, tabs, rect});
    else
        widget->setGeometry(rect);
}

void MainWindow::applyLook(QWidget *widget, const WindowRow &row)
{
    const WindowRow *container = m_description.control(row.container);
    if (container && container->pointSize > 0)
        widget->setFont(selfContainedFont(font()));
    if (row.pointSize > 0) {
        QFont own = font();
        own.setPointSizeF(row.pointSize);
        widget->setFont(own);
    }
    if (row.options.testFlag(ControlOption::GreyText)) {
        QPalette grey = widget->palette();
        grey.setColor(QPalette::WindowText, QColor(128, 128, 128));
        widget->setPalette(grey);
    }
    if (!row.toolTip.isEmpty())
        widget->setToolTip(row.toolTip);
    if (row.options.testFlag(ControlOption::Disabled))
        widget->setEnabled(false);
    if (row.options.testFlag(ControlOption::Hidden))
        widget->hide();
}

// Later siblings are drawn above earlier ones; raising from the back makes the first listed
// the topmost.
void MainWindow::stackFrontToBack()
{
    for (auto row = m_description.controls.rbegin(); row != m_description.controls.rend(); ++row) {
        if (row->kind != ControlKind::TabPage)
            m_widgets.value(row->name)->raise();
    }
}

void MainWindow::placePageControls()
{
    for (const PagePlacement &placement : m_pagePlacements) {
        const QPoint pageOffset = placement.widget->parentWidget()->mapTo(placement.tabs, QPoint());
        placement.widget->setGeometry(placement.pixels.translated(-pageOffset));
    }
}

// Tab walks the window as it reads: top to bottom, and left to right along a row. The order
// follows the design, not the widgets' momentary geometry, which the tab control settles late.
void MainWindow::orderTabStops()
{
    std::vector<std::pair<QPoint, QWidget *>> stops;
    for (QWidget *widget : findChildren<QWidget *>()) {
        const QWidget *holder = widget->parentWidget();
        const bool standsIn = holder && holder->focusProxy() == widget; // a tab control's strip
        if ((widget->focusPolicy() & Qt::TabFocus) && !standsIn && widget->window() == this)
            stops.emplace_back(designedPlace(widget), widget);
    }
    std::stable_sort(stops.begin(), stops.end(), [](const auto &a, const auto &b) {
        return std::pair(a.first.y(), a.first.x()) < std::pair(b.first.y(), b.first.x());
    });
    for (std::size_t i = 1; i < stops.size(); ++i)
        setTabOrder(stops[i - 1].second, stops[i].second);
}

// A control's top-left corner in window twips; a tab page stands where its tab control does.
QPoint MainWindow::designedTopLeft(const WindowRow &row) const
{
    const WindowRow *container = m_description.control(row.container);
    if (container && container->kind == ControlKind::TabPage)
        container = m_description.control(container->container);
    return row.twips.topLeft() + (container ? designedTopLeft(*container) : QPoint());
}

// Where a widget stands in window twips, measured from the nearest control of the design
// that holds it.
QPoint MainWindow::designedPlace(const QWidget *widget) const
{
    QPoint offset;
    for (; widget && widget != this; widget = widget->parentWidget()) {
        const WindowRow *row = m_description.control(widget->objectName());
        if (row && m_widgets.value(row->name) == widget)
            return offset + designedTopLeft(*row);
        offset += widget->pos() * TwipsPerPixel;
    }
    return offset;
}

void MainWindow::collectControls()
{
    MainWindowControls &c = m_controls;
    c.frameConnecting = find<QFrame>("frameConnecting");
    c.lblStatus = find<QLabel>("lblStatus");
    c.cmdClose = find<QPushButton>("cmdClose");
    c.chkUpdateImmediately = find<QCheckBox>("chkUpdateImmediately");
    c.cmdUpdate = find<QPushButton>("cmdUpdate");
    c.cmdUpdateMultiple = find<QPushButton>("cmdUpdateMultiple");
    c.sstSettings = find<QTabWidget>("sstSettings");
    c.controlFrame = find<QGroupBox>("Frame1");
    c.cmbComports = find<QComboBox>("cmbComports");
    c.videoChannelFrame = find<QGroupBox>("Frame2");
    c.txtMove = find<QLineEdit>("txtMove");
    // The arrow-key field lies hidden behind the frames: only the program gives it the keys.
    c.txtMove->setFocusPolicy(Qt::ClickFocus);
    c.iconPicture = find<QLabel>("Image1");
    c.framePosition = find<QFrame>("FramePosition");
    collectArray(c.channelSelectors, QStringLiteral("cmdButton"));
    collectArray(c.channelNumberLabels, QStringLiteral("Label1"));
    collectArray(c.lblText, QStringLiteral("lblText"));
}

} // namespace qm
