#pragma once

#include <QByteArray>
#include <QString>

namespace qm {

// "qmctl: TEXT" on standard error, a line of its own.
void printError(const QString &text);

// Qt's messages, the wire trace among them, go to standard error on every system (Windows
// would otherwise hand them to a debugger when no console is attached).
void sendQtMessagesToStandardError();

// Blanks the progress line drawn on a terminal, so that what follows starts clean.
void clearProgress();

// Writes the whole of `contents` and closes standard output, naming `what` could not be written
// when any of it failed.
bool writeStandardOutput(const QByteArray &contents, const QString &what);

// Replaces the file at `path` whole, or names why it could not.
bool writeFile(const QString &path, const QByteArray &contents);

} // namespace qm
