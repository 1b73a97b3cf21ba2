#pragma once

#include <QCursor>
#include <QString>

namespace qm {

// Pointer images read from files in the program's folder. File names match without regard to
// letter case, as on the system the files were first made for, so "Crosshair.cur" finds
// CrossHair.cur on any file system.

inline constexpr char CrosshairCursorFile[] = "CrossHair.cur";
inline constexpr char CrosshairCursorFileOnRelease[] = "Crosshair.cur";
inline constexpr char BlankCursorFile[] = "Blank.cur";

// The path of the file in folder whose name equals fileName ignoring case; an exact match
// wins. Empty when there is none.
QString findFileIgnoringCase(const QString &folder, const QString &fileName);

// The first of folders that holds the crosshair pointer file, so that a program finds its
// pointer files beside itself (a build) or in its data folder (an installed copy); the first
// folder when none does.
QString findCursorFolder(const QStringList &folders);

// The pointer in the file, with its hotspot at the image's centre (Qt does not report the
// file's own hotspot). A missing or unreadable file gives the stand-in shape instead.
QCursor loadCursorFile(const QString &folder, const QString &fileName, Qt::CursorShape standIn);

} // namespace qm
