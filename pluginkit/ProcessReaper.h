#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <sys/types.h>
#include <thread>
#include <vector>

// Waits for the engine processes the adapters have let go, so that none is
// left as a zombie, and ends those that do not leave by themselves: after the
// grace period the process group gets SIGTERM, a moment later SIGKILL. Every
// engine leads a process group of its own; once the engine has left, however
// it left, the rest of its group (helpers such as the UCI engine behind
// polyglot) is ended too. Only the processes handed over are waited for,
// never any other child.
class CProcessReaper
{
public:
    static CProcessReaper& Instance();

    // A child that is running now: if the program ends before it is adopted,
    // it is ended with the program rather than left behind (some engines spin
    // for ever once their input closes). `onExit`, when given, runs once on
    // the reaper's thread as soon as the child has ended by itself, even when
    // a helper still holds its output open; it must not wait for anything.
    void Track(pid_t pid, std::function<void()> onExit = {});
    // Takes over a child that has been told to quit. `output`, when given,
    // is the read end of its output, which the reaper takes over: it is read
    // and thrown away until the child has left, so that an engine still
    // writing as it quits is not ended by a broken pipe, then closed.
    void Adopt(pid_t pid, std::chrono::milliseconds grace, int output = -1);

    // Children not reaped yet.
    [[nodiscard]] size_t PendingCount();

    // Waits until every adopted child has been reaped and its group ended, or
    // the timeout passes; true when none is left.
    bool WaitUntilIdle(std::chrono::milliseconds timeout);

    CProcessReaper(const CProcessReaper&) = delete;
    CProcessReaper& operator=(const CProcessReaper&) = delete;

private:
    // The reaper lives as long as the process: threads that are still
    // letting go of an engine while the program ends may reach it. At exit
    // (Shutdown) every child is ended, and a child handed over later is
    // ended at once.
    CProcessReaper() = default;
    ~CProcessReaper() = delete;
    void Shutdown();
    static void EndNow(pid_t pid);
    void Run();
    void StartThread();
    // One pass over the adopted children (lock held).
    void ReapAdopted(std::chrono::steady_clock::time_point now);
    // The running children that have ended by themselves (lock held).
    std::vector<std::function<void()>> CollectExits();

    struct Child
    {
        pid_t pid;
        std::chrono::steady_clock::time_point deadline;
        int signalsSent;
        bool leaderGone = false; // the engine has ended; its group is being ended
        int output = -1;         // read end of its output, drained until it leaves
    };
    // Reads and drops what the child has written; closes its output at its end.
    static void Drain(Child& child);
    static void CloseOutput(Child& child);

    struct Running
    {
        pid_t pid;
        std::function<void()> onExit;
    };

    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::vector<Child> m_Children;
    std::vector<Running> m_Running;
    std::thread m_Thread;
    bool m_Stopping = false;
};
