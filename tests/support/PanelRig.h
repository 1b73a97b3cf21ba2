#pragma once

#include "panel/session/PanelController.h"
#include "panel/window/MainWindow.h"
#include "tests/support/FakeSerialPort.h"
#include "tests/support/InstantWaiter.h"
#include "tests/support/MemoryPreferencesStore.h"
#include "tests/support/RecordingFileOutput.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/ScriptedDialogs.h"

#include <functional>
#include <memory>

namespace qm::test {

// A model's main window and its controller on the test doubles of every platform seam, each
// double kept at hand for the test to script and inspect. The port is the one the panel gets.
struct PanelRig
{
    // adjust may change the platform before the controller takes it.
    PanelRig(const WindowDescription &description, std::unique_ptr<FakeSerialPort> unitPort,
             const QMap<QString, QString> &preferences,
             const std::function<void(PanelPlatform &)> &adjust = {});

    std::unique_ptr<FakeSerialPort> portToHand;
    FakeSerialPort *port = portToHand.get();
    // The second port the panel makes, which only looks for ports, and the third, which asks
    // them for the unit, on the same devices.
    FakeSerialPort *prober = nullptr;
    FakeSerialPort *searcher = nullptr;
    MemoryPreferencesStore *store = new MemoryPreferencesStore;
    InstantWaiter *waiter = new InstantWaiter;
    RecordingMessageBoxes *notifier = new RecordingMessageBoxes;
    RecordingFileOutput *files = new RecordingFileOutput; // null when adjust replaced it
    // Save and Load Setup only where adjust hands these in; null otherwise.
    ScriptedDialogs *dialogs = new ScriptedDialogs;
    QStringList diagnostics;
    QMap<QString, AdapterInfo> adapters; // what each device path says of itself
    MainWindow window;
    const MainWindowControls &controls = window.controls();
    std::unique_ptr<PanelController> controller;
};

} // namespace qm::test
