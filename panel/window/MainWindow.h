#pragma once

#include "panel/window/MainWindowControls.h"
#include "panel/window/WindowDescription.h"

#include <QHash>
#include <QRect>
#include <QWidget>

#include <functional>
#include <vector>

class QTabWidget;

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
    template<typename T> T *control(const QString &name) const { return find<T>(name); }

    // Asked when the window is about to close; returning false keeps it open.
    void setCloseGuard(std::function<bool()> guard);

signals:
    // The window is closing for good; emitted once, before it goes.
    void unloading();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A control on a tab page, designed relative to the tab control, strip included.
    struct PagePlacement
    {
        QWidget *widget;
        QTabWidget *tabs;
        QRect pixels;
    };

    void buildControl(const WindowRow &row);
    QWidget *createWidget(const WindowRow &row, QWidget *container);
    QWidget *createContainerWidget(const WindowRow &row, QWidget *container);
    QWidget *addTabPage(const WindowRow &row, QWidget *container);
    void place(QWidget *widget, const WindowRow &row, QWidget *container);
    void applyLook(QWidget *widget, const WindowRow &row);
    void stackFrontToBack();
    void placePageControls();
    void collectControls();
    void orderTabStops();
    QPoint designedTopLeft(const WindowRow &row) const;
    QPoint designedPlace(const QWidget *widget) const;

    template<typename T> T *find(const QString &name) const
    {
        return qobject_cast<T *>(m_widgets.value(name));
    }

    template<typename T, std::size_t N>
    void collectArray(std::array<T *, N> &elements, const QString &arrayName) const
    {
        for (std::size_t i = 0; i < N; ++i)
            elements[i] = find<T>(arrayElementName(arrayName, static_cast<int>(i)));
    }

    const WindowDescription &m_description;
    MainWindowControls m_controls;
    QHash<QString, QWidget *> m_widgets;
    QHash<QWidget *, QTabWidget *> m_pages;
    std::vector<PagePlacement> m_pagePlacements;
    std::function<bool()> m_closeGuard;
    bool m_unloaded = false;
    bool m_tabStopsOrdered = false;
};

} // namespace qm
