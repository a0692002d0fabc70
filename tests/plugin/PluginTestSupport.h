#pragma once

#include "EngineMove.h"
#include "IChessEngineEx.h"
#include "IChessEngineListenerEx.h"
#include "PluginMessages.h"
#include "ProcessReaper.h"
#include "WinboardAdapter.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// How many times longer the tests wait: PELLOMAR_TEST_TIME_SCALE, 1 by
// default. A sanitizer run that slows every thread down sets it, so the
// engines' answers keep their order against the adapter's waits.
inline int TestTimeScale()
{
    static const int scale = [] {
        const char* value = std::getenv("PELLOMAR_TEST_TIME_SCALE");
        const int parsed = value != nullptr ? std::atoi(value) : 1;
        return parsed < 1 ? 1 : parsed > 100 ? 100 : parsed;
    }();
    return scale;
}

inline std::chrono::milliseconds Scaled(std::chrono::milliseconds time)
{
    return time * TestTimeScale();
}

// Records what an adapter reports, on the adapter's threads: through the
// plain listener interface, or through its extension when the adapter was
// given it with SetListenerEx.
class CRecordingListener : public IChessEngineListenerEx
{
public:
    struct Ready
    {
        IChessEngine* source;
        std::string name;
        int32_t capabilities;
    };
    struct Failure
    {
        IChessEngine* source;
        int32_t reason;
        std::string text;
    };
    struct Thinking
    {
        IChessEngine* source;
        EngineThinking numbers;
        std::string pv;
    };

    bool OnEngineMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank, int32_t promotion) override
    {
        return OnEngineMoveEx(nullptr, fromFile, fromRank, toFile, toRank, promotion, "");
    }

    bool OnEngineResult(int32_t result) override { return OnEngineResultEx(nullptr, result, ""); }

    int32_t GetListenerVersion() override { return kChessEngineListenerExVersion; }

    void OnEngineReady(IChessEngine* source, const char* name, int32_t capabilities) override
    {
        Add([&] { m_Ready.push_back(Ready{source, name, capabilities}); });
    }

    void OnEngineFailed(IChessEngine* source, int32_t reason, const char* text) override
    {
        Add([&] { m_Failures.push_back(Failure{source, reason, text}); });
    }

    bool OnEngineMoveEx(IChessEngine* source, int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank,
                        int32_t promotion, const char* text) override
    {
        std::function<void()> hook;
        Add([&] {
            m_Moves.push_back(EngineMove{fromFile, fromRank, toFile, toRank, promotion});
            m_MoveTexts.emplace_back(text);
            m_MoveSources.push_back(source);
            hook = m_OnMove;
        });
        if (hook)
            hook();
        return true;
    }

    bool OnEngineResultEx(IChessEngine* source, int32_t result, const char* text) override
    {
        Add([&] {
            m_Results.push_back(result);
            m_ResultTexts.emplace_back(text);
            m_ResultSources.push_back(source);
        });
        return true;
    }

    void OnEngineThinking(IChessEngine* source, const EngineThinking* thinking) override
    {
        Add([&] { m_Thinking.push_back(Thinking{source, *thinking, thinking->pv}); });
    }

    // A drop is recorded among the moves, with its piece in `drop`.
    bool OnEngineDropEx(IChessEngine* source, int32_t piece, int32_t file, int32_t rank, const char* text) override
    {
        EngineMove move{file, rank, file, rank, 0};
        move.drop = piece;
        Add([&] {
            m_Moves.push_back(move);
            m_MoveTexts.emplace_back(text);
            m_MoveSources.push_back(source);
        });
        return true;
    }

    void OnEnginePartnerMessage(IChessEngine*, const char* text) override
    {
        Add([&] { m_PartnerMessages.emplace_back(text); });
    }

    bool WaitForPartnerMessages(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        return WaitFor([&] { return m_PartnerMessages.size() >= count; }, timeout);
    }
    std::vector<std::string> PartnerMessages() { return Get(m_PartnerMessages); }

    // True once at least that many moves have arrived.
    bool WaitForMoves(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        return WaitFor([&] { return m_Moves.size() >= count; }, timeout);
    }

    bool WaitForResults(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        return WaitFor([&] { return m_Results.size() >= count; }, timeout);
    }

    // True once the engine has been reported ready or failed that often.
    bool WaitForReady(size_t count = 1, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        return WaitFor([&] { return m_Ready.size() >= count; }, timeout);
    }

    bool WaitForFailures(size_t count = 1, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        return WaitFor([&] { return m_Failures.size() >= count; }, timeout);
    }

    // True once a thinking line satisfies the condition.
    bool WaitForThinking(const std::function<bool(const Thinking&)>& condition,
                         std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        return WaitFor([&] { return std::any_of(m_Thinking.begin(), m_Thinking.end(), condition); }, timeout);
    }

    std::vector<EngineMove> Moves() { return Get(m_Moves); }
    std::vector<std::string> MoveTexts() { return Get(m_MoveTexts); }
    std::vector<IChessEngine*> MoveSources() { return Get(m_MoveSources); }
    std::vector<int32_t> Results() { return Get(m_Results); }
    std::vector<std::string> ResultTexts() { return Get(m_ResultTexts); }
    std::vector<IChessEngine*> ResultSources() { return Get(m_ResultSources); }
    std::vector<Ready> ReadyEvents() { return Get(m_Ready); }
    std::vector<Failure> Failures() { return Get(m_Failures); }
    std::vector<Thinking> ThinkingLines() { return Get(m_Thinking); }

    // Runs on the reader thread after each recorded move.
    void SetOnMove(std::function<void()> hook)
    {
        std::lock_guard lock(m_Mutex);
        m_OnMove = std::move(hook);
    }

private:
    // Notifies under the lock: a waiter that wakes may end the test and
    // destroy this listener, which must not happen while the notify runs.
    template <typename Change> void Add(Change change)
    {
        std::lock_guard lock(m_Mutex);
        change();
        m_Changed.notify_all();
    }

    template <typename Condition> bool WaitFor(Condition condition, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_Mutex);
        return m_Changed.wait_for(lock, Scaled(timeout), condition);
    }

    template <typename T> std::vector<T> Get(const std::vector<T>& values)
    {
        std::lock_guard lock(m_Mutex);
        return values;
    }

    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::vector<EngineMove> m_Moves;
    std::vector<std::string> m_MoveTexts;
    std::vector<IChessEngine*> m_MoveSources;
    std::vector<int32_t> m_Results;
    std::vector<std::string> m_ResultTexts;
    std::vector<IChessEngine*> m_ResultSources;
    std::vector<Ready> m_Ready;
    std::vector<Failure> m_Failures;
    std::vector<Thinking> m_Thinking;
    std::vector<std::string> m_PartnerMessages;
    std::function<void()> m_OnMove;
};

struct AdapterDeleter
{
    void operator()(CWinboardAdapter* adapter) const { adapter->Destroy(); }
};
using AdapterPtr = std::unique_ptr<CWinboardAdapter, AdapterDeleter>;

// Collects the plug-in's message boxes instead of showing them.
class CMessageRecorder
{
public:
    CMessageRecorder()
    {
        CPluginMessages::SetHandler(
            [this](CPluginMessages::Kind kind, const std::string& caption, const std::string& text) {
                std::lock_guard lock(m_Mutex);
                m_Texts.push_back(text);
                m_Captions.push_back(caption);
                m_Kinds.push_back(kind);
                return m_Answer;
            });
    }
    ~CMessageRecorder() { CPluginMessages::SetHandler({}); }

    std::vector<std::string> Texts()
    {
        std::lock_guard lock(m_Mutex);
        return m_Texts;
    }
    std::vector<std::string> Captions()
    {
        std::lock_guard lock(m_Mutex);
        return m_Captions;
    }
    std::vector<CPluginMessages::Kind> Kinds()
    {
        std::lock_guard lock(m_Mutex);
        return m_Kinds;
    }
    void SetAnswer(bool answer) { m_Answer = answer; }

private:
    std::mutex m_Mutex;
    std::vector<std::string> m_Texts;
    std::vector<std::string> m_Captions;
    std::vector<CPluginMessages::Kind> m_Kinds;
    bool m_Answer = true;
};

// Short waits so the suite stays fast; the behaviour is the same.
inline CEngineAdapter::Timings FastTimings()
{
    CEngineAdapter::Timings timings;
    timings.startDelay = std::chrono::milliseconds(0);
    timings.firstAnswerWait = Scaled(std::chrono::milliseconds(100));
    timings.handshakeWait = Scaled(std::chrono::milliseconds(3000));
    timings.linePacing = std::chrono::milliseconds(0);
    // Long enough for a fake engine on a busy machine to read its "quit".
    timings.quitGrace = Scaled(std::chrono::milliseconds(1000));
    return timings;
}

// Runs the user-interface thread's queue (where an adapter learns that its
// engine has died) until the condition holds or the time is up.
template <typename Condition>
bool PumpUntil(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    const auto end = std::chrono::steady_clock::now() + Scaled(timeout);
    while (!condition() && std::chrono::steady_clock::now() < end)
    {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}
