#pragma once

#include "EngineMove.h"
#include "IChessEngineListener.h"
#include "PluginMessages.h"
#include "ProcessReaper.h"
#include "WinboardAdapter.h"

#include <QCoreApplication>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Records what an adapter reports, on the adapter's reader thread.
class CRecordingListener : public IChessEngineListener
{
public:
    bool OnEngineMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank, int32_t promotion) override
    {
        std::function<void()> hook;
        {
            std::lock_guard lock(m_Mutex);
            m_Moves.push_back(EngineMove{fromFile, fromRank, toFile, toRank, promotion});
            hook = m_OnMove;
        }
        m_Changed.notify_all();
        if (hook)
            hook();
        return true;
    }

    bool OnEngineResult(int32_t result) override
    {
        {
            std::lock_guard lock(m_Mutex);
            m_Results.push_back(result);
        }
        m_Changed.notify_all();
        return true;
    }

    // True once at least that many moves have arrived.
    bool WaitForMoves(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        std::unique_lock lock(m_Mutex);
        return m_Changed.wait_for(lock, timeout, [&] { return m_Moves.size() >= count; });
    }

    bool WaitForResults(size_t count, std::chrono::milliseconds timeout = std::chrono::seconds(5))
    {
        std::unique_lock lock(m_Mutex);
        return m_Changed.wait_for(lock, timeout, [&] { return m_Results.size() >= count; });
    }

    std::vector<EngineMove> Moves()
    {
        std::lock_guard lock(m_Mutex);
        return m_Moves;
    }

    std::vector<int32_t> Results()
    {
        std::lock_guard lock(m_Mutex);
        return m_Results;
    }

    // Runs on the reader thread after each recorded move.
    void SetOnMove(std::function<void()> hook)
    {
        std::lock_guard lock(m_Mutex);
        m_OnMove = std::move(hook);
    }

private:
    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::vector<EngineMove> m_Moves;
    std::vector<int32_t> m_Results;
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
inline CWinboardAdapter::Timings FastTimings()
{
    CWinboardAdapter::Timings timings;
    timings.startDelay = std::chrono::milliseconds(0);
    timings.featureWait = std::chrono::milliseconds(100);
    timings.doneWait = std::chrono::milliseconds(3000);
    timings.linePacing = std::chrono::milliseconds(0);
    timings.quitGrace = std::chrono::milliseconds(300);
    return timings;
}

// Runs the user-interface thread's queue (where an adapter learns that its
// engine has died) until the condition holds or the time is up.
template <typename Condition>
bool PumpUntil(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition() && std::chrono::steady_clock::now() < end)
    {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return condition();
}
