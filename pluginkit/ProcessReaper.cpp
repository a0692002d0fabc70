#include "ProcessReaper.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>

namespace
{
// Time between SIGTERM and SIGKILL, and the polling step of the waits.
constexpr std::chrono::milliseconds kKillDelay{1000};
constexpr std::chrono::milliseconds kPollStep{10};

// Signals the engine's process group (it was made its own group leader, so
// helpers it started, such as the UCI engine behind polyglot, go too) and
// the process itself in case the group is already gone.
void SignalChild(pid_t pid, int signal)
{
    kill(-pid, signal);
    kill(pid, signal);
}
} // namespace

CProcessReaper& CProcessReaper::Instance()
{
    static CProcessReaper reaper;
    return reaper;
}

CProcessReaper::~CProcessReaper()
{
    {
        std::lock_guard lock(m_Mutex);
        m_Stopping = true;
    }
    m_Changed.notify_all();
    if (m_Thread.joinable())
        m_Thread.join();
    // The program is ending: nothing may outlive it.
    for (pid_t pid : m_Running)
        m_Children.push_back(Child{pid, {}, 0});
    for (const Child& child : m_Children)
    {
        SignalChild(child.pid, SIGKILL);
        while (waitpid(child.pid, nullptr, 0) < 0 && errno == EINTR)
        {
        }
    }
}

void CProcessReaper::Track(pid_t pid)
{
    if (pid <= 0)
        return;
    std::lock_guard lock(m_Mutex);
    m_Running.push_back(pid);
}

void CProcessReaper::Adopt(pid_t pid, std::chrono::milliseconds grace)
{
    if (pid <= 0)
        return;
    std::lock_guard lock(m_Mutex);
    std::erase(m_Running, pid);
    m_Children.push_back(Child{pid, std::chrono::steady_clock::now() + grace, 0});
    if (!m_Thread.joinable())
        m_Thread = std::thread([this] { Run(); });
    m_Changed.notify_all();
}

size_t CProcessReaper::PendingCount()
{
    std::lock_guard lock(m_Mutex);
    return m_Children.size();
}

bool CProcessReaper::WaitUntilIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_Mutex);
    return m_Changed.wait_for(lock, timeout, [this] { return m_Children.empty(); });
}

void CProcessReaper::Run()
{
    std::unique_lock lock(m_Mutex);
    while (!m_Stopping)
    {
        if (m_Children.empty())
        {
            m_Changed.wait(lock, [this] { return m_Stopping || !m_Children.empty(); });
            continue;
        }
        const auto now = std::chrono::steady_clock::now();
        for (auto it = m_Children.begin(); it != m_Children.end();)
        {
            const pid_t result = waitpid(it->pid, nullptr, WNOHANG);
            if (result == it->pid || (result < 0 && errno == ECHILD))
            {
                it = m_Children.erase(it);
                continue;
            }
            if (now >= it->deadline && it->signalsSent == 0)
            {
                SignalChild(it->pid, SIGTERM);
                it->signalsSent = 1;
                it->deadline = now + kKillDelay;
            }
            else if (now >= it->deadline && it->signalsSent == 1)
            {
                SignalChild(it->pid, SIGKILL);
                it->signalsSent = 2;
            }
            ++it;
        }
        m_Changed.notify_all();
        m_Changed.wait_for(lock, kPollStep, [this] { return m_Stopping; });
    }
}
