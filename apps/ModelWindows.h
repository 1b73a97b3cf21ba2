#pragma once

#include "panel/window/WindowDescription.h"

namespace qm {

// The main window of each deliverable, as data for MainWindow.
const WindowDescription &qm410aWindow();
const WindowDescription &qm520aWindow();

} // namespace qm
