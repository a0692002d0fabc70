// Games between two adapter objects running the same real WinBoard engine,
// one as White and one as Black, every move checked by the rules core and
// every thinking line turned into SAN by it; several games in the same
// processes. An engine that is not installed is skipped with a message.
#include "PluginTestSupport.h"

#include "BughouseBoards.h"
#include "ChessPosition.h"
#include "ChessTypes.h"
#include "EngineRegistry.h"
#include "ThinkingText.h"

#include <QTemporaryDir>

#include <cerrno>
#include <csignal>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace
{
struct RealEngine
{
    const char* name;
    const char* program; // must exist for the engine to be tested
    const char* commandLine;
    const char* helper; // a second program it needs, or null
};

const RealEngine kEngines[] = {
    {"fairymax", "/usr/games/fairymax", "/usr/games/fairymax", nullptr},
    {"phalanx", "/usr/games/phalanx", "/usr/games/phalanx", nullptr},
    {"sjeng", "/usr/games/sjeng", "/usr/games/sjeng", nullptr},
    {"gnuchess", "/usr/games/gnuchess", "/usr/games/gnuchess", nullptr},
    {"hoichess", "/usr/games/hoichess", "/usr/games/hoichess", nullptr},
    {"fairy_stockfish", "/usr/games/fairy-stockfish", "/usr/games/fairy-stockfish", nullptr},
    {"stockfish_polyglot", "/usr/games/polyglot", "/usr/games/polyglot", "/usr/games/stockfish"},
};

void PrintTo(const RealEngine& engine, std::ostream* out)
{
    *out << engine.name;
}

// Both adapters report here; the test thread plays the moves, as the game
// window does on the user-interface thread.
class CGameQueue
{
public:
    // A move with the engine's latest thinking line before it, if any.
    struct Played
    {
        int32_t colour = 0;
        EngineMove move;
        bool thought = false;
        int32_t startPly = 0;
        std::string pv;
    };

    class CSide : public IChessEngineListenerEx
    {
    public:
        CSide(CGameQueue& queue, int32_t colour) : m_Queue(queue), m_Colour(colour) {}
        bool OnEngineMove(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e) override
        {
            return OnEngineMoveEx(nullptr, a, b, c, d, e, "");
        }
        bool OnEngineResult(int32_t) override { return true; }
        int32_t GetListenerVersion() override { return kChessEngineListenerExVersion; }
        void OnEngineReady(IChessEngine*, const char*, int32_t) override {}
        void OnEngineFailed(IChessEngine*, int32_t, const char*) override {}
        bool OnEngineMoveEx(IChessEngine*, int32_t a, int32_t b, int32_t c, int32_t d, int32_t e, const char*) override
        {
            Played played;
            {
                std::lock_guard lock(m_Mutex);
                played = m_Latest;
                m_Latest = Played{};
            }
            played.colour = m_Colour;
            played.move = EngineMove{a, b, c, d, e};
            m_Queue.Push(played);
            return true;
        }
        bool OnEngineResultEx(IChessEngine*, int32_t, const char*) override { return true; }
        bool OnEngineDropEx(IChessEngine*, int32_t, int32_t, int32_t, const char*) override { return true; }
        void OnEnginePartnerMessage(IChessEngine*, const char*) override {}
        void OnEngineThinking(IChessEngine*, const EngineThinking* thinking) override
        {
            std::lock_guard lock(m_Mutex);
            m_Latest.thought = true;
            m_Latest.startPly = thinking->startPly;
            m_Latest.pv = thinking->pv;
        }

        void Forget()
        {
            std::lock_guard lock(m_Mutex);
            m_Latest = Played{};
        }

    private:
        CGameQueue& m_Queue;
        int32_t m_Colour;
        std::mutex m_Mutex;
        Played m_Latest;
    };

    void Push(const Played& played)
    {
        {
            std::lock_guard lock(m_Mutex);
            m_Moves.push_back(played);
        }
        m_Changed.notify_all();
    }

    void Clear()
    {
        std::lock_guard lock(m_Mutex);
        m_Moves.clear();
    }

    bool Pop(Played& played, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_Mutex);
        if (!m_Changed.wait_for(lock, timeout, [this] { return !m_Moves.empty(); }))
            return false;
        played = m_Moves.front();
        m_Moves.pop_front();
        return true;
    }

private:
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::deque<Played> m_Moves;
};

class RealEngineTest : public ::testing::TestWithParam<RealEngine>
{
protected:
    void SetUp() override
    {
        const RealEngine& engine = GetParam();
        for (const char* program : {engine.program, engine.helper})
            if (program != nullptr && access(program, X_OK) != 0)
                GTEST_SKIP() << engine.name << " is not installed (" << program << "): skipped";
        ASSERT_TRUE(m_Dir.isValid());
        if (engine.helper != nullptr)
            std::ofstream(fs::path(m_Dir.path().toStdString()) / "polyglot.ini")
                << "[PolyGlot]\nEngineCommand = " << engine.helper << "\n";
    }

    AdapterPtr Make(CGameQueue::CSide& side, int32_t colour)
    {
        AdapterPtr adapter(new CWinboardAdapter);
        CWinboardAdapter::Timings timings;
        timings.startDelay = 100ms;
        timings.handshakeWait = 20s; // a real engine's tables take seconds on a busy machine
        timings.quitGrace = 500ms;
        adapter->SetTimings(timings);
        adapter->SetColour(colour);
        adapter->SetListener(&side);
        adapter->SetListenerEx(&side);
        adapter->SetEngineOverride(GetParam().commandLine, m_Dir.path().toStdString(), m_ListName);
        return adapter;
    }

    // Plays `games` games in the same two engine processes: replayed moves,
    // then the engines until `plies` moves have been made in all or the
    // rules end the game. Every move must be legal; every thinking line
    // before a move must turn into SAN from the position it starts from.
    // Returns how many moves differed from the first move of the line that
    // came before them. With `moveSeconds` the games have no time limit and
    // each move gets that time.
    // `afterFirstMove` looks at the engines' processes once they have played.
    int PlayGames(const std::vector<EngineMove>& replay, int plies, int games, int32_t moveSeconds = 0,
                  const std::function<void(pid_t white, pid_t black)>& afterFirstMove = {})
    {
        int differing = 0;
        CGameQueue queue;
        CGameQueue::CSide whiteSide(queue, COLOUR_WHITE);
        CGameQueue::CSide blackSide(queue, COLOUR_BLACK);
        AdapterPtr white = Make(whiteSide, COLOUR_WHITE);
        AdapterPtr black = Make(blackSide, COLOUR_BLACK);
        pid_t pids[] = {0, 0};
        int thoughts = 0;
        int readable = 0;
        for (int game = 0; game < games; ++game)
        {
            SCOPED_TRACE("game " + std::to_string(game + 1));
            std::vector<CChessPosition> history(1);
            for (const EngineMove& m : replay)
            {
                CChessPosition next = history.back();
                EXPECT_TRUE(next.MakeMove(CMove(CCoordinate(m.fromRank, m.fromFile), CCoordinate(m.toRank, m.toFile))));
                history.push_back(next);
                for (CWinboardAdapter* adapter : {white.get(), black.get()})
                    adapter->AddMove(m.fromFile, m.fromRank, m.toFile, m.toRank, m.promotion);
            }
            // One minute, the shortest game the program offers; then short
            // clocks with every move keep the engines quick. Three seconds, not
            // one: Stockfish through polyglot, pondering with about a second
            // left, now and then never answers a ponder hit (3 runs in 20).
            const int32_t clock = moveSeconds > 0 ? CEngineAdapter::kUnlimitedClock : 300;
            const int32_t base = moveSeconds > 0 ? CEngineAdapter::kUnlimitedBaseSeconds : 60;
            for (CWinboardAdapter* adapter : {white.get(), black.get()})
            {
                adapter->SetTimePerMove(moveSeconds);
                adapter->StartGame(base, 0);
            }
            EXPECT_TRUE(white->WaitUntilIdle() && black->WaitUntilIdle());
            if (!white->HasProcess() || !black->HasProcess())
            {
                ADD_FAILURE() << "an engine did not start";
                return differing;
            }
            if (game == 0)
            {
                pids[0] = white->ProcessId();
                pids[1] = black->ProcessId();
            }
            // The engines are kept from one game to the next.
            EXPECT_EQ(white->ProcessId(), pids[0]);
            EXPECT_EQ(black->ProcessId(), pids[1]);

            // Later games only show that the engines play on in them.
            const int gamePlies = game == 0 ? plies : std::min(plies, 2);
            std::string record;
            while (static_cast<int>(history.size()) - 1 < gamePlies && history.back().IsGameGoingOn())
            {
                CGameQueue::Played played;
                if (!queue.Pop(played, 30s))
                {
                    ADD_FAILURE() << "no move after: " << record;
                    return differing;
                }
                const EngineMove& m = played.move;
                const CChessPosition& before = history.back();
                EXPECT_EQ(played.colour, before.SideToMove()) << "a move out of turn after: " << record;
                std::vector<std::string> san;
                if (played.thought && played.startPly >= 0 && played.startPly < static_cast<int>(history.size()))
                {
                    ++thoughts;
                    san = CThinkingText::PvToSan(history[static_cast<size_t>(played.startPly)], played.pv);
                    readable += san.empty() ? 0 : 1;
                    if (san.empty())
                        std::printf("[ %s ] not read from ply %d: %s\n", GetParam().name, played.startPly,
                                    played.pv.c_str());
                }
                CChessPosition next = before;
                next.SetDefaultPromotionPiece(m.promotion != 0 ? m.promotion : PIECE_QUEEN);
                const CMove move(CCoordinate(m.fromRank, m.fromFile), CCoordinate(m.toRank, m.toFile));
                EXPECT_TRUE(next.MakeMove(move)) << "illegal " << move.ToText() << " after: " << record;
                if (HasFailure())
                    return differing;
                if (!san.empty() && played.startPly + 1 == static_cast<int>(history.size()) &&
                    san[0] != next.MoveTexts().back())
                    ++differing;
                record += next.MoveTexts().back() + " ";
                history.push_back(next);
                if (afterFirstMove && game == 0 && history.size() == replay.size() + 2)
                    afterFirstMove(pids[0], pids[1]);
                CWinboardAdapter* other = played.colour == COLOUR_WHITE ? black.get() : white.get();
                other->OpponentMove(m.fromFile, m.fromRank, m.toFile, m.toRank, m.promotion, clock, clock);
            }
            const std::string result =
                history.back().IsMate() ? (history.back().SideToMove() == COLOUR_WHITE ? "Black mates" : "White mates")
                                        : "Unfinished";
            white->GameOver(-1, result.c_str());
            black->GameOver(-1, result.c_str());
            EXPECT_TRUE(white->WaitUntilIdle() && black->WaitUntilIdle());
            // A move made after the last one counted (the engine to move
            // answered at once) and the thinking before it belong to this
            // game, not the next.
            queue.Clear();
            whiteSide.Forget();
            blackSide.Forget();
            std::printf("[ %s ] %s\n", GetParam().name, record.c_str());
        }
        std::printf("[ %s ] %d thinking lines before moves, %d of them read as SAN\n", GetParam().name, thoughts,
                    readable);
        // Every engine here thinks aloud after "post", in coordinates or SAN
        // the rules core reads.
        if (thoughts > 0)
        {
            EXPECT_GE(readable * 2, thoughts);
        }
        white->Quit();
        black->Quit();
        EXPECT_TRUE(white->WaitUntilIdle() && black->WaitUntilIdle());
        EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(10s));
        for (pid_t pid : pids)
            EXPECT_TRUE(kill(pid, 0) != 0 && errno == ESRCH) << "process " << pid << " left behind";
        return differing;
    }

    QTemporaryDir m_Dir;
    CMessageRecorder m_Messages;
    // The engine list's name whose option values the engines get.
    std::string m_ListName;
};
} // namespace

// One game covers both colours and a replayed start: after 1. e4 has been
// replayed, the two engines play 40 more plies.
TEST_P(RealEngineTest, PlaysBothColoursAfterAReplayedMove)
{
    (void)PlayGames({{3, 1, 3, 3, 0}}, 41, 1);
    EXPECT_TRUE(m_Messages.Texts().empty());
}

// Games from the initial position with nothing replayed, in the same
// processes: White searches at once, Black waits for White's first move.
// Fairy-Max used to crash at this start in about half the runs, so it plays
// more such games.
TEST_P(RealEngineTest, StartsFromTheInitialPositionWithNothingReplayedAndKeepsTheEngines)
{
    (void)PlayGames({}, 4, std::string(GetParam().name) == "fairymax" ? 4 : 2);
    EXPECT_TRUE(m_Messages.Texts().empty());
}

// The hash size, the threads and the strength reach Fairy-Stockfish through
// the WinBoard protocol ("memory", "cores", "option Skill Level=0"): its
// process holds the threads and the memory asked for.
using RealFairyStockfishTest = RealEngineTest;

TEST_P(RealFairyStockfishTest, TakesHashThreadsAndSkillLevel)
{
    CEngineRegistry::ResetInstance((fs::path(m_Dir.path().toStdString()) / "store.conf").string());
    CEngineList& engines = CEngineRegistry::Instance();
    m_ListName = "Fairy-Stockfish";
    engines.OpenEngineKey(m_ListName);
    engines.WriteString("CommandLine", GetParam().commandLine);
    engines.WriteOptionValues(m_ListName, {{"Hash", "128"}, {"Threads", "3"}, {"Skill Level", "0"}});
    // The engine holds the threads and the memory asked for (by itself it
    // runs two threads in about 165 MB), and at the lowest skill it plays
    // moves other than its line's.
    const int differing = PlayGames({}, 6, 1, 1, [](pid_t white, pid_t) {
        long threads = -1;
        long memory = -1;
        std::ifstream status("/proc/" + std::to_string(white) + "/status");
        for (std::string line; std::getline(status, line);)
        {
            if (line.rfind("Threads:", 0) == 0)
                threads = std::atol(line.c_str() + 8);
            if (line.rfind("VmSize:", 0) == 0)
                memory = std::atol(line.c_str() + 7);
        }
        EXPECT_GE(threads, 3);
        EXPECT_GE(memory, 260 * 1024);
    });
    EXPECT_GE(differing, 1);
    EXPECT_TRUE(m_Messages.Texts().empty());
}

INSTANTIATE_TEST_SUITE_P(Debian, RealFairyStockfishTest, ::testing::Values(kEngines[5]),
                         [](const auto&) { return std::string("fairy_stockfish"); });

INSTANTIATE_TEST_SUITE_P(Debian, RealEngineTest, ::testing::ValuesIn(kEngines),
                         [](const auto& info) { return std::string(info.param.name); });

// Bughouse with a real engine that declares it: the engine plays White on
// board A, the test plays Black with random legal moves and drops, and a
// partner board hands both sides pieces; every move and drop of the engine
// must be legal on the board. Skipped with a message when not installed.
class RealBughouseEngineTest : public ::testing::TestWithParam<RealEngine>
{
};

TEST_P(RealBughouseEngineTest, PlaysMovesAndDropsThatTheRulesAccept)
{
    const RealEngine& real = GetParam();
    if (access(real.program, X_OK) != 0)
        GTEST_SKIP() << real.name << " is not installed (" << real.program << "): skipped";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    CRecordingListener listener;
    AdapterPtr engine(new CWinboardAdapter);
    CWinboardAdapter::Timings timings;
    timings.quitGrace = 500ms;
    // Fairy-Stockfish on a busy machine may take longer than the usual wait
    // to begin its features, and its variants come with the first of them.
    timings.firstAnswerWait = 10s;
    engine->SetTimings(timings);
    engine->SetColour(COLOUR_WHITE);
    engine->SetListener(&listener);
    engine->SetListenerEx(&listener);
    engine->SetEngineOverride(real.commandLine, dir.path().toStdString());
    engine->StartAsync();
    ASSERT_TRUE(listener.WaitForReady(1, 20s));
    ASSERT_NE(listener.ReadyEvents()[0].capabilities & ENGINE_CAN_BUGHOUSE, 0);
    ASSERT_TRUE(engine->SetVariant(kEngineVariantBughouse));
    ASSERT_TRUE(engine->StartGame(60, 0));

    std::mt19937 random(7);
    CBughouseBoards boards;
    int32_t clocks[2] = {6000, 6000}; // the engine's, the test's (centiseconds)
    for (size_t ply = 0; ply < 8; ++ply)
    {
        ASSERT_TRUE(listener.WaitForMoves(ply + 1, 30s)) << "no move " << ply + 1;
        const EngineMove move = listener.Moves()[ply];
        const std::string text = listener.MoveTexts()[ply];
        CReplayedMove played;
        const CCoordinate to(move.toRank, move.toFile);
        const bool legal = move.IsDrop() ? boards.PlayDrop(0, move.drop, to, played)
                                         : boards.PlayMove(0, CMove(CCoordinate(move.fromRank, move.fromFile), to),
                                                           move.promotion, played);
        ASSERT_TRUE(legal) << "illegal " << text << " in " << boards.Fen(0);
        if (boards.Judge(0).end != GameEnd::None)
            break;
        clocks[0] -= 100;
        // The partner board: a pawn for each side after the first move, a
        // knight for White later, each before the engine is asked again.
        if (ply == 0)
        {
            for (const char* san : {"e4", "d5", "exd5", "Qxd5"})
                ASSERT_TRUE(boards.PlayText(1, san, played));
        }
        if (ply == 2)
        {
            for (const char* san : {"Nc3", "Qa5", "Nf3", "Bg4", "Ne5", "Qxe5+"})
                ASSERT_TRUE(boards.PlayText(1, san, played));
        }
        if (ply == 0 || ply == 2)
            engine->SetHoldings(boards.HoldingsText(0).c_str());

        // The test's reply: a drop when it holds a pawn, else a random move.
        const CChessPosition& position = boards.Board(0);
        bool replied = false;
        if (position.Holdings(COLOUR_BLACK, PIECE_PAWN) > 0)
        {
            for (int square = 16; square < 48 && !replied; ++square)
            {
                const CCoordinate at = CCoordinate::FromIndex(square);
                if (boards.PlayDrop(0, PIECE_PAWN, at, played))
                {
                    replied = true;
                    clocks[1] -= 100;
                    engine->OpponentDrop(PIECE_PAWN, at.x, at.y, clocks[0], clocks[1]);
                }
            }
        }
        if (!replied)
        {
            std::vector<CMove> candidates;
            position.GenerateCandidateMoves(candidates);
            std::shuffle(candidates.begin(), candidates.end(), random);
            for (const CMove& reply : candidates)
            {
                if (boards.PlayMove(0, reply, PIECE_QUEEN, played))
                {
                    replied = true;
                    clocks[1] -= 100;
                    engine->OpponentMove(reply.from.x, reply.from.y, reply.to.x, reply.to.y, played.promotion,
                                         clocks[0], clocks[1]);
                    break;
                }
            }
        }
        if (!replied || boards.Judge(0).end != GameEnd::None)
            break;
    }
    const std::vector<EngineMove> played = listener.Moves();
    std::printf("%s played %zu moves, %zd of them drops\n", real.name, played.size(),
                std::count_if(played.begin(), played.end(), [](const EngineMove& move) { return move.IsDrop(); }));
    engine->StopGame();
    engine->Quit();
}

INSTANTIATE_TEST_SUITE_P(Engines, RealBughouseEngineTest,
                         ::testing::Values(RealEngine{"sjeng", "/usr/games/sjeng", "/usr/games/sjeng", nullptr},
                                           RealEngine{"fairy_stockfish", "/usr/games/fairy-stockfish",
                                                      "/usr/games/fairy-stockfish", nullptr}),
                         [](const ::testing::TestParamInfo<RealEngine>& info) { return info.param.name; });
