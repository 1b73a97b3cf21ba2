#pragma once

#include <QByteArray>
#include <QString>

namespace qm {

inline constexpr qint64 UntrustedFileLimit = 1024 * 1024;

// A file whose name came from outside the program (a setup file, the preferences), read only
// when it is a regular file of bounded size: a named pipe or a device could hold the program
// forever or fill its memory.
struct UntrustedFile
{
    QByteArray contents;
    // Why it was not read, to follow its name: "is a named pipe, not a regular file",
    // "cannot be read: Permission denied"; empty when it was.
    QString problem;
    bool missing = false; // nothing stands under that name
};

UntrustedFile readUntrustedFile(const QString &path, qint64 maxBytes = UntrustedFileLimit);

// What stands under the name when it is not a regular file ("is a folder, not a regular
// file"); empty for a regular file and for none.
QString notRegularFile(const QString &path);

// Why a file of `size` bytes is not read, in the words of UntrustedFile::problem.
QString sizeProblem(qint64 size, qint64 maxBytes);

} // namespace qm
