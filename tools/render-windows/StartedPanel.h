#pragma once

#include "link/AdapterInfo.h"
#include "model/ChannelTable.h"
#include "panel/window/MainWindow.h"
#include "preferences/Preferences.h"
#include "tests/support/FakeSerialPort.h"

#include <QMap>
#include <QSet>

#include <functional>
#include <memory>

namespace qm {

class PanelController;

// The serial devices of the machine a panel is pictured on, named as on Linux: which port
// numbers open, which are there but refuse (as to a user outside the dialout group, unless
// told otherwise), what the adapters say of themselves, and how many channels of the unit
// answer. Without unitSpeeds a unit answers on every port that opens; with them, only on those
// ports and at that line speed, as units do.
struct PanelMachine
{
    QSet<int> openable{Preferences::DefaultComport};
    QSet<int> refusing;
    QMap<int, test::FakeSerialPort::Refusing> refusals;
    QMap<QString, AdapterInfo> adapters;
    QMap<int, qint32> unitSpeeds;
    int answeringChannels = ChannelTable::size();
};

// A model's main window given its life as the program gives it, on doubles instead of the
// platform: a unit on the port a first run opens that answers every settings request from its
// table, waits that take no time, preferences in memory. Starting it runs the real start-up
// sequence and poll.
class StartedPanel
{
public:
    // Runs inside each of the poll's waits, given the wait's position (0 for the first).
    using PollStep = std::function<void(int wait)>;

    StartedPanel(const WindowDescription &description, const ChannelTable &unit,
                 const PanelMachine &machine = {});
    ~StartedPanel();

    MainWindow &window() { return m_window; }
    PanelController &controller() { return *m_controller; }
    // Shows the window and returns once its start-up sequence has run and enabled it.
    bool start(PollStep duringPoll = {});

private:
    MainWindow m_window;
    PollStep m_duringPoll;
    std::unique_ptr<PanelController> m_controller;
};

} // namespace qm
