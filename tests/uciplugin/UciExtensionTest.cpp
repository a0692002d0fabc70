// The UCI adapter's extension against the scripted engine: one process
// across games, start positions, takebacks and stops, the time per move,
// pondering, options, thinking lines, the engine's name and an asynchronous
// start.
#include "EngineResult.h"
#include "UciMoveText.h"
#include "UciRegistry.h"
#include "UciTestSupport.h"

#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace
{
constexpr int32_t kWhite = 2;
constexpr int32_t kBlack = 1;

class UciExtensionTest : public ::testing::Test
{
protected:
    UciAdapterPtr Make(const CScriptedUciEngine& engine, int32_t colour, const std::string& listName = "")
    {
        UciAdapterPtr adapter(new CUciAdapter);
        adapter->SetTimings(FastUciTimings());
        adapter->SetColour(colour);
        adapter->SetListener(&m_Listener);
        adapter->SetListenerEx(&m_Listener);
        adapter->SetEngineOverride(engine.CommandLine(), engine.Folder(), listName);
        return adapter;
    }

    void Move(CUciAdapter& adapter, const char* text, int32_t engineClock = 30000, int32_t opponentClock = 30000)
    {
        const std::optional<EngineMove> move = UciMoveText::Parse(text);
        ASSERT_TRUE(move) << text;
        adapter.OpponentMove(move->fromFile, move->fromRank, move->toFile, move->toRank, move->promotion, engineClock,
                             opponentClock);
    }

    CRecordingListener m_Listener;
    CMessageRecorder m_Messages;
};
} // namespace

TEST_F(UciExtensionTest, ANewGameKeepsTheProcessAndASetUpPositionIsSentAsFen)
{
    CScriptedUciEngine engine("moves e2e4 d2d4 e8d7 e8e7\n");
    UciAdapterPtr adapter = Make(engine, kWhite);
    adapter->StartGame(300, 0);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    const pid_t pid = adapter->ProcessId();
    adapter->GameOver(ENGINE_RESULT_WHITE_WINS, "Black resigns");
    adapter->StartGame(60, 1);
    ASSERT_TRUE(m_Listener.WaitForMoves(2));
    EXPECT_EQ(adapter->ProcessId(), pid);

    // Black to move in the set-up position: the Black engine searches at
    // once, and later searches carry the moves after the position.
    const std::string fen = "4k3/8/8/8/8/8/4P3/4K3 b - - 0 1";
    adapter->GameOver(-1, "Aborted");
    adapter->SetColour(kBlack);
    ASSERT_TRUE(adapter->SetStartPosition(fen.c_str()));
    adapter->StartGame(60, 0);
    ASSERT_TRUE(m_Listener.WaitForMoves(3));
    Move(*adapter, "e1d1", 5900, 5800);
    ASSERT_TRUE(m_Listener.WaitForMoves(4));
    EXPECT_EQ(m_Listener.MoveTexts(), (std::vector<std::string>{"e2e4", "d2d4", "e8d7", "e8e7"}));
    EXPECT_EQ(adapter->ProcessId(), pid);
    EXPECT_EQ(engine.Log(), "uci\nucinewgame\nisready\n"
                            "position startpos\ngo wtime 300000 btime 300000 winc 0 binc 0\n"
                            "ucinewgame\nisready\n"
                            "position startpos\ngo wtime 60000 btime 60000 winc 1000 binc 1000\n"
                            "ucinewgame\nisready\n"
                            "position fen " +
                                fen +
                                "\ngo wtime 60000 btime 60000 winc 0 binc 0\n"
                                "position fen " +
                                fen + " moves e8d7 e1d1\ngo wtime 58000 btime 59000 winc 0 binc 0\n");
}

TEST_F(UciExtensionTest, TakebackStopAndTheEndOfAGameStopTheSearchAndDropItsAnswer)
{
    // The engine answers a search only when it is stopped: each answer
    // here belongs to a search that was called off.
    CScriptedUciEngine engine("hold\nmoves e2e4 d2d4 c2c4 g1f3\n");
    UciAdapterPtr adapter = Make(engine, kWhite);
    adapter->AddMove(3, 1, 3, 3, 0); // 1. e4
    adapter->AddMove(3, 6, 3, 4, 0); // 1... e5
    adapter->StartGame(300, 0);
    ASSERT_TRUE(engine.WaitForLog("position startpos moves e2e4 e7e5\ngo"));
    // Back to the start position: the search stops, White is to move again.
    adapter->TakeBackTo(0);
    EXPECT_TRUE(adapter->Go(29000, 28000));
    ASSERT_TRUE(engine.WaitForLog("position startpos\ngo wtime 290000"));
    adapter->StopThinking();
    EXPECT_TRUE(adapter->Go(28000, 28000));
    ASSERT_TRUE(adapter->WaitUntilIdle());
    adapter->GameOver(ENGINE_RESULT_DRAW, "Agreed");
    // No game: Go refuses.
    EXPECT_FALSE(adapter->Go(1, 1));
    ASSERT_TRUE(adapter->WaitUntilIdle());
    // The last search's own stop, not the one before it.
    EXPECT_TRUE(engine.WaitForLogEnd("go wtime 280000 btime 280000 winc 0 binc 0\nstop\n"));
    EXPECT_TRUE(m_Listener.Moves().empty());
    EXPECT_EQ(engine.Log(), "uci\nucinewgame\nisready\n"
                            "position startpos moves e2e4 e7e5\ngo wtime 300000 btime 300000 winc 0 binc 0\n"
                            "stop\n"
                            "position startpos\ngo wtime 290000 btime 280000 winc 0 binc 0\n"
                            "stop\n"
                            "position startpos\ngo wtime 280000 btime 280000 winc 0 binc 0\n"
                            "stop\n");
}

TEST_F(UciExtensionTest, AGameWithoutTimeLimitGivesEachMoveTheTimeSet)
{
    CScriptedUciEngine engine("moves e7e5\n");
    UciAdapterPtr adapter = Make(engine, kBlack);
    adapter->SetTimePerMove(2);
    adapter->StartGame(CEngineAdapter::kUnlimitedBaseSeconds, 0);
    Move(*adapter, "e2e4", CEngineAdapter::kUnlimitedClock, CEngineAdapter::kUnlimitedClock);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    EXPECT_EQ(engine.Log(), "uci\nucinewgame\nisready\nposition startpos moves e2e4\ngo movetime 2000\n");
}

TEST_F(UciExtensionTest, APonderingEngineThinksOnTheExpectedReplyAndAHitOrAMissIsHandled)
{
    CScriptedUciEngine engine("option name Ponder type check default false\nmoves e2e4:e7e5 g1f3:b8c6 d2d4\n");
    UciAdapterPtr adapter = Make(engine, kWhite);
    adapter->StartAsync();
    ASSERT_TRUE(m_Listener.WaitForReady());
    EXPECT_EQ(m_Listener.ReadyEvents()[0].capabilities, ENGINE_CAN_SET_POSITION | ENGINE_CAN_PONDER);
    adapter->StartGame(300, 0);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    ASSERT_TRUE(engine.WaitForLog("go ponder"));
    Move(*adapter, "e7e5", 29000, 28000); // the expected reply: a hit
    ASSERT_TRUE(m_Listener.WaitForMoves(2));
    ASSERT_TRUE(engine.WaitForLog("b8c6\ngo ponder"));
    Move(*adapter, "d7d5", 27000, 26000); // another reply: a miss
    ASSERT_TRUE(m_Listener.WaitForMoves(3));
    // The stopped ponder search's answer (a2a3) is no move of the game.
    EXPECT_EQ(m_Listener.MoveTexts(), (std::vector<std::string>{"e2e4", "g1f3", "d2d4"}));
    EXPECT_EQ(engine.Log(),
              "uci\nucinewgame\nsetoption name Ponder value true\nisready\n"
              "position startpos\ngo wtime 300000 btime 300000 winc 0 binc 0\n"
              "position startpos moves e2e4 e7e5\ngo ponder wtime 300000 btime 300000 winc 0 binc 0\n"
              "ponderhit\n"
              "position startpos moves e2e4 e7e5 g1f3 b8c6\n"
              "go ponder wtime 290000 btime 280000 winc 0 binc 0\n"
              "stop\n"
              "position startpos moves e2e4 e7e5 g1f3 d7d5\ngo wtime 270000 btime 260000 winc 0 binc 0\n");
}

TEST_F(UciExtensionTest, WithPonderingOffTheEngineOnlyThinksOnItsOwnTime)
{
    CScriptedUciEngine engine("option name Ponder type check default true\nmoves e2e4:e7e5 g1f3\n");
    UciAdapterPtr adapter = Make(engine, kWhite);
    adapter->SetPondering(false);
    adapter->StartGame(300, 0);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    Move(*adapter, "e7e5");
    ASSERT_TRUE(m_Listener.WaitForMoves(2));
    EXPECT_EQ(engine.Log(), "uci\nucinewgame\nsetoption name Ponder value false\nisready\n"
                            "position startpos\ngo wtime 300000 btime 300000 winc 0 binc 0\n"
                            "position startpos moves e2e4 e7e5\ngo wtime 300000 btime 300000 winc 0 binc 0\n");
}

TEST_F(UciExtensionTest, StoredOptionsAreSentAtEveryStartHeldToTheirDeclaration)
{
    QTemporaryDir store;
    CUciRegistry::ResetInstance(store.path().toStdString() + "/store.conf");
    CEngineList& engines = CUciRegistry::Instance();
    engines.OpenEngineKey("Strong");
    engines.WriteString("CommandLine", "unused");
    engines.WriteOptionValues("Strong", {{"Hash", "5000"}, // above its maximum: clamped
                                         {"Skill Level", "3"},
                                         {"UCI_LimitStrength", "true"},
                                         {"UCI_Elo", "1500"},
                                         {"Style", "Risky"},
                                         {"Book File", "/books/main.bin"},
                                         {"Clear Hash", "true"},
                                         {"Ponder", "true"}, // follows the program's setting
                                         {"Threads", "abc"}, // not a number: not sent
                                         {"Missing", "1"}}); // not declared: not sent
    CScriptedUciEngine engine("option name Skill Level type spin default 20 min 0 max 20\n"
                              "option name UCI_LimitStrength type check default false\n"
                              "option name UCI_Elo type spin default 1350 min 1350 max 2850\n"
                              "option name Style type combo default Normal var Solid var Normal var Risky\n"
                              "option name Book File type string default <empty>\n"
                              "option name Clear Hash type button\n"
                              "option name Threads type spin default 1 min 1 max 512\n"
                              "option name Ponder type check default false\n");
    UciAdapterPtr adapter = Make(engine, kWhite, "Strong");
    ASSERT_TRUE(adapter->Start());
    ASSERT_TRUE(m_Listener.WaitForReady());
    EXPECT_EQ(adapter->DeclaredOptions().size(), 9u); // Hash comes with every fake engine
    const std::string options = "setoption name Hash value 1024\nsetoption name Skill Level value 3\n"
                                "setoption name UCI_LimitStrength value true\nsetoption name UCI_Elo value 1500\n"
                                "setoption name Style value Risky\nsetoption name Book File value /books/main.bin\n"
                                "setoption name Clear Hash\n";
    ASSERT_TRUE(engine.WaitForLogEnd("setoption name Clear Hash\n"));
    EXPECT_EQ(engine.Log(), "uci\n" + options);
    adapter->Quit();
    ASSERT_TRUE(adapter->WaitUntilIdle());
    ASSERT_TRUE(CProcessReaper::Instance().WaitUntilIdle(5s));
    adapter->StartGame(300, 0);
    ASSERT_TRUE(engine.WaitForLogEnd("go wtime 300000 btime 300000 winc 0 binc 0\n"));
    EXPECT_EQ(engine.Log(), "uci\n" + options + "quit\nuci\n" + options +
                                "ucinewgame\nsetoption name Ponder value true\nisready\n"
                                "position startpos\ngo wtime 300000 btime 300000 winc 0 binc 0\n");
}

TEST_F(UciExtensionTest, ThinkingLinesArePassedOnCoalescedWithTheSideOfTheScore)
{
    CScriptedUciEngine engine("thinking 200\nmoves e7e5:g1f3 b8c6\noption name Ponder type check default false\n");
    UciAdapterPtr adapter = Make(engine, kBlack);
    adapter->StartGame(300, 0);
    Move(*adapter, "e2e4");
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    const auto lines = m_Listener.ThinkingLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_LE(lines.size(), 5u);
    const auto& last = lines.back();
    EXPECT_EQ(last.source, static_cast<IChessEngine*>(adapter.get()));
    EXPECT_EQ(last.numbers.depth, 200);
    EXPECT_EQ(last.numbers.scoreKind, ENGINE_SCORE_CENTIPAWNS);
    EXPECT_EQ(last.numbers.score, 31);
    EXPECT_EQ(last.numbers.scoreColour, kBlack);
    EXPECT_EQ(last.numbers.nodes, 20000);
    EXPECT_EQ(last.numbers.nodesPerSecond, 50000);
    EXPECT_EQ(last.numbers.milliseconds, 200);
    EXPECT_EQ(last.numbers.startPly, 1);
    EXPECT_EQ(last.pv, "e7e5 g1f3");

    // It ponders on g1f3 and gets it: the lines of that search start from
    // the game after its own move, the reply first.
    ASSERT_TRUE(engine.WaitForLog("go ponder"));
    Move(*adapter, "g1f3");
    ASSERT_TRUE(m_Listener.WaitForMoves(2));
    const auto after = m_Listener.ThinkingLines().back();
    EXPECT_EQ(after.numbers.startPly, 2);
    EXPECT_EQ(after.pv, "g1f3 b8c6");
    EXPECT_EQ(after.numbers.scoreColour, kBlack);
}

TEST_F(UciExtensionTest, ReadinessCarriesTheIdNameAndComesWithoutWaiting)
{
    CScriptedUciEngine engine("name Deep Fake 2.0\non uci sleep 1500\n");
    UciAdapterPtr adapter = Make(engine, kWhite);
    adapter->StartAsync();
    // Had the start waited for the engine, it would be ready by now.
    EXPECT_TRUE(m_Listener.ReadyEvents().empty());
    ASSERT_TRUE(m_Listener.WaitForReady(1, 10s));
    EXPECT_EQ(m_Listener.ReadyEvents()[0].name, "Deep Fake 2.0");
    EXPECT_EQ(m_Listener.ReadyEvents()[0].source, static_cast<IChessEngine*>(adapter.get()));
    EXPECT_EQ(adapter->EngineName(), "Deep Fake 2.0");

    // An engine that does not answer at all is a failure event, not a box.
    CScriptedUciEngine silent("silent\n");
    UciAdapterPtr mute = Make(silent, kBlack);
    mute->StartAsync();
    ASSERT_TRUE(m_Listener.WaitForFailures(1, 10s));
    EXPECT_EQ(m_Listener.Failures()[0].reason, ENGINE_FAILURE_START);
    EXPECT_EQ(m_Listener.Failures()[0].text, "An error occured when initializing UCI engine.");
    EXPECT_TRUE(m_Messages.Texts().empty());
}

TEST_F(UciExtensionTest, AnEngineThatDiesTwiceIsAFailureEventForTheProgramToJudge)
{
    CScriptedUciEngine engine("on go exit 1\n");
    UciAdapterPtr adapter = Make(engine, kBlack);
    adapter->StartGame(300, 0);
    Move(*adapter, "e2e4");
    ASSERT_TRUE(m_Listener.WaitForFailures());
    EXPECT_EQ(m_Listener.Failures()[0].reason, ENGINE_FAILURE_DIED);
    EXPECT_EQ(m_Listener.Failures()[0].text, "The UCI engine stopped during the game and could not be started again.");
    EXPECT_TRUE(m_Listener.Results().empty());
    EXPECT_FALSE(adapter->IsGameRunning());
}

TEST_F(UciExtensionTest, TheEnginesHelperIsEndedWithIt)
{
    QTemporaryDir folder;
    const std::string helperFile = folder.path().toStdString() + "/helper";
    CScriptedUciEngine engine("helper " + helperFile + "\n");
    UciAdapterPtr adapter = Make(engine, kWhite);
    ASSERT_TRUE(adapter->Start());
    ASSERT_TRUE(m_Listener.WaitForReady());
    pid_t helper = 0;
    for (int i = 0; i < 500 && helper == 0; ++i)
    {
        std::ifstream(helperFile) >> helper;
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_GT(helper, 0);
    adapter->Quit();
    ASSERT_TRUE(adapter->WaitUntilIdle());
    ASSERT_TRUE(CProcessReaper::Instance().WaitUntilIdle(5s));
    bool gone = false;
    for (int i = 0; i < 300 && !gone; ++i)
    {
        std::ifstream stat("/proc/" + std::to_string(helper) + "/stat");
        std::string text;
        std::getline(stat, text);
        gone = text.empty() || text.find(") Z") != std::string::npos;
        if (!gone)
            std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(gone);
}
