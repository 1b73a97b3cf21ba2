#pragma once

#include <QLabel>
#include <QPixmap>
#include <QPointF>

namespace qm {

// The rectangle that stands for every overlay position. It shows the active or inactive
// outline and reports the mouse in the window's design unit: pointer places in twips relative
// to its top-left, buttons as a mask of 1 (left), 2 (right) and 4 (middle).
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

signals:
    // For a press or release the button that changed; for a move every button held.
    void pressed(int button, QPointF pointer);
    void moved(int buttons, QPointF pointer);
    void released(int button, QPointF pointer);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    static int buttonMask(Qt::MouseButtons buttons);
    static QPointF pointerTwips(const QMouseEvent *event);

    Look m_look = Look::None;
    QPixmap m_activePicture;
    QPixmap m_inactivePicture;
};

} // namespace qm
