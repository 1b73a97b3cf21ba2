#include "tests/support/PanelRig.h"

#include <utility>

namespace qm::test {

PanelRig::PanelRig(const WindowDescription &description, std::unique_ptr<FakeSerialPort> unitPort,
                   const QMap<QString, QString> &preferences,
                   const std::function<void(PanelPlatform &)> &adjust)
    : portToHand(std::move(unitPort)), window(description)
{
    store->values = preferences;
    PanelPlatform platform;
    platform.makeSerialPort = [this](const PortMap &, const UnitModel &) {
        if (portToHand)
            return std::unique_ptr<SerialPort>(std::move(portToHand));
        auto probing = std::make_unique<FakeSerialPort>();
        probing->sameMachineAs = port;
        (prober ? searcher : prober) = probing.get();
        return std::unique_ptr<SerialPort>(std::move(probing));
    };
    platform.describeAdapter = [this](const QString &device) {
        return adapters.value(device);
    };
    platform.waiter.reset(waiter);
    platform.preferencesStore.reset(store);
    platform.makeMessageBoxes = [this](QWidget *) {
        return std::unique_ptr<MessageBoxes>(notifier);
    };
    platform.diagnostic = [this](const QString &line) {
        diagnostics << line;
    };
    platform.fileOutput.reset(files);
    platform.programFolder = QStringLiteral("/program");
    if (adjust)
        adjust(platform);
    if (platform.fileOutput.get() != files)
        files = nullptr;
    if (platform.setupDialogs.get() != dialogs)
        delete std::exchange(dialogs, nullptr);
    controller = std::make_unique<PanelController>(window, std::move(platform));
}

} // namespace qm::test
