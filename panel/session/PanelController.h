#pragma once

#include "link/UnitConnection.h"
#include "model/ChannelTable.h"
#include "panel/editor/ChannelEditor.h"
#include "panel/ports/ComportList.h"
#include "panel/ports/DeviceServerDialog.h"
#include "panel/ports/LineFailureReport.h"
#include "panel/ports/PortAdvice.h"
#include "panel/ports/UnitSearch.h"
#include "panel/session/KeyboardPath.h"
#include "panel/session/MultiUpdateButton.h"
#include "panel/session/PanelPlatform.h"
#include "panel/session/PollDisplay.h"
#include "panel/session/PopupOpeningWatch.h"
#include "panel/session/WindowPlacement.h"
#include "panel/transfer/ChannelExportWriter.h"
#include "panel/transfer/SetupTransfer.h"
#include "panel/window/LineMark.h"
#include "panel/window/NoticePane.h"
#include "preferences/Preferences.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QTimer;

namespace qm {

class MainWindow;
class MessageBoxes;

// Gives a main window its life by wiring it to the panel's parts and its connection to the
// unit: runs the start-up sequence on the window's first timer tick, polls the unit, reopens the
// port the operator picks (in the list, or among those a search for the unit found), tells the
// operator when the line is lost, runs the multi-channel update, and as the window closes writes
// the model's settings file and keeps the window's place. A close asked for during a poll ends
// the poll first and happens once the poll has returned.
class PanelController : public QObject
{
    Q_OBJECT
public:
    static constexpr int StartupIntervalMs = 10;

    // Places the window where it stood last time; call before the window is shown. The window
    // must outlive the controller: what the controller adds to it goes with the controller.
    PanelController(MainWindow &window, PanelPlatform platform, QObject *parent = nullptr);
    ~PanelController() override;

    const ChannelTable &channelTable() const { return m_table; }
    const ChannelEditor &channelEditor() const { return m_editor; }
    const Poller &poller() const { return m_connection.poller(); }
    const ComportList &comportList() const { return m_comports; }
    bool isLoading() const { return m_editor.isLoading(); }
    // Save and Load Setup; nullptr when the platform gives no file dialogs.
    SetupTransfer *setupTransfer() const { return m_setupTransfer.get(); }
    // Find the Unit.
    UnitSearch &unitSearch() const { return *m_unitSearch; }
    // Starts Find the Unit as its action does, for whatever else offers it (a notice's link).
    void findUnit();

    // Picks the port as choosing its item in "Serial Port:" does; when the list does not offer
    // it, the list looks at the ports again first. Nothing happens for a port not found then.
    void pickPort(int port);
    // Gives the port number the device server at the address, in the preferences and in the
    // panel's ports, and picks it.
    void useDeviceServer(int port, const QString &address);
    // "Use a Device Server..." (the window's context menu): open until answered or cancelled.
    DeviceServerDialog *deviceServerDialog() const { return m_deviceServerDialog; }

    // The system asked the program to end (a signal): the close that follows asks nothing,
    // since no one may be there to answer; what it has to tell goes to standard error only.
    void endWithoutQuestions();

signals:
    // Something the operator should read that needs no answer: a port that cannot be used
    // and the cure, a port entry that could not be read, preferences that are not being
    // saved. The window shows it; apart from the port's own, each is on standard error too.
    void operatorNotice(const QString &text);
    // The operator asked for the unit to be looked for on every port ("Find the Unit" in the
    // notice that no channel answered, or that the stored port is not there).
    void findUnitRequested();

private:
    void connectLine();
    void connectNotices();
    void offerSetupTransfer();
    void offerUnitSearch();
    void offerDeviceServer();
    void onStartupTick();
    void startUp();
    void getSettingsFromUnit();
    void onComportActivated(int index);
    void readUnitAgain();
    void onComportsOpening();
    void askForDeviceServer();
    int portForDeviceServer();
    void tellIfNoPort();
    void tellIfStoredPortMissing(qint16 storedPort);
    void tellIfUnitSilent(int channelsFound);
    void reportRecovery(bool reopened);
    void reportLineLost();
    void reportDroppedFrames(const QByteArrayList &frames);
    QStringList editsLost(int index) const;
    void report(const QString &line);
    void tellOperator(const QString &text);
    bool mayClose();
    void unload();

    MainWindow &m_window;
    const UnitModel &m_model;
    PanelPlatform m_platform;
    ChannelTable m_table;
    Preferences m_preferences;
    PortOverrides m_portOverrides;
    UnitConnection m_connection;
    std::unique_ptr<MessageBoxes> m_messageBoxes;
    ChannelEditor m_editor;
    ComportList m_comports;
    PollDisplay m_pollDisplay;
    PopupOpeningWatch m_comportsOpening;
    MultiUpdateButton m_multipleUpdate;
    ChannelExportWriter m_settingsFile;
    WindowPlacement m_placement;
    std::unique_ptr<NoticePane> m_noticePane;
    PortAdvice m_portAdvice;
    std::unique_ptr<LineMark> m_lineMark;
    LineFailureReport m_lineFailure;
    KeyboardPath m_keyboardPath;
    QTimer *m_tmrStartup;
    std::unique_ptr<SetupTransfer> m_setupTransfer;
    std::unique_ptr<UnitSearch> m_unitSearch;
    QPointer<DeviceServerDialog> m_deviceServerDialog;
    bool m_closeRequested = false;
};

} // namespace qm
