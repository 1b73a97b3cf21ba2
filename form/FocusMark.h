#pragma once

#include <QWidget>

class QLabel;
class QTabWidget;

namespace qm {

// The mark a control of ours draws while it has the keyboard: a dotted rectangle one pixel
// wide in the colour given. It is drawn whatever the style does, so that the focus can be seen
// from the start and not only once Tab has been pressed.
void drawFocusMark(QPainter &painter, const QRect &rect, const QColor &colour);

// Marks the tab of a page while a control on it shows the keyboard's focus but another page is
// in front, and says in a corner of the page in front what the keys do, so that the operator
// sees where the keys go. Drawn over the tab strip and the pages; it takes no input and moves
// nothing.
class PageFocusMark : public QWidget
{
    Q_OBJECT
public:
    // For the tab page that holds the control, with a few words on what its keys do ("Arrows:
    // position"); nullptr when it lies on no tab page.
    static PageFocusMark *forPageOf(QWidget &control, const QString &keysDo);

    void setFocused(bool focused);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    PageFocusMark(QTabWidget &tabs, QWidget &page, const QString &keysDo);
    void follow();
    void placeNote();

    QTabWidget &m_tabs;
    QWidget &m_page;
    QLabel *m_note;
    bool m_focused = false;
};

} // namespace qm
