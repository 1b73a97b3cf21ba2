#pragma once

#include "PortManager.h"
#include "PortMap.h"
#include "PreferencesStore.h"
#include "SerialPort.h"
#include "UnitModel.h"
#include "Waiter.h"

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace qm {

class Notifier;

// The platform services a panel works through. The programs take the real ones; tests hand
// in doubles so that no device, clock, file or message box is touched.
struct PanelPlatform
{
    // The panel's one serial port, at the model's line speed, with devices from the port map.
    std::function<std::unique_ptr<SerialPort>(const PortMap &, const UnitModel &)> makeSerialPort;
    std::unique_ptr<Waiter> waiter;
    std::unique_ptr<PreferencesStore> preferencesStore;
    // Message boxes belong to the window they are shown over.
    std::function<std::unique_ptr<Notifier>(QWidget *window)> makeNotifier;
    // Where the pointer files are read from: the program's own folder.
    QString cursorFolder;
    // One line per port that is there but cannot be opened.
    PortManager::Diagnostic diagnostic;

    // QSerialPort, an event-loop wait, the per-user settings file of the model, message boxes,
    // the program's folder and standard error.
    static PanelPlatform real(const UnitModel &model);
};

} // namespace qm
