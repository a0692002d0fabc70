#include "PluginTestSupport.h"

#include "BughouseBoards.h"
#include "EngineRegistry.h"
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
#include <map>
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

// Gone, or ended and waiting only to be reaped (a helper whose parent has
// left is reaped by the system), within a few seconds.
bool ProcessGone(pid_t pid)
{
    for (int i = 0; i < 300; ++i)
    {
        if (kill(pid, 0) != 0 && errno == ESRCH)
            return true;
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text;
        std::getline(stat, text);
        const size_t close = text.rfind(')');
        if (close != std::string::npos && close + 2 < text.size() && text[close + 2] == 'Z')
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

class WinboardAdapterTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_Dir.isValid()); }

    void TearDown() override { EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(5s))); }

    // An adapter that runs the fake engine with this script; its transcript
    // goes to Log(index).
    AdapterPtr Make(const std::string& script, int32_t colour)
    {
        const int index = m_Count++;
        const std::string scriptPath = Path("script-" + std::to_string(index));
        std::ofstream(scriptPath) << script;
        AdapterPtr adapter(new CWinboardAdapter);
        CEngineAdapter::Timings timings = FastTimings();
        // A fake that answers "protover" is waited for as long as the whole
        // handshake (it answers, so the wait costs nothing), since a slow
        // start on a busy machine would otherwise take it for a protocol 1
        // engine; one that never answers costs only the short first wait.
        if (script.find("on protover say feature") != std::string::npos)
            timings.firstAnswerWait = timings.handshakeWait;
        adapter->SetTimings(timings);
        adapter->SetColour(colour);
        adapter->SetListener(&m_Listener);
        adapter->SetEngineOverride(std::string(FAKE_ENGINE) + " " + scriptPath + " " +
                                       Path("log-" + std::to_string(index)),
                                   m_Dir.path().toStdString());
        return adapter;
    }

    std::string Path(const std::string& name) const { return (fs::path(m_Dir.path().toStdString()) / name).string(); }

    // The transcript so far.
    std::string ReadLog(int index)
    {
        std::ifstream in(Path("log-" + std::to_string(index)), std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // The transcript once the fake engine has been told to quit and has left.
    std::string Log(int index)
    {
        for (int i = 0; i < 500; ++i)
        {
            const std::string log = ReadLog(index);
            if (log.size() >= 5 && log.compare(log.size() - 5, 5, "quit\n") == 0)
                break;
            std::this_thread::sleep_for(10ms);
        }
        EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(5s)));
        return ReadLog(index);
    }

    // True once the transcript holds the text.
    bool WaitForLog(int index, const std::string& text)
    {
        for (int i = 0; i < 500; ++i)
        {
            if (ReadLog(index).find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    // Gives the adapter the extended listener (events with their source).
    void Extend(CWinboardAdapter& adapter) { adapter.SetListenerEx(&m_Listener); }

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
    EXPECT_EQ(Log(0), kOpening + "level 0 5 2\npost\nhard\nforce\ncomputer\n"
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
         "level 0 1:30 0\npost\nhard\nforce\ncomputer\nblack\ntime 9000\notim 9000\nwhite\ngo\n",
         {3, 1, 3, 3, 0}},
        {"black, one move replayed",
         kBlack,
         {{3, 1, 3, 3, 0}},
         60,
         "level 0 1 0\npost\nhard\nforce\ne2e4\ncomputer\ntime 6000\notim 6000\nblack\ngo\n",
         {3, 1, 3, 3, 0}},
        {"white, two moves replayed",
         kWhite,
         {{3, 1, 3, 3, 0}, {3, 6, 3, 4, 0}},
         65,
         "level 0 1:5 0\npost\nhard\nforce\ne2e4\ne7e5\ncomputer\nblack\ntime 6500\notim 6500\nwhite\ngo\n",
         {3, 1, 3, 3, 0}},
        {"white, one move replayed: waits",
         kWhite,
         {{6, 1, 6, 3, 0}},
         60,
         "level 0 1 0\npost\nhard\nforce\nb2b4\ncomputer\n",
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
    EXPECT_EQ(Log(0), kOpening + "level 0 1 1\npost\nhard\nforce\ncomputer\ntime 6000\notim 5900\ne2e4\ngo\n"
                                 "time 5800\notim 5700\ng1f3\nquit\n");

    auto white = Make("on protover say feature myname=\"Fake\" done=1\nmoves d2d4\n", kWhite);
    white->StartGame(60, 0);
    white->Quit();
    EXPECT_EQ(Log(1), kOpening + "level 0 1 0\npost\nhard\nforce\ncomputer\ntime 6000\notim 6000\ngo\nquit\n");

    // Fairy-Max takes "computer" for a move and crashes on it: it is left out.
    for (int32_t colour : {kWhite, kBlack})
    {
        auto fairy = Make("on protover say feature myname=\"Fairy-Max 5.0b\" ping=1 done=1\nmoves d2d4\n", colour);
        fairy->StartGame(60, 0);
        fairy->Quit();
        // Destroy calls off what has not been done yet.
        ASSERT_TRUE(fairy->WaitUntilIdle(Scaled(10s)));
    }
    EXPECT_EQ(Log(2), kOpening + "level 0 1 0\npost\nhard\nforce\nping 1\ntime 6000\notim 6000\ngo\nquit\n");
    EXPECT_EQ(Log(3), kOpening + "level 0 1 0\npost\nhard\nforce\nping 1\nquit\n");
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
    std::this_thread::sleep_for(Scaled(200ms));
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

TEST_F(WinboardAdapterTest, StartingAgainKeepsTheRunningEngineUnlessItsConfigurationChanged)
{
    auto engine = Make("", kWhite);
    ASSERT_TRUE(engine->Start());
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    const pid_t first = engine->ProcessId();
    ASSERT_GT(first, 0);
    ASSERT_TRUE(engine->Start());
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    EXPECT_EQ(engine->ProcessId(), first);
    // Another program for the colour: the first is quit, the new one started.
    engine->SetEngineOverride(std::string(FAKE_ENGINE) + " /dev/null " + Path("log-0"), m_Dir.path().toStdString());
    ASSERT_TRUE(engine->Start());
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    EXPECT_NE(engine->ProcessId(), first);
    engine->Quit();
    // Both processes log to the same file.
    EXPECT_EQ(Log(0), "xboard\nprotover 2\nquit\nxboard\nprotover 2\nquit\n");
    EXPECT_TRUE(ProcessGone(first));
}

// Switching engines quits the old one, which may leave before it is let go
// of: the news of its end must never be taken for the end of the engine
// started after it (whose channel may be made at the old one's address).
TEST_F(WinboardAdapterTest, TheEndOfAQuitEngineIsNeverTakenForTheEndOfItsSuccessor)
{
    auto engine = Make("", kWhite);
    for (int i = 0; i < 30; ++i)
    {
        const std::string log = Path("log-" + std::to_string(i % 2));
        engine->SetEngineOverride(std::string(FAKE_ENGINE) + " /dev/null " + log, m_Dir.path().toStdString());
        ASSERT_TRUE(engine->Start());
        ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
        const pid_t pid = engine->ProcessId();
        ASSERT_GT(pid, 0) << "switch " << i;
        // Any news of the engine before it has been read by now.
        std::this_thread::sleep_for(20ms);
        ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
        EXPECT_EQ(engine->ProcessId(), pid) << "switch " << i << ": the new engine was let go of";
        EXPECT_EQ(kill(pid, 0), 0) << "switch " << i << ": the new engine has gone";
    }
    engine->Quit();
    EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(5s)));
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

    // No command line at all: refused at once.
    CWinboardAdapter* unconfigured = new CWinboardAdapter;
    unconfigured->SetEngineOverride("", "");
    EXPECT_FALSE(unconfigured->Start());
    unconfigured->Destroy();
    EXPECT_EQ(m_Messages.Texts(), (std::vector<std::string>{error}));

    // A program that cannot be started: the message comes from the engine's
    // thread, on the user-interface thread's next turn.
    CWinboardAdapter* missing = new CWinboardAdapter;
    missing->SetTimings(FastTimings());
    missing->SetEngineOverride(Path("no-such-engine"), "");
    EXPECT_TRUE(missing->Start());
    EXPECT_TRUE(PumpUntil([&] { return m_Messages.Texts().size() == 2; }));
    EXPECT_FALSE(missing->HasProcess());
    // Every later game start tries again and reports again; the object keeps working.
    EXPECT_TRUE(missing->StartGame(60, 0));
    EXPECT_TRUE(missing->OpponentMove(3, 1, 3, 3, 0, 1, 1));
    EXPECT_TRUE(PumpUntil([&] { return m_Messages.Texts().size() == 3; }));
    EXPECT_FALSE(missing->IsGameRunning());
    missing->Destroy();
    EXPECT_EQ(m_Messages.Texts(), (std::vector<std::string>(3, error)));

    // A UCI-only program refuses "xboard"; a program that leaves at once.
    auto uci = Make("on xboard say Unknown command: 'xboard'. Type help for more information.\n", kWhite);
    EXPECT_TRUE(uci->Start());
    uci->StartGame(60, 0);
    ASSERT_TRUE(uci->WaitUntilIdle(Scaled(10s)));
    EXPECT_FALSE(uci->HasProcess());
    AdapterPtr gone(new CWinboardAdapter);
    gone->SetTimings(FastTimings());
    gone->SetEngineOverride("/bin/true", "");
    gone->StartGame(60, 0);
    ASSERT_TRUE(gone->WaitUntilIdle(Scaled(10s)));
    EXPECT_FALSE(gone->HasProcess());
    EXPECT_TRUE(PumpUntil([&] { return m_Messages.Texts().size() == 6; }));
    EXPECT_TRUE(m_Listener.Moves().empty());
}

TEST_F(WinboardAdapterTest, AnEngineThatIgnoresQuitIsEndedAndReaped)
{
    auto engine = Make("on quit ignore\non quit say move e7e5\n", kBlack);
    engine->StartGame(60, 0);
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    const pid_t pid = engine->ProcessId();
    ASSERT_GT(pid, 0);
    engine->Quit();
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    EXPECT_FALSE(engine->HasProcess());
    EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(5s)));
    EXPECT_TRUE(ProcessGone(pid));
    EXPECT_TRUE(m_Listener.Moves().empty()); // its move after "quit" is dropped

    // An engine that crashes mid-game: later writes go nowhere, and the
    // broken pipe does not end the program.
    auto crashing = Make("on MOVE crash\n", kBlack);
    crashing->StartGame(60, 0);
    crashing->OpponentMove(3, 1, 3, 3, 0, 100, 100);
    std::this_thread::sleep_for(Scaled(100ms));
    for (int i = 0; i < 3; ++i)
        crashing->OpponentMove(6, 1, 6, 3, 0, 100, 100);
    crashing->StopGame();
    crashing->Quit();

    // A hung engine that stops reading never blocks the writer either.
    auto hung = Make("on new hang\n", kWhite);
    hung->StartGame(60, 0);
    for (int i = 0; i < 2000; ++i)
        hung->OpponentMove(3, 1, 3, 3, 0, 100, 100);
    EXPECT_TRUE(hung->WaitUntilIdle(Scaled(10s)));
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
    std::this_thread::sleep_for(Scaled(50ms));
}

TEST_F(WinboardAdapterTest, FiftyNewGamesKeepOneProcessAndFiftyRestartsLeaveNoZombieAndNoDescriptor)
{
    // Pipes this test program inherited from whoever started it.
    const std::set<std::string> inherited = PipesAboveStandardHandles("self");
    auto white = Make("on protover say feature done=1\nmoves e2e4\n", kWhite);
    auto black = Make("on protover say feature done=1\nmoves e7e5\n", kBlack);
    white->StartGame(60, 0);
    black->StartGame(60, 0);
    ASSERT_TRUE(white->WaitUntilIdle(Scaled(10s)) && black->WaitUntilIdle(Scaled(10s)));
    ASSERT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(5s)));
    const int fds = CountOpenFds();
    const pid_t kept[] = {white->ProcessId(), black->ProcessId()};
    for (int game = 0; game < 50; ++game)
    {
        white->StopGame();
        black->StopGame();
        white->StartGame(60, 0);
        black->StartGame(60, 0);
    }
    ASSERT_TRUE(white->WaitUntilIdle(Scaled(10s)) && black->WaitUntilIdle(Scaled(10s)));
    EXPECT_EQ(white->ProcessId(), kept[0]);
    EXPECT_EQ(black->ProcessId(), kept[1]);
    EXPECT_EQ(CountOpenFds(), fds);

    // Quitting and starting anew each time leaves nothing behind either.
    std::vector<pid_t> pids;
    for (int game = 0; game < 50; ++game)
    {
        white->Quit();
        black->Quit();
        white->StartGame(60, 0);
        black->StartGame(60, 0);
        ASSERT_TRUE(white->WaitUntilIdle(Scaled(10s)) && black->WaitUntilIdle(Scaled(10s)));
        pids.push_back(white->ProcessId());
        pids.push_back(black->ProcessId());
    }
    ASSERT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(10s)));
    EXPECT_EQ(CountOpenFds(), fds);

    // Beyond its standard handles an engine holds no pipe of ours, in
    // particular none of the other engine's.
    for (const std::string& pipe : PipesAboveStandardHandles(std::to_string(black->ProcessId())))
        EXPECT_TRUE(inherited.count(pipe)) << pipe;
    white->Quit();
    black->Quit();
    ASSERT_TRUE(white->WaitUntilIdle(Scaled(10s)) && black->WaitUntilIdle(Scaled(10s)));
    ASSERT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(5s)));
    for (pid_t old : pids)
        EXPECT_TRUE(ProcessGone(old)) << old;
    EXPECT_TRUE(ProcessGone(kept[0]) && ProcessGone(kept[1]));
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
    const std::string restart = kOpening + "level 0 1 0\npost\nhard\nforce\ne2e4\ne7e5\ng1f3\ncomputer\n"
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

    // After the game has stopped, a dying engine changes nothing, and the
    // next game starts a new one.
    auto idle = Make("on result crash\n", kWhite);
    idle->StartGame(60, 0);
    idle->StopGame();
    EXPECT_TRUE(PumpUntil([&] { return !idle->HasProcess(); }));
    EXPECT_EQ(m_Listener.Results().size(), 1u);
    EXPECT_FALSE(idle->IsGameRunning());
}

// ---------------------------------------------------------------------------
// The extension: one process across games, start positions, takebacks, stop,
// results, time per move, pondering, thinking lines, options and the name.

TEST_F(WinboardAdapterTest, ANewGameKeepsTheProcessAndTellsTheRealResultOfTheLastOne)
{
    struct Case
    {
        int32_t result;
        const char* reason;
        const char* line;
    };
    const Case cases[] = {
        {ENGINE_RESULT_WHITE_WINS, "White mates", "result 1-0 {White mates}\nforce\n"},
        {ENGINE_RESULT_BLACK_WINS, "White resigns", "result 0-1 {White resigns}\nforce\n"},
        {ENGINE_RESULT_DRAW, "Stalemate", "result 1/2-1/2 {Stalemate}\nforce\n"},
        {-1, "Aborted", "result * {Aborted}\nforce\n"},
        {7, "Nonsense", "result * {Nonsense}\nforce\n"},
    };
    auto engine = Make("on protover say feature done=1\nmoves e7e5 d7d5 c7c5 b7b5 a7a5\n", kBlack);
    engine->StartGame(60, 0);
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    const pid_t pid = engine->ProcessId();
    std::string expected = kOpening + "level 0 1 0\npost\nhard\nforce\ncomputer\n";
    size_t moves = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.line);
        engine->OpponentMove(3, 1, 3, 3, 0, 6000, 6000);
        ASSERT_TRUE(m_Listener.WaitForMoves(++moves));
        engine->GameOver(c.result, c.reason);
        engine->StartGame(120, 1);
        ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
        EXPECT_EQ(engine->ProcessId(), pid);
        expected += std::string("time 6000\notim 6000\ne2e4\ngo\n") + c.line +
                    "new\nlevel 0 2 1\npost\nhard\nforce\ncomputer\n";
    }
    engine->Quit();
    EXPECT_EQ(Log(0), expected + "quit\n");
}

TEST_F(WinboardAdapterTest, AGameFromASetUpPositionUsesSetboardOrIsRefused)
{
    const std::string fen = "4k3/8/8/8/8/8/4P3/4K3 b - - 0 1";
    // With setboard=1: the position, then the moves; Black to move in it, so
    // a Black engine searches at once.
    auto engine = Make("on protover say feature setboard=1 myname=\"Boardy\" done=1\nmoves e8d7\n", kBlack);
    Extend(*engine);
    engine->StartAsync();
    ASSERT_TRUE(m_Listener.WaitForReady());
    EXPECT_EQ(m_Listener.ReadyEvents()[0].capabilities, ENGINE_CAN_SET_POSITION | ENGINE_CAN_PONDER);
    EXPECT_TRUE(engine->SetStartPosition(fen.c_str()));
    engine->StartGame(60, 0);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    EXPECT_EQ(m_Listener.MoveTexts()[0], "e8d7");
    engine->Quit();
    EXPECT_EQ(Log(0), kOpening + "level 0 1 0\npost\nhard\nforce\nsetboard " + fen +
                          "\ncomputer\ntime 6000\notim 6000\ngo\nquit\n");

    // Without it: refused before the game once the engine is known, and a
    // game asked for anyway is reported and not started.
    auto plain = Make("on protover say feature done=1\n", kWhite);
    Extend(*plain);
    EXPECT_TRUE(plain->SetStartPosition(fen.c_str())); // not known yet
    plain->StartAsync();
    ASSERT_TRUE(m_Listener.WaitForReady(2));
    EXPECT_FALSE(plain->SetStartPosition(fen.c_str()));
    plain->StartGame(60, 0);
    ASSERT_TRUE(m_Listener.WaitForFailures());
    EXPECT_EQ(m_Listener.Failures()[0].reason, ENGINE_FAILURE_POSITION);
    EXPECT_EQ(m_Listener.Failures()[0].text, RavelinTexts::Text(RavelinTexts::IDS_POSITION_REFUSED));
    EXPECT_FALSE(plain->IsGameRunning());
    // The standard position again: an ordinary game in the same process.
    EXPECT_TRUE(plain->SetStartPosition(nullptr));
    plain->StartGame(60, 0);
    ASSERT_TRUE(plain->WaitUntilIdle(Scaled(10s)));
    EXPECT_TRUE(plain->IsGameRunning());
    plain->Quit();
    EXPECT_EQ(Log(1), kOpening + "level 0 1 0\npost\nhard\nforce\ncomputer\ntime 6000\notim 6000\ngo\nquit\n");
}

TEST_F(WinboardAdapterTest, TakebackAndStopReplayTheGameInTheSameProcessAndDropTheStoppedMove)
{
    // The engine answers "ping" and writes a thinking line and a move for a
    // stopped search before its "pong", as some engines do: both are dropped.
    const std::string script = "pong\non protover say feature ping=1 done=1\n"
                               "on force say 7 33 100 5000 a7a6\n"
                               "on force say move a7a6\non g1f3 sleep 300\nmoves e7e5 d7d5 c7c5\n";
    auto engine = Make(script, kBlack);
    Extend(*engine);
    engine->StartGame(60, 0);
    engine->OpponentMove(3, 1, 3, 3, 0, 6000, 6000); // e2e4
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    const pid_t pid = engine->ProcessId();
    // While the engine thinks on its second move (it answers after a
    // while), the person takes back their own move: the search stops, its
    // move is dropped, the game is cut to two plies.
    engine->OpponentMove(1, 0, 2, 2, 0, 5900, 5900); // g1f3
    engine->TakeBackTo(2);
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    EXPECT_TRUE(WaitForLog(0, "ping 3\n"));
    // The person plays another move; the engine goes on in the same process.
    engine->OpponentMove(6, 0, 5, 2, 0, 5800, 5800); // b1c3
    ASSERT_TRUE(m_Listener.WaitForMoves(2));
    EXPECT_EQ(m_Listener.MoveTexts(), (std::vector<std::string>{"e7e5", "c7c5"}));
    EXPECT_EQ(engine->ProcessId(), pid);
    // Stop thinking: nothing more comes, and Go asks again.
    engine->OpponentMove(2, 0, 4, 2, 0, 5700, 5700); // f1d3, unanswered
    engine->StopThinking();
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    EXPECT_TRUE(engine->Go(5600, 5600));
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    engine->Quit();
    EXPECT_EQ(Log(0), kOpening + "level 0 1 0\npost\nhard\nforce\ncomputer\nping 1\n"
                                 "time 6000\notim 6000\ne2e4\ngo\n"
                                 "time 5900\notim 5900\ng1f3\n"
                                 "force\nping 2\n"
                                 "new\nlevel 0 1 0\npost\nhard\nforce\ne2e4\ne7e5\ncomputer\nping 3\n"
                                 "time 5800\notim 5800\nb1c3\ngo\n"
                                 "time 5700\notim 5700\nf1d3\n"
                                 "force\nping 4\n"
                                 "time 5600\notim 5600\ngo\nquit\n");
    EXPECT_EQ(m_Listener.Moves().size(), 2u);
    for (const auto& line : m_Listener.ThinkingLines())
        EXPECT_NE(line.numbers.depth, 7) << line.pv;
}

TEST_F(WinboardAdapterTest, AGameWithoutTimeLimitGivesEachMoveItsTime)
{
    auto engine = Make("on protover say feature done=1\nmoves e2e4 g1f3\n", kWhite);
    engine->SetTimePerMove(3);
    engine->StartGame(CEngineAdapter::kUnlimitedBaseSeconds, 0);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    engine->OpponentMove(3, 6, 3, 4, 0, CEngineAdapter::kUnlimitedClock, CEngineAdapter::kUnlimitedClock);
    ASSERT_TRUE(m_Listener.WaitForMoves(2));
    // Without a call the time per move is five seconds.
    AdapterPtr plain = Make("on protover say feature done=1\n", kBlack);
    plain->StartGame(CEngineAdapter::kUnlimitedBaseSeconds, 0);
    engine->Quit();
    plain->Quit();
    EXPECT_EQ(Log(0), kOpening + "st 3\npost\nhard\nforce\ncomputer\ngo\ne7e5\nquit\n");
    EXPECT_EQ(Log(1), kOpening + "st 5\npost\nhard\nforce\ncomputer\nquit\n");
}

TEST_F(WinboardAdapterTest, PonderingIsHardOrEasyAsSet)
{
    auto engine = Make("on protover say feature done=1\nmoves e7e5\n", kBlack);
    engine->SetPondering(false);
    engine->StartGame(60, 0);
    engine->OpponentMove(3, 1, 3, 3, 0, 6000, 6000);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    engine->SetPondering(true); // during the game: at once
    engine->SetPondering(true); // no change: nothing
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    engine->Quit();
    EXPECT_EQ(Log(0), kOpening + "level 0 1 0\npost\neasy\nforce\ncomputer\ntime 6000\notim 6000\ne2e4\ngo\n"
                                 "hard\nquit\n");
}

TEST_F(WinboardAdapterTest, ThinkingLinesAreReadCoalescedAndTheLatestComesBeforeTheMove)
{
    // A flood of thinking lines, then the move at once.
    auto engine = Make("on protover say feature done=1\non go think 300\nmoves e7e5\n", kBlack);
    Extend(*engine);
    engine->StartGame(60, 0);
    engine->OpponentMove(3, 1, 3, 3, 0, 6000, 6000);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    const auto lines = m_Listener.ThinkingLines();
    ASSERT_FALSE(lines.empty());
    // At most about ten a second: a burst gives the first and the latest.
    EXPECT_LE(lines.size(), 5u);
    const auto& last = lines.back();
    EXPECT_EQ(last.source, static_cast<IChessEngine*>(engine.get()));
    EXPECT_EQ(last.numbers.depth, 300);
    EXPECT_EQ(last.numbers.scoreKind, ENGINE_SCORE_CENTIPAWNS);
    EXPECT_EQ(last.numbers.score, 25);
    EXPECT_EQ(last.numbers.scoreColour, kBlack);
    EXPECT_EQ(last.numbers.milliseconds, 3000 * 10);
    EXPECT_EQ(last.numbers.nodes, 300000);
    EXPECT_EQ(last.numbers.startPly, 1);
    EXPECT_EQ(last.pv, "e7e5 g1f3");
    engine->Quit();

    // Through the plain listener no thinking line is passed on.
    CRecordingListener plain;
    auto quiet = Make("on protover say feature done=1\non go think 5\nmoves e7e5\n", kBlack);
    quiet->SetListener(&plain);
    quiet->StartGame(60, 0);
    quiet->OpponentMove(3, 1, 3, 3, 0, 6000, 6000);
    ASSERT_TRUE(plain.WaitForMoves(1));
    EXPECT_TRUE(plain.ThinkingLines().empty());
    quiet->Quit();
}

TEST_F(WinboardAdapterTest, AThinkingLineWrittenBeforeTheEngineReadTheMoveBelongsToThePositionBefore)
{
    // As it reads 1. e4 the engine still writes a line of its search of the
    // start position (White's variation), then one of its new search.
    auto engine = Make("on protover say feature done=1\non MOVE say 9 30 100 5000 g1f3 b8c6\n"
                       "on MOVE say 1 20 0 10 b8c6 f1c4\nmoves b8c6\n",
                       kBlack);
    Extend(*engine);
    engine->StartGame(60, 0);
    engine->OpponentMove(3, 1, 3, 3, 0, 6000, 6000);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    ASSERT_TRUE(m_Listener.WaitForThinking([](const auto& line) { return line.numbers.depth == 1; }));
    std::map<int32_t, int32_t> plyOfDepth;
    for (const auto& line : m_Listener.ThinkingLines())
        plyOfDepth[line.numbers.depth] = line.numbers.startPly;
    ASSERT_EQ(plyOfDepth.count(9), 1u);
    EXPECT_EQ(plyOfDepth[9], 0);
    EXPECT_EQ(plyOfDepth[1], 1);
    engine->Quit();
}

TEST_F(WinboardAdapterTest, ALateThinkingLineIsPassedOnWhenTheIntervalHasPassed)
{
    // Two lines in one burst and no move: the second is held back, then
    // passed on by itself.
    auto engine = Make("on protover say feature done=1\non go think 2\n", kBlack);
    Extend(*engine);
    engine->StartGame(60, 0);
    engine->OpponentMove(3, 1, 3, 3, 0, 6000, 6000);
    ASSERT_TRUE(m_Listener.WaitForThinking([](const auto& line) { return line.numbers.depth == 2; }));
    EXPECT_EQ(m_Listener.ThinkingLines().size(), 2u);
    engine->Quit();
}

TEST_F(WinboardAdapterTest, StoredOptionsAreSentAtEveryStart)
{
    CEngineRegistry::ResetInstance(Path("store.conf"));
    CEngineList& engines = CEngineRegistry::Instance();
    engines.OpenEngineKey("Optioned");
    engines.WriteString("CommandLine", "unused");
    engines.WriteOptionValues("Optioned", {{"Skill Level", "5"},
                                           {"Style", "Risky"},
                                           {"Book", "true"},
                                           {"Clear Hash", "true"},
                                           {"Hash", "64"},
                                           {"Threads", "2"},
                                           {"Undeclared", "1"},
                                           {"Contempt", "24"}}); // its default: not sent
    const std::string script = "on protover say feature memory=1 smp=1 done=0\n"
                               "on protover say feature option=\"Skill Level -spin 20 0 20\"\n"
                               "on protover say feature option=\"Style -combo Solid /// Risky\"\n"
                               "on protover say feature option=\"Book -check 0\"\n"
                               "on protover say feature option=\"Clear Hash -button\"\n"
                               "on protover say feature option=\"Contempt -spin 24 -100 100\"\n"
                               "on protover say feature done=1\n";
    auto engine = Make(script, kWhite);
    engine->SetEngineOverride(std::string(FAKE_ENGINE) + " " + Path("script-0") + " " + Path("log-0"),
                              m_Dir.path().toStdString(), "Optioned");
    ASSERT_TRUE(engine->Start());
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    std::vector<std::string> names;
    for (const EngineOption& option : engine->DeclaredOptions())
        names.push_back(option.name);
    EXPECT_EQ(names,
              (std::vector<std::string>{"Skill Level", "Style", "Book", "Clear Hash", "Contempt", "Hash", "Threads"}));
    // A restart sends them again.
    engine->Quit();
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    ASSERT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(5s)));
    ASSERT_TRUE(engine->Start());
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    engine->Quit();
    const std::string start = "xboard\nprotover 2\noption Skill Level=5\noption Style=Risky\noption Book=1\n"
                              "option Clear Hash\nmemory 64\ncores 2\nquit\n";
    EXPECT_EQ(Log(0), start + start);
}

TEST_F(WinboardAdapterTest, ReadinessCarriesTheEnginesOwnNameElseTheListsName)
{
    auto named = Make("on protover say feature myname=\"Crafty 25.2\" done=1\n", kWhite);
    Extend(*named);
    named->StartAsync();
    ASSERT_TRUE(m_Listener.WaitForReady());
    EXPECT_EQ(m_Listener.ReadyEvents()[0].name, "Crafty 25.2");
    EXPECT_EQ(m_Listener.ReadyEvents()[0].source, static_cast<IChessEngine*>(named.get()));
    EXPECT_EQ(named->EngineName(), "Crafty 25.2");
    // Started again with the same configuration: kept, and ready again.
    named->StartAsync();
    ASSERT_TRUE(m_Listener.WaitForReady(2));
    EXPECT_EQ(m_Listener.ReadyEvents()[1].name, "Crafty 25.2");

    auto anonymous = Make("on protover say feature done=1\n", kBlack);
    anonymous->SetEngineOverride(std::string(FAKE_ENGINE) + " " + Path("script-1") + " " + Path("log-1"),
                                 m_Dir.path().toStdString(), "My Engine");
    Extend(*anonymous);
    anonymous->StartAsync();
    ASSERT_TRUE(m_Listener.WaitForReady(3));
    EXPECT_EQ(m_Listener.ReadyEvents()[2].name, "My Engine");
    named->Quit();
    anonymous->Quit();
}

TEST_F(WinboardAdapterTest, StartNeverWaitsForTheEngineAndReadinessComesLater)
{
    // The engine takes two seconds to finish its handshake.
    const std::string script = "on protover say feature done=0\non protover sleep 2000\n"
                               "on protover say feature myname=\"Slow\" done=1\n";
    auto engine = Make(script, kWhite);
    Extend(*engine);
    engine->StartAsync();
    // Had the start waited for the engine, it would be ready by now.
    EXPECT_TRUE(m_Listener.ReadyEvents().empty());
    EXPECT_TRUE(engine->Start());
    EXPECT_TRUE(m_Listener.ReadyEvents().empty());
    ASSERT_TRUE(m_Listener.WaitForReady(1, 10s));
    EXPECT_EQ(m_Listener.ReadyEvents()[0].name, "Slow");
    EXPECT_TRUE(engine->HasProcess());

    // A failed start comes as an event, with the plug-in's text.
    AdapterPtr missing(new CWinboardAdapter);
    missing->SetTimings(FastTimings());
    missing->SetEngineOverride(Path("no-such-engine"), "");
    missing->SetListenerEx(&m_Listener);
    missing->StartAsync();
    ASSERT_TRUE(m_Listener.WaitForFailures());
    EXPECT_EQ(m_Listener.Failures()[0].reason, ENGINE_FAILURE_START);
    EXPECT_EQ(m_Listener.Failures()[0].source, static_cast<IChessEngine*>(missing.get()));
    EXPECT_TRUE(m_Messages.Texts().empty()); // the program shows it, not the plug-in
    engine->Quit();
}

TEST_F(WinboardAdapterTest, AStartOfAnotherEngineOrDestroyCallsOffAStartInProgress)
{
    const std::string slow = "on protover say feature done=0\non protover sleep 3000\non protover say feature done=1\n";
    auto engine = Make(slow, kWhite);
    engine->SetTimings(FastTimings()); // the engine chosen next never answers "protover"
    Extend(*engine);
    engine->StartAsync();
    ASSERT_TRUE(WaitForLog(0, "protover 2\n"));
    // The user chose another engine meanwhile: the first start gives way at
    // once, and only the new engine is reported.
    engine->SetEngineOverride(std::string(FAKE_ENGINE) + " /dev/null " + Path("log-other"), m_Dir.path().toStdString(),
                              "Other");
    engine->StartAsync();
    ASSERT_TRUE(m_Listener.WaitForReady(1, 2500ms));
    EXPECT_EQ(m_Listener.ReadyEvents()[0].name, "Other");
    EXPECT_TRUE(m_Listener.Failures().empty());

    auto destroyed = Make(slow, kBlack);
    Extend(*destroyed);
    destroyed->StartAsync();
    ASSERT_TRUE(WaitForLog(1, "protover 2\n"));
    destroyed.reset();
    engine->Quit();
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(2s)));
    EXPECT_EQ(m_Listener.ReadyEvents().size(), 1u);
    EXPECT_TRUE(m_Listener.Failures().empty());
}

TEST_F(WinboardAdapterTest, TheWholeProcessGroupEndsWithTheEngine)
{
    // The engine leaves at once on "quit", its helper stays: the helper is
    // ended with it.
    const std::string helper = Path("helper-pid");
    auto engine = Make("helper " + helper + "\non protover say feature done=1\n", kWhite);
    ASSERT_TRUE(engine->Start());
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    pid_t helperPid = 0;
    for (int i = 0; i < 500 && helperPid == 0; ++i)
    {
        std::ifstream(helper) >> helperPid;
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_GT(helperPid, 0);
    EXPECT_EQ(kill(helperPid, 0), 0);
    engine->Quit();
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    ASSERT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(5s)));
    EXPECT_TRUE(ProcessGone(helperPid));
}

TEST_F(WinboardAdapterTest, AnEngineThatDiesWhileItsHelperHoldsItsOutputIsRestartedAndTheHelperEnded)
{
    // The helper keeps the engine's output open, so the end of the output
    // never comes: the engine's end is noticed all the same.
    const std::string helper = Path("helper-pid");
    const std::string marker = Path("crashed");
    auto engine = Make("helper " + helper + "\nmoves e7e5 b8c6\non g1f3 crashonce " + marker + "\n", kBlack);
    engine->StartGame(60, 0);
    engine->OpponentMove(3, 1, 3, 3, 0, 6000, 5900);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    pid_t firstHelper = 0;
    std::ifstream(helper) >> firstHelper;
    ASSERT_GT(firstHelper, 0);
    engine->OpponentMove(1, 0, 2, 2, 0, 5800, 5700);
    ASSERT_TRUE(PumpUntil([&] { return m_Listener.Moves().size() >= 2; }));
    EXPECT_TRUE(m_Listener.Results().empty());
    ASSERT_TRUE(CProcessReaper::Instance().WaitUntilIdle(Scaled(5s)));
    EXPECT_TRUE(ProcessGone(firstHelper));
    engine->Quit();
}

TEST_F(WinboardAdapterTest, AMoveAndAResignationComeWithTheirTextAndTheirSource)
{
    // GNU Chess writes its move and then resigns, while the opponent is to
    // move: the resignation is the engine's, named by its source.
    auto engine = Make("format {n}. ... {}\\nMy move is : {}\\nresign\nmoves c7d6\n", kBlack);
    Extend(*engine);
    engine->StartGame(60, 0);
    engine->OpponentMove(3, 1, 3, 3, 0, 6000, 6000);
    ASSERT_TRUE(m_Listener.WaitForResults(1));
    EXPECT_EQ(m_Listener.MoveTexts(), std::vector<std::string>{"c7d6"});
    EXPECT_EQ(m_Listener.ResultTexts(), std::vector<std::string>{"resign"});
    EXPECT_EQ(m_Listener.Results(), std::vector<int32_t>{ENGINE_RESULT_RESIGNS});
    EXPECT_EQ(m_Listener.ResultSources()[0], static_cast<IChessEngine*>(engine.get()));
    engine->Quit();

    // A claim the board may not confirm and an illegal coordinate move are
    // passed on as written, for the program to judge; a word that is not
    // coordinate notation is no move at all.
    CRecordingListener other;
    auto liar = Make("on go say move Nf6\non go say move e7e4\non go say 1-0 {White mates}\n", kBlack);
    liar->SetListenerEx(&other);
    liar->StartGame(60, 0);
    liar->OpponentMove(3, 1, 3, 3, 0, 6000, 6000);
    ASSERT_TRUE(other.WaitForResults(1));
    EXPECT_EQ(other.MoveTexts(), std::vector<std::string>{"e7e4"});
    EXPECT_EQ(other.ResultTexts(), std::vector<std::string>{"1-0 {White mates}"});
    EXPECT_EQ(other.Results(), std::vector<int32_t>{ENGINE_RESULT_WHITE_WINS});
    liar->Quit();
}

TEST_F(WinboardAdapterTest, MovesGoAsUsermoveWhenTheEngineAsksForIt)
{
    auto engine = Make("on protover say feature usermove=1 done=1\nmoves e7e5\n", kBlack);
    engine->AddMove(3, 1, 3, 3, 0);
    engine->StartGame(60, 0);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    engine->OpponentMove(1, 0, 2, 2, 0, 6000, 6000);
    ASSERT_TRUE(engine->WaitUntilIdle(Scaled(10s)));
    engine->Quit();
    EXPECT_EQ(Log(0), kOpening + "level 0 1 0\npost\nhard\nforce\nusermove e2e4\ncomputer\ntime 6000\notim 6000\n"
                                 "go\ntime 6000\notim 6000\nusermove g1f3\nquit\n");
}

TEST_F(WinboardAdapterTest, AfterAnExchangeOfColoursEachObjectKeepsItsEngineAndTheListFollows)
{
    CEngineRegistry::ResetInstance(Path("store.conf"));
    CEngineList& engines = CEngineRegistry::Instance();
    for (const char* name : {"Alpha", "Beta"})
    {
        const std::string script = Path(std::string("script-") + name);
        std::ofstream(script) << "on protover say feature myname=\"" << name << " 1.0\" done=1\n";
        engines.OpenEngineKey(name);
        engines.WriteString("CommandLine", std::string(FAKE_ENGINE) + " " + script + " /dev/null");
        engines.WriteString("WorkingDirectory", m_Dir.path().toStdString());
    }
    engines.OpenEnginesKey();
    engines.WriteString("WhiteEngine", "Alpha");
    engines.WriteString("BlackEngine", "Beta");
    AdapterPtr first(new CWinboardAdapter);
    AdapterPtr second(new CWinboardAdapter);
    second->SetColour(kBlack);
    for (CWinboardAdapter* adapter : {first.get(), second.get()})
    {
        adapter->SetTimings(FastTimings());
        adapter->SetListenerEx(&m_Listener);
        adapter->StartAsync();
    }
    ASSERT_TRUE(m_Listener.WaitForReady(2));
    const pid_t pids[] = {first->ProcessId(), second->ProcessId()};

    // Switch Color: the objects change colours and keep their engines, which
    // the list now names for their new colours.
    first->SetColour(kBlack);
    second->SetColour(kWhite);
    first->KeepEngineForColour();
    second->KeepEngineForColour();
    std::string white;
    std::string black;
    engines.OpenEnginesKey();
    engines.ReadString("WhiteEngine", white, "");
    engines.ReadString("BlackEngine", black, "");
    EXPECT_EQ(white, "Beta");
    EXPECT_EQ(black, "Alpha");
    // A later start finds each engine already running for its colour.
    first->StartAsync();
    second->StartAsync();
    ASSERT_TRUE(m_Listener.WaitForReady(4));
    EXPECT_EQ(first->ProcessId(), pids[0]);
    EXPECT_EQ(second->ProcessId(), pids[1]);
    const auto ready = m_Listener.ReadyEvents();
    for (size_t i = 2; i < 4; ++i)
        EXPECT_EQ(ready[i].name, ready[i].source == static_cast<IChessEngine*>(first.get()) ? "Alpha 1.0" : "Beta 1.0");
    first->Quit();
    second->Quit();
}

// Bughouse: the variant only for an engine that declared it, holdings when a
// piece arrives from the partner board, drops both ways, the engine's
// messages to its partner, and clocks as in chess.
TEST_F(WinboardAdapterTest, ABughouseEngineGetsTheVariantHoldingsAndDropsAndTellsItsPartner)
{
    auto engine = Make("on protover say feature variants=\"normal,bughouse,crazyhouse\" colors=0 done=1\n"
                       "on go say tellics ptell I need a knight\n"
                       "moves N@f6 d7d5\n",
                       kBlack);
    Extend(*engine);
    ASSERT_TRUE(engine->SetVariant(kEngineVariantBughouse));
    ASSERT_TRUE(engine->StartGame(120, 0));
    // A knight taken on the partner board arrives before White's first move.
    engine->SetHoldings("n");
    engine->OpponentMove(3, 1, 3, 3, 0, 12000, 11950);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    EngineMove drop{2, 5, 2, 5, 0};
    drop.drop = 2; // a knight
    EXPECT_EQ(m_Listener.Moves()[0], drop);
    EXPECT_EQ(m_Listener.MoveTexts()[0], "N@f6");
    ASSERT_TRUE(m_Listener.WaitForPartnerMessages(1));
    EXPECT_EQ(m_Listener.PartnerMessages()[0], "I need a knight");

    // White drops a pawn it was handed; then a queen arrives for White.
    ASSERT_TRUE(engine->OpponentDrop(0, 4, 3, 11800, 11700));
    ASSERT_TRUE(m_Listener.WaitForMoves(2));
    EXPECT_EQ(m_Listener.Moves()[1], (EngineMove{4, 6, 4, 4, 0}));
    engine->SetHoldings("Q");
    EXPECT_FALSE(engine->OpponentDrop(5, 4, 3, 1, 1)); // no such piece
    ASSERT_TRUE(engine->WaitUntilIdle());
    engine->StopGame();
    engine->Quit();
    EXPECT_EQ(Log(0), "xboard\nprotover 2\nnew\nvariant bughouse\nrandom\nlevel 0 2 0\npost\nhard\nforce\ncomputer\n"
                      "holding [] [n]\ntime 12000\notim 11950\ne2e4\ngo\n"
                      "time 11800\notim 11700\nP@d4\nholding [Q] []\n"
                      "result * {Unfinished}\nforce\nquit\n");
}

TEST_F(WinboardAdapterTest, AnEngineWithoutBughouseIsNotOfferedAndToldNothingOfTheGame)
{
    auto engine = Make("on protover say feature variants=\"normal,crazyhouse\" done=1\n", kWhite);
    Extend(*engine);
    engine->StartAsync();
    ASSERT_TRUE(m_Listener.WaitForReady());
    EXPECT_EQ(m_Listener.ReadyEvents()[0].capabilities & ENGINE_CAN_BUGHOUSE, 0);
    EXPECT_FALSE(engine->SetVariant(kEngineVariantBughouse));
    EXPECT_FALSE(engine->SetVariant("atomic"));
    // Asked all the same, it reports that it cannot play the game.
    engine->StartGame(60, 0);
    ASSERT_TRUE(m_Listener.WaitForFailures());
    EXPECT_EQ(m_Listener.Failures()[0].reason, ENGINE_FAILURE_VARIANT);
    EXPECT_EQ(m_Listener.Failures()[0].text, RavelinTexts::Text(RavelinTexts::IDS_VARIANT_REFUSED));
    EXPECT_FALSE(engine->IsGameRunning());
    // A chess game afterwards is played as before.
    EXPECT_TRUE(engine->SetVariant(kEngineVariantNormal));
    engine->Quit();
    EXPECT_EQ(Log(0), "xboard\nprotover 2\nquit\n");

    // One that declares it is offered.
    auto able = Make("on protover say feature variants=\"bughouse\" done=1\n", kWhite);
    Extend(*able);
    able->StartAsync();
    ASSERT_TRUE(m_Listener.WaitForReady(2));
    EXPECT_NE(m_Listener.ReadyEvents()[1].capabilities & ENGINE_CAN_BUGHOUSE, 0);
    EXPECT_TRUE(able->SetVariant(kEngineVariantBughouse));
    able->Quit();
}

// A drop the engine has no piece for reaches the program with its text, and
// the rules core refuses it there, as the bughouse game judges engine moves.
TEST_F(WinboardAdapterTest, ADropTheRulesRefuseIsPassedOnForTheProgramToJudge)
{
    auto engine = Make("on protover say feature variants=\"bughouse\" done=1\nmoves Q@e5\n", kBlack);
    Extend(*engine);
    engine->SetVariant(kEngineVariantBughouse);
    engine->StartGame(60, 0);
    engine->OpponentMove(3, 1, 3, 3, 0, 6000, 6000);
    ASSERT_TRUE(m_Listener.WaitForMoves(1));
    const EngineMove move = m_Listener.Moves()[0];
    ASSERT_TRUE(move.IsDrop());
    EXPECT_EQ(m_Listener.MoveTexts()[0], "Q@e5");

    CBughouseBoards boards;
    CReplayedMove played;
    std::string why;
    ASSERT_TRUE(boards.PlayText(0, "e4", played, &why));
    EXPECT_FALSE(boards.PlayDrop(0, move.drop, CCoordinate(move.toRank, move.toFile), played));
    EXPECT_FALSE(boards.PlayText(0, m_Listener.MoveTexts()[0], played, &why));
    EXPECT_EQ(why, "no queen in hand");
    engine->Quit();
}
