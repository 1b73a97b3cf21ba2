#include "AccessibleNames.h"

#include "WindowDescription.h"

#include <QWidget>

namespace qm {

namespace {

struct AccessibleText
{
    const char *objectName;
    const char *name;
    const char *description;
};

// Controls with a caption (buttons, check boxes, option buttons, labels, titled frames) are
// named by it already; a model's window simply lacks the rows of controls it does not have.
constexpr AccessibleText Texts[] = {
    {"cmbComports", "Serial port", "The port the unit is on. F5 reads the unit again."},
    {"sstSettings", "Settings", nullptr},
    {"txtMove", "Position keys", "The arrow keys move the overlay while this has the keyboard."},
    {"imgPositionGrid", "Position",
     "A press places the overlay there; the arrow keys move it while the grid shows a focus "
     "frame."},
    {"imgPosition", "Position marker", nullptr},
    {"lblCoordinates", "Position under the pointer", nullptr},
    {"txtHorizontal", "Horizontal position", "1 to 188"},
    {"txtVertical", "Vertical position", "1 to 58"},
    {"sldHorizSize", "Horizontal size", nullptr},
    {"sldVertSize", "Vertical size", nullptr},
    {"cmbWindowMode", "Window mode", nullptr},
    {"cmbDisplayMode", "Display mode", nullptr},
    {"cmbDateMode", "Date mode", nullptr},
    {"cmbTimeZone", "Time zone", "Offset from UTC"},
    {"cmbTimeFont", "Time font style", nullptr},
    {"Image1", "Program icon", nullptr},
    {"frameConnecting", "Connection status", nullptr},
};

constexpr int TextLines = 3;

void describe(QWidget &window, const QString &objectName, const QString &name,
              const QString &description = {})
{
    auto *widget = window.findChild<QWidget *>(objectName);
    if (!widget)
        return;
    widget->setAccessibleName(name);
    if (!description.isEmpty())
        widget->setAccessibleDescription(description);
}

} // namespace

void nameControlsForScreenReaders(QWidget &window)
{
    for (const AccessibleText &text : Texts)
        describe(window, QLatin1String(text.objectName), QLatin1String(text.name),
                 QLatin1String(text.description));
    // Every line's box and its check box are alike but for the line they stand for.
    for (int line = 0; line < TextLines; ++line) {
        const QString number = QString::number(line + 1);
        describe(window, arrayElementName(QStringLiteral("txtText"), line),
                 QStringLiteral("Text line ") + number, QStringLiteral("Up to 30 characters"));
        describe(window, arrayElementName(QStringLiteral("chkEnable"), line),
                 QStringLiteral("Line %1 enabled").arg(number));
    }
}

} // namespace qm
