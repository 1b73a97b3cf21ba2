#include "AnsweringSerialPort.h"
#include "ChannelSelector.h"
#include "InstantWaiter.h"
#include "ItemClicks.h"
#include "MainWindow.h"
#include "MemoryPreferencesStore.h"
#include "ModelWindows.h"
#include "PanelController.h"
#include "RecordingFileOutput.h"
#include "RecordingNotifier.h"
#include "UpdateDialog.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;

namespace {

constexpr int Source = 3; // the channel shown when Multiple Update is pressed

// Every channel differs from the source in every field, texts included.
ChannelTable unitTable()
{
    ChannelTable table;
    for (int index = 0; index < ChannelTable::size(); ++index) {
        ChannelSettings &record = table[index];
        const bool source = index == Source;
        record[Field::VertPos] = static_cast<quint8>(10 + index);
        record[Field::HorizPos] = static_cast<quint8>(20 + index);
        record[Field::VertSize] = source ? 2 : 1;
        record[Field::HorizSize] = source ? 3 : 1;
        for (Field field : {Field::Blank, Field::WindowMode, Field::DisplayMode, Field::DateMode,
                            Field::TimeFont, Field::AutoStop, Field::LeapSeconds,
                            Field::TimeCodeInput, Field::HourMode, Field::TimeZone})
            record[field] = source ? 1 : 0;
        record[Field::TextEnables] = source ? 5 : 2;
        record.texts = {source ? QStringLiteral("  CAM 4  ") : QStringLiteral("old"),
                        QStringLiteral("line 2 of %1").arg(index), QString()};
    }
    return table;
}

// A panel of either model on doubles, started and polled; adjust may change the platform.
struct Rig
{
    const UnitModel &model;
    test::MemoryPreferencesStore *store = new test::MemoryPreferencesStore;
    test::AnsweringSerialPort *port;
    test::RecordingNotifier *notifier = new test::RecordingNotifier;
    test::RecordingFileOutput *files = new test::RecordingFileOutput;
    test::InstantWaiter *waiter = new test::InstantWaiter;
    MainWindow window;
    const MainWindowControls &c = window.controls();
    std::unique_ptr<PanelController> controller;

    Rig(const WindowDescription &description, int channels,
        const QMap<QString, QString> &preferences = {},
        const std::function<void(PanelPlatform &)> &adjust = {})
        : model(*description.model),
          port(new test::AnsweringSerialPort(model, unitTable(), channels)), window(description)
    {
        store->values = preferences;
        port->openable = {1};
        PanelPlatform platform;
        platform.makeSerialPort = [this](const PortMap &, const UnitModel &) {
            return std::unique_ptr<SerialPort>(port);
        };
        platform.waiter.reset(waiter);
        platform.preferencesStore.reset(store);
        platform.makeNotifier = [this](QWidget *) {
            return std::unique_ptr<Notifier>(notifier);
        };
        platform.fileOutput.reset(files);
        platform.programFolder = QStringLiteral("/program");
        if (adjust)
            adjust(platform);
        if (platform.fileOutput.get() != files)
            files = nullptr;
        controller = std::make_unique<PanelController>(window, std::move(platform));
        window.show();
        QTRY_VERIFY(window.isEnabled());
    }
    const ChannelTable &table() const { return controller->channelTable(); }
    UpdateDialog *openDialog()
    {
        QTest::mouseClick(c.cmdUpdateMultiple, Qt::LeftButton);
        auto *dialog = window.findChild<UpdateDialog *>();
        return dialog && dialog->isVisible() ? dialog : nullptr;
    }
};

void pressUpdate(UpdateDialog &dialog)
{
    QTest::mouseClick(dialog.findChild<QPushButton *>("cmdUpdate"), Qt::LeftButton);
}

// (command, channel) of every frame, as the unit would read them.
QList<QPair<int, int>> commands(const QByteArrayList &frames)
{
    QList<QPair<int, int>> result;
    for (const QByteArray &frame : frames)
        result.append({quint8(frame.at(frame.size() - 3)), quint8(frame.at(frame.size() - 2))});
    return result;
}

// Each model's groups that send a frame of their own, by bit, with that frame's command.
QList<QPair<int, int>> groupFrames(const UnitModel &model)
{
    if (model.hasTimeFont)
        return {{2, 3}, {7, 5}, {8, 6}, {9, 7}, {11, 9}};
    return {{2, 3}, {8, 5}, {9, 6}, {10, 7}};
}

QList<QPair<int, int>> expectedCommands(const UnitModel &model, int channels, int groups)
{
    QList<QPair<int, int>> expected;
    for (int index = 0; index < ChannelCount; ++index) {
        if (!(channels >> index & 1))
            continue;
        for (const auto &[bit, command] : groupFrames(model)) {
            if (groups >> bit & 1)
                expected.append({command, index});
        }
        expected.append({2, index});
    }
    return expected;
}

QStringList lines(const QByteArray &contents)
{
    return QString::fromLatin1(contents).split(QStringLiteral("\r\n"));
}

void writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestMultipleUpdateAndExport : public QObject
{
    Q_OBJECT
private slots:
    void dialogIsCentredAndKeepsEveryChoice();
    void updateCopiesTheShownChannel_data();
    void updateCopiesTheShownChannel();
    void exportAtClose();
    void failedExportIsTold();
};

void TestMultipleUpdateAndExport::dialogIsCentredAndKeepsEveryChoice()
{
    Rig rig(qm520aWindow(), 12);
    const qsizetype framesBefore = rig.port->frames.size();
    UpdateDialog *dialog = rig.openDialog();
    QVERIFY(dialog);
    QVERIFY(dialog->isModal() && QApplication::activeModalWidget() == dialog);
    QVERIFY(dialog->frameGeometry() != dialog->geometry());
    const QPoint offCentre = dialog->frameGeometry().center() - rig.window.frameGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 1, qPrintable(QString::number(offCentre.x())));

    auto *channels = dialog->findChild<QListWidget *>("lstChannels");
    auto *settings = dialog->findChild<QListWidget *>("lstSettings");
    test::clickItemCheckBox(*channels, 1);
    QCOMPARE(rig.store->values.value("Settings/ChannelSelection"), "4093");
    test::clickItemCheckBox(*channels, 11);
    QCOMPARE(rig.store->values.value("Settings/ChannelSelection"), "2045");
    test::clickItemCheckBox(*settings, 0);
    QCOMPARE(rig.store->values.value("Settings/SettingSelection"), "2047");
    QTest::mouseClick(dialog->findChild<QPushButton *>("cmdCancel"), Qt::LeftButton);
    QTRY_VERIFY(!rig.window.findChild<UpdateDialog *>());
    QCOMPARE(rig.controller->sharedState().channelSelection, 2045);
    QCOMPARE(rig.controller->sharedState().settingSelection, 2047);
    QCOMPARE(rig.port->frames.size(), framesBefore);

    // The next opening shows what Cancel kept; its close box ends it the same way.
    dialog = rig.openDialog();
    QVERIFY(dialog);
    QCOMPARE(dialog->channelSelection(), 2045);
    QCOMPARE(dialog->findChild<QListWidget *>("lstChannels")->item(1)->checkState(), Qt::Unchecked);
    dialog->close();
    QTRY_VERIFY(!rig.window.findChild<UpdateDialog *>());
    QCOMPARE(rig.port->frames.size(), framesBefore);
    for (int index = 0; index < ChannelCount; ++index)
        QCOMPARE(rig.table()[index].texts, unitTable()[index].texts); // nothing copied

    // While a poll reads the channels anew the dialog waits for its end.
    bool openedDuringPoll = true;
    rig.waiter->onDelay = [&rig, &openedDuringPoll](int) {
        openedDuringPoll = openedDuringPoll && rig.openDialog() != nullptr;
    };
    emit rig.c.cmbComports->activated(rig.c.cmbComports->currentIndex());
    QVERIFY(!openedDuringPoll);
    QVERIFY(rig.openDialog());
}

void TestMultipleUpdateAndExport::updateCopiesTheShownChannel_data()
{
    QTest::addColumn<const WindowDescription *>("description");
    QTest::addColumn<int>("found");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("groups");
    for (const WindowDescription *description : {&qm410aWindow(), &qm520aWindow()}) {
        const QString name = description->model->name;
        QTest::addRow("%s default", qPrintable(name)) << description << 12 << 4095 << 2046;
        QTest::addRow("%s every group", qPrintable(name))
            << description << 12 << 0b1010'1010'1001 << 4095;
        QTest::addRow("%s no group", qPrintable(name)) << description << 12 << 18 << 0;
        QTest::addRow("%s mask beyond the channels found", qPrintable(name))
            << description << 6 << 4095 << 4095;
        QTest::addRow("%s no channel", qPrintable(name)) << description << 12 << 0 << 4095;
    }
}

void TestMultipleUpdateAndExport::updateCopiesTheShownChannel()
{
    QFETCH(const WindowDescription *, description);
    QFETCH(int, found);
    QFETCH(int, channels);
    QFETCH(int, groups);
    Rig rig(*description, found,
            {{"Settings/ChannelSelection", QString::number(channels)},
             {"Settings/SettingSelection", QString::number(groups)}});
    QTest::mouseClick(rig.c.cmdButton[Source], Qt::LeftButton);
    QCOMPARE(rig.controller->sharedState().currentChannel, Source);
    const ChannelTable before = rig.table();
    const ChannelSettings source = before[Source];
    rig.port->frames.clear();

    UpdateDialog *dialog = rig.openDialog();
    QVERIFY(dialog);
    pressUpdate(*dialog);
    QTRY_VERIFY(!rig.window.findChild<UpdateDialog *>());

    QCOMPARE(commands(rig.port->frames), expectedCommands(rig.model, channels, groups));
    for (const QByteArray &frame : std::as_const(rig.port->frames)) {
        if (frame.at(frame.size() - 3) == 5)
            QVERIFY(frame.startsWith("CAM 4\x80")); // as shown: without its blanks
    }
    for (int index = 0; index < ChannelCount; ++index) {
        const ChannelSettings &target = rig.table()[index];
        const bool chosen = channels >> index & 1;
        const auto copied = [&](int bit) {
            return chosen && (groups >> bit & 1);
        };
        const int textBit = rig.model.hasTimeFont ? 7 : 8;
        QCOMPARE(target[Field::VertPos], (copied(0) ? source : before[index])[Field::VertPos]);
        QCOMPARE(target[Field::HorizSize], (copied(1) ? source : before[index])[Field::HorizSize]);
        QCOMPARE(target[Field::Blank], (copied(2) ? source : before[index])[Field::Blank]);
        QCOMPARE(target.texts[0], (copied(textBit) ? source : before[index]).texts[0]);
        QCOMPARE(target[Field::TimeFont],
                 (copied(11) && rig.model.hasTimeFont ? source : before[index])[Field::TimeFont]);
        QCOMPARE(target[Field::DateMode], before[index][Field::DateMode]);
    }
    QCOMPARE(rig.table()[Source], source);
}

void TestMultipleUpdateAndExport::exportAtClose()
{
    QTemporaryDir root;
    const QString program = root.filePath("bin");
    const QString data = root.filePath("data/qm-control-panel/VT-540A");
    const QString inProgram = QDir(program).filePath("settings.txt");
    const QString inData = QDir(data).filePath("settings.txt");
    QVERIFY(QDir().mkpath(program));
    const auto closeWith = [&data](const QString &programFolder, int channels) {
        Rig rig(qm520aWindow(), channels, {}, [&](PanelPlatform &platform) {
            platform.fileOutput = std::make_unique<SaveFileOutput>();
            platform.programFolder = programFolder;
            platform.dataFolder = data;
        });
        rig.window.close();
        return rig.notifier->texts;
    };

    // Channels 1 to 8 answered: twelve lines all the same, the silent ones all zeros; an old
    // longer file is replaced, not appended to or left with a tail.
    writeFile(inProgram, QByteArray(4000, 'x'));
    QCOMPARE(closeWith(program, 8), QStringList());
    const QStringList exported = lines(readFile(inProgram));
    QCOMPARE(exported.size(), 13);
    QCOMPARE(exported.last(), QString());
    QCOMPARE(exported[Source], "5|1|1|1|1|13|2|3|23|1|  CAM 4  |line 2 of 3|");
    for (int silent = 8; silent < 12; ++silent)
        QCOMPARE(exported[silent], "0|0|0|0|0|0|0|0|0|0|||");
    QVERIFY(!QFile::exists(inData));

    // A program folder that takes no file sends it to the data folder, made on the way.
    QCOMPARE(closeWith(root.filePath("missing"), 12), QStringList());
    QCOMPARE(lines(readFile(inData)).size(), 13);
    // So does one that looks writable but refuses the file (as it can for an administrator).
    QVERIFY(QFile::remove(inProgram) && QDir(program).mkdir("settings.txt"));
    QVERIFY(QFile::remove(inData));
    QCOMPARE(closeWith(program, 12), QStringList());
    QCOMPARE(lines(readFile(inData)).size(), 13);

    // The 410A writes no file at all.
    Rig rig410(qm410aWindow(), 12);
    rig410.window.close();
    QVERIFY(rig410.files->attempts.isEmpty() && rig410.notifier->texts.isEmpty());
}

// Neither folder takes the file: the operator is told which file and why, the old file stays,
// and the window's place is stored all the same, once.
void TestMultipleUpdateAndExport::failedExportIsTold()
{
    QTemporaryDir data;
    Rig rig(qm520aWindow(), 12, {},
            [&data](PanelPlatform &platform) { platform.dataFolder = data.path(); });
    rig.files->files.insert("/program/settings.txt", "old");
    rig.files->refusal = [](const QString &) {
        return QStringLiteral("No space left on device");
    };
    rig.window.close();

    QCOMPARE(rig.notifier->titles, QStringList{"QM-520A Control Panel"});
    QCOMPARE(rig.notifier->texts.size(), 1);
    const QString expected = QDir(data.path()).filePath("settings.txt: No space left on device");
    QVERIFY2(rig.notifier->texts[0].contains(expected), qPrintable(rig.notifier->texts[0]));
    QCOMPARE(rig.files->files.value("/program/settings.txt"), "old");
    QCOMPARE(rig.files->files.size(), 1);
    QCOMPARE(rig.store->writes.value("FormTop"), 1);
    QCOMPARE(rig.store->writes.value("FormLeft"), 1);
}

QTEST_MAIN(TestMultipleUpdateAndExport)
#include "test_multiple_update_and_export.moc"
