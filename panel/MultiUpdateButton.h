#pragma once

#include "ChannelTable.h"
#include "CommandSender.h"
#include "Preferences.h"
#include "SharedState.h"
#include "UnitModel.h"
#include "UpdateDialog.h"

#include <QObject>
#include <QPointer>

class QPushButton;
class QWidget;

namespace qm {

class ChannelEditor;
class Poller;

// The main window's "Multiple Update" button: opens the Update Multiple Channels dialog
// centred on the window, keeps every choice made in it at once (Cancel takes none back), and
// when the dialog ends with Update copies the chosen groups of the shown channel to the
// chosen channels and sends each of them. A click during a poll opens the dialog when the
// poll ends. The dialog is modal but has no event loop of its own, so the serial line and
// the window keep running while it is open.
class MultiUpdateButton : public QObject
{
    Q_OBJECT
public:
    struct Panel
    {
        QWidget &window;
        const UnitModel &model;
        ChannelTable &table;
        SharedState &state;
        Preferences &preferences;
        CommandSender &sender;
        const ChannelEditor &editor;
        const Poller &poller;
    };

    MultiUpdateButton(QPushButton &button, Panel panel, QObject *parent = nullptr);
    ~MultiUpdateButton() override;

    // The open dialog, or nullptr.
    UpdateDialog *dialog() const { return m_dialog; }

private:
    void open();
    void openAfterPoll();
    void placeCentred();
    void storeChannelSelection(double mask);
    void storeSettingSelection(double mask);
    void finish();
    void run();

    Panel m_panel;
    QPointer<UpdateDialog> m_dialog;
    bool m_openAfterPoll = false;
};

} // namespace qm
