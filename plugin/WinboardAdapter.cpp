#include "WinboardAdapter.h"

#include "ConfigureDlg.h"
#include "EngineRegistry.h"
#include "EngineResult.h"
#include "IChessEngineListener.h"
#include "PluginMessages.h"
#include "RavelinTexts.h"
#include "WinboardParser.h"

#include <QApplication>

#include <mutex>

struct CWinboardAdapter::Flags
{
    std::atomic<bool> playsWhite{true};
    std::atomic<bool> waitingForGo{false};
    std::atomic<bool> gameRunning{false};

    // The moves of the running game, both sides', in order: what a restarted
    // engine is given to catch up. The reader adds the engine's own moves.
    std::mutex movesMutex;
    std::vector<EngineMove> moves;
};

// What the adapter and its reader thread share: the handshake as the reader
// has seen it.
struct CWinboardAdapter::Channel : CEngineConnection::Channel
{
    std::shared_ptr<Flags> flags;
    bool featureSeen = false;
    bool featureDone = false;
    bool noColours = false;
    bool notWinboard = false;
    std::string engineName; // its "feature myname"
};

CWinboardAdapter::CWinboardAdapter() : m_Flags(std::make_shared<Flags>()), m_Alive(std::make_shared<int>(0)) {}

CWinboardAdapter::~CWinboardAdapter()
{
    ReleaseProcess();
}

const char* CWinboardAdapter::GetName()
{
    static const std::string name = RavelinTexts::Text(RavelinTexts::IDS_ENGINE_TYPE_NAME);
    return name.c_str();
}

void CWinboardAdapter::SetEngineOverride(const std::string& commandLine, const std::string& workingDirectory)
{
    m_Override = std::make_pair(commandLine, workingDirectory);
}

bool CWinboardAdapter::PlaysWhite() const
{
    return m_Flags->playsWhite;
}

bool CWinboardAdapter::IsGameRunning() const
{
    return m_Flags->gameRunning;
}

bool CWinboardAdapter::Start()
{
    // A second Start would otherwise leave the first engine running unseen.
    if (m_Connection.IsRunning())
        Quit();
    std::string commandLine;
    std::string workingDirectory;
    if (LookUpEngine(commandLine, workingDirectory) && StartProcess(commandLine, workingDirectory))
        return true;
    CPluginMessages::Show(CPluginMessages::Kind::Error, "Error", RavelinTexts::Text(RavelinTexts::IDS_START_ERROR));
    return false;
}

bool CWinboardAdapter::LookUpEngine(std::string& commandLine, std::string& workingDirectory) const
{
    if (m_Override)
    {
        commandLine = m_Override->first;
        workingDirectory = m_Override->second;
        return !commandLine.empty();
    }
    std::string name;
    CEngineRegistry::Instance().ReadEngineOf(m_Flags->playsWhite, name, commandLine, workingDirectory);
    return !commandLine.empty();
}

bool CWinboardAdapter::StartProcess(const std::string& commandLine, const std::string& workingDirectory)
{
    ReleaseProcess();
    auto channel = std::make_shared<Channel>();
    channel->listener = m_Listener;
    channel->flags = m_Flags;
    channel->onLine = [&ch = *channel](const std::string& line) { return HandleLine(ch, line); };
    channel->onDeath = m_Connection.DeathNotice(m_Alive, channel, [this] { OnEngineDied(); });
    return m_Connection.Start(commandLine, workingDirectory, std::move(channel), m_Timings.startDelay);
}

void CWinboardAdapter::ReleaseProcess()
{
    m_Connection.Release(m_Timings.quitGrace);
}

CWinboardAdapter::Channel* CWinboardAdapter::CurrentChannel() const
{
    return static_cast<Channel*>(m_Connection.GetChannel().get());
}

bool CWinboardAdapter::Quit()
{
    Write("quit\n");
    ReleaseProcess();
    return true;
}

void CWinboardAdapter::SetListener(IChessEngineListener* listener)
{
    m_Listener = listener;
}

bool CWinboardAdapter::SetColour(int32_t colour)
{
    m_Flags->playsWhite = colour == 2;
    return m_Flags->playsWhite;
}

bool CWinboardAdapter::Reserved()
{
    return true;
}

void CWinboardAdapter::Configure()
{
    // The dialog needs a widget application; a program without one has no
    // place to show it.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return;
    CConfigureDlg dialog(m_Flags->playsWhite);
    dialog.exec();
}

void CWinboardAdapter::ClearMoves()
{
    m_Replay.clear();
    m_Replay.shrink_to_fit();
}

void CWinboardAdapter::AddMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank, int32_t promotion)
{
    m_Replay.push_back(EngineMove{fromFile, fromRank, toFile, toRank, promotion});
}

void CWinboardAdapter::Write(const std::string& text)
{
    m_Connection.Write(text);
}

void CWinboardAdapter::WritePaced(const std::string& line)
{
    std::this_thread::sleep_for(m_Timings.linePacing);
    Write(line);
}

bool CWinboardAdapter::WaitForHandshake()
{
    Channel* channel = CurrentChannel();
    if (channel == nullptr)
        return false;
    std::unique_lock lock(channel->mutex);
    const auto start = std::chrono::steady_clock::now();
    auto deadline = start + m_Timings.featureWait;
    bool extended = false;
    for (;;)
    {
        if (channel->notWinboard || channel->finished)
            return false;
        if (channel->featureDone)
            break;
        if (channel->featureSeen && !extended)
        {
            deadline = start + m_Timings.doneWait;
            extended = true;
        }
        if (channel->changed.wait_until(lock, deadline) == std::cv_status::timeout)
        {
            // No features, or no "done=1": go on like a protocol 1 interface.
            if (channel->notWinboard || channel->finished)
                return false;
            break;
        }
    }
    // "white" and "black" are protocol 1 commands. A program that speaks
    // protocol 2 has "go" for the same purpose, and some do not bear them:
    // hoichess leaves on "black" and fairymax, after its error on
    // "computer", may crash on "black". Only a program that declared no
    // features at all gets them.
    m_NoColours = channel->noColours || channel->featureSeen;
    // Fairy-Max does not know "computer" and takes it for a move; in a game
    // with no moves yet that corrupts its state, and it crashes or hangs at
    // the next "go". It makes no use of the command, so it is not sent.
    m_NoComputer = channel->engineName.rfind("Fairy-Max", 0) == 0;
    return true;
}

bool CWinboardAdapter::StartGame(int32_t baseSeconds, int32_t incrementSeconds)
{
    Quit();
    Start();
    m_BaseSeconds = baseSeconds;
    m_IncrementSeconds = incrementSeconds;
    m_Restarted = false;
    const std::vector<EngineMove> replay = std::move(m_Replay);
    ClearMoves();
    {
        std::lock_guard lock(m_Flags->movesMutex);
        m_Flags->moves = replay;
    }
    m_LastEngineClock = m_LastOpponentClock = std::to_string(baseSeconds * 100);
    OpenGame(replay, m_LastEngineClock, m_LastOpponentClock);
    return true;
}

void CWinboardAdapter::OpenGame(const std::vector<EngineMove>& replay, const std::string& engineClock,
                                const std::string& opponentClock)
{
    const bool engineToMove = (replay.size() % 2 == 0) == m_Flags->playsWhite.load();
    m_Flags->waitingForGo = !engineToMove;
    m_Flags->gameRunning = true;
    m_NoColours = false;
    m_NoComputer = false;

    Write("xboard\n");
    WritePaced("protover 2\n");
    if (m_Connection.IsRunning() && !WaitForHandshake())
    {
        // It ended at once or is not a WinBoard engine: the same failure as a
        // start that did not succeed, and no process is left behind.
        ReleaseProcess();
        CPluginMessages::Show(CPluginMessages::Kind::Error, "Error", RavelinTexts::Text(RavelinTexts::IDS_START_ERROR));
    }
    WritePaced("new\n");
    WritePaced("random\n");
    WritePaced("level 0 " + CWinboardParser::LevelTimeText(m_BaseSeconds) + " " + std::to_string(m_IncrementSeconds) +
               "\n");
    WritePaced("hard\n");
    WritePaced("force\n");
    for (const EngineMove& move : replay)
        WritePaced(CWinboardParser::MoveText(move));
    if (!m_NoComputer)
        WritePaced("computer\n");
    if (engineToMove)
    {
        const std::string clocks = "time " + engineClock + "\notim " + opponentClock + "\n";
        if (m_NoColours)
            WritePaced(clocks + "go\n");
        else if (m_Flags->playsWhite)
            WritePaced("black\n" + clocks + "white\ngo\n");
        else
            WritePaced(clocks + "black\ngo\n");
    }
}

void CWinboardAdapter::OnEngineDied()
{
    // Between games a dead engine does no harm: the next game starts a new one.
    if (!m_Flags->gameRunning)
        return;
    ReleaseProcess();
    // The game goes on with a fresh engine that is given the moves so far,
    // once per game. An engine that dies again (or cannot be started) cannot
    // play this game: it is reported as resigning, which ends the game in the
    // window with a message and stops the clocks. The game's record is kept,
    // and Start Game resumes it with a new engine.
    if (!m_Restarted)
    {
        m_Restarted = true;
        Start();
        if (m_Connection.IsRunning())
        {
            std::vector<EngineMove> moves;
            {
                std::lock_guard lock(m_Flags->movesMutex);
                moves = m_Flags->moves;
            }
            OpenGame(moves, m_LastEngineClock, m_LastOpponentClock);
            if (m_Connection.IsRunning())
                return;
        }
    }
    m_Flags->gameRunning = false;
    ReleaseProcess();
    if (m_Listener != nullptr)
        m_Listener->OnEngineResult(ENGINE_RESULT_RESIGNS);
}

bool CWinboardAdapter::OpponentMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank,
                                    int32_t promotion, int32_t engineClock, int32_t opponentClock)
{
    const bool wasWaiting = m_Flags->waitingForGo.exchange(false);
    m_LastEngineClock = std::to_string(engineClock);
    m_LastOpponentClock = std::to_string(opponentClock);
    if (m_Flags->gameRunning)
    {
        std::lock_guard lock(m_Flags->movesMutex);
        m_Flags->moves.push_back(EngineMove{fromFile, fromRank, toFile, toRank, promotion});
    }
    Write("time " + std::to_string(engineClock) + "\notim " + std::to_string(opponentClock) + "\n");
    Write(CWinboardParser::MoveText(EngineMove{fromFile, fromRank, toFile, toRank, promotion}));
    if (wasWaiting)
    {
        if (m_NoColours)
            Write("go\n");
        else
            Write(m_Flags->playsWhite ? "white\ngo\n" : "black\ngo\n");
    }
    return true;
}

bool CWinboardAdapter::StopGame()
{
    m_Flags->gameRunning = false;
    Write("result * {Unfinished}\nforce\n");
    return true;
}

void CWinboardAdapter::Destroy()
{
    Quit();
    ClearMoves();
    delete this;
}

bool CWinboardAdapter::HandleLine(Channel& ch, const std::string& line)
{
    Flags& flags = *ch.flags;
    const WinboardLine parsed = CWinboardParser::ParseLine(line, flags.playsWhite);
    switch (parsed.kind)
    {
    case WinboardLine::Kind::Move:
        if (flags.gameRunning && !flags.waitingForGo)
        {
            const EngineMove m = parsed.move;
            {
                std::lock_guard lock(flags.movesMutex);
                flags.moves.push_back(m);
            }
            return ch.Deliver([&m](IChessEngineListener& listener) {
                listener.OnEngineMove(m.fromFile, m.fromRank, m.toFile, m.toRank, m.promotion);
            });
        }
        return true;
    case WinboardLine::Kind::Result:
        if (flags.gameRunning)
            return ch.Deliver([&parsed](IChessEngineListener& listener) { listener.OnEngineResult(parsed.result); });
        return true;
    case WinboardLine::Kind::Feature:
    {
        std::lock_guard lock(ch.mutex);
        ch.featureSeen = true;
        ch.featureDone = ch.featureDone || parsed.featureDone;
        ch.noColours = ch.noColours || parsed.featureNoColours;
        if (!parsed.featureName.empty())
            ch.engineName = parsed.featureName;
        ch.changed.notify_all();
        return true;
    }
    case WinboardLine::Kind::NotWinboard:
    {
        std::lock_guard lock(ch.mutex);
        if (!ch.featureSeen)
            ch.notWinboard = true;
        ch.changed.notify_all();
        return true;
    }
    case WinboardLine::Kind::Other: return true;
    }
    return true;
}
