// Cost of the panel's per-frame decoding, and the time of one poll round trip through CComLink
// to corvex-sim over a pseudo-terminal.

#include "ComLink.h"
#include "Protocol.h"
#include "StatusFrame.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <benchmark/benchmark.h>

#include <array>
#include <vector>

namespace {

// Decode plus both power texts, over 256 frames whose power bytes all differ.
void BM_DecodeWithPowerTexts(benchmark::State& state)
{
    const auto unitType = static_cast<quint8>(state.range(0));
    std::vector<std::array<quint8, kStatusFrameSize>> frames(256);
    for (size_t i = 0; i < frames.size(); ++i) {
        frames[i] = {0,  0x03, 0xD9, 0x01, quint8(i), quint8(255 - i), 60, 6,
                     28, 15,   45,   0,    0,         unitType,        0,  0};
    }
    size_t i = 0;
    for (auto _ : state) {
        const StatusFrame frame = StatusFrame::Decode(frames[i].data());
        QString forward = frame.ForwardPowerText();
        QString reflected = frame.ReflectedPowerText();
        benchmark::DoNotOptimize(forward);
        benchmark::DoNotOptimize(reflected);
        i = (i + 1) % frames.size();
    }
    state.SetItemsProcessed(state.iterations());
}
// Code 1 has no texts, 2 and 6 divide (float formatting), 3 and 54 print the byte, 8 shifts,
// 56 takes the default row.
BENCHMARK(BM_DecodeWithPowerTexts)
    ->ArgName("type")
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Arg(6)
    ->Arg(8)
    ->Arg(54)
    ->Arg(56);

// One poll: write "w", wait until a frame's worth waits, read it. The simulator answers at once.
void BM_PollRoundTrip(benchmark::State& state)
{
    QProcess sim;
    sim.start(QStringLiteral(CORVEX_SIM_PATH),
              {QStringLiteral("--reply-delay"), QStringLiteral("0")});
    if (!sim.waitForReadyRead(5000) || !sim.canReadLine()) {
        state.SkipWithError("corvex-sim did not start");
        return;
    }
    qputenv("CORVEX_PORTS", sim.readLine().trimmed());
    CComLink link;
    if (link.Open(1, 9600) != 1) {
        state.SkipWithError("cannot open the simulator's line");
        return;
    }
    std::array<quint8, 64> buffer{};
    for (auto _ : state) {
        link.Write(&Command::Poll, 1);
        const QDeadlineTimer deadline(2000);
        while (!IsFrameAvailable(link.BytesWaiting())) {
            if (deadline.hasExpired()) {
                state.SkipWithError("no frame within 2 s");
                break;
            }
            // Give the simulator the core: on a small machine it may share ours.
            QThread::yieldCurrentThread();
        }
        benchmark::DoNotOptimize(link.Read(buffer.data(), int(buffer.size())));
    }
    link.Close();
    sim.terminate();
    sim.waitForFinished(3000);
}
BENCHMARK(BM_PollRoundTrip)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
