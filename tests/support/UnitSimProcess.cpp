#include "UnitSimProcess.h"

#include "Deadline.h"

#include <QTest>

namespace qm::test {

QString UnitSimProcess::start(const QString &program, const QStringList &arguments)
{
    m_process.start(program, arguments);
    const bool printedOrEnded =
        m_process.waitForStarted() &&
        QTest::qWaitFor([this] { return !readLines().isEmpty() || !isRunning(); }, DeadlineMs);
    return printedOrEnded ? readLines().value(0) : QString();
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
