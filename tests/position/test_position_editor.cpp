#include "model/Twips.h"
#include "position/CursorFile.h"
#include "position/PositionEditor.h"
#include "position/PositionGrid.h"
#include "tests/support/FakePositionHost.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QStyle>
#include <QTest>

using namespace qm;

namespace {

const PositionLayout Layout520{0, QRect(900, 480, 525, 255)};
const PositionLayout Layout410{300, QRect(720, 210, 525, 255)};

// A shown window holding the editor's frame and the hidden arrow-key field, as a panel does.
struct Panel
{
    QWidget window;
    QFrame *frame = new QFrame(&window);
    QLineEdit *txtMove = new QLineEdit(&window);
    test::FakePositionHost host;
    PositionEditor editor;
    QLineEdit *h = editor.txtHorizontal();
    QLineEdit *v = editor.txtVertical();
    bool active = false;

    explicit Panel(const QString &cursorFolder = QStringLiteral(QM_CURSOR_DIR),
                   const PositionLayout &layout = Layout520)
        : editor(frame, txtMove, &window, layout, host, cursorFolder)
    {
        window.resize(twipsToPixels(4635), twipsToPixels(6960));
        txtMove->setGeometry(twipsRect(150, 630, 1305, 225));
        frame->setGeometry(twipsRect(60, 2820, 4305, 2025 + layout.topOffset));
        window.show();
        active = QTest::qWaitForWindowActive(&window);
    }
    void type(QLineEdit *field, const QString &text)
    {
        field->setText(text);
        QTest::keyClick(field, Qt::Key_End);
    }
    QString texts() const { return h->text() + u'|' + v->text(); }
    // Record value, slider value and label of the horizontal size, then of the vertical size.
    QString sizes() const
    {
        const auto size = [](int stored, const QSlider *slider, const QLabel *label) {
            return QStringLiteral("%1:%2:%3").arg(stored).arg(slider->value()).arg(label->text());
        };
        return size(host.record[Field::HorizSize], editor.sldHorizSize(), editor.lblHorizSize()) +
               u' ' +
               size(host.record[Field::VertSize], editor.sldVertSize(), editor.lblVertSize());
    }
    // The stored position and the frames sent so far.
    QString sent() const
    {
        const ChannelSettings &r = host.record;
        return QString::asprintf("%d,%d sent %d", r[Field::HorizPos], r[Field::VertPos],
                                 host.sends);
    }
};

QString selected(const QLineEdit *field)
{
    return field->selectionStart() == 0 ? field->selectedText() : QString();
}

} // namespace

class TestPositionEditor : public QObject
{
    Q_OBJECT
private slots:
    void pressSetsThePositionAndHoverShowsIt();
    void arrowKeysStepAndClamp();
    void typedCoordinatesAndSizesAreClampedAndRounded();
};

void TestPositionEditor::pressSetsThePositionAndHoverShowsIt()
{
    {
        Panel p410(QStringLiteral(QM_CURSOR_DIR), Layout410);
        QVERIFY(p410.editor.coordinates()->isHidden());
        // The grid lies over the marker and takes the mouse there.
        QCOMPARE(p410.frame->childAt(p410.editor.marker()->geometry().center()),
                 p410.editor.grid());

        // Cursor files are found whatever the case, in the first folder that holds them.
        QVERIFY(findFileIgnoringCase(QM_CURSOR_DIR, "crosshair.CUR").endsWith("/CrossHair.cur"));
        const QString none = QStringLiteral("/nonexistent-folder");
        QCOMPARE(findCursorFolder({none, QM_CURSOR_DIR}), QStringLiteral(QM_CURSOR_DIR));
        QCOMPARE(findCursorFolder({none, none + u'2'}), none);

        // Missing cursor files fall back to the system's crosshair and blank pointers.
        Panel missing(none);
        missing.editor.loadStartupCursor();
        QCOMPARE(missing.editor.pointer().customImage().shape(), Qt::CrossCursor);
    }

    Panel p;
    QVERIFY(p.active);
    // Greying the grid keeps the focus where it is; enabling it takes the focus to the arrow keys.
    QCOMPARE(p.editor.grid()->look(), PositionGrid::Look::None);
    p.v->setFocus();
    p.editor.enablePositionGrid(false);
    QCOMPARE(QApplication::focusWidget(), p.v);

    p.host.loading = true; // a press ends any fill in progress
    // QTest takes a point of (0, 0) for the widget's centre.
    for (auto type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, QPointF(0, 0), p.editor.grid()->mapToGlobal(QPointF(0, 0)),
                          Qt::LeftButton, {}, {});
        QApplication::sendEvent(p.editor.grid(), &event);
    }
    QCOMPARE(p.texts(), QStringLiteral("1|1"));
    QCOMPARE(p.editor.markerTwips(), QPoint(660 - 77, 390 - 63));
    QVERIFY(!p.host.loading);
    QCOMPARE(QApplication::focusWidget(), p.txtMove);

    QTest::mouseClick(p.editor.grid(), Qt::RightButton, {}, QPoint(79, 51));
    QCOMPARE(p.sent(), "94,30 sent 2");

    p.editor.resetPointerOnMouseMove(&p.window);
    const QLineEdit *readOut = p.editor.coordinates();
    PositionGrid *grid = p.editor.grid();
    QTest::mouseMove(grid, {79, 51});
    QCOMPARE(p.editor.pointer().mode(), WindowPointer::Mode::Custom);
    QVERIFY(p.window.testAttribute(Qt::WA_SetCursor));
    QVERIFY(readOut->isVisible());
    QCOMPARE(readOut->text(), QStringLiteral("94,30"));
    QCOMPARE(p.editor.coordinatesTwips(), QPoint(660 + 1185 + 75, 390 + 765 + 75));

    QTest::mousePress(grid, Qt::LeftButton, {}, {20, 20});
    QTest::mouseMove(grid, {40, 40}); // dragging changes no position
    QVERIFY(readOut->isHidden());
    QTest::mouseRelease(grid, Qt::LeftButton, {}, {40, 40});
    // The crosshair waits for the next hover.
    QCOMPARE(p.editor.pointer().mode(), WindowPointer::Mode::Default);
    QCOMPARE(p.texts(), QStringLiteral("25|12"));

    QTest::mousePress(grid, Qt::MiddleButton, {}, {30, 30});
    QTest::mouseMove(grid, {60, 30}); // middle held hovers
    QTest::mouseRelease(grid, Qt::MiddleButton, {}, {60, 30});
    QCOMPARE(readOut->text(), QStringLiteral("72,18"));

    QTest::mouseMove(&p.window, grid->mapTo(&p.window, QPoint(60, -20))); // frame, above grid
    QVERIFY(readOut->isHidden());
    QTest::mouseMove(grid, {10, 10});
    QTest::mouseMove(&p.window, {5, 5}); // the window's background keeps the read-out
    QVERIFY(readOut->isVisible());
}

void TestPositionEditor::arrowKeysStepAndClamp()
{
    Panel p;
    p.host.policy = 2; // any non-zero policy sends from the arrow keys
    // Each step: both texts, the key, then the texts and the selected text of either field.
    using Step = std::tuple<const char *, const char *, Qt::Key, const char *>;
    const Step steps[] = {
        {"1", "58", Qt::Key_Left, "1|58 1"},       {"1", "58", Qt::Key_Down, "1|58 58"},
        {"188", "9", Qt::Key_Right, "188|9 188"},  {"5", "9", Qt::Key_Up, "5|8 "},
        {"1e400", "9", Qt::Key_Left, "188|9 188"}, {"9", "-1D999", Qt::Key_Down, "9|1 1"},
        {"", "9", Qt::Key_Left, "1|9 1"},          {"", "9", Qt::Key_Right, "1|9 "},
    };
    for (auto [h, v, key, after] : steps) {
        p.h->setText(QLatin1String(h));
        p.v->setText(QLatin1String(v));
        QTest::keyClick(p.txtMove, key, Qt::ShiftModifier);
        QCOMPARE(p.texts() + u' ' + p.h->selectedText() + p.v->selectedText(),
                 QLatin1String(after));
    }
    QCOMPARE(p.sent(), "1,9 sent 8"); // also when the clamp leaves the position as it was
    p.host.loading = true;
    QTest::keyClick(p.txtMove, Qt::Key_Right);
    QCOMPARE(p.h->text() + u' ' + p.sent(), "2 1,9 sent 8");
    p.host.loading = false;
    p.host.policy = 0;
    QTest::keyClick(p.txtMove, Qt::Key_Up);
    QCOMPARE(p.sent(), "2,8 sent 8");
}

void TestPositionEditor::typedCoordinatesAndSizesAreClampedAndRounded()
{
    Panel p;
    QVERIFY(p.active);
    p.host.policy = 2; // only the arrow keys send unless the policy is 1
    p.v->setText(QStringLiteral("59"));
    p.type(p.h, QStringLiteral("-3"));
    QCOMPARE(selected(p.h), QStringLiteral("1"));
    QCOMPARE(selected(p.v), QStringLiteral("58")); // both fields are checked every time
    p.type(p.h, QStringLiteral("4.5"));
    p.type(p.v, QStringLiteral("0.9"));
    QCOMPARE(p.texts() + u' ' + selected(p.v) + u' ' + p.sent(), "4.5|1 1 4,1 sent 0");

    p.h->setFocus();
    p.h->selectAll();
    QTest::keyClick(p.h, Qt::Key_Backspace);
    QCOMPARE(selected(p.h), QStringLiteral("1"));
    QTest::keyClicks(p.h, QStringLiteral("200"));
    QCOMPARE(selected(p.h) + u' ' + p.sent(), "188 188,1 sent 0");
    QCOMPARE(QApplication::focusWidget(), p.h);
    QCOMPARE(p.editor.grid()->look(), PositionGrid::Look::Inactive);

    // Releases that a held key repeats are not checked; only the final release is.
    QKeyEvent repeat(QEvent::KeyRelease, Qt::Key_Backspace, Qt::NoModifier, {}, true);
    QApplication::sendEvent(p.h, &repeat);
    p.host.policy = 0;
    p.type(p.h, QStringLiteral("7"));
    QCOMPARE(p.sent(), "7,1 sent 0");

    p.editor.sldHorizSize()->setValue(1);
    QCOMPARE(p.sizes(), QStringLiteral("4:1:1 0:3:3"));
    p.editor.sldHorizSize()->setValue(12);
    p.editor.sldVertSize()->setValue(1);
    QCOMPARE(p.sizes(), QStringLiteral("15:12:12 1:1:1"));

    // The vertical size is smallest at the top: the button that sets a slider where it is
    // pressed gives 1 high on the slider, and the arrow keys move the handle the way they point.
    QSlider *vertical = p.editor.sldVertSize();
    const int setsAt = vertical->style()->styleHint(QStyle::SH_Slider_AbsoluteSetButtons);
    const auto button = static_cast<Qt::MouseButton>(setsAt & -setsAt);
    vertical->setValue(2);
    QTest::mouseClick(vertical, button, {}, QPoint(vertical->width() / 2, 2));
    QCOMPARE(vertical->value(), 1);
    QTest::keyClick(vertical, Qt::Key_Down);
    QCOMPARE(vertical->value(), 2);

    p.host.loading = true;
    p.v->setFocus();
    p.editor.sldVertSize()->setValue(3);
    QCOMPARE(p.sizes() + u' ' + p.sent(), "15:12:12 2:3:2 7,1 sent 0");
    QCOMPARE(QApplication::focusWidget(), p.txtMove);

    // Showing a record repairs values out of range but keeps a received vertical 59..63.
    p.host.record = ChannelSettings();
    p.host.record[Field::VertPos] = 5;
    p.host.record[Field::HorizSize] = 16;
    p.editor.showPosition(p.host.record);
    QCOMPARE(p.texts() + u' ' + p.sizes(), QStringLiteral("92|30 7:4:4 2:2:2"));
    p.host.record[Field::VertPos] = 63;
    p.host.record[Field::HorizPos] = 188;
    p.host.record[Field::HorizSize] = 15;
    p.host.record[Field::VertSize] = 4;
    p.editor.showPosition(p.host.record);
    QCOMPARE(p.texts() + u' ' + p.sizes() + u' ' + p.sent(), "188|63 15:12:12 2:2:2 188,63 sent 0");
}

QTEST_MAIN(TestPositionEditor)
#include "test_position_editor.moc"
