#include "apps/ModelWindows.h"
#include "multiupdate/UpdateDialog.h"
#include "panel/window/ChannelSelector.h"
#include "panel/window/NoticePane.h"
#include "tests/support/Deadline.h"
#include "tests/support/ItemClicks.h"
#include "tests/support/PanelRig.h"
#include "tests/support/UnitPort.h"

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;

namespace {

constexpr int Source = 3; // the channel shown when Multiple Update is pressed

// A panel of either model on doubles, started and polled; adjust may change the platform.
struct Rig : test::PanelRig
{
    Rig(const WindowDescription &description, int channels,
        const QMap<QString, QString> &preferences = {},
        const std::function<void(PanelPlatform &)> &adjust = {})
        : PanelRig(description,
                   std::make_unique<test::UnitPort>(*description.model, ChannelTable{}, channels),
                   preferences, adjust)
    {
        port->openable = {1};
        static_cast<test::UnitPort *>(port)->state[Source].texts[0] = QStringLiteral("  CAM 4  ");
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(window.isEnabled(), test::DeadlineMs);
    }
    UpdateDialog *openDialog()
    {
        QTest::mouseClick(controls.cmdUpdateMultiple, Qt::LeftButton);
        auto *dialog = window.findChild<UpdateDialog *>();
        return dialog && dialog->isVisible() ? dialog : nullptr;
    }
};

} // namespace

class TestMultipleUpdateAndExport : public QObject
{
    Q_OBJECT
private slots:
    void updateCopiesTheShownChannel();
    void exportAtClose();
    void exportKeepsWhatNeverLeft();
};

// Clicks while a poll runs open one dialog at its end, and a click in it is stored at once.
// Channels 1 and 8 then take the shown channel's text: it travels as shown, without its
// blanks, and is kept as held; a notice says what went where.
void TestMultipleUpdateAndExport::updateCopiesTheShownChannel()
{
    Rig rig(qm520aWindow(), 12,
            {{"Settings/ChannelSelection", "131"}, {"Settings/SettingSelection", "129"}});
    bool openedDuringPoll = false;
    rig.waiter->onDelay = [&rig, &openedDuringPoll](int) {
        openedDuringPoll = openedDuringPoll || rig.openDialog() != nullptr;
    };
    emit rig.controls.cmbComports->activated(rig.controls.cmbComports->currentIndex());
    rig.waiter->onDelay = {};
    QVERIFY(!openedDuringPoll);
    QTRY_VERIFY_WITH_TIMEOUT(rig.window.findChild<UpdateDialog *>(), test::DeadlineMs);
    QCOMPARE(rig.window.findChildren<UpdateDialog *>().size(), 1);
    auto *dialog = rig.window.findChild<UpdateDialog *>();
    test::clickItemCheckBox(*dialog->findChild<QListWidget *>("lstChannels"), 1);
    QCOMPARE(rig.store->values.value("Settings/ChannelSelection"), "129");
    QTest::mouseClick(dialog->findChild<QPushButton *>("cmdCancel"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window.findChild<UpdateDialog *>(), test::DeadlineMs);

    QTest::mouseClick(rig.controls.channelSelectors[Source], Qt::LeftButton);
    rig.port->frames.clear();
    QTest::mouseClick(rig.openDialog()->findChild<QPushButton *>("cmdUpdate"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window.findChild<UpdateDialog *>(), test::DeadlineMs);
    QList<QByteArray> heads; // command and channel of every frame
    for (const QByteArray &frame : rig.port->frames)
        heads << frame.right(3).left(2).toHex();
    QCOMPARE(heads, (QList<QByteArray>{"0500", "0200", "0507", "0207"}));
    QVERIFY(rig.port->frames[2].startsWith("CAM 4\x80"));
    QCOMPARE(rig.controller->channelTable()[7].texts[0], "  CAM 4  ");
    const QString told = rig.window.findChild<NoticePane *>()->toPlainText();
    QVERIFY2(told.contains(
                 u"Multiple Update sent Position and Text 1 of channel 4 to channels 1 and 8."),
             qPrintable(told));
}

// The 520A writes its channels beside the program at close; a program folder that looks
// writable but refuses the file sends it to the data folder, and the operator learns that the
// file beside the program is not this run's. Where neither takes it, the operator is told
// which file and why, the old file stays and the window's place is stored all the same, once.
void TestMultipleUpdateAndExport::exportAtClose()
{
    QTemporaryDir program;
    const QString beside = program.filePath("settings.txt");
    const QString data = program.filePath("data/qm-control-panel/VT-540A");
    const QString inData = data + "/settings.txt";
    QStringList told;
    QMap<QString, QByteArray> files;
    int placeWrites = 0;
    QStringList diagnostics;
    const auto closeWith = [&](int channels, const QStringList &refused, bool bySignal = false) {
        Rig rig(qm520aWindow(), channels, {}, [&](PanelPlatform &platform) {
            platform.programFolder = program.path();
            platform.dataFolder = data;
        });
        rig.files->files.insert(beside, "old");
        rig.files->refusal = [&refused](const QString &path) {
            return refused.contains(path) ? QStringLiteral("No space left on device") : QString();
        };
        if (bySignal)
            rig.controller->endWithoutQuestions();
        rig.window.close();
        std::tie(told, files, placeWrites, diagnostics) =
            std::tuple(rig.notifier->texts, rig.files->files, rig.store->writes.value("FormTop"),
                       rig.diagnostics);
    };
    closeWith(8, {});
    QCOMPARE(told, QStringList());
    const QStringList lines = QString::fromLatin1(files.value(beside)).split("\r\n");
    QCOMPARE(lines.size(), 13);
    QVERIFY(lines[Source].endsWith("|  CAM 4  ||"));
    QCOMPARE(lines[11], "0|0|0|0|0|0|0|0|0|0|||"); // silent
    closeWith(12, {beside});
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].contains("saved to " + inData + " instead"), qPrintable(told[0]));
    closeWith(12, {beside, inData});
    QVERIFY2(told.value(0).contains(inData + ": No space left on device"),
             qPrintable(told.value(0)));
    QCOMPARE(files, (QMap<QString, QByteArray>{{beside, "old"}}));
    QCOMPARE(placeWrites, 1);
    // Ended by a signal, it asks no one: a message box would keep it running.
    closeWith(12, {beside, inData}, true);
    QCOMPARE(told, QStringList());
    QCOMPARE(diagnostics.filter("could not be saved").size(), 1);
    QCOMPARE(placeWrites, 1);

    Rig rig410(qm410aWindow(), 12);
    rig410.window.close();
    QVERIFY2(rig410.files->attempts.isEmpty(), "the 410A writes no file");
}

// The line is lost after the run has sent channel 3: the copies of the channels after it never
// reached the unit, and the file at close does not record them as if they had.
void TestMultipleUpdateAndExport::exportKeepsWhatNeverLeft()
{
    QTemporaryDir program;
    Rig rig(qm520aWindow(), 12,
            {{"Settings/ChannelSelection", "4095"}, {"Settings/SettingSelection", "128"}},
            [&program](PanelPlatform &platform) { platform.programFolder = program.path(); });
    auto *unit = static_cast<test::UnitPort *>(rig.port);
    unit->took = [unit](int command, int channel) {
        if (command != 2 || channel != 2)
            return;
        unit->openable.clear();
        unit->fail();
    };
    QTest::mouseClick(rig.controls.channelSelectors[Source], Qt::LeftButton);
    QTest::mouseClick(rig.openDialog()->findChild<QPushButton *>("cmdUpdate"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window.findChild<UpdateDialog *>(), test::DeadlineMs);
    QCOMPARE(rig.controller->channelTable()[4].texts[0], "  CAM 4  "); // copied all the same
    rig.window.close();
    const QStringList lines =
        QString::fromLatin1(rig.files->files.value(program.filePath("settings.txt"))).split("\r\n");
    QVERIFY2(lines.value(2).endsWith("|  CAM 4  ||"), qPrintable(lines.value(2)));
    QVERIFY2(lines.value(4).endsWith("|||"), qPrintable(lines.value(4)));
}

QTEST_MAIN(TestMultipleUpdateAndExport)
#include "test_multiple_update_and_export.moc"
