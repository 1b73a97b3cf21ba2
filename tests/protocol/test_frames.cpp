#include "CommandSender.h"
#include "RecordingSink.h"

#include <QTest>

using namespace qm;

class TestFrames : public QObject
{
    Q_OBJECT
private slots:
    void dataFramesFollowEachModelsPayloadOrder();
};

void TestFrames::dataFramesFollowEachModelsPayloadOrder()
{
    ChannelTable table;
    test::RecordingSink sink;
    ChannelSettings &r = table[2];
    r[Field::TextEnables] = 7;
    r[Field::LeapSeconds] = 1;
    r[Field::WindowMode] = 2;
    r[Field::DisplayMode] = 1;
    r[Field::VertPos] = 30;
    r[Field::HorizPos] = 92;
    r[Field::VertSize] = 2;
    r[Field::HorizSize] = 7;
    CommandSender(qm520a(), table, sink).sendData(2);
    QCOMPARE(sink.takeAll().toHex(' '), QByteArray("07 00 01 02 01 1e 02 07 5c 02 02 fa"));
}

QTEST_GUILESS_MAIN(TestFrames)
#include "test_frames.moc"
