#include "apps/ModelWindows.h"
#include "multiupdate/UpdateDialog.h"
#include "panel/window/ChannelSelector.h"
#include "tests/support/Deadline.h"
#include "tests/support/ItemClicks.h"
#include "tests/support/PanelRig.h"
#include "tests/support/UnitPort.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace qm;

namespace {

constexpr int Source = 3; // the channel shown when Multiple Update is pressed
constexpr uid_t NobodyId = 65534;

// The source differs from every other channel in every field, texts included.
ChannelTable unitTable()
{
    ChannelTable table;
    for (int index = 0; index < ChannelTable::size(); ++index) {
        table[index][Field::VertPos] = static_cast<quint8>(10 + index);
        table[index][Field::HorizPos] = static_cast<quint8>(20 + index);
        table[index][Field::VertSize] = table[index][Field::HorizSize] = 1;
        table[index][Field::TextEnables] = 2;
        table[index].texts = {"old", QStringLiteral("line 2 of %1").arg(index), QString()};
    }
    ChannelSettings &source = table[Source];
    for (Field field : {Field::Blank, Field::WindowMode, Field::DisplayMode, Field::DateMode,
                        Field::TimeFont, Field::AutoStop, Field::LeapSeconds, Field::TimeCodeInput,
                        Field::HourMode, Field::TimeZone})
        source[field] = 1;
    source[Field::VertSize] = 2;
    source[Field::HorizSize] = 3;
    source[Field::TextEnables] = 5;
    source.texts[0] = QStringLiteral("  CAM 4  ");
    return table;
}

// A panel of either model on doubles, started and polled; adjust may change the platform.
struct Rig : test::PanelRig
{
    Rig(const WindowDescription &description, int channels,
        const QMap<QString, QString> &preferences = {},
        const std::function<void(PanelPlatform &)> &adjust = {})
        : PanelRig(description,
                   std::make_unique<test::UnitPort>(*description.model, unitTable(), channels),
                   preferences, adjust)
    {
        port->openable = {1};
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(window.isEnabled(), test::DeadlineMs);
    }
    const ChannelTable &table() const { return controller->channelTable(); }
    UpdateDialog *openDialog()
    {
        QTest::mouseClick(controls.cmdUpdateMultiple, Qt::LeftButton);
        auto *dialog = window.findChild<UpdateDialog *>();
        return dialog && dialog->isVisible() ? dialog : nullptr;
    }
};

// (command, channel) of every frame, as the unit would read them.
QList<QPair<int, int>> commands(const QByteArrayList &frames)
{
    QList<QPair<int, int>> result;
    for (const QByteArray &frame : frames)
        result.append({quint8(frame.at(frame.size() - 3)), quint8(frame.at(frame.size() - 2))});
    return result;
}

QStringList fileLines(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).split("\r\n")
                                          : QStringList();
}

} // namespace

class TestMultipleUpdateAndExport : public QObject
{
    Q_OBJECT
private slots:
    void dialogKeepsEveryChoice();
    void updateCopiesTheShownChannel();
    void exportAtClose();
};

// The dialog is modal over the window's centre; each click is stored at once, Cancel keeps
// the choices and sends nothing, and clicks while a poll runs open one dialog at its end.
void TestMultipleUpdateAndExport::dialogKeepsEveryChoice()
{
    Rig rig(qm520aWindow(), 12);
    const qsizetype framesBefore = rig.port->frames.size();
    UpdateDialog *dialog = rig.openDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isModal());
    QCOMPARE(QApplication::activeModalWidget(), dialog);
    const QPoint offCentre = dialog->frameGeometry().center() - rig.window.frameGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 1, qPrintable(QString::number(offCentre.x())));

    test::clickItemCheckBox(*dialog->findChild<QListWidget *>("lstChannels"), 1);
    test::clickItemCheckBox(*dialog->findChild<QListWidget *>("lstSettings"), 0);
    QCOMPARE(rig.store->values.value("Settings/ChannelSelection"), "4093");
    QCOMPARE(rig.store->values.value("Settings/SettingSelection"), "2047");
    QTest::mouseClick(dialog->findChild<QPushButton *>("cmdCancel"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window.findChild<UpdateDialog *>(), test::DeadlineMs);
    QCOMPARE(rig.port->frames.size(), framesBefore);
    dialog = rig.openDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->channelSelection(), 4093u);
    QCOMPARE(dialog->settingSelection(), 2047u);
    dialog->close();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window.findChild<UpdateDialog *>(), test::DeadlineMs);

    bool openedDuringPoll = false;
    rig.waiter->onDelay = [&rig, &openedDuringPoll](int) {
        openedDuringPoll = openedDuringPoll || rig.openDialog() != nullptr;
    };
    emit rig.controls.cmbComports->activated(rig.controls.cmbComports->currentIndex());
    rig.waiter->onDelay = {};
    QVERIFY(!openedDuringPoll);
    QTRY_VERIFY_WITH_TIMEOUT(rig.window.findChild<UpdateDialog *>(), test::DeadlineMs);
    QCOMPARE(rig.window.findChildren<UpdateDialog *>().size(), 1); // one dialog for the clicks
    QVERIFY(rig.window.findChild<UpdateDialog *>()->isVisible());
}

// Channels 1 and 8 take the shown channel's position and text: the text travels as shown,
// without its blanks, and is kept as held.
void TestMultipleUpdateAndExport::updateCopiesTheShownChannel()
{
    Rig rig(qm520aWindow(), 12,
            {{"Settings/ChannelSelection", "129"}, {"Settings/SettingSelection", "129"}});
    QTest::mouseClick(rig.controls.channelSelectors[Source], Qt::LeftButton);
    rig.port->frames.clear();
    UpdateDialog *dialog = rig.openDialog();
    QVERIFY(dialog);
    QTest::mouseClick(dialog->findChild<QPushButton *>("cmdUpdate"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!rig.window.findChild<UpdateDialog *>(), test::DeadlineMs);

    QCOMPARE(commands(rig.port->frames), (QList<QPair<int, int>>{{5, 0}, {2, 0}, {5, 7}, {2, 7}}));
    QVERIFY(rig.port->frames[2].startsWith("CAM 4\x80"));
    QCOMPARE(rig.table()[7].texts[0], "  CAM 4  ");
}

void TestMultipleUpdateAndExport::exportAtClose()
{
    QTemporaryDir root;
    const QString program = root.filePath("bin");
    const QString data = root.filePath("data/qm-control-panel/VT-540A");
    QVERIFY(QDir().mkpath(program));
    QStringList diagnostics;
    const auto closeWith = [&](int channels) {
        Rig rig(qm520aWindow(), channels, {}, [&](PanelPlatform &platform) {
            platform.fileOutput = std::make_unique<SaveFileOutput>();
            platform.programFolder = program;
            platform.dataFolder = data;
        });
        rig.window.close();
        diagnostics = rig.diagnostics;
        return rig.notifier->texts;
    };

    // Channels 1 to 8 answered: twelve lines all the same, the silent ones all zeros.
    QCOMPARE(closeWith(8), QStringList());
    const QStringList exported = fileLines(QDir(program).filePath("settings.txt"));
    QCOMPARE(exported.size(), 13);
    QCOMPARE(exported.last(), QString());
    QCOMPARE(exported[Source], "5|1|1|1|1|13|2|3|23|1|  CAM 4  |line 2 of 3|");
    QCOMPARE(exported[11], "0|0|0|0|0|0|0|0|0|0|||");
    QVERIFY(!QDir(data).exists());

    // A program folder that looks writable but refuses the file (as it can for an
    // administrator) sends it to the data folder, made on the way, and the operator learns
    // that the file beside the program is not this run's.
    QVERIFY(QFile::remove(QDir(program).filePath("settings.txt")));
    QVERIFY(QDir(program).mkdir("settings.txt"));
    const QString dataFile = QDir(data).filePath("settings.txt");
    const QStringList told = closeWith(12);
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].contains("saved to " + dataFile + " instead"), qPrintable(told[0]));
    QCOMPARE(diagnostics.size(), 1);
    QVERIFY2(diagnostics[0].contains(dataFile), qPrintable(diagnostics[0]));
    QCOMPARE(fileLines(dataFile).size(), 13);

    Rig rig410(qm410aWindow(), 12);
    rig410.window.close();
    QVERIFY2(rig410.files->attempts.isEmpty(), "the 410A writes no file");

    // Neither folder takes the file: the operator is told which file and why, the old file
    // stays, and the window's place is stored all the same, once.
    Rig rig(qm520aWindow(), 12, {},
            [&](PanelPlatform &platform) { platform.dataFolder = root.filePath("full"); });
    rig.files->files.insert("/program/settings.txt", "old");
    rig.files->refusal = [](const QString &) {
        return QStringLiteral("No space left on device");
    };
    rig.window.close();
    QCOMPARE(rig.notifier->titles, QStringList{"QM-520A Control Panel"});
    const QString expected =
        QDir(root.filePath("full")).filePath("settings.txt: No space left on device");
    QCOMPARE(rig.notifier->texts.size(), 1);
    QVERIFY2(rig.notifier->texts[0].contains(expected), qPrintable(rig.notifier->texts[0]));
    QVERIFY2(rig.diagnostics.join('\n').contains(expected), qPrintable(rig.diagnostics.join('\n')));
    QCOMPARE(rig.files->files, (QMap<QString, QByteArray>{{"/program/settings.txt", "old"}}));
    QCOMPARE(rig.store->writes.value("FormTop"), 1);
    QCOMPARE(rig.store->writes.value("FormLeft"), 1);

    // A program folder of another user is not written into, whoever may write there.
    QVERIFY(QFile::remove(dataFile));
    QVERIFY(QDir(program).rmdir("settings.txt"));
    if (::chown(QFile::encodeName(program).constData(), NobodyId, NobodyId) != 0)
        QSKIP("only an administrator can give the folder to another user");
    QCOMPARE(closeWith(12), QStringList());
    QCOMPARE(fileLines(dataFile).size(), 13);
    QVERIFY(QDir(program).isEmpty());
}

QTEST_MAIN(TestMultipleUpdateAndExport)
#include "test_multiple_update_and_export.moc"
