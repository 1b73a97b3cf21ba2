#include "panel/session/KeyboardPath.h"

#include "model/ChannelTable.h"
#include "panel/editor/ChannelEditor.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/MainWindowControls.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QKeySequence>
#include <QShortcut>
#include <QTabWidget>
#include <QWidget>
#include <QWindow>

namespace qm {

namespace {

// Channels 1 to 9 have a digit of their own.
constexpr int ChannelsWithDigits = 9;

} // namespace

KeyboardPath::KeyboardPath(QWidget &window, const MainWindowControls &controls,
                           const ChannelEditor &editor, std::function<void()> readUnitAgain)
    : m_window(window), m_controls(controls), m_editor(editor)
{
    addShortcut(window, QKeySequence(Qt::Key_F5), std::move(readUnitAgain));
    // The tab control turns its pages only while it holds the keyboard itself, and the
    // keyboard is mostly with the hidden arrow-key field.
    for (const QKeySequence &keys :
         {QKeySequence(Qt::CTRL | Qt::Key_PageDown), QKeySequence(Qt::CTRL | Qt::Key_Tab)})
        addShortcut(window, keys, [this] { turnPage(1); });
    for (const QKeySequence &keys : {QKeySequence(Qt::CTRL | Qt::Key_PageUp),
                                     QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab)})
        addShortcut(window, keys, [this] { turnPage(-1); });
    addShortcut(window, QKeySequence(Qt::SHIFT | Qt::Key_F10), [this] { openContextMenu(); });
    addShortcut(window, QKeySequence(Qt::ALT | Qt::Key_PageDown),
                [this] { choose(answeredChannelFrom(m_editor.currentChannel(), 1)); });
    addShortcut(window, QKeySequence(Qt::ALT | Qt::Key_PageUp),
                [this] { choose(answeredChannelFrom(m_editor.currentChannel(), -1)); });
    for (int index = 0; index < ChannelsWithDigits; ++index)
        addShortcut(window, QKeySequence(Qt::CTRL | (Qt::Key_1 + index)),
                    [this, index] { choose(index); });
    describeShortcuts();
}

KeyboardPath::~KeyboardPath()
{
    for (ChannelSelector *selector : m_controls.channelSelectors)
        selector->setToolTip(m_selectorTips.value(selector->index()));
}

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

// Round the ends, as the strip's own Ctrl+Tab goes; a disabled tab control turns no page.
void KeyboardPath::turnPage(int step)
{
    QTabWidget *tabs = m_controls.sstSettings;
    const int count = tabs->count();
    if (tabs->isEnabled() && count > 0)
        tabs->setCurrentIndex(((tabs->currentIndex() + step) % count + count) % count);
}

// What the Menu key does: the window passes it to the control that has the keyboard, which
// opens a menu of its own or hands it on to the window's.
void KeyboardPath::openContextMenu()
{
    QWindow *handle = m_window.windowHandle();
    if (!handle)
        return;
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, {}, {});
    QCoreApplication::sendEvent(handle, &menuKey);
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
        m_selectorTips << selector->toolTip();
        const int channel = selector->index() + 1;
        QString tip = QStringLiteral("Channel %1").arg(channel);
        if (channel <= ChannelsWithDigits)
            tip += QStringLiteral(": Ctrl+%1").arg(channel);
        selector->setToolTip(tip + QStringLiteral("; next, previous channel: Alt+PgDn, Alt+PgUp"));
    }
}

} // namespace qm
