#include "panel/session/KeyboardPath.h"

#include "model/ChannelTable.h"
#include "panel/editor/ChannelEditor.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/MainWindowControls.h"

#include <QKeySequence>
#include <QShortcut>
#include <QWidget>

namespace qm {

namespace {

// Channels 1 to 9 have a digit of their own.
constexpr int ChannelsWithDigits = 9;

} // namespace

KeyboardPath::KeyboardPath(QWidget &window, const MainWindowControls &controls,
                           const ChannelEditor &editor, std::function<void()> readUnitAgain)
    : m_controls(controls), m_editor(editor)
{
    addShortcut(window, QKeySequence(Qt::Key_F5), std::move(readUnitAgain));
    // Ctrl+PgDn and Ctrl+PgUp stay with the tab control.
    addShortcut(window, QKeySequence(Qt::ALT | Qt::Key_PageDown),
                [this] { choose(answeredChannelFrom(m_editor.currentChannel(), 1)); });
    addShortcut(window, QKeySequence(Qt::ALT | Qt::Key_PageUp),
                [this] { choose(answeredChannelFrom(m_editor.currentChannel(), -1)); });
    for (int index = 0; index < ChannelsWithDigits; ++index)
        addShortcut(window, QKeySequence(Qt::CTRL | (Qt::Key_1 + index)),
                    [this, index] { choose(index); });
    describeShortcuts();
}

KeyboardPath::~KeyboardPath() = default;

void KeyboardPath::addShortcut(QWidget &window, const QKeySequence &keys,
                               std::function<void()> action)
{
    auto &shortcut = m_shortcuts.emplace_back(std::make_unique<QShortcut>(keys, &window));
    connect(shortcut.get(), &QShortcut::activated, this, std::move(action));
}

void KeyboardPath::choose(int index)
{
    if (!ChannelTable::isValidIndex(index))
        return;
    m_controls.channelSelectors[static_cast<std::size_t>(index)]->choose();
}

int KeyboardPath::answeredChannelFrom(int index, int step) const
{
    const int count = ChannelTable::size();
    for (int distance = 1; distance <= count; ++distance) {
        const int candidate = ((index + step * distance) % count + count) % count;
        const ChannelSelector *selector =
            m_controls.channelSelectors[static_cast<std::size_t>(candidate)];
        if (selector->isEnabled())
            return candidate;
    }
    return -1;
}

void KeyboardPath::describeShortcuts()
{
    for (ChannelSelector *selector : m_controls.channelSelectors) {
        const int channel = selector->index() + 1;
        QString tip = QStringLiteral("Channel %1").arg(channel);
        if (channel <= ChannelsWithDigits)
            tip += QStringLiteral(": Ctrl+%1").arg(channel);
        selector->setToolTip(tip + QStringLiteral("; next, previous channel: Alt+PgDn, Alt+PgUp"));
    }
}

} // namespace qm
