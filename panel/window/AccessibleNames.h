#pragma once

class QWidget;

namespace qm {

struct WindowDescription;

// Gives every control of a main window without a caption of its own a name, and a
// description where its use is not plain from the name, for screen readers. Call once the
// window's controls, the position editor's included, are all built; the description's rows
// name their own.
void nameControlsForScreenReaders(QWidget &window, const WindowDescription &description);

} // namespace qm
