#include "EngineAdapter.h"

#include "ConfigureDlg.h"
#include "EngineList.h"
#include "EngineResult.h"
#include "EngineWorker.h"
#include "IChessEngineListenerEx.h"
#include "PluginMessages.h"

#include <QApplication>

#include <algorithm>
#include <utility>

namespace
{
// Destroy lets the engine's thread finish the quit this long before it
// returns, so that the engine has been handed to the reaper when the program
// goes on (and ends) without it.
constexpr std::chrono::milliseconds kFinishWait{200};
// The slices in which the engine's thread waits, looking for a call-off.
constexpr std::chrono::milliseconds kWaitSlice{20};

// Whether White moves first in a FEN ("... w ..."); true for anything else.
bool WhiteStartsIn(const std::string& fen)
{
    const size_t space = fen.find(' ');
    return space == std::string::npos || space + 1 >= fen.size() || fen[space + 1] != 'b';
}
} // namespace

CEngineAdapter::CEngineAdapter(CEngineList& engines)
    : m_Engines(engines), m_Worker(CEngineWorker::Create()),
      m_Listeners(std::make_shared<CListenerSlot>(static_cast<IChessEngine*>(this))),
      m_Game(std::make_shared<EngineGame>())
{
    m_Self = std::shared_ptr<CEngineAdapter>(this, [](CEngineAdapter* adapter) { delete adapter; });
    m_WeakSelf = m_Self;
}

CEngineAdapter::~CEngineAdapter()
{
    ReleaseProcess();
}

// ---------------------------------------------------------------------------
// The user-interface thread

void CEngineAdapter::Post(std::function<void(CEngineAdapter&)> task)
{
    const uint64_t epoch = m_Abort.load();
    m_Worker->Post([self = m_Self, epoch, task = std::move(task)] {
        self->m_TaskEpoch = epoch;
        task(*self);
    });
}

void CEngineAdapter::CallOff()
{
    ++m_Abort;
}

void CEngineAdapter::SetTimings(const Timings& timings)
{
    m_Timings = timings;
}

void CEngineAdapter::SetEngineOverride(const std::string& commandLine, const std::string& workingDirectory,
                                       const std::string& listName)
{
    m_Override = EngineConfig{listName, commandLine, workingDirectory, {}};
}

CEngineAdapter::EngineConfig CEngineAdapter::ReadConfig() const
{
    EngineConfig config;
    if (m_Override)
        config = *m_Override;
    else
        m_Engines.ReadEngineOf(m_PlaysWhite, config.listName, config.commandLine, config.workingDirectory);
    if (!config.listName.empty())
        config.options = m_Engines.ReadOptionValues(config.listName);
    return config;
}

void CEngineAdapter::PostLaunch(const EngineConfig& config)
{
    // A start of another engine calls off one still in progress; the same
    // engine asked for again is kept (and reported ready again).
    if (!m_LastLaunch || !(*m_LastLaunch == config))
        CallOff();
    m_LastLaunch = config;
}

bool CEngineAdapter::Start()
{
    const EngineConfig config = ReadConfig();
    if (config.commandLine.empty())
    {
        CPluginMessages::Show(CPluginMessages::Kind::Error, "Error", FailureText(ENGINE_FAILURE_START));
        return false;
    }
    PostLaunch(config);
    Post([config](CEngineAdapter& adapter) { adapter.Launch(config, true); });
    return true;
}

void CEngineAdapter::StartAsync()
{
    const EngineConfig config = ReadConfig();
    PostLaunch(config);
    Post([config](CEngineAdapter& adapter) {
        if (config.commandLine.empty())
            adapter.ReportFailure(ENGINE_FAILURE_START, adapter.FailureText(ENGINE_FAILURE_START));
        else
            adapter.Launch(config, true);
    });
}

void CEngineAdapter::EndReports()
{
    std::lock_guard lock(m_Game->mutex);
    m_Game->running = false;
    m_Game->expectingMove = false;
    ++m_Game->stops;
}

bool CEngineAdapter::Quit()
{
    // What was asked for before still happens, in order, and then the quit.
    m_LastLaunch.reset();
    EndReports();
    Post([](CEngineAdapter& adapter) { adapter.QuitProcess(); });
    return true;
}

void CEngineAdapter::SetListener(IChessEngineListener* listener)
{
    m_Listeners->SetListener(listener);
}

bool CEngineAdapter::SetColour(int32_t colour)
{
    m_PlaysWhite = colour == 2;
    return m_PlaysWhite;
}

bool CEngineAdapter::Reserved()
{
    return true;
}

void CEngineAdapter::Configure()
{
    // The dialog needs a widget application; a program without one has no
    // place to show it.
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return;
    CConfigureDlg dialog(m_Engines, m_PlaysWhite);
    dialog.exec();
}

void CEngineAdapter::ClearMoves()
{
    m_Replay.clear();
    m_Replay.shrink_to_fit();
}

void CEngineAdapter::AddMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank, int32_t promotion)
{
    m_Replay.push_back(EngineMove{fromFile, fromRank, toFile, toRank, promotion});
}

bool CEngineAdapter::StartGame(int32_t baseSeconds, int32_t incrementSeconds)
{
    GameSetup setup;
    setup.fen = m_StartFen;
    setup.baseSeconds = std::max<int32_t>(baseSeconds, 0);
    setup.incrementSeconds = std::max<int32_t>(incrementSeconds, 0);
    setup.moveSeconds = baseSeconds >= kUnlimitedBaseSeconds ? m_SecondsPerMove : 0;
    setup.ponder = m_Ponder;
    setup.bughouse = m_Bughouse;
    setup.holdings = std::exchange(m_Holdings, std::string());
    std::vector<EngineMove> moves = std::move(m_Replay);
    ClearMoves();
    if (!setup.bughouse)
        std::erase_if(moves, [](const EngineMove& move) { return move.IsDrop(); });
    const EngineConfig config = ReadConfig();
    PostLaunch(config);
    uint64_t stops = 0;
    {
        std::lock_guard lock(m_Game->mutex);
        m_Game->running = true;
        m_Game->expectingMove = false;
        stops = m_Game->stops;
    }
    Post([config, setup, moves = std::move(moves), stops](CEngineAdapter& adapter) mutable {
        adapter.OpenNewGame(config, setup, std::move(moves), stops);
    });
    return true;
}

bool CEngineAdapter::OpponentMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank, int32_t promotion,
                                  int32_t engineClock, int32_t opponentClock)
{
    const EngineMove move{fromFile, fromRank, toFile, toRank, promotion};
    Post([move, engineClock, opponentClock](CEngineAdapter& adapter) {
        adapter.TakeOpponentMove(move, engineClock, opponentClock);
    });
    return true;
}

void CEngineAdapter::TakeOpponentMove(const EngineMove& move, int32_t engineClock, int32_t opponentClock)
{
    {
        std::lock_guard lock(m_Game->mutex);
        if (!m_Game->running)
            return;
        m_Game->moves.push_back(move);
    }
    m_LastEngineClock = engineClock;
    m_LastOpponentClock = opponentClock;
    if (m_Connection.IsRunning())
        PassOpponentMove(move, engineClock, opponentClock);
}

bool CEngineAdapter::SetVariant(const char* variant)
{
    const std::string name = variant != nullptr ? variant : "";
    if (name.empty() || name == kEngineVariantNormal)
    {
        m_Bughouse = false;
        return true;
    }
    if (name != kEngineVariantBughouse)
        return false;
    m_Bughouse = true;
    return !m_CapabilitiesKnown || (m_Capabilities & ENGINE_CAN_BUGHOUSE) != 0;
}

void CEngineAdapter::AddDrop(int32_t piece, int32_t file, int32_t rank)
{
    EngineMove move{file, rank, file, rank, 0};
    move.drop = std::clamp<int32_t>(piece, 0, 4);
    m_Replay.push_back(move);
}

bool CEngineAdapter::OpponentDrop(int32_t piece, int32_t file, int32_t rank, int32_t engineClock, int32_t opponentClock)
{
    // Drops belong to bughouse games only.
    if (!m_Bughouse || piece < 0 || piece > 4 || file < 0 || file > 7 || rank < 0 || rank > 7)
        return false;
    EngineMove move{file, rank, file, rank, 0};
    move.drop = piece;
    Post([move, engineClock, opponentClock](CEngineAdapter& adapter) {
        adapter.TakeOpponentMove(move, engineClock, opponentClock);
    });
    return true;
}

void CEngineAdapter::SetHoldings(const char* holdings)
{
    std::string text = holdings != nullptr ? holdings : "";
    if (text.size() > 256)
        text.resize(256);
    m_Holdings = text;
    Post([text](CEngineAdapter& adapter) {
        adapter.m_Setup.holdings = text;
        bool running = false;
        {
            std::lock_guard lock(adapter.m_Game->mutex);
            running = adapter.m_Game->running;
        }
        if (running && adapter.m_GameOpen && adapter.m_Setup.bughouse && adapter.m_Connection.IsRunning())
            adapter.HoldingsChanged();
    });
}

bool CEngineAdapter::StopGame()
{
    GameOver(-1, "Unfinished");
    return true;
}

void CEngineAdapter::GameOver(int32_t result, const char* reason)
{
    // From now on nothing of this game is reported, whatever is still on
    // its way from the engine.
    EndReports();
    const std::string text = reason != nullptr ? reason : "";
    const int32_t code = result >= ENGINE_RESULT_WHITE_WINS && result <= ENGINE_RESULT_DRAW ? result : -1;
    Post([code, text](CEngineAdapter& adapter) {
        adapter.DropExpectedMove();
        if (adapter.m_Connection.IsRunning())
            adapter.GameEnded(code, text);
        adapter.m_GameOpen = false;
    });
}

void CEngineAdapter::Destroy()
{
    CallOff();
    m_Listeners->Close();
    EndReports();
    Post([](CEngineAdapter& adapter) { adapter.QuitProcess(); });
    m_Worker->Finish(kFinishWait);
    // The object goes with the last reference: here, or on the engine's
    // thread after its last task.
    std::shared_ptr<CEngineAdapter> self = std::move(m_Self);
    self.reset();
}

int32_t CEngineAdapter::GetVersion()
{
    return kChessEngineExVersion;
}

void CEngineAdapter::SetListenerEx(IChessEngineListenerEx* listener)
{
    m_Listeners->SetListenerEx(listener);
}

void CEngineAdapter::KeepEngineForColour()
{
    if (m_Override || !m_LastLaunch || m_LastLaunch->listName.empty())
        return;
    m_Engines.OpenEnginesKey();
    m_Engines.WriteString(CEngineList::SelectionValue(m_PlaysWhite), m_LastLaunch->listName);
}

bool CEngineAdapter::SetStartPosition(const char* fen)
{
    m_StartFen = fen != nullptr ? fen : "";
    if (m_StartFen.empty())
        return true;
    return !m_CapabilitiesKnown || (m_Capabilities & ENGINE_CAN_SET_POSITION) != 0;
}

void CEngineAdapter::SetTimePerMove(int32_t seconds)
{
    m_SecondsPerMove = std::clamp<int32_t>(seconds, 1, 24 * 3600);
    Post([seconds = m_SecondsPerMove](CEngineAdapter& adapter) {
        if (adapter.m_Setup.moveSeconds > 0)
            adapter.m_Setup.moveSeconds = seconds;
    });
}

void CEngineAdapter::SetPondering(bool on)
{
    m_Ponder = on;
    Post([on](CEngineAdapter& adapter) {
        if (adapter.m_Setup.ponder == on)
            return;
        adapter.m_Setup.ponder = on;
        bool running = false;
        {
            std::lock_guard lock(adapter.m_Game->mutex);
            running = adapter.m_Game->running;
        }
        if (running && adapter.m_Connection.IsRunning())
            adapter.PonderingChanged();
    });
}

void CEngineAdapter::TakeBackTo(int32_t plies)
{
    {
        std::lock_guard lock(m_Game->mutex);
        m_Game->expectingMove = false;
    }
    Post([plies](CEngineAdapter& adapter) {
        adapter.DropExpectedMove();
        if (!adapter.m_Connection.IsRunning())
            return;
        adapter.StopSearch();
        {
            std::lock_guard lock(adapter.m_Game->mutex);
            const size_t keep = static_cast<size_t>(std::max<int32_t>(plies, 0));
            if (keep >= adapter.m_Game->moves.size())
                return;
            adapter.m_Game->moves.resize(keep);
        }
        adapter.GameCutBack();
    });
}

void CEngineAdapter::StopThinking()
{
    {
        std::lock_guard lock(m_Game->mutex);
        m_Game->expectingMove = false;
    }
    Post([](CEngineAdapter& adapter) {
        adapter.DropExpectedMove();
        if (adapter.m_Connection.IsRunning())
            adapter.StopSearch();
    });
}

bool CEngineAdapter::Go(int32_t engineClock, int32_t opponentClock)
{
    {
        std::lock_guard lock(m_Game->mutex);
        if (!m_Game->running)
            return false;
    }
    Post([engineClock, opponentClock](CEngineAdapter& adapter) { adapter.SearchIfToMove(engineClock, opponentClock); });
    return true;
}

bool CEngineAdapter::IsGameRunning() const
{
    std::lock_guard lock(m_Game->mutex);
    return m_Game->running;
}

bool CEngineAdapter::WaitUntilIdle(std::chrono::milliseconds timeout)
{
    return m_Worker->WaitUntilIdle(timeout);
}

std::vector<EngineOption> CEngineAdapter::DeclaredOptions() const
{
    std::lock_guard lock(m_IdentityMutex);
    return m_Identity.options;
}

std::string CEngineAdapter::EngineName() const
{
    std::lock_guard lock(m_IdentityMutex);
    return m_Identity.name;
}

// ---------------------------------------------------------------------------
// The engine's thread

void CEngineAdapter::Write(const std::string& text)
{
    m_Connection.Write(text);
}

void CEngineAdapter::WritePaced(const std::string& line)
{
    if (m_FirstGame)
        Pause(m_Timings.linePacing);
    Write(line);
}

bool CEngineAdapter::Pause(std::chrono::milliseconds time)
{
    const auto end = std::chrono::steady_clock::now() + time;
    for (;;)
    {
        if (CalledOff())
            return false;
        const auto now = std::chrono::steady_clock::now();
        if (now >= end)
            return true;
        std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(end - now, kWaitSlice));
    }
}

bool CEngineAdapter::WaitForChannel(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    CEngineChannel* channel = Channel();
    if (channel == nullptr)
        return false;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock lock(channel->mutex);
    while (!done())
    {
        const auto now = std::chrono::steady_clock::now();
        if (channel->finished || channel->dead || CalledOff() || now >= deadline)
            return false;
        channel->changed.wait_for(lock, std::min<std::chrono::steady_clock::duration>(deadline - now, kWaitSlice));
    }
    return true;
}

CEngineChannel* CEngineAdapter::Channel() const
{
    return static_cast<CEngineChannel*>(m_Connection.GetChannel().get());
}

void CEngineAdapter::DropExpectedMove()
{
    // A search asked for by a task that ran after the user-interface thread
    // had called the move off is called off here as well.
    std::lock_guard lock(m_Game->mutex);
    m_Game->expectingMove = false;
}

std::vector<EngineMove> CEngineAdapter::GameMoves() const
{
    std::lock_guard lock(m_Game->mutex);
    return m_Game->moves;
}

bool CEngineAdapter::EngineToMove() const
{
    std::lock_guard lock(m_Game->mutex);
    return m_Game->EngineToMoveAfter(m_Game->moves.size());
}

bool CEngineAdapter::EnginePlaysWhite() const
{
    std::lock_guard lock(m_Game->mutex);
    return m_Game->playsWhite;
}

void CEngineAdapter::SendQuit()
{
    Write("quit\n");
}

void CEngineAdapter::ReleaseProcess()
{
    m_Connection.Release(m_Timings.quitGrace);
    m_Pid = -1;
}

void CEngineAdapter::QuitProcess()
{
    if (m_Connection.IsRunning())
        SendQuit();
    ReleaseProcess();
    m_Running.reset();
    m_GameOpen = false;
}

bool CEngineAdapter::StartProcess(const EngineConfig& config)
{
    QuitProcess();
    std::shared_ptr<CEngineChannel> channel = MakeChannel(m_Game, m_Listeners);
    std::weak_ptr<CEngineWorker> worker = m_Worker;
    std::weak_ptr<CEngineAdapter> self = m_WeakSelf;
    channel->toAdapter = [worker, self](CEngineChannel::Job job) {
        if (const std::shared_ptr<CEngineWorker> thread = worker.lock())
            thread->Post([self, job = std::move(job)] {
                if (const std::shared_ptr<CEngineAdapter> adapter = self.lock())
                {
                    adapter->m_TaskEpoch = adapter->m_Abort.load();
                    job(*adapter);
                }
            });
    };
    // The news names its channel by a weak reference, not its address: a
    // channel let go of before the news is read may be freed and a new one
    // made at the same address, which is another engine.
    channel->onDeath = [toAdapter = channel->toAdapter, ended = std::weak_ptr<CEngineChannel>(channel)] {
        toAdapter([ended](CEngineAdapter& adapter) {
            if (const std::shared_ptr<CEngineChannel> held = ended.lock())
                adapter.OnEngineDied(held.get());
        });
    };
    if (!m_Connection.Start(config.commandLine, config.workingDirectory, channel))
        return false;
    m_Pid = m_Connection.Pid();
    m_FirstGame = true;
    EngineIdentity identity;
    if (!Pause(m_Timings.startDelay) || !Handshake(identity))
    {
        // It ended at once, does not speak the protocol, or was called off:
        // nothing is left behind.
        ReleaseProcess();
        return false;
    }
    if (identity.name.empty())
        identity.name = config.listName;
    SendOptions(identity.options, config.options);
    m_Capabilities = identity.capabilities;
    m_CapabilitiesKnown = true;
    {
        std::lock_guard lock(m_IdentityMutex);
        m_Identity = std::move(identity);
    }
    m_Running = config;
    return true;
}

void CEngineAdapter::Launch(const EngineConfig& config, bool reportIfRunning)
{
    if (CalledOff())
        return;
    bool alive = false;
    if (CEngineChannel* channel = Channel(); channel != nullptr && m_Connection.IsRunning())
    {
        std::lock_guard lock(channel->mutex);
        alive = !channel->dead && !channel->finished;
    }
    if (alive && m_Running == config)
    {
        if (reportIfRunning)
            ReportReady();
        return;
    }
    if (StartProcess(config))
        ReportReady();
    else if (!CalledOff())
        ReportFailure(ENGINE_FAILURE_START, FailureText(ENGINE_FAILURE_START));
}

void CEngineAdapter::OpenNewGame(const EngineConfig& config, const GameSetup& setup, std::vector<EngineMove> moves,
                                 uint64_t stops)
{
    auto endReportsUnlessStopped = [&] {
        std::lock_guard lock(m_Game->mutex);
        if (m_Game->stops == stops)
            m_Game->running = false;
    };
    if (CalledOff())
        return;
    // An engine that does not run, or runs another configuration, is
    // started first; one that runs the same is kept for the new game.
    Launch(config, false);
    if (!m_Connection.IsRunning())
    {
        endReportsUnlessStopped();
        return;
    }
    // A game that was never ended gives way to the new one.
    if (m_GameOpen)
        StopSearch();
    m_Setup = setup;
    m_Restarted = false;
    {
        // The game is opened in the engine even when a Quit or StopGame came
        // after StartGame (their own lines follow), but then reports nothing.
        std::lock_guard lock(m_Game->mutex);
        m_Game->moves = std::move(moves);
        m_Game->playsWhite = m_PlaysWhite;
        m_Game->whiteStarts = WhiteStartsIn(setup.fen);
        m_Game->standardStart = setup.fen.empty() && !setup.bughouse;
        m_Game->expectingMove = false;
    }
    const int32_t clock = setup.moveSeconds > 0 ? kUnlimitedClock : setup.baseSeconds * 100;
    m_LastEngineClock = m_LastOpponentClock = clock;
    // An engine that did not declare the variant is told nothing of the game.
    if (setup.bughouse && (m_Capabilities & ENGINE_CAN_BUGHOUSE) == 0)
    {
        endReportsUnlessStopped();
        ReportFailure(ENGINE_FAILURE_VARIANT, FailureText(ENGINE_FAILURE_VARIANT));
        return;
    }
    if (!OpenGame(m_FirstGame))
    {
        endReportsUnlessStopped();
        ReportFailure(ENGINE_FAILURE_POSITION, FailureText(ENGINE_FAILURE_POSITION));
        return;
    }
    m_GameOpen = true;
    // Its search is asked for even then, in order: its move is not reported.
    SearchIfToMove(clock, clock, true);
    m_FirstGame = false;
}

void CEngineAdapter::SearchIfToMove(int32_t engineClock, int32_t opponentClock, bool evenIfStopped)
{
    {
        std::lock_guard lock(m_Game->mutex);
        if ((!m_Game->running && !evenIfStopped) || m_Game->expectingMove ||
            !m_Game->EngineToMoveAfter(m_Game->moves.size()))
            return;
    }
    if (!m_Connection.IsRunning())
        return;
    m_LastEngineClock = engineClock;
    m_LastOpponentClock = opponentClock;
    Search(engineClock, opponentClock);
}

void CEngineAdapter::OnEngineDied(const CEngineConnection::Channel* channel)
{
    // News of an engine let go of since is old news.
    if (channel == nullptr || channel != m_Connection.GetChannel().get())
        return;
    bool running = false;
    {
        std::lock_guard lock(m_Game->mutex);
        running = m_Game->running;
        m_Game->expectingMove = false;
    }
    const std::optional<EngineConfig> config = m_Running;
    ReleaseProcess();
    m_Running.reset();
    m_GameOpen = false;
    // Between games a dead engine does no harm: the next game starts a new one.
    if (!running)
        return;
    // The game goes on with a fresh engine that is given the moves so far,
    // once per game; it searches again if it was its turn. An engine that
    // dies again (or cannot be started) cannot play this game.
    if (!m_Restarted && config)
    {
        m_Restarted = true;
        if (StartProcess(*config) && OpenGame(true))
        {
            m_GameOpen = true;
            SearchIfToMove(m_LastEngineClock, m_LastOpponentClock);
            m_FirstGame = false;
            return;
        }
    }
    {
        std::lock_guard lock(m_Game->mutex);
        m_Game->running = false;
    }
    ReleaseProcess();
    m_Running.reset();
    ReportFailure(ENGINE_FAILURE_DIED, FailureText(ENGINE_FAILURE_DIED));
}

void CEngineAdapter::ReportReady()
{
    const CListenerSlot::Targets targets = m_Listeners->Get();
    if (targets.listenerEx == nullptr || CalledOff())
        return;
    std::string name;
    {
        std::lock_guard lock(m_IdentityMutex);
        name = m_Identity.name;
    }
    CEngineWorker::InCall call(*m_Worker);
    targets.listenerEx->OnEngineReady(targets.source, name.c_str(), m_Capabilities.load());
}

void CEngineAdapter::ReportFailure(int32_t reason, const std::string& text)
{
    const CListenerSlot::Targets targets = m_Listeners->Get();
    CEngineWorker::InCall call(*m_Worker);
    if (targets.listenerEx != nullptr)
        targets.listenerEx->OnEngineFailed(targets.source, reason, text.c_str());
    else if (reason == ENGINE_FAILURE_DIED)
    {
        // Through the plain interface an engine that cannot play on resigns,
        // which ends the game in the window with a message.
        if (targets.listener != nullptr)
            targets.listener->OnEngineResult(ENGINE_RESULT_RESIGNS);
    }
    else if (targets.source != nullptr)
        CPluginMessages::ShowLater(CPluginMessages::Kind::Error, "Error", text);
}
