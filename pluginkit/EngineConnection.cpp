#include "EngineConnection.h"

#include "LineSplitter.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <system_error>
#include <unistd.h>

CEngineConnection::Channel::~Channel()
{
    for (int fd : {m_Output, m_Wake[0], m_Wake[1]})
        if (fd >= 0)
            close(fd);
}

bool CEngineConnection::Channel::Deliver(const std::function<void(IChessEngineListener&)>& call)
{
    IChessEngineListener* target = nullptr;
    {
        std::lock_guard lock(mutex);
        if (cancelled)
            return false;
        inCall = true;
        target = listener;
    }
    if (target != nullptr)
        call(*target);
    std::lock_guard lock(mutex);
    inCall = false;
    return !cancelled;
}

CEngineConnection::~CEngineConnection()
{
    Release(std::chrono::milliseconds(0));
}

bool CEngineConnection::Start(const std::string& commandLine, const std::string& workingDirectory,
                              std::shared_ptr<Channel> channel, std::chrono::milliseconds readDelay)
{
    Release(std::chrono::milliseconds(0));
    if (!m_Process.Start(commandLine, workingDirectory))
        return false;
    channel->m_Output = m_Process.TakeOutput();
    if (pipe2(channel->m_Wake, O_CLOEXEC) != 0)
        channel->m_Wake[0] = channel->m_Wake[1] = -1;
    std::this_thread::sleep_for(readDelay);
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
    if (m_Channel)
    {
        bool inCall = false;
        {
            std::lock_guard lock(m_Channel->mutex);
            m_Channel->cancelled = true;
            inCall = m_Channel->inCall;
        }
        if (m_Channel->m_Wake[1] >= 0)
        {
            const char byte = 0;
            [[maybe_unused]] ssize_t ignored = write(m_Channel->m_Wake[1], &byte, 1);
        }
        // A reader waiting for the user-interface thread to take a move
        // cannot be joined from that thread: it finishes on its own, holding
        // its own reference to the channel.
        if (inCall)
            m_Reader.detach();
        else if (m_Reader.joinable())
            m_Reader.join();
        m_Channel.reset();
    }
    if (m_Reader.joinable())
        m_Reader.detach();
    m_Process.Release(grace);
}

std::function<void()> CEngineConnection::DeathNotice(std::weak_ptr<void> alive, const std::shared_ptr<Channel>& channel,
                                                     std::function<void()> action) const
{
    return [this, alive = std::move(alive), weak = std::weak_ptr<Channel>(channel), action = std::move(action)] {
        QCoreApplication* application = QCoreApplication::instance();
        if (application == nullptr)
            return;
        QMetaObject::invokeMethod(
            application,
            [this, alive, weak, action] {
                // `this` belongs to the owner: looked at only while it lives.
                if (alive.expired())
                    return;
                const std::shared_ptr<Channel> dead = weak.lock();
                if (dead && dead == m_Channel)
                    action();
            },
            Qt::QueuedConnection);
    };
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
        pollfd fds[2] = {{ch.m_Output, POLLIN, 0}, {ch.m_Wake[0], POLLIN, 0}};
        const int ready = poll(fds, ch.m_Wake[0] >= 0 ? 2 : 1, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (fds[1].revents & (POLLIN | POLLHUP)) != 0)
            break;
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
    std::function<void()> onDeath;
    {
        std::lock_guard lock(ch.mutex);
        ch.finished = true;
        ch.changed.notify_all();
        if (outputClosed && !ch.cancelled)
            onDeath = std::move(ch.onDeath);
    }
    if (onDeath)
        onDeath();
}
