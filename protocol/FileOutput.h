#pragma once

#include <QByteArray>
#include <QString>

namespace qm {

struct WriteResult
{
    bool ok = false;
    QString error; // why not, in words an operator can act on; empty on success
};

// Writes whole files: either the new contents replace the old file completely, or the old
// file stays as it was. Tests substitute a recorder.
class FileOutput
{
public:
    virtual ~FileOutput() = default;
    virtual WriteResult replaceWhole(const QString &path, const QByteArray &contents) = 0;
};

// QSaveFile: writes beside the target and renames over it only when everything was written.
// A symbolic link in the target's place is refused, never written through, and so is anything
// there that is not a regular file.
class SaveFileOutput : public FileOutput
{
public:
    WriteResult replaceWhole(const QString &path, const QByteArray &contents) override;
};

} // namespace qm
