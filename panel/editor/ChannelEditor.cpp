#include "panel/editor/ChannelEditor.h"

#include "panel/editor/MouseButtonWatch.h"
#include "panel/editor/UnitTextValidator.h"
#include "panel/window/Announcer.h"
#include "panel/window/ChannelSelector.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>

namespace qm {

ChannelEditor::ChannelEditor(const std::vector<WindowRow> &rows, QWidget *window,
                             const MainWindowControls &controls, const PositionLayout &layout,
                             ChannelTable &table, CommandSender &sender, Preferences &preferences,
                             const QString &cursorFolder, QObject *parent)
    : QObject(parent), m_controls(controls), m_table(table), m_sender(sender),
      m_preferences(preferences), m_settings(rows, window),
      m_positionEditor(std::make_unique<PositionEditor>(controls.framePosition, controls.txtMove,
                                                        window, layout, *this, cursorFolder))
{
    connectSelectors();
    connectSettings();
    connectUpdatePolicy();
    watchPointerAndFocus(window);
    watchTabControl();
}

void ChannelEditor::selectChannel(int index)
{
    if (!ChannelTable::isValidIndex(index))
        return;
    clearButtons();
    m_controls.channelSelectors[static_cast<std::size_t>(index)]->setSelectedLook(true);
    m_currentChannel = static_cast<qint16>(index);
    showChannel(index);
}

void ChannelEditor::clearButtons()
{
    for (ChannelSelector *selector : m_controls.channelSelectors)
        selector->setSelectedLook(false);
}

void ChannelEditor::showChannel(int index)
{
    m_loading = true;
    if (ChannelTable::isValidIndex(index)) {
        ChannelSettings &record = m_table[index];
        for (const BoundSetting &setting : m_settings.settings())
            showSetting(setting, record);
        m_positionEditor->placePositionMarker(record[Field::HorizPos], record[Field::VertPos]);
    }
    m_loading = false;
}

void ChannelEditor::showSetting(const BoundSetting &setting, ChannelSettings &record)
{
    if (setting.binding.kind == SettingKind::Position)
        m_positionEditor->showPosition(record);
    else
        m_settings.show(setting, record);
}

void ChannelEditor::enableUpdateButton(qint16 en)
{
    m_controls.cmdUpdate->setEnabled(en != 1);
}

// The box's own change handler runs for this too; Loading keeps it from taking the value
// for the operator's choice and storing it again.
void ChannelEditor::applyUpdatePolicy(qint16 updateImmediately)
{
    m_updateImmediately = updateImmediately;
    const bool wasLoading = m_loading;
    m_loading = true;
    m_controls.chkUpdateImmediately->setChecked(updateImmediately == 1);
    m_loading = wasLoading;
    enableUpdateButton(updateImmediately);
}

void ChannelEditor::sendText(int index, int line)
{
    m_sender.sendText(index, line, shownText(line));
}

QString ChannelEditor::shownText(int line) const
{
    const QLineEdit *field = m_settings.textLine(line);
    return field ? field->text() : QString();
}

ChannelSettings &ChannelEditor::currentRecord()
{
    return m_table[m_currentChannel];
}

void ChannelEditor::sendCurrentData()
{
    m_sender.sendData(m_currentChannel);
}

void ChannelEditor::connectSelectors()
{
    for (ChannelSelector *selector : m_controls.channelSelectors)
        connect(selector, &ChannelSelector::released, this, &ChannelEditor::onSelectorReleased);
}

void ChannelEditor::connectSettings()
{
    for (const BoundSetting &setting : m_settings.settings())
        m_settings.onChange(setting, this, [this, setting] { onSettingEdited(setting); });
}

void ChannelEditor::connectUpdatePolicy()
{
    connect(m_controls.chkUpdateImmediately, &QCheckBox::toggled, this,
            &ChannelEditor::onUpdateImmediatelyClicked);
    connect(m_controls.cmdUpdate, &QPushButton::clicked, this, &ChannelEditor::onUpdateClicked);
}

// A text line takes only what reaches the unit as typed, and selects itself when focused.
void ChannelEditor::watchPointerAndFocus(QWidget *window)
{
    for (int line = 0; line < TextLineCount; ++line) {
        if (QLineEdit *field = m_settings.textLine(line)) {
            m_selectAllOnFocus.watch(field);
            new UnitTextValidator(field, m_sender.model());
        }
    }
    if (window)
        m_positionEditor->resetPointerOnMouseMove(window);
    m_positionEditor->resetPointerOnMouseMove(m_controls.controlFrame);
}

// A press on the tab control gives back the arrow pointer and the release hands the arrow
// keys to the position editor, on the tabs and on the pages' bare areas alike.
void ChannelEditor::watchTabControl()
{
    QTabWidget *tabs = m_controls.sstSettings;
    if (!tabs)
        return;
    auto *watch =
        new MouseButtonWatch([this] { m_positionEditor->resetPointer(); },
                             [this] { m_positionEditor->enablePositionGrid(true); }, this);
    watch->watch(tabs);
    watch->watch(tabs->tabBar());
}

// The selectors show the channel by their look alone; readers hear it from the announcer.
void ChannelEditor::onSelectorReleased(int index)
{
    m_positionEditor->enablePositionGrid(true);
    selectChannel(index);
    m_controls.channelAnnouncer->announce(QStringLiteral("Channel %1").arg(index + 1));
}

// Every setting edit takes this one path. Typing in a text line leaves the keyboard there,
// and so does a change made from the keyboard in the control that has it, where readers speak
// the new value and the next key goes on; any other change hands the keyboard to the arrow
// keys of the position editor. The grid's look follows the last control touched, also when
// the program fills the controls itself.
void ChannelEditor::onSettingEdited(const BoundSetting &setting)
{
    m_positionEditor->enablePositionGrid(setting.binding.kind != SettingKind::TextLine &&
                                         !editedFromKeyboard(setting));
    if (m_loading)
        return;
    m_settings.store(setting, currentRecord());
    if (m_updateImmediately == 1)
        sendSetting(setting.binding);
}

bool ChannelEditor::editedFromKeyboard(const BoundSetting &setting) const
{
    const bool focused =
        setting.control->hasFocus() || (setting.partner && setting.partner->hasFocus());
    return !m_loading && m_lastPress.wasKey() && focused;
}

void ChannelEditor::sendSetting(const SettingBinding &binding)
{
    if (binding.kind == SettingKind::TextLine)
        sendText(m_currentChannel, binding.line);
    else
        m_sender.sendField(m_currentChannel, binding.field);
}

void ChannelEditor::onUpdateImmediatelyClicked(bool checked)
{
    if (!m_loading) {
        m_updateImmediately = checked ? 1 : 0;
        m_preferences.storeUpdateImmediately(m_updateImmediately);
        enableUpdateButton(m_updateImmediately);
    }
    m_positionEditor->enablePositionGrid(true);
}

void ChannelEditor::onUpdateClicked()
{
    std::array<QString, TextLineCount> texts;
    for (int line = 0; line < TextLineCount; ++line)
        texts[static_cast<std::size_t>(line)] = shownText(line);
    m_sender.sendUpdate(m_currentChannel, texts);
    m_positionEditor->enablePositionGrid(true);
}

} // namespace qm
