#include "form/FormBuilder.h"

#include "form/Contrast.h"
#include "form/ControlWidgets.h"
#include "model/Twips.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabWidget>

#include <algorithm>
#include <utility>

namespace qm {

namespace {

QRect pixels(const QRect &twips)
{
    return twipsRect(twips.left(), twips.top(), twips.width(), twips.height());
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

// The design's grey, or a lighter one on a dark background, where the design's would fade.
QColor greyTextOn(const QColor &background)
{
    return isDarkBackground(background) ? QColor(176, 176, 176) : QColor(128, 128, 128);
}

// A titled frame inside another would otherwise be named after the outer one's title.
QString accessibleNameOf(const WindowRow &row)
{
    if (row.accessibleName.isEmpty() && row.kind == ControlKind::TitledFrame)
        return row.caption;
    return row.accessibleName;
}

} // namespace

QString arrayElementName(const QString &arrayName, int index)
{
    return arrayName + QLatin1Char('_') + QString::number(index);
}

FormBuilder::FormBuilder(QWidget &root, std::vector<WindowRow> rows, FormOptions options)
    : QObject(&root), m_root(root), m_rows(std::move(rows)), m_options(std::move(options))
{
    for (const WindowRow &row : m_rows)
        buildControl(row);
    stackFrontToBack();
    placePageControls();
    pairLabels();
}

// The tab control lays out its pages only once it is shown, and again whenever its strip or
// size changes; the page controls follow each time so they keep their place in the window.
bool FormBuilder::eventFilter(QObject *watched, QEvent *event)
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
    return QObject::eventFilter(watched, event);
}

void FormBuilder::missingControl(const QString &name, const char *kind) const
{
    qFatal("%s: the design has no %s named \"%s\".", qUtf8Printable(m_root.window()->windowTitle()),
           kind, qUtf8Printable(name));
}

void FormBuilder::buildControl(const WindowRow &row)
{
    QWidget *container = row.container.isEmpty() ? &m_root : m_widgets.value(row.container);
    Q_ASSERT_X(container, "FormBuilder", "a control's container must be listed before it");
    QWidget *widget = row.kind == ControlKind::TabPage ? addTabPage(row, container)
                                                       : createWidget(row, container);
    widget->setObjectName(row.name);
    m_widgets.insert(row.name, widget);
    applyLook(widget, row);
    if (row.kind != ControlKind::TabPage)
        place(widget, row, container);
}

QWidget *FormBuilder::createWidget(const WindowRow &row, QWidget *container)
{
    const auto maker = m_options.makers.find(row.kind);
    QWidget *widget = maker != m_options.makers.end() ? maker->second(row, container)
                                                      : createControlWidget(row, container);
    Q_ASSERT_X(widget, "FormBuilder", "no maker for this kind");
    return widget;
}

QWidget *FormBuilder::addTabPage(const WindowRow &row, QWidget *container)
{
    auto *tabs = qobject_cast<QTabWidget *>(container);
    Q_ASSERT_X(tabs, "FormBuilder", "a tab page belongs to a tab control");
    auto *page = new QWidget;
    tabs->addTab(page, row.caption);
    page->installEventFilter(this);
    page->parentWidget()->installEventFilter(this);
    m_pages.insert(page, tabs);
    return page;
}

void FormBuilder::place(QWidget *widget, const WindowRow &row, QWidget *container)
{
    QTabWidget *tabs = m_pages.value(container);
    QRect rect = pixels(row.twips);
    if (hasIndicator(row.kind))
        rect.setWidth(
            fittedWidth(*widget, rect, rightLimit(row, (tabs ? tabs : container)->width())));
    if (auto *list = qobject_cast<QComboBox *>(widget))
        fitItemsAcross(*list, rect.size());
    if (tabs)
        m_pagePlacements.push_back({widget, tabs, rect});
    else
        widget->setGeometry(rect);
}

// How far right a control may reach: its container's edge less the form's margin, or the
// border of a bordered control it is drawn over (a check box in a tab strip stays off the tab
// control's edge).
int FormBuilder::rightLimit(const WindowRow &row, int containerWidth) const
{
    int limit = containerWidth - twipsToPixels(m_options.captionMarginTwips);
    for (const WindowRow &under : m_rows) {
        if (&under != &row && under.container == row.container && hasBorder(under.kind) &&
            under.twips.contains(row.twips.topLeft()))
            limit = std::min(limit, pixels(under.twips).right() + 1);
    }
    return limit;
}

void FormBuilder::applyLook(QWidget *widget, const WindowRow &row)
{
    const WindowRow *container = this->row(row.container);
    if (container && container->pointSize > 0)
        widget->setFont(selfContainedFont(m_root.font()));
    if (row.pointSize > 0) {
        QFont own = m_root.font();
        own.setPointSizeF(row.pointSize);
        widget->setFont(own);
    }
    if (row.options.testFlag(ControlOption::GreyText)) {
        QPalette grey = widget->palette();
        grey.setColor(QPalette::WindowText, greyTextOn(grey.color(QPalette::Window)));
        widget->setPalette(grey);
    }
    if (!row.toolTip.isEmpty())
        widget->setToolTip(row.toolTip);
    if (const QString spoken = accessibleNameOf(row); !spoken.isEmpty())
        widget->setAccessibleName(spoken);
    if (!row.accessibleDescription.isEmpty())
        widget->setAccessibleDescription(row.accessibleDescription);
    if (row.options.testFlag(ControlOption::Disabled))
        widget->setEnabled(false);
    if (row.options.testFlag(ControlOption::Hidden))
        widget->hide();
}

// Later siblings are drawn above earlier ones; raising from the back makes the first listed
// the topmost.
void FormBuilder::stackFrontToBack()
{
    for (auto row = m_rows.rbegin(); row != m_rows.rend(); ++row) {
        if (row->kind != ControlKind::TabPage)
            m_widgets.value(row->name)->raise();
    }
}

// The toolkit tells screen readers which label names a control from the label's buddy.
void FormBuilder::pairLabels()
{
    for (const WindowRow &row : m_rows) {
        if (row.labelFor.isEmpty())
            continue;
        auto *label = qobject_cast<QLabel *>(m_widgets.value(row.name));
        QWidget *named = m_widgets.value(row.labelFor);
        Q_ASSERT_X(label && named, "FormBuilder", "a label stands for a control of the form");
        label->setBuddy(named);
    }
}

void FormBuilder::placePageControls()
{
    for (const PagePlacement &placement : m_pagePlacements) {
        const QPoint pageOffset = placement.widget->parentWidget()->mapTo(placement.tabs, QPoint());
        placement.widget->setGeometry(placement.pixels.translated(-pageOffset));
    }
}

void FormBuilder::orderTabStops()
{
    const bool designed = std::any_of(m_rows.begin(), m_rows.end(),
                                      [](const WindowRow &row) { return row.tabIndex >= 0; });
    if (designed)
        orderByTabIndex();
    else
        orderByReading();
}

void FormBuilder::orderByTabIndex()
{
    std::vector<const WindowRow *> stops;
    for (const WindowRow &row : m_rows) {
        if (row.tabIndex >= 0)
            stops.push_back(&row);
    }
    std::sort(stops.begin(), stops.end(),
              [](const WindowRow *a, const WindowRow *b) { return a->tabIndex < b->tabIndex; });
    for (std::size_t i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(m_widgets.value(stops[i - 1]->name), m_widgets.value(stops[i]->name));
}

// The order follows the design, not the widgets' momentary geometry, which the tab control
// settles late.
void FormBuilder::orderByReading()
{
    std::vector<std::pair<QPoint, QWidget *>> stops;
    for (QWidget *widget : m_root.findChildren<QWidget *>()) {
        const QWidget *holder = widget->parentWidget();
        const bool standsIn = holder && holder->focusProxy() == widget; // a tab control's strip
        if ((widget->focusPolicy() & Qt::TabFocus) && !standsIn && widget->window() == &m_root)
            stops.emplace_back(designedPlace(widget), widget);
    }
    std::stable_sort(stops.begin(), stops.end(), [](const auto &a, const auto &b) {
        return std::pair(a.first.y(), a.first.x()) < std::pair(b.first.y(), b.first.x());
    });
    for (std::size_t i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops[i - 1].second, stops[i].second);
}

const WindowRow *FormBuilder::row(const QString &name) const
{
    const auto found = std::find_if(m_rows.begin(), m_rows.end(),
                                    [&name](const WindowRow &row) { return row.name == name; });
    return found == m_rows.end() ? nullptr : &*found;
}

// A control's top-left corner in root twips; a tab page stands where its tab control does.
QPoint FormBuilder::designedTopLeft(const WindowRow &row) const
{
    const WindowRow *container = this->row(row.container);
    if (container && container->kind == ControlKind::TabPage)
        container = this->row(container->container);
    return row.twips.topLeft() + (container ? designedTopLeft(*container) : QPoint());
}

// Where a widget stands in root twips, measured from the nearest control of the design that
// holds it.
QPoint FormBuilder::designedPlace(const QWidget *widget) const
{
    QPoint offset;
    for (; widget && widget != &m_root; widget = widget->parentWidget()) {
        const WindowRow *row = this->row(widget->objectName());
        if (row && m_widgets.value(row->name) == widget)
            return offset + designedTopLeft(*row);
        offset += widget->pos() * TwipsPerPixel;
    }
    return offset;
}

} // namespace qm
