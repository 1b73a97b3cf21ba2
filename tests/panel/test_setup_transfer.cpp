#include "apps/ModelWindows.h"
#include "protocol/SetupFile.h"
#include "tests/support/PanelRig.h"
#include "tests/support/PlayedUnitPort.h"

#include <QAction>
#include <QLineEdit>
#include <QProgressDialog>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace qm;
using test::PlayedUnitPort;

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

ChannelTable siteState(int seed)
{
    ChannelTable table;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        table[channel][F::HorizPos] = static_cast<quint8>(30 + channel + seed);
        table[channel][F::VertPos] = 12;
        table[channel][F::HorizSize] = 9;
        table[channel][F::VertSize] = 2;
        table[channel].texts = {QStringLiteral("cam %1").arg(channel + 1), {}, {}};
    }
    return table;
}

// Made before the panel, which takes the dialogs as it is built.
struct DialogsFirst
{
    ScriptedDialogs *dialogs = new ScriptedDialogs;
};

// A started panel whose unit is played by the test; its file dialogs name `file`.
struct Rig : DialogsFirst, test::PanelRig
{
    Rig(const WindowDescription &description, PlayedUnitPort::Model model)
        : PanelRig(description, std::make_unique<PlayedUnitPort>(model, siteState(0)), {},
                   [this](PanelPlatform &platform) { platform.setupDialogs.reset(dialogs); })
    {
        window.show();
        QTRY_VERIFY(window.isEnabled());
        unit = static_cast<PlayedUnitPort *>(port);
        unit->frames.clear();
        unit->commands.clear();
    }
    void trigger(const char *action)
    {
        window.findChild<QAction *>(QLatin1String(action))->trigger();
    }

    PlayedUnitPort *unit = nullptr;
};

} // namespace

class TestSetupTransfer : public QObject
{
    Q_OBJECT

private slots:
    void loadSendsTheChannelsThatDifferAndRedraws_data();
    void loadSendsTheChannelsThatDifferAndRedraws();
    void aBadFileIsNamedAndNothingIsSent();
};

void TestSetupTransfer::loadSendsTheChannelsThatDifferAndRedraws_data()
{
    QTest::addColumn<bool>("qm410a");
    QTest::newRow("QM-410A") << true;
    QTest::newRow("QM-520A") << false;
}

// Save writes what the panel holds, as its unit answered; load then sends what the file changes.
void TestSetupTransfer::loadSendsTheChannelsThatDifferAndRedraws()
{
    QFETCH(bool, qm410a);
    Rig rig(qm410a ? qm410aWindow() : qm520aWindow(),
            qm410a ? PlayedUnitPort::Model::Qm410a : PlayedUnitPort::Model::Qm520a);
    const UnitModel &model = *rig.window.description().model;
    rig.dialogs->file = QStringLiteral("/saved/site.json");
    rig.trigger("actSaveSetup");
    const SetupReadResult saved =
        parseSetup(rig.files->files.value(rig.dialogs->file), rig.dialogs->file, model);
    QVERIFY2(saved.setup, qPrintable(saved.error));
    for (int channel = 0; channel < ChannelCount; ++channel)
        QCOMPARE(saved.setup->channels[channel], siteState(0)[channel]);
    QVERIFY2(rig.unit->frames.isEmpty(), "saving sends nothing");
    // A save the disk refuses is told, with the file and the reason.
    rig.files->refusal = [](const QString &) {
        return QStringLiteral("No space left on device");
    };
    rig.trigger("actSaveSetup");
    QCOMPARE(rig.notifier->texts, QStringList{"The setup could not be saved to /saved/site.json: "
                                              "No space left on device"});
    rig.notifier->texts.clear();
    ChannelTable wanted = siteState(0);
    wanted[0].texts[0] = QStringLiteral("Gate A");
    wanted[6][F::HorizPos] = 99;
    wanted[6][F::Blank] = 1;
    rig.unit->stubbornChannel = 6;
    rig.unit->stubbornField = F::HorizPos;
    QTemporaryDir folder;
    rig.dialogs->file = folder.filePath(QStringLiteral("site.json"));
    SaveFileOutput output;
    QVERIFY(writeSetupFile(rig.dialogs->file, Setup::of(model, wanted, allChannelIndices()), output)
                .ok);

    QSignalSpy finished(rig.controller->setupTransfer(), &SetupTransfer::loadFinished);
    rig.trigger("actLoadSetup");
    QCOMPARE(rig.dialogs->questions.size(), 1);
    QVERIFY2(rig.dialogs->questions[0].contains(u"Channel 1: Text1\nChannel 7: HorizPos, Blank\n"),
             qPrintable(rig.dialogs->questions[0]));
    QVERIFY(rig.controller->setupTransfer()->progressDialog());
    QVERIFY(finished.wait(10000));

    QVERIFY(!rig.controller->setupTransfer()->progressDialog());
    QCOMPARE(rig.unit->state[0].texts[0], QStringLiteral("Gate A"));
    QCOMPARE(int(rig.unit->state[6][F::Blank]), 1);
    // Only the two channels that differ went out, each followed by its read-back.
    QCOMPARE(rig.unit->commands.count(8), 2);
    QCOMPARE(rig.window.control<QLineEdit>("txtText_0")->text(), QStringLiteral("Gate A"));
    QCOMPARE(rig.notifier->texts.size(), 1);
    QVERIFY2(rig.notifier->texts[0].contains(u"channel 7 HorizPos: file 99, unit 36: did not take"),
             qPrintable(rig.notifier->texts[0]));
}

void TestSetupTransfer::aBadFileIsNamedAndNothingIsSent()
{
    Rig rig(qm520aWindow(), PlayedUnitPort::Model::Qm520a);
    QTemporaryDir folder;
    rig.dialogs->file = folder.filePath(QStringLiteral("settings.txt"));
    QFile file(rig.dialogs->file);
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (int line = 0; line < ChannelCount; ++line)
        file.write(line == 4 ? "0|0|0|256|0|0|0|0|0|0|||\r\n" : "0|0|0|0|0|0|0|0|0|0|||\r\n");
    file.close();

    rig.trigger("actLoadSetup");
    QCOMPARE(rig.notifier->texts,
             QStringList{rig.dialogs->file +
                         QStringLiteral(": line 5, field 4 (WindowMode): 256 is out of its "
                                        "range 0 to 255")});
    QVERIFY(rig.dialogs->questions.isEmpty());
    QVERIFY(rig.unit->frames.isEmpty());
}

QTEST_MAIN(TestSetupTransfer)

#include "test_setup_transfer.moc"
