#pragma once

#include <QFileInfo>
#include <QString>

namespace qm {

// The program's own folder when the settings export belongs there, by the rules of the system
// the program is built for; empty when it goes to the per-user data folder. On Linux that is a
// program run where it was built; on Windows a program whose folder can be written and is not
// under Program Files (a copy unpacked from the zip, not an installed one).
QString programExportFolder();

// Whether a file whose contents this run decides may go into the folder: on Linux it must be
// the running user's own, so that an administrator running another user's build leaves no
// file the owner cannot replace.
bool ownedByRunningUser(const QFileInfo &folder);

// Where Save Setup and Load Setup start before a folder was used: the user's Documents on
// Windows (a shortcut starts the program in its install folder, which a user may not write),
// the home folder on Linux.
QString firstSetupFolder();

} // namespace qm
