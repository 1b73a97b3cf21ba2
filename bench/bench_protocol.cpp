// Speed of the protocol core: building every kind of command frame, and the reply path from
// received bytes to filled records, whole and in small pieces. Each benchmark also reports
// the heap allocations it makes per frame or per reply.

#include "bench/AllocationCounter.h"
#include "protocol/CommandSender.h"
#include "protocol/ReplyReceiver.h"
#include "tools/qm-unit-sim/SimulatedUnit.h"

#include <benchmark/benchmark.h>

#include <functional>

using namespace qm;

namespace {

// The line a benchmark writes to: keeps the last frame so the work cannot be skipped.
class LastFrameSink : public FrameSink
{
public:
    bool isOpen() const override { return true; }
    void write(const QByteArray &frame) override { m_last = frame; }

private:
    QByteArray m_last;
};

ChannelTable busyTable()
{
    ChannelTable table;
    for (int channel = 0; channel < ChannelTable::size(); ++channel) {
        for (std::size_t i = 0; i < FieldCount; ++i)
            table[channel].bytes[i] = static_cast<quint8>(channel + i + 1);
        table[channel].texts = {QStringLiteral("CAMERA %1 NORTH GATE").arg(channel),
                                QStringLiteral("caf\u00E9"), QString()};
    }
    return table;
}

void reportAllocations(benchmark::State &state, std::int64_t allocations, double perCount)
{
    state.counters["allocs_per_item"] = static_cast<double>(allocations) / perCount;
}

using SendOne = std::function<void(CommandSender &)>;

void buildFrames(benchmark::State &state, const UnitModel *model, SendOne send)
{
    const ChannelTable table = busyTable();
    LastFrameSink sink;
    CommandSender sender(*model, table, sink);
    send(sender); // the sink's first copy, not the frame's cost
    const std::int64_t before = bench::allocationCount();
    for (auto _ : state)
        send(sender);
    reportAllocations(state, bench::allocationCount() - before,
                      static_cast<double>(state.iterations()));
    state.SetItemsProcessed(state.iterations());
}

QByteArray manyReplies(const UnitModel &model, int count)
{
    const ChannelTable table = busyTable();
    QByteArray stream;
    for (int i = 0; i < count; ++i)
        stream +=
            sim::encodeReply(*sim::unitWireByName(model.name), table[i % ChannelCount], i % 12);
    return stream;
}

void replyPath(benchmark::State &state, const UnitModel *model)
{
    constexpr int Replies = 1000;
    const qsizetype pieceSize = state.range(0) == 0 ? Replies * ReplyFrameLength : state.range(0);
    const QByteArray stream = manyReplies(*model, Replies);
    ChannelTable table;
    ReplyReceiver receiver(*model, table);
    const std::int64_t before = bench::allocationCount();
    for (auto _ : state) {
        for (qsizetype at = 0; at < stream.size(); at += pieceSize)
            receiver.feed(QByteArrayView(stream).sliced(at, qMin(pieceSize, stream.size() - at)));
    }
    benchmark::DoNotOptimize(table[3]);
    reportAllocations(state, bench::allocationCount() - before,
                      static_cast<double>(state.iterations()) * Replies);
    state.SetBytesProcessed(state.iterations() * stream.size());
}

} // namespace

BENCHMARK_CAPTURE(buildFrames, data_520a, &qm520a(), [](CommandSender &s) { s.sendData(3); });
BENCHMARK_CAPTURE(buildFrames, data_410a, &qm410a(), [](CommandSender &s) { s.sendData(3); });
BENCHMARK_CAPTURE(buildFrames, blank, &qm520a(), [](CommandSender &s) { s.sendBlank(3); });
BENCHMARK_CAPTURE(buildFrames, text, &qm520a(),
                  [](CommandSender &s) { s.sendText(3, 1, u"  CAMERA 3 NORTH GATE caf\u00E9 "); });
BENCHMARK_CAPTURE(buildFrames, request, &qm520a(), [](CommandSender &s) { s.requestSettings(3); });
BENCHMARK_CAPTURE(buildFrames, time_font, &qm520a(), [](CommandSender &s) { s.sendTimeFont(3); });

// Argument: piece size in bytes, 0 for the whole stream in one piece.
BENCHMARK_CAPTURE(replyPath, qm520a, &qm520a())->Arg(0)->Arg(1)->Arg(7)->Arg(64);
BENCHMARK_CAPTURE(replyPath, qm410a, &qm410a())->Arg(0)->Arg(7);

BENCHMARK_MAIN();
