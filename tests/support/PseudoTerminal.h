#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace qm::test {

// The far end of a serial line for tests: the master side of a pseudo-terminal. A port opened
// on devicePath() receives what is sent here, and what it writes can be taken here. The device
// path is a symbolic link of the test's own with a name no other process uses, so that lock
// files cannot collide and a later terminal can take over the same name. Hanging up makes the
// slave behave like an unplugged adapter: its device node goes and reads fail.
class PseudoTerminal
{
public:
    // The link goes to linkPath, replacing one already there; by default to a folder of its own.
    explicit PseudoTerminal(const QString &linkPath = {});
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    bool isValid() const { return m_master >= 0; }
    QString devicePath() const { return m_linkPath; }
    void send(QByteArrayView bytes);
    // Whatever the slave side has written so far; never waits.
    QByteArray takeAvailable();
    void hangUp();
    // From now on each time anyone sets the line's settings (speed, format), even to what they
    // were, it is noted, through a descriptor of the slave (`slave`); what the slave writes is
    // no longer taken.
    bool watchLineSettings(int slave);
    // Whether the settings were set since the watch began or since the last call; never waits.
    bool lineSettingsWereSet();

    // A path for a device link in `dir` that no other process uses.
    static QString uniqueLinkPath(const QTemporaryDir &dir)
    {
        return dir.filePath(QStringLiteral("tty") + QFileInfo(dir.path()).fileName());
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    int m_master = -1;
    QString m_slavePath;
    QString m_linkPath;
};

} // namespace qm::test
