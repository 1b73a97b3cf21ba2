#include "tools/qmctl/UnitRun.h"

#include "link/SessionOutcome.h"
#include "process/Console.h"
#include "protocol/ChannelList.h"
#include "protocol/RoundTrip.h"
#include "tools/qmctl/Output.h"
#include "tools/qmctl/PortChoice.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>

namespace qm {

namespace {

constexpr int DrainTimeoutMs = 5000;

} // namespace

UnitRun::UnitRun(const CommandLine &line, SerialPort &port)
    : m_line(line), m_port(port), m_receiver(*line.model, m_table), m_reader(port, &m_receiver),
      m_session(*line.model, m_table, port, m_receiver, m_reader)
{
    QObject::connect(&port, &SerialPort::failed, &m_session, &SetupSession::abandon);
    if (standardErrorIsTerminal())
        QObject::connect(&m_session, &SetupSession::progressed, &m_session, &showProgress);
    QObject::connect(&m_session, &SetupSession::finished, qApp, &QCoreApplication::quit);
}

int UnitRun::read()
{
    m_session.read(allChannelIndices());
    QCoreApplication::exec();
    const int code = readOutcome();
    if (!m_line.summary.isEmpty() && !writeFile(m_line.summary, readSummary()))
        return BadUsage;
    return code;
}

int UnitRun::write(const Setup &setup, const QList<int> &channels)
{
    m_session.write(setup, channels, SetupSession::Probe::First);
    QCoreApplication::exec();
    // After a silent last channel its frames may still be on their way; closing the port
    // would drop them.
    if (!m_session.lineFailed())
        m_port.waitUntilSent(DrainTimeoutMs);
    if (lineFailed())
        return UnitFailed;
    int code = Success;
    if (!m_session.skipped().isEmpty()) {
        const QList<int> &skipped = m_session.skipped();
        printError(QStringLiteral("%1: %2 did not answer and %3 left as %4")
                       .arg(portName(), channelsPhrase(skipped), agreeing(skipped, "was", "were"),
                            agreeing(skipped, "it is", "they are")));
        code = m_session.skipped().size() == channels.size() ? UnitFailed : Partial;
    }
    if (const QString silence = silenceAfterSending(m_session); !silence.isEmpty()) {
        printError(QStringLiteral("%1: %2; what %3 is not known")
                       .arg(portName(), silence,
                            agreeing(m_session.silentChannels(), "it holds", "they hold")));
        code = UnitFailed;
    }
    for (const QString &field : notTaken(m_session)) {
        printError(field);
        code = UnitFailed;
    }
    return code;
}

int UnitRun::diff(const Setup &setup)
{
    m_session.read(allChannelIndices());
    QCoreApplication::exec();
    if (lineFailed() || !anyAnswered())
        return UnitFailed;
    DiffFindings findings;
    QStringList lines;
    for (int index : allChannelIndices()) {
        const bool answered = m_session.answered().contains(index);
        if (setup.holds(index) && !answered) {
            findings.notAnswered << index;
            lines << QStringLiteral("channel %1: in the file, but the unit did not answer")
                         .arg(index + 1);
        } else if (!setup.holds(index) && answered) {
            findings.notInFile << index;
            lines << QStringLiteral("channel %1: the unit answered, but the file does not "
                                    "hold it")
                         .arg(index + 1);
        } else if (answered) {
            for (const FieldDifference &difference :
                 channelDifferences(setup, index, m_table[index])) {
                findings.differences << difference;
                lines << describeDifference(difference);
            }
        }
    }
    QByteArray report;
    if (m_line.json)
        report = diffJson(place(), m_line.file, findings);
    else
        for (const QString &line : std::as_const(lines))
            report += line.toUtf8() + '\n';
    if (!writeStandardOutput(report, QStringLiteral("the differences")))
        return BadUsage;
    return lines.isEmpty() ? Success : Differences;
}

int UnitRun::readOutcome()
{
    if (lineFailed() || !anyAnswered())
        return UnitFailed;
    const QList<int> answered = answeredInOrder();
    const Setup setup = Setup::of(*m_line.model, m_table, answered);
    int code = Success;
    if (!m_session.silentChannels().isEmpty()) {
        printError(QStringLiteral("%1: no answer from %2; the file holds %3")
                       .arg(portName(), channelsPhrase(m_session.silentChannels()),
                            channelsPhrase(answered)));
        code = Partial;
    }
    for (int index : answered) {
        for (const SettingProblem &problem : unrestorable(setup, index)) {
            printError(describeProblem(problem) +
                       QStringLiteral(": the file keeps it, but no frame can restore it"));
            code = Partial;
        }
        for (const SettingProblem &problem : unusual(setup, index))
            printError(QStringLiteral("note: ") + describeProblem(problem));
    }
    if (!writeSetup(setup))
        return BadUsage;
    return code;
}

QByteArray UnitRun::readSummary() const
{
    ReadFindings findings{answeredInOrder(),
                          m_session.silentChannels(),
                          m_session.lineFailed(),
                          m_session.unreached(),
                          {}};
    const Setup setup = Setup::of(*m_line.model, m_table, findings.answered);
    for (int index : findings.answered)
        findings.unrestorable += unrestorable(setup, index);
    return readSummaryJson(place(), findings);
}

QList<int> UnitRun::answeredInOrder() const
{
    QList<int> answered = m_session.answered();
    std::sort(answered.begin(), answered.end());
    return answered;
}

// Overwritten in place; the finished line is blanked so that messages start clean.
void UnitRun::showProgress(SetupSession::Step step, int done, int count)
{
    static constexpr const char *Doing[] = {"reading", "writing", "checking"};
    if (done < count)
        std::fprintf(stderr, "\rqmctl: %s channel %d of %d ", Doing[static_cast<int>(step)],
                     done + 1, count);
    else
        clearProgress();
}

QString UnitRun::portName() const
{
    return nameOfPort(m_line);
}

bool UnitRun::lineFailed() const
{
    const QString failure = lineFailure(m_session, m_port.failureText());
    if (failure.isEmpty())
        return false;
    printError(QStringLiteral("%1: %2").arg(portName(), failure));
    return true;
}

bool UnitRun::anyAnswered() const
{
    if (!m_session.answered().isEmpty())
        return true;
    printError(QStringLiteral("%1: no channel answered; is the unit on, on this port, and a %2?")
                   .arg(portName(), m_line.model->name));
    return false;
}

bool UnitRun::writeSetup(const Setup &setup) const
{
    if (m_line.output.isEmpty())
        return writeStandardOutput(setupJson(setup), QStringLiteral("the setup"));
    return writeFile(m_line.output, setupJson(setup));
}

} // namespace qm
