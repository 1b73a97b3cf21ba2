// Writes a starting corpus for fuzz_reply_receiver into the folder given: good replies of
// both models, in one piece and in small pieces, and the near misses the framing rule is
// about (one byte short or long, an overlong frame that wraps, noise, a channel above 11).

#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/SeedFolder.h"
#include "tools/qm-unit-sim/SimulatedUnit.h"

using namespace qm;

namespace {

ChannelSettings sampleRecord(int channel)
{
    ChannelSettings record;
    for (std::size_t i = 0; i < FieldCount; ++i)
        record.bytes[i] = static_cast<quint8>(channel + i);
    record.texts = {QStringLiteral("CAM %1").arg(channel + 1), QStringLiteral("caf\u00E9"),
                    QStringLiteral("abcdefghijklmnopqrstuvwxyz0123")};
    return record;
}

QList<QByteArray> streams(const sim::UnitWire &wire)
{
    const QByteArray good = sim::encodeReply(wire, sampleRecord(2), 2);
    const QByteArray other = sim::encodeReply(wire, sampleRecord(11), 11);
    QByteArray shortReply = good;
    shortReply.remove(50, 1);
    QByteArray longReply = good;
    longReply.insert(50, 'x');
    const QByteArray wrapped = '\xFC' + QByteArray(104, 'w') + good.sliced(1);
    return {good,
            good + other,
            shortReply + longReply + good,
            wrapped,
            QByteArray("noise\xF8") + good + "\x01\x02",
            sim::encodeReply(wire, sampleRecord(0), 12)};
}

} // namespace

int main(int argc, char *argv[])
{
    QByteArrayList seeds;
    for (bool is520a : {false, true}) {
        const QList<QByteArray> all = streams(is520a ? sim::qm520aWire() : sim::qm410aWire());
        for (const QByteArray &stream : all) {
            for (QByteArrayView sizes :
                 {QByteArrayView(), QByteArrayView("\x31\x36"), QByteArrayView("\x00", 1)})
                seeds << fuzz::FuzzInput::header(is520a, sizes) + stream;
        }
    }
    return fuzz::writeSeeds(argc, argv, seeds);
}
