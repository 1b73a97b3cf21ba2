#include "WindowPlacement.h"

#include "Preferences.h"
#include "Twips.h"

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
    const QPoint defaultTwips(Preferences::DefaultFormPosition, Preferences::DefaultFormPosition);
    QPoint twips = m_preferences.formPosition();
    const QRect titleBar(twipsToPixels(twips), QSize(window.width(), TitleBarHeight));
    const QList<QRect> screens = availableScreenAreas();
    if (!screens.isEmpty() && !isReachable(titleBar, screens))
        twips = defaultTwips;

    m_restoredTwips = twips;
    m_restoredPixels = twipsToPixels(twips);
    window.move(m_restoredPixels);
}

// A window that stayed where it was put keeps the twips it was read with, so an unmoved
// window does not creep by a pixel's rounding from run to run.
void WindowPlacement::store(const QWidget &window)
{
    const QPoint pixels = window.pos();
    const QPoint twips = pixels == m_restoredPixels ? m_restoredTwips : pixels * TwipsPerPixel;
    m_preferences.storeFormPosition(twips);
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
