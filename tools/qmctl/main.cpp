// qmctl: keeps a unit's setup in a file. Reads the channels that answer into a setup file,
// writes a setup file to a unit and checks what took, compares a unit with a file, and finds
// which port holds which unit.

#include "QmVersion.h"
#include "link/LinkTrace.h"
#include "process/Interruption.h"
#include "tools/qmctl/CommandLine.h"
#include "tools/qmctl/FindCommand.h"
#include "tools/qmctl/Interrupted.h"
#include "tools/qmctl/Output.h"
#include "tools/qmctl/PortChoice.h"
#include "tools/qmctl/SetupInput.h"
#include "tools/qmctl/UnitRun.h"

#include <QCoreApplication>
#include <QLoggingCategory>

using namespace qm;

namespace {

int find(const CommandLine &line)
{
    const std::optional<PortMap> map = findPortMap(line.model);
    if (!map)
        return BadUsage;
    return findUnits(line.model, *map, line.json) ? Success : UnitFailed;
}

int runOnUnit(CommandLine &line)
{
    const std::optional<SetupInput> input = readSetupInput(line);
    if (!input)
        return BadUsage;
    const std::unique_ptr<SerialPort> port = openPort(line);
    if (!port)
        return UnitFailed;
    UnitRun run(line, *port);
    Interruption interruption;
    sayWhatWasDoneOnSignal(interruption, run.session(), line, input->channels);
    interruption.install();
    if (line.command == u"read")
        return run.read();
    return line.command == u"write" ? run.write(*input->setup, input->channels)
                                    : run.diff(*input->setup);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("qmctl"));
    QCoreApplication::setApplicationVersion(QLatin1String(ProgramVersion));

    QString error;
    std::optional<CommandLine> line = parseCommandLine(app.arguments(), error);
    if (!line) {
        printError(error + QStringLiteral(" (qmctl --help tells more)"));
        return BadUsage;
    }
    sendQtMessagesToStandardError();
    if (line->trace)
        QLoggingCategory::setFilterRules(QLatin1String(LinkTraceRule));
    return line->command == u"find" ? find(*line) : runOnUnit(*line);
}
