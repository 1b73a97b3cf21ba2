#pragma once

#include "model/ChannelSettings.h"
#include "position/PositionControls.h"
#include "position/PositionLayout.h"
#include "position/WindowPointer.h"

#include <QObject>
#include <QPoint>
#include <QPointF>
#include <QSet>
#include <QString>

class QFrame;
class QLabel;
class QLineEdit;
class QSlider;
class QWidget;

namespace qm {

class PositionHost;
class PositionGrid;

// The position and size editor of a main window: the grid worked with the mouse, the two
// coordinate fields, the arrow keys of the hidden field txtMove and the two size sliders. It
// edits the host's current record under the host's Loading flag and update policy, and owns
// the window's pointer while the mouse is over the grid.
class PositionEditor : public QObject
{
    Q_OBJECT
public:
    PositionEditor(QFrame *framePosition, QLineEdit *txtMove, QWidget *window,
                   const PositionLayout &layout, PositionHost &host, const QString &cursorFolder,
                   QObject *parent = nullptr);

    // Active: the arrow keys move the position (the keyboard goes to txtMove, black outline).
    // Inactive: grey outline, the keyboard stays where it is.
    void enablePositionGrid(bool active);
    void placePositionMarker(int horiz, int vert);
    // Checks both coordinate fields, replaces an out-of-range text by its limit (selected, so
    // the next key overwrites it), stores both positions and moves the marker.
    void setPositionFromText();
    // Fills the coordinate fields, the sliders and their labels from record, in that order,
    // first repairing in the record any value those controls cannot show. The caller holds
    // the host's Loading flag and places the marker afterwards.
    void showPosition(ChannelSettings &record);

    void loadStartupCursor();
    // From now on a mouse move over widget gives the window its default pointer.
    void resetPointerOnMouseMove(QWidget *widget);
    void resetPointer();

    PositionGrid *grid() const { return m_controls.imgPositionGrid; }
    QLabel *marker() const { return m_controls.imgPosition; }
    QLineEdit *coordinates() const { return m_controls.lblCoordinates; }
    QLineEdit *txtHorizontal() const { return m_controls.txtHorizontal; }
    QLineEdit *txtVertical() const { return m_controls.txtVertical; }
    QSlider *sldHorizSize() const { return m_controls.sldHorizSize; }
    QSlider *sldVertSize() const { return m_controls.sldVertSize; }
    QLabel *lblHorizSize() const { return m_controls.lblHorizSize; }
    QLabel *lblVertSize() const { return m_controls.lblVertSize; }
    const WindowPointer &pointer() const { return m_pointer; }
    // Design-unit places of the marker and the read-out; the widgets stand at the nearest pixel.
    QPoint markerTwips() const { return m_markerTwips; }
    QPoint coordinatesTwips() const { return m_coordinatesTwips; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void onGridPressed(int button, QPointF pointer);
    void onGridMoved(int buttons, QPointF pointer);
    void onGridReleased(int button, QPointF pointer);
    void onCoordinateKeyReleased();
    bool onMoveKeyPressed(int key);
    bool stepPosition(QLineEdit *field, int step);
    void onVertSizeChanged(int value);
    void onHorizSizeChanged(int value);
    void onSizeChanged(QLabel *label, Field field, int shown, int stored);

    void showReadOut(QPointF pointer);
    void hideReadOutAndResetPointer();
    void loadCustomCursor(const char *fileName, Qt::CursorShape standIn);
    void sendIfImmediate();
    void connectControls();

    QFrame *m_frame;
    QLineEdit *m_txtMove;
    PositionHost &m_host;
    QString m_cursorFolder;
    PositionControls m_controls;
    WindowPointer m_pointer;
    QSet<QObject *> m_pointerResetters;
    QPoint m_markerTwips;
    QPoint m_coordinatesTwips;
};

} // namespace qm
