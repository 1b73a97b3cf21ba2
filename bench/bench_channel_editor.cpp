// How fast an operator's edit reaches the unit. Two legs, each a median over many edits:
// from a simulated click on "Blank" to the frame handed to the serial layer (target 1 ms),
// and from that hand-off, through the real serial port and a pseudo-terminal, to the
// emulated unit's log line for the frame (target 5 ms). And a multi-channel update to all
// twelve channels with every group, through the real serial link and port: from the call to
// its last frame handed over (target 10 ms), and to the unit's log line for that frame.
// Run from the build tree, offscreen.

#include "apps/ModelWindows.h"
#include "link/QtSerialPort.h"
#include "link/SerialLink.h"
#include "multiupdate/MultiUpdateRun.h"
#include "panel/editor/ChannelEditor.h"
#include "panel/window/MainWindow.h"
#include "tests/support/MemoryPreferencesStore.h"

#include <QApplication>
#include <QCheckBox>
#include <QEventLoop>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start, Clock::time_point end)
{
    return std::chrono::duration<double>(end - start).count();
}

// Each edit's own time, so the report gives the median edit and the slow tail, not only means.
class Latencies
{
public:
    void add(benchmark::State &state, double seconds)
    {
        state.SetIterationTime(seconds);
        note(seconds);
    }
    // A time kept for the report only, beside the one the benchmark measures.
    void note(double seconds) { m_micros.push_back(seconds * 1e6); }
    void report(benchmark::State &state, const std::string &prefix = {})
    {
        if (m_micros.empty())
            return;
        state.counters[prefix + "median_us"] = percentile(0.5);
        state.counters[prefix + "p99_us"] = percentile(0.99);
    }

private:
    double percentile(double share)
    {
        const auto at =
            m_micros.begin() + static_cast<std::ptrdiff_t>(share * (m_micros.size() - 1));
        std::nth_element(m_micros.begin(), at, m_micros.end());
        return *at;
    }

    std::vector<double> m_micros;
};

// Notes when each frame arrives, as the serial layer would take it.
class TimingSink : public qm::FrameSink
{
public:
    Clock::time_point lastWrite;
    int frames = 0;

    bool isOpen() const override { return true; }
    void write(const QByteArray &) override
    {
        lastWrite = Clock::now();
        ++frames;
    }
};

void clickToFrame(benchmark::State &state, const qm::WindowDescription &description)
{
    const qm::UnitModel &model = *description.model;
    qm::ChannelTable table;
    TimingSink sink;
    qm::CommandSender sender(model, table, sink);
    qm::test::MemoryPreferencesStore store;
    qm::Preferences preferences(store);
    qm::MainWindow window(description);
    qm::ChannelEditor editor(description.controls, &window, window.controls(),
                             description.positionLayout, table, sender, preferences, QString());
    window.setEnabled(true);
    window.show();
    editor.selectChannel(2);
    auto *blank = window.control<QCheckBox>("chkBlank");
    const QPoint box(6, blank->height() / 2);

    Latencies latencies;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        QTest::mouseClick(blank, Qt::LeftButton, {}, box);
        latencies.add(state, secondsSince(start, sink.lastWrite));
    }
    latencies.report(state);
    state.counters["frames_per_click"] = static_cast<double>(sink.frames) / state.iterations();
}

void BM_ClickToFrame410a(benchmark::State &state)
{
    clickToFrame(state, qm::qm410aWindow());
}

void BM_ClickToFrame520a(benchmark::State &state)
{
    clickToFrame(state, qm::qm520aWindow());
}

// Waits in the event loop (the serial port writes from there) for the unit's next log line.
bool awaitLogLine(QProcess &unit)
{
    if (unit.canReadLine())
        return true;
    QEventLoop loop;
    QObject::connect(&unit, &QProcess::readyReadStandardOutput, &loop, [&] {
        if (unit.canReadLine())
            loop.quit();
    });
    QTimer::singleShot(1000, &loop, &QEventLoop::quit);
    loop.exec();
    return unit.canReadLine();
}

// The emulated unit's pseudo-terminal, or empty when it did not come up.
QString startUnit(QProcess &unit, const qm::UnitModel &model)
{
    unit.start(QStringLiteral(QM_UNIT_SIM), {"--model", model.shortName});
    if (!unit.waitForStarted() || !awaitLogLine(unit))
        return {};
    return QString::fromLocal8Bit(unit.readLine()).trimmed();
}

bool openUnitPort(benchmark::State &state, QProcess &unit, qm::QtSerialPort &port)
{
    if (!port.open()) {
        state.SkipWithError("the emulated unit's pseudo-terminal did not open");
        unit.terminate();
        unit.waitForFinished(3000);
        return false;
    }
    return true;
}

void BM_FrameToUnitLog(benchmark::State &state)
{
    QProcess unit;
    const QString pty = startUnit(unit, qm::qm520a());
    qm::QtSerialPort port(qm::PortMap({{1, pty}}), qm::qm520a().baudRate);
    port.setPortNumber(1);
    if (!openUnitPort(state, unit, port))
        return;
    const QByteArray blankOn = QByteArray::fromHex("0302fa");

    Latencies latencies;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        port.write(blankOn);
        if (!awaitLogLine(unit)) {
            state.SkipWithError("the unit logged nothing");
            break;
        }
        latencies.add(state, secondsSince(start, Clock::now()));
        unit.readLine();
    }
    latencies.report(state);
    unit.terminate();
    unit.waitForFinished(3000);
}

qm::ChannelTable tableWithTexts()
{
    qm::ChannelTable table;
    for (int index = 0; index < qm::ChannelCount; ++index)
        table[index].texts = {QStringLiteral("Camera %1 studio feed").arg(index + 1),
                              QStringLiteral("Line two"), QStringLiteral("Line three")};
    return table;
}

void multipleUpdateToUnit(benchmark::State &state, const qm::UnitModel &model)
{
    QProcess unit;
    const QString pty = startUnit(unit, model);
    qm::QtSerialPort port(qm::PortMap({{1, pty}}), model.baudRate);
    port.setPortNumber(1);
    if (!openUnitPort(state, unit, port))
        return;
    qm::ChannelTable table = tableWithTexts();
    qm::ReplyReceiver receiver(model, table);
    qm::SerialLink link(port, receiver);
    qm::CommandSender sender(model, table, link);
    const auto shownText = [&table](int line) {
        return table[3].texts[static_cast<std::size_t>(line)];
    };
    const int framesPerRun = qm::ChannelCount * (model.hasTimeFont ? 6 : 5);

    Latencies handOff;
    Latencies toUnit;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        qm::updateMultiple(model, table, 3, 4095, 4095, sender, shownText);
        handOff.add(state, secondsSince(start, Clock::now()));
        for (int heard = 0; heard < framesPerRun; ++heard) {
            if (!awaitLogLine(unit)) {
                state.SkipWithError("the unit did not log every frame");
                break;
            }
            unit.readLine();
        }
        toUnit.note(secondsSince(start, Clock::now()));
    }
    handOff.report(state);
    toUnit.report(state, "to_unit_");
    unit.terminate();
    unit.waitForFinished(3000);
}

void BM_MultipleUpdate410a(benchmark::State &state)
{
    multipleUpdateToUnit(state, qm::qm410a());
}

void BM_MultipleUpdate520a(benchmark::State &state)
{
    multipleUpdateToUnit(state, qm::qm520a());
}

} // namespace

BENCHMARK(BM_ClickToFrame410a)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ClickToFrame520a)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FrameToUnitLog)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(1000);
BENCHMARK(BM_MultipleUpdate410a)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);
BENCHMARK(BM_MultipleUpdate520a)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(200);

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
