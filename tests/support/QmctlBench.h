#pragma once

#include "tests/support/UnitSimProcess.h"

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

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

    QmctlBench(const QString &qmctl, const QString &unitSim);

    QString path(const QString &name) const { return m_folder.filePath(name); }
    QString link(int unit) const { return path(QStringLiteral("unit%1").arg(unit)); }
    // The [Ports] section both models' preferences hold.
    void mapPorts(const QByteArray &section) const;

    // Starts unit number `unit` on link(unit) and says whether it came up.
    bool startUnit(UnitSimProcess &sim, int unit, const QStringList &arguments) const;
    void start(QProcess &process, const QStringList &arguments) const;
    // Waited for on the event loop, which the relays and peers of a test may need.
    static Outcome finish(QProcess &process);
    // Standard output goes to `output` when one is named.
    Outcome qmctl(const QStringList &arguments, const QString &output = {}) const;

private:
    QTemporaryDir m_folder;
    QString m_qmctl;
    QString m_unitSim;
};

} // namespace qm::test
