#include "ProcessReaper.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace
{
// Time between SIGTERM and SIGKILL, for an engine and for the helpers it
// leaves behind, and the polling steps of the waits.
constexpr std::chrono::milliseconds kKillDelay{1000};
constexpr std::chrono::milliseconds kPollStep{10};
constexpr std::chrono::milliseconds kWatchStep{50};

// Signals the engine's process group (it was made its own group leader) and
// the process itself in case the group is already gone.
void SignalChild(pid_t pid, int signal)
{
    kill(-pid, signal);
    kill(pid, signal);
}

enum class ChildState
{
    Running,
    Ended, // a zombie, not reaped yet
    Gone   // not a child of ours any more
};

// Whether the child has ended, without reaping it: while it stays a zombie
// its process id, and with it the id of its group, cannot be given to
// another process, so signals to the group reach only its own helpers.
ChildState StateOf(pid_t pid)
{
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0)
        return errno == ECHILD ? ChildState::Gone : ChildState::Running;
    return info.si_pid == pid ? ChildState::Ended : ChildState::Running;
}

// Whether any process other than `leader` that has not ended belongs to the
// process group `group`.
bool GroupHasOthers(pid_t group, pid_t leader)
{
    DIR* proc = opendir("/proc");
    if (proc == nullptr)
        return false;
    bool found = false;
    while (!found)
    {
        const dirent* entry = readdir(proc);
        if (entry == nullptr)
            break;
        char* end = nullptr;
        const long pid = std::strtol(entry->d_name, &end, 10);
        if (pid <= 0 || *end != '\0' || pid == leader)
            continue;
        std::ifstream stat(std::string("/proc/") + entry->d_name + "/stat");
        std::string text;
        std::getline(stat, text);
        // "pid (name) state ppid pgrp ...": the name may hold anything but
        // ends at the last parenthesis.
        const size_t close = text.rfind(')');
        if (close == std::string::npos)
            continue;
        char state = 0;
        long parent = 0;
        long processGroup = 0;
        if (std::sscanf(text.c_str() + close + 1, " %c %ld %ld", &state, &parent, &processGroup) == 3 &&
            processGroup == group && state != 'Z' && state != 'X')
            found = true;
    }
    closedir(proc);
    return found;
}
} // namespace

CProcessReaper& CProcessReaper::Instance()
{
    static CProcessReaper* reaper = new CProcessReaper;
    // Made after the reaper, so destroyed first, when the program ends.
    static struct AtExit
    {
        ~AtExit() { reaper->Shutdown(); }
    } atExit;
    return *reaper;
}

void CProcessReaper::EndNow(pid_t pid)
{
    SignalChild(pid, SIGKILL);
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR)
    {
    }
}

void CProcessReaper::Drain(Child& child)
{
    // A bounded amount a pass: an engine that floods its output must not
    // keep the reaper from its other children and deadlines.
    char buffer[4096];
    for (int reads = 0; child.output >= 0 && reads < 64; ++reads)
    {
        const ssize_t count = read(child.output, buffer, sizeof buffer);
        if (count > 0)
            continue;
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        CloseOutput(child); // the end of its output, or an error
    }
}

void CProcessReaper::CloseOutput(Child& child)
{
    if (child.output >= 0)
        close(child.output);
    child.output = -1;
}

void CProcessReaper::Shutdown()
{
    std::vector<pid_t> pids;
    {
        std::lock_guard lock(m_Mutex);
        m_Stopping = true;
        for (const Running& running : m_Running)
            pids.push_back(running.pid);
        for (Child& child : m_Children)
        {
            pids.push_back(child.pid);
            CloseOutput(child);
        }
        m_Running.clear();
        m_Children.clear();
    }
    m_Changed.notify_all();
    if (m_Thread.joinable())
        m_Thread.join();
    // The program is ending: nothing may outlive it.
    for (pid_t pid : pids)
        EndNow(pid);
}

void CProcessReaper::StartThread()
{
    if (!m_Thread.joinable())
        m_Thread = std::thread([this] { Run(); });
}

void CProcessReaper::Track(pid_t pid, std::function<void()> onExit)
{
    if (pid <= 0)
        return;
    std::unique_lock lock(m_Mutex);
    if (m_Stopping)
    {
        lock.unlock();
        EndNow(pid);
        return;
    }
    const bool watched = static_cast<bool>(onExit);
    m_Running.push_back(Running{pid, std::move(onExit)});
    if (watched)
    {
        StartThread();
        m_Changed.notify_all();
    }
}

void CProcessReaper::Adopt(pid_t pid, std::chrono::milliseconds grace, int output)
{
    Child child{pid, std::chrono::steady_clock::now() + grace, 0};
    child.output = output;
    if (output >= 0)
        fcntl(output, F_SETFL, fcntl(output, F_GETFL) | O_NONBLOCK);
    if (pid <= 0)
    {
        CloseOutput(child);
        return;
    }
    std::unique_lock lock(m_Mutex);
    if (m_Stopping)
    {
        lock.unlock();
        CloseOutput(child);
        EndNow(pid);
        return;
    }
    std::erase_if(m_Running, [pid](const Running& running) { return running.pid == pid; });
    m_Children.push_back(child);
    StartThread();
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

void CProcessReaper::ReapAdopted(std::chrono::steady_clock::time_point now)
{
    for (auto it = m_Children.begin(); it != m_Children.end();)
    {
        Child& child = *it;
        Drain(child);
        const ChildState state = child.leaderGone ? ChildState::Ended : StateOf(child.pid);
        if (state == ChildState::Gone)
        {
            CloseOutput(child);
            it = m_Children.erase(it);
            continue;
        }
        if (!child.leaderGone && state == ChildState::Ended)
        {
            // The engine has left: its helpers are asked to leave too, and
            // are ended by force if they do not.
            child.leaderGone = true;
            kill(-child.pid, SIGTERM);
            child.deadline = now + kKillDelay;
        }
        if (child.leaderGone)
        {
            if (now >= child.deadline || !GroupHasOthers(child.pid, child.pid))
            {
                kill(-child.pid, SIGKILL);
                while (waitpid(child.pid, nullptr, 0) < 0 && errno == EINTR)
                {
                }
                CloseOutput(child);
                it = m_Children.erase(it);
                continue;
            }
        }
        else if (now >= child.deadline && child.signalsSent == 0)
        {
            SignalChild(child.pid, SIGTERM);
            child.signalsSent = 1;
            child.deadline = now + kKillDelay;
        }
        else if (now >= child.deadline && child.signalsSent == 1)
        {
            SignalChild(child.pid, SIGKILL);
            child.signalsSent = 2;
        }
        ++it;
    }
}

std::vector<std::function<void()>> CProcessReaper::CollectExits()
{
    std::vector<std::function<void()>> exits;
    for (Running& running : m_Running)
    {
        if (running.onExit && StateOf(running.pid) != ChildState::Running)
        {
            exits.push_back(std::move(running.onExit));
            running.onExit = nullptr;
        }
    }
    return exits;
}

void CProcessReaper::Run()
{
    std::unique_lock lock(m_Mutex);
    while (!m_Stopping)
    {
        const bool watching = std::any_of(m_Running.begin(), m_Running.end(),
                                          [](const Running& running) { return static_cast<bool>(running.onExit); });
        if (m_Children.empty() && !watching)
        {
            m_Changed.wait(lock);
            continue;
        }
        ReapAdopted(std::chrono::steady_clock::now());
        std::vector<std::function<void()>> exits = CollectExits();
        m_Changed.notify_all();
        if (!exits.empty())
        {
            // Told without the lock: the notice may hand the engine back.
            lock.unlock();
            for (auto& onExit : exits)
                onExit();
            lock.lock();
        }
        m_Changed.wait_for(lock, m_Children.empty() ? kWatchStep : kPollStep, [this] { return m_Stopping; });
    }
}
