#pragma once

#include "tests/support/Deadline.h"
#include "tests/support/Files.h"
#include "tests/support/UnitSimProcess.h"

#include <QDir>
#include <QTest>

namespace qm::test {

// qmctl run with preferences of the test's own folder, and emulated units linked in that folder.
class QmctlBench
{
public:
    struct Outcome
    {
        int code = -1;
        QByteArray out;
        QByteArray err;
    };

    QmctlBench(const QString &qmctl, const QString &unitSim) : m_qmctl(qmctl), m_unitSim(unitSim)
    {
        QDir(m_folder.path()).mkpath(QStringLiteral("config/qm-control-panel"));
    }

    QString path(const QString &name) const { return m_folder.filePath(name); }
    QString link(int unit) const { return path(QStringLiteral("unit%1").arg(unit)); }
    // The [Ports] section both models' preferences hold.
    void mapPorts(const QByteArray &section) const
    {
        for (const QString name : {"QM-410A", "VT-540A"})
            writeFile(path("config/qm-control-panel/" + name + ".ini"), "[Ports]\n" + section);
    }

    // Starts unit number `unit` on link(unit) and says whether it came up.
    bool startUnit(UnitSimProcess &sim, int unit, const QStringList &arguments) const
    {
        return !sim.start(m_unitSim, arguments + QStringList{"--link", link(unit)}).isEmpty();
    }

    void start(QProcess &process, const QStringList &arguments) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
        process.setProcessEnvironment(environment);
        process.start(m_qmctl, arguments);
    }

    // Waited for on the event loop, which the relays and peers of a test may need.
    static Outcome finish(QProcess &process)
    {
        if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; },
                             2 * DeadlineMs))
            process.kill();
        return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                process.readAllStandardOutput(), process.readAllStandardError()};
    }

    // Standard output goes to `output` when one is named.
    Outcome qmctl(const QStringList &arguments, const QString &output = {}) const
    {
        QProcess process;
        if (!output.isEmpty())
            process.setStandardOutputFile(output);
        start(process, arguments);
        return finish(process);
    }

private:
    QTemporaryDir m_folder;
    QString m_qmctl;
    QString m_unitSim;
};

} // namespace qm::test
