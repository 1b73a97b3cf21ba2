#pragma once

class QWidget;

namespace qm {

// Gives every control of a main window without a caption of its own a name, and a
// description where its use is not plain from the name, for screen readers. Call once the
// window's controls, the position editor's included, are all built.
void nameControlsForScreenReaders(QWidget &window);

} // namespace qm
