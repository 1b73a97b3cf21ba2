#include "panel/session/PanelController.h"

#include "link/PortMap.h"
#include "panel/session/KeyboardPath.h"
#include "panel/session/PortNotices.h"
#include "panel/window/MainWindow.h"
#include "panel/window/Notifier.h"
#include "panel/window/OperatorNotice.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace qm {

PanelController::PanelController(MainWindow &window, PanelPlatform platform, QObject *parent)
    : QObject(parent), m_window(window), m_model(*window.description().model),
      m_platform(std::move(platform)), m_preferences(*m_platform.preferencesStore),
      m_portOverrides(m_preferences.portOverrides()),
      m_portMap(m_portOverrides.devices, m_portOverrides.withheld),
      m_port(m_platform.makeSerialPort(m_portMap, m_model)),
      m_prober(m_platform.makeSerialPort(m_portMap, m_model)),
      m_notifier(m_platform.makeNotifier(&window)), m_receiver(m_model, m_table),
      m_link(*m_port, m_receiver), m_sender(m_model, m_table, m_link),
      m_portManager(*m_port, m_platform.diagnostic),
      m_poller(m_sender, m_receiver, *m_platform.waiter),
      m_editor(window.description().controls, &window, window.controls(),
               window.description().positionLayout, m_table, m_sender, m_preferences,
               m_platform.cursorFolder),
      m_comports(
          *window.controls().cmbComports, m_portManager, *m_prober, m_preferences, *m_notifier,
          {[this](int port) { return m_portMap.devicePath(port); }, m_platform.describeAdapter}),
      m_pollDisplay(window.controls(), m_comports, m_editor, m_poller, m_receiver),
      m_comportsOpening(*window.controls().cmbComports, [this] { onComportsOpening(); }),
      m_multipleUpdate(*window.controls().cmdUpdateMultiple,
                       {window, m_model, m_table, m_preferences, m_sender, m_editor, m_poller}),
      m_settingsFile(m_model, m_platform.fileOutput.get(), m_platform.programFolder,
                     m_platform.dataFolder, *m_notifier, window.windowTitle(),
                     m_platform.diagnostic),
      m_placement(m_preferences), m_notice(new OperatorNotice(*window.controls().frameConnecting)),
      m_linkNotice(*m_notice), m_tmrStartup(new QTimer(&window))
{
    const MainWindowControls &controls = window.controls();
    connect(controls.cmbComports, &QComboBox::activated, this,
            &PanelController::onComportActivated);
    connect(controls.cmdClose, &QPushButton::clicked, &window, &QWidget::close);
    connect(&window, &MainWindow::unloading, this, &PanelController::unload);
    connect(&m_link, &SerialLink::recovered, this, &PanelController::reportRecovery);
    connect(&m_link, &SerialLink::lineLost, this, &PanelController::reportLineLost);
    connect(&m_link, &SerialLink::framesDropped, this, &PanelController::reportDroppedFrames);
    new KeyboardPath(window, controls, m_editor, [this] { readUnitAgain(); });
    // A poll follows a pick of the port; what the window said about the old line no longer holds.
    connect(&m_poller, &Poller::started, &m_linkNotice, &LinkNotice::clear);
    window.setCloseGuard([this] { return mayClose(); });
    m_preferences.setWriteFailureHandler([this](const QString &why) { tellOperator(why); });
    m_portManager.setRefusalHandler([this](const PortManager::Refusal &refusal) {
        emit operatorNotice(portRefusalNotice(refusal));
    });
    connect(this, &PanelController::operatorNotice, m_notice, &OperatorNotice::tell);
    connect(&m_poller, &Poller::started, m_notice, &OperatorNotice::hold);
    connect(&m_poller, &Poller::finished, m_notice, &OperatorNotice::release);

    m_placement.restore(window);
    if (m_platform.setupDialogs && m_platform.fileOutput)
        m_setupTransfer = std::make_unique<SetupTransfer>(
            SetupTransfer::Panel{window, m_model, m_table, m_link, m_receiver, m_editor, m_poller,
                                 *m_notifier, *m_platform.fileOutput, *m_platform.setupDialogs});

    m_tmrStartup->setObjectName(QStringLiteral("tmrStartup"));
    m_tmrStartup->setInterval(StartupIntervalMs);
    connect(m_tmrStartup, &QTimer::timeout, this, &PanelController::onStartupTick);
    m_tmrStartup->start();
}

PanelController::~PanelController()
{
    m_window.setCloseGuard({});
}

// Stopped before the sequence runs: its poll waits with the event loop running, and the
// sequence must not start a second time from inside itself.
void PanelController::onStartupTick()
{
    m_tmrStartup->stop();
    startUp();
}

// Whatever start-up has to say is shown once its poll is over. The preferences are read in
// the order the panel has always read them: selections, port, update policy.
void PanelController::startUp()
{
    m_notice->hold();
    m_editor.setLoading(true);
    m_editor.clearButtons();
    for (const QString &problem : m_portOverrides.problems)
        tellOperator(problem);
    m_editor.positionEditor().loadStartupCursor();
    m_multipleUpdate.restoreSelections();
    const qint16 storedPort = m_preferences.comport();
    m_editor.applyUpdatePolicy(m_preferences.updateImmediately());
    m_portManager.findPorts();
    tellIfNoPort();
    m_comports.populate(storedPort);
    m_editor.positionEditor().enablePositionGrid(true);
    getSettingsFromUnit();
    m_window.setEnabled(true);
    // Enabling lets the window hand the keyboard to its first control; the arrow keys come first.
    m_window.controls().txtMove->setFocus();
    m_editor.setLoading(false);
}

// A close that came during the poll was held back; it goes ahead from the event loop, once
// nothing of the poll is left on the stack.
void PanelController::getSettingsFromUnit()
{
    m_poller.poll();
    if (m_closeRequested && !m_poller.isRunning())
        QMetaObject::invokeMethod(&m_window, &QWidget::close, Qt::QueuedConnection);
}

// activated() comes only from the operator, also for the item already shown: picking the
// port in use again opens it anew and polls again, a way to retry after plugging in the unit.
void PanelController::onComportActivated(int index)
{
    if (m_editor.isLoading() || m_closeRequested)
        return;
    m_lineLost = false;
    // Whatever opens now, the channels the last port's unit answered are not its channels.
    m_poller.forgetAnswers();
    if (m_comports.pick(m_window.controls().cmbComports->itemText(index)))
        getSettingsFromUnit();
}

// F5: the port shown is picked again, which opens it anew and polls.
void PanelController::readUnitAgain()
{
    const int shown = m_window.controls().cmbComports->currentIndex();
    if (shown >= 0)
        onComportActivated(shown);
}

// A port the link is bringing back after a failure, or one whose line was lost, is still the
// one in use until the operator picks a port.
void PanelController::onComportsOpening()
{
    const bool held = m_link.isOpen() || m_lineLost;
    m_comports.refresh(held ? static_cast<qint16>(m_port->portNumber()) : 0);
    tellIfNoPort();
}

void PanelController::tellIfNoPort()
{
    if (m_portManager.portCount() < 1)
        emit operatorNotice(noPortNotice());
}

// The window shows only what the operator must act on; a terminal shows every step.
void PanelController::reportRecovery(bool reopened)
{
    report(reopened ? QStringLiteral("the line failed and was opened again")
                    : QStringLiteral("the line failed; waiting for the same adapter to return"));
}

void PanelController::reportLineLost()
{
    report(QStringLiteral("the line failed; the port stays closed until it is picked again"));
    m_lineLost = true;
    m_linkNotice.noteLineLost();
}

void PanelController::reportDroppedFrames(const QByteArrayList &frames)
{
    report(QStringLiteral("%1 frame(s) did not reach the unit").arg(frames.size()));
    m_linkNotice.noteDropped(frames);
}

void PanelController::report(const QString &line)
{
    if (m_platform.diagnostic)
        m_platform.diagnostic(describePort(m_comports.selectedPort(), m_port->deviceName()) +
                              QStringLiteral(": ") + line);
}

void PanelController::tellOperator(const QString &text)
{
    if (m_platform.diagnostic)
        m_platform.diagnostic(text);
    emit operatorNotice(text);
}

bool PanelController::mayClose()
{
    if (!m_poller.isRunning())
        return true;
    m_closeRequested = true;
    m_poller.cancel();
    return false;
}

void PanelController::unload()
{
    m_tmrStartup->stop();
    m_settingsFile.write(m_table);
    m_placement.store(m_window);
}

} // namespace qm
