#include "link/SetupSession.h"
#include "tests/support/GeneratedSetups.h"
#include "tests/support/UnitPort.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace qm;

namespace {

using F = Field;
using Probe = SetupSession::Probe;

// A session on a unit played by the test: frames go to it, its replies come back.
struct Line
{
    Line(const UnitModel &unit, const ChannelTable &state) : model(unit), port(unit, state)
    {
        port.openable = {1};
        port.setPortNumber(1);
        port.open();
        QObject::connect(&port, &SerialPort::readyRead, &receiver,
                         [this] { receiver.feed(port.readAll()); });
    }

    bool run(const std::function<void()> &start)
    {
        QSignalSpy finished(&session, &SetupSession::finished);
        start();
        return finished.wait(10000);
    }

    const UnitModel &model;
    ChannelTable table;
    test::UnitPort port;
    ReplyReceiver receiver{model, table};
    SetupSession session{model, table, port, receiver};
};

QList<int> without(const QList<int> &channels, const QSet<int> &left)
{
    QList<int> kept;
    for (int index : channels) {
        if (!left.contains(index))
            kept.append(index);
    }
    return kept;
}

Setup setupFor(const UnitModel &unit, int seed)
{
    QRandomGenerator random(static_cast<quint32>(seed));
    const ChannelTable state = test::randomSetup(unit, random, false).channels;
    return Setup::of(unit, state, allChannelIndices());
}

} // namespace

class TestSetupSession : public QObject
{
    Q_OBJECT

private slots:
    void writtenSetupsReadBackAsTheyWere_data();
    void writtenSetupsReadBackAsTheyWere();
    void sendsAChannelAsTheUpdateButtonDoes_data();
    void sendsAChannelAsTheUpdateButtonDoes();
    void silentChannelsKeepWhatWasKnown_data();
    void silentChannelsKeepWhatWasKnown();
    void aFailedLineEndsTheRunAtOnce();
    void aRunStartedAtOnceDoesNothingTheFailedOneLeft();
};

void TestSetupSession::writtenSetupsReadBackAsTheyWere_data()
{
    test::addModelRows();
}

// The round trip as a property: whatever restorable setup is written to the channels that
// answer comes back unchanged when they are read, and nothing else on the unit changes.
// Now and then a channel is silent, which costs its 300 ms.
void TestSetupSession::writtenSetupsReadBackAsTheyWere()
{
    QFETCH(QString, model);
    const UnitModel &unit = test::modelNamed(model);
    QRandomGenerator random(model == u"410a" ? 410 : 520);
    for (int round = 0; round < 200; ++round) {
        Setup setup = test::randomSetup(unit, random, round % 2 == 1);
        if (round == 0)
            for (int index = 0; index < ChannelCount; ++index)
                setup.channels[index] = test::largestChannel(unit, index);
        const ChannelTable before = test::randomSetup(unit, random, false).channels;
        Line line(unit, before);
        if (round % 50 == 3)
            line.port.silent = {random.bounded(ChannelCount)};
        QVERIFY(line.run([&] { line.session.write(setup, setup.present, Probe::First); }));
        const QList<int> answered = without(setup.present, line.port.silent);
        QCOMPARE(line.session.answered(), answered);
        QCOMPARE(line.session.skipped(),
                 without(setup.present, QSet<int>(answered.begin(), answered.end())));
        QCOMPARE(line.session.notTaken().size(), 0);
        for (int index : allChannelIndices())
            QCOMPARE(line.port.state[index],
                     answered.contains(index) ? setup.channels[index] : before[index]);

        QElapsedTimer clock;
        clock.start();
        QVERIFY(line.run([&] { line.session.read(allChannelIndices()); }));
        // Each channel is asked for as soon as the one before it answered, not 300 ms apart.
        if (line.port.silent.isEmpty())
            QVERIFY2(clock.elapsed() < ChannelCount * SetupSession::SilenceMs / 2,
                     qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(setupJson(Setup::of(unit, line.table, answered)),
                 setupJson(Setup::of(unit, setup.channels, answered)));
    }
}

void TestSetupSession::sendsAChannelAsTheUpdateButtonDoes_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("withTimeFont");
    QTest::addColumn<Probe>("probe");
    QTest::addColumn<QList<int>>("commands");
    QTest::newRow("QM-410A") << QStringLiteral("410a") << true << Probe::No
                             << QList<int>{5, 6, 7, 2, 4, 8};
    QTest::newRow("QM-520A") << QStringLiteral("520a") << true << Probe::No
                             << QList<int>{5, 6, 7, 2, 4, 9, 8};
    // A settings.txt gives no time font: the unit keeps its own.
    QTest::newRow("QM-520A settings.txt")
        << QStringLiteral("520a") << false << Probe::No << QList<int>{5, 6, 7, 2, 4, 8};
    QTest::newRow("QM-520A, asked first")
        << QStringLiteral("520a") << true << Probe::First << QList<int>{8, 5, 6, 7, 2, 4, 9, 8};
}

void TestSetupSession::sendsAChannelAsTheUpdateButtonDoes()
{
    QFETCH(QString, model);
    QFETCH(bool, withTimeFont);
    QFETCH(Probe, probe);
    QFETCH(QList<int>, commands);
    const UnitModel &unit = test::modelNamed(model);
    ChannelTable before;
    before[4][F::TimeFont] = 1;
    Line line(unit, before);
    Setup setup{&unit, {}, unit.recordFields, allChannelIndices()};
    if (!withTimeFont)
        setup.fields = unit.exportFields;

    QVERIFY(line.run([&] { line.session.write(setup, {4}, probe); }));
    QCOMPARE(line.port.commands, commands);
    const bool timeFontSent = withTimeFont && unit.hasTimeFont;
    QCOMPARE(int(line.port.state[4][F::TimeFont]), timeFontSent ? 0 : 1);
    QCOMPARE(line.session.notTaken().size(), 0);
}

void TestSetupSession::silentChannelsKeepWhatWasKnown_data()
{
    QTest::addColumn<Probe>("probe");
    QTest::newRow("sent, then silent") << Probe::No;
    QTest::newRow("asked first, silent") << Probe::First;
}

// The table takes a channel's settings from its read-back only: a channel that stays silent
// keeps what the program knew, and one that was asked first is not written at all.
void TestSetupSession::silentChannelsKeepWhatWasKnown()
{
    QFETCH(Probe, probe);
    const UnitModel &unit = test::modelNamed(QStringLiteral("520a"));
    const Setup before = setupFor(unit, 1);
    Line line(unit, before.channels);
    line.table = before.channels;
    line.port.stubbornChannel = 2;
    line.port.stubbornField = F::HorizPos;
    line.port.silent = {7};
    Setup wanted = setupFor(unit, 2);
    wanted.channels[2][F::HorizPos] = static_cast<quint8>(before.channels[2][F::HorizPos] + 1);

    QElapsedTimer clock;
    clock.start();
    QVERIFY(line.run([&] { line.session.write(wanted, {2, 7, 9}, probe); }));
    // The silent channel got its frames' line time and 300 ms, not less.
    QVERIFY(clock.elapsed() >= SetupSession::SilenceMs);
    QCOMPARE(line.session.answered(), (QList<int>{2, 9}));
    QCOMPARE(probe == Probe::First ? line.session.skipped() : line.session.silentChannels(),
             QList<int>{7});
    QCOMPARE(line.table[7], before.channels[7]);
    QCOMPARE(line.port.state[7] == before.channels[7], probe == Probe::First);
    QCOMPARE(line.session.notTaken().size(), 1);
    QCOMPARE(describeDifference(line.session.notTaken().front()),
             QStringLiteral("channel 3 HorizPos: file %1, unit %2")
                 .arg(wanted.channels[2][F::HorizPos])
                 .arg(before.channels[2][F::HorizPos]));
    QCOMPARE(line.port.state[9], wanted.channels[9]);
}

// Once the line is gone the run ends at once: what was checked is known, the rest is named,
// and the table keeps for it what it held.
void TestSetupSession::aFailedLineEndsTheRunAtOnce()
{
    const UnitModel &unit = test::modelNamed(QStringLiteral("410a"));
    const Setup before = setupFor(unit, 3);
    Line line(unit, before.channels);
    line.table = before.channels;
    QObject::connect(&line.receiver, &ReplyReceiver::channelAnswered, &line.session,
                     [&line](int index) {
                         if (index == 4)
                             line.session.abandon();
                     });
    const Setup wanted = setupFor(unit, 4);
    QVERIFY(line.run([&] { line.session.write(wanted, allChannelIndices(), Probe::No); }));
    QVERIFY(line.session.lineFailed());
    QCOMPARE(line.session.answered(), (QList<int>{0, 1, 2, 3, 4}));
    QCOMPARE(line.session.unreached(), (QList<int>{5, 6, 7, 8, 9, 10, 11}));
    QCOMPARE(line.table[5], before.channels[5]);
    QCOMPARE(line.port.commands.count(8), 5);
}

// The line fails just as a channel answered the question before its write; a new write, started
// as the failed one reports its end, must not send that channel's settings to its own channels
// without asking them first.
void TestSetupSession::aRunStartedAtOnceDoesNothingTheFailedOneLeft()
{
    const UnitModel &unit = test::modelNamed(QStringLiteral("520a"));
    Line line(unit, setupFor(unit, 5).channels);
    line.port.silent = {9};
    QObject::connect(&line.receiver, &ReplyReceiver::channelAnswered, &line.session,
                     [&line](int index) {
                         if (index == 2)
                             line.session.abandon();
                     });
    const Setup wanted = setupFor(unit, 6);
    bool again = true;
    QObject::connect(&line.session, &SetupSession::finished, &line.session, [&] {
        if (std::exchange(again, false))
            line.session.write(wanted, {9}, Probe::First);
    });
    QSignalSpy finished(&line.session, &SetupSession::finished);
    line.session.write(wanted, {2, 3}, Probe::First);
    QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 10000);
    QCOMPARE(line.session.skipped(), QList<int>{9});
    QCOMPARE(line.port.commands, (QList<int>{8, 8}));
}

QTEST_MAIN(TestSetupSession)

#include "test_setup_session.moc"
