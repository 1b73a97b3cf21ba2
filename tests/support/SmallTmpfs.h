#pragma once

#include <QString>
#include <QTemporaryDir>

namespace qm::test {

// A real file system of a few pages, mounted for one test, that can be filled up so that
// writes fail as on a full disk. Mounting needs the right to mount (root): without it the
// test must skip, naming why.
class SmallTmpfs
{
public:
    SmallTmpfs();
    ~SmallTmpfs();
    SmallTmpfs(const SmallTmpfs &) = delete;
    SmallTmpfs &operator=(const SmallTmpfs &) = delete;

    // Empty when mounted; otherwise why not.
    QString mountError() const { return m_error; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    // Takes every free byte; true when none is left.
    bool fill();

private:
    QTemporaryDir m_dir;
    QString m_error;
    bool m_mounted = false;
};

} // namespace qm::test
