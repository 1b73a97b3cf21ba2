#pragma once

#include "link/SetupSession.h"
#include "link/UnitLine.h"
#include "model/ChannelTable.h"
#include "model/UnitModel.h"
#include "protocol/FileOutput.h"

#include <QObject>
#include <QPointer>
#include <QProgressDialog>

#include <functional>

class QAction;

namespace qm {

class ChannelEditor;
class MainWindow;
class MessageBoxes;
class Poller;
class SetupDialogs;

// "Save Setup..." and "Load Setup..." of a main window, on its context menu and Ctrl+S and
// Ctrl+O, which the "Control:" frame's tool tip names: saves the channels that answered on the port
// in use to a setup file as the unit last reported them, and loads one by sending those of its
// channels that answered and differ from what the unit holds, reading them back and naming
// what did not take. The transfer runs on timers under a progress dialog, so the window keeps
// drawing while the unit is busy; a line that fails ends it, and a lost one keeps it from
// starting.
class SetupTransfer : public QObject
{
    Q_OBJECT
public:
    struct Panel
    {
        MainWindow &window;
        const UnitModel &model;
        const ChannelTable &table; // the window's, with its edits and repairs
        UnitLine &line;
        ReplyReceiver &receiver;
        ChannelEditor &editor;
        const Poller &poller;
        MessageBoxes &messageBoxes;
        FileOutput &fileOutput;
        SetupDialogs &dialogs;
        std::function<void()> readUnitAgain; // F5, which returns once the unit has been read
    };

    explicit SetupTransfer(Panel panel, QObject *parent = nullptr);
    ~SetupTransfer() override;

    void save();
    void load();
    bool isBusy() const { return m_session.isRunning(); }
    // Open while a loaded setup goes to the unit.
    QProgressDialog *progressDialog() const { return m_progress; }

signals:
    // The loaded channels have been read back and the outcome shown.
    void loadFinished();
    // Every channel sent took the setup: a word for the operator, who needs no box to close.
    void succeeded(const QString &text);

private:
    QAction *addAction(const QString &name, const QString &text, const QKeySequence &keys);
    void showMenu(const QPoint &position);
    QString menuHint() const;
    bool mayStart();
    bool refuseOnLineTrouble();
    QString lineTrouble() const;
    void tell(const QString &text);
    void warn(const QString &text);
    const ChannelSettings &unitReported(int index) const;
    QList<int> heldOtherwise(const QList<int> &channels) const;
    QString describeHeldOtherwise(const QList<int> &channels) const;
    bool readAgainIfWanted();
    void writeSetup(const QString &path);
    bool needsSending(const Setup &setup, int index) const;
    bool refuseUnrestorable(const QString &path, const Setup &setup, const QList<int> &channels);
    QString describeChanges(const Setup &setup, const QList<int> &channels,
                            const QList<int> &skipped) const;
    void send(const Setup &setup, const QList<int> &channels);
    void showProgress(SetupSession::Step step, int done, int count);
    void finish();
    QStringList describeOutcome() const;

    Panel m_panel;
    SetupSession m_session;
    QAction *m_saveAction;
    QAction *m_loadAction;
    // What the window had before the transfer gave it its menu and the frame its tip.
    Qt::ContextMenuPolicy m_windowMenuPolicy = Qt::DefaultContextMenu;
    QString m_frameTip;
    QPointer<QProgressDialog> m_progress;
};

} // namespace qm
