// Speed of the chess model: perft through MakeMove, replaying a long game
// from SAN (as a PGN load does), and writing SAN.

#include "ChessPosition.h"
#include "FenText.h"
#include "Perft.h"
#include "PgnFile.h"

#include <benchmark/benchmark.h>

#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace
{
constexpr const char* kKiwipete = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1";

CChessPosition FromFen(const char* fen)
{
    CChessPosition p;
    CFenText::ReadFen(p, fen);
    return p;
}

// A fixed pseudo-random game of 300 plies, as SAN texts.
const std::vector<std::string>& LongGame()
{
    static const std::vector<std::string> game = [] {
        std::mt19937 random(7);
        std::vector<CMove> candidates;
        for (;;)
        {
            CChessPosition p;
            while (p.CurrentPly() < 300 && !p.IsMate() && !p.IsStalemate())
            {
                p.GenerateCandidateMoves(candidates);
                std::vector<CMove> legal;
                for (const CMove& m : candidates)
                {
                    CChessPosition trial(p);
                    if (trial.MakeMove(m, false))
                        legal.push_back(m);
                }
                p.MakeMove(legal[random() % legal.size()], true);
            }
            if (p.CurrentPly() == 300)
                return p.MoveTexts();
        }
    }();
    return game;
}

std::string LongGamePgn()
{
    CChessPosition p;
    p.LoadMoveList(LongGame());
    return CPgnFile::FormatPgn(p, "White", "Black", "*");
}

void PerftBench(benchmark::State& state, const char* fen, int depth, int threads)
{
    const CChessPosition start = FromFen(fen);
    uint64_t nodes = 0;
    for (auto _ : state)
    {
        CChessPosition p(start);
        nodes += threads > 1 ? CPerft::CountParallel(p, depth, threads) : CPerft::Count(p, depth);
    }
    state.counters["nodes_per_second"] = benchmark::Counter(static_cast<double>(nodes), benchmark::Counter::kIsRate);
}

void BM_PerftInitialDepth5(benchmark::State& state)
{
    PerftBench(state, CFenText::kInitialPosition, 5, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_PerftInitialDepth5)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PerftKiwipeteDepth4(benchmark::State& state)
{
    PerftBench(state, kKiwipete, 4, static_cast<int>(state.range(0)));
}
BENCHMARK(BM_PerftKiwipeteDepth4)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// Replaying 300 plies through PlaySan, as LoadMoveList and the PGN reader do.
void BM_Replay300PliesFromSan(benchmark::State& state)
{
    const std::vector<std::string>& game = LongGame();
    for (auto _ : state)
    {
        CChessPosition p;
        for (const std::string& san : game)
            p.PlaySan(san);
        benchmark::DoNotOptimize(p.CurrentPly());
    }
    // Reported as plies per second; microseconds per ply is its inverse.
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(game.size()));
}
BENCHMARK(BM_Replay300PliesFromSan)->Unit(benchmark::kMillisecond);

// The whole PGN load of that game: parsing and replaying.
void BM_Load300PlyPgn(benchmark::State& state)
{
    const std::string text = LongGamePgn();
    for (auto _ : state)
    {
        std::istringstream in(text);
        CChessPosition p;
        std::string white;
        std::string black;
        std::string result;
        CPgnFile::ReadPgn(p, in, white, black, result);
        benchmark::DoNotOptimize(p.CurrentPly());
    }
    state.SetItemsProcessed(state.iterations() * 300);
}
BENCHMARK(BM_Load300PlyPgn)->Unit(benchmark::kMillisecond);

// WriteSan for every move of the game, from the recorded positions.
void BM_WriteSanFor300Plies(benchmark::State& state)
{
    CChessPosition game;
    game.LoadMoveList(LongGame());
    std::vector<CChessPosition> before;
    std::vector<CChessPosition> after;
    game.GoToStart();
    std::string text;
    for (int i = 0; i < game.RecordLength(); ++i)
    {
        before.push_back(game);
        game.StepForward(text);
        after.push_back(game);
    }
    for (auto _ : state)
    {
        for (size_t i = 0; i < before.size(); ++i)
        {
            CChessPosition scratch(before[i]);
            const CMove& move = game.RecordedMoves()[i];
            benchmark::DoNotOptimize(CChessPosition::WriteSan(after[i], scratch, move, game.RecordedPromotions()[i],
                                                              before[i].IsOccupied(move.to)));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(before.size()));
}
BENCHMARK(BM_WriteSanFor300Plies)->Unit(benchmark::kMicrosecond);
} // namespace

BENCHMARK_MAIN();
