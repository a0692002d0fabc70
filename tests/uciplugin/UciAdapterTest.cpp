// The UCI adapter against the scripted engine: the exact command sequences
// of a game, the engine's answers, and the process handling.
#include "EngineResult.h"
#include "UciMoveText.h"
#include "UciTestSupport.h"

#include <cerrno>
#include <csignal>
#include <future>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace
{
constexpr EngineMove kE2E4{3, 1, 3, 3, 0};
constexpr EngineMove kE7E5{3, 6, 3, 4, 0};
constexpr EngineMove kG1F3{1, 0, 2, 2, 0};
constexpr EngineMove kB8C6{6, 7, 5, 5, 0};
constexpr EngineMove kF1C4{2, 0, 5, 3, 0};
constexpr EngineMove kA7A8Q{7, 6, 7, 7, 4};
constexpr EngineMove kG2G1R{1, 1, 1, 0, 1};

TEST(UciMoveText, FormatsAndParsesTheInterfaceMoves)
{
    struct Case
    {
        EngineMove move;
        const char* text;
    };
    const Case cases[] = {
        {kE2E4, "e2e4"},
        {{3, 0, 1, 0, 0}, "e1g1"}, // castling as the king's two-file move
        {{3, 7, 5, 7, 0}, "e8c8"},
        {kA7A8Q, "a7a8q"},
        {kG2G1R, "g2g1r"},
        {{0, 6, 0, 7, 2}, "h7h8n"},
        {{7, 1, 6, 0, 3}, "a2b1b"},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(UciMoveText::Format(c.move), c.text);
        EXPECT_EQ(UciMoveText::Parse(c.text), c.move) << c.text;
    }
    EXPECT_EQ(UciMoveText::Parse("A7A8Q"), std::nullopt);
    EXPECT_EQ(UciMoveText::Parse("a7a8Q"), kA7A8Q);
}

TEST(UciMoveText, RefusesNoMoveAndGarbage)
{
    for (const char* text :
         {"(none)", "0000", "", "e2", "e2e4e", "e2e9", "i2e4", "e2e4k", "e2e4p", "e2 e4", "e2e4qq", "\xff\xfe\xfd\xfc"})
        EXPECT_EQ(UciMoveText::Parse(text), std::nullopt) << text;
}

// One game against the scripted engine, step by step.
struct TranscriptCase
{
    const char* name;
    int32_t colour;
    std::vector<EngineMove> replay;
    int32_t baseSeconds;
    int32_t incrementSeconds;
    const char* engineMoves; // what the engine answers to each "go"
    struct Reply
    {
        EngineMove move;
        int32_t engineClock;
        int32_t opponentClock;
    };
    std::vector<Reply> opponentMoves;
    std::vector<EngineMove> expectedEngineMoves;
    const char* transcript;
};

void PrintTo(const TranscriptCase& c, std::ostream* out)
{
    *out << c.name;
}

const TranscriptCase kTranscripts[] = {
    {"White",
     2,
     {},
     300,
     0,
     "e2e4",
     {{kE7E5, 29850, 29900}},
     {kE2E4, kG1F3},
     "uci\nucinewgame\nisready\n"
     "position startpos\ngo wtime 300000 btime 300000 winc 0 binc 0\n"
     "position startpos moves e2e4 e7e5\ngo wtime 298500 btime 299000 winc 0 binc 0\n"},
    {"Black",
     1,
     {},
     60,
     2,
     "e7e5",
     {{kE2E4, 6000, 5990}, {kG1F3, 5800, 6100}},
     {kE7E5, kB8C6},
     "uci\nucinewgame\nisready\n"
     "position startpos moves e2e4\ngo wtime 59900 btime 60000 winc 2000 binc 2000\n"
     "position startpos moves e2e4 e7e5 g1f3\ngo wtime 61000 btime 58000 winc 2000 binc 2000\n"},
    {"AfterReplay",
     1,
     {kE2E4, kE7E5, kG1F3},
     120,
     0,
     "b8c6",
     {{kF1C4, 11000, 12000}},
     {kB8C6, kB8C6},
     "uci\nucinewgame\nisready\n"
     "position startpos moves e2e4 e7e5 g1f3\ngo wtime 120000 btime 120000 winc 0 binc 0\n"
     "position startpos moves e2e4 e7e5 g1f3 b8c6 f1c4\ngo wtime 120000 btime 110000 winc 0 binc 0\n"},
    {"WhiteAfterReplayWaits",
     2,
     {kE2E4},
     180,
     5,
     "g1f3",
     {{kE7E5, 18000, 18000}},
     {kG1F3},
     "uci\nucinewgame\nisready\n"
     "position startpos moves e2e4 e7e5\ngo wtime 180000 btime 180000 winc 5000 binc 5000\n"},
    {"NoTimeLimit",
     2,
     {},
     100000,
     0,
     "e2e4",
     {{kE7E5, 10000000, 10000000}},
     {kE2E4, kG1F3},
     "uci\nucinewgame\nisready\n"
     "position startpos\ngo movetime 5000\n"
     "position startpos moves e2e4 e7e5\ngo movetime 5000\n"},
    {"Promotion",
     2,
     {},
     300,
     0,
     "a7a8q",
     {{kG2G1R, 30000, 30000}},
     {kA7A8Q, kG1F3},
     "uci\nucinewgame\nisready\n"
     "position startpos\ngo wtime 300000 btime 300000 winc 0 binc 0\n"
     "position startpos moves a7a8q g2g1r\ngo wtime 300000 btime 300000 winc 0 binc 0\n"},
};

class UciTranscriptTest : public ::testing::TestWithParam<TranscriptCase>
{
};

TEST_P(UciTranscriptTest, WritesTheExactCommands)
{
    const TranscriptCase& c = GetParam();
    // After its scripted moves the engine plays g1f3 or b8c6 once more, so
    // the last search of each case is answered too.
    const std::string extra = c.colour == 2 ? " g1f3" : " b8c6";
    CScriptedUciEngine engine(std::string("moves ") + c.engineMoves + extra + "\n");
    CRecordingListener listener;
    CMessageRecorder messages;
    UciAdapterPtr adapter(new CUciAdapter);
    adapter->SetTimings(FastUciTimings());
    EXPECT_EQ(adapter->SetColour(c.colour), c.colour == 2);
    adapter->SetListener(&listener);
    adapter->SetEngineOverride(engine.CommandLine(), engine.Folder());
    adapter->ClearMoves();
    for (const EngineMove& m : c.replay)
        adapter->AddMove(m.fromFile, m.fromRank, m.toFile, m.toRank, m.promotion);
    ASSERT_TRUE(adapter->StartGame(c.baseSeconds, c.incrementSeconds));
    ASSERT_TRUE(adapter->WaitUntilIdle(Scaled(10s)));
    ASSERT_TRUE(adapter->HasProcess());

    const bool engineFirst = (c.replay.size() % 2 == 0) == (c.colour == 2);
    size_t expectedMoves = engineFirst ? 1 : 0;
    for (const auto& reply : c.opponentMoves)
    {
        ASSERT_TRUE(listener.WaitForMoves(expectedMoves));
        const EngineMove& m = reply.move;
        adapter->OpponentMove(m.fromFile, m.fromRank, m.toFile, m.toRank, m.promotion, reply.engineClock,
                              reply.opponentClock);
        ++expectedMoves;
    }
    ASSERT_TRUE(listener.WaitForMoves(expectedMoves));
    EXPECT_EQ(listener.Moves(), c.expectedEngineMoves);
    EXPECT_EQ(engine.Log(), c.transcript);

    // The game is over: no "stop" when nothing is searched, then "quit".
    adapter->StopGame();
    EXPECT_FALSE(adapter->IsGameRunning());
    const pid_t pid = adapter->ProcessId();
    adapter.reset();
    EXPECT_TRUE(engine.WaitForLogEnd(std::string(c.transcript) + "quit\n"));
    EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(5s)));
    EXPECT_TRUE(kill(pid, 0) != 0 && errno == ESRCH);
    EXPECT_TRUE(messages.Texts().empty());
}

INSTANTIATE_TEST_SUITE_P(Games, UciTranscriptTest, ::testing::ValuesIn(kTranscripts),
                         [](const auto& info) { return std::string(info.param.name); });

class UciAdapterTest : public ::testing::Test
{
protected:
    UciAdapterPtr Make(const CScriptedUciEngine& engine, int32_t colour = 2)
    {
        UciAdapterPtr adapter(new CUciAdapter);
        CEngineAdapter::Timings timings = FastUciTimings();
        timings.handshakeWait = Scaled(300ms);
        adapter->SetTimings(timings);
        adapter->SetColour(colour);
        adapter->SetListener(&m_Listener);
        adapter->SetEngineOverride(engine.CommandLine(), engine.Folder());
        return adapter;
    }

    CRecordingListener m_Listener;
    CMessageRecorder m_Messages;
};

TEST_F(UciAdapterTest, NoLegalMoveIsNotReportedAsAMove)
{
    for (const char* none : {"(none)", "0000"})
    {
        SCOPED_TRACE(none);
        CRecordingListener listener;
        CScriptedUciEngine engine(std::string("moves ") + none + " e2e4\n");
        UciAdapterPtr adapter = Make(engine);
        adapter->SetListener(&listener);
        adapter->StartGame(300, 0);
        ASSERT_TRUE(engine.WaitForLogEnd("go wtime 300000 btime 300000 winc 0 binc 0\n"));
        // A second search: its answer comes after the first, so once it is
        // here the first has been read and dropped.
        adapter->OpponentMove(kE7E5.fromFile, kE7E5.fromRank, kE7E5.toFile, kE7E5.toRank, 0, 30000, 30000);
        ASSERT_TRUE(listener.WaitForMoves(1));
        EXPECT_EQ(listener.Moves(), std::vector<EngineMove>{kE2E4});
        // The dropped answer adds nothing to the game sent next.
        EXPECT_NE(engine.Log().find("position startpos moves e7e5\n"), std::string::npos);
    }
}

TEST_F(UciAdapterTest, StopGameStopsTheSearchAndDropsItsAnswer)
{
    CScriptedUciEngine engine("hold\nmoves e2e4\n");
    UciAdapterPtr adapter = Make(engine);
    adapter->StartGame(300, 0);
    ASSERT_TRUE(engine.WaitForLogEnd("go wtime 300000 btime 300000 winc 0 binc 0\n"));
    adapter->StopGame();
    ASSERT_TRUE(engine.WaitForLogEnd("stop\n"));
    // Moves after the end go nowhere.
    adapter->OpponentMove(kE7E5.fromFile, kE7E5.fromRank, kE7E5.toFile, kE7E5.toRank, 0, 30000, 30000);
    std::this_thread::sleep_for(Scaled(100ms));
    EXPECT_TRUE(m_Listener.Moves().empty());
    adapter.reset();
    EXPECT_TRUE(engine.WaitForLogEnd("stop\nquit\n"));
    EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(5s)));
}

TEST_F(UciAdapterTest, AProgramThatDoesNotSpeakUciIsAStartFailure)
{
    struct Case
    {
        const char* name;
        std::string commandLine; // empty: the scripted engine
        const char* script;
    };
    const Case cases[] = {
        {"silent", "", "silent\n"},           {"leaves at once", "", "on uci exit 0\n"},
        {"echoes its input", "/bin/cat", ""}, {"missing", "/nonexistent/uci-engine", ""},
        {"blank command line", " ", ""},
    };
    const std::string error = "An error occured when initializing UCI engine.";
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        CMessageRecorder messages;
        CScriptedUciEngine engine(c.script);
        UciAdapterPtr adapter = Make(engine);
        if (!c.commandLine.empty())
            adapter->SetEngineOverride(c.commandLine, engine.Folder());
        // The start is the engine's own thread's: the failure comes later.
        EXPECT_TRUE(adapter->Start());
        EXPECT_TRUE(PumpUntil([&] { return messages.Texts().size() == 1; }));
        EXPECT_FALSE(adapter->HasProcess());
        EXPECT_EQ(messages.Texts(), std::vector<std::string>{error});
        // A game after the failure tries again, reports again and leaves nothing behind.
        EXPECT_TRUE(adapter->StartGame(300, 0));
        adapter->OpponentMove(3, 1, 3, 3, 0, 100, 100);
        EXPECT_TRUE(PumpUntil([&] { return messages.Texts().size() == 2; }));
        EXPECT_FALSE(adapter->IsGameRunning());
        adapter.reset();
        EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(5s)));
    }
    EXPECT_TRUE(m_Listener.Moves().empty());
}

TEST_F(UciAdapterTest, AnEngineThatIgnoresQuitIsEnded)
{
    CScriptedUciEngine engine("on quit ignore\nmoves e2e4\n");
    UciAdapterPtr adapter = Make(engine);
    adapter->StartGame(300, 0);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    const pid_t pid = adapter->ProcessId();
    adapter->Quit();
    ASSERT_TRUE(adapter->WaitUntilIdle(Scaled(10s)));
    EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(5s)));
    EXPECT_TRUE(kill(pid, 0) != 0 && errno == ESRCH);
}

TEST_F(UciAdapterTest, AnEngineThatDiesMidGameIsRestartedOnceWithTheGameSoFar)
{
    QTemporaryDir marker;
    CScriptedUciEngine engine("moves e7e5\non go exitonce " + marker.path().toStdString() + "/left\n");
    UciAdapterPtr adapter = Make(engine, 1);
    adapter->StartGame(300, 0);
    adapter->OpponentMove(3, 1, 3, 3, 0, 29000, 28000);
    ASSERT_TRUE(PumpUntil([&] { return !m_Listener.Moves().empty(); }));
    EXPECT_EQ(m_Listener.Moves(), std::vector<EngineMove>{kE7E5});
    EXPECT_TRUE(adapter->IsGameRunning());
    // Both engines log to the same file: the second is given the game and the search again.
    const std::string search = "position startpos moves e2e4\ngo wtime 280000 btime 290000 winc 0 binc 0\n";
    EXPECT_EQ(engine.Log(), "uci\nucinewgame\nisready\n" + search + "uci\nucinewgame\nisready\n" + search);
    EXPECT_TRUE(m_Messages.Texts().empty());
}

TEST_F(UciAdapterTest, AnEngineThatDiesAgainResignsAndLeavesTheGameUsable)
{
    CScriptedUciEngine engine("on go exit 1\n");
    UciAdapterPtr adapter = Make(engine, 1);
    adapter->StartGame(300, 0);
    ASSERT_TRUE(adapter->WaitUntilIdle(Scaled(10s)));
    ASSERT_TRUE(adapter->HasProcess());
    adapter->OpponentMove(3, 1, 3, 3, 0, 30000, 30000);
    ASSERT_TRUE(PumpUntil([&] { return !m_Listener.Results().empty(); }));
    EXPECT_EQ(m_Listener.Results(), std::vector<int32_t>{ENGINE_RESULT_RESIGNS});
    EXPECT_FALSE(adapter->IsGameRunning());
    // Later calls go nowhere, quietly.
    adapter->OpponentMove(1, 0, 2, 2, 0, 30000, 30000);
    adapter->StopGame();
    adapter.reset();
    EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(5s)));
    EXPECT_TRUE(m_Listener.Moves().empty());
}

TEST_F(UciAdapterTest, DestroyDuringAHandOverNeitherWaitsNorFreesTooEarly)
{
    CScriptedUciEngine engine("moves e2e4\n");
    std::promise<void> released;
    std::shared_future<void> release = released.get_future().share();
    std::promise<void> entered;
    m_Listener.SetOnMove([&entered, release] {
        entered.set_value();
        release.wait();
    });
    UciAdapterPtr adapter = Make(engine);
    adapter->StartGame(300, 0);
    ASSERT_EQ(entered.get_future().wait_for(Scaled(5s)), std::future_status::ready);
    // The reader is inside the listener: Destroy must return at once.
    adapter.reset();
    released.set_value();
    EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(5s)));
    EXPECT_EQ(m_Listener.Moves(), std::vector<EngineMove>{kE2E4});
}

TEST_F(UciAdapterTest, ObjectsAreIndependentAndNamed)
{
    CScriptedUciEngine engine("moves e2e4\n");
    UciAdapterPtr white = Make(engine, 2);
    UciAdapterPtr black = Make(engine, 1);
    EXPECT_STREQ(white->GetName(), "UCI Engine");
    EXPECT_TRUE(white->PlaysWhite());
    EXPECT_FALSE(black->PlaysWhite());
    EXPECT_TRUE(white->Reserved());
    EXPECT_EQ(white->GetVersion(), kChessEngineExVersion);
    ASSERT_TRUE(white->Start());
    ASSERT_TRUE(black->Start());
    ASSERT_TRUE(white->WaitUntilIdle(Scaled(10s)) && black->WaitUntilIdle(Scaled(10s)));
    EXPECT_NE(white->ProcessId(), black->ProcessId());
    // A second Start keeps the engine that runs.
    const pid_t first = white->ProcessId();
    ASSERT_TRUE(white->Start());
    ASSERT_TRUE(white->WaitUntilIdle(Scaled(10s)));
    EXPECT_EQ(white->ProcessId(), first);
    EXPECT_TRUE(white->Quit());
    ASSERT_TRUE(white->WaitUntilIdle(Scaled(10s)));
    EXPECT_FALSE(white->HasProcess());
    EXPECT_TRUE(black->HasProcess());
    white.reset();
    black.reset();
    EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(5s)));
    EXPECT_TRUE(kill(first, 0) != 0 && errno == ESRCH);
}
} // namespace
