#include "apps/ModelWindows.h"
#include "panel/editor/ChannelEditor.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/MainWindow.h"
#include "position/PositionGrid.h"
#include "tests/support/Deadline.h"
#include "tests/support/MemoryPreferencesStore.h"
#include "tests/support/RecordingSink.h"
#include "tests/support/SettingControls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>

using namespace qm;
using namespace std::string_view_literals;

namespace {

// A real main window of one model with the editor wired to a recording line.
struct Panel
{
    explicit Panel(const WindowDescription &description)
        : model(*description.model), sender(model, table, sink), preferences(store),
          window(description),
          editor(description.controls, &window, window.controls(), description.positionLayout,
                 table, sender, preferences, QString()),
          c(window.controls())
    {
        window.setEnabled(true);
        for (ChannelSelector *selector : c.channelSelectors)
            selector->setEnabled(true);
        window.show();
        window.activateWindow();
        static_cast<void>(QTest::qWaitForWindowActive(&window));
    }
    void select(int index, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(c.channelSelectors[static_cast<std::size_t>(index)], button);
    }

    const UnitModel &model;
    ChannelTable table;
    test::RecordingSink sink;
    CommandSender sender;
    test::MemoryPreferencesStore store;
    Preferences preferences;
    MainWindow window;
    ChannelEditor editor;
    const MainWindowControls &c;
};

ChannelSettings saneRecord()
{
    ChannelSettings r;
    r[Field::TextEnables] = 1;
    r[Field::VertPos] = 20;
    r[Field::HorizPos] = 100;
    r[Field::VertSize] = 1;
    r[Field::HorizSize] = 9;
    r.texts = {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")};
    return r;
}

} // namespace

Q_DECLARE_METATYPE(test::SettingControl)

class TestChannelEditor : public QObject
{
    Q_OBJECT
private slots:
    void showingAChannelRepairsTheRecordAndSendsNothing();
    void aControlChangedByKeyKeepsTheKeyboard_data();
    void aControlChangedByKeyKeepsTheKeyboard();
    void everyControlStoresItsEditForUpdate_data();
    void everyControlStoresItsEditForUpdate();
    void textLinesTakeOnlyWhatReachesTheUnit_data();
    void textLinesTakeOnlyWhatReachesTheUnit();
};

// Lists and options show masked values; only out-of-range ones are repaired, and the text
// lines show without their blanks while the record keeps them.
void TestChannelEditor::showingAChannelRepairsTheRecordAndSendsNothing()
{
    Panel p(qm410aWindow());
    ChannelSettings &r = p.table[1];
    r = saneRecord();
    r.texts[1] = QStringLiteral("  padded  ");
    r[Field::TimeZone] = 49;
    r[Field::DateMode] = 3;
    r[Field::TimeCodeInput] = 2;
    r[Field::HourMode] = 5;
    r[Field::WindowMode] = 6;
    ChannelSettings repaired = r;
    repaired[Field::TimeZone] = repaired[Field::DateMode] = 0;
    p.select(1, Qt::RightButton);
    QCOMPARE(r, repaired);
    QCOMPARE(p.window.control<QComboBox>("cmbWindowMode")->currentIndex(), 2);
    QVERIFY(p.window.control<QRadioButton>("optQOR")->isChecked());
    QVERIFY(p.window.control<QRadioButton>("opt24hr")->isChecked());
    QCOMPARE(p.window.control<QLineEdit>("txtText_1")->text(), "padded");
    // Filling a text line greys the grid but leaves the arrow keys where they were.
    QCOMPARE(p.editor.positionEditor().grid()->look(), PositionGrid::Look::Inactive);
    QVERIFY(p.c.txtMove->hasFocus());
    r[Field::TimeZone] = 48;
    p.select(1);
    QCOMPARE(p.window.control<QComboBox>("cmbTimeZone")->currentIndex(), 48);
    QCOMPARE(p.sink.frames, QByteArrayList());            // showing a channel sends nothing
    QCOMPARE(p.store.values, (QMap<QString, QString>())); // nor stores anything

    Panel qm520(qm520aWindow());
    qm520.table[0] = qm520.table[1] = qm520.table[2] = saneRecord();
    qm520.table[0][Field::TimeFont] = 1;
    qm520.table[1][Field::TimeFont] = 2; // no such font: the list keeps the last one shown
    const ChannelSettings kept = qm520.table[1];
    qm520.select(0);
    qm520.select(1);
    QCOMPARE(qm520.table[1], kept);
    QCOMPARE(qm520.window.control<QComboBox>("cmbTimeFont")->currentIndex(), 1);
    QCOMPARE(qm520.sink.frames, QByteArrayList());
}

void TestChannelEditor::aControlChangedByKeyKeepsTheKeyboard_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("input");
    QTest::addColumn<bool>("keeps");
    QTest::newRow("list, Down") << "cmbWindowMode"
                                << "key" << true;
    QTest::newRow("list, wheel") << "cmbWindowMode"
                                 << "wheel" << false;
    QTest::newRow("check box, Space") << "chkEnable_1"
                                      << "key" << true;
    QTest::newRow("check box, click") << "chkEnable_1"
                                      << "click" << false;
}

// Readers speak a new value in the control that has the keyboard, and the next arrow key goes
// on there; by the mouse, the arrow keys move the position next, as ever.
void TestChannelEditor::aControlChangedByKeyKeepsTheKeyboard()
{
    QFETCH(QString, control);
    QFETCH(QString, input);
    QFETCH(bool, keeps);
    Panel p(qm520aWindow());
    p.table[0] = saneRecord();
    p.select(0);
    auto *widget = p.window.findChild<QWidget *>(control);
    test::showPageOf(widget);
    widget->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(widget->hasFocus(), test::DeadlineMs);
    const ChannelSettings before = p.table[0];
    if (input == u"key") {
        QTest::keyClick(widget, qobject_cast<QComboBox *>(widget) ? Qt::Key_Down : Qt::Key_Space);
    } else if (input == u"click") {
        QTest::mouseClick(widget, Qt::LeftButton);
    } else {
        const QPointF centre = QRectF(widget->rect()).center();
        QWheelEvent wheel(centre, widget->mapToGlobal(centre), {}, {0, -120}, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(widget, &wheel);
    }
    QVERIFY2(p.table[0] != before, "the control was changed");
    QCOMPARE(QApplication::focusWidget(), keeps ? widget : p.c.txtMove);
    QCOMPARE(p.editor.positionEditor().grid()->look(),
             keeps ? PositionGrid::Look::Inactive : PositionGrid::Look::Active);
}

// Every bound control of both windows but the position editor's, which tests its own.
void TestChannelEditor::everyControlStoresItsEditForUpdate_data()
{
    QTest::addColumn<const WindowDescription *>("description");
    QTest::addColumn<test::SettingControl>("setting");
    for (const WindowDescription *description : {&qm410aWindow(), &qm520aWindow()}) {
        for (const test::SettingControl &setting : test::settingControls(*description)) {
            if (setting.binding.kind != SettingKind::Position)
                QTest::addRow("%s %s", qPrintable(description->model->name),
                              qPrintable(setting.name))
                    << description << setting;
        }
    }
}

// With Update Immediately cleared by the operator, which is stored unlike the start-up policy,
// an edit changes the control's own field and no other, nothing goes until Update, and Update's
// frames then carry it. (What each edit sends at once is the wire session's golden log.)
void TestChannelEditor::everyControlStoresItsEditForUpdate()
{
    QFETCH(const WindowDescription *, description);
    QFETCH(test::SettingControl, setting);
    Panel p(*description);
    ChannelSettings &record = p.table[2];
    record = saneRecord();
    p.editor.applyUpdatePolicy(1);
    p.c.chkUpdateImmediately->click();
    QCOMPARE(p.store.values, (QMap<QString, QString>{{"Settings/UpdateImmediately", "0"}}));
    p.select(2);
    QWidget *widget = p.window.findChild<QWidget *>(setting.name);
    QVERIFY(widget);
    if (auto *option = qobject_cast<QRadioButton *>(widget); option && option->isChecked()) {
        record[setting.binding.field] ^= 1; // so that the click changes the choice
        p.select(2);
    }
    test::showPageOf(widget);
    const ChannelSettings before = record;
    QTest::mouseClick(p.c.cmdUpdate, Qt::LeftButton);
    const QByteArrayList unedited = std::exchange(p.sink.frames, {});
    if (auto *list = qobject_cast<QComboBox *>(widget))
        QTest::keyClick(list, list->currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up);
    else if (auto *line = qobject_cast<QLineEdit *>(widget))
        QTest::keyClick(line, Qt::Key_X);
    else
        qobject_cast<QAbstractButton *>(widget)->click();
    QVERIFY2(record != before, "the edit is stored");
    ChannelSettings others = record;
    const auto line = static_cast<std::size_t>(setting.binding.line);
    if (setting.binding.kind == SettingKind::TextLine)
        others.texts[line] = before.texts[line];
    else
        others[setting.binding.field] = before[setting.binding.field];
    QCOMPARE(others, before);
    QVERIFY2(p.sink.frames.isEmpty(), "a deferred edit sends nothing");
    QTest::mouseClick(p.c.cmdUpdate, Qt::LeftButton);
    QCOMPARE(p.sink.frames.size(), unedited.size());
    QVERIFY2(p.sink.frames != unedited, "Update carries the edit");
}

void TestChannelEditor::textLinesTakeOnlyWhatReachesTheUnit_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept"); // what the line holds after it
    QTest::addColumn<QString>("told"); // part of what the tip beside it says
    const auto text = [](std::u16string_view chars) {
        return QString::fromUtf16(chars.data(), static_cast<qsizetype>(chars.size()));
    };
    const auto row = [&text](const char *tag, std::u16string_view typed, std::u16string_view kept,
                             std::u16string_view told = {}) {
        QTest::newRow(tag) << text(typed) << text(kept) << text(told);
    };
    row("u with diaeresis, a marker", u"M\u00fcller", u"Mller", u"\u201c\u00fc\u201d (U+00FC)");
    row("euro sign, the pad", u"5\u20ac", u"5", u"fills out a line");
    row("outside the character set", u"\u041c", u"", u"(U+041C CYRILLIC CAPITAL LETTER EM)");
    row("Cyrillic a, a lookalike", u"\u0430", u"",
        u"\u201c\u0430\u201d (U+0430 CYRILLIC SMALL LETTER A)");
    row("CJK, no name", u"\u4e2d", u"", u"\u201c\u4e2d\u201d (U+4E2D) cannot");
    row("the 31st character", u"123456789012345678901234567890X", u"123456789012345678901234567890",
        u"up to 30 characters");
    row("30 and spaces at the ends", u" 123456789012345678901234567890 ",
        u" 123456789012345678901234567890 ");
    row("blanks at the ends, u with acute", u" \u00fa ", u" \u00fa ");
    // Pasted control characters: blanking on for channel 1, once the spaces are trimmed.
    row("the end of a frame inside", u"  \u0003\u0000\u00fa"sv, u"  \u0003\u0000"sv);
    row("u with acute where no frame ends", u"X\u0003\u0000\u00fa"sv, u"X\u0003\u0000\u00fa"sv);
}

// A character the unit would not keep as typed is refused where it is typed, with the reason
// beside the line, instead of turning into another one on the way.
void TestChannelEditor::textLinesTakeOnlyWhatReachesTheUnit()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    QFETCH(QString, told);
    Panel p(qm520aWindow());
    p.select(0);
    QLineEdit *line = p.window.control<QLineEdit>("txtText_0");
    QToolTip::hideText();
    // Key events that carry their text, as a keyboard of any layout sends them.
    for (QChar character : typed) {
        if (!character.isPrint()) {
            line->insert(character); // what no key types, a paste does
            continue;
        }
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QApplication::sendEvent(line, &press);
    }
    QCOMPARE(line->text(), kept);
    QCOMPARE(QToolTip::isVisible(), kept != typed);
    QVERIFY2(QToolTip::text().contains(told), qPrintable(QToolTip::text()));
}

QTEST_MAIN(TestChannelEditor)
#include "test_channel_editor.moc"
