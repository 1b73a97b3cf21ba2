#include "tests/support/UnitSimProcess.h"

#include "tests/support/Deadline.h"
#include "tests/support/PseudoTerminal.h"

#include <QTest>

namespace qm::test {

QString UnitSimProcess::start(const QString &program, const QStringList &arguments)
{
    const QString LinkOption = QStringLiteral("--link");
    QStringList withLink = arguments;
    if (!withLink.contains(LinkOption))
        withLink << LinkOption << PseudoTerminal::uniqueLinkPath(m_dir);
    m_process.start(program, withLink);
    const bool printed =
        m_process.waitForStarted() &&
        QTest::qWaitFor([this] { return !readLines().isEmpty() || !isRunning(); }, DeadlineMs) &&
        !readLines().isEmpty();
    return printed ? withLink.value(withLink.indexOf(LinkOption) + 1) : QString();
}

int UnitSimProcess::stop()
{
    if (isRunning()) {
        m_process.terminate();
        if (!m_process.waitForFinished(DeadlineMs))
            return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

const QStringList &UnitSimProcess::readLines()
{
    while (m_process.canReadLine()) {
        const QString line = QString::fromLocal8Bit(m_process.readLine()).trimmed();
        if (!line.isEmpty())
            m_lines << line;
    }
    return m_lines;
}

} // namespace qm::test
