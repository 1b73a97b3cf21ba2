#include "tools/qmctl/PortChoice.h"

#include "link/PortManager.h"
#include "link/PortWords.h"
#include "link/RoutedSerialPort.h"
#include "preferences/Preferences.h"
#include "preferences/PreferencesStore.h"
#include "tools/qmctl/Output.h"

#include <QEventLoop>

namespace qm {

namespace {

// The device map and [Ports] preferences the model's panel uses, and their problems.
PortMap panelPortMap(const UnitModel &model, QStringList &problems)
{
    IniPreferencesStore store(model.preferencesName);
    const PortOverrides overrides = Preferences(store).portOverrides();
    PortMap map(overrides.devices, overrides.withheld);
    for (const QString &problem : overrides.problems + map.problems()) {
        if (!problems.contains(problem))
            problems << problem;
    }
    return map;
}

PortMap panelPortMap(const UnitModel &model)
{
    QStringList problems;
    const PortMap map = panelPortMap(model, problems);
    for (const QString &problem : std::as_const(problems))
        printError(problem);
    return map;
}

} // namespace

// find without --model asks the ports as both panels map them; a port they map to different
// devices is not guessed at. Problems the panels share (the organization's file) are named once.
std::optional<PortMap> findPortMap(const UnitModel *model)
{
    if (model)
        return panelPortMap(*model);
    QStringList problems;
    const PortMap first = panelPortMap(qm410a(), problems);
    const PortMap second = panelPortMap(qm520a(), problems);
    for (const QString &problem : std::as_const(problems))
        printError(problem);
    QStringList apart;
    for (int port = PortManager::FirstPort; port <= PortManager::LastPort; ++port) {
        if (first.devicePath(port) != second.devicePath(port))
            apart << QStringLiteral("COM%1").arg(port);
    }
    if (apart.isEmpty())
        return first;
    printError(QStringLiteral("the QM-410A and QM-520A panels map %1 to different devices; name "
                              "the panel whose ports to ask with --model")
                   .arg(listOf(apart)));
    return std::nullopt;
}

namespace {

// COMn goes through the panel's map; a device path stands in the map for port 1.
PortMap portMap(const CommandLine &line, int &portNumber)
{
    if (line.portNumber > 0) {
        portNumber = line.portNumber;
        return panelPortMap(*line.model);
    }
    portNumber = 1;
    PortMap map;
    map.setOverride(portNumber, line.port);
    return map;
}

// A device path or address stands in the map for port 1, yet is named as given.
PortManager portManager(SerialPort &port, const CommandLine &line)
{
    if (line.portNumber > 0)
        return PortManager(port, printError);
    PortManager manager(port);
    manager.setRefusalHandler([](const PortManager::Refusal &refusal) {
        printError(refusal.device + QStringLiteral(": ") +
                   refusalCure(refusal, PortRetry::RunAgain) + u'.');
    });
    return manager;
}

// A device server is connected to after the port has opened; the port bounds the wait.
bool reached(SerialPort &port, const CommandLine &line)
{
    if (port.isConnecting()) {
        QEventLoop loop;
        QObject::connect(&port, &SerialPort::connected, &loop, &QEventLoop::quit);
        QObject::connect(&port, &SerialPort::failed, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (port.isOpen() && !port.isConnecting() && port.failureText().isEmpty())
        return true;
    printError(QStringLiteral("%1: %2").arg(nameOfPort(line), port.failureText()));
    return false;
}

} // namespace

std::unique_ptr<SerialPort> openPort(CommandLine &line)
{
    int portNumber = 0;
    std::unique_ptr<SerialPort> port =
        makeSerialPort(portMap(line, portNumber), line.model->baudRate);
    const bool opened = portManager(*port, line).openNamedPort(portNumber);
    line.device = port->deviceName();
    if (line.device.isEmpty())
        printError(QStringLiteral("%1 has no device: its [Ports] entry gives none or cannot be "
                                  "read")
                       .arg(line.port));
    if (!opened || !reached(*port, line))
        return nullptr;
    return port;
}

QString nameOfPort(const CommandLine &line)
{
    if (line.device.isEmpty() || line.device == line.port)
        return line.port;
    return QStringLiteral("%1 (%2)").arg(line.port, line.device);
}

} // namespace qm
