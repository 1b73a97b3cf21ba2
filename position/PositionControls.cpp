#include "position/PositionControls.h"

#include "form/FormBuilder.h"
#include "form/RowMakers.h"
#include "position/GridMath.h"
#include "position/PositionGrid.h"
#include "position/PositionPictures.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

namespace qm {

namespace {

using namespace rows;

constexpr QRect GridDesign(660, 390, 2385, 1545);
constexpr QRect MarkerDesign(1530, 1020, 180, 180);

// A caption centred both ways in its box.
WindowRow centredLabel(const QString &name, QRect twips, const QString &caption)
{
    return label(name, Root, twips, caption, ControlOption::Centred | ControlOption::Middle);
}

WindowRow coordinateField(const QString &name, QRect twips, const QString &spokenName, int limit)
{
    return spoken(textBox(name, Root, twips, ControlOption::Centred), spokenName,
                  QStringLiteral("1 to %1").arg(limit));
}

// The editor's controls front to back, in twips within its frame. All but the read-out and
// the marker stand lower by the model's offset.
Rows positionRows(const PositionLayout &layout)
{
    const auto lowered = [down = layout.topOffset](QRect twips) {
        return twips.translated(0, down);
    };
    return {
        centredLabel(QStringLiteral("Label4"), lowered({1500, 150, 735, 225}),
                     QStringLiteral("Position")),
        centredLabel(QStringLiteral("Label5"), lowered({3300, 150, 735, 225}),
                     QStringLiteral("Size")),
        styled(spoken(captioned(ControlKind::ReadOut, QStringLiteral("lblCoordinates"), Root,
                                layout.coordinatesTwips),
                      QStringLiteral("Position under the pointer")),
               ControlOption::Centred | ControlOption::Hidden),
        spoken(captioned(ControlKind::PositionGrid, QStringLiteral("imgPositionGrid"), Root,
                         lowered(GridDesign)),
               QStringLiteral("Position"),
               QStringLiteral("A press places the overlay there; the arrow keys move it "
                              "while the grid shows a focus frame.")),
        spoken(captioned(ControlKind::Picture, QStringLiteral("imgPosition"), Root, MarkerDesign),
               QStringLiteral("Position marker")),
        labelling(centredLabel(QStringLiteral("Label7"), lowered({90, 570, 405, 225}),
                               QStringLiteral("Horz.")),
                  QStringLiteral("txtHorizontal")),
        coordinateField(QStringLiteral("txtHorizontal"), lowered({120, 780, 405, 225}),
                        QStringLiteral("Horizontal position"), HorizontalSpan),
        labelling(centredLabel(QStringLiteral("Label6"), lowered({120, 1080, 375, 225}),
                               QStringLiteral("Vert.")),
                  QStringLiteral("txtVertical")),
        coordinateField(QStringLiteral("txtVertical"), lowered({120, 1290, 405, 225}),
                        QStringLiteral("Vertical position"), VerticalSpan),
        spoken(slider(ControlKind::VerticalSlider, QStringLiteral("sldVertSize"), Root,
                      lowered({3570, 360, 285, 975}), 3, 3),
               QStringLiteral("Vertical size")),
        centredLabel(QStringLiteral("lblVertSize"), lowered({3870, 750, 375, 195}),
                     QStringLiteral("3")),
        spoken(slider(ControlKind::HorizontalSlider, QStringLiteral("sldHorizSize"), Root,
                      lowered({3210, 1290, 1005, 285}), 12, 4),
               QStringLiteral("Horizontal size")),
        centredLabel(QStringLiteral("lblHorizSize"), lowered({3480, 1650, 465, 255}),
                     QStringLiteral("4")),
    };
}

QWidget *makeMarker(const WindowRow &, QWidget *container)
{
    auto *label = new QLabel(container);
    label->setPixmap(markerPicture());
    return label;
}

QWidget *makeGrid(const WindowRow &, QWidget *container)
{
    return new PositionGrid(container);
}

// The design's box holds the widest read-out in the font it was drawn for. In a wider font the
// box grows to the right, or the read-out would scroll its first digit out of sight.
void fitWidestReadOut(QLineEdit *box)
{
    constexpr int EditMargins = 6; // the line edit's margins and its text cursor
    const int needed = box->fontMetrics().horizontalAdvance(
                           QStringLiteral("%1,%2").arg(HorizontalSpan).arg(VerticalSpan)) +
                       EditMargins;
    if (box->width() < needed)
        box->resize(needed, box->height());
}

} // namespace

PositionControls buildPositionControls(QFrame *frame, const PositionLayout &layout)
{
    const auto *form = new FormBuilder(
        *frame, positionRows(layout),
        {.makers = {{ControlKind::Picture, makeMarker}, {ControlKind::PositionGrid, makeGrid}}});
    PositionControls c;
    c.gridTwips = GridDesign.translated(0, layout.topOffset);
    c.markerTwips = MarkerDesign;
    c.lblCoordinates = form->required<QLineEdit>(QStringLiteral("lblCoordinates"));
    fitWidestReadOut(c.lblCoordinates);
    c.imgPositionGrid = form->required<PositionGrid>(QStringLiteral("imgPositionGrid"));
    c.imgPosition = form->required<QLabel>(QStringLiteral("imgPosition"));
    c.txtHorizontal = form->required<QLineEdit>(QStringLiteral("txtHorizontal"));
    c.txtVertical = form->required<QLineEdit>(QStringLiteral("txtVertical"));
    c.sldVertSize = form->required<QSlider>(QStringLiteral("sldVertSize"));
    c.lblVertSize = form->required<QLabel>(QStringLiteral("lblVertSize"));
    c.sldHorizSize = form->required<QSlider>(QStringLiteral("sldHorizSize"));
    c.lblHorizSize = form->required<QLabel>(QStringLiteral("lblHorizSize"));
    return c;
}

} // namespace qm
