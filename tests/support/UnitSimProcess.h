#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace qm::test {

// qm-unit-sim run as its own process, as scripts and panels meet it: it prints the device it
// serves on its first line, then one line per frame it hears. Its device is reached through a
// symbolic link of the test's own, so that lock files name no device another process uses.
// Stopped when it goes.
class UnitSimProcess
{
public:
    ~UnitSimProcess() { stop(); }

    // The link to its device (the one given with --link, or one of its own), once the device is
    // there; empty when the program did not start or ended first.
    QString start(const QString &program, const QStringList &arguments);
    // Every line printed after the device path so far.
    QStringList logLines() { return readLines().mid(1); }
    QByteArray errorOutput() { return m_process.readAllStandardError(); }
    bool isRunning() const { return m_process.state() != QProcess::NotRunning; }
    // Ends it if it still runs; its exit code, or -1 when it crashed or would not end.
    int stop();

private:
    const QStringList &readLines();

    QTemporaryDir m_dir;
    QProcess m_process;
    QStringList m_lines;
};

} // namespace qm::test
