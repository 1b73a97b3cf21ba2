#include "tests/support/SimPanelPlatform.h"

#include "link/EventLoopWaiter.h"
#include "link/NetworkAddress.h"
#include "link/NetworkSerialPort.h"
#include "link/QtSerialPort.h"
#include "link/RoutedSerialPort.h"
#include "tests/support/MemoryPreferencesStore.h"
#include "tests/support/RecordingMessageBoxes.h"

namespace qm::test {

PanelPlatform simPanelPlatform(const QString &unitLink, const QStringList &otherUnits)
{
    auto store = std::make_unique<MemoryPreferencesStore>();
    store->values = {{"Ports/COM1", unitLink}, {"Settings/Comport", "1"}};
    // Every other number leads nowhere, so that no real port is probed.
    const QString nowhere =
        isNetworkAddress(unitLink) ? QStringLiteral("/nonexistent/qm-unit") : unitLink + "-none";
    for (int port = 2; port <= 16; ++port)
        store->values.insert(QStringLiteral("Ports/COM%1").arg(port),
                             otherUnits.value(port - 2, nowhere));
    PanelPlatform platform;
    platform.makeSerialPort = [](const PortMap &map, const UnitModel &model) {
        return std::make_unique<RoutedSerialPort>(
            map, std::make_unique<QtSerialPort>(map, model.baudRate),
            std::make_unique<NetworkSerialPort>(map, model.baudRate));
    };
    platform.waiter = std::make_unique<EventLoopWaiter>();
    platform.preferencesStore = std::move(store);
    platform.makeMessageBoxes = [](QWidget *) {
        return std::make_unique<RecordingMessageBoxes>();
    };
    return platform;
}

} // namespace qm::test
