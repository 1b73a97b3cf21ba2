#pragma once

#include <QList>
#include <QPoint>
#include <QRect>

class QWidget;

namespace qm {

class Preferences;

// The main window's place on the desktop between runs, kept in twips. A stored coordinate
// that no screen can show any more (a monitor unplugged, a smaller desktop) gives way to the
// default, so the window never opens out of the operator's reach.
class WindowPlacement
{
public:
    // Height of the strip along the window's top edge that the operator grabs to move it.
    static constexpr int TitleBarHeight = 24;
    // How much of that strip must lie on one screen for the window to count as reachable.
    static constexpr int MinimumGripWidth = 48;
    static constexpr int MinimumGripHeight = 12;

    explicit WindowPlacement(Preferences &preferences);

    // Moves the window (frame included) to its stored place; call before it is first shown.
    void restore(QWidget &window);
    // Stores the window's current place, top first.
    void store(const QWidget &window);

    static bool isReachable(const QRect &titleBar, const QList<QRect> &screenAreas);

private:
    static QPoint reachablePlace(QPoint twips, int windowWidth);

    Preferences &m_preferences;
    QPoint m_storedTwips;
    QPoint m_restoredPixels;
};

} // namespace qm
