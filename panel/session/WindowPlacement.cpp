#include "panel/session/WindowPlacement.h"

#include "model/Twips.h"
#include "preferences/Preferences.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace qm {

namespace {

QPoint twipsToPixels(QPoint twips)
{
    return {qm::twipsToPixels(twips.x()), qm::twipsToPixels(twips.y())};
}

QList<QRect> availableScreenAreas()
{
    QList<QRect> areas;
    for (const QScreen *screen : QGuiApplication::screens())
        areas << screen->availableGeometry();
    return areas;
}

} // namespace

WindowPlacement::WindowPlacement(Preferences &preferences) : m_preferences(preferences) {}

void WindowPlacement::restore(QWidget &window)
{
    m_storedTwips = m_preferences.formPosition();
    m_restoredPixels = twipsToPixels(reachablePlace(m_storedTwips, window.width()));
    window.move(m_restoredPixels);
}

// A window that stayed where it was put leaves the stored place as it was read: an unmoved
// window does not creep by a pixel's rounding from run to run, and a place that no screen
// shows today is still there for the day its screen comes back.
void WindowPlacement::store(const QWidget &window)
{
    const QPoint pixels = window.pos();
    const QPoint twips = pixels == m_restoredPixels ? m_storedTwips : pixels * TwipsPerPixel;
    m_preferences.storeFormPosition(twips);
}

// Only the coordinate that puts the title bar off every screen gives way to the default;
// when neither alone brings it back, both do.
QPoint WindowPlacement::reachablePlace(QPoint twips, int windowWidth)
{
    const QList<QRect> screens = availableScreenAreas();
    const auto reachable = [&screens, windowWidth](QPoint place) {
        return screens.isEmpty() ||
               isReachable(QRect(twipsToPixels(place), QSize(windowWidth, TitleBarHeight)),
                           screens);
    };
    const int fallback = Preferences::DefaultFormPosition;
    for (const QPoint place : {twips, QPoint(twips.x(), fallback), QPoint(fallback, twips.y())}) {
        if (reachable(place))
            return place;
    }
    return {fallback, fallback};
}

bool WindowPlacement::isReachable(const QRect &titleBar, const QList<QRect> &screenAreas)
{
    return std::any_of(screenAreas.begin(), screenAreas.end(), [&titleBar](const QRect &area) {
        const QRect onScreen = area.intersected(titleBar);
        return onScreen.width() >= std::min(MinimumGripWidth, titleBar.width()) &&
               onScreen.height() >= MinimumGripHeight;
    });
}

} // namespace qm
