// Debian's stockfish and fairy-stockfish through the UCI adapter: thinking
// lines that turn into legal SAN, options that reach the engine (its threads,
// its memory, its strength), a game without time limit, and one process for
// two games. A missing engine skips the test with a message.
#include "UciRegistry.h"
#include "UciTestSupport.h"

#include "ChessPosition.h"
#include "ChessTypes.h"
#include "ThinkingText.h"
#include "UciMoveText.h"
#include "WinboardAdapter.h"

#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

using namespace std::chrono_literals;

namespace
{
// A number from /proc/PID/status ("Threads", "VmSize" in kB), or -1.
long ProcStatus(pid_t pid, const std::string& key)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(key + ":", 0) == 0)
            return std::atol(line.c_str() + key.size() + 1);
    return -1;
}

std::vector<std::string> Words(const std::string& text)
{
    std::istringstream stream(text);
    std::vector<std::string> words;
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

class RealUciTest : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        if (access(GetParam(), X_OK) != 0)
            GTEST_SKIP() << GetParam() << " is not installed: skipped";
        ASSERT_TRUE(m_Store.isValid());
        CUciRegistry::ResetInstance(m_Store.path().toStdString() + "/store.conf");
    }

    // An adapter for the engine under this list name, with these option values.
    UciAdapterPtr Make(int32_t colour, const std::string& name, const EngineOptionValues& options)
    {
        CEngineList& engines = CUciRegistry::Instance();
        engines.OpenEngineKey(name);
        engines.WriteString("CommandLine", GetParam());
        engines.WriteOptionValues(name, options);
        UciAdapterPtr adapter(new CUciAdapter);
        adapter->SetTimings(RealUciTimings());
        adapter->SetColour(colour);
        adapter->SetListener(&m_Listener);
        adapter->SetListenerEx(&m_Listener);
        adapter->SetEngineOverride(GetParam(), m_Store.path().toStdString(), name);
        return adapter;
    }

    // Plays `plies` moves between the two engines from the start position.
    // For each move it checks the mover's latest thinking line of that
    // search: it turns into legal SAN all along, and, unless `weakened`,
    // its move for this ply is the move played. Returns how many moves
    // differed from their line.
    int PlayAndCheckThinking(CUciAdapter& white, CUciAdapter& black, int plies, int32_t seconds, bool weakened)
    {
        const size_t movesBefore = m_Listener.Moves().size();
        std::vector<CChessPosition> history(1);
        white.StartGame(seconds, 0);
        black.StartGame(seconds, 0);
        int differing = 0;
        for (int ply = 0; ply < plies && history.back().IsGameGoingOn(); ++ply)
        {
            if (!m_Listener.WaitForMoves(movesBefore + ply + 1, 30s))
            {
                ADD_FAILURE() << "no move at ply " << ply;
                return differing;
            }
            const EngineMove move = m_Listener.Moves()[movesBefore + ply];
            const std::string text = m_Listener.MoveTexts()[movesBefore + ply];
            CUciAdapter& mover = ply % 2 == 0 ? white : black;
            CUciAdapter& other = ply % 2 == 0 ? black : white;
            EXPECT_EQ(m_Listener.MoveSources()[movesBefore + ply], static_cast<IChessEngine*>(&mover));

            // The mover's latest line of this search (a ponder hit's began a ply earlier).
            const auto lines = m_Listener.ThinkingLines();
            const CRecordingListener::Thinking* latest = nullptr;
            for (const auto& line : lines)
                if (line.source == static_cast<IChessEngine*>(&mover) && line.numbers.startPly <= ply &&
                    line.numbers.startPly >= ply - 1)
                    latest = &line;
            if (latest == nullptr)
                ADD_FAILURE() << "no thinking line for ply " << ply;
            else
            {
                EXPECT_GT(latest->numbers.depth, 0);
                EXPECT_NE(latest->numbers.scoreKind, ENGINE_SCORE_NONE);
                const std::vector<std::string> words = Words(latest->pv);
                const std::vector<std::string> san =
                    CThinkingText::PvToSan(history[static_cast<size_t>(latest->numbers.startPly)], latest->pv);
                EXPECT_EQ(san.size(), words.size()) << "not all legal: " << latest->pv;
                const size_t at = static_cast<size_t>(ply - latest->numbers.startPly);
                const bool same = at < words.size() && words[at] == text;
                if (!weakened)
                {
                    EXPECT_TRUE(same) << "played " << text << ", line " << latest->pv;
                }
                differing += same ? 0 : 1;
                std::printf("[ ply %d ] %s  depth %d score %s  %s\n", ply, text.c_str(), latest->numbers.depth,
                            CThinkingText::ScoreText(latest->numbers.scoreKind, latest->numbers.score,
                                                     latest->numbers.scoreColour)
                                .c_str(),
                            [&] {
                                std::string line;
                                for (const std::string& word : san)
                                    line += word + " ";
                                return line;
                            }()
                                .c_str());
            }
            CChessPosition next = history.back();
            next.SetDefaultPromotionPiece(move.promotion != 0 ? move.promotion : PIECE_QUEEN);
            if (!next.MakeMove(CMove(CCoordinate(move.fromRank, move.fromFile), CCoordinate(move.toRank, move.toFile))))
            {
                ADD_FAILURE() << "illegal " << text;
                return differing;
            }
            history.push_back(next);
            other.OpponentMove(move.fromFile, move.fromRank, move.toFile, move.toRank, move.promotion, seconds * 100,
                               seconds * 100);
        }
        white.GameOver(-1, "Aborted");
        black.GameOver(-1, "Aborted");
        return differing;
    }

    QTemporaryDir m_Store;
    CRecordingListener m_Listener;
    CMessageRecorder m_Messages;
};
} // namespace

// Depth, score and a principal variation that the rules core turns into
// legal SAN, with the engine pondering; a second game in the same processes.
using RealStockfishTest = RealUciTest;

TEST_P(RealStockfishTest, ThinkingLinesTurnIntoLegalSanAndTheEngineIsKeptForTheNextGame)
{
    UciAdapterPtr white = Make(COLOUR_WHITE, "White Engine", {});
    UciAdapterPtr black = Make(COLOUR_BLACK, "Black Engine", {});
    PlayAndCheckThinking(*white, *black, 4, 5, false);
    const pid_t pids[] = {white->ProcessId(), black->ProcessId()};
    PlayAndCheckThinking(*white, *black, 2, 5, false);
    EXPECT_EQ(white->ProcessId(), pids[0]);
    EXPECT_EQ(black->ProcessId(), pids[1]);
    ASSERT_GE(m_Listener.ReadyEvents().size(), 2u);
    EXPECT_NE(m_Listener.ReadyEvents()[0].name.find("tockfish"), std::string::npos);
    EXPECT_TRUE(m_Messages.Texts().empty());
}

// Hash, Threads and the strength reach the engine: its process holds the
// threads and the memory asked for, and at the lowest skill it plays moves
// other than its principal variation's.
TEST_P(RealUciTest, HashThreadsAndSkillLevelReachTheEngine)
{
    UciAdapterPtr plain = Make(COLOUR_WHITE, "Plain", {});
    plain->StartGame(2, 0);
    ASSERT_TRUE(m_Listener.WaitForMoves(1, 30s));
    const long plainThreads = ProcStatus(plain->ProcessId(), "Threads");
    const long plainMemory = ProcStatus(plain->ProcessId(), "VmSize");
    plain->Quit();

    const EngineOptionValues weak = {{"Hash", "128"}, {"Threads", "3"}, {"Skill Level", "0"}};
    UciAdapterPtr white = Make(COLOUR_WHITE, "Weak White", weak);
    UciAdapterPtr black = Make(COLOUR_BLACK, "Weak Black", weak);
    const int differing = PlayAndCheckThinking(*white, *black, 6, 2, true);
    const pid_t pid = white->ProcessId();
    EXPECT_GE(ProcStatus(pid, "Threads"), plainThreads + 2);
    EXPECT_GE(ProcStatus(pid, "VmSize"), plainMemory + 100 * 1024);
    // At full strength the move played is always the line's (the test above).
    EXPECT_GE(differing, 1);
    EXPECT_TRUE(m_Messages.Texts().empty());
}

// Without time limit each move gets the time set, so the game goes on
// (a WinBoard engine gets "st", this one "go movetime").
TEST_P(RealStockfishTest, AGameWithoutTimeLimitMovesAtTheTimeSet)
{
    if (access("/usr/games/fairymax", X_OK) != 0)
        GTEST_SKIP() << "/usr/games/fairymax is not installed: skipped";
    UciAdapterPtr uci = Make(COLOUR_WHITE, "Unlimited", {});
    uci->SetTimePerMove(1);
    CRecordingListener winboardSide;
    AdapterPtr winboard(new CWinboardAdapter);
    winboard->SetColour(COLOUR_BLACK);
    winboard->SetListener(&winboardSide);
    winboard->SetEngineOverride("/usr/games/fairymax", m_Store.path().toStdString());
    winboard->SetTimePerMove(1);
    uci->StartGame(CEngineAdapter::kUnlimitedBaseSeconds, 0);
    winboard->StartGame(CEngineAdapter::kUnlimitedBaseSeconds, 0);
    CChessPosition position;
    for (int ply = 0; ply < 3; ++ply)
    {
        CRecordingListener& mover = ply % 2 == 0 ? m_Listener : winboardSide;
        ASSERT_TRUE(mover.WaitForMoves(static_cast<size_t>(ply / 2 + 1), 10s)) << "no move at ply " << ply;
        const EngineMove m = mover.Moves().back();
        position.SetDefaultPromotionPiece(m.promotion != 0 ? m.promotion : PIECE_QUEEN);
        ASSERT_TRUE(position.MakeMove(CMove(CCoordinate(m.fromRank, m.fromFile), CCoordinate(m.toRank, m.toFile))));
        IChessEngine& other = ply % 2 == 0 ? static_cast<IChessEngine&>(*winboard) : static_cast<IChessEngine&>(*uci);
        other.OpponentMove(m.fromFile, m.fromRank, m.toFile, m.toRank, m.promotion, CEngineAdapter::kUnlimitedClock,
                           CEngineAdapter::kUnlimitedClock);
    }
    std::printf("[ no time limit ] %s\n", position.MoveTexts().empty() ? "" : position.MoveTexts().back().c_str());
    uci->StopGame();
    winboard->StopGame();
}

INSTANTIATE_TEST_SUITE_P(Debian, RealStockfishTest, ::testing::Values("/usr/games/stockfish"),
                         [](const auto&) { return std::string("Stockfish"); });
INSTANTIATE_TEST_SUITE_P(Debian, RealUciTest, ::testing::Values("/usr/games/stockfish", "/usr/games/fairy-stockfish"),
                         [](const auto& info) {
                             return std::string(info.param).find("fairy") != std::string::npos ? "FairyStockfish"
                                                                                               : "Stockfish";
                         });
