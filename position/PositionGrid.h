#pragma once

#include <QLabel>
#include <QPointF>

namespace qm {

class PageFocusMark;

// The rectangle that stands for every overlay position. It shows the active or inactive
// outline and reports the mouse in the window's design unit: pointer places in twips relative
// to its top-left, buttons as a mask of 1 (left), 2 (right) and 4 (middle). It can show that
// the keyboard's arrow keys move the position.
class PositionGrid : public QLabel
{
    Q_OBJECT
public:
    enum class Look
    {
        None,
        Active,
        Inactive,
    };

    explicit PositionGrid(QWidget *parent);

    Look look() const { return m_look; }
    void setActiveLook(bool active);
    // A focus frame inside the outline, beside the active look, while the arrow keys are
    // the grid's; while the grid's tab page lies behind another, its tab shows it.
    void showKeyboardFocus(bool shown);
    bool showsKeyboardFocus() const { return m_keyboardFocus; }

signals:
    // For a press or release the button that changed; for a move every button held.
    void pressed(int button, QPointF pointer);
    void moved(int buttons, QPointF pointer);
    void released(int button, QPointF pointer);

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void showLook();
    static int buttonMask(Qt::MouseButtons buttons);
    static QPointF pointerTwips(const QMouseEvent *event);

    Look m_look = Look::None;
    bool m_keyboardFocus = false;
    PageFocusMark *m_pageMark;
};

} // namespace qm
