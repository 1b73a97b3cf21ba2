// qm-unit-sim: a QM-410A or QM-520A unit on a pseudo-terminal, for trying the panels
// without hardware. Prints the device path first, then one line per frame received.

#include "process/TerminationSignals.h"
#include "tools/qm-unit-sim/DefaultUnitState.h"
#include "tools/qm-unit-sim/DeviceLink.h"
#include "tools/qm-unit-sim/PtyPort.h"
#include "tools/qm-unit-sim/SimOptions.h"
#include "tools/qm-unit-sim/StateFile.h"
#include "tools/qm-unit-sim/UnitSimulator.h"

#include <QCoreApplication>

#include <csignal>
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
    const UnitWire &wire = *options.wire;

    qm::ChannelTable initial = defaultUnitState(wire);
    if (!options.stateFile.isEmpty()) {
        const StateFile::Result state = StateFile(wire).load(options.stateFile);
        if (!state.table)
            return refuse(state.error, ExitRefused);
        initial = *state.table;
    }

    qm::TerminationSignals termination;
    if (!termination.install({SIGINT, SIGTERM}))
        return refuse(QStringLiteral("cannot catch SIGINT and SIGTERM"), ExitFailed);
    QObject::connect(&termination, &qm::TerminationSignals::terminationRequested, &app,
                     &QCoreApplication::quit);

    PtyPort port;
    if (!port.open())
        return refuse(port.errorString(), ExitFailed);
    DeviceLink link;
    if (!options.linkPath.isEmpty() && !link.create(options.linkPath, port.slavePath()))
        return refuse(link.errorString(), ExitFailed);

    SimulatedUnit unit(wire, initial, options.channels, options.ignoredField);
    ReplyShaper shaper(wire, options.faults, *QRandomGenerator::global());
    UnitSimulator simulator(wire, unit, shaper);
    simulator.setPaced(options.paced);
    simulator.setLate(options.lateMs);
    QObject::connect(&port, &PtyPort::received, &simulator, [&](const QByteArray &bytes) {
        if (port.lineRunsAt(wire.baudRate))
            simulator.receive(bytes);
        else
            simulator.receiveNoise(bytes);
    });
    QObject::connect(&simulator, &UnitSimulator::transmit, &port, &PtyPort::write);
    QObject::connect(&simulator, &UnitSimulator::logLine, &printLine);

    printLine(port.slavePath());
    return app.exec();
}
