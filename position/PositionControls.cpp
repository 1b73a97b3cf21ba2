#include "position/PositionControls.h"

#include "model/Twips.h"
#include "position/PositionGrid.h"
#include "position/PositionPictures.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include <algorithm>
#include <vector>

namespace qm {

namespace {

constexpr QRect GridDesign(660, 390, 2385, 1545);
constexpr QRect MarkerDesign(1530, 1020, 180, 180);

// Places a control at its design rectangle, lowered by the model's offset.
template<typename Control>
Control *place(Control *control, const char *name, const QRect &twips, int topOffset)
{
    control->setObjectName(QString::fromLatin1(name));
    control->setGeometry(
        twipsRect(twips.left(), twips.top() + topOffset, twips.width(), twips.height()));
    return control;
}

QLabel *centredLabel(QFrame *frame, const QString &caption)
{
    auto *label = new QLabel(caption, frame);
    label->setAlignment(Qt::AlignCenter);
    return label;
}

QLineEdit *centredField(QFrame *frame)
{
    auto *field = new QLineEdit(frame);
    field->setAlignment(Qt::AlignCenter);
    return field;
}

// A read-only box in the button-face colour that never takes the mouse or the keyboard, so
// that it cannot come between the pointer and the grid it describes.
QLineEdit *readOut(QFrame *frame)
{
    auto *box = new QLineEdit(frame);
    box->setReadOnly(true);
    // Frameless, so that "188,58" fits the box's 35 pixels in the usual dialog fonts.
    box->setFrame(false);
    box->setAlignment(Qt::AlignCenter);
    box->setFocusPolicy(Qt::NoFocus);
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    box->setPalette(palette);
    box->hide();
    return box;
}

// The design's box holds the widest read-out in the font it was drawn for. In a wider font the
// box grows to the right, or the read-out would scroll its first digit out of sight.
void fitWidestReadOut(QLineEdit *box)
{
    constexpr int EditMargins = 6; // the line edit's margins and its text cursor
    const int needed = box->fontMetrics().horizontalAdvance(QStringLiteral("188,58")) + EditMargins;
    if (box->width() < needed)
        box->resize(needed, box->height());
}

QLabel *marker(QFrame *frame)
{
    auto *label = new QLabel(frame);
    label->setPixmap(markerPicture());
    return label;
}

QSlider *sizeSlider(QFrame *frame, Qt::Orientation orientation, int maximum, int designValue)
{
    auto *slider = new QSlider(orientation, frame);
    slider->setRange(1, maximum);
    slider->setSingleStep(1);
    slider->setPageStep(5);
    slider->setTickInterval(1);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setValue(designValue);
    if (orientation == Qt::Vertical) {
        // Smallest size at the top, and the keys move the handle the way they point.
        slider->setInvertedAppearance(true);
        slider->setInvertedControls(true);
    }
    return slider;
}

} // namespace

PositionControls buildPositionControls(QFrame *frame, const PositionLayout &layout)
{
    const int down = layout.topOffset;
    PositionControls c;
    c.gridTwips = GridDesign.translated(0, down);
    c.markerTwips = MarkerDesign;
    c.label4 = place(centredLabel(frame, QStringLiteral("Position")), "Label4",
                     {1500, 150, 735, 225}, down);
    c.label5 =
        place(centredLabel(frame, QStringLiteral("Size")), "Label5", {3300, 150, 735, 225}, down);
    c.lblCoordinates = place(readOut(frame), "lblCoordinates", layout.coordinatesTwips, 0);
    fitWidestReadOut(c.lblCoordinates);
    c.imgPositionGrid = place(new PositionGrid(frame), "imgPositionGrid", GridDesign, down);
    c.imgPosition = place(marker(frame), "imgPosition", MarkerDesign, 0);
    c.label7 =
        place(centredLabel(frame, QStringLiteral("Horz.")), "Label7", {90, 570, 405, 225}, down);
    c.txtHorizontal = place(centredField(frame), "txtHorizontal", {120, 780, 405, 225}, down);
    c.label6 =
        place(centredLabel(frame, QStringLiteral("Vert.")), "Label6", {120, 1080, 375, 225}, down);
    c.txtVertical = place(centredField(frame), "txtVertical", {120, 1290, 405, 225}, down);
    c.sldVertSize =
        place(sizeSlider(frame, Qt::Vertical, 3, 3), "sldVertSize", {3570, 360, 285, 975}, down);
    c.lblVertSize =
        place(centredLabel(frame, QStringLiteral("3")), "lblVertSize", {3870, 750, 375, 195}, down);
    c.sldHorizSize = place(sizeSlider(frame, Qt::Horizontal, 12, 4), "sldHorizSize",
                           {3210, 1290, 1005, 285}, down);
    c.lblHorizSize = place(centredLabel(frame, QStringLiteral("4")), "lblHorizSize",
                           {3480, 1650, 465, 255}, down);

    // Each control is drawn over the ones created after it.
    const std::vector<QWidget *> frontToBack{
        c.label4,      c.label5,        c.lblCoordinates, c.imgPositionGrid, c.imgPosition,
        c.label7,      c.txtHorizontal, c.label6,         c.txtVertical,     c.sldVertSize,
        c.lblVertSize, c.sldHorizSize,  c.lblHorizSize};
    // Walked backwards by iterator: clang-tidy's clang 14 cannot read this library's views.
    std::for_each(frontToBack.rbegin(), frontToBack.rend(), [](QWidget *w) { w->raise(); });
    return c;
}

} // namespace qm
