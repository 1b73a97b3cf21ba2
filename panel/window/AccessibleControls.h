#pragma once

namespace qm {

// Tells screen readers what the window's own kinds of control are, which the toolkit cannot
// know: the main window is a window, a channel selector a radio button that is checked while
// it looks selected, and the notice an alert that says its text. Once per program; later
// calls do nothing.
void installAccessibleControls();

} // namespace qm
