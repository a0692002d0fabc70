// Debian's stockfish through the UCI adapter against fairymax through the
// WinBoard adapter, every move checked by the rules core, the UCI engine on
// either side. A missing engine skips the test with a message.
#include "UciTestSupport.h"

#include "ChessPosition.h"
#include "ChessTypes.h"

#include <cerrno>
#include <csignal>
#include <deque>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace
{
constexpr const char* kStockfish = "/usr/games/stockfish";
constexpr const char* kFairymax = "/usr/games/fairymax";

// Both engines report here; the test thread plays the moves, as the game
// window does on the user-interface thread.
class CMoveQueue
{
public:
    class CSide : public IChessEngineListener
    {
    public:
        CSide(CMoveQueue& queue, int32_t colour) : m_Queue(queue), m_Colour(colour) {}
        bool OnEngineMove(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e) override
        {
            m_Queue.Push(m_Colour, EngineMove{a, b, c, d, e});
            return true;
        }
        bool OnEngineResult(int32_t result) override
        {
            m_Queue.PushResult(result);
            return true;
        }

    private:
        CMoveQueue& m_Queue;
        int32_t m_Colour;
    };

    void Push(int32_t colour, const EngineMove& move)
    {
        // Notified under the lock, so a woken test cannot end this queue first.
        std::lock_guard lock(m_Mutex);
        m_Moves.emplace_back(colour, move);
        m_Changed.notify_all();
    }

    void PushResult(int32_t result)
    {
        std::lock_guard lock(m_Mutex);
        m_Results.push_back(result);
    }

    bool Pop(int32_t& colour, EngineMove& move, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_Mutex);
        if (!m_Changed.wait_for(lock, timeout, [this] { return !m_Moves.empty(); }))
            return false;
        colour = m_Moves.front().first;
        move = m_Moves.front().second;
        m_Moves.pop_front();
        return true;
    }

private:
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::deque<std::pair<int32_t, EngineMove>> m_Moves;
    std::vector<int32_t> m_Results;
};

class StockfishAgainstFairymax : public ::testing::TestWithParam<int32_t>
{
protected:
    void SetUp() override
    {
        for (const char* program : {kStockfish, kFairymax})
            if (access(program, X_OK) != 0)
                GTEST_SKIP() << program << " is not installed: skipped";
        ASSERT_TRUE(m_Dir.isValid());
    }

    QTemporaryDir m_Dir;
    CMessageRecorder m_Messages;
};

TEST_P(StockfishAgainstFairymax, PlaysFortyLegalPliesAfterAReplayedMove)
{
    const int32_t uciColour = GetParam();
    CMoveQueue queue;
    CMoveQueue::CSide uciSide(queue, uciColour);
    CMoveQueue::CSide winboardSide(queue, OppositeColour(uciColour));

    UciAdapterPtr uci(new CUciAdapter);
    uci->SetTimings(RealUciTimings());
    uci->SetColour(uciColour);
    uci->SetListener(&uciSide);
    uci->SetEngineOverride(kStockfish, m_Dir.path().toStdString());

    AdapterPtr winboard(new CWinboardAdapter);
    CEngineAdapter::Timings timings;
    timings.startDelay = 100ms;
    timings.handshakeWait = 20s; // a real engine's tables take seconds on a busy machine
    timings.quitGrace = 500ms;
    winboard->SetTimings(timings);
    winboard->SetColour(OppositeColour(uciColour));
    winboard->SetListener(&winboardSide);
    winboard->SetEngineOverride(kFairymax, m_Dir.path().toStdString());

    // One minute, the shortest game the program offers; then short clocks
    // with every move keep both engines quick.
    // 1. e4 is replayed first: fairymax often crashes (SIGSEGV) on
    // "force" then "computer" with no move in between.
    CChessPosition position;
    const EngineMove e4{3, 1, 3, 3, 0};
    ASSERT_TRUE(position.MakeMove(CMove(CCoordinate(1, 3), CCoordinate(3, 3))));
    for (IChessEngine* engine : std::initializer_list<IChessEngine*>{uci.get(), winboard.get()})
        engine->AddMove(e4.fromFile, e4.fromRank, e4.toFile, e4.toRank, e4.promotion);
    constexpr int32_t kClock = 100;
    uci->StartGame(60, 0);
    winboard->StartGame(60, 0);
    ASSERT_TRUE(uci->WaitUntilIdle() && winboard->WaitUntilIdle());
    ASSERT_TRUE(uci->HasProcess() && winboard->HasProcess());
    const pid_t pids[] = {uci->ProcessId(), winboard->ProcessId()};

    std::string record = "e4 ";
    while (position.RecordedMoves().size() < 41 && position.IsGameGoingOn())
    {
        int32_t colour = 0;
        EngineMove m;
        ASSERT_TRUE(queue.Pop(colour, m, 30s)) << "no move after: " << record;
        ASSERT_EQ(colour, position.SideToMove()) << "a move out of turn after: " << record;
        position.SetDefaultPromotionPiece(m.promotion != 0 ? m.promotion : PIECE_QUEEN);
        const CMove move(CCoordinate(m.fromRank, m.fromFile), CCoordinate(m.toRank, m.toFile));
        ASSERT_TRUE(position.MakeMove(move)) << "illegal " << move.ToText() << " after: " << record;
        record += position.MoveTexts().back() + " ";
        if (colour == uciColour)
            winboard->OpponentMove(m.fromFile, m.fromRank, m.toFile, m.toRank, m.promotion, kClock, kClock);
        else
            uci->OpponentMove(m.fromFile, m.fromRank, m.toFile, m.toRank, m.promotion, kClock, kClock);
    }
    uci->StopGame();
    winboard->StopGame();
    uci->Quit();
    winboard->Quit();
    ASSERT_TRUE(uci->WaitUntilIdle() && winboard->WaitUntilIdle());
    EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(10s));
    for (pid_t pid : pids)
        EXPECT_TRUE(kill(pid, 0) != 0 && errno == ESRCH) << "process " << pid << " left behind";
    EXPECT_TRUE(m_Messages.Texts().empty());
    std::printf("[ stockfish as %s ] %s\n", uciColour == COLOUR_WHITE ? "White" : "Black", record.c_str());
}

INSTANTIATE_TEST_SUITE_P(Debian, StockfishAgainstFairymax, ::testing::Values(COLOUR_WHITE, COLOUR_BLACK),
                         [](const auto& info) { return info.param == COLOUR_WHITE ? "White" : "Black"; });
} // namespace
