// Renders the windows of both programs offscreen into PNG files for the manual, as an operator
// meets them: each main window after its start-up against a unit whose channels all answer,
// one picture per tab page with channel 1 shown; the QM-520A window during that start-up's
// poll and with the pointer over the position grid; the Update Multiple Channels dialog of
// each model on a first run; the QM-410A window on a first run telling of the ports it may not
// open, the QM-520A window telling that no channel answered, and the QM-520A port list open with
// an adapter's tool tip; both main windows under a dark palette; what the QM-410A's search for
// the unit found. Usage: render-windows [folder]

#include "apps/ModelWindows.h"
#include "multiupdate/UpdateDialog.h"
#include "panel/session/PanelController.h"
#include "position/PositionGrid.h"
#include "preferences/Preferences.h"
#include "tools/qm-unit-sim/DefaultUnitState.h"
#include "tools/render-windows/PictureFolder.h"
#include "tools/render-windows/StartedPanel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QMouseEvent>
#include <QPainter>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>

namespace {

using qm::PictureFolder;

// The connecting panel is pictured halfway through the poll.
constexpr int ConnectingWait = 5;
// The search asks the silent ports at both speeds, a second or two in all.
constexpr int SearchTimeoutMs = 20000;
// Where the pointer rests for the hover picture, in pixels from the grid's top-left corner.
constexpr QPoint HoverPoint(100, 40);

// The emulated unit's channels, channel 1 set low on the left of the picture at a middle
// size, so that the marker and both sliders stand clear of the ends of their ranges.
qm::ChannelTable unitState(const qm::UnitModel &model)
{
    qm::ChannelTable table = qm::sim::defaultUnitState(*qm::sim::unitWireByName(model.name));
    qm::ChannelSettings &first = table[0];
    first[qm::Field::HorizPos] = 60;
    first[qm::Field::VertPos] = 44;
    first[qm::Field::VertSize] = 2;
    first[qm::Field::HorizSize] = 8;
    return table;
}

QString pageFileName(const QString &baseName, int page)
{
    const QString suffix = page == 0 ? QString() : QStringLiteral("-page%1").arg(page + 1);
    return baseName + suffix + QStringLiteral(".png");
}

bool renderPages(qm::MainWindow &window, const QString &baseName, const PictureFolder &out)
{
    QTabWidget *tabs = window.controls().sstSettings;
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        QCoreApplication::processEvents();
        if (!out.save(window, pageFileName(baseName, page)))
            return false;
    }
    tabs->setCurrentIndex(0);
    return true;
}

// The pointer is no part of a window's picture; it is drawn in where the window shows it.
QImage withPointer(qm::MainWindow &window, QPoint where)
{
    QPixmap picture = window.grab();
    const QCursor pointer = window.cursor();
    QPainter painter(&picture);
    painter.drawPixmap(where - pointer.hotSpot(), pointer.pixmap());
    painter.end();
    return picture.toImage();
}

bool renderHover(qm::MainWindow &window, const QString &fileName, const PictureFolder &out)
{
    auto *grid = window.findChild<qm::PositionGrid *>(QStringLiteral("imgPositionGrid"));
    if (!grid || !grid->isVisible())
        return false;
    QMouseEvent move(QEvent::MouseMove, HoverPoint, grid->mapToGlobal(HoverPoint), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid, &move);
    return out.save(withPointer(window, grid->mapTo(&window, HoverPoint)), fileName);
}

bool renderQm410a(const PictureFolder &out)
{
    qm::StartedPanel panel(qm::qm410aWindow(), unitState(qm::qm410a()));
    return panel.start() && renderPages(panel.window(), QStringLiteral("qm410a-window"), out);
}

bool renderQm520a(const PictureFolder &out)
{
    qm::StartedPanel panel(qm::qm520aWindow(), unitState(qm::qm520a()));
    bool connectingSaved = false;
    const bool started = panel.start([&](int wait) {
        if (wait == ConnectingWait)
            connectingSaved = out.save(panel.window(), QStringLiteral("qm520a-connecting.png"));
    });
    return started && connectingSaved &&
           renderPages(panel.window(), QStringLiteral("qm520a-window"), out) &&
           renderHover(panel.window(), QStringLiteral("qm520a-hover.png"), out);
}

bool renderUpdateDialog(const qm::UnitModel &model, const QString &fileName,
                        const PictureFolder &out)
{
    qm::UpdateDialog dialog(model, qm::ChannelCount,
                            quint32(qm::Preferences::DefaultChannelSelection),
                            quint32(qm::Preferences::DefaultSettingSelection));
    dialog.show();
    return QTest::qWaitForWindowExposed(&dialog) && out.save(dialog, fileName);
}

// A first run: the user is not in the dialout group, so the built-in ports and with them the
// stored port COM1 refuse; a terminal program holds one USB adapter, two others are free.
bool renderRefusedPorts(const PictureFolder &out)
{
    qm::PanelMachine machine;
    machine.openable = {5, 6};
    machine.refusing = {1, 2, 3, 4, 7};
    machine.refusals.insert(
        7, {qm::SerialPort::RefusalCause::InUse, QStringLiteral("minicom (process 2417)")});
    qm::StartedPanel panel(qm::qm410aWindow(), unitState(qm::qm410a()), machine);
    return panel.start() && out.save(panel.window(), QStringLiteral("qm410a-ports-refused.png"));
}

// The port opens, but the unit on it keeps silent: switched off, or the other model.
bool renderSilentUnit(const PictureFolder &out)
{
    qm::PanelMachine machine;
    machine.answeringChannels = 0;
    qm::StartedPanel panel(qm::qm520aWindow(), unitState(qm::qm520a()), machine);
    return panel.start() && out.save(panel.window(), QStringLiteral("qm520a-unit-silent.png"));
}

// Pop-ups are windows of their own; they are drawn onto the main window where they stand.
QImage withPopups(QWidget &window, const QList<QWidget *> &popups)
{
    const QPoint origin = window.mapToGlobal(QPoint());
    QRect area(origin, window.size());
    for (const QWidget *popup : popups)
        area |= popup->geometry();
    QImage picture(area.size(), QImage::Format_RGB32);
    picture.fill(window.palette().color(QPalette::Window));
    QPainter painter(&picture);
    painter.drawPixmap(origin - area.topLeft(), window.grab());
    for (QWidget *popup : popups)
        painter.drawPixmap(popup->geometry().topLeft() - area.topLeft(), popup->grab());
    return picture;
}

QWidget *shownToolTip()
{
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->inherits("QTipLabel") && window->isVisible())
            return window;
    }
    return nullptr;
}

// A machine with two USB adapters, COM5 and COM6, besides its built-in ports.
qm::PanelMachine withTwoAdapters()
{
    qm::PanelMachine machine;
    machine.adapters = {
        {QStringLiteral("/dev/ttyUSB0"), {"FTDI", "FT232R USB UART", "A9XYZ123"}},
        {QStringLiteral("/dev/ttyUSB1"), {"Prolific", "USB-Serial Controller", "BCAQb11A"}}};
    return machine;
}

// Two USB adapters besides the built-in port; the list is open at the first of them.
bool renderPortToolTip(const PictureFolder &out)
{
    qm::PanelMachine machine = withTwoAdapters();
    machine.openable = {1, 5, 6};
    qm::StartedPanel panel(qm::qm520aWindow(), unitState(qm::qm520a()), machine);
    if (!panel.start())
        return false;
    QComboBox *list = panel.window().controls().cmbComports;
    QTest::keyClick(list, Qt::Key_F4);
    QAbstractItemView *view = list->view();
    if (!QTest::qWaitForWindowExposed(view->window()))
        return false;
    const QModelIndex item = view->model()->index(list->findText(QStringLiteral("5")), 0);
    view->setCurrentIndex(item);
    const QRect itemPlace = view->visualRect(item);
    QToolTip::showText(view->viewport()->mapToGlobal(itemPlace.center()),
                       item.data(Qt::ToolTipRole).toString(), view->viewport());
    QWidget *tip = shownToolTip();
    return tip && QTest::qWaitForWindowExposed(tip) &&
           out.save(withPopups(panel.window(), {view->window(), tip}),
                    QStringLiteral("qm520a-port-tooltip.png"));
}

// A dark desktop palette such as qt6ct's "darker": the QM-410A's first channel lit and the
// grid showing the keyboard's focus, the QM-520A's first channel chosen.
bool renderDarkPalette(const PictureFolder &out)
{
    const QPalette light = QApplication::palette();
    QPalette dark(QColor(74, 74, 74), QColor(66, 66, 66));
    dark.setColor(QPalette::Light, QColor(188, 188, 188));
    for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        dark.setColor(role, Qt::white);
    QApplication::setPalette(dark);
    bool saved = true;
    for (const qm::WindowDescription *description : {&qm::qm410aWindow(), &qm::qm520aWindow()}) {
        qm::StartedPanel panel(*description, unitState(*description->model));
        saved = saved && panel.start() &&
                out.save(panel.window(),
                         QStringLiteral("qm%1-dark.png").arg(description->model->shortName));
    }
    QApplication::setPalette(light);
    return saved;
}

// The first run of a USB user: the stored COM1 is silent, a QM-410A is on the first adapter
// and a QM-520A on the second.
bool renderFoundUnits(const PictureFolder &out)
{
    qm::PanelMachine machine = withTwoAdapters();
    machine.openable = {1, 5, 6, 7};
    machine.unitSpeeds = {{5, qm::qm410a().baudRate}, {6, qm::qm520a().baudRate}};
    qm::StartedPanel panel(qm::qm410aWindow(), unitState(qm::qm410a()), machine);
    if (!panel.start())
        return false;
    qm::UnitSearch &search = panel.controller().unitSearch();
    search.start();
    if (!QTest::qWaitFor([&search] { return search.resultDialog() != nullptr; }, SearchTimeoutMs))
        return false;
    // Beside the window rather than over it, so that both are seen.
    QWidget *results = search.resultDialog();
    results->move(panel.window().geometry().topRight() + QPoint(8, 0));
    return QTest::qWaitForWindowExposed(results) &&
           out.save(withPopups(panel.window(), {results}), QStringLiteral("qm410a-find-unit.png"));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    const PictureFolder out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    const bool saved =
        renderQm410a(out) && renderQm520a(out) &&
        renderUpdateDialog(qm::qm410a(), QStringLiteral("qm410a-update-dialog.png"), out) &&
        renderUpdateDialog(qm::qm520a(), QStringLiteral("qm520a-update-dialog.png"), out) &&
        renderRefusedPorts(out) && renderSilentUnit(out) && renderPortToolTip(out) &&
        renderDarkPalette(out) && renderFoundUnits(out);
    return saved ? 0 : 1;
}
