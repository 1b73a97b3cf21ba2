#include "form/ControlWidgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>

namespace qm {

namespace {

// Enter and the keypad's Enter press a focused button as Space does, in a window as in a
// dialog, without making it the dialog's default: Enter elsewhere in a dialog stays the
// dialog's.
class PushButton : public QPushButton
{
public:
    using QPushButton::QPushButton;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
        if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (!event->isAutoRepeat())
                click();
            return;
        }
        QPushButton::keyPressEvent(event);
    }
};

QLabel *createLabel(const WindowRow &row, QWidget *container)
{
    auto *label = new QLabel(row.caption, container);
    const Qt::Alignment across =
        row.options.testFlag(ControlOption::Centred) ? Qt::AlignHCenter : Qt::AlignLeft;
    const Qt::Alignment down =
        row.options.testFlag(ControlOption::Middle) ? Qt::AlignVCenter : Qt::AlignTop;
    label->setAlignment(across | down);
    return label;
}

QLineEdit *createTextBox(const WindowRow &row, QWidget *container)
{
    auto *box = new QLineEdit(container);
    if (row.options.testFlag(ControlOption::Centred))
        box->setAlignment(Qt::AlignCenter);
    return box;
}

// A read-only box in the button-face colour that never takes the mouse or the keyboard, so
// that it cannot come between the pointer and what it describes. Frameless, so that its
// text has the whole of the box's few pixels.
QLineEdit *createReadOut(const WindowRow &row, QWidget *container)
{
    QLineEdit *box = createTextBox(row, container);
    box->setReadOnly(true);
    box->setFrame(false);
    box->setFocusPolicy(Qt::NoFocus);
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    box->setPalette(palette);
    return box;
}

// A long list drops down as a scrolling box of a few rows, not as a menu over the whole window.
void limitDropDown(QComboBox &list)
{
    constexpr int VisibleRows = 10;
    list.setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    list.setMaxVisibleItems(VisibleRows);
}

QComboBox *createList(const WindowRow &row, QWidget *container)
{
    auto *list = new QComboBox(container);
    list->setEditable(false);
    list->addItems(row.items);
    list->setCurrentIndex(-1);
    limitDropDown(*list);
    return list;
}

QListWidget *createListBox(const WindowRow &row, QWidget *container)
{
    auto *list = new QListWidget(container);
    list->addItems(row.items);
    return list;
}

// Steps of one, five for a page, a tick at every value. A vertical slider has its smallest
// value at the top, and the keys move the handle the way they point.
QSlider *createSlider(const WindowRow &row, QWidget *container)
{
    const bool vertical = row.kind == ControlKind::VerticalSlider;
    auto *slider = new QSlider(vertical ? Qt::Vertical : Qt::Horizontal, container);
    slider->setRange(1, row.maximum);
    slider->setSingleStep(1);
    slider->setPageStep(5);
    slider->setTickInterval(1);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setValue(row.value);
    slider->setInvertedAppearance(vertical);
    slider->setInvertedControls(vertical);
    return slider;
}

QFrame *createFrame(QWidget *container, QFrame::Shape shape)
{
    auto *frame = new QFrame(container);
    frame->setFrameStyle(shape | QFrame::Sunken);
    return frame;
}

QGroupBox *createTitledFrame(const WindowRow &row, QWidget *container)
{
    auto *frame = new QGroupBox(row.caption, container);
    frame->setAutoFillBackground(row.options.testFlag(ControlOption::Opaque));
    return frame;
}

// The page controls stand close below the strip, so the tabs are kept low and narrow.
QTabWidget *createTabControl(QWidget *container)
{
    auto *tabs = new QTabWidget(container);
    tabs->tabBar()->setStyleSheet(
        QStringLiteral("QTabBar::tab { height: 19px; padding: 0px 6px; }"));
    tabs->setUsesScrollButtons(false);
    return tabs;
}

QFrame *createPanel(QWidget *container, bool opaque)
{
    QFrame *panel = createFrame(container, QFrame::NoFrame);
    panel->setAutoFillBackground(opaque);
    return panel;
}

// The panel speaks while the window is busy and disabled; it keeps the colours of an enabled
// window so that its message reads plainly rather than greyed out.
QFrame *createMessagePanel(QWidget *container)
{
    QFrame *panel = createPanel(container, true);
    QPalette palette = panel->palette();
    for (int role = 0; role < QPalette::NColorRoles; ++role) {
        const auto colorRole = static_cast<QPalette::ColorRole>(role);
        palette.setBrush(QPalette::Disabled, colorRole, palette.brush(QPalette::Active, colorRole));
    }
    panel->setPalette(palette);
    return panel;
}

QWidget *createContainer(const WindowRow &row, QWidget *container)
{
    switch (row.kind) {
    case ControlKind::TitledFrame:
        return createTitledFrame(row, container);
    case ControlKind::Frame:
        return createFrame(container, QFrame::Box);
    case ControlKind::Panel:
        return createMessagePanel(container);
    case ControlKind::Group:
        return createPanel(container, false);
    case ControlKind::TabControl:
        return createTabControl(container);
    default:
        return nullptr;
    }
}

} // namespace

QWidget *createControlWidget(const WindowRow &row, QWidget *container)
{
    switch (row.kind) {
    case ControlKind::Label:
        return createLabel(row, container);
    case ControlKind::PushButton:
        return new PushButton(row.caption, container);
    case ControlKind::CheckBox:
        return new QCheckBox(row.caption, container);
    case ControlKind::RadioButton:
        return new QRadioButton(row.caption, container);
    case ControlKind::ComboBox:
        return createList(row, container);
    case ControlKind::ListBox:
        return createListBox(row, container);
    case ControlKind::TextBox:
        return createTextBox(row, container);
    case ControlKind::ReadOut:
        return createReadOut(row, container);
    case ControlKind::HorizontalSlider:
    case ControlKind::VerticalSlider:
        return createSlider(row, container);
    default:
        return createContainer(row, container);
    }
}

} // namespace qm
