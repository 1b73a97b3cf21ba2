#include "apps/ModelWindows.h"
#include "model/UnitModel.h"
#include "multiupdate/UpdateDialog.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/MainWindow.h"
#include "tests/support/PanelRig.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <map>
#include <memory>
#include <optional>

using namespace qm;

namespace {

// One control as the design data files (tests/data) describe it.
struct DesignedControl
{
    QString name;
    QString kind;
    QString container; // "-": the window
    std::optional<QRect> twips;
    QString caption;
    QString toolTip;
    QStringList items;
};

struct Design
{
    QList<DesignedControl> controls;
    QString error;

    const DesignedControl *find(const QString &name) const
    {
        for (const DesignedControl &control : controls)
            if (control.name == name)
                return &control;
        return nullptr;
    }
};

// "name kind container left top width height [caption "…"] [tip "…"]", or "- "item"".
Design readDesign(const QString &file)
{
    Design design;
    QFile data(QStringLiteral(QM_DESIGN_DATA "/%1.txt").arg(file));
    if (!data.open(QIODevice::ReadOnly | QIODevice::Text))
        design.error = data.errorString();
    static const QRegularExpression token(QStringLiteral("\"([^\"]*)\"|(\\S+)"));
    for (int number = 1; !data.atEnd(); ++number) {
        const QString line = QString::fromUtf8(data.readLine());
        QStringList t;
        for (const QRegularExpressionMatch &match : token.globalMatch(line))
            t << match.captured(match.lastCapturedIndex());
        if (t.isEmpty() || line.startsWith(u'#'))
            continue;
        if (t.size() == 2 && t[0] == u"-" && !design.controls.isEmpty()) {
            design.controls.last().items << t[1];
            continue;
        }
        if (t.size() < 7 || t.size() % 2 == 0) {
            design.error = QStringLiteral("%1 line %2: cannot be read").arg(file).arg(number);
            continue;
        }
        DesignedControl control{t[0], t[1], t[2], std::nullopt, {}, {}, {}};
        if (t[3] != u"-")
            control.twips = QRect(t[3].toInt(), t[4].toInt(), t[5].toInt(), t[6].toInt());
        for (qsizetype at = 7; at < t.size(); at += 2)
            (t[at] == u"tip" ? control.toolTip : control.caption) = t[at + 1];
        design.controls << control;
    }
    return design;
}

const Design &designOf(const QString &file)
{
    static std::map<QString, Design> designs;
    auto found = designs.find(file);
    if (found == designs.end())
        found = designs.emplace(file, readDesign(file)).first;
    return found->second;
}

// A window at its design state: a main window with its controller (which adds the position
// editor) before the start-up sequence runs, or a dialog with twelve channels found.
struct Built
{
    std::unique_ptr<test::PanelRig> rig;
    std::unique_ptr<UpdateDialog> dialog;
    QWidget *window = nullptr;
};

Built build(const QString &file)
{
    const bool qm410 = file.startsWith(u"qm410a");
    Built built;
    if (file.endsWith(u"update-dialog")) {
        built.dialog =
            std::make_unique<UpdateDialog>(qm410 ? qm410a() : qm520a(), ChannelCount, 4095, 2046);
        built.window = built.dialog.get();
    } else {
        built.rig = std::make_unique<test::PanelRig>(qm410 ? qm410aWindow() : qm520aWindow(),
                                                     std::make_unique<test::FakeSerialPort>(),
                                                     QMap<QString, QString>{});
        built.rig->window.findChild<QTimer *>(QStringLiteral("tmrStartup"))->stop();
        built.window = &built.rig->window;
    }
    built.window->show();
    return built;
}

// Each window is built and shown once, for all of its rows, and goes with the application.
std::map<QString, Built> builtWindows;

QWidget &shownWindow(const QString &file)
{
    auto found = builtWindows.find(file);
    if (found == builtWindows.end())
        found = builtWindows.emplace(file, build(file)).first;
    return *found->second.window;
}

int pixels(int twips)
{
    return qRound(twips / 15.0);
}

// Where the design puts a control's top-left corner in the window, in pixels: each level
// of containers is placed in whole pixels, so the levels add up.
QPoint designedPosition(const Design &design, const DesignedControl &control)
{
    const QPoint own(pixels(control.twips->left()), pixels(control.twips->top()));
    const DesignedControl *container = design.find(control.container);
    if (container && container->kind == u"page")
        container = design.find(container->container);
    return container ? own + designedPosition(design, *container) : own;
}

// The nearest enclosing widget that the design names.
QString containerOf(const QWidget &widget, const Design &design)
{
    for (const QWidget *parent = widget.parentWidget(); parent && !parent->isWindow();
         parent = parent->parentWidget()) {
        if (design.find(parent->objectName()))
            return parent->objectName();
    }
    return QStringLiteral("-");
}

const QHash<QString, QString> ClassOfKind = {
    {"window", "QWidget"},  {"frame", "QWidget"},
    {"page", "QWidget"},    {"picture", "QWidget"},
    {"label", "QLabel"},    {"button", "QPushButton"},
    {"check", "QCheckBox"}, {"option", "QRadioButton"},
    {"list", "QComboBox"},  {"checklist", "QListWidget"},
    {"text", "QLineEdit"},  {"readout", "QLineEdit"},
    {"tabs", "QTabWidget"}, {"vslider", "QSlider"},
    {"hslider", "QSlider"}, {"selector", "qm::ChannelSelector"},
};

const QStringList GrowsToFit = {"check", "option", "checklist", "readout"};

QString captionOf(QWidget &widget, const DesignedControl &control)
{
    if (control.kind == u"window")
        return widget.windowTitle();
    if (control.kind == u"page") {
        const auto *tabs = widget.window()->findChild<QTabWidget *>(control.container);
        return tabs->tabText(tabs->indexOf(&widget));
    }
    if (const auto *selector = qobject_cast<ChannelSelector *>(&widget))
        return selector->caption();
    // Labels, buttons, boxes and text fields hold it as their text, frames as their title.
    const QVariant text = widget.property("text");
    return text.isValid() ? text.toString() : widget.property("title").toString();
}

QStringList itemsOf(QWidget &widget)
{
    QStringList items;
    if (const auto *list = qobject_cast<QComboBox *>(&widget))
        for (int i = 0; i < list->count(); ++i)
            items << list->itemText(i);
    if (const auto *list = qobject_cast<QListWidget *>(&widget))
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
    return items;
}

// Puts the tab page holding the widget in front, so that the tab control has laid it out.
void bringPageForward(QWidget &window, const QWidget &widget)
{
    for (QTabWidget *tabs : window.findChildren<QTabWidget *>()) {
        for (int page = 0; page < tabs->count(); ++page) {
            if (tabs->widget(page)->isAncestorOf(&widget) && tabs->currentIndex() != page) {
                tabs->setCurrentIndex(page);
                QCoreApplication::processEvents();
            }
        }
    }
}

} // namespace

// Every control of both main windows and both dialogs against its design, typed out as test
// data apart from the tables the windows are built from: name, kind, container, place, size,
// caption, items and tool tip. A failing row names its file and control.
class TestWindowDesign : public QObject
{
    Q_OBJECT
private slots:
    void controlMatchesItsDesign_data();
    void controlMatchesItsDesign();
    void cleanupTestCase() { builtWindows.clear(); }
};

void TestWindowDesign::controlMatchesItsDesign_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("name");
    for (const char *file :
         {"qm410a-window", "qm520a-window", "qm410a-update-dialog", "qm520a-update-dialog"}) {
        const Design &design = designOf(QString::fromLatin1(file));
        QVERIFY2(design.error.isEmpty(), qPrintable(design.error));
        for (const DesignedControl &control : design.controls)
            QTest::addRow("%s/%s", file, qPrintable(control.name)) << file << control.name;
    }
}

void TestWindowDesign::controlMatchesItsDesign()
{
    QFETCH(QString, file);
    QFETCH(QString, name);
    const Design &design = designOf(file);
    const DesignedControl &control = *design.find(name);
    QWidget &window = shownWindow(file);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWidget *widget = control.kind == u"window" ? &window : window.findChild<QWidget *>(name);
    QVERIFY2(widget, "no such control");
    QVERIFY2(ClassOfKind.contains(control.kind), qPrintable(control.kind));
    QVERIFY2(widget->inherits(qPrintable(ClassOfKind[control.kind])),
             widget->metaObject()->className());
    if (const auto *slider = qobject_cast<QSlider *>(widget))
        QCOMPARE(slider->orientation(), control.kind == u"vslider" ? Qt::Vertical : Qt::Horizontal);
    if (control.kind == u"readout")
        QVERIFY(qobject_cast<QLineEdit *>(widget)->isReadOnly());

    if (control.kind != u"window")
        QCOMPARE(containerOf(*widget, design), control.container);
    QCOMPARE(captionOf(*widget, control), control.caption);
    QCOMPARE(itemsOf(*widget), control.items);
    QCOMPARE(widget->toolTip(), control.toolTip);

    if (!control.twips)
        return;
    const QSize designedSize(pixels(control.twips->width()), pixels(control.twips->height()));
    if (control.kind == u"window") {
        QCOMPARE(window.size(), designedSize);
        return;
    }
    bringPageForward(window, *widget);
    QCOMPARE(widget->mapTo(&window, QPoint()), designedPosition(design, control));
    QCOMPARE(widget->height(), designedSize.height());
    // Captions, list items and the widest coordinates ("188,58") must not be cut off in fonts
    // wider than the design's: check boxes, option buttons, check-box lists and the coordinates
    // box may grow to the right, never shrink or move.
    if (GrowsToFit.contains(control.kind))
        QVERIFY2(widget->width() >= designedSize.width(),
                 qPrintable(QString::number(widget->width())));
    else
        QCOMPARE(widget->width(), designedSize.width());
}

QTEST_MAIN(TestWindowDesign)
#include "test_window_design.moc"
