#pragma once

#include "model/ChannelTable.h"
#include "panel/editor/LastPressWatch.h"
#include "panel/editor/SelectAllOnFocus.h"
#include "panel/editor/SettingBinder.h"
#include "panel/window/MainWindowControls.h"
#include "panel/window/WindowDescription.h"
#include "position/PositionEditor.h"
#include "position/PositionHost.h"
#include "position/PositionLayout.h"
#include "preferences/Preferences.h"
#include "protocol/CommandSender.h"

#include <QObject>

#include <memory>

class QWidget;

namespace qm {

// Shows one channel at a time in the main window and turns every edit of its settings into
// the record of the shown channel and, as the update policy says, a frame to the unit. It
// owns the shown channel, the update policy and the window's Loading flag, which keeps the
// program's own filling of the controls from being taken for edits.
class ChannelEditor : public QObject, public PositionHost
{
    Q_OBJECT
public:
    // rows: the window's description, whose bindings name the setting controls.
    ChannelEditor(const std::vector<WindowRow> &rows, QWidget *window,
                  const MainWindowControls &controls, const PositionLayout &layout,
                  ChannelTable &table, CommandSender &sender, Preferences &preferences,
                  const QString &cursorFolder, QObject *parent = nullptr);

    // Marks the channel's selector, makes it the current channel and shows it. An index
    // outside 0..11 changes nothing.
    void selectChannel(int index);
    void clearButtons();
    // Fills every setting control from the channel's record, repairing in the record what
    // the controls cannot show, with Loading held so that nothing is stored or sent.
    void showChannel(int index);
    // Update is usable exactly when edits are not sent at once (en other than 1).
    void enableUpdateButton(qint16 en);
    // Takes the policy read at start-up, shows it in the check box and sets Update from it.
    void applyUpdatePolicy(qint16 updateImmediately);
    void sendText(int index, int line);
    // The text line as the window shows it; empty for a line the window lacks.
    QString shownText(int line) const;

    // What the operator set in one record and not in the other, by the controls' names.
    QStringList settingDifferences(const ChannelSettings &a, const ChannelSettings &b) const
    {
        return m_settings.differences(a, b);
    }

    PositionEditor &positionEditor() { return *m_positionEditor; }
    // The channel shown, 0 to 11; channel 1 until one is selected.
    qint16 currentChannel() const { return m_currentChannel; }

    ChannelSettings &currentRecord() override;
    bool isLoading() const override { return m_loading; }
    void setLoading(bool loading) override { m_loading = loading; }
    // 1 sends each edit at once; anything else waits for Update.
    qint16 updateImmediately() const override { return m_updateImmediately; }
    void sendCurrentData() override;

private:
    void connectSelectors();
    void connectSettings();
    void connectUpdatePolicy();
    void watchPointerAndFocus(QWidget *window);
    void watchTabControl();

    void onSelectorReleased(int index);
    void onSettingEdited(const BoundSetting &setting);
    bool editedFromKeyboard(const BoundSetting &setting) const;
    void sendSetting(const SettingBinding &binding);
    void onUpdateImmediatelyClicked(bool checked);
    void onUpdateClicked();
    void showSetting(const BoundSetting &setting, ChannelSettings &record);

    MainWindowControls m_controls;
    ChannelTable &m_table;
    CommandSender &m_sender;
    Preferences &m_preferences;
    SettingBinder m_settings;
    std::unique_ptr<PositionEditor> m_positionEditor;
    SelectAllOnFocus m_selectAllOnFocus;
    LastPressWatch m_lastPress;
    qint16 m_currentChannel = 0;
    qint16 m_updateImmediately = 1;
    bool m_loading = false;
};

} // namespace qm
