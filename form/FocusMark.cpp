#include "form/FocusMark.h"

#include "form/Contrast.h"

#include <QPainter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>

namespace qm {

void drawFocusMark(QPainter &painter, const QRect &rect, const QColor &colour)
{
    painter.save();
    painter.setPen(QPen(colour, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

PageFocusMark *PageFocusMark::forPageOf(QWidget &control)
{
    for (QWidget *page = &control; page; page = page->parentWidget()) {
        auto *stack = qobject_cast<QStackedWidget *>(page->parentWidget());
        auto *tabs = stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr;
        if (tabs && tabs->indexOf(page) >= 0)
            return new PageFocusMark(*tabs, *page);
    }
    return nullptr;
}

PageFocusMark::PageFocusMark(QTabWidget &tabs, QWidget &page)
    : QWidget(tabs.tabBar()), m_tabs(tabs), m_page(page)
{
    setObjectName(QStringLiteral("pageFocusMark"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(&tabs, &QTabWidget::currentChanged, this, &PageFocusMark::follow);
}

void PageFocusMark::setFocused(bool focused)
{
    m_focused = focused;
    follow();
}

// The strip lays out its tabs late, so the place is taken anew each time the mark shows.
void PageFocusMark::follow()
{
    const int index = m_tabs.indexOf(&m_page);
    const bool behind = index >= 0 && m_tabs.currentIndex() != index;
    if (m_focused && behind) {
        setGeometry(m_tabs.tabBar()->tabRect(index));
        raise();
        show();
    } else {
        hide();
    }
}

void PageFocusMark::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QColor colour =
        readableOn(palette().color(QPalette::Window), palette().color(QPalette::WindowText));
    drawFocusMark(painter, rect().adjusted(3, 3, -3, -2), colour);
}

} // namespace qm
