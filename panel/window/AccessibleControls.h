#pragma once

namespace qm {

// Tells screen readers what the program and the window's own kinds of control are, which the
// toolkit cannot know: the program goes by its display name, the main window is a window, a
// channel selector a radio button that is checked while it looks selected, a list is named
// by its caption and reads its value as its text, the notice a notification that says its
// text, and the channel announcer one that says its words. Once per program, before a screen
// reader first asks; later calls do nothing.
void installAccessibleControls();

} // namespace qm
