#pragma once

#include "panel/window/SelectorStyle.h"

#include <QWidget>

namespace qm {

// One channel's selector in the main window. It reports a mouse release of any button
// (the way a channel is chosen) and nothing else: no click on press, no key selects it.
// Whether it looks selected is set from outside; screen readers hear it as a radio button,
// checked while it looks selected.
class ChannelSelector : public QWidget
{
    Q_OBJECT
public:
    ChannelSelector(int index, SelectorStyle style, const QString &caption,
                    QWidget *parent = nullptr);

    int index() const { return m_index; }
    QString caption() const { return m_caption; }

    void setSelectedLook(bool selected);
    bool hasSelectedLook() const { return m_look == Look::Selected; }
    // False until a look is first given: an indicator shows no picture before that.
    bool hasLook() const { return m_look != Look::None; }

    // What a mouse release does, for a selector that takes the mouse (an enabled one); the
    // keyboard's way to choose a channel.
    void choose();

    QSize sizeHint() const override;

signals:
    void released(int index);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    enum class Look
    {
        None,
        Normal,
        Selected,
    };

    void paintIndicator(QPainter &painter);
    void paintButton(QPainter &painter);
    QColor buttonTextColour(const QColor &face) const;

    int m_index;
    SelectorStyle m_style;
    QString m_caption;
    Look m_look;
};

} // namespace qm
