#pragma once

#include <QString>

namespace qm {

// Why the device at the path cannot be a unit's serial line, checked before anything opens it:
// "a regular file", "a console", "the terminal this program runs in" (a terminal would show
// the frames, and one that is typed at would send keys to the unit). Empty for a serial
// device, a pseudo-terminal of another program, a path where nothing stands (the open says
// so), and wherever the system does not tell.
QString whyNotSerialDevice(const QString &path);

} // namespace qm
