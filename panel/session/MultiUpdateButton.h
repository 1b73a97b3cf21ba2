#pragma once

#include "model/ChannelTable.h"
#include "model/UnitModel.h"
#include "multiupdate/UpdateDialog.h"
#include "preferences/Preferences.h"
#include "protocol/CommandSender.h"

#include <QObject>
#include <QPointer>
#include <QtGlobal>

class QPushButton;
class QWidget;

namespace qm {

class ChannelEditor;
class Poller;

// The main window's "Multiple Update" button and the two choices of the multi-channel update:
// opens the Update Multiple Channels dialog centred on the window, keeps and stores every
// choice made in it at once (Cancel takes none back), and
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
        Preferences &preferences;
        CommandSender &sender;
        const ChannelEditor &editor;
        const Poller &poller;
    };

    MultiUpdateButton(QPushButton &button, Panel panel, QObject *parent = nullptr);
    ~MultiUpdateButton() override;

    // Takes the choices the preferences hold. A stored number keeps its stored text until the
    // operator changes the choice; the bits read from it are what the dialog and the run use.
    void restoreSelections();
    quint32 channelSelection() const { return m_channelSelection; }
    quint32 settingSelection() const { return m_settingSelection; }

    // The open dialog, or nullptr.
    UpdateDialog *dialog() const { return m_dialog; }

signals:
    // A run went to the line: what it copied to which channels.
    void ran(const QString &text);

private:
    void open();
    void openAfterPoll();
    void placeCentred();
    void storeChannelSelection(quint32 mask);
    void storeSettingSelection(quint32 mask);
    void finish();
    void run();
    QString describeRun(int source) const;

    Panel m_panel;
    QPointer<UpdateDialog> m_dialog;
    // Bit i of the channels chooses channel index i; bit i of the settings, update group i.
    quint32 m_channelSelection = quint32(Preferences::DefaultChannelSelection);
    quint32 m_settingSelection = quint32(Preferences::DefaultSettingSelection);
    bool m_openAfterPoll = false;
};

} // namespace qm
