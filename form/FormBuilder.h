#pragma once

#include "form/WindowRow.h"

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QRect>

#include <functional>
#include <map>
#include <vector>

class QTabWidget;
class QWidget;

namespace qm {

// Makes the widget of a row whose kind only the form's user knows.
using WidgetMaker = std::function<QWidget *(const WindowRow &row, QWidget *container)>;

struct FormOptions
{
    std::map<ControlKind, WidgetMaker> makers{};
    // How far a check box or option button that grows to show its caption stays from its
    // container's right edge.
    int captionMarginTwips = 0;
};

// Makes the controls that rows describe inside a root widget: each at its design place with
// its caption, items, look and first state, the first listed drawn above the ones after it,
// and walks them with Tab. The one way every window and frame of the programs is built; it
// belongs to the root and keeps the controls on tab pages in place.
class FormBuilder : public QObject
{
    Q_OBJECT
public:
    FormBuilder(QWidget &root, std::vector<WindowRow> rows, FormOptions options = {});

    // The control with this object name as the given kind of widget, or nullptr.
    template<typename T> T *control(const QString &name) const
    {
        return qobject_cast<T *>(m_widgets.value(name));
    }
    // The control the code gives behaviour by this name, never nullptr: the one rule for a
    // control looked up by name. One the rows lack, or of another kind, is a fault of the
    // design that ends the program as the form is built, naming the control.
    template<typename T> T *required(const QString &name) const
    {
        T *found = control<T>(name);
        if (!found)
            missingControl(name, T::staticMetaObject.className());
        return found;
    }

    // Tab stops in the rows' tab indices where the design gives them; otherwise every control
    // under the root that takes the keyboard, also those added since, in reading order: top
    // to bottom, and left to right along a row.
    void orderTabStops();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // A control on a tab page, designed relative to the tab control, strip included.
    struct PagePlacement
    {
        QWidget *widget;
        QTabWidget *tabs;
        QRect pixels;
    };

    [[noreturn]] void missingControl(const QString &name, const char *kind) const;
    void buildControl(const WindowRow &row);
    QWidget *createWidget(const WindowRow &row, QWidget *container);
    QWidget *addTabPage(const WindowRow &row, QWidget *container);
    void place(QWidget *widget, const WindowRow &row, QWidget *container);
    void applyLook(QWidget *widget, const WindowRow &row);
    int rightLimit(const WindowRow &row, int containerWidth) const;
    void stackFrontToBack();
    void placePageControls();
    void pairLabels();
    void orderByTabIndex();
    void orderByReading();
    const WindowRow *row(const QString &name) const;
    QPoint designedTopLeft(const WindowRow &row) const;
    QPoint designedPlace(const QWidget *widget) const;

    QWidget &m_root;
    std::vector<WindowRow> m_rows;
    FormOptions m_options;
    QHash<QString, QWidget *> m_widgets;
    QHash<QWidget *, QTabWidget *> m_pages;
    std::vector<PagePlacement> m_pagePlacements;
};

} // namespace qm
