#pragma once

#include "link/AdapterInfo.h"
#include "link/PortManager.h"
#include "link/UnitConnection.h"
#include "link/Waiter.h"
#include "model/UnitModel.h"
#include "panel/transfer/SetupDialogs.h"
#include "preferences/PreferencesStore.h"
#include "protocol/FileOutput.h"

#include <QString>

#include <functional>
#include <memory>

class QWidget;

namespace qm {

class MessageBoxes;

// The platform services a panel works through. The programs take the real ones; tests hand
// in doubles so that no device, clock, file or message box is touched.
struct PanelPlatform
{
    // The panel's one serial port, at the model's line speed, with devices from the port map.
    // A second one made the same way only looks for ports, never carrying the line.
    UnitConnection::PortMaker makeSerialPort;
    // What a device says of itself (maker, product, serial number) for the port list.
    std::function<AdapterInfo(const QString &devicePath)> describeAdapter;
    std::unique_ptr<Waiter> waiter;
    std::unique_ptr<PreferencesStore> preferencesStore;
    // Message boxes belong to the window they are shown over.
    std::function<std::unique_ptr<MessageBoxes>(QWidget *window)> makeMessageBoxes;
    // Where the pointer files are read from: the program's own folder, or the installed data
    // folder when they are not there.
    QString cursorFolder;
    // Writes the settings export of a model that has one; without it nothing is exported.
    std::unique_ptr<FileOutput> fileOutput;
    // The export's folder when the program may write there: the program's own folder, for a
    // program run where it was built (on Windows: unpacked from the zip); empty for an
    // installed one.
    QString programFolder;
    // The export's folder otherwise: the per-user data folder, made when needed.
    QString dataFolder;
    // One line per port that is there but cannot be opened.
    PortManager::Diagnostic diagnostic;
    // Save Setup and Load Setup ask through these; without them (or fileOutput) the window
    // offers neither.
    std::unique_ptr<SetupDialogs> setupDialogs;

    // The system's serial port, what the system knows of each USB adapter, an event-loop wait, the
    // per-user settings file of the model, message boxes, the program's folder, whole-file
    // replacement, the program's folder when the export belongs there, the per-user data folder of
    // the application name set at the time, standard error and the platform's file dialogs.
    static PanelPlatform real(const UnitModel &model);
};

} // namespace qm
