#include "position/PositionControls.h"

#include "form/FormBuilder.h"
#include "position/GridMath.h"
#include "position/PositionGrid.h"
#include "position/PositionPictures.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include <vector>

namespace qm {

namespace {

constexpr QRect GridDesign(660, 390, 2385, 1545);
constexpr QRect MarkerDesign(1530, 1020, 180, 180);

WindowRow centredLabel(const QString &name, QRect twips, const QString &caption,
                       const QString &labelFor = {})
{
    return {.kind = ControlKind::Label,
            .name = name,
            .twips = twips,
            .caption = caption,
            .labelFor = labelFor,
            .options = ControlOption::Centred | ControlOption::Middle};
}

WindowRow spokenRow(ControlKind kind, const QString &name, QRect twips, const QString &spoken,
                    const QString &description = {})
{
    return {.kind = kind,
            .name = name,
            .twips = twips,
            .accessibleName = spoken,
            .accessibleDescription = description};
}

WindowRow coordinateField(const QString &name, QRect twips, const QString &spoken, int limit)
{
    WindowRow row =
        spokenRow(ControlKind::TextBox, name, twips, spoken, QStringLiteral("1 to %1").arg(limit));
    row.options = ControlOption::Centred;
    return row;
}

WindowRow sizeSlider(ControlKind kind, const QString &name, QRect twips, const QString &spoken,
                     int maximum, int designValue)
{
    WindowRow row = spokenRow(kind, name, twips, spoken);
    row.maximum = maximum;
    row.value = designValue;
    return row;
}

// The editor's controls front to back, in twips within its frame. All but the read-out and
// the marker stand lower by the model's offset.
std::vector<WindowRow> positionRows(const PositionLayout &layout)
{
    const auto lowered = [down = layout.topOffset](QRect twips) {
        return twips.translated(0, down);
    };
    WindowRow readOut =
        spokenRow(ControlKind::ReadOut, QStringLiteral("lblCoordinates"), layout.coordinatesTwips,
                  QStringLiteral("Position under the pointer"));
    readOut.options = ControlOption::Centred | ControlOption::Hidden;
    return {
        centredLabel(QStringLiteral("Label4"), lowered({1500, 150, 735, 225}),
                     QStringLiteral("Position")),
        centredLabel(QStringLiteral("Label5"), lowered({3300, 150, 735, 225}),
                     QStringLiteral("Size")),
        readOut,
        spokenRow(ControlKind::PositionGrid, QStringLiteral("imgPositionGrid"), lowered(GridDesign),
                  QStringLiteral("Position"),
                  QStringLiteral("A press places the overlay there; the arrow keys move it "
                                 "while the grid shows a focus frame.")),
        spokenRow(ControlKind::Picture, QStringLiteral("imgPosition"), MarkerDesign,
                  QStringLiteral("Position marker")),
        centredLabel(QStringLiteral("Label7"), lowered({90, 570, 405, 225}),
                     QStringLiteral("Horz."), QStringLiteral("txtHorizontal")),
        coordinateField(QStringLiteral("txtHorizontal"), lowered({120, 780, 405, 225}),
                        QStringLiteral("Horizontal position"), HorizontalSpan),
        centredLabel(QStringLiteral("Label6"), lowered({120, 1080, 375, 225}),
                     QStringLiteral("Vert."), QStringLiteral("txtVertical")),
        coordinateField(QStringLiteral("txtVertical"), lowered({120, 1290, 405, 225}),
                        QStringLiteral("Vertical position"), VerticalSpan),
        sizeSlider(ControlKind::VerticalSlider, QStringLiteral("sldVertSize"),
                   lowered({3570, 360, 285, 975}), QStringLiteral("Vertical size"), 3, 3),
        centredLabel(QStringLiteral("lblVertSize"), lowered({3870, 750, 375, 195}),
                     QStringLiteral("3")),
        sizeSlider(ControlKind::HorizontalSlider, QStringLiteral("sldHorizSize"),
                   lowered({3210, 1290, 1005, 285}), QStringLiteral("Horizontal size"), 12, 4),
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
