#pragma once

namespace qm {

struct WindowDescription;

// A control panel program: the application, the model's window given its life on the real
// serial port, wait, preferences and message boxes, shown until the operator closes it.
// programName is the installed program's file name ("qm520a-panel").
int runPanel(int argc, char *argv[], const char *programName, const WindowDescription &description);

} // namespace qm
