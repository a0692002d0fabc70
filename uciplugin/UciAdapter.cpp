#include "UciAdapter.h"

#include "EngineResult.h"
#include "IChessEngineListener.h"
#include "PluginMessages.h"
#include "UciConfigureDlg.h"
#include "UciMoveText.h"
#include "UciRegistry.h"
#include "UciTexts.h"

#include <QApplication>

#include <algorithm>
#include <mutex>
#include <sstream>

// What the adapter and its reader thread share: the engine's answers and the
// game as the reader has seen it.
struct CUciAdapter::Channel : CEngineConnection::Channel
{
    bool uciOk = false;
    bool readyOk = false;
    bool gameRunning = false;
    int searches = 0; // "go"s still waiting for their "bestmove", answered in order
    // The game's moves in UCI notation, the engine's own included.
    std::vector<std::string> moves;
};

CUciAdapter::CUciAdapter() : m_Alive(std::make_shared<int>(0)) {}

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
    Channel* const channel = CurrentChannel();
    if (channel == nullptr)
        return false;
    std::lock_guard lock(channel->mutex);
    return channel->gameRunning;
}

bool CUciAdapter::Start()
{
    // A second Start would otherwise leave the first engine running unseen.
    if (m_Connection.IsRunning())
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
    auto channel = std::make_shared<Channel>();
    channel->listener = m_Listener;
    channel->onLine = [&ch = *channel](const std::string& line) { return HandleLine(ch, line); };
    channel->onDeath = m_Connection.DeathNotice(m_Alive, channel, [this] { OnEngineDied(); });
    return m_Connection.Start(commandLine, workingDirectory, std::move(channel), std::chrono::milliseconds(0));
}

void CUciAdapter::ReleaseProcess()
{
    if (Channel* channel = CurrentChannel())
    {
        std::lock_guard lock(channel->mutex);
        channel->gameRunning = false;
    }
    m_Connection.Release(m_Timings.quitGrace);
}

CUciAdapter::Channel* CUciAdapter::CurrentChannel() const
{
    return static_cast<Channel*>(m_Connection.GetChannel().get());
}

bool CUciAdapter::WaitFor(bool Channel::*answer, std::chrono::milliseconds timeout)
{
    Channel* channel = CurrentChannel();
    if (channel == nullptr)
        return false;
    std::unique_lock lock(channel->mutex);
    channel->changed.wait_for(lock, timeout, [&] { return channel->*answer || channel->finished; });
    return channel->*answer;
}

bool CUciAdapter::Quit()
{
    Write("quit\n");
    ReleaseProcess();
    return true;
}

void CUciAdapter::SetListener(IChessEngineListener* listener)
{
    Channel* const channel = CurrentChannel();
    m_Listener = listener;
    if (channel != nullptr)
    {
        std::lock_guard lock(channel->mutex);
        channel->listener = listener;
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
    m_Connection.Write(text);
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
    m_Restarted = false;
    if (!Start())
        return true;
    Write("ucinewgame\nisready\n");
    WaitFor(&Channel::readyOk, m_Timings.readyWait);
    {
        Channel* const channel = CurrentChannel();
        std::lock_guard lock(channel->mutex);
        channel->moves.clear();
        for (const EngineMove& move : replay)
            channel->moves.push_back(UciMoveText::Format(move));
        channel->gameRunning = true;
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
    Channel* const channel = CurrentChannel();
    if (channel == nullptr)
        return;
    m_LastEngineClock = engineClock;
    m_LastOpponentClock = opponentClock;
    std::string text = "position startpos";
    {
        std::lock_guard lock(channel->mutex);
        if (!channel->moves.empty())
        {
            text += " moves";
            for (const std::string& move : channel->moves)
                text += " " + move;
        }
        ++channel->searches;
    }
    text += "\n";
    const bool unlimited =
        m_BaseSeconds >= kUnlimitedBaseSeconds || (engineClock >= kUnlimitedClock && opponentClock >= kUnlimitedClock);
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

bool CUciAdapter::OpponentMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank, int32_t promotion,
                               int32_t engineClock, int32_t opponentClock)
{
    Channel* const channel = CurrentChannel();
    if (channel == nullptr)
        return true;
    {
        std::lock_guard lock(channel->mutex);
        if (!channel->gameRunning)
            return true;
        channel->moves.push_back(UciMoveText::Format(EngineMove{fromFile, fromRank, toFile, toRank, promotion}));
    }
    Go(engineClock, opponentClock);
    return true;
}

void CUciAdapter::OnEngineDied()
{
    std::vector<std::string> moves;
    bool searching = false;
    {
        Channel* const dead = CurrentChannel();
        std::lock_guard lock(dead->mutex);
        // Between games a dead engine does no harm: the next game starts a new one.
        if (!dead->gameRunning)
            return;
        moves = dead->moves;
        searching = dead->searches > 0;
    }
    ReleaseProcess();
    // The game goes on with a fresh engine, once per game; it is given the
    // moves so far and, if it was searching, the search again. An engine
    // that dies again (or cannot be started) is reported as resigning, which
    // ends the game in the window with a message and stops the clocks.
    if (!m_Restarted)
    {
        m_Restarted = true;
        if (Start())
        {
            Write("ucinewgame\nisready\n");
            WaitFor(&Channel::readyOk, m_Timings.readyWait);
            Channel* const fresh = CurrentChannel();
            {
                std::lock_guard lock(fresh->mutex);
                fresh->moves = std::move(moves);
                fresh->gameRunning = true;
            }
            if (searching)
                Go(m_LastEngineClock, m_LastOpponentClock);
            return;
        }
    }
    if (m_Listener != nullptr)
        m_Listener->OnEngineResult(ENGINE_RESULT_RESIGNS);
}

bool CUciAdapter::StopGame()
{
    Channel* const channel = CurrentChannel();
    if (channel == nullptr)
        return true;
    bool searching = false;
    {
        std::lock_guard lock(channel->mutex);
        channel->gameRunning = false;
        searching = channel->searches > 0;
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

bool CUciAdapter::HandleLine(Channel& ch, const std::string& line)
{
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
        lock.unlock();
        const EngineMove m = *move;
        return ch.Deliver([&m](IChessEngineListener& listener) {
            listener.OnEngineMove(m.fromFile, m.fromRank, m.toFile, m.toRank, m.promotion);
        });
    }
    else
        return true;
    ch.changed.notify_all();
    return true;
}
