#include "apps/ModelWindows.h"
#include "panel/transfer/SetupDialogs.h"
#include "panel/window/NoticePane.h"
#include "protocol/SetupFile.h"
#include "tests/support/Deadline.h"
#include "tests/support/PanelRig.h"
#include "tests/support/UnitPort.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;
using test::UnitPort;

namespace {

using F = Field;

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

// A started panel whose unit is played by the test and answers on all but the silent
// channels; its file dialogs name `file`.
struct Rig : test::PanelRig
{
    Rig(const WindowDescription &description, const QSet<int> &silent = {},
        const ChannelTable &state = siteState(0))
        : PanelRig(description, std::make_unique<UnitPort>(*description.model, state), {},
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
        controller->setupTransfer()->findChild<QAction *>(QLatin1String(action))->trigger();
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

QString writeFile(const QTemporaryDir &folder, const QString &name, const QByteArray &contents)
{
    const QString path = folder.filePath(name);
    SaveFileOutput output;
    return output.replaceWhole(path, contents).ok ? path : QString();
}

} // namespace

class TestSetupTransfer : public QObject
{
    Q_OBJECT

private slots:
    void saveAndLoadTouchOnlyWhatAnswered_data();
    void saveAndLoadTouchOnlyWhatAnswered();
    void theUnitNotThePanelDecides_data() { saveAndLoadTouchOnlyWhatAnswered_data(); }
    void theUnitNotThePanelDecides();
    void dialogsStartInTheLastFolderStillThere_data();
    void dialogsStartInTheLastFolderStillThere();
};

void TestSetupTransfer::saveAndLoadTouchOnlyWhatAnswered_data()
{
    QTest::addColumn<bool>("qm410a");
    QTest::newRow("QM-410A") << true;
    QTest::newRow("QM-520A") << false;
}

// A channel that did not answer would be saved from whatever the panel held: zeros, or what an
// earlier unit said; load sends only what the file changes on channels that answered.
void TestSetupTransfer::saveAndLoadTouchOnlyWhatAnswered()
{
    QFETCH(bool, qm410a);
    Rig rig(qm410a ? qm410aWindow() : qm520aWindow(), {8, 9, 10, 11});
    rig.dialogs->file = QStringLiteral("/saved/site.json");
    rig.trigger("actSaveSetup");
    QCOMPARE(rig.saved().present, (QList<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    QCOMPARE(rig.saved().channels[7], siteState(0)[7]);
    QCOMPARE(rig.notifier->texts,
             QStringList{"The setup was saved to /saved/site.json.\n"
                         "Channels 9 to 12 did not answer and are not in the file."});
    QCOMPARE(rig.notifier->warnings, QList<bool>{false});
    QVERIFY2(rig.unit->frames.isEmpty(), "saving sends nothing");

    ChannelTable wanted = siteState(0);
    wanted[0].texts[0] = QStringLiteral("Gate A");
    wanted[6][F::HorizPos] = 99;
    wanted[6][F::Blank] = 1;
    wanted[11][F::HorizPos] = 7;
    rig.unit->stubbornChannel = 6;
    rig.unit->stubbornField = F::HorizPos;
    QTemporaryDir folder;
    QVERIFY(rig.load(writeFile(folder, "site.json",
                               setupJson(Setup::of(rig.model(), wanted, allChannelIndices())))));
    QVERIFY2(rig.dialogs->questions.value(0).contains(
                 u"Channel 1: Text1 \"cam 1\" \u2192 \"Gate A\"\n"
                 u"Channel 7: HorizPos 36 \u2192 99, Blank 0 \u2192 1\n"),
             qPrintable(rig.dialogs->questions[0]));
    QVERIFY2(rig.dialogs->questions[0].contains(u"Channels 9 to 12 of the file did not"),
             qPrintable(rig.dialogs->questions[0]));
    QCOMPARE(rig.unit->commands.count(8), 2); // the two that differ, each read back
    QVERIFY2(
        rig.notifier->texts.last().contains(u"channel 7 HorizPos: file 99, unit 36: did not take"),
        qPrintable(rig.notifier->texts.last()));
    rig.trigger("actSaveSetup");
    wanted[6][F::HorizPos] = 36;
    QCOMPARE(setupJson(rig.saved()),
             setupJson(Setup::of(rig.model(), wanted, rig.saved().present)));

    // A value that sending cannot give back refuses the whole file before anything is sent.
    wanted[2][F::Blank] = 2;
    rig.unit->frames.clear();
    rig.dialogs->file = writeFile(folder, "blank.json",
                                  setupJson(Setup::of(rig.model(), wanted, allChannelIndices())));
    rig.trigger("actLoadSetup");
    QVERIFY2(rig.notifier->texts.last().startsWith(
                 rig.dialogs->file + " cannot be loaded as it stands; nothing was sent.\n"),
             qPrintable(rig.notifier->texts.last()));
    QVERIFY2(rig.notifier->warnings.last(), "a refusal is a warning");
    QVERIFY(rig.unit->frames.isEmpty());

    // Another unit now answers on fewer channels: the first one's channels 5 to 8 are gone.
    rig.unit->state = siteState(7);
    rig.unit->silent = {4, 5, 6, 7, 8, 9, 10, 11};
    rig.controller->pickPort(1);
    rig.dialogs->file = QStringLiteral("/saved/site.json");
    rig.trigger("actSaveSetup");
    QCOMPARE(rig.saved().present, (QList<int>{0, 1, 2, 3}));
    QCOMPARE(rig.saved().channels[3], siteState(7)[3]);
    rig.files->refusal = [](const QString &) {
        return QStringLiteral("No space left on device");
    };
    rig.trigger("actSaveSetup");
    QCOMPARE(rig.notifier->texts.last(), "The setup could not be saved to /saved/site.json: "
                                         "No space left on device");

    // The adapter is pulled once channel 2 was loaded and checked: the operator learns which
    // channels the unit may not hold.
    rig.unit->replied = [&rig](int channel) {
        if (channel != 1)
            return;
        rig.unit->openable.clear();
        rig.unit->fail();
    };
    QVERIFY(
        rig.load(writeFile(folder, "other.json",
                           setupJson(Setup::of(rig.model(), siteState(5), allChannelIndices())))));
    QVERIFY2(rig.notifier->texts.last().contains(
                 u"failed; channels 1 and 2 had answered; channels 3 and 4 were not finished."),
             qPrintable(rig.notifier->texts.last()));
    QVERIFY(rig.notifier->texts.last().endsWith(u"Press F5 to read the unit again."));
}

// Channel 1 holds a position and size the window repairs as it shows them, and deferred
// arrow-key steps move it on: neither is what the unit holds, and neither may pass for it.
void TestSetupTransfer::theUnitNotThePanelDecides()
{
    QFETCH(bool, qm410a);
    ChannelTable unit = siteState(0);
    unit[0][F::VertPos] = 3;
    unit[0][F::HorizPos] = 200;
    unit[0][F::HorizSize] = 2;
    Rig rig(qm410a ? qm410aWindow() : qm520aWindow(), {}, unit);
    rig.dialogs->file = QStringLiteral("/saved/site.json");
    rig.trigger("actSaveSetup");
    QVERIFY2(rig.dialogs->questions.value(0).contains(
                 u"Channel 1: VertPos 3 \u2192 30, HorizPos 200 \u2192 92, HorizSize 2 \u2192 7\n"),
             qPrintable(rig.dialogs->questions.value(0)));
    QCOMPARE(rig.unit->commands.count(8), ChannelCount); // read again, as asked
    QCOMPARE(rig.saved().channels[0], unit[0]);
    QVERIFY2(rig.notifier->texts.value(0).contains(u"Channel 1 is in the file as the unit"),
             qPrintable(rig.notifier->texts.value(0)));

    ChannelTable wanted = unit;
    wanted[0][F::VertPos] = 30;
    wanted[0][F::HorizPos] = 92;
    wanted[0][F::HorizSize] = 7;
    QTemporaryDir folder;
    QVERIFY(rig.load(writeFile(folder, "repaired.json",
                               setupJson(Setup::of(rig.model(), wanted, allChannelIndices())))));
    QVERIFY2(rig.dialogs->questions.last().contains(
                 u"Channel 1: VertPos 3 \u2192 30, HorizPos 200 \u2192 92, HorizSize 2 \u2192 7\n"),
             qPrintable(rig.dialogs->questions.last()));
    QCOMPARE(rig.unit->state[0], wanted[0]);
    const QString told = rig.window.findChild<NoticePane *>()->toPlainText();
    QVERIFY2(told.contains(u"The setup was loaded: channel 1 holds it, as read back."),
             qPrintable(told));
    // An edit sent since: the last reply no longer tells what the unit holds.
    rig.window.findChild<QCheckBox *>("chkBlank")->click();
    QVERIFY(rig.load(rig.dialogs->file));
    QCOMPARE(rig.unit->state[0][F::Blank], 0);

    rig.controls.chkUpdateImmediately->click();
    for (int step = 0; step < 3; ++step)
        QTest::keyClick(rig.controls.txtMove, Qt::Key_Right);
    const ChannelTable moved = rig.controller->channelTable();
    rig.dialogs->answer = false;
    rig.trigger("actSaveSetup");
    QCOMPARE(rig.saved().channels[0], wanted[0]);
    rig.dialogs->answer = true;
    QVERIFY(rig.load(writeFile(folder, "moved.json",
                               setupJson(Setup::of(rig.model(), moved, allChannelIndices())))));
    QCOMPARE(rig.unit->state[0], moved[0]);

    // The line fails and its port stays closed: nothing is sent, and the operator learns why.
    rig.unit->openable.clear();
    rig.unit->fail();
    rig.trigger("actLoadSetup");
    QVERIFY2(rig.notifier->texts.last().startsWith(u"The line to the unit failed and its port"),
             qPrintable(rig.notifier->texts.last()));

    // An adapter that goes during a load holds what the load sends until it comes back: the
    // load ends there, and does not count the channels after it as sent.
    rig.unit->openable = {1};
    rig.unit->identities[1] = {0x0403, 0x6001, QStringLiteral("A1"), {}, 0};
    rig.controller->pickPort(1);
    rig.unit->replied = [&rig](int) {
        rig.unit->openable.clear();
        rig.unit->fail();
    };
    QVERIFY(rig.load(
        writeFile(folder, "other.json", setupJson(Setup::of(rig.model(), siteState(5), {0, 1})))));
    QVERIFY2(rig.notifier->texts.last().contains(
                 u"The line failed; channel 1 had answered; channel 2 was not finished."),
             qPrintable(rig.notifier->texts.last()));
    rig.trigger("actLoadSetup");
    QVERIFY2(rig.notifier->texts.last().contains(u"waiting for the adapter to come back"),
             qPrintable(rig.notifier->texts.last()));
}

// A bare suggested name would land in the working folder, an installed program's own.
void TestSetupTransfer::dialogsStartInTheLastFolderStillThere_data()
{
    QTest::addColumn<QString>("lastUsed");
    QTest::addColumn<bool>("kept");
    QTest::newRow("none yet") << "" << false;
    QTest::newRow("still there") << "sites" << true;
    QTest::newRow("removed since") << "gone" << false;
    QTest::newRow("a file now") << "site.json" << false;
}

void TestSetupTransfer::dialogsStartInTheLastFolderStillThere()
{
    QFETCH(QString, lastUsed);
    QFETCH(bool, kept);
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("sites")));
    QVERIFY(!writeFile(folder, QStringLiteral("site.json"), "{}").isEmpty());
    const QString last = lastUsed.isEmpty() ? QString() : folder.filePath(lastUsed);
    QCOMPARE(setupStartFolder(last), kept ? last : QDir::homePath());
}

QTEST_MAIN(TestSetupTransfer)

#include "test_setup_transfer.moc"
