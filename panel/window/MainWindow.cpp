#include "panel/window/MainWindow.h"

#include "model/Twips.h"
#include "panel/window/AccessibleControls.h"
#include "panel/window/Announcer.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/Pictures.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <utility>

namespace qm {

namespace {

constexpr Qt::WindowFlags FixedWindowFlags = Qt::Window | Qt::MSWindowsFixedSizeDialogHint |
                                             Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                             Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;

QLabel *createPicture(QWidget *container)
{
    auto *picture = new QLabel(container);
    picture->setPixmap(windowPicturePixmap());
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return picture;
}

// The controls are placed for an 8.25 point dialog font of narrow build; a wider one would
// cut captions short. Families that are missing are skipped.
QFont designFont(QFont font)
{
    font.setFamilies({QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("DejaVu Sans Condensed"), font.family()});
    font.setPointSizeF(8.25);
    return font;
}

} // namespace

MainWindow::MainWindow(const WindowDescription &description, QWidget *parent)
    : QWidget(parent, FixedWindowFlags), m_description(description)
{
    installAccessibleControls();
    setWindowTitle(description.caption);
    setWindowIcon(programIcon(*description.model));
    setFont(designFont(font()));
    setFixedSize(
        twipsRect(0, 0, description.clientTwips.width(), description.clientTwips.height()).size());
    const SelectorStyle style = description.selectorStyle;
    WidgetMaker selector = [style](const WindowRow &row, QWidget *container) {
        return new ChannelSelector(row.index, style, row.caption, container);
    };
    WidgetMaker picture = [](const WindowRow &, QWidget *container) {
        return createPicture(container);
    };
    m_form = new FormBuilder(*this, description.controls,
                             {.makers = {{ControlKind::ChannelSelector, std::move(selector)},
                                         {ControlKind::Picture, std::move(picture)}}});
    collectControls();
    setEnabled(false);
}

void MainWindow::setCloseGuard(std::function<bool()> guard)
{
    m_closeGuard = std::move(guard);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (m_closeGuard && !m_closeGuard()) {
        event->ignore();
        return;
    }
    event->accept();
    if (!m_unloaded) {
        m_unloaded = true;
        emit unloading();
    }
}

// By the first showing every control exists, also those that the window's users add.
void MainWindow::showEvent(QShowEvent *event)
{
    if (!m_tabStopsOrdered) {
        m_tabStopsOrdered = true;
        m_form->orderTabStops();
    }
    QWidget::showEvent(event);
}

void MainWindow::collectControls()
{
    MainWindowControls &c = m_controls;
    c.frameConnecting = m_form->required<QFrame>("frameConnecting");
    c.lblStatus = m_form->required<QLabel>("lblStatus");
    c.cmdClose = m_form->required<QPushButton>("cmdClose");
    c.chkUpdateImmediately = m_form->required<QCheckBox>("chkUpdateImmediately");
    c.cmdUpdate = m_form->required<QPushButton>("cmdUpdate");
    c.cmdUpdateMultiple = m_form->required<QPushButton>("cmdUpdateMultiple");
    c.sstSettings = m_form->required<QTabWidget>("sstSettings");
    c.controlFrame = m_form->required<QGroupBox>("Frame1");
    c.cmbComports = m_form->required<QComboBox>("cmbComports");
    c.videoChannelFrame = m_form->required<QGroupBox>("Frame2");
    c.txtMove = m_form->required<QLineEdit>("txtMove");
    // The arrow-key field lies hidden behind the frames: only the program gives it the keys.
    // The menu key, which reaches it most of the time, opens the window's menu, not an edit
    // menu of a field no one can see.
    c.txtMove->setFocusPolicy(Qt::ClickFocus);
    c.txtMove->setContextMenuPolicy(Qt::NoContextMenu);
    c.channelAnnouncer = new Announcer(c.videoChannelFrame);
    c.iconPicture = m_form->required<QLabel>("Image1");
    c.framePosition = m_form->required<QFrame>("FramePosition");
    collectArray(c.channelSelectors, QStringLiteral("cmdButton"));
    collectModelArray(c.channelNumberLabels, QStringLiteral("Label1"));
    collectModelArray(c.lblText, QStringLiteral("lblText"));
}

} // namespace qm
