#include "EngineConnection.h"

#include "LineSplitter.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <system_error>
#include <utility>
#include <unistd.h>

CEngineConnection::Channel::~Channel()
{
    for (int fd : {m_Output, m_Wake[0], m_Wake[1]})
        if (fd >= 0)
            close(fd);
}

bool CEngineConnection::Channel::Deliver(const std::function<void()>& call)
{
    {
        std::lock_guard lock(mutex);
        if (cancelled)
            return false;
        inCall = true;
    }
    call();
    std::lock_guard lock(mutex);
    inCall = false;
    return !cancelled;
}

void CEngineConnection::Channel::ReportDeath()
{
    std::function<void()> notice;
    {
        std::lock_guard lock(mutex);
        if (m_DeathReported)
            return;
        m_DeathReported = true;
        dead = true;
        changed.notify_all();
        if (!cancelled)
            notice = onDeath;
    }
    if (notice)
        notice();
}

CEngineConnection::~CEngineConnection()
{
    Release(std::chrono::milliseconds(0));
}

bool CEngineConnection::Start(const std::string& commandLine, const std::string& workingDirectory,
                              std::shared_ptr<Channel> channel)
{
    Release(std::chrono::milliseconds(0));
    std::weak_ptr<Channel> weak = channel;
    auto onExit = [weak] {
        if (const std::shared_ptr<Channel> ended = weak.lock())
            ended->ReportDeath();
    };
    if (!m_Process.Start(commandLine, workingDirectory, onExit))
        return false;
    channel->m_Output = m_Process.TakeOutput();
    if (pipe2(channel->m_Wake, O_CLOEXEC) != 0)
        channel->m_Wake[0] = channel->m_Wake[1] = -1;
    try
    {
        m_Reader = std::thread(ReaderMain, channel);
    }
    catch (const std::system_error&)
    {
        m_Process.Release(std::chrono::milliseconds(0));
        return false;
    }
    m_Channel = std::move(channel);
    return true;
}

void CEngineConnection::Release(std::chrono::milliseconds grace)
{
    int output = -1;
    if (m_Channel)
    {
        bool inCall = false;
        {
            std::lock_guard lock(m_Channel->mutex);
            m_Channel->cancelled = true;
            inCall = m_Channel->inCall;
            m_Channel->changed.notify_all();
        }
        if (m_Channel->m_Wake[1] >= 0)
        {
            const char byte = 0;
            [[maybe_unused]] ssize_t ignored = write(m_Channel->m_Wake[1], &byte, 1);
        }
        // A reader waiting for the user-interface thread to take a move
        // cannot be joined from a thread that thread may wait for: it
        // finishes on its own, holding its own reference to the channel.
        if (inCall)
        {
            m_Reader.detach();
        }
        else
        {
            if (m_Reader.joinable())
                m_Reader.join();
            // The reader has stopped: its output goes with the process to the
            // reaper, so that an engine still writing as it quits can finish.
            output = std::exchange(m_Channel->m_Output, -1);
        }
        m_Channel.reset();
    }
    if (m_Reader.joinable())
        m_Reader.detach();
    m_Process.Release(grace, output);
}

void CEngineConnection::ReaderMain(std::shared_ptr<Channel> channel)
{
    Channel& ch = *channel;
    CLineSplitter splitter;
    char buffer[4096];
    bool running = true;
    bool outputClosed = false;
    while (running)
    {
        int timeout = -1;
        if (ch.wakeAt)
        {
            const Clock::time_point wake = ch.wakeAt();
            if (wake != Clock::time_point::max())
            {
                const auto left = std::chrono::ceil<std::chrono::milliseconds>(wake - Clock::now()).count();
                timeout = static_cast<int>(std::max<long long>(0, std::min<long long>(left, 60000)));
            }
        }
        pollfd fds[2] = {{ch.m_Output, POLLIN, 0}, {ch.m_Wake[0], POLLIN, 0}};
        const int ready = poll(fds, ch.m_Wake[0] >= 0 ? 2 : 1, timeout);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (fds[1].revents & (POLLIN | POLLHUP)) != 0)
            break;
        if (ready == 0)
        {
            if (ch.onWake)
                running = ch.onWake();
            continue;
        }
        const ssize_t count = read(ch.m_Output, buffer, 4095);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
        {
            outputClosed = true;
            break;
        }
        splitter.Feed(std::string_view(buffer, static_cast<size_t>(count)), [&](const std::string& line) {
            if (running && ch.onLine)
                running = ch.onLine(line);
        });
    }
    {
        std::lock_guard lock(ch.mutex);
        ch.finished = true;
        ch.changed.notify_all();
    }
    if (outputClosed)
        ch.ReportDeath();
}
