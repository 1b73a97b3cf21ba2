// The multi-channel update must hand all its frames to the serial layer within 10 ms: a full
// run (twelve channels, every group) into a sink that queues bytes like a serial port's
// write buffer.

#include "multiupdate/MultiUpdateRun.h"

#include <benchmark/benchmark.h>

namespace {

class QueueingSink : public qm::FrameSink
{
public:
    QByteArray queued;

    bool isOpen() const override { return true; }
    void write(const QByteArray &frame) override { queued.append(frame); }
};

qm::ChannelTable filledTable()
{
    qm::ChannelTable table;
    for (int index = 0; index < qm::ChannelCount; ++index) {
        for (std::size_t f = 0; f < qm::FieldCount; ++f)
            table[index].bytes[f] = static_cast<quint8>(index + f);
        for (auto &text : table[index].texts)
            text = QStringLiteral("  Camera %1 studio feed  ").arg(index + 1);
    }
    return table;
}

void fullRun(benchmark::State &state, const qm::UnitModel &model)
{
    qm::ChannelTable table = filledTable();
    QueueingSink sink;
    qm::CommandSender sender(model, table, sink);
    const std::array<QString, qm::TextLineCount> shown = table[3].texts;
    const auto shownText = [&shown](int line) {
        return shown[static_cast<std::size_t>(line)];
    };

    for (auto _ : state) {
        sink.queued.clear();
        qm::updateMultiple(model, table, 3, 4095, 4095, sender, shownText);
        benchmark::DoNotOptimize(sink.queued.data());
    }
    state.counters["bytes_per_run"] = static_cast<double>(sink.queued.size());
}

void BM_UpdateMultiple410aAllChannelsAllGroups(benchmark::State &state)
{
    fullRun(state, qm::qm410a());
}

void BM_UpdateMultiple520aAllChannelsAllGroups(benchmark::State &state)
{
    fullRun(state, qm::qm520a());
}

} // namespace

BENCHMARK(BM_UpdateMultiple410aAllChannelsAllGroups)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_UpdateMultiple520aAllChannelsAllGroups)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
