#include "tools/render-windows/StartedPanel.h"

#include "panel/session/PanelController.h"
#include "tests/support/InstantWaiter.h"
#include "tests/support/MemoryPreferencesStore.h"
#include "tests/support/RecordingMessageBoxes.h"
#include "tests/support/UnitPort.h"

#include <QCoreApplication>
#include <QTest>

namespace qm {

namespace {

constexpr int StartUpTimeoutMs = 5000;

} // namespace

StartedPanel::StartedPanel(const WindowDescription &description, const ChannelTable &unit,
                           const PanelMachine &machine)
    : m_window(description)
{
    PanelPlatform platform;
    platform.makeSerialPort = [unit, machine](const PortMap &map, const UnitModel &model) {
        auto port = machine.unitSpeeds.isEmpty()
                        ? std::make_unique<test::UnitPort>(model, unit, machine.answeringChannels)
                        : std::make_unique<test::FakeSerialPort>();
        port->unitSpeeds = machine.unitSpeeds;
        port->openable = machine.openable;
        port->present = machine.refusing;
        port->refusals = machine.refusals;
        port->setPortMap(map);
        return port;
    };
    platform.describeAdapter = [adapters = machine.adapters](const QString &device) {
        return adapters.value(device);
    };
    auto waiter = std::make_unique<test::InstantWaiter>();
    waiter->onDelay = [this](int wait) {
        if (m_duringPoll)
            m_duringPoll(wait);
    };
    platform.waiter = std::move(waiter);
    platform.preferencesStore = std::make_unique<test::MemoryPreferencesStore>();
    platform.makeMessageBoxes = [](QWidget *) {
        return std::make_unique<test::RecordingMessageBoxes>();
    };
    platform.cursorFolder = QCoreApplication::applicationDirPath();
    m_controller = std::make_unique<PanelController>(m_window, std::move(platform));
}

StartedPanel::~StartedPanel() = default;

bool StartedPanel::start(PollStep duringPoll)
{
    m_duringPoll = std::move(duringPoll);
    m_window.show();
    return QTest::qWaitForWindowExposed(&m_window) &&
           QTest::qWaitFor([this] { return m_window.isEnabled(); }, StartUpTimeoutMs);
}

} // namespace qm
