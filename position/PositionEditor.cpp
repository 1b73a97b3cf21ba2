#include "position/PositionEditor.h"

#include "model/NumberText.h"
#include "model/Twips.h"
#include "position/CursorFile.h"
#include "position/GridMath.h"
#include "position/PositionGrid.h"
#include "position/PositionHost.h"

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include <cmath>

namespace qm {

namespace {

// The smallest stored horizontal size; the slider shows the size less this.
constexpr int HorizSizeBase = 3;

void showLimit(QLineEdit *field, int limit)
{
    const QString text = QString::number(limit);
    field->setText(text);
    field->setSelection(0, static_cast<int>(text.size()));
}

// A text in range is left exactly as typed; the comparison uses the unrounded number.
void clampField(QLineEdit *field, int maximum)
{
    const double value = readNumber(field->text());
    if (value < 1)
        showLimit(field, 1);
    else if (value > maximum)
        showLimit(field, maximum);
}

quint8 fieldPosition(const QLineEdit *field)
{
    return static_cast<quint8>(roundHalfEven(readNumber(field->text())));
}

// Fifteen significant digits, so a step keeps a fraction (12.5 + 1 reads 13.5) without
// showing the binary noise of one.
QString decimalText(double value)
{
    return QString::number(value, 'g', 15);
}

void repairOutside(ChannelSettings &record, Field field, int low, int high, quint8 standIn)
{
    if (record[field] < low || record[field] > high)
        record[field] = standIn;
}

void moveToTwips(QWidget *widget, QPoint twips)
{
    widget->move(twipsToPixels(twips.x()), twipsToPixels(twips.y()));
}

} // namespace

PositionEditor::PositionEditor(QFrame *framePosition, QLineEdit *txtMove, QWidget *window,
                               const PositionLayout &layout, PositionHost &host,
                               const QString &cursorFolder, QObject *parent)
    : QObject(parent), m_frame(framePosition), m_txtMove(txtMove), m_host(host),
      m_cursorFolder(cursorFolder), m_controls(buildPositionControls(framePosition, layout)),
      m_pointer(window), m_markerTwips(m_controls.markerTwips.topLeft()),
      m_coordinatesTwips(layout.coordinatesTwips.topLeft())
{
    m_frame->setMouseTracking(true);
    for (QObject *watched : {static_cast<QObject *>(m_frame), static_cast<QObject *>(m_txtMove),
                             static_cast<QObject *>(m_controls.txtHorizontal),
                             static_cast<QObject *>(m_controls.txtVertical)})
        watched->installEventFilter(this);
    connectControls();
}

void PositionEditor::connectControls()
{
    PositionGrid *grid = m_controls.imgPositionGrid;
    connect(grid, &PositionGrid::pressed, this, &PositionEditor::onGridPressed);
    connect(grid, &PositionGrid::moved, this, &PositionEditor::onGridMoved);
    connect(grid, &PositionGrid::released, this, &PositionEditor::onGridReleased);
    connect(m_controls.sldVertSize, &QSlider::valueChanged, this,
            &PositionEditor::onVertSizeChanged);
    connect(m_controls.sldHorizSize, &QSlider::valueChanged, this,
            &PositionEditor::onHorizSizeChanged);
}

void PositionEditor::enablePositionGrid(bool active)
{
    if (active)
        m_txtMove->setFocus();
    m_controls.imgPositionGrid->setActiveLook(active);
}

void PositionEditor::placePositionMarker(int horiz, int vert)
{
    m_markerTwips = markerTopLeft(horiz, vert, m_controls.gridTwips, m_controls.markerTwips.size());
    moveToTwips(m_controls.imgPosition, m_markerTwips);
}

void PositionEditor::setPositionFromText()
{
    ChannelSettings &record = m_host.currentRecord();
    clampField(m_controls.txtHorizontal, HorizontalSpan);
    record[Field::HorizPos] = fieldPosition(m_controls.txtHorizontal);
    placePositionMarker(record[Field::HorizPos], record[Field::VertPos]);
    clampField(m_controls.txtVertical, VerticalSpan);
    record[Field::VertPos] = fieldPosition(m_controls.txtVertical);
    placePositionMarker(record[Field::HorizPos], record[Field::VertPos]);
}

void PositionEditor::showPosition(ChannelSettings &record)
{
    repairOutside(record, Field::VertPos, 6, 63, 30);
    m_controls.txtVertical->setText(QString::number(record[Field::VertPos]));
    repairOutside(record, Field::HorizPos, 1, HorizontalSpan, 92);
    m_controls.txtHorizontal->setText(QString::number(record[Field::HorizPos]));
    repairOutside(record, Field::VertSize, 1, 3, 2);
    m_controls.sldVertSize->setValue(record[Field::VertSize]);
    m_controls.lblVertSize->setText(QString::number(m_controls.sldVertSize->value()));
    repairOutside(record, Field::HorizSize, 4, 15, 7);
    m_controls.sldHorizSize->setValue(record[Field::HorizSize] - HorizSizeBase);
    m_controls.lblHorizSize->setText(QString::number(m_controls.sldHorizSize->value()));
}

void PositionEditor::loadStartupCursor()
{
    loadCustomCursor(CrosshairCursorFile, Qt::CrossCursor);
}

void PositionEditor::resetPointerOnMouseMove(QWidget *widget)
{
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
    m_pointerResetters.insert(widget);
    connect(widget, &QObject::destroyed, this,
            [this](QObject *gone) { m_pointerResetters.remove(gone); });
}

void PositionEditor::resetPointer()
{
    m_pointer.setMode(WindowPointer::Mode::Default);
}

bool PositionEditor::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseMove:
        if (watched == m_frame)
            hideReadOutAndResetPointer();
        else if (m_pointerResetters.contains(watched))
            resetPointer();
        break;
    case QEvent::KeyRelease:
        // A held key repeats its press, but the field is checked once, when it is let go.
        if ((watched == m_controls.txtHorizontal || watched == m_controls.txtVertical) &&
            !static_cast<QKeyEvent *>(event)->isAutoRepeat())
            onCoordinateKeyReleased();
        break;
    case QEvent::KeyPress:
        if (watched == m_txtMove)
            return onMoveKeyPressed(static_cast<QKeyEvent *>(event)->key());
        break;
    // The arrow-key field lies hidden behind a frame; the grid shows where its keys go.
    case QEvent::FocusIn:
    case QEvent::FocusOut:
        if (watched == m_txtMove)
            m_controls.imgPositionGrid->showKeyboardFocus(event->type() == QEvent::FocusIn);
        break;
    default:
        break;
    }
    return false;
}

// The position is taken, and sent, at the press; dragging and letting go change nothing.
void PositionEditor::onGridPressed(int, QPointF pointer)
{
    const GridPosition position = positionAt(pointer, m_controls.gridTwips.size());
    m_host.setLoading(true);
    m_controls.txtHorizontal->setText(QString::number(position.horiz));
    m_controls.txtVertical->setText(QString::number(position.vert));
    m_host.setLoading(false);
    // The pointer vanishes while the button is held, so the marker under it can be seen.
    loadCustomCursor(BlankCursorFile, Qt::BlankCursor);
    setPositionFromText();
    enablePositionGrid(true);
    sendIfImmediate();
}

void PositionEditor::onGridMoved(int buttons, QPointF pointer)
{
    constexpr int left = 1;
    constexpr int right = 2;
    if (buttons == left || buttons == right)
        hideReadOutAndResetPointer();
    else
        showReadOut(pointer);
}

void PositionEditor::onGridReleased(int, QPointF)
{
    loadCustomCursor(CrosshairCursorFileOnRelease, Qt::CrossCursor);
}

void PositionEditor::onCoordinateKeyReleased()
{
    enablePositionGrid(false);
    setPositionFromText();
    sendIfImmediate();
}

// Returns whether the key was an arrow, which the hidden field must not act on itself.
bool PositionEditor::onMoveKeyPressed(int key)
{
    m_txtMove->clear();
    switch (key) {
    case Qt::Key_Left:
        return stepPosition(m_controls.txtHorizontal, -1);
    case Qt::Key_Right:
        return stepPosition(m_controls.txtHorizontal, 1);
    case Qt::Key_Up:
        return stepPosition(m_controls.txtVertical, -1);
    case Qt::Key_Down:
        return stepPosition(m_controls.txtVertical, 1);
    default:
        return false;
    }
}

bool PositionEditor::stepPosition(QLineEdit *field, int step)
{
    // A number beyond every range stays beyond it; its own text already says so.
    const double stepped = readNumber(field->text()) + step;
    if (std::isfinite(stepped))
        field->setText(decimalText(stepped));
    if (!m_host.isLoading()) {
        setPositionFromText();
        // Any non-zero policy sends here, unlike the other edits of the editor.
        if (m_host.updateImmediately() != 0)
            m_host.sendCurrentData();
    }
    return true;
}

void PositionEditor::onVertSizeChanged(int value)
{
    onSizeChanged(m_controls.lblVertSize, Field::VertSize, value, value);
}

void PositionEditor::onHorizSizeChanged(int value)
{
    onSizeChanged(m_controls.lblHorizSize, Field::HorizSize, value, value + HorizSizeBase);
}

// The grid step runs even while the program fills the slider; nothing else does then.
void PositionEditor::onSizeChanged(QLabel *label, Field field, int shown, int stored)
{
    enablePositionGrid(true);
    if (m_host.isLoading())
        return;
    label->setText(QString::number(shown));
    m_host.currentRecord()[field] = static_cast<quint8>(stored);
    sendIfImmediate();
}

void PositionEditor::showReadOut(QPointF pointer)
{
    const GridPosition position = positionAt(pointer, m_controls.gridTwips.size());
    m_pointer.setMode(WindowPointer::Mode::Custom);
    m_coordinatesTwips = readOutTopLeft(pointer, m_controls.gridTwips);
    moveToTwips(m_controls.lblCoordinates, m_coordinatesTwips);
    m_controls.lblCoordinates->setText(
        QStringLiteral("%1,%2").arg(position.horiz).arg(position.vert));
    m_controls.lblCoordinates->show();
}

void PositionEditor::hideReadOutAndResetPointer()
{
    resetPointer();
    m_controls.lblCoordinates->hide();
}

void PositionEditor::loadCustomCursor(const char *fileName, Qt::CursorShape standIn)
{
    m_pointer.setCustomImage(
        loadCursorFile(m_cursorFolder, QString::fromLatin1(fileName), standIn));
}

void PositionEditor::sendIfImmediate()
{
    if (m_host.updateImmediately() == 1)
        m_host.sendCurrentData();
}

} // namespace qm
