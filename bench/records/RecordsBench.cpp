// Speed of the standard PGN reader on a large file: about 10 MB of games made
// from random legal games through the rules core, written in the export
// format, read back whole (every game replayed), indexed, and written.

#include "ChessPosition.h"
#include "FenText.h"
#include "PgnExport.h"
#include "PgnReader.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>

#include <random>
#include <string>
#include <vector>

namespace
{
constexpr size_t kTextBytes = size_t{10} << 20;
constexpr int kDistinctGames = 1000;

// Random legal games of 20 to 200 plies (shorter when they end sooner).
const std::vector<CPgnGame>& DistinctGames()
{
    static const std::vector<CPgnGame> games = [] {
        std::mt19937 random(2024);
        std::vector<CPgnGame> made;
        std::vector<CMove> candidates;
        std::vector<CMove> legal;
        while (static_cast<int>(made.size()) < kDistinctGames)
        {
            CChessPosition p;
            const int plies = 20 + static_cast<int>(random() % 181);
            while (p.CurrentPly() < plies && p.IsGameGoingOn())
            {
                p.GenerateCandidateMoves(candidates);
                legal.clear();
                for (const CMove& m : candidates)
                    if (p.IsLegalMove(m))
                        legal.push_back(m);
                p.MakeMove(legal[random() % legal.size()], true);
            }
            const char* result =
                p.IsMate() ? (p.SideToMove() == COLOUR_WHITE ? "0-1" : "1-0") : (p.IsGameGoingOn() ? "*" : "1/2-1/2");
            made.push_back(CPgnGame::FromPosition(p, result));
        }
        return made;
    }();
    return games;
}

// About 10 MB of games: the distinct games again and again under new tags,
// with a [%clk] comment after every move when asked.
std::string MakeText(bool clocks)
{
    std::string text;
    text.reserve(kTextBytes + (64 << 10));
    std::mt19937 random(7);
    for (int n = 0; text.size() < kTextBytes; ++n)
    {
        CPgnGame game = DistinctGames()[static_cast<size_t>(n) % kDistinctGames];
        game.SetTag("Event", "Benchmark");
        game.SetTag("Site", "Pellomar II");
        game.SetTag("Date", "2024.01.01");
        game.SetTag("Round", std::to_string(n + 1));
        game.SetTag("White", "Engine " + std::to_string(random() % 100));
        game.SetTag("Black", "Engine " + std::to_string(random() % 100));
        if (clocks)
        {
            game.SetTag("TimeControl", "300+2");
            int32_t left[2] = {300000, 300000};
            for (size_t i = 0; i < game.moves.size(); ++i)
            {
                left[i % 2] = std::max(0, left[i % 2] - static_cast<int32_t>(random() % 6000) + 2000);
                game.moves[i].clockMs = left[i % 2] / 1000 * 1000;
            }
        }
        if (!text.empty())
            text += '\n';
        text += CPgnExport::ExportGame(game);
    }
    return text;
}

const std::string& Text(bool clocks)
{
    static const std::string plain = MakeText(false);
    static const std::string withClocks = MakeText(true);
    return clocks ? withClocks : plain;
}

void ReportRates(benchmark::State& state, size_t bytes, size_t games, size_t plies)
{
    const auto iterations = static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
    state.counters["games_per_second"] =
        benchmark::Counter(static_cast<double>(games) * iterations, benchmark::Counter::kIsRate);
    state.counters["plies_per_second"] =
        benchmark::Counter(static_cast<double>(plies) * iterations, benchmark::Counter::kIsRate);
    state.counters["games"] = static_cast<double>(games);
    state.counters["MB"] = static_cast<double>(bytes) / (1 << 20);
}

// Every game read and replayed through the rules core, one at a time.
void ReadEveryGame(benchmark::State& state, bool clocks)
{
    const std::string& text = Text(clocks);
    size_t games = 0;
    size_t plies = 0;
    for (auto _ : state)
    {
        games = 0;
        plies = 0;
        CPgnReader reader(text);
        CPgnGame game;
        while (reader.ReadGame(game))
        {
            if (game.error)
                state.SkipWithError(game.error->Text().c_str());
            ++games;
            plies += game.moves.size();
        }
    }
    ReportRates(state, text.size(), games, plies);
}

void BM_ReadGames10MB(benchmark::State& state)
{
    ReadEveryGame(state, false);
}
BENCHMARK(BM_ReadGames10MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_ReadGamesWithClocks10MB(benchmark::State& state)
{
    ReadEveryGame(state, true);
}
BENCHMARK(BM_ReadGamesWithClocks10MB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// Heap bytes in use, all arenas and mapped blocks included (glibc).
size_t HeapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// All games kept in memory, as a list of games would hold them: ReadAll
// with its threads (one per core) and in one thread. Wall-clock time counts
// here, as the threads share the work. "held_bytes_per_ply" is the heap the
// result holds, divided by the plies read.
void ReadAll(benchmark::State& state, bool clocks)
{
    const std::string& text = Text(clocks);
    size_t games = 0;
    size_t plies = 0;
    size_t held = 0;
    for (auto _ : state)
    {
        const size_t before = HeapInUse();
        const CPgnReadResult read = CPgnReader::ReadAll(text, static_cast<int>(state.range(0)));
        held = HeapInUse() - before;
        games = read.games.size();
        plies = 0;
        for (const CPgnGame& game : read.games)
            plies += game.moves.size();
        benchmark::DoNotOptimize(read.games.data());
    }
    ReportRates(state, text.size(), games, plies);
    state.counters["held_bytes_per_ply"] = static_cast<double>(held) / static_cast<double>(std::max<size_t>(plies, 1));
    state.counters["held_MB"] = static_cast<double>(held) / (1 << 20);
}

void BM_ReadAll10MB(benchmark::State& state)
{
    ReadAll(state, false);
}
BENCHMARK(BM_ReadAll10MB)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_ReadAllWithClocks10MB(benchmark::State& state)
{
    ReadAll(state, true);
}
BENCHMARK(BM_ReadAllWithClocks10MB)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

// The tags of every game, without replaying the moves.
void BM_Index10MB(benchmark::State& state)
{
    const std::string& text = Text(false);
    size_t games = 0;
    for (auto _ : state)
    {
        const std::vector<CPgnIndexEntry> index = CPgnReader::ReadIndex(text);
        games = index.size();
        benchmark::DoNotOptimize(index.data());
    }
    ReportRates(state, text.size(), games, 0);
}
BENCHMARK(BM_Index10MB)->Unit(benchmark::kMillisecond)->UseRealTime();

// Writing the distinct games in the export format.
void BM_Export1000Games(benchmark::State& state)
{
    const std::vector<CPgnGame>& games = DistinctGames();
    size_t bytes = 0;
    for (auto _ : state)
    {
        const std::string text = CPgnExport::ExportGames(games);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    ReportRates(state, bytes, games.size(), 0);
}
BENCHMARK(BM_Export1000Games)->Unit(benchmark::kMillisecond)->UseRealTime();
} // namespace

BENCHMARK_MAIN();
