#include "model/UnitModel.h"
#include "multiupdate/SelectionMask.h"
#include "multiupdate/UpdateDialog.h"
#include "tests/support/ItemClicks.h"

#include <QApplication>
#include <QCheckBox>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace qm;

namespace {

QList<int> checkedRows(const QListWidget &list)
{
    QList<int> rows;
    for (int i = 0; i < list.count(); ++i)
        if (list.item(i)->checkState() == Qt::Checked)
            rows << i;
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

    // The masks as the preferences hold them: numbers of any size.
    Shown(const UnitModel &model, int found, double channelMask, double settingMask)
        : dialog(model, found, selectionBits(channelMask), selectionBits(settingMask))
    {
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    }
    void click(const char *button)
    {
        QTest::mouseClick(dialog.findChild<QPushButton *>(button), Qt::LeftButton);
    }
    quint32 lastChannelMask() const { return channelSpy.last().first().toUInt(); }
    quint32 lastSettingMask() const { return settingSpy.last().first().toUInt(); }
};

} // namespace

class TestUpdateDialog : public QObject
{
    Q_OBJECT
private slots:
    void loadShowsFoundChannelsAndTheMasks();
    void clicksRecomputeAndReportTheMasks();
    void buttonsKeysAndCloseBox();
};

void TestUpdateDialog::loadShowsFoundChannelsAndTheMasks()
{
    for (int found : {0, 5, 12}) {
        Shown shown(qm520a(), found, 4095, 2046);
        QCOMPARE(checkedRows(*shown.channels).size(), std::max(found, 1)); // texts: window design
        QCOMPARE(checkedRows(*shown.settings), (QList<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
        QVERIFY(!shown.allChannels->isChecked());
        QVERIFY(!shown.allSettings->isChecked());
    }
    Shown shown(qm410a(), 12, 0b1010'0000'0101, 1 + 2048);
    QCOMPARE(checkedRows(*shown.channels), (QList<int>{0, 2, 9, 11}));
    QCOMPARE(checkedRows(*shown.settings), (QList<int>{0, 11}));

    // Bits of channels not listed stay until a click, even one that changes no check mark.
    Shown four(qm410a(), 4, 4095, 0);
    QCOMPARE(four.dialog.channelSelection(), 4095);
    clickText(*four.channels, 2);
    clickText(*four.channels, 1);
    QCOMPARE(four.channelSpy.size(), 1);
    QCOMPARE(four.lastChannelMask(), 15);
}

void TestUpdateDialog::clicksRecomputeAndReportTheMasks()
{
    Shown shown(qm520a(), 5, 0, 2046);
    shown.channels->setCurrentRow(3);
    QTest::mouseClick(shown.allChannels, Qt::LeftButton);
    QCOMPARE(shown.channels->currentRow(), 0);
    QCOMPARE(shown.lastChannelMask(), 31);

    // Unchecking one item leaves the others and the current row, and unticks the all box;
    // checking it again never ticks the all box.
    test::clickItemCheckBox(*shown.channels, 3);
    QCOMPARE(shown.channels->currentRow(), 3);
    QCOMPARE(shown.lastChannelMask(), 31 - 8);
    QVERIFY(!shown.allChannels->isChecked());
    test::clickItemCheckBox(*shown.channels, 3);
    QCOMPARE(shown.lastChannelMask(), 31);
    QVERIFY(!shown.allChannels->isChecked());

    // The keyboard toggles a check mark like the mouse, and recomputes the same way.
    shown.settings->setFocus();
    shown.settings->setCurrentRow(4);
    QTest::keyClick(shown.settings->viewport(), Qt::Key_Space);
    QCOMPARE(shown.lastSettingMask(), 2046 - 16);
    shown.allSettings->setFocus();
    QTest::keyClick(shown.allSettings, Qt::Key_Space);
    QCOMPARE(shown.dialog.settingSelection(), 4095);
    QTest::mouseClick(shown.allSettings, Qt::LeftButton);
    QCOMPARE(shown.lastSettingMask(), 0);
    QCOMPARE(shown.channelSpy.size(), 3); // settings clicks leave the channel mask alone
    shown.click("cmdCancel");
    QVERIFY(!shown.dialog.endedByUpdate());
    QCOMPARE(shown.dialog.settingSelection(), 0u);
}

// Update ends the dialog also when a click has left no channel chosen. Return or Enter in
// either list or box, or the close box, does not run it; on a focused button they press it, as
// Space does. Tab walks the controls in order.
void TestUpdateDialog::buttonsKeysAndCloseBox()
{
    Shown updated(qm520a(), 12, 4095, 2046);
    QTest::mouseClick(updated.allChannels, Qt::LeftButton);
    QTest::mouseClick(updated.allChannels, Qt::LeftButton);
    updated.click("cmdUpdate");
    QVERIFY(updated.dialog.endedByUpdate());
    QVERIFY(updated.dialog.isHidden());
    QCOMPARE(updated.dialog.channelSelection(), 0);

    Shown keyed(qm410a(), 12, 4095, 2046);
    keyed.dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&keyed.dialog));
    QStringList order{QApplication::focusWidget()->objectName()};
    for (int step = 0; step < 6; ++step) {
        QWidget *widget = QApplication::focusWidget();
        if (!qobject_cast<QPushButton *>(widget)) {
            QTest::keyClick(widget, Qt::Key_Return);
            QTest::keyClick(widget, Qt::Key_Enter, Qt::KeypadModifier);
            QVERIFY2(keyed.dialog.isVisible(), qPrintable(widget->objectName()));
        }
        QTest::keyClick(widget, Qt::Key_Tab);
        order << QApplication::focusWidget()->objectName();
    }
    QCOMPARE(order, (QStringList{"lstChannels", "chkAllChannels", "chkAllSettings", "lstSettings",
                                 "cmdUpdate", "cmdCancel", "lstChannels"}));
    keyed.dialog.close();
    QVERIFY(!keyed.dialog.endedByUpdate());

    for (const char *button : {"cmdUpdate", "cmdCancel"}) {
        for (const Qt::KeyboardModifier pad : {Qt::NoModifier, Qt::KeypadModifier}) {
            Shown entered(qm410a(), 12, 4095, 2046);
            auto *focused = entered.dialog.findChild<QPushButton *>(button);
            focused->setFocus();
            QTest::keyClick(focused, pad ? Qt::Key_Enter : Qt::Key_Return, pad);
            QVERIFY(entered.dialog.isHidden());
            QCOMPARE(entered.dialog.endedByUpdate(), focused->text() == u"Update");
        }
    }
}

QTEST_MAIN(TestUpdateDialog)
#include "test_update_dialog.moc"
