#include "link/ChannelQuery.h"
#include "link/PortReader.h"
#include "link/SetupSession.h"
#include "tests/support/Deadline.h"
#include "tests/support/GeneratedSetups.h"
#include "tests/support/UnitPort.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

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
    PortReader reader{port, &receiver};
    SetupSession session{model, table, port, receiver, reader};
};

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
    void aRunStartedAtOnceDoesNothingTheFailedOneLeft();
    void aQuestionWaitsAsLongAsALateUnitNeeds_data();
    void aQuestionWaitsAsLongAsALateUnitNeeds();
    void everyPaceWithinTheAllowanceIsAnswered();
};

void TestSetupSession::writtenSetupsReadBackAsTheyWere_data()
{
    test::addModelRows();
}

// The round trip as a property: whatever restorable setup is written comes back unchanged when
// it is read, and nothing else on the unit changes.
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
        QVERIFY(line.run([&] { line.session.write(setup, setup.present, Probe::First); }));
        QCOMPARE(line.session.answered(), setup.present);
        QCOMPARE(line.session.notTaken().size(), 0);
        for (int index : allChannelIndices())
            QCOMPARE(line.port.state[index],
                     setup.holds(index) ? setup.channels[index] : before[index]);

        QElapsedTimer clock;
        clock.start();
        QVERIFY(line.run([&] { line.session.read(allChannelIndices()); }));
        // Each channel is asked for as soon as the one before it answered, not 300 ms apart.
        QVERIFY2(clock.elapsed() < ChannelCount * ReplyWait::FirstByteMs / 2,
                 qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(setupJson(Setup::of(unit, line.table, setup.present)),
                 setupJson(Setup::of(unit, setup.channels, setup.present)));
    }
}

void TestSetupSession::sendsAChannelAsTheUpdateButtonDoes_data()
{
    QTest::addColumn<bool>("withTimeFont");
    QTest::addColumn<Probe>("probe");
    QTest::addColumn<QList<int>>("commands");
    QTest::newRow("QM-520A") << true << Probe::No << QList<int>{5, 6, 7, 2, 4, 9, 8};
    // A settings.txt gives no time font: the unit keeps its own.
    QTest::newRow("QM-520A settings.txt") << false << Probe::No << QList<int>{5, 6, 7, 2, 4, 8};
    QTest::newRow("QM-520A, asked first")
        << true << Probe::First << QList<int>{8, 5, 6, 7, 2, 4, 9, 8};
}

void TestSetupSession::sendsAChannelAsTheUpdateButtonDoes()
{
    QFETCH(bool, withTimeFont);
    QFETCH(Probe, probe);
    QFETCH(QList<int>, commands);
    const UnitModel &unit = qm520a();
    ChannelTable before;
    before[4][F::TimeFont] = 1;
    Line line(unit, before);
    Setup setup{&unit, {}, unit.recordFields, allChannelIndices()};
    if (!withTimeFont)
        setup.fields = unit.exportFields;

    QVERIFY(line.run([&] { line.session.write(setup, {4}, probe); }));
    QCOMPARE(line.port.commands, commands);
    QCOMPARE(int(line.port.state[4][F::TimeFont]), withTimeFont ? 0 : 1);
    QCOMPARE(line.session.notTaken().size(), 0);
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

namespace {

// A question for one channel on a port of its own, whose unit the test plays.
struct AskedUnit
{
    AskedUnit(const UnitModel &unit, int asked)
        : model(unit), channel(asked), receiver(unit, table), reader(port, &receiver),
          sender(unit, table, port),
          query({sender, receiver, reader, ReplyWait(unit.baudRate)}, channel)
    {
        port.openable = {1};
        port.setPortNumber(1);
        port.open();
    }

    // A unit of its own pace: the first piece of its reply arrives up to 280 ms after the
    // request, the rest follows at line speed in pieces of 1 to 16 bytes, each handed on up to
    // 40 ms after its last byte crossed the line (an adapter's latency timer).
    void pace(QRandomGenerator &random)
    {
        const QByteArray reply = test::unitReply(model, ChannelSettings{}, channel);
        const ReplyWait line(model.baudRate);
        const int firstMs = static_cast<int>(random.bounded(281));
        int handedOnMs = firstMs;
        for (qsizetype at = 0; at < reply.size();) {
            const QByteArray piece = reply.mid(at, 1 + random.bounded(16));
            if (at > 0)
                handedOnMs = std::max(handedOnMs, firstMs + line.lineTimeMs(at + piece.size()) +
                                                      static_cast<int>(random.bounded(41)));
            QTimer::singleShot(handedOnMs, &port, [this, piece] { port.receive(piece); });
            at += piece.size();
        }
    }

    const UnitModel &model;
    const int channel;
    test::FakeSerialPort port;
    ChannelTable table;
    ReplyReceiver receiver;
    PortReader reader;
    CommandSender sender;
    ChannelQuery query;
};

} // namespace

void TestSetupSession::aQuestionWaitsAsLongAsALateUnitNeeds_data()
{
    QTest::addColumn<int>("beginsAfterMs"); // after the request; -1: nothing comes
    QTest::addColumn<int>("bytesSent");     // of the reply's 105, a few at a time at line speed
    QTest::addColumn<bool>("announced");    // whether the port raises readyRead for them
    QTest::addColumn<ChannelQuery::Outcome>("outcome");
    using O = ChannelQuery::Outcome;
    QTest::newRow("begins at the end of the allowance") << 280 << 105 << true << O::Answered;
    QTest::newRow("there, unannounced, as the wait ends") << 250 << 105 << false << O::Answered;
    QTest::newRow("never comes") << -1 << 0 << true << O::Silent;
    QTest::newRow("stops halfway") << 100 << 50 << true << O::Silent;
    QTest::newRow("begins far too late") << 3000 << 105 << true << O::Silent;
}

// A QM-520A unit at 4800 baud, played by the test on its own clock.
void TestSetupSession::aQuestionWaitsAsLongAsALateUnitNeeds()
{
    QFETCH(int, beginsAfterMs);
    QFETCH(int, bytesSent);
    QFETCH(bool, announced);
    QFETCH(ChannelQuery::Outcome, outcome);
    AskedUnit asked(qm520a(), 6);
    test::FakeSerialPort &port = asked.port;
    const QByteArray reply = test::unitReply(qm520a(), ChannelSettings{}, 6).first(bytesSent);
    constexpr int BytesPerPiece = 5;
    constexpr int PieceMs = 10; // five bytes at 4800 baud
    QTimer pieces;
    qsizetype at = 0;
    QObject::connect(&pieces, &QTimer::timeout, &port, [&] {
        const qsizetype count = announced ? BytesPerPiece : reply.size();
        port.receive(reply.mid(at, count), announced);
        if ((at += count) >= reply.size())
            pieces.stop();
    });
    if (beginsAfterMs >= 0 && bytesSent > 0)
        QTimer::singleShot(beginsAfterMs, &pieces, [&] { pieces.start(PieceMs); });

    QElapsedTimer clock;
    clock.start();
    QSignalSpy finished(&asked.query, &ChannelQuery::finished);
    asked.query.ask(0);
    QVERIFY(finished.wait(test::DeadlineMs));
    QCOMPARE(asked.query.outcome(), outcome);
    QCOMPARE(port.frames, QByteArrayList{QByteArray::fromHex("0806fa")});
    QVERIFY2(clock.elapsed() >= ReplyWait::FirstByteMs,
             qPrintable(QString::number(clock.elapsed())));
}

// The late-unit rule as a property over generated paces, both models, the units all at once.
void TestSetupSession::everyPaceWithinTheAllowanceIsAnswered()
{
    constexpr int Units = 40;
    QRandomGenerator random(300);
    std::vector<std::unique_ptr<AskedUnit>> units;
    units.reserve(Units);
    for (int run = 0; run < Units; ++run) {
        units.push_back(
            std::make_unique<AskedUnit>(run % 2 ? qm410a() : qm520a(), run % ChannelCount));
        units.back()->pace(random);
    }
    for (const auto &unit : units)
        unit->query.ask(0);
    const auto settled = [&units] {
        return std::all_of(units.begin(), units.end(), [](const auto &unit) {
            return unit->query.outcome() != ChannelQuery::Outcome::Pending;
        });
    };
    QVERIFY(QTest::qWaitFor(settled, test::DeadlineMs));
    for (int run = 0; run < Units; ++run)
        QVERIFY2(units[static_cast<std::size_t>(run)]->query.outcome() ==
                     ChannelQuery::Outcome::Answered,
                 qPrintable(QStringLiteral("unit %1").arg(run)));
}

QTEST_MAIN(TestSetupSession)

#include "test_setup_session.moc"
