#pragma once

#include <QCursor>

class QWidget;

namespace qm {

// The main window's mouse pointer: either the system arrow or the window's one custom image.
// Controls that bring no pointer of their own (the position grid among them) show whatever the
// window shows; changing the image while it is in use changes the pointer on screen at once.
class WindowPointer
{
public:
    enum class Mode
    {
        Default,
        Custom,
    };

    explicit WindowPointer(QWidget *window);

    Mode mode() const { return m_mode; }
    void setMode(Mode mode);
    const QCursor &customImage() const { return m_customImage; }
    void setCustomImage(const QCursor &image);

private:
    void apply();

    QWidget *m_window;
    Mode m_mode = Mode::Default;
    QCursor m_customImage;
};

} // namespace qm
