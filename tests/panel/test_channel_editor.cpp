#include "ChannelEditor.h"
#include "ChannelSelector.h"
#include "MainWindow.h"
#include "MemoryPreferencesStore.h"
#include "ModelWindows.h"
#include "PositionGrid.h"
#include "RecordingSink.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>

#include <algorithm>
#include <tuple>

using namespace qm;

namespace {

// A real main window of one model with the editor wired to a recording line.
struct Panel
{
    explicit Panel(const WindowDescription &description)
        : model(*description.model), sender(model, table, sink), preferences(store),
          window(description), editor(model, &window, window.controls(), description.positionLayout,
                                      table, state, sender, preferences, QString()),
          c(window.controls())
    {
        window.setEnabled(true);
        for (ChannelSelector *selector : c.cmdButton)
            selector->setEnabled(true);
        window.show();
        window.activateWindow();
        static_cast<void>(QTest::qWaitForWindowActive(&window));
    }
    void select(int index, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(c.cmdButton[static_cast<std::size_t>(index)], button);
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
    SharedState state;
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
    void eachControlStoresItsFieldAndSendsItsFrame();
    void deferredEditsWaitForUpdate();
    void textLinesAndFocus();
};

void TestChannelEditor::showingAChannelRepairsTheRecordAndSendsNothing()
{
    Panel p(qm410aWindow());
    PositionEditor &position = p.editor.positionEditor();
    p.table[2] = saneRecord();
    p.table[2].texts[1] = QStringLiteral("  padded  ");
    p.table[3][Field::VertPos] = 5;
    p.table[3][Field::HorizSize] = 15;
    p.table[4][Field::VertPos] = 63;
    p.table[4][Field::HorizSize] = 16;

    p.select(0);
    ChannelSettings defaults;
    defaults[Field::VertPos] = 30;
    defaults[Field::HorizPos] = 92;
    defaults[Field::VertSize] = 2;
    defaults[Field::HorizSize] = 7;
    QCOMPARE(p.table[0], defaults);
    QCOMPARE(position.txtVertical()->text() + position.txtHorizontal()->text(), "3092");

    // Lists and options show masked values; only out-of-range ones are repaired.
    ChannelSettings &r = p.table[1];
    r = saneRecord();
    r[Field::TimeZone] = 49;
    r[Field::DateMode] = 3;
    r[Field::TimeCodeInput] = 2;
    r[Field::HourMode] = 5;
    r[Field::WindowMode] = 6;
    ChannelSettings repaired = r;
    repaired[Field::TimeZone] = repaired[Field::DateMode] = 0;
    p.select(1);
    QCOMPARE(r, repaired);
    QVERIFY(p.c.cmbWindowMode->currentIndex() == 2 && p.c.optQOR->isChecked() &&
            p.c.opt24hr->isChecked());
    r[Field::TimeZone] = 48;
    p.select(1);
    QCOMPARE(p.c.cmbTimeZone->currentIndex(), 48);

    p.select(2, Qt::RightButton);
    QCOMPARE(p.c.txtText[1]->text(), "padded");
    QVERIFY2(position.grid()->look() == PositionGrid::Look::Active && p.c.txtMove->hasFocus(),
             "filling the text lines is no typing: the arrow keys stay with the grid");
    QCOMPARE(p.table[2].texts[1], "  padded  ");
    p.select(3, Qt::MiddleButton);
    QCOMPARE(p.table[3][Field::VertPos], 30);
    QCOMPARE(position.sldHorizSize()->value(), 12);
    p.select(4);
    QCOMPARE(p.table[4][Field::VertPos], 63);
    QCOMPARE(p.table[4][Field::HorizSize], 7);
    QCOMPARE(position.sldHorizSize()->value(), 4);
    p.editor.selectChannel(12);

    QCOMPARE(p.state.currentChannel, 4);
    QVERIFY(p.c.cmdButton[4]->hasSelectedLook() && !p.c.cmdButton[3]->hasSelectedLook());
    QVERIFY2(p.sink.frames.isEmpty(), "showing a channel must not send");
    QVERIFY(p.store.values.isEmpty() && !p.editor.isLoading());

    Panel qm520(qm520aWindow());
    for (int i = 0; i < 3; ++i)
        qm520.table[i] = saneRecord();
    qm520.table[0][Field::TimeFont] = 1;
    qm520.table[1][Field::TimeFont] = 2;
    qm520.table[1][Field::DisplayMode] = 4;
    qm520.table[2][Field::DisplayMode] = 3;
    const ChannelSettings kept = qm520.table[1];
    qm520.select(0);
    qm520.select(1);
    QCOMPARE(qm520.table[1], kept);
    QCOMPARE(qm520.c.cmbTimeFont->currentIndex(), 1);
    QCOMPARE(qm520.c.cmbDisplayMode->currentIndex(), 0);
    qm520.select(2);
    QCOMPARE(qm520.table[2][Field::DisplayMode], 0);
    QVERIFY(qm520.sink.frames.isEmpty());
}

void TestChannelEditor::eachControlStoresItsFieldAndSendsItsFrame()
{
    for (const auto &[window, control, field, stored, command] :
         {std::tuple{&qm410aWindow(), "chkEnable_1", Field::TextEnables, 3, 2},
          std::tuple{&qm410aWindow(), "optSMPTE", Field::TimeCodeInput, 1, 2},
          std::tuple{&qm520aWindow(), "cmbWindowMode", Field::WindowMode, 1, 2},
          std::tuple{&qm520aWindow(), "cmbTimeFont", Field::TimeFont, 1, 9}}) {
        Panel p(*window);
        p.table[2] = saneRecord();
        p.select(2);
        QWidget *widget = p.window.findChild<QWidget *>(control);
        if (auto *list = qobject_cast<QComboBox *>(widget))
            QTest::keyClick(list, Qt::Key_Down);
        else
            click(qobject_cast<QAbstractButton *>(widget));
        QCOMPARE(p.table[2][field], stored);
        QCOMPARE(p.commandsSent(), QList<int>{command * 100 + 2});
        const auto at = std::find(p.model.dataPayload.begin(), p.model.dataPayload.end(), field);
        const qsizetype payloadIndex = command == 9 ? 0 : at - p.model.dataPayload.begin();
        QCOMPARE(p.sink.frames.first().at(payloadIndex), stored);
        QVERIFY2(p.c.txtMove->hasFocus(), "an edit hands the arrow keys to the grid");
    }
}

// The box is cleared by the operator, so the choice is stored; the start-up policy is not.
void TestChannelEditor::deferredEditsWaitForUpdate()
{
    Panel p(qm520aWindow());
    p.editor.applyUpdatePolicy(1);
    QVERIFY(!p.c.cmdUpdate->isEnabled() && p.store.values.isEmpty());
    click(p.c.chkUpdateImmediately);
    QCOMPARE(p.state.updateImmediately, 0);
    QCOMPARE(p.store.values.value("Settings/UpdateImmediately"), "0");
    p.table[1] = p.table[4] = saneRecord();
    p.table[4][Field::Blank] = 1;
    p.table[4].texts[0] = QStringLiteral("  five  ");
    p.select(1);
    QTest::keyClick(p.c.cmbWindowMode, Qt::Key_Down);
    QCOMPARE(p.table[1][Field::WindowMode], 1);
    p.select(4);
    QVERIFY(p.sink.frames.isEmpty());
    QTest::mouseClick(p.c.cmdUpdate, Qt::LeftButton);

    QCOMPARE(p.commandsSent(), QList<int>({504, 604, 704, 204, 304, 904}));
    QCOMPARE(p.sink.frames[0].left(5), QByteArray("five\x80"));
    QVERIFY(p.c.txtMove->hasFocus());
}

void TestChannelEditor::textLinesAndFocus()
{
    Panel p(qm410aWindow());
    p.table[5] = saneRecord();
    p.select(5);
    PositionEditor &position = p.editor.positionEditor();
    p.c.sstSettings->setCurrentIndex(1);
    QLineEdit *line = p.c.txtText[1];
    QTest::mouseClick(line, Qt::LeftButton, {}, QPoint(3, line->height() / 2));
    QTRY_COMPARE(line->selectedText(), "two"); // so typing replaces the line
    p.sink.frames.clear();
    QTest::keyClicks(line, QStringLiteral("abc"));
    QCOMPARE(p.commandsSent(), QList<int>({605, 605, 605}));
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(p.sink.frames[i].size(), 33);
        QCOMPARE(p.sink.frames[i].left(i + 2), QByteArray("abc").left(i + 1) + char(0x80));
    }
    QCOMPARE(p.table[5].texts[1], "abc");
    QVERIFY2(line->hasFocus(), "typing keeps the keyboard in the line");
    QCOMPARE(position.grid()->look(), PositionGrid::Look::Inactive);

    QTest::mouseMove(position.grid(), position.grid()->rect().center());
    QCOMPARE(position.pointer().mode(), WindowPointer::Mode::Custom);
    QTabBar *tabs = p.c.sstSettings->tabBar();
    const QPoint tab = tabs->tabRect(2).center();
    QTest::mousePress(tabs, Qt::LeftButton, {}, tab);
    QCOMPARE(position.pointer().mode(), WindowPointer::Mode::Default);
    p.c.txtText[0]->setFocus();
    QTest::mouseRelease(tabs, Qt::LeftButton, {}, tab);
    QVERIFY(p.c.txtMove->hasFocus());
}

QTEST_MAIN(TestChannelEditor)
#include "test_channel_editor.moc"
