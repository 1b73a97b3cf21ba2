#include "position/WindowPointer.h"

#include <QWidget>

namespace qm {

WindowPointer::WindowPointer(QWidget *window) : m_window(window) {}

void WindowPointer::setMode(Mode mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    apply();
}

void WindowPointer::setCustomImage(const QCursor &image)
{
    m_customImage = image;
    if (m_mode == Mode::Custom)
        apply();
}

void WindowPointer::apply()
{
    if (m_mode == Mode::Custom)
        m_window->setCursor(m_customImage);
    else
        m_window->unsetCursor();
}

} // namespace qm
