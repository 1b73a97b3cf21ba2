#include "apps/ModelWindows.h"
#include "panel/editor/ChannelEditor.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/MainWindow.h"
#include "position/PositionGrid.h"
#include "tests/support/Deadline.h"
#include "tests/support/MemoryPreferencesStore.h"
#include "tests/support/RecordingSink.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QToolTip>

#include <utility>

using namespace qm;

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
    QList<int> commandsSent() const
    {
        QList<int> commands;
        for (const QByteArray &frame : sink.frames)
            commands << frame.at(frame.size() - 3) * 100 + frame.at(frame.size() - 2);
        return commands;
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

// Clicks the box or option itself, left of its caption.
void click(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

} // namespace

class TestChannelEditor : public QObject
{
    Q_OBJECT
private slots:
    void showingAChannelRepairsTheRecordAndSendsNothing();
    void everyControlFollowsTheUpdatePolicy_data();
    void everyControlFollowsTheUpdatePolicy();
    void updateSendsTheShownChannel();
    void textLinesAndFocus();
    void textLinesTakeOnlyWhatReachesTheUnit_data();
    void textLinesTakeOnlyWhatReachesTheUnit();
};

// Lists and options show masked values; only out-of-range ones are repaired, and the text
// lines show without their blanks while the record keeps them.
void TestChannelEditor::showingAChannelRepairsTheRecordAndSendsNothing()
{
    Panel p(qm410aWindow());
    p.select(0);
    ChannelSettings defaults;
    defaults[Field::VertPos] = 30;
    defaults[Field::HorizPos] = 92;
    defaults[Field::VertSize] = 2;
    defaults[Field::HorizSize] = 7;
    QCOMPARE(p.table[0], defaults);

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
    p.editor.selectChannel(12);
    QCOMPARE(p.editor.currentChannel(), 1);
    QVERIFY(p.c.channelSelectors[1]->hasSelectedLook());
    QVERIFY(!p.c.channelSelectors[0]->hasSelectedLook());
    QCOMPARE(p.sink.frames, QByteArrayList());            // showing a channel sends nothing
    QCOMPARE(p.store.values, (QMap<QString, QString>())); // nor stores anything
    QVERIFY(!p.editor.isLoading());

    Panel qm520(qm520aWindow());
    qm520.table[0] = qm520.table[1] = qm520.table[2] = saneRecord();
    qm520.table[0][Field::TimeFont] = 1;
    qm520.table[1][Field::TimeFont] = 2; // no such font: the list keeps the last one shown
    qm520.table[1][Field::DisplayMode] = 4;
    qm520.table[2][Field::DisplayMode] = 3;
    const ChannelSettings kept = qm520.table[1];
    qm520.select(0);
    // The time font list is filled after the text lines, so the grid stays active.
    QCOMPARE(qm520.editor.positionEditor().grid()->look(), PositionGrid::Look::Active);
    qm520.select(1);
    QCOMPARE(qm520.table[1], kept);
    QCOMPARE(qm520.window.control<QComboBox>("cmbTimeFont")->currentIndex(), 1);
    QCOMPARE(qm520.window.control<QComboBox>("cmbDisplayMode")->currentIndex(), 0);
    qm520.select(2);
    QCOMPARE(qm520.table[2][Field::DisplayMode], 0);
    QCOMPARE(qm520.sink.frames, QByteArrayList());
}

void TestChannelEditor::everyControlFollowsTheUpdatePolicy_data()
{
    QTest::addColumn<bool>("is520a");
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("field"); // -1 for a text line
    QTest::addColumn<int>("before");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("command"); // of the one frame sent at once
    const auto row = [](bool is520a, const char *control, int field, int before,
                        const QString &stored, int command) {
        QTest::addRow("%s %s", is520a ? "QM-520A" : "QM-410A", control)
            << is520a << QString::fromLatin1(control) << field << before << stored << command;
    };
    for (bool is520a : {false, true}) {
        row(is520a, "chkBlank", int(Field::Blank), 0, "1", 3);
        row(is520a, "chkEnable_0", int(Field::TextEnables), 2, "3", 2);
        row(is520a, "chkEnable_1", int(Field::TextEnables), 2, "0", 2);
        row(is520a, "chkEnable_2", int(Field::TextEnables), 2, "6", 2);
        row(is520a, "cmbWindowMode", int(Field::WindowMode), 0, "1", 2);
        row(is520a, "cmbDisplayMode", int(Field::DisplayMode), 0, "1", 2);
        row(is520a, "txtText_0", -1, 0, "onex", 5);
        row(is520a, "txtText_1", -1, 0, "twox", 6);
        row(is520a, "txtText_2", -1, 0, "threex", 7);
    }
    row(false, "cmbDateMode", int(Field::DateMode), 0, "1", 2);
    row(false, "cmbTimeZone", int(Field::TimeZone), 0, "1", 2);
    row(false, "optQOR", int(Field::TimeCodeInput), 1, "0", 2);
    row(false, "optSMPTE", int(Field::TimeCodeInput), 0, "1", 2);
    row(false, "opt12hr", int(Field::HourMode), 0, "1", 2);
    row(false, "opt24hr", int(Field::HourMode), 1, "0", 2);
    row(true, "chkAutoStop", int(Field::AutoStop), 0, "1", 2);
    row(true, "chkLeapSeconds", int(Field::LeapSeconds), 0, "1", 2);
    row(true, "cmbTimeFont", int(Field::TimeFont), 0, "1", 9);
}

// With the policy 1 an edit is stored and its one frame goes at once. With any other policy
// (2 here) the edit is stored and nothing goes until Update, whose frames then carry it.
void TestChannelEditor::everyControlFollowsTheUpdatePolicy()
{
    QFETCH(bool, is520a);
    QFETCH(QString, control);
    QFETCH(int, field);
    QFETCH(int, before);
    QFETCH(QString, stored);
    QFETCH(int, command);
    for (qint16 policy : {1, 2}) {
        Panel p(is520a ? qm520aWindow() : qm410aWindow());
        p.table[2] = saneRecord();
        if (field >= 0)
            p.table[2][Field(field)] = quint8(before);
        p.editor.applyUpdatePolicy(policy);
        p.select(2);
        QWidget *widget = p.window.findChild<QWidget *>(control);
        QVERIFY(widget);
        for (int page = 0; page < p.c.sstSettings->count(); ++page) {
            if (p.c.sstSettings->widget(page)->isAncestorOf(widget))
                p.c.sstSettings->setCurrentIndex(page);
        }
        QByteArrayList unedited;
        if (policy != 1) {
            QTest::mouseClick(p.c.cmdUpdate, Qt::LeftButton);
            unedited = std::exchange(p.sink.frames, {});
        }
        if (auto *list = qobject_cast<QComboBox *>(widget))
            QTest::keyClick(list, Qt::Key_Down);
        else if (auto *line = qobject_cast<QLineEdit *>(widget))
            QTest::keyClick(line, Qt::Key_X);
        else
            click(qobject_cast<QAbstractButton *>(widget));

        const ChannelSettings &record = p.table[2];
        QCOMPARE(field >= 0 ? QString::number(record[Field(field)])
                            : record.texts[std::size_t(control.back().digitValue())],
                 stored);
        if (policy == 1) {
            QCOMPARE(p.commandsSent(), QList<int>{command * 100 + 2});
            continue;
        }
        QVERIFY2(p.sink.frames.isEmpty(), "a deferred edit sends nothing");
        QTest::mouseClick(p.c.cmdUpdate, Qt::LeftButton);
        QCOMPARE(p.sink.frames.size(), unedited.size());
        QVERIFY2(p.sink.frames != unedited, "Update carries the edit");
    }
}

// The box is cleared by the operator, so the choice is stored; the start-up policy is not.
// Update then sends the shown channel's frames, its text without the blanks.
void TestChannelEditor::updateSendsTheShownChannel()
{
    Panel p(qm520aWindow());
    p.editor.applyUpdatePolicy(1);
    QVERIFY(!p.c.cmdUpdate->isEnabled());
    QCOMPARE(p.store.values, (QMap<QString, QString>()));
    click(p.c.chkUpdateImmediately);
    QCOMPARE(p.editor.updateImmediately(), 0);
    QCOMPARE(p.store.values.value("Settings/UpdateImmediately"), "0");
    p.table[4] = saneRecord();
    p.table[4].texts[0] = QStringLiteral("  five  ");
    p.select(4);
    QTest::mouseClick(p.c.cmdUpdate, Qt::LeftButton);
    QCOMPARE(p.commandsSent(), QList<int>({504, 604, 704, 204, 404, 904}));
    QCOMPARE(p.sink.frames[0].left(5), QByteArray("five\x80"));
    QVERIFY(p.c.txtMove->hasFocus());
}

// A click in a text line selects it so typing replaces it, and each key sends the line; a
// press on the tab strip puts back the normal pointer and the keyboard on the arrow keys.
void TestChannelEditor::textLinesAndFocus()
{
    Panel p(qm410aWindow());
    p.table[5] = saneRecord();
    p.select(5);
    PositionEditor &position = p.editor.positionEditor();
    p.c.sstSettings->setCurrentIndex(1);
    QLineEdit *line = p.window.control<QLineEdit>("txtText_1");
    QTest::mouseClick(line, Qt::LeftButton, {}, QPoint(3, line->height() / 2));
    QTRY_COMPARE_WITH_TIMEOUT(line->selectedText(), "two", test::DeadlineMs);
    p.sink.frames.clear();
    QTest::keyClicks(line, QStringLiteral("abc"));
    QCOMPARE(p.commandsSent(), QList<int>({605, 605, 605}));
    QCOMPARE(p.sink.frames[1].left(3), QByteArray("ab\x80"));
    QVERIFY2(line->hasFocus(), "typing keeps the keyboard in the line");
    QCOMPARE(position.grid()->look(), PositionGrid::Look::Inactive);

    QTest::mouseMove(position.grid(), position.grid()->rect().center());
    QCOMPARE(position.pointer().mode(), WindowPointer::Mode::Custom);
    QTabBar *tabs = p.c.sstSettings->tabBar();
    const QPoint tab = tabs->tabRect(2).center();
    QTest::mousePress(tabs, Qt::LeftButton, {}, tab);
    QCOMPARE(position.pointer().mode(), WindowPointer::Mode::Default);
    p.window.control<QLineEdit>("txtText_0")->setFocus();
    QTest::mouseRelease(tabs, Qt::LeftButton, {}, tab);
    QVERIFY(p.c.txtMove->hasFocus());
}

void TestChannelEditor::textLinesTakeOnlyWhatReachesTheUnit_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept"); // what the line holds after it
    const auto row = [](const char *tag, const QString &typed, const QString &kept) {
        QTest::newRow(tag) << typed << kept;
    };
    row("u with diaeresis, a marker", "M\u00fcller", "Mller");
    row("o with stroke, a marker", "\u00f8st", "st");
    row("euro sign, the pad", "5\u20ac", "5");
    row("outside the character set", "\u041c", "");
    row("u with acute", "\u00fa", "\u00fa");
    row("blanks at the ends", " a ", " a ");
}

// A character the unit would not keep as typed is refused where it is typed, with the reason
// beside the line, instead of turning into another one on the way.
void TestChannelEditor::textLinesTakeOnlyWhatReachesTheUnit()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    Panel p(qm520aWindow());
    p.table[0] = saneRecord();
    p.select(0);
    QLineEdit *line = p.window.control<QLineEdit>("txtText_0");
    line->clear();
    QToolTip::hideText();
    // Key events that carry their text, as a keyboard of any layout sends them.
    for (QChar character : typed) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QApplication::sendEvent(line, &press);
    }
    QCOMPARE(line->text(), kept);
    QCOMPARE(QToolTip::isVisible(), kept != typed);
    for (QChar refused : typed) {
        if (!kept.contains(refused))
            QVERIFY2(QToolTip::text().contains(refused), qPrintable(QToolTip::text()));
    }
}

QTEST_MAIN(TestChannelEditor)
#include "test_channel_editor.moc"
