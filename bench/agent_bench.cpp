// What the agent's event store costs its event loop: one commit of a batch of events (the
// write that follows a tick or a request), on the file system of the temporary folder.

#include "EventStore.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <vector>

namespace {

void BM_EventStoreCommit(benchmark::State& state)
{
    QTemporaryDir dir;
    CEventStore store;
    if (!dir.isValid() || !store.Open(dir.filePath(QStringLiteral("events.db")))) {
        state.SkipWithError("no event store");
        return;
    }
    const QJsonObject values{{QStringLiteral("command"), QStringLiteral("mute")},
                             {QStringLiteral("source"), QStringLiteral("http")},
                             {QStringLiteral("client"), QStringLiteral("127.0.0.1")},
                             {QStringLiteral("accepted"), true}};
    qint64 nId = 0;
    std::vector<AgentEvent> batch(size_t(state.range(0)));
    for (auto _ : state) {
        for (AgentEvent& event : batch)
            event = {++nId, 1700000000000 + nId, QStringLiteral("tx1"), QStringLiteral("command"),
                     values};
        if (!store.Append(batch))
            state.SkipWithError("append failed");
    }
    state.SetItemsProcessed(nId);
}
BENCHMARK(BM_EventStoreCommit)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->UseRealTime()
    ->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
