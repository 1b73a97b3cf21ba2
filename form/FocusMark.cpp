#include "form/FocusMark.h"

#include "form/Contrast.h"

#include <QLabel>
#include <QPainter>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <algorithm>

namespace qm {

void drawFocusMark(QPainter &painter, const QRect &rect, const QColor &colour)
{
    painter.save();
    painter.setPen(QPen(colour, 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

namespace {

// The note at the foot of the page in front, in its own focus mark, like the tab's.
class FocusNote : public QLabel
{
public:
    FocusNote(const QString &text, QWidget *parent) : QLabel(text, parent)
    {
        setObjectName(QStringLiteral("pageFocusNote"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        setAlignment(Qt::AlignCenter);
        hide();
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QLabel::paintEvent(event);
        QPainter painter(this);
        drawFocusMark(
            painter, rect(),
            readableOn(palette().color(QPalette::Window), palette().color(QPalette::WindowText)));
    }
};

} // namespace

PageFocusMark *PageFocusMark::forPageOf(QWidget &control, const QString &keysDo)
{
    for (QWidget *page = &control; page; page = page->parentWidget()) {
        auto *stack = qobject_cast<QStackedWidget *>(page->parentWidget());
        auto *tabs = stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr;
        if (tabs && tabs->indexOf(page) >= 0)
            return new PageFocusMark(*tabs, *page, keysDo);
    }
    return nullptr;
}

PageFocusMark::PageFocusMark(QTabWidget &tabs, QWidget &page, const QString &keysDo)
    : QWidget(tabs.tabBar()), m_tabs(tabs), m_page(page), m_note(new FocusNote(keysDo, &tabs))
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
        placeNote();
    } else {
        hide();
        m_note->hide();
    }
}

// In the lower left corner of the page in front, inside the one frame that holds its
// controls where it has one: the designs leave that corner bare.
void PageFocusMark::placeNote()
{
    constexpr int Margin = 4;
    QWidget *page = m_tabs.currentWidget();
    if (!page)
        return;
    const QList<QWidget *> parts = page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    const QWidget *corner = parts.size() == 1 ? parts.first() : page;
    const QSize size = m_note->sizeHint() + QSize(Margin, 2);
    const QPoint bottomLeft = corner->mapTo(&m_tabs, QPoint(0, corner->height()));
    m_note->setGeometry(bottomLeft.x() + Margin, bottomLeft.y() - Margin / 2 - size.height(),
                        std::min(size.width(), corner->width() - 2 * Margin), size.height());
    m_note->raise();
    m_note->show();
}

void PageFocusMark::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QColor colour =
        readableOn(palette().color(QPalette::Window), palette().color(QPalette::WindowText));
    drawFocusMark(painter, rect().adjusted(3, 3, -3, -2), colour);
}

} // namespace qm
