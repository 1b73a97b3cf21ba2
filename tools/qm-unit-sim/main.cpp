// qm-unit-sim: a QM-410A or QM-520A unit on a pseudo-terminal, for trying the panels
// without hardware. Prints the device path first, then one line per frame received.

#include "DefaultUnitState.h"
#include "DeviceLink.h"
#include "PtyPort.h"
#include "SimOptions.h"
#include "StateFile.h"
#include "TerminationSignals.h"
#include "UnitSimulator.h"

#include <QCoreApplication>

#include <cstdio>

using namespace qm::sim;

namespace {

constexpr int ExitRefused = 2;
constexpr int ExitFailed = 1;

void printLine(const QString &line)
{
    std::fputs(qPrintable(line + u'\n'), stdout);
    std::fflush(stdout);
}

int refuse(const QString &why, int code)
{
    std::fprintf(stderr, "qm-unit-sim: %s\n", qPrintable(why));
    return code;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    const SimOptions::Result parsed = SimOptions::parse(app.arguments());
    if (!parsed.answer.isEmpty()) {
        std::fputs(qUtf8Printable(parsed.answer), stdout);
        return 0;
    }
    if (!parsed.options)
        return refuse(parsed.error, ExitRefused);
    const SimOptions &options = *parsed.options;
    const qm::UnitModel &model = *options.model;

    qm::ChannelTable initial = defaultUnitState(model);
    if (!options.stateFile.isEmpty()) {
        const StateFile::Result state = StateFile(model).load(options.stateFile);
        if (!state.table)
            return refuse(state.error, ExitRefused);
        initial = *state.table;
    }

    TerminationSignals termination;
    if (!termination.install())
        return refuse(QStringLiteral("cannot catch SIGINT and SIGTERM"), ExitFailed);
    QObject::connect(&termination, &TerminationSignals::terminationRequested, &app,
                     &QCoreApplication::quit);

    PtyPort port;
    if (!port.open())
        return refuse(port.errorString(), ExitFailed);
    DeviceLink link;
    if (!options.linkPath.isEmpty() && !link.create(options.linkPath, port.slavePath()))
        return refuse(link.errorString(), ExitFailed);

    SimulatedUnit unit(model, initial, options.channels);
    ReplyShaper shaper(model, options.faults, *QRandomGenerator::global());
    UnitSimulator simulator(model, unit, shaper);
    QObject::connect(&port, &PtyPort::received, &simulator,
                     [&simulator](const QByteArray &bytes) { simulator.receive(bytes); });
    QObject::connect(&simulator, &UnitSimulator::transmit, &port, &PtyPort::write);
    QObject::connect(&simulator, &UnitSimulator::logLine, &printLine);

    printLine(port.slavePath());
    return app.exec();
}
