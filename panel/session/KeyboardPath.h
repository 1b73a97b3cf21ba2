#pragma once

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

class QShortcut;
class QWidget;

namespace qm {

class ChannelEditor;
struct MainWindowControls;

// The main window's keys beside the mouse, wherever the keyboard is in it: F5 reads the unit
// again, Alt+PgDn and Alt+PgUp choose the next and previous channel that answered and Ctrl+1
// to Ctrl+9 choose channels 1 to 9, each exactly as a mouse release on that channel's selector
// would; Ctrl+PgDn and Ctrl+PgUp (or Ctrl+Tab and Ctrl+Shift+Tab) turn the settings pages and
// Shift+F10 opens the menu the Menu key opens. The keys, and the selectors' tips that name
// them, live in the window but go with this object, which must not outlive the window or the
// editor.
class KeyboardPath : public QObject
{
    Q_OBJECT
public:
    KeyboardPath(QWidget &window, const MainWindowControls &controls, const ChannelEditor &editor,
                 std::function<void()> readUnitAgain);
    ~KeyboardPath() override;

private:
    void addShortcut(QWidget &window, const QKeySequence &keys, std::function<void()> action);
    void choose(int index);
    void turnPage(int step);
    void openContextMenu();
    // The nearest channel that answered in this direction, round the end; none gives -1.
    int answeredChannelFrom(int index, int step) const;
    void describeShortcuts();

    QWidget &m_window;
    const MainWindowControls &m_controls;
    const ChannelEditor &m_editor;
    std::vector<std::unique_ptr<QShortcut>> m_shortcuts;
    QStringList m_selectorTips; // as the window had them
};

} // namespace qm
