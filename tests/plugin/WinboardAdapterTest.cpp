#include "PluginTestSupport.h"

#include "EngineResult.h"
#include "RavelinTexts.h"

#include <QTemporaryDir>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace
{
constexpr int32_t kWhite = 2;
constexpr int32_t kBlack = 1;

int CountOpenFds()
{
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

// The pipes a process has open at descriptors 3 and above, by inode text.
std::set<std::string> PipesAboveStandardHandles(const std::string& process)
{
    std::set<std::string> pipes;
    for (const auto& entry : fs::directory_iterator("/proc/" + process + "/fd"))
    {
        std::error_code error;
        const std::string target = fs::read_symlink(entry.path(), error).string();
        if (std::atoi(entry.path().filename().c_str()) > 2 && target.rfind("pipe:", 0) == 0)
            pipes.insert(target);
    }
    return pipes;
}

bool ProcessGone(pid_t pid)
{
    return kill(pid, 0) != 0 && errno == ESRCH;
}

class WinboardAdapterTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_Dir.isValid()); }

    void TearDown() override { EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(5s)); }

    // An adapter that runs the fake engine with this script; its transcript
    // goes to Log(index).
    AdapterPtr Make(const std::string& script, int32_t colour)
    {
        const int index = m_Count++;
        const std::string scriptPath = Path("script-" + std::to_string(index));
        std::ofstream(scriptPath) << script;
        AdapterPtr adapter(new CWinboardAdapter);
        adapter->SetTimings(FastTimings());
        adapter->SetColour(colour);
        adapter->SetListener(&m_Listener);
        adapter->SetEngineOverride(std::string(FAKE_ENGINE) + " " + scriptPath + " " +
                                       Path("log-" + std::to_string(index)),
                                   m_Dir.path().toStdString());
        return adapter;
    }

    std::string Path(const std::string& name) const { return (fs::path(m_Dir.path().toStdString()) / name).string(); }

    // The transcript once the fake engine has left.
    std::string Log(int index)
    {
        EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(5s));
        std::ifstream in(Path("log-" + std::to_string(index)), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    QTemporaryDir m_Dir;
    CRecordingListener m_Listener;
    CMessageRecorder m_Messages;
    int m_Count = 0;
};

const std::string kOpening = "xboard\nprotover 2\nnew\nrandom\n";
} // namespace

TEST_F(WinboardAdapterTest, CompleteExchangeWithABlackEngineHoldsByteForByte)
{
    auto engine = Make("moves e7e5\n", kBlack);
    ASSERT_TRUE(engine->StartGame(300, 2));
    EXPECT_TRUE(engine->IsGameRunning());
    engine->OpponentMove(3, 1, 3, 3, 0, 30000, 29850);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    EXPECT_EQ(m_Listener.Moves()[0], (EngineMove{3, 6, 3, 4, 0}));
    engine->StopGame();
    engine->Quit();
    EXPECT_EQ(Log(0), kOpening + "level 0 5 2\nhard\nforce\ncomputer\n"
                                 "time 30000\notim 29850\ne2e4\nblack\ngo\n"
                                 "result * {Unfinished}\nforce\nquit\n");
    EXPECT_TRUE(m_Messages.Texts().empty());
}

TEST_F(WinboardAdapterTest, StartSequencesForEachColourAndReplay)
{
    struct Case
    {
        const char* name;
        int32_t colour;
        std::vector<EngineMove> replay;
        int32_t base;
        const char* expected; // after the opening lines
        EngineMove firstMove;
    };
    const Case cases[] = {
        {"white, no replay",
         kWhite,
         {},
         90,
         "level 0 1:30 0\nhard\nforce\ncomputer\nblack\ntime 9000\notim 9000\nwhite\ngo\n",
         {3, 1, 3, 3, 0}},
        {"black, one move replayed",
         kBlack,
         {{3, 1, 3, 3, 0}},
         60,
         "level 0 1 0\nhard\nforce\ne2e4\ncomputer\ntime 6000\notim 6000\nblack\ngo\n",
         {3, 1, 3, 3, 0}},
        {"white, two moves replayed",
         kWhite,
         {{3, 1, 3, 3, 0}, {3, 6, 3, 4, 0}},
         65,
         "level 0 1:5 0\nhard\nforce\ne2e4\ne7e5\ncomputer\nblack\ntime 6500\notim 6500\nwhite\ngo\n",
         {3, 1, 3, 3, 0}},
        {"white, one move replayed: waits",
         kWhite,
         {{6, 1, 6, 3, 0}},
         60,
         "level 0 1 0\nhard\nforce\nb2b4\ncomputer\n",
         {}},
    };
    int index = 0;
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        CRecordingListener listener;
        auto engine = Make("moves e2e4\n", c.colour);
        engine->SetListener(&listener);
        for (const auto& m : c.replay)
            engine->AddMove(m.fromFile, m.fromRank, m.toFile, m.toRank, m.promotion);
        engine->StartGame(c.base, 0);
        EXPECT_EQ(engine->ReplayCount(), 0u);
        const bool toMove = std::string(c.expected).find("go") != std::string::npos;
        if (toMove)
        {
            ASSERT_TRUE(listener.WaitForMoves(1));
            EXPECT_EQ(listener.Moves()[0], c.firstMove);
        }
        else
        {
            EXPECT_FALSE(listener.WaitForMoves(1, 200ms));
        }
        engine->Quit();
        EXPECT_EQ(Log(index), kOpening + c.expected + "quit\n");
        ++index;
    }
}

TEST_F(WinboardAdapterTest, LeavesOutColoursForAnEngineThatSpeaksProtocolTwo)
{
    // hoichess leaves on "black"; with colors=0 it is never sent.
    const std::string script = "on protover say feature colors=0 done=0\n"
                               "on protover sleep 50\n"
                               "on protover say feature done=1\n"
                               "on black exit 1\non white exit 1\nmoves e7e5 g8f6\n";
    auto engine = Make(script, kBlack);
    engine->StartGame(60, 1);
    engine->OpponentMove(3, 1, 3, 3, 0, 6000, 5900);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    engine->OpponentMove(1, 0, 2, 2, 0, 5800, 5700);
    ASSERT_TRUE(m_Listener.WaitForMoves(2));
    EXPECT_EQ(m_Listener.Moves()[1], (EngineMove{1, 7, 2, 5, 0}));
    engine->Quit();
    EXPECT_EQ(Log(0), kOpening + "level 0 1 1\nhard\nforce\ncomputer\ntime 6000\notim 5900\ne2e4\ngo\n"
                                 "time 5800\notim 5700\ng1f3\nquit\n");

    auto white = Make("on protover say feature myname=\"Fake\" done=1\nmoves d2d4\n", kWhite);
    white->StartGame(60, 0);
    white->Quit();
    EXPECT_EQ(Log(1), kOpening + "level 0 1 0\nhard\nforce\ncomputer\ntime 6000\notim 6000\ngo\nquit\n");

    // Fairy-Max takes "computer" for a move and crashes on it: it is left out.
    for (int32_t colour : {kWhite, kBlack})
    {
        auto fairy = Make("on protover say feature myname=\"Fairy-Max 5.0b\" ping=1 done=1\nmoves d2d4\n", colour);
        fairy->StartGame(60, 0);
        fairy->Quit();
    }
    EXPECT_EQ(Log(2), kOpening + "level 0 1 0\nhard\nforce\ntime 6000\notim 6000\ngo\nquit\n");
    EXPECT_EQ(Log(3), kOpening + "level 0 1 0\nhard\nforce\nquit\n");
}

TEST_F(WinboardAdapterTest, ReportsOnlyWhileTheGameRunsAndAfterTheFirstGo)
{
    // Moves before "go" and after StopGame are dropped; "resign" counts only in a game.
    const std::string script = "on computer say move a7a6\n"
                               "on computer say resign\n"
                               "on force say move a7a5\n"
                               "on result say resign\n"
                               "on otim say 0-1 {Black mates}\n"
                               "format {n}. ... {}\\nMy move is : {}\n"
                               "moves e7e5\n";
    auto engine = Make(script, kBlack);
    engine->StartGame(60, 0);
    // Let the reader see the early lines while the engine still waits for "go".
    std::this_thread::sleep_for(200ms);
    engine->OpponentMove(3, 1, 3, 3, 0, 6000, 6000);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    ASSERT_TRUE(m_Listener.WaitForResults(2));
    engine->StopGame();
    engine->Quit();
    Log(0);
    EXPECT_EQ(m_Listener.Moves(), (std::vector<EngineMove>{{3, 6, 3, 4, 0}}));
    // "resign" at "computer" came while running but waiting for go: results still count then.
    EXPECT_EQ(m_Listener.Results(), (std::vector<int32_t>{ENGINE_RESULT_RESIGNS, ENGINE_RESULT_BLACK_WINS}));
}

TEST_F(WinboardAdapterTest, HandlesSplitLinesCarriageReturnsFloodsAndHugeLines)
{
    const std::string script = "on go raw mo\non go sleep 50\non go say ve O-\\rO\\r\n"
                               "on c2c4 flood 2000\non c2c4 longline 1048576\non c2c4 say move e7e8q\n";
    auto engine = Make(script, kBlack);
    engine->StartGame(60, 0);
    engine->OpponentMove(3, 1, 3, 3, 0, 6000, 6000);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    EXPECT_EQ(m_Listener.Moves()[0], (EngineMove{3, 7, 1, 7, 0})); // O-O for Black
    engine->OpponentMove(5, 1, 5, 3, 0, 6000, 6000);               // c2c4
    ASSERT_TRUE(m_Listener.WaitForMoves(2));
    EXPECT_EQ(m_Listener.Moves()[1], (EngineMove{3, 6, 3, 7, 4}));
    engine->Quit();
}

TEST_F(WinboardAdapterTest, StartingAgainQuitsTheRunningEngineFirst)
{
    auto engine = Make("", kWhite);
    ASSERT_TRUE(engine->Start());
    const pid_t first = engine->ProcessId();
    ASSERT_TRUE(engine->Start());
    EXPECT_NE(engine->ProcessId(), first);
    engine->Quit();
    EXPECT_EQ(Log(0), "quit\nquit\n"); // both processes log to the same file
    EXPECT_TRUE(ProcessGone(first));
}

TEST_F(WinboardAdapterTest, AnEngineDoesNotOutliveAProgramThatNeverQuitIt)
{
    // The engine ignores the end of its input, as sjeng does.
    const std::string script = Path("stubborn");
    std::ofstream(script) << "eof hang\n";
    const std::string command = std::string(EXIT_HELPER) + " '" + FAKE_ENGINE + " " + script + " /dev/null'";
    FILE* helper = popen(command.c_str(), "r");
    ASSERT_NE(helper, nullptr);
    int pid = 0;
    const bool read = std::fscanf(helper, "%d", &pid) == 1;
    EXPECT_EQ(pclose(helper), 0);
    ASSERT_TRUE(read);
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 200 && !ProcessGone(pid); ++i)
        std::this_thread::sleep_for(10ms);
    EXPECT_TRUE(ProcessGone(pid));
}

TEST_F(WinboardAdapterTest, FailedStartsShowTheErrorAndLeaveNoProcess)
{
    const std::string error = RavelinTexts::Text(RavelinTexts::IDS_START_ERROR);
    ASSERT_EQ(error, "An error occured when initializing Winboard-compatible engine.");

    CWinboardAdapter* missing = new CWinboardAdapter;
    missing->SetTimings(FastTimings());
    missing->SetEngineOverride(Path("no-such-engine"), "");
    EXPECT_FALSE(missing->Start());
    EXPECT_FALSE(missing->HasProcess());
    // Every later game start tries again and reports again; the object keeps working.
    EXPECT_TRUE(missing->StartGame(60, 0));
    EXPECT_TRUE(missing->OpponentMove(3, 1, 3, 3, 0, 1, 1));
    missing->Destroy();
    EXPECT_EQ(m_Messages.Texts(), (std::vector<std::string>{error, error}));

    // A UCI-only program refuses "xboard"; a program that leaves at once.
    auto uci = Make("on xboard say Unknown command: 'xboard'. Type help for more information.\n", kWhite);
    EXPECT_TRUE(uci->Start());
    uci->StartGame(60, 0);
    EXPECT_FALSE(uci->HasProcess());
    AdapterPtr gone(new CWinboardAdapter);
    gone->SetTimings(FastTimings());
    gone->SetEngineOverride("/bin/true", "");
    gone->StartGame(60, 0);
    EXPECT_FALSE(gone->HasProcess());
    EXPECT_EQ(m_Messages.Texts().size(), 4u);
}

TEST_F(WinboardAdapterTest, AnEngineThatIgnoresQuitIsEndedAndReaped)
{
    auto engine = Make("on quit ignore\non quit say move e7e5\n", kBlack);
    engine->StartGame(60, 0);
    const pid_t pid = engine->ProcessId();
    ASSERT_GT(pid, 0);
    engine->Quit();
    EXPECT_FALSE(engine->HasProcess());
    EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(5s));
    EXPECT_TRUE(ProcessGone(pid));
    EXPECT_TRUE(m_Listener.Moves().empty()); // its move after "quit" is dropped

    // An engine that crashes mid-game: later writes go nowhere, and the
    // broken pipe does not end the program.
    auto crashing = Make("on MOVE crash\n", kBlack);
    crashing->StartGame(60, 0);
    crashing->OpponentMove(3, 1, 3, 3, 0, 100, 100);
    std::this_thread::sleep_for(100ms);
    for (int i = 0; i < 3; ++i)
        crashing->OpponentMove(6, 1, 6, 3, 0, 100, 100);
    crashing->StopGame();
    crashing->Quit();

    // A hung engine that stops reading never blocks the writer either.
    auto hung = Make("on new hang\n", kWhite);
    hung->StartGame(60, 0);
    for (int i = 0; i < 2000; ++i)
        hung->OpponentMove(3, 1, 3, 3, 0, 100, 100);
    hung->Quit();
}

TEST_F(WinboardAdapterTest, QuitAndDestroyDuringAHandOverNeitherDeadlockNorTouchTheObject)
{
    // The listener keeps the reader thread inside the hand-over, as the
    // user-interface thread does while it is busy.
    std::atomic<bool> inside{false};
    std::atomic<bool> release{false};
    m_Listener.SetOnMove([&] {
        inside = true;
        while (!release)
            std::this_thread::sleep_for(1ms);
    });
    for (bool destroy : {false, true})
    {
        inside = false;
        release = false;
        auto engine = Make("moves e7e5\n", kBlack);
        engine->StartGame(60, 0);
        engine->OpponentMove(3, 1, 3, 3, 0, 6000, 6000);
        while (!inside)
            std::this_thread::sleep_for(1ms);
        if (destroy)
            engine.reset();
        else
            engine->Quit();
        release = true;
    }
    m_Listener.SetOnMove({});
    std::this_thread::sleep_for(50ms);
}

TEST_F(WinboardAdapterTest, FiftyNewGamesLeaveNoZombieAndNoDescriptor)
{
    // Pipes this test program inherited from whoever started it.
    const std::set<std::string> inherited = PipesAboveStandardHandles("self");
    auto white = Make("on protover say feature done=1\nmoves e2e4\n", kWhite);
    auto black = Make("on protover say feature done=1\nmoves e7e5\n", kBlack);
    white->StartGame(60, 0);
    black->StartGame(60, 0);
    ASSERT_TRUE(CProcessReaper::Instance().WaitUntilIdle(5s));
    const int fds = CountOpenFds();
    std::vector<pid_t> pids;
    for (int game = 0; game < 50; ++game)
    {
        white->StartGame(60, 0);
        black->StartGame(60, 0);
        pids.push_back(white->ProcessId());
        pids.push_back(black->ProcessId());
        white->StopGame();
        black->StopGame();
    }
    ASSERT_TRUE(CProcessReaper::Instance().WaitUntilIdle(10s));
    EXPECT_EQ(CountOpenFds(), fds);

    // Beyond its standard handles an engine holds no pipe of ours, in
    // particular none of the other engine's.
    for (const std::string& pipe : PipesAboveStandardHandles(std::to_string(black->ProcessId())))
        EXPECT_TRUE(inherited.count(pipe)) << pipe;
    white->Quit();
    black->Quit();
    ASSERT_TRUE(CProcessReaper::Instance().WaitUntilIdle(5s));
    for (pid_t old : pids)
        EXPECT_TRUE(ProcessGone(old)) << old;
}

TEST_F(WinboardAdapterTest, AnEngineThatDiesMidGameIsRestartedOnceWithTheMovesSoFar)
{
    // It crashes on White's second move; the new engine is given the whole
    // game, the clocks of that move and a "go", and the game goes on.
    const std::string marker = Path("crashed");
    auto engine = Make("moves e7e5 b8c6\non g1f3 crashonce " + marker + "\n", kBlack);
    engine->StartGame(60, 0);
    engine->OpponentMove(3, 1, 3, 3, 0, 6000, 5900);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    const pid_t first = engine->ProcessId();
    engine->OpponentMove(1, 0, 2, 2, 0, 5800, 5700);
    ASSERT_TRUE(PumpUntil([&] { return m_Listener.Moves().size() >= 2; }));
    EXPECT_NE(engine->ProcessId(), first);
    EXPECT_TRUE(engine->IsGameRunning());
    EXPECT_TRUE(m_Listener.Results().empty());
    // The new engine keeps playing.
    engine->OpponentMove(6, 1, 6, 2, 0, 5600, 5500);
    ASSERT_TRUE(m_Listener.WaitForMoves(3));
    engine->Quit();
    const std::string log = Log(0);
    const std::string restart = kOpening + "level 0 1 0\nhard\nforce\ne2e4\ne7e5\ng1f3\ncomputer\n"
                                           "time 5800\notim 5700\nblack\ngo\n"
                                           "time 5600\notim 5500\nb2b3\nquit\n";
    ASSERT_GE(log.size(), restart.size());
    EXPECT_EQ(log.substr(log.size() - restart.size()), restart);
    EXPECT_TRUE(m_Messages.Texts().empty());
}

TEST_F(WinboardAdapterTest, AnEngineThatDiesAgainResignsAndAnEngineThatDiesBetweenGamesIsLeftAlone)
{
    auto engine = Make("moves e7e5\non g1f3 crash\n", kBlack);
    engine->StartGame(60, 0);
    engine->OpponentMove(3, 1, 3, 3, 0, 6000, 6000);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    engine->OpponentMove(1, 0, 2, 2, 0, 6000, 6000);
    ASSERT_TRUE(PumpUntil([&] { return !m_Listener.Results().empty(); }));
    EXPECT_EQ(m_Listener.Results(), (std::vector<int32_t>{ENGINE_RESULT_RESIGNS}));
    EXPECT_FALSE(engine->IsGameRunning());
    EXPECT_FALSE(engine->HasProcess());
    EXPECT_EQ(m_Listener.Moves().size(), 1u);

    // After the game has stopped, a dying engine changes nothing.
    auto idle = Make("on result crash\n", kWhite);
    idle->StartGame(60, 0);
    idle->StopGame();
    EXPECT_FALSE(PumpUntil([&] { return m_Listener.Results().size() > 1; }, 300ms));
    EXPECT_FALSE(idle->IsGameRunning());
}
