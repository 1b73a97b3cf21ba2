#pragma once

#include "form/FormBuilder.h"
#include "panel/window/MainWindowControls.h"
#include "panel/window/WindowDescription.h"

#include <QWidget>

#include <functional>

namespace qm {

// A model's main window as its description draws it: every control in place with its
// caption, items and first state, the window fixed in size and disabled. It holds no
// behaviour of its own; a controller gives the controls their meaning.
class MainWindow : public QWidget
{
    Q_OBJECT
public:
    // The description must outlive the window.
    explicit MainWindow(const WindowDescription &description, QWidget *parent = nullptr);

    const WindowDescription &description() const { return m_description; }
    const MainWindowControls &controls() const { return m_controls; }
    // The control with this object name as the given kind of widget, or nullptr.
    template<typename T> T *control(const QString &name) const { return m_form->control<T>(name); }

    // Asked when the window is about to close; returning false keeps it open.
    void setCloseGuard(std::function<bool()> guard);

signals:
    // The window is closing for good; emitted once, before it goes.
    void unloading();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void collectControls();

    template<typename T, std::size_t N>
    void collectArray(std::array<T *, N> &elements, const QString &arrayName) const
    {
        for (std::size_t i = 0; i < N; ++i)
            elements[i] = m_form->required<T>(arrayElementName(arrayName, static_cast<int>(i)));
    }
    // An array only one model's window has: every element, or none at all.
    template<typename T, std::size_t N>
    void collectModelArray(std::array<T *, N> &elements, const QString &arrayName) const
    {
        if (control<T>(arrayElementName(arrayName, 0)))
            collectArray(elements, arrayName);
    }

    const WindowDescription &m_description;
    FormBuilder *m_form = nullptr;
    MainWindowControls m_controls;
    std::function<bool()> m_closeGuard;
    bool m_unloaded = false;
    bool m_tabStopsOrdered = false;
};

} // namespace qm
