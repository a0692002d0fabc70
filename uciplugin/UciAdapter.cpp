#include "UciAdapter.h"

#include "IChessEngineListener.h"
#include "LineSplitter.h"
#include "PluginMessages.h"
#include "UciConfigureDlg.h"
#include "UciMoveText.h"
#include "UciRegistry.h"
#include "UciTexts.h"

#include <QApplication>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sstream>
#include <unistd.h>

// What the adapter and its reader thread share. The reader holds its own
// reference, so it never touches the adapter, which may be destroyed while
// the reader is still handing a move over.
struct CUciAdapter::Channel
{
    ~Channel()
    {
        for (int fd : {output, wake[0], wake[1]})
            if (fd >= 0)
                close(fd);
    }

    int output = -1;        // read end of the engine's output
    int wake[2] = {-1, -1}; // written once to stop the reader
    IChessEngineListener* listener = nullptr;

    std::mutex mutex;
    std::condition_variable changed;
    bool cancelled = false; // no listener call may begin any more
    bool inCall = false;    // a listener call is in progress
    bool finished = false;  // the output pipe has closed
    bool uciOk = false;
    bool readyOk = false;
    bool gameRunning = false;
    int searches = 0; // "go"s still waiting for their "bestmove", answered in order
    // The game's moves in UCI notation, the engine's own included.
    std::vector<std::string> moves;
};

CUciAdapter::CUciAdapter() = default;

CUciAdapter::~CUciAdapter()
{
    ReleaseProcess();
}

const char* CUciAdapter::GetName()
{
    static const std::string name = UciTexts::Text(UciTexts::IDS_ENGINE_TYPE_NAME);
    return name.c_str();
}

void CUciAdapter::SetEngineOverride(const std::string& commandLine, const std::string& workingDirectory)
{
    m_Override = std::make_pair(commandLine, workingDirectory);
}

bool CUciAdapter::IsGameRunning() const
{
    if (!m_Channel)
        return false;
    std::lock_guard lock(m_Channel->mutex);
    return m_Channel->gameRunning;
}

bool CUciAdapter::Start()
{
    // A second Start would otherwise leave the first engine running unseen.
    if (m_Process.IsRunning())
        Quit();
    std::string commandLine;
    std::string workingDirectory;
    if (LookUpEngine(commandLine, workingDirectory) && StartProcess(commandLine, workingDirectory))
    {
        Write("uci\n");
        if (WaitFor(&Channel::uciOk, m_Timings.uciWait))
            return true;
        // It ended at once or does not speak UCI: nothing is left behind.
        Quit();
    }
    CPluginMessages::Show(CPluginMessages::Kind::Error, "Error", UciTexts::Text(UciTexts::IDS_START_ERROR));
    return false;
}

bool CUciAdapter::LookUpEngine(std::string& commandLine, std::string& workingDirectory) const
{
    if (m_Override)
    {
        commandLine = m_Override->first;
        workingDirectory = m_Override->second;
        return !commandLine.empty();
    }
    std::string name;
    CUciRegistry::Instance().ReadEngineOf(m_PlaysWhite, name, commandLine, workingDirectory);
    return !commandLine.empty();
}

bool CUciAdapter::StartProcess(const std::string& commandLine, const std::string& workingDirectory)
{
    ReleaseProcess();
    if (!m_Process.Start(commandLine, workingDirectory))
        return false;
    auto channel = std::make_shared<Channel>();
    channel->output = m_Process.TakeOutput();
    if (pipe2(channel->wake, O_CLOEXEC) != 0)
        channel->wake[0] = channel->wake[1] = -1;
    channel->listener = m_Listener;
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

void CUciAdapter::ReleaseProcess()
{
    if (m_Channel)
    {
        bool inCall = false;
        {
            std::lock_guard lock(m_Channel->mutex);
            m_Channel->cancelled = true;
            m_Channel->gameRunning = false;
            inCall = m_Channel->inCall;
        }
        if (m_Channel->wake[1] >= 0)
        {
            const char byte = 0;
            [[maybe_unused]] ssize_t ignored = write(m_Channel->wake[1], &byte, 1);
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
    m_Process.Release(m_Timings.quitGrace);
}

bool CUciAdapter::WaitFor(bool Channel::*answer, std::chrono::milliseconds timeout)
{
    if (!m_Channel)
        return false;
    std::unique_lock lock(m_Channel->mutex);
    m_Channel->changed.wait_for(lock, timeout,
                                [&] { return m_Channel.get()->*answer || m_Channel->finished; });
    return m_Channel.get()->*answer;
}

bool CUciAdapter::Quit()
{
    Write("quit\n");
    ReleaseProcess();
    return true;
}

void CUciAdapter::SetListener(IChessEngineListener* listener)
{
    m_Listener = listener;
    if (m_Channel)
    {
        std::lock_guard lock(m_Channel->mutex);
        m_Channel->listener = listener;
    }
}

bool CUciAdapter::SetColour(int32_t colour)
{
    m_PlaysWhite = colour == 2;
    return m_PlaysWhite;
}

bool CUciAdapter::Reserved()
{
    return true;
}

void CUciAdapter::Configure()
{
    // The dialog needs a widget application; a program without one has no
    // place to show it.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return;
    CUciConfigureDlg dialog(m_PlaysWhite);
    dialog.exec();
}

void CUciAdapter::ClearMoves()
{
    m_Replay.clear();
    m_Replay.shrink_to_fit();
}

void CUciAdapter::AddMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank, int32_t promotion)
{
    m_Replay.push_back(EngineMove{fromFile, fromRank, toFile, toRank, promotion});
}

void CUciAdapter::Write(const std::string& text)
{
    m_Process.Write(text);
}

bool CUciAdapter::StartGame(int32_t baseSeconds, int32_t incrementSeconds)
{
    // Each game gets a fresh engine, as the configured program of the
    // object's colour may have changed since the last one.
    Quit();
    const std::vector<EngineMove> replay = std::move(m_Replay);
    ClearMoves();
    m_BaseSeconds = baseSeconds;
    m_IncrementSeconds = std::max<int32_t>(incrementSeconds, 0);
    if (!Start())
        return true;
    Write("ucinewgame\nisready\n");
    WaitFor(&Channel::readyOk, m_Timings.readyWait);
    {
        std::lock_guard lock(m_Channel->mutex);
        m_Channel->moves.clear();
        for (const EngineMove& move : replay)
            m_Channel->moves.push_back(UciMoveText::Format(move));
        m_Channel->gameRunning = true;
    }
    const bool engineToMove = (replay.size() % 2 == 0) == m_PlaysWhite;
    if (engineToMove)
    {
        const int32_t clock = baseSeconds >= kUnlimitedBaseSeconds ? kUnlimitedClock : baseSeconds * 100;
        Go(clock, clock);
    }
    return true;
}

void CUciAdapter::Go(int32_t engineClock, int32_t opponentClock)
{
    if (!m_Channel)
        return;
    std::string text = "position startpos";
    {
        std::lock_guard lock(m_Channel->mutex);
        if (!m_Channel->moves.empty())
        {
            text += " moves";
            for (const std::string& move : m_Channel->moves)
                text += " " + move;
        }
        ++m_Channel->searches;
    }
    text += "\n";
    const bool unlimited = m_BaseSeconds >= kUnlimitedBaseSeconds ||
                           (engineClock >= kUnlimitedClock && opponentClock >= kUnlimitedClock);
    if (unlimited)
    {
        text += "go movetime " + std::to_string(m_Timings.unlimitedMoveTime.count()) + "\n";
    }
    else
    {
        // Centiseconds to milliseconds; a clock at zero still lets the engine
        // answer at once rather than read "0" as "no time given".
        const int64_t mine = std::max<int64_t>(int64_t{engineClock} * 10, 1);
        const int64_t theirs = std::max<int64_t>(int64_t{opponentClock} * 10, 1);
        const int64_t increment = int64_t{m_IncrementSeconds} * 1000;
        const int64_t white = m_PlaysWhite ? mine : theirs;
        const int64_t black = m_PlaysWhite ? theirs : mine;
        text += "go wtime " + std::to_string(white) + " btime " + std::to_string(black) + " winc " +
                std::to_string(increment) + " binc " + std::to_string(increment) + "\n";
    }
    Write(text);
}

bool CUciAdapter::OpponentMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank,
                               int32_t promotion, int32_t engineClock, int32_t opponentClock)
{
    if (!m_Channel)
        return true;
    {
        std::lock_guard lock(m_Channel->mutex);
        if (!m_Channel->gameRunning)
            return true;
        m_Channel->moves.push_back(UciMoveText::Format(EngineMove{fromFile, fromRank, toFile, toRank, promotion}));
    }
    Go(engineClock, opponentClock);
    return true;
}

bool CUciAdapter::StopGame()
{
    if (!m_Channel)
        return true;
    bool searching = false;
    {
        std::lock_guard lock(m_Channel->mutex);
        m_Channel->gameRunning = false;
        searching = m_Channel->searches > 0;
    }
    // The "bestmove" that answers "stop" is not reported.
    if (searching)
        Write("stop\n");
    return true;
}

void CUciAdapter::Destroy()
{
    Quit();
    ClearMoves();
    delete this;
}

void CUciAdapter::ReaderMain(std::shared_ptr<Channel> channel)
{
    Channel& ch = *channel;

    auto handleLine = [&ch](const std::string& line) {
        std::istringstream words(line);
        std::string command;
        words >> command;
        std::unique_lock lock(ch.mutex);
        if (command == "uciok")
            ch.uciOk = true;
        else if (command == "readyok")
            ch.readyOk = true;
        else if (command == "bestmove" && ch.searches > 0)
        {
            // Only the answer to the latest "go" counts; an earlier search's
            // answer that arrives late is stale.
            if (--ch.searches > 0)
                return true;
            std::string text;
            words >> text;
            const std::optional<EngineMove> move = UciMoveText::Parse(text);
            // "(none)", "0000" or garbage: the engine has no move, and the
            // program's rules judge the position it is left in.
            if (!ch.gameRunning || !move || ch.cancelled)
                return true;
            ch.moves.push_back(UciMoveText::Format(*move));
            ch.inCall = true;
            IChessEngineListener* listener = ch.listener;
            lock.unlock();
            if (listener != nullptr)
                listener->OnEngineMove(move->fromFile, move->fromRank, move->toFile, move->toRank, move->promotion);
            lock.lock();
            ch.inCall = false;
            return !ch.cancelled;
        }
        else
            return true;
        ch.changed.notify_all();
        return true;
    };

    CLineSplitter splitter;
    char buffer[4096];
    bool running = true;
    while (running)
    {
        pollfd fds[2] = {{ch.output, POLLIN, 0}, {ch.wake[0], POLLIN, 0}};
        const int ready = poll(fds, ch.wake[0] >= 0 ? 2 : 1, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || (fds[1].revents & (POLLIN | POLLHUP)) != 0)
            break;
        const ssize_t count = read(ch.output, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        splitter.Feed(std::string_view(buffer, static_cast<size_t>(count)), [&](const std::string& line) {
            if (running)
                running = handleLine(line);
        });
    }
    std::lock_guard lock(ch.mutex);
    ch.finished = true;
    ch.changed.notify_all();
}
