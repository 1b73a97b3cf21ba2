#include "apps/ModelWindows.h"
#include "model/UnitModel.h"
#include "multiupdate/UpdateDialog.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/MainWindow.h"
#include "tests/support/PanelRig.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QSlider>
#include <QStackedWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <memory>
#include <optional>

using namespace qm;

namespace {

// One control in the one form that both the design data files (tests/data) and the built
// windows are written in here: geometry in pixels, relative to the container (for a control
// on a tab page, to the tab control).
struct Control
{
    QString kind;
    QString container; // "-": the window
    std::optional<QRect> pixels;
    QString caption;
    QString toolTip;
    QStringList items;

    QString line(const QString &name) const
    {
        QStringList words{name, kind, container};
        if (pixels)
            for (int value : {pixels->x(), pixels->y(), pixels->width(), pixels->height()})
                words << QString::number(value);
        for (const auto &[word, text] : {std::pair("caption", caption), {"tip", toolTip}})
            if (!text.isEmpty())
                words << QStringLiteral("%1 \"%2\"").arg(word, text);
        for (const QString &item : items)
            words << QStringLiteral("\n- \"%1\"").arg(item);
        return words.join(u' ');
    }
};

using Window = QMap<QString, Control>; // by name

// "name kind container left top width height [caption "…"] [tip "…"]", or "- "item" …" under
// its list. A line that cannot be read stands as a control of its own, which no window holds.
Window readDesign(const QString &file)
{
    Window design;
    QFile data(QStringLiteral(QM_DESIGN_DATA "/%1.txt").arg(file));
    if (!data.open(QIODevice::ReadOnly | QIODevice::Text))
        return design;
    QString last;
    for (int number = 1; !data.atEnd(); ++number) {
        const QString line = QString::fromUtf8(data.readLine());
        const QStringList t = QProcess::splitCommand(line);
        const auto pixels = [&t](int at) {
            return qRound(t[at].toInt() / 15.0);
        };
        if (t.isEmpty() || line.startsWith(u'#'))
            continue;
        if (t.size() >= 2 && t[0] == u"-" && design.contains(last)) {
            design[last].items << t.mid(1);
        } else if (t.size() < 7 || t.size() % 2 == 0) {
            design[QStringLiteral("line %1").arg(number)].kind = QStringLiteral("cannot be read");
        } else {
            last = t[0];
            Control &control = design[last];
            control = {t[1], t[2], std::nullopt, {}, {}, {}};
            if (t[3] != u"-")
                control.pixels = QRect(pixels(3), pixels(4), pixels(5), pixels(6));
            for (qsizetype at = 7; at < t.size(); at += 2)
                (t[at] == u"tip" ? control.toolTip : control.caption) = t[at + 1];
        }
    }
    return design;
}

// A window at its design state, with what owns it: a main window with its controller (which
// adds the position editor) before the start-up sequence runs, or a dialog with twelve
// channels found.
std::pair<std::shared_ptr<void>, QWidget *> build(const QString &file)
{
    const bool qm410 = file.startsWith(u"qm410a");
    if (file.endsWith(u"update-dialog")) {
        auto dialog =
            std::make_shared<UpdateDialog>(qm410 ? qm410a() : qm520a(), ChannelCount, 4095, 2046);
        return {dialog, dialog.get()};
    }
    auto rig = std::make_shared<test::PanelRig>(qm410 ? qm410aWindow() : qm520aWindow(),
                                                std::make_unique<test::FakeSerialPort>(),
                                                QMap<QString, QString>{});
    rig->controller->findChild<QTimer *>(QStringLiteral("tmrStartup"))->stop();
    return {rig, &rig->window};
}

// Named widgets the panel adds beyond the design: the notice and the mark that stand in for
// message boxes, the focus mark on a tab with its note on the page in front, and the unseen
// announcer of the shown channel.
const QStringList BeyondTheDesign = {"lblNotice", "lblLineMark", "pageFocusMark", "pageFocusNote",
                                     "channelAnnouncer"};

// Check boxes, option buttons, check-box lists and the coordinates box may grow to the right
// so that captions, items and the widest coordinates ("188,58") are not cut off in fonts wider
// than the design's; they are written at their designed width when at least that wide.
const QStringList GrowsToFit = {"check", "option", "checklist", "readout"};

QTabWidget *tabPageHolder(const QWidget &widget)
{
    const QWidget *stack = qobject_cast<const QStackedWidget *>(widget.parentWidget());
    return stack ? qobject_cast<QTabWidget *>(stack->parentWidget()) : nullptr;
}

QString kindOf(const QWidget &widget)
{
    if (widget.isWindow())
        return QStringLiteral("window");
    if (tabPageHolder(widget))
        return QStringLiteral("page");
    if (const auto *slider = qobject_cast<const QSlider *>(&widget))
        return slider->orientation() == Qt::Vertical ? "vslider" : "hslider";
    if (const auto *text = qobject_cast<const QLineEdit *>(&widget))
        return text->isReadOnly() ? "readout" : "text";
    if (widget.inherits("qm::PositionGrid")) // drawn once the panel runs
        return QStringLiteral("picture");
    if (const auto *label = qobject_cast<const QLabel *>(&widget))
        return label->pixmap().isNull() ? "label" : "picture";
    // Class and kind, in turn.
    const char *const kinds[][2] = {{"qm::ChannelSelector", "selector"},
                                    {"QPushButton", "button"},
                                    {"QCheckBox", "check"},
                                    {"QRadioButton", "option"},
                                    {"QComboBox", "list"},
                                    {"QListWidget", "checklist"},
                                    {"QTabWidget", "tabs"},
                                    {"QFrame", "frame"},
                                    {"QGroupBox", "frame"}};
    for (const auto &[className, kind] : kinds)
        if (widget.inherits(className))
            return kind;
    return QStringLiteral("picture");
}

QString captionOf(const QWidget &widget)
{
    if (widget.isWindow())
        return widget.windowTitle();
    if (const QTabWidget *tabs = tabPageHolder(widget))
        return tabs->tabText(tabs->indexOf(&widget));
    if (const auto *selector = qobject_cast<const ChannelSelector *>(&widget))
        return selector->caption();
    // Labels, buttons, boxes and text fields hold it as their text, frames as their title.
    const QVariant text = widget.property("text");
    return text.isValid() ? text.toString() : widget.property("title").toString();
}

QStringList itemsOf(const QWidget &widget)
{
    const auto *box = qobject_cast<const QComboBox *>(&widget);
    const auto *list = qobject_cast<const QListWidget *>(&widget);
    const QAbstractItemModel *model = box ? box->model() : list ? list->model() : nullptr;
    QStringList items;
    for (int row = 0; model && row < model->rowCount(); ++row)
        items << model->index(row, 0).data().toString();
    return items;
}

bool isNamed(const QWidget &widget)
{
    return !widget.objectName().isEmpty() && !widget.objectName().startsWith(u"qt_");
}

// The nearest enclosing widget with a name of its own, or the window.
const QWidget *containerOf(const QWidget &widget)
{
    for (const QWidget *parent = widget.parentWidget(); parent; parent = parent->parentWidget())
        if (parent->isWindow() || isNamed(*parent))
            return parent;
    return nullptr;
}

Control controlOf(const QWidget &widget, const Window &design)
{
    Control shown{kindOf(widget),    QStringLiteral("-"), std::nullopt,
                  captionOf(widget), widget.toolTip(),    itemsOf(widget)};
    if (shown.kind == u"window") {
        shown.pixels = QRect(QPoint(), widget.size());
        return shown;
    }
    const QWidget *container = containerOf(widget);
    if (!container->isWindow())
        shown.container = container->objectName();
    if (shown.kind == u"page")
        return shown;
    const QWidget *origin = tabPageHolder(*container) ? tabPageHolder(*container) : container;
    QRect place(widget.mapTo(origin, QPoint()), widget.size());
    const std::optional<QRect> designed = design.value(widget.objectName()).pixels;
    if (GrowsToFit.contains(shown.kind) && designed && place.width() >= designed->width())
        place.setWidth(designed->width());
    shown.pixels = place;
    return shown;
}

// Every named widget of the window as built, each tab page laid out once brought forward.
Window describe(QWidget &window, const Window &design)
{
    for (QTabWidget *tabs : window.findChildren<QTabWidget *>())
        for (int page = 0; page < tabs->count(); ++page) {
            tabs->setCurrentIndex(page);
            QCoreApplication::processEvents();
        }
    Window shown{{QStringLiteral("window"), controlOf(window, design)}};
    for (const QWidget *widget : window.findChildren<QWidget *>()) {
        // A tab strip's scroll buttons are the toolkit's.
        const bool toolkits = qobject_cast<QTabBar *>(widget->parentWidget());
        if (isNamed(*widget) && !toolkits && !BeyondTheDesign.contains(widget->objectName()))
            shown[widget->objectName()] = controlOf(*widget, design);
    }
    return shown;
}

} // namespace

// Both main windows and both dialogs against their design, typed out as test data apart
// from the tables the windows are built from: each control's kind, container, place, size,
// caption, items and tool tip, compared both ways, so that a control the design lacks fails
// as a missing one does. A failure names its file and shows the control's two lines.
class TestWindowDesign : public QObject
{
    Q_OBJECT
private slots:
    void windowMatchesItsDesign_data();
    void windowMatchesItsDesign();
};

void TestWindowDesign::windowMatchesItsDesign_data()
{
    QTest::addColumn<QString>("file");
    for (const char *file :
         {"qm410a-window", "qm520a-window", "qm410a-update-dialog", "qm520a-update-dialog"})
        QTest::newRow(file) << file;
}

void TestWindowDesign::windowMatchesItsDesign()
{
    QFETCH(QString, file);
    const Window design = readDesign(file);
    QVERIFY2(!design.isEmpty(), qPrintable(file + " cannot be read"));
    const auto [owner, window] = build(file);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window));
    const Window shown = describe(*window, design);
    QStringList names = design.keys() + shown.keys();
    names.removeDuplicates();
    for (const QString &name : names)
        QCOMPARE(shown.contains(name) ? shown[name].line(name) : name + " is not in the window",
                 design.contains(name) ? design[name].line(name) : name + " is not in the design");
}

QTEST_MAIN(TestWindowDesign)
#include "test_window_design.moc"
