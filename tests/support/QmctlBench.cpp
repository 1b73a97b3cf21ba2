#include "tests/support/QmctlBench.h"

#include "tests/support/Deadline.h"
#include "tests/support/Files.h"

#include <QDir>
#include <QTest>

namespace qm::test {

QmctlBench::QmctlBench(const QString &qmctl, const QString &unitSim)
    : m_qmctl(qmctl), m_unitSim(unitSim)
{
    QDir(m_folder.path()).mkpath(QStringLiteral("config/qm-control-panel"));
}

void QmctlBench::mapPorts(const QByteArray &section) const
{
    for (const QString name : {"QM-410A", "VT-540A"})
        writeFile(path("config/qm-control-panel/" + name + ".ini"), "[Ports]\n" + section);
}

bool QmctlBench::startUnit(UnitSimProcess &sim, int unit, const QStringList &arguments) const
{
    return !sim.start(m_unitSim, arguments + QStringList{"--link", link(unit)}).isEmpty();
}

void QmctlBench::start(QProcess &process, const QStringList &arguments) const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), path(QStringLiteral("config")));
    process.setProcessEnvironment(environment);
    process.start(m_qmctl, arguments);
}

QmctlBench::Outcome QmctlBench::finish(QProcess &process)
{
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; },
                         2 * DeadlineMs))
        process.kill();
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

QmctlBench::Outcome QmctlBench::qmctl(const QStringList &arguments, const QString &output) const
{
    QProcess process;
    if (!output.isEmpty())
        process.setStandardOutputFile(output);
    start(process, arguments);
    return finish(process);
}

} // namespace qm::test
