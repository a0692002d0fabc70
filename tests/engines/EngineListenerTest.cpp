#include "EngineListener.h"

#include "EngineMove.h"
#include "EngineResult.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace
{
// Runs the event loop until the condition holds or a few seconds pass.
template <typename Condition> bool ProcessUntil(Condition condition)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return condition();
}

struct Received
{
    std::vector<quint32> moves;
    std::vector<qint32> results;
    std::vector<bool> onOwnerThread;
};

void Record(CEngineListener& listener, Received& received)
{
    QObject::connect(&listener, &CEngineListener::EngineMoveArrived, [&received](quint32 word) {
        received.moves.push_back(word);
        received.onOwnerThread.push_back(QThread::currentThread() == QCoreApplication::instance()->thread());
    });
    QObject::connect(&listener, &CEngineListener::EngineResultArrived,
                     [&received](qint32 result) { received.results.push_back(result); });
}
} // namespace

TEST(EngineListener, HandsAReaderThreadsMoveToTheOwnerThreadAndWaits)
{
    CEngineListener listener;
    Received received;
    Record(listener, received);
    listener.BeginGame();

    std::atomic<bool> returned{false};
    std::atomic<size_t> seenOnReturn{99};
    std::thread reader([&] {
        listener.OnEngineMove(3, 6, 3, 4, 0);
        // The call returns only once the owner thread has handled the move.
        seenOnReturn = received.moves.size();
        listener.OnEngineResult(ENGINE_RESULT_RESIGNS);
        returned = true;
    });
    EXPECT_TRUE(ProcessUntil([&] { return returned.load(); }));
    reader.join();
    EXPECT_EQ(seenOnReturn.load(), 1u);
    ASSERT_EQ(received.moves.size(), 1u);
    EXPECT_EQ(UnpackEngineMove(received.moves[0]), (EngineMove{3, 6, 3, 4, 0}));
    EXPECT_TRUE(received.onOwnerThread[0]);
    EXPECT_EQ(received.results, std::vector<qint32>{ENGINE_RESULT_RESIGNS});
}

TEST(EngineListener, DropsCallsThatBelongToAnEndedGame)
{
    CEngineListener listener;
    Received received;
    Record(listener, received);

    // No game running: nothing is delivered, and the caller is not left waiting.
    listener.OnEngineMove(1, 1, 1, 2, 0);
    listener.OnEngineResult(ENGINE_RESULT_DRAW);
    EXPECT_TRUE(received.moves.empty());
    EXPECT_TRUE(received.results.empty());

    // A move sent during one game but handled after the next has begun.
    listener.BeginGame();
    std::atomic<bool> calling{false};
    std::atomic<bool> returned{false};
    std::thread reader([&] {
        calling = true;
        listener.OnEngineMove(3, 1, 3, 3, 0);
        returned = true;
    });
    while (!calling)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    listener.EndGame();
    listener.BeginGame();
    EXPECT_TRUE(ProcessUntil([&] { return returned.load(); }));
    reader.join();
    EXPECT_TRUE(received.moves.empty());

    // The new game's own moves arrive; a call on the owner thread is handled at once.
    listener.OnEngineMove(3, 1, 3, 3, 0);
    EXPECT_EQ(received.moves.size(), 1u);
    listener.EndGame();
    EXPECT_FALSE(listener.IsGameRunning());
}
