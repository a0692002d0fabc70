// What the engine plug-ins cost the program's thread: the calls of a game
// against a running engine (each only hands its work to the engine's own
// thread; the time is the call's, not the engine's), and the parsing of the
// thinking lines an engine floods out.
#include "EngineRegistry.h"
#include "UciAdapter.h"
#include "UciParser.h"
#include "WinboardAdapter.h"
#include "WinboardParser.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace
{
// /bin/cat stands in for a WinBoard engine that speaks protocol 1: it
// answers nothing it understands, so the adapter only writes. It is the
// engine configured for White in an engine list of its own, which each
// start and new game reads, as in the program.
CWinboardAdapter* RunningEngine()
{
    static QTemporaryDir folder;
    CEngineRegistry::ResetInstance(folder.path().toStdString() + "/bench.conf");
    CEngineList& engines = CEngineRegistry::Instance();
    engines.OpenEngineKey("Cat");
    engines.WriteString("CommandLine", "/bin/cat");
    engines.WriteOptionValues("Cat", {{"Hash", "64"}});
    engines.OpenEnginesKey();
    engines.WriteString("WhiteEngine", "Cat");
    auto* adapter = new CWinboardAdapter;
    CEngineAdapter::Timings timings;
    timings.startDelay = std::chrono::milliseconds(0);
    timings.firstAnswerWait = std::chrono::milliseconds(10);
    timings.linePacing = std::chrono::milliseconds(0);
    adapter->SetTimings(timings);
    adapter->Start();
    adapter->WaitUntilIdle();
    return adapter;
}

// New Game against an engine that runs: StartGame and the StopGame before it.
void BM_NewGameCallOnTheProgramsThread(benchmark::State& state)
{
    CWinboardAdapter* adapter = RunningEngine();
    for (auto _ : state)
    {
        adapter->StopGame();
        adapter->ClearMoves();
        adapter->AddMove(3, 1, 3, 3, 0);
        adapter->StartGame(300, 2);
    }
    adapter->WaitUntilIdle();
    adapter->Destroy();
}
BENCHMARK(BM_NewGameCallOnTheProgramsThread)->Iterations(2000)->Unit(benchmark::kMicrosecond);

// Takeback against an engine that runs.
void BM_TakebackCallOnTheProgramsThread(benchmark::State& state)
{
    CWinboardAdapter* adapter = RunningEngine();
    adapter->StartGame(300, 0);
    for (auto _ : state)
    {
        adapter->OpponentMove(3, 1, 3, 3, 0, 30000, 30000);
        adapter->TakeBackTo(0);
    }
    adapter->WaitUntilIdle();
    adapter->Destroy();
}
BENCHMARK(BM_TakebackCallOnTheProgramsThread)->Iterations(2000)->Unit(benchmark::kMicrosecond);

// Settings OK with the same engine chosen: a start that keeps it.
void BM_StartCallWithTheEngineRunning(benchmark::State& state)
{
    CWinboardAdapter* adapter = RunningEngine();
    for (auto _ : state)
        adapter->StartAsync();
    adapter->WaitUntilIdle();
    adapter->Destroy();
}
BENCHMARK(BM_StartCallWithTheEngineRunning)->Iterations(2000)->Unit(benchmark::kMicrosecond);

void BM_ParseWinboardThinkingLine(benchmark::State& state)
{
    const std::string line = "18 -35 1234 12345678 26 4567890 0\tg1f3 g8f6 c2c4 e7e6 b1c3 f8b4 d1c2 e8g8 a2a3\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(CWinboardParser::ParseLine(line, true));
}
BENCHMARK(BM_ParseWinboardThinkingLine);

void BM_ParseUciInfoLine(benchmark::State& state)
{
    const std::string line = "info depth 18 seldepth 26 multipv 1 score cp -35 nodes 12345678 nps 4567890 hashfull 210 "
                             "tbhits 0 time 2703 pv g1f3 g8f6 c2c4 e7e6 b1c3 f8b4 d1c2 e8g8 a2a3\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(CUciParser::ParseLine(line));
}
BENCHMARK(BM_ParseUciInfoLine);
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
