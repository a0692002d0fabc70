// The engine connection both adapters share: lines in order, news of an
// engine that ends by itself, and silence after the adapter lets go.
#include "EngineConnection.h"
#include "ProcessReaper.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <unistd.h>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace
{
struct CRecordingChannel : CEngineConnection::Channel
{
    std::vector<std::string> lines; // guarded by mutex
    std::atomic<int> deaths{0};
};

std::shared_ptr<CRecordingChannel> MakeChannel()
{
    auto channel = std::make_shared<CRecordingChannel>();
    channel->onLine = [&ch = *channel](const std::string& line) {
        std::lock_guard lock(ch.mutex);
        ch.lines.push_back(line);
        ch.changed.notify_all();
        return true;
    };
    channel->onDeath = [&ch = *channel] { ++ch.deaths; };
    return channel;
}

bool WaitFinished(CRecordingChannel& channel)
{
    std::unique_lock lock(channel.mutex);
    return channel.changed.wait_for(lock, 5s, [&] { return channel.finished; });
}
} // namespace

TEST(EngineConnection, HandsOverLinesAndReportsAnEngineThatEndsByItself)
{
    CEngineConnection connection;
    auto channel = MakeChannel();
    ASSERT_TRUE(
        connection.Start("/bin/sh -c 'read a; printf \"one\\r\\ntw\"; sleep 0.05; echo \"o $a\"'", "", channel));
    connection.Write("x\n");
    ASSERT_TRUE(WaitFinished(*channel));
    {
        std::lock_guard lock(channel->mutex);
        EXPECT_EQ(channel->lines, (std::vector<std::string>{"one\n", "two x\n"}));
    }
    // The news follows the end of reading.
    for (int i = 0; i < 500 && channel->deaths == 0; ++i)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(channel->deaths, 1);
    connection.Release(0ms);
    EXPECT_FALSE(connection.IsRunning());
    EXPECT_FALSE(channel->Deliver([] { ADD_FAILURE() << "delivered after release"; }));
}

TEST(EngineConnection, LettingGoIsNoDeathAndStartingAgainLetsGoOfTheFirst)
{
    CEngineConnection connection;
    auto first = MakeChannel();
    ASSERT_TRUE(connection.Start("/bin/sleep 30", "", first));
    const pid_t pid = connection.Pid();
    auto second = MakeChannel();
    ASSERT_TRUE(connection.Start("/bin/sleep 30", "", second));
    EXPECT_NE(connection.Pid(), pid);
    {
        std::lock_guard lock(first->mutex);
        EXPECT_TRUE(first->cancelled);
    }
    connection.Release(0ms);
    EXPECT_TRUE(CProcessReaper::Instance().WaitUntilIdle(5s));
    EXPECT_EQ(first->deaths, 0);
    EXPECT_EQ(second->deaths, 0);
    EXPECT_FALSE(connection.Start("/no/such/program", "", MakeChannel()));
    EXPECT_FALSE(connection.IsRunning());
}

// An engine told to quit may still write as it leaves (a last word, the names
// of files it saves). Its output is read until it has left, so that it is not
// ended by a broken pipe half-way, even when it writes more than a pipe holds.
TEST(EngineConnection, AnEngineStillWritingAsItQuitsIsLetFinish)
{
    const std::string marker = testing::TempDir() + "engine-left-" + std::to_string(getpid());
    std::remove(marker.c_str());
    CEngineConnection connection;
    ASSERT_TRUE(connection.Start("/bin/sh -c 'read a; sleep 0.2; i=0; while [ $i -lt 3000 ]; do "
                                 "echo \"last words $i, written after quit, long enough to fill a pipe\"; "
                                 "i=$((i+1)); done; echo left > " +
                                     marker + "'",
                                 "", MakeChannel()));
    connection.Write("quit\n");
    connection.Release(5s);
    ASSERT_TRUE(CProcessReaper::Instance().WaitUntilIdle(10s));
    std::ifstream left(marker);
    std::string word;
    left >> word;
    EXPECT_EQ(word, "left") << "the engine was ended before it could finish";
    std::remove(marker.c_str());
}
