#include "panel/session/PanelController.h"

#include "link/NetworkAddress.h"
#include "link/PortMap.h"
#include "panel/window/MainWindow.h"
#include "panel/window/MessageBoxes.h"
#include "protocol/FrameNames.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace qm {

namespace {

// The notice may cover the settings while it is read, never the buttons below them.
int noticeBottom(const MainWindowControls &controls)
{
    constexpr int Gap = 6;
    return controls.cmdClose->geometry().top() - Gap;
}

} // namespace

PanelController::PanelController(MainWindow &window, PanelPlatform platform, QObject *parent)
    : QObject(parent), m_window(window), m_model(*window.description().model),
      m_platform(std::move(platform)), m_preferences(*m_platform.preferencesStore),
      m_portOverrides(m_preferences.portOverrides()),
      m_connection(m_model, m_table, PortMap(m_portOverrides.devices, m_portOverrides.withheld),
                   m_platform.makeSerialPort, *m_platform.waiter, m_platform.diagnostic),
      m_messageBoxes(m_platform.makeMessageBoxes(&window)),
      m_editor(window.description().controls, &window, window.controls(),
               window.description().positionLayout, m_table, m_connection.sender(), m_preferences,
               m_platform.cursorFolder),
      m_comports(*window.controls().cmbComports, m_connection.portManager(), m_connection.prober(),
                 m_preferences, *m_messageBoxes,
                 {[this](int port) { return m_connection.portMap().devicePath(port); },
                  m_platform.describeAdapter, m_model.baudRate}),
      m_pollDisplay(window.controls(), m_comports, m_editor, m_connection.poller(),
                    m_connection.receiver()),
      m_comportsOpening(*window.controls().cmbComports, [this] { onComportsOpening(); }),
      m_multipleUpdate(*window.controls().cmdUpdateMultiple,
                       {window, m_model, m_table, m_preferences, m_connection.sender(), m_editor,
                        m_connection.poller()}),
      m_settingsFile(m_model, m_platform.fileOutput.get(), m_platform.programFolder,
                     m_platform.dataFolder, *m_messageBoxes, window.windowTitle(),
                     m_platform.diagnostic),
      m_placement(m_preferences),
      m_noticePane(std::make_unique<NoticePane>(*window.controls().frameConnecting,
                                                noticeBottom(window.controls()))),
      m_portAdvice(*m_noticePane, m_model, m_platform.diagnostic),
      m_lineMark(std::make_unique<LineMark>(*window.controls().cmbComports)),
      m_lineFailure(*m_noticePane, *m_lineMark, [this](int index) { return editsLost(index); }),
      m_keyboardPath(window, window.controls(), m_editor, [this] { readUnitAgain(); }),
      m_tmrStartup(new QTimer(this))
{
    connect(window.controls().cmbComports, &QComboBox::activated, this,
            &PanelController::onComportActivated);
    connect(window.controls().cmdClose, &QPushButton::clicked, this, [this] { m_window.close(); });
    connect(&window, &MainWindow::unloading, this, &PanelController::unload);
    window.setCloseGuard([this] { return mayClose(); });
    connectLine();
    connectNotices();
    m_placement.restore(window);
    offerSetupTransfer();
    offerUnitSearch();
    offerDeviceServer();

    m_tmrStartup->setObjectName(QStringLiteral("tmrStartup"));
    m_tmrStartup->setInterval(StartupIntervalMs);
    connect(m_tmrStartup, &QTimer::timeout, this, &PanelController::onStartupTick);
    m_tmrStartup->start();
}

void PanelController::connectLine()
{
    const SerialLink &link = m_connection.link();
    connect(&link, &SerialLink::recovered, this, &PanelController::reportRecovery);
    connect(&link, &SerialLink::lineLost, this, &PanelController::reportLineLost);
    connect(&link, &SerialLink::framesDropped, this, &PanelController::reportDroppedFrames);
    m_connection.sender().setRefusalHandler([this](const QString &why) { tellOperator(why); });
    m_connection.portManager().setRefusalHandler(
        [this](const PortManager::Refusal &refusal) { m_portAdvice.noteRefusal(refusal); });
}

void PanelController::connectNotices()
{
    const Poller &poller = m_connection.poller();
    // A poll follows a pick of the port; what the window said about the old line no longer holds.
    connect(&poller, &Poller::started, &m_lineFailure, &LineFailureReport::clear);
    m_preferences.setWriteFailureHandler([this](const QString &why) { tellOperator(why); });
    connect(&m_portAdvice, &PortAdvice::portChosen, this, &PanelController::pickPort);
    connect(&m_portAdvice, &PortAdvice::findUnitRequested, this,
            &PanelController::findUnitRequested);
    connect(this, &PanelController::findUnitRequested, this, &PanelController::findUnit);
    connect(this, &PanelController::operatorNotice, m_noticePane.get(), &NoticePane::tell);
    connect(&poller, &Poller::started, m_noticePane.get(), &NoticePane::hold);
    connect(&poller, &Poller::finished, this, &PanelController::tellIfUnitSilent);
    connect(&poller, &Poller::finished, m_noticePane.get(), &NoticePane::release);
    // Frames written to a closed line went nowhere; the lost line's notice says so.
    connect(&m_multipleUpdate, &MultiUpdateButton::ran, this, [this](const QString &text) {
        if (m_connection.line().isOpen())
            tellOperator(text);
    });
}

void PanelController::offerSetupTransfer()
{
    if (!m_platform.setupDialogs || !m_platform.fileOutput)
        return;
    m_setupTransfer = std::make_unique<SetupTransfer>(SetupTransfer::Panel{
        m_window, m_model, m_table, m_connection.line(), m_connection.receiver(), m_editor,
        m_connection.poller(), *m_messageBoxes, *m_platform.fileOutput, *m_platform.setupDialogs,
        [this] {
            readUnitAgain();
        }});
    connect(m_setupTransfer.get(), &SetupTransfer::succeeded, this, &PanelController::tellOperator);
}

// The search asks the panel's own port only while it is lent.
void PanelController::offerUnitSearch()
{
    m_unitSearch = std::make_unique<UnitSearch>(
        UnitSearch::Panel{m_window,
                          m_model,
                          m_connection.poller(),
                          [this] { return m_connection.heldPort(); },
                          [this](int port) { pickPort(port); },
                          {[this](int port) { return m_connection.lend(port); },
                           [this](int port) {
                               m_connection.takeBack(port);
                           }}},
        m_connection.makePort(), m_platform.describeAdapter);
    // A poll (a pick, F5, a transfer's read-back) needs the port: the search gives it back first.
    connect(&m_connection.poller(), &Poller::started, this, [this] {
        if (m_connection.line().isLent())
            m_unitSearch->cancel();
    });
}

void PanelController::offerDeviceServer()
{
    auto *deviceServer = new QAction(QStringLiteral("Use a Device Server..."), this);
    deviceServer->setObjectName(QStringLiteral("actDeviceServer"));
    m_window.addAction(deviceServer);
    connect(deviceServer, &QAction::triggered, this, &PanelController::askForDeviceServer);
}

PanelController::~PanelController()
{
    delete m_deviceServerDialog;
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
    m_noticePane->hold();
    m_editor.setLoading(true);
    m_editor.clearButtons();
    for (const QString &problem : m_portOverrides.problems + m_connection.portMap().problems())
        tellOperator(problem);
    m_editor.positionEditor().loadStartupCursor();
    m_multipleUpdate.restoreSelections();
    const qint16 storedPort = m_preferences.comport();
    m_editor.applyUpdatePolicy(m_preferences.updateImmediately());
    m_portAdvice.beginLook();
    m_connection.portManager().findPorts();
    tellIfNoPort();
    m_comports.populate(storedPort);
    tellIfStoredPortMissing(storedPort);
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
    m_connection.poller().poll();
    if (m_closeRequested && !m_connection.poller().isRunning())
        QMetaObject::invokeMethod(&m_window, &QWidget::close, Qt::QueuedConnection);
}

// activated() comes only from the operator, also for the item already shown: picking the
// port in use again opens it anew and polls again, a way to retry after plugging in the unit.
void PanelController::onComportActivated(int index)
{
    if (m_editor.isLoading() || m_closeRequested)
        return;
    m_connection.line().setLost(false);
    // What a search running now would report would no longer hold, and the port it asks may
    // be the one picked.
    m_unitSearch->cancel();
    // Whatever opens now, the channels the last port's unit answered are not its channels.
    m_connection.poller().forgetAnswers();
    m_portAdvice.beginLook();
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

void PanelController::findUnit()
{
    m_unitSearch->start();
}

void PanelController::pickPort(int port)
{
    int item = m_comports.itemOf(static_cast<qint16>(port));
    if (item < 0) {
        onComportsOpening();
        item = m_comports.itemOf(static_cast<qint16>(port));
    }
    if (item < 0)
        return;
    m_window.controls().cmbComports->setCurrentIndex(item);
    onComportActivated(item);
}

void PanelController::useDeviceServer(int port, const QString &address)
{
    // The search's port is about to be pointed elsewhere, and the pick would end it anyway.
    m_unitSearch->cancel();
    m_preferences.storePortDevice(port, address);
    m_connection.setPortDevice(port, address);
    m_unitSearch->setPortMap(m_connection.portMap());
    pickPort(port);
}

// Window-modal, so that the window is not picked from while the question is open, but the
// event loop runs on.
void PanelController::askForDeviceServer()
{
    if (m_deviceServerDialog)
        return;
    const int port = portForDeviceServer();
    const QString path = m_connection.portMap().devicePath(port);
    m_deviceServerDialog = new DeviceServerDialog(isNetworkAddress(path) ? path : QString(), port,
                                                  m_model.baudRate, &m_window);
    m_deviceServerDialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_deviceServerDialog, &QDialog::accepted, this, [this] {
        useDeviceServer(m_deviceServerDialog->portNumber(), m_deviceServerDialog->address());
    });
    m_deviceServerDialog->open();
}

// A device server already in use is the one to change; otherwise the first number no device
// has, so that no adapter the operator uses is taken away by accident.
int PanelController::portForDeviceServer()
{
    const int selected = m_comports.selectedPort();
    if (isNetworkAddress(m_connection.portMap().devicePath(selected)))
        return selected;
    const int free = m_connection.firstPortWithoutDevice();
    return free != 0 ? free : selected;
}

void PanelController::onComportsOpening()
{
    m_portAdvice.beginLook();
    m_comports.refresh(static_cast<qint16>(m_connection.portInUse()));
    tellIfNoPort();
}

void PanelController::tellIfNoPort()
{
    if (m_connection.portManager().portCount() < 1)
        emit operatorNotice(PortAdvice::noPortText());
}

// Most often the first run with a USB adapter: the stored port is COM1, and the unit is on
// another port.
void PanelController::tellIfStoredPortMissing(qint16 storedPort)
{
    const QList<qint16> &usable = m_connection.portManager().portList();
    if (usable.isEmpty() || usable.contains(storedPort))
        return;
    // The prober names devices as the panel's port does.
    QList<NamedPort> offered;
    for (const qint16 port : usable)
        offered.append(m_connection.probedName(port));
    const NamedPort stored = m_connection.probedName(storedPort);
    m_portAdvice.tellStoredPortMissing(stored, m_connection.prober().deviceExists(), offered);
}

// Only an open port can tell anything of the unit; with none open, the poll asked nothing.
void PanelController::tellIfUnitSilent(int channelsFound)
{
    if (channelsFound == 0 && m_connection.port().isOpen())
        m_portAdvice.tellSilentUnit({m_comports.selectedPort(), m_connection.port().deviceName()});
}

// The window shows only what the operator must act on; a terminal shows every step.
void PanelController::reportRecovery(bool reopened)
{
    report(reopened ? QStringLiteral("the line failed and was opened again")
                    : QStringLiteral("the line failed; waiting for the same adapter to return"));
    m_lineFailure.noteWaiting(!reopened);
}

void PanelController::reportLineLost()
{
    const QString why = m_connection.port().failureText();
    report(QStringLiteral("the line failed%1; the port stays closed until it is picked again")
               .arg(why.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(why)));
    m_lineFailure.noteLineLost(why, !m_connection.port().deviceExists());
}

// Requests that went nowhere ask for nothing the operator set.
void PanelController::reportDroppedFrames(const QByteArrayList &frames)
{
    if (const QString unsent = settingsCarried(frames); !unsent.isEmpty())
        report(QStringLiteral("not sent: ") + unsent);
    m_lineFailure.noteDropped(frames);
}

// The operator's record of the channel against what the unit has of it.
QStringList PanelController::editsLost(int index) const
{
    return m_editor.settingDifferences(m_table[index], m_connection.delivered()[index]);
}

void PanelController::report(const QString &line)
{
    if (m_platform.diagnostic)
        m_platform.diagnostic(
            describePort(m_comports.selectedPort(), m_connection.port().deviceName()) +
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
    if (!m_connection.poller().isRunning())
        return true;
    m_closeRequested = true;
    m_connection.poller().cancel();
    return false;
}

void PanelController::endWithoutQuestions()
{
    m_settingsFile.setMessagesShown(false);
}

void PanelController::unload()
{
    m_tmrStartup->stop();
    // The panel's table as it stands, but what never reached the unit is not written down as
    // if it had.
    m_settingsFile.write(m_connection.delivered());
    m_placement.store(m_window);
}

} // namespace qm
