#include "panel/window/AccessibleNames.h"

#include "panel/window/WindowDescription.h"

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
// named by it already, and setting controls by their rows; a model's window simply lacks the
// rows of controls it does not have.
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
    {"Image1", "Program icon", nullptr},
    {"frameConnecting", "Connection status", nullptr},
};

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

void nameControlsForScreenReaders(QWidget &window, const WindowDescription &description)
{
    for (const AccessibleText &text : Texts)
        describe(window, QLatin1String(text.objectName), QLatin1String(text.name),
                 QLatin1String(text.description));
    for (const WindowRow &row : description.controls) {
        if (!row.accessibleName.isEmpty())
            describe(window, row.name, row.accessibleName, row.accessibleDescription);
    }
}

} // namespace qm
