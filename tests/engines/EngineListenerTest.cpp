#include "EngineListener.h"

#include "EngineMove.h"
#include "EngineResult.h"
#include "IChessEngineEx.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <tuple>
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

namespace
{
// Two distinct source pointers; the listener never calls through them.
IChessEngine* Source(int which)
{
    static int objects[2];
    return reinterpret_cast<IChessEngine*>(&objects[which]);
}
} // namespace

TEST(EngineListener, ExtensionEventsArePostedWithTheirSourceWithoutWaiting)
{
    CEngineListener listener;
    std::vector<std::pair<IChessEngine*, QString>> ready;
    std::vector<std::tuple<IChessEngine*, qint32, QString>> failed;
    std::vector<std::tuple<IChessEngine*, quint32, QString>> moves;
    std::vector<std::tuple<IChessEngine*, qint32, QString>> results;
    QObject::connect(&listener, &CEngineListener::EngineReady,
                     [&](IChessEngine* source, const QString& name, qint32) { ready.emplace_back(source, name); });
    QObject::connect(
        &listener, &CEngineListener::EngineFailed,
        [&](IChessEngine* source, qint32 reason, const QString& text) { failed.emplace_back(source, reason, text); });
    QObject::connect(
        &listener, &CEngineListener::EngineMoveFrom,
        [&](IChessEngine* source, quint32 word, const QString& text) { moves.emplace_back(source, word, text); });
    QObject::connect(
        &listener, &CEngineListener::EngineResultFrom,
        [&](IChessEngine* source, qint32 result, const QString& text) { results.emplace_back(source, result, text); });
    EXPECT_EQ(listener.GetListenerVersion(), kChessEngineListenerExVersion);

    // Readiness and failures return at once: the thread ends before the
    // owner thread has run its events.
    std::thread engineThread([&] {
        listener.OnEngineReady(Source(0), "Crafty 25.2", ENGINE_CAN_PONDER);
        listener.OnEngineFailed(Source(1), ENGINE_FAILURE_START, "cannot start");
    });
    engineThread.join();
    EXPECT_TRUE(ready.empty());
    EXPECT_TRUE(ProcessUntil([&] { return failed.size() == 1; }));
    ASSERT_EQ(ready.size(), 1u);
    EXPECT_EQ(ready[0], std::make_pair(Source(0), QString("Crafty 25.2")));
    EXPECT_EQ(failed[0], std::make_tuple(Source(1), qint32{ENGINE_FAILURE_START}, QString("cannot start")));

    // Moves and results wait for the owner thread, carry their source and
    // text, and are dropped outside a game like the plain ones.
    listener.BeginGame();
    std::atomic<bool> returned{false};
    std::thread reader([&] {
        listener.OnEngineMoveEx(Source(1), 3, 6, 3, 4, 0, "e7e5");
        listener.OnEngineResultEx(Source(1), ENGINE_RESULT_RESIGNS, "resign");
        returned = true;
    });
    EXPECT_TRUE(ProcessUntil([&] { return returned.load(); }));
    reader.join();
    ASSERT_EQ(moves.size(), 1u);
    EXPECT_EQ(std::get<0>(moves[0]), Source(1));
    EXPECT_EQ(UnpackEngineMove(std::get<1>(moves[0])), (EngineMove{3, 6, 3, 4, 0}));
    EXPECT_EQ(std::get<2>(moves[0]), "e7e5");
    EXPECT_EQ(results, (std::vector<std::tuple<IChessEngine*, qint32, QString>>{
                           {Source(1), ENGINE_RESULT_RESIGNS, QString("resign")}}));
    listener.EndGame();
    listener.OnEngineMoveEx(Source(1), 3, 6, 3, 4, 0, "e7e5");
    EXPECT_EQ(moves.size(), 1u);
}

TEST(EngineListener, AFloodOfThinkingLinesNeverBlocksAndOnlyTheLatestOfEachEngineArrives)
{
    CEngineListener listener;
    std::vector<std::pair<IChessEngine*, EngineThinkingLine>> lines;
    QObject::connect(&listener, &CEngineListener::EngineThinkingArrived,
                     [&](IChessEngine* source, const EngineThinkingLine& line) { lines.emplace_back(source, line); });
    std::thread reader([&] {
        for (int depth = 1; depth <= 1000; ++depth)
        {
            const std::string pv = "e2e4 e7e5 d" + std::to_string(depth);
            EngineThinking thinking;
            thinking.depth = depth;
            thinking.scoreKind = ENGINE_SCORE_CENTIPAWNS;
            thinking.score = depth;
            thinking.scoreColour = 2;
            thinking.startPly = 4;
            thinking.pv = pv.c_str();
            listener.OnEngineThinking(Source(depth % 2), &thinking);
        }
        listener.OnEngineThinking(Source(0), nullptr);
    });
    reader.join();
    EXPECT_TRUE(lines.empty());
    EXPECT_TRUE(ProcessUntil([&] { return lines.size() >= 2; }));
    QCoreApplication::processEvents();
    ASSERT_EQ(lines.size(), 2u);
    for (const auto& [source, line] : lines)
    {
        const int latest = source == Source(0) ? 1000 : 999;
        EXPECT_EQ(line.depth, latest);
        EXPECT_EQ(line.score, latest);
        EXPECT_EQ(line.startPly, 4);
        EXPECT_EQ(line.pv, "e2e4 e7e5 d" + std::to_string(latest));
    }
}
