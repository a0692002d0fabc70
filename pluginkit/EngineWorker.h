#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

// The engine's own thread: runs an adapter's tasks one after the other, in
// the order they were posted, so that the user-interface thread never waits
// for an engine. The thread starts with the first task and holds the worker
// alive until it ends; letting go of the worker (Finish) never waits for a
// task that waits for the user-interface thread.
class CEngineWorker : public std::enable_shared_from_this<CEngineWorker>
{
public:
    [[nodiscard]] static std::shared_ptr<CEngineWorker> Create();
    ~CEngineWorker();
    CEngineWorker(const CEngineWorker&) = delete;
    CEngineWorker& operator=(const CEngineWorker&) = delete;

    // Queues a task; false (the task is dropped at once) after Finish.
    bool Post(std::function<void()> task);

    // No task is taken after those already queued. Waits up to `wait` for
    // them to run, unless a task is inside a listener call (see InCall),
    // which may be waiting for the calling thread; the thread then ends on
    // its own.
    void Finish(std::chrono::milliseconds wait);

    // Marks the span of a listener call made by a task.
    class InCall
    {
    public:
        explicit InCall(CEngineWorker& worker);
        ~InCall();
        InCall(const InCall&) = delete;
        InCall& operator=(const InCall&) = delete;

    private:
        CEngineWorker& m_Worker;
    };

    // Waits until no task is queued or running; true when so (tests).
    bool WaitUntilIdle(std::chrono::milliseconds timeout);
    [[nodiscard]] bool IsWorkerThread() const;

private:
    CEngineWorker() = default;
    void Run();

    mutable std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::deque<std::function<void()>> m_Tasks;
    std::thread m_Thread;
    std::thread::id m_ThreadId;
    bool m_Running = false; // a task runs
    bool m_InCall = false;  // that task is inside a listener call
    bool m_Finishing = false;
    bool m_Ended = false; // the thread has left its loop
};
