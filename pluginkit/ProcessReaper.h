#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <sys/types.h>
#include <thread>
#include <vector>

// Waits for the engine processes the adapters have let go, so that none is
// left as a zombie, and ends those that do not leave by themselves: after the
// grace period the process group gets SIGTERM, a moment later SIGKILL. Only
// the processes handed over are waited for, never any other child.
class CProcessReaper
{
public:
    static CProcessReaper& Instance();

    // A child that is running now: if the program ends before it is adopted,
    // it is ended with the program rather than left behind (some engines spin
    // for ever once their input closes).
    void Track(pid_t pid);
    // Takes over a child that has been told to quit.
    void Adopt(pid_t pid, std::chrono::milliseconds grace);

    // Children not reaped yet.
    [[nodiscard]] size_t PendingCount();

    // Waits until every adopted child has been reaped or the timeout passes;
    // true when none is left.
    bool WaitUntilIdle(std::chrono::milliseconds timeout);

    CProcessReaper(const CProcessReaper&) = delete;
    CProcessReaper& operator=(const CProcessReaper&) = delete;

private:
    CProcessReaper() = default;
    ~CProcessReaper();
    void Run();

    struct Child
    {
        pid_t pid;
        std::chrono::steady_clock::time_point deadline;
        int signalsSent;
    };

    std::mutex m_Mutex;
    std::condition_variable m_Changed;
    std::vector<Child> m_Children;
    std::vector<pid_t> m_Running;
    std::thread m_Thread;
    bool m_Stopping = false;
};
