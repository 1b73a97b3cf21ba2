#include "link/SetupSession.h"
#include "tests/support/PlayedUnitPort.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

using namespace qm;
using test::PlayedUnitPort;

namespace {

using F = Field;

struct ModelCase
{
    const UnitModel &model;
    PlayedUnitPort::Model played;
};

ModelCase modelCase(const QString &name)
{
    if (name == u"410a")
        return {qm410a(), PlayedUnitPort::Model::Qm410a};
    return {qm520a(), PlayedUnitPort::Model::Qm520a};
}

// Settings a unit could hold, different for every channel and for every seed.
ChannelTable unitState(const UnitModel &model, int seed)
{
    ChannelTable table;
    for (int channel = 0; channel < ChannelCount; ++channel) {
        ChannelSettings &record = table[channel];
        for (Field field : model.recordFields)
            record[field] = static_cast<quint8>((channel + seed) % 2);
        record[F::HorizPos] = static_cast<quint8>(10 + channel * 7 + seed);
        record[F::VertPos] = static_cast<quint8>(5 + channel + seed);
        record[F::HorizSize] = static_cast<quint8>(4 + (channel + seed) % 12);
        record[F::VertSize] = static_cast<quint8>(1 + (channel + seed) % 3);
        record.texts = {QStringLiteral("Site %1 ch %2").arg(seed).arg(channel + 1),
                        seed ? QStringLiteral("caf\u00e9") : QString(),
                        QStringLiteral("L3-%1").arg(seed)};
    }
    return table;
}

// A session on a unit played by the test: frames go to it, its replies come back.
struct Line
{
    Line(const ModelCase &unit, const ChannelTable &state)
        : model(unit.model), port(unit.played, state)
    {
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
    PlayedUnitPort port;
    ReplyReceiver receiver{model, table};
    SetupSession session{model, table, port, receiver};
};

} // namespace

class TestSetupSession : public QObject
{
    Q_OBJECT

private slots:
    void restoresOneUnitToAnother_data();
    void restoresOneUnitToAnother();
    void sendsAChannelAsTheUpdateButtonDoes_data();
    void sendsAChannelAsTheUpdateButtonDoes();
    void namesWhatDidNotTakeAndWhoStayedSilent();
};

void TestSetupSession::restoresOneUnitToAnother_data()
{
    QTest::addColumn<QString>("model");
    QTest::newRow("QM-410A") << QStringLiteral("410a");
    QTest::newRow("QM-520A") << QStringLiteral("520a");
}

// Read unit A into a file, write the file to unit B holding other settings: B ends up as A.
void TestSetupSession::restoresOneUnitToAnother()
{
    QFETCH(QString, model);
    const ModelCase unit = modelCase(model);
    const ChannelTable siteA = unitState(unit.model, 1);
    Line a(unit, siteA);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(a.run([&] { a.session.read(allChannelIndices()); }));
    // Each channel is asked for as soon as the one before it answered, not 300 ms apart.
    QVERIFY2(clock.elapsed() < ChannelCount * SetupSession::SilenceMs / 2,
             qPrintable(QString::number(clock.elapsed())));
    QVERIFY(a.session.silentChannels().isEmpty());

    const SetupReadResult file =
        parseSetup(setupJson(Setup::of(unit.model, a.table, allChannelIndices())), {}, unit.model);
    QVERIFY2(file.setup, qPrintable(file.error));
    Line b(unit, unitState(unit.model, 0));
    QVERIFY(b.run([&] { b.session.write(*file.setup, allChannelIndices()); }));
    QVERIFY(b.session.notTaken().isEmpty());
    QVERIFY(b.session.silentChannels().isEmpty());
    for (int channel = 0; channel < ChannelCount; ++channel)
        QCOMPARE(b.port.state[channel], siteA[channel]);
}

void TestSetupSession::sendsAChannelAsTheUpdateButtonDoes_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("withTimeFont");
    QTest::addColumn<QList<int>>("commands");
    QTest::newRow("QM-410A") << QStringLiteral("410a") << true << QList<int>{5, 6, 7, 2, 4, 8};
    QTest::newRow("QM-520A") << QStringLiteral("520a") << true << QList<int>{5, 6, 7, 2, 4, 9, 8};
    // A settings.txt gives no time font: the unit keeps its own.
    QTest::newRow("QM-520A settings.txt")
        << QStringLiteral("520a") << false << QList<int>{5, 6, 7, 2, 4, 8};
}

void TestSetupSession::sendsAChannelAsTheUpdateButtonDoes()
{
    QFETCH(QString, model);
    QFETCH(bool, withTimeFont);
    QFETCH(QList<int>, commands);
    const ModelCase unit = modelCase(model);
    ChannelTable before;
    before[4][F::TimeFont] = 1;
    Line line(unit, before);
    Setup setup{&unit.model, {}, unit.model.recordFields, allChannelIndices()};
    if (!withTimeFont)
        setup.fields = unit.model.exportFields;

    QVERIFY(line.run([&] { line.session.write(setup, {4}); }));
    QCOMPARE(line.port.commands, commands);
    const bool timeFontSent = withTimeFont && unit.model.hasTimeFont;
    QCOMPARE(int(line.port.state[4][F::TimeFont]), timeFontSent ? 0 : 1);
    QVERIFY(line.session.notTaken().isEmpty());
}

void TestSetupSession::namesWhatDidNotTakeAndWhoStayedSilent()
{
    const ModelCase unit = modelCase(QStringLiteral("520a"));
    Line line(unit, unitState(unit.model, 0));
    line.port.stubbornChannel = 2;
    line.port.stubbornField = F::HorizPos;
    line.port.silent = {7};
    const SetupReadResult file =
        parseSetup(setupJson(Setup::of(unit.model, unitState(unit.model, 1), allChannelIndices())),
                   {}, unit.model);

    QElapsedTimer clock;
    clock.start();
    QVERIFY(line.run([&] { line.session.write(*file.setup, {2, 7, 9}); }));
    // The silent channel got its frames' line time and 300 ms, not less.
    QVERIFY(clock.elapsed() >= SetupSession::SilenceMs);
    QCOMPARE(line.session.silentChannels(), QList<int>{7});
    QCOMPARE(line.session.notTaken().size(), 1);
    QCOMPARE(describeDifference(line.session.notTaken().front()),
             QStringLiteral("channel 3 HorizPos: file 25, unit 24"));
    QCOMPARE(line.port.state[9], unitState(unit.model, 1)[9]);
}

QTEST_MAIN(TestSetupSession)

#include "test_setup_session.moc"
