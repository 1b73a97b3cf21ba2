#include "apps/ModelWindows.h"
#include "protocol/SetupFile.h"
#include "tests/support/Deadline.h"
#include "tests/support/PanelRig.h"
#include "tests/support/UnitPort.h"

#include <QAction>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QProgressDialog>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace qm;
using test::UnitPort;

namespace {

using F = Field;

// Answers the file dialogs and the question as the test says; never opens a window.
struct ScriptedDialogs : SetupDialogs
{
    QString file;
    bool confirmed = true;
    QStringList questions;

    QString saveFileName(QWidget *, const QString &) override { return file; }
    QString openFileName(QWidget *) override { return file; }
    bool confirm(QWidget *, const QString &, const QString &text) override
    {
        questions << text;
        return confirmed;
    }
};

// Settings a site could have, within what the window shows as it is.
ChannelTable siteState(int seed)
{
    ChannelTable table;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        table[channel][F::HorizPos] = static_cast<quint8>(30 + channel + seed);
        table[channel][F::VertPos] = 12;
        table[channel][F::HorizSize] = 9;
        table[channel][F::VertSize] = 2;
        table[channel].texts = {QStringLiteral("cam %1").arg(channel + 1 + seed), {}, {}};
    }
    return table;
}

// Made before the panel, which takes the dialogs as it is built.
struct DialogsFirst
{
    ScriptedDialogs *dialogs = new ScriptedDialogs;
};

// A started panel whose unit is played by the test and answers on all but the silent
// channels; its file dialogs name `file`.
struct Rig : DialogsFirst, test::PanelRig
{
    Rig(const WindowDescription &description, const QSet<int> &silent = {})
        : PanelRig(description, std::make_unique<UnitPort>(*description.model, siteState(0)), {},
                   [this](PanelPlatform &platform) { platform.setupDialogs.reset(dialogs); })
    {
        unit = static_cast<UnitPort *>(port);
        unit->openable = {1};
        unit->silent = silent;
        window.show();
        QTRY_VERIFY(window.isEnabled());
        unit->frames.clear();
        unit->commands.clear();
    }
    void trigger(const char *action)
    {
        window.findChild<QAction *>(QLatin1String(action))->trigger();
    }
    // The setup file the last Save wrote, as the program reads it back.
    Setup saved()
    {
        const SetupReadResult read =
            parseSetup(files->files.value(dialogs->file), dialogs->file, model());
        return read.setup.value_or(Setup{});
    }
    const UnitModel &model() const { return *window.description().model; }
    // Loads the file and waits until the unit has been read back.
    bool load(const QString &path)
    {
        dialogs->file = path;
        QSignalSpy finished(controller->setupTransfer(), &SetupTransfer::loadFinished);
        trigger("actLoadSetup");
        return finished.wait(test::DeadlineMs);
    }

    UnitPort *unit = nullptr;
};

QString writeSetup(const QTemporaryDir &folder, const Setup &setup)
{
    const QString path = folder.filePath(QStringLiteral("site.json"));
    SaveFileOutput output;
    return output.replaceWhole(path, setupJson(setup)).ok ? path : QString();
}

void addModelRows()
{
    QTest::addColumn<bool>("qm410a");
    QTest::newRow("QM-410A") << true;
    QTest::newRow("QM-520A") << false;
}

} // namespace

class TestSetupTransfer : public QObject
{
    Q_OBJECT

private slots:
    void saveHoldsWhatAnsweredOnThisPollOnly_data();
    void saveHoldsWhatAnsweredOnThisPollOnly();
    void loadSendsTheChannelsThatAnsweredAndDiffer_data();
    void loadSendsTheChannelsThatAnsweredAndDiffer();
    void aBadFileIsNamedAndNothingIsSent_data();
    void aBadFileIsNamedAndNothingIsSent();
    void aLoadTheLineCutsShortKeepsWhatTheUnitConfirmed();
    void theWindowsMenuOffersEveryAction();
};

void TestSetupTransfer::saveHoldsWhatAnsweredOnThisPollOnly_data()
{
    addModelRows();
}

// A channel that did not answer would be restored from whatever the panel held: zeros, or what
// an earlier unit said.
void TestSetupTransfer::saveHoldsWhatAnsweredOnThisPollOnly()
{
    QFETCH(bool, qm410a);
    Rig rig(qm410a ? qm410aWindow() : qm520aWindow(), {8, 9, 10, 11});
    // No control of the window's design leads here: the frame the menu opens from tells.
    QCOMPARE(rig.window.controls().controlFrame->toolTip(),
             "Right-click here or on the window background for Save Setup... (Ctrl+S) and "
             "Load Setup... (Ctrl+O)");
    rig.dialogs->file = QStringLiteral("/saved/site.json");
    rig.trigger("actSaveSetup");
    QCOMPARE(rig.saved().present, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    for (int channel : rig.saved().present)
        QCOMPARE(rig.saved().channels[channel], siteState(0)[channel]);
    QCOMPARE(rig.notifier->texts,
             QStringList{"The setup was saved to /saved/site.json.\n"
                         "Channel(s) 9, 10, 11, 12 did not answer and are not in the file."});
    QVERIFY2(rig.unit->frames.isEmpty(), "saving sends nothing");

    // Another unit now answers on fewer channels: the first one's channels 5 to 8 are gone.
    rig.unit->state = siteState(7);
    rig.unit->silent = {4, 5, 6, 7, 8, 9, 10, 11};
    QTest::keyClick(&rig.window, Qt::Key_F5);
    QTRY_VERIFY(!rig.controller->poller().isRunning());
    rig.trigger("actSaveSetup");
    QCOMPARE(rig.saved().present, (QList<int>{0, 1, 2, 3}));
    QCOMPARE(rig.saved().channels[3], siteState(7)[3]);

    // A save the disk refuses is told, with the file and the reason.
    rig.notifier->texts.clear();
    rig.files->refusal = [](const QString &) {
        return QStringLiteral("No space left on device");
    };
    rig.trigger("actSaveSetup");
    QCOMPARE(rig.notifier->texts, QStringList{"The setup could not be saved to /saved/site.json: "
                                              "No space left on device"});

    // A pick that does not open leaves no unit to save.
    rig.unit->openable.clear();
    QTest::keyClick(&rig.window, Qt::Key_F5);
    rig.notifier->texts.clear();
    rig.trigger("actSaveSetup");
    QCOMPARE(rig.notifier->texts,
             QStringList{"No channel has answered on this port: there is no setup to save."});
}

void TestSetupTransfer::loadSendsTheChannelsThatAnsweredAndDiffer_data()
{
    addModelRows();
}

// Load sends only what the file changes on channels that answered, and a save made right
// after holds what was loaded.
void TestSetupTransfer::loadSendsTheChannelsThatAnsweredAndDiffer()
{
    QFETCH(bool, qm410a);
    Rig rig(qm410a ? qm410aWindow() : qm520aWindow(), {11});
    ChannelTable wanted = siteState(0);
    wanted[0].texts[0] = QStringLiteral("Gate A");
    wanted[6][F::HorizPos] = 99;
    wanted[6][F::Blank] = 1;
    wanted[11][F::HorizPos] = 7;
    rig.unit->stubbornChannel = 6;
    rig.unit->stubbornField = F::HorizPos;
    QTemporaryDir folder;
    const QString file = writeSetup(folder, Setup::of(rig.model(), wanted, allChannelIndices()));

    QVERIFY(rig.load(file));
    QCOMPARE(rig.dialogs->questions.size(), 1);
    QVERIFY2(rig.dialogs->questions[0].contains(u"Channel 1: Text1\nChannel 7: HorizPos, Blank\n"),
             qPrintable(rig.dialogs->questions[0]));
    QVERIFY2(rig.dialogs->questions[0].contains(u"Channel(s) 12 of the file did not answer"),
             qPrintable(rig.dialogs->questions[0]));
    QVERIFY(!rig.controller->setupTransfer()->progressDialog());
    QCOMPARE(rig.unit->state[0].texts[0], QStringLiteral("Gate A"));
    QCOMPARE(int(rig.unit->state[6][F::Blank]), 1);
    QCOMPARE(rig.unit->state[11], siteState(0)[11]);
    // Only the two channels that differ went out, each followed by its read-back.
    QCOMPARE(rig.unit->commands.count(8), 2);
    QCOMPARE(rig.window.control<QLineEdit>("txtText_0")->text(), QStringLiteral("Gate A"));
    QCOMPARE(rig.notifier->texts.size(), 1);
    QVERIFY2(rig.notifier->texts[0].contains(u"channel 7 HorizPos: file 99, unit 36: did not take"),
             qPrintable(rig.notifier->texts[0]));

    rig.dialogs->file = QStringLiteral("/saved/again.json");
    rig.trigger("actSaveSetup");
    wanted[6][F::HorizPos] = 36;
    QCOMPARE(setupJson(rig.saved()),
             setupJson(Setup::of(rig.model(), wanted, rig.saved().present)));
}

void TestSetupTransfer::aBadFileIsNamedAndNothingIsSent_data()
{
    QTest::addColumn<QByteArray>("contents"); // "fifo" and "/dev/zero" stand for those files
    QTest::addColumn<QString>("message");
    QByteArray settings;
    for (int line = 0; line < ChannelCount; ++line)
        settings += line == 4 ? "0|0|0|0|0|0|0|0|0|2|||\r\n" : "0|0|0|0|0|0|0|0|0|0|||\r\n";
    QTest::newRow("a value no frame restores") << settings << "channel 5, Blank: 2";
    QTest::newRow("a named pipe") << QByteArray("fifo") << "fifo";
    QTest::newRow("a device") << QByteArray("/dev/zero") << "/dev/zero";
}

// Checked whole before anything goes out, and special files refused at once: the window never
// waits on a file.
void TestSetupTransfer::aBadFileIsNamedAndNothingIsSent()
{
    QFETCH(QByteArray, contents);
    QFETCH(QString, message);
    Rig rig(qm520aWindow());
    QTemporaryDir folder;
    QString path = folder.filePath(QStringLiteral("settings.txt"));
    if (contents == "fifo") {
        path = folder.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (contents.startsWith('/')) {
        path = QString::fromLatin1(contents);
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(contents), contents.size());
    }
    rig.dialogs->file = path;
    QElapsedTimer clock;
    clock.start();
    rig.trigger("actLoadSetup");
    QVERIFY(clock.elapsed() < test::DeadlineMs);
    QCOMPARE(rig.notifier->texts.size(), 1);
    QVERIFY2(rig.notifier->texts[0].contains(message), qPrintable(rig.notifier->texts[0]));
    QVERIFY(rig.dialogs->questions.isEmpty());
    QVERIFY(rig.unit->frames.isEmpty());
}

// The adapter is pulled after four channels were loaded and checked: the rest keep what the
// unit said before, so neither the window nor the settings file written at close claims what
// the unit never got.
void TestSetupTransfer::aLoadTheLineCutsShortKeepsWhatTheUnitConfirmed()
{
    Rig rig(qm520aWindow());
    rig.unit->replied = [&rig](int channel) {
        if (channel != 3)
            return;
        rig.unit->openable.clear();
        rig.unit->fail();
    };
    QTemporaryDir folder;
    const QString file =
        writeSetup(folder, Setup::of(rig.model(), siteState(5), allChannelIndices()));
    QVERIFY(rig.load(file));
    QCOMPARE(rig.controller->channelTable()[3], siteState(5)[3]);
    QCOMPARE(rig.controller->channelTable()[4], siteState(0)[4]);
    QCOMPARE(rig.controller->channelTable()[11], siteState(0)[11]);
    QCOMPARE(rig.notifier->texts.size(), 1);
    QVERIFY2(rig.notifier->texts[0].contains(u"The line failed before channel(s) 5, 6, 7, 8, 9, "
                                             u"10, 11, 12 had been sent and checked."),
             qPrintable(rig.notifier->texts[0]));
    QVERIFY2(rig.notifier->texts[0].endsWith(u"Press F5 to read the unit again."),
             qPrintable(rig.notifier->texts[0]));
}

// The context menu is the only place besides the keys where an operator finds these.
void TestSetupTransfer::theWindowsMenuOffersEveryAction()
{
    Rig rig(qm410aWindow());
    emit rig.window.customContextMenuRequested(QPoint(5, 5));
    const auto *menu = rig.window.findChild<QMenu *>();
    QVERIFY(menu);
    QStringList offered;
    for (const QAction *action : menu->actions())
        offered << action->text();
    QCOMPARE(offered, (QStringList{"Save Setup...", "Load Setup...", "Find the Unit..."}));
}

QTEST_MAIN(TestSetupTransfer)

#include "test_setup_transfer.moc"
