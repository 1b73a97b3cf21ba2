#include "ItemClicks.h"
#include "RecordingSink.h"
#include "Twips.h"
#include "UpdateDialog.h"
#include "UpdateMultiple.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>

using namespace qm;

namespace {

QStringList texts(const QListWidget &list)
{
    QStringList result;
    for (int i = 0; i < list.count(); ++i)
        result << list.item(i)->text();
    return result;
}

QList<int> checkedRows(const QListWidget &list)
{
    QList<int> rows;
    for (int i = 0; i < list.count(); ++i) {
        if (list.item(i)->checkState() == Qt::Checked)
            rows << i;
    }
    return rows;
}

void clickText(QListWidget &list, int row)
{
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualItemRect(list.item(row)).center() + QPoint(20, 0));
}

struct Shown
{
    UpdateDialog dialog;
    QListWidget *channels = dialog.findChild<QListWidget *>("lstChannels");
    QListWidget *settings = dialog.findChild<QListWidget *>("lstSettings");
    QCheckBox *allChannels = dialog.findChild<QCheckBox *>("chkAllChannels");
    QCheckBox *allSettings = dialog.findChild<QCheckBox *>("chkAllSettings");
    QSignalSpy channelSpy{&dialog, &UpdateDialog::channelSelectionChanged};
    QSignalSpy settingSpy{&dialog, &UpdateDialog::settingSelectionChanged};

    Shown(const UnitModel &model, int found, double channelMask, double settingMask)
        : dialog(model, found, channelMask, settingMask)
    {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }
    double lastChannelMask() const { return channelSpy.last().first().toDouble(); }
    double lastSettingMask() const { return settingSpy.last().first().toDouble(); }
};

} // namespace

class TestUpdateDialog : public QObject
{
    Q_OBJECT
private slots:
    void loadShowsFoundChannelsAndTheMasks();
    void selectAllChecksOrClearsEveryItem();
    void uncheckingOneItemLeavesTheOthers();
    void hiddenChannelBitsLastUntilTheFirstClick();
    void buttonsAndCloseBoxEndTheDialog();
    void layoutAndTabOrder();
};

void TestUpdateDialog::loadShowsFoundChannelsAndTheMasks()
{
    for (int found : {0, 1, 5, 12}) {
        Shown shown(qm520a(), found, 4095, 2046);
        QStringList expected;
        for (int n = 1; n <= std::max(found, 1); ++n)
            expected << QStringLiteral("Channel   %1").arg(n);
        QCOMPARE(texts(*shown.channels), expected);
        QCOMPARE(checkedRows(*shown.channels).size(), expected.size());
        QCOMPARE(checkedRows(*shown.settings), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
        QVERIFY(!shown.allChannels->isChecked() && !shown.allSettings->isChecked());
        QVERIFY(shown.channelSpy.isEmpty() && shown.settingSpy.isEmpty());
    }

    Shown shown(qm410a(), 12, 0b1010'0000'0101, 1 + 2048);
    QCOMPARE(checkedRows(*shown.channels), (QList<int>{0, 2, 9, 11}));
    QCOMPARE(checkedRows(*shown.settings), (QList<int>{0, 11}));
    QCOMPARE(shown.settings->item(3)->text(), QStringLiteral("Time Code Input"));
    QCOMPARE(shown.dialog.channelSelection(), 0b1010'0000'0101);

    Shown unreadable(qm410a(), 12, std::numeric_limits<double>::quiet_NaN(), 1e300);
    QVERIFY(checkedRows(*unreadable.channels).isEmpty());
    QVERIFY(checkedRows(*unreadable.settings).isEmpty());
}

void TestUpdateDialog::selectAllChecksOrClearsEveryItem()
{
    Shown shown(qm520a(), 5, 0, 0);
    shown.channels->setCurrentRow(3);
    QTest::mouseClick(shown.allChannels, Qt::LeftButton);
    QCOMPARE(checkedRows(*shown.channels), (QList<int>{0, 1, 2, 3, 4}));
    QCOMPARE(shown.channels->currentRow(), 0);
    QCOMPARE(shown.lastChannelMask(), 31);
    QTest::mouseClick(shown.allChannels, Qt::LeftButton);
    QVERIFY(checkedRows(*shown.channels).isEmpty());
    QCOMPARE(shown.lastChannelMask(), 0);

    shown.allSettings->setFocus();
    QTest::keyClick(shown.allSettings, Qt::Key_Space);
    QCOMPARE(checkedRows(*shown.settings).size(), 12);
    QCOMPARE(shown.lastSettingMask(), 4095);
    QCOMPARE(shown.dialog.settingSelection(), 4095);
    QTest::mouseClick(shown.allSettings, Qt::LeftButton);
    QCOMPARE(shown.lastSettingMask(), 0);
    QCOMPARE(shown.channelSpy.size(), 2);
}

void TestUpdateDialog::uncheckingOneItemLeavesTheOthers()
{
    Shown shown(qm520a(), 12, 0, 2046);
    QTest::mouseClick(shown.allChannels, Qt::LeftButton);
    shown.channelSpy.clear();

    test::clickItemCheckBox(*shown.channels, 6);
    QCOMPARE(checkedRows(*shown.channels), (QList<int>{0, 1, 2, 3, 4, 5, 7, 8, 9, 10, 11}));
    QVERIFY(!shown.allChannels->isChecked());
    QCOMPARE(shown.channels->currentRow(), 6);
    QCOMPARE(shown.channelSpy.size(), 1);
    QCOMPARE(shown.lastChannelMask(), 4095 - 64);

    // Checking it again never ticks "Select/Unselect All".
    test::clickItemCheckBox(*shown.channels, 6);
    QCOMPARE(shown.lastChannelMask(), 4095);
    QVERIFY(!shown.allChannels->isChecked());

    // The keyboard toggles a check mark like the mouse, and recomputes the same way.
    shown.settings->setFocus();
    shown.settings->setCurrentRow(4);
    QTest::keyClick(shown.settings->viewport(), Qt::Key_Space);
    QCOMPARE(shown.lastSettingMask(), 2046 - 16);
    QTest::keyClick(shown.settings->viewport(), Qt::Key_Space);
    QCOMPARE(shown.lastSettingMask(), 2046);
}

void TestUpdateDialog::hiddenChannelBitsLastUntilTheFirstClick()
{
    {
        Shown shown(qm410a(), 4, 4095, 0);
        QCOMPARE(checkedRows(*shown.channels), (QList<int>{0, 1, 2, 3}));
        QTest::mouseClick(shown.dialog.findChild<QPushButton *>("cmdUpdate"), Qt::LeftButton);
        QVERIFY(shown.dialog.update());

        ChannelTable table;
        test::RecordingSink sink;
        CommandSender sender(qm410a(), table, sink);
        updateMultiple(qm410a(), table, 0, shown.dialog.channelSelection(),
                       shown.dialog.settingSelection(), sender, {});
        QCOMPARE(sink.frames.size(), 12);
    }
    {
        // A click that changes no check mark still drops the channels that are not listed.
        Shown shown(qm410a(), 4, 4095, 0);
        clickText(*shown.channels, 2);
        QCOMPARE(shown.channelSpy.size(), 1);
        QCOMPARE(shown.lastChannelMask(), 15);
        clickText(*shown.channels, 1);
        QCOMPARE(shown.channelSpy.size(), 1);
    }
}

void TestUpdateDialog::buttonsAndCloseBoxEndTheDialog()
{
    Shown updated(qm520a(), 12, 4095, 2046);
    QTest::mouseClick(updated.dialog.findChild<QPushButton *>("cmdUpdate"), Qt::LeftButton);
    QVERIFY(updated.dialog.update());
    QCOMPARE(updated.dialog.result(), int(QDialog::Accepted));
    QVERIFY(updated.dialog.isHidden());

    Shown cancelled(qm520a(), 12, 4095, 2046);
    test::clickItemCheckBox(*cancelled.settings, 1);
    QTest::mouseClick(cancelled.dialog.findChild<QPushButton *>("cmdCancel"), Qt::LeftButton);
    QVERIFY(!cancelled.dialog.update());
    QCOMPARE(cancelled.dialog.result(), int(QDialog::Rejected));
    QCOMPARE(cancelled.lastSettingMask(), 2044);
    QCOMPARE(cancelled.dialog.settingSelection(), 2044);

    Shown closed(qm520a(), 12, 4095, 2046);
    closed.dialog.close();
    QVERIFY(!closed.dialog.update());
    QCOMPARE(closed.dialog.result(), int(QDialog::Rejected));
}

void TestUpdateDialog::layoutAndTabOrder()
{
    Shown shown(qm410a(), 12, 4095, 2046);
    UpdateDialog &dialog = shown.dialog;
    QCOMPARE(dialog.maximumSize(), QSize(347, 286));
    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testAnyFlags(Qt::WindowContextHelpButtonHint | Qt::WindowMinMaxButtonsHint));
    QVERIFY(dialog.isModal());

    QCOMPARE(shown.channels->geometry(), twipsRect(150, 630, 1845, 2760));
    // Texts wider than the layout allows widen their control instead of being clipped.
    for (QCheckBox *box : {shown.allChannels, shown.allSettings})
        QVERIFY(box->width() >= box->sizeHint().width());
    for (QListWidget *list : {shown.channels, shown.settings})
        QVERIFY(!list->horizontalScrollBar()->isVisible());
    QCOMPARE(shown.allSettings->parentWidget()->geometry(), twipsRect(2700, 180, 2385, 3495));
    QCOMPARE(dialog.findChild<QPushButton *>("cmdCancel")->geometry(),
             twipsRect(2880, 3780, 1305, 465));

    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int step = 0; step < 6; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, (QStringList{"lstChannels", "chkAllChannels", "chkAllSettings", "lstSettings",
                                 "cmdUpdate", "cmdCancel", "lstChannels"}));
    QVERIFY(shown.channelSpy.isEmpty());

    QWidget main;
    main.setGeometry(100, 50, 600, 400);
    QCOMPARE(UpdateDialog::centredOn(main, QSize(350, 300)), QPoint(225, 100));
}

QTEST_MAIN(TestUpdateDialog)
#include "test_update_dialog.moc"
