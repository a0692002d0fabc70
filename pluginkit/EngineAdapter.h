#pragma once

#include "EngineChannel.h"
#include "EngineConnection.h"
#include "EngineMove.h"
#include "EngineOption.h"
#include "IChessEngine.h"
#include "IChessEngineEx.h"
#include "ListenerSlot.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

class CEngineList;
class CEngineWorker;

// The engine object of a plug-in, whatever protocol its engines speak: it
// runs the engine configured for its colour as a child process and plays the
// program's game in it. What every protocol does alike lives here: the
// colour, the listeners, the clocks and the game so far, start and quit,
// keeping the engine across games and takebacks, and a second start of an
// engine that dies during a game. A derived class writes its protocol's
// lines and reads the engine's (its CEngineChannel).
//
// The operations are called on the program's user-interface thread and never
// wait for the engine: each becomes a task on the engine's own thread
// (CEngineWorker), which writes to the engine and waits for its answers. The
// object is deleted by Destroy, or, when a task is still running then, by the
// engine's thread once the last task has ended.
class CEngineAdapter : public IChessEngine, public IChessEngineEx
{
public:
    enum class Side
    {
        White,
        Black
    };

    // The waits of the adapter; tests shorten them.
    struct Timings
    {
        // After the process is made, before anything is written to it.
        std::chrono::milliseconds startDelay{100};
        // How long a program that has not answered at all is given to begin
        // its answer to the opening lines (WinBoard "feature"; hoichess
        // loads its book and tables first, which takes over a second on a
        // busy machine).
        std::chrono::milliseconds firstAnswerWait{2000};
        // How long the engine is given to finish its handshake once it has
        // begun it ("done=1", "uciok", "readyok").
        std::chrono::milliseconds handshakeWait{5000};
        // Between the lines of the first game after a start: gnuchess loses
        // lines that arrive in one burst while it starts up.
        std::chrono::milliseconds linePacing{10};
        // After "quit", before the process is ended by force.
        std::chrono::milliseconds quitGrace{2000};
        // The shortest time between two thinking lines passed on.
        std::chrono::milliseconds thinkingInterval{100};
    };

    // The base time and clocks the program gives a game with no time limit.
    static constexpr int32_t kUnlimitedBaseSeconds = 100000;
    static constexpr int32_t kUnlimitedClock = 10000000;
    // The thinking time of a move in such a game until SetTimePerMove.
    static constexpr int32_t kDefaultSecondsPerMove = 5;

    // IChessEngine (GetName is the protocol's).
    bool Start() override;
    bool Quit() override;
    void SetListener(IChessEngineListener* listener) override;
    bool SetColour(int32_t colour) override;
    bool Reserved() override;
    void Configure() override;
    void ClearMoves() override;
    void AddMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank, int32_t promotion) override;
    bool StartGame(int32_t baseSeconds, int32_t incrementSeconds) override;
    bool OpponentMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank, int32_t promotion,
                      int32_t engineClock, int32_t opponentClock) override;
    bool StopGame() override;
    void Destroy() override;

    // IChessEngineEx.
    int32_t GetVersion() override;
    void SetListenerEx(IChessEngineListenerEx* listener) override;
    void StartAsync() override;
    void KeepEngineForColour() override;
    bool SetStartPosition(const char* fen) override;
    void SetTimePerMove(int32_t seconds) override;
    void SetPondering(bool on) override;
    void TakeBackTo(int32_t plies) override;
    void StopThinking() override;
    bool Go(int32_t engineClock, int32_t opponentClock) override;
    void GameOver(int32_t result, const char* reason) override;
    bool SetVariant(const char* variant) override;
    void AddDrop(int32_t piece, int32_t file, int32_t rank) override;
    bool OpponentDrop(int32_t piece, int32_t file, int32_t rank, int32_t engineClock, int32_t opponentClock) override;
    void SetHoldings(const char* holdings) override;

    void SetTimings(const Timings& timings);
    // Starts this program instead of the one configured for the colour; with
    // a list name, with the option values stored for that engine.
    void SetEngineOverride(const std::string& commandLine, const std::string& workingDirectory,
                           const std::string& listName = std::string());

    [[nodiscard]] Side GetSide() const { return m_PlaysWhite ? Side::White : Side::Black; }
    [[nodiscard]] bool PlaysWhite() const { return m_PlaysWhite; }
    [[nodiscard]] bool IsGameRunning() const;
    [[nodiscard]] bool HasProcess() const { return m_Pid.load() > 0; }
    [[nodiscard]] pid_t ProcessId() const { return m_Pid.load(); }
    [[nodiscard]] size_t ReplayCount() const { return m_Replay.size(); }
    // Waits until the engine's thread has done every task posted so far
    // (tests and tools; the program never waits).
    bool WaitUntilIdle(std::chrono::milliseconds timeout = std::chrono::seconds(10));
    // What the running engine declared at its start.
    [[nodiscard]] std::vector<EngineOption> DeclaredOptions() const;
    [[nodiscard]] std::string EngineName() const;
    [[nodiscard]] int32_t Capabilities() const { return m_Capabilities.load(); }

protected:
    // What an engine tells about itself in its handshake.
    struct EngineIdentity
    {
        std::string name; // empty: the engine list's name is used
        int32_t capabilities = 0;
        std::vector<EngineOption> options;
    };

    // The game as the engine is to play it (engine's thread).
    struct GameSetup
    {
        std::string fen; // empty: the standard position
        int32_t baseSeconds = 0;
        int32_t incrementSeconds = 0;
        int32_t moveSeconds = 0; // > 0: no time limit, each move this long
        bool ponder = true;
        bool bughouse = false;
        std::string holdings; // bughouse: both sides' pieces in hand ("QPn")
    };

    explicit CEngineAdapter(CEngineList& engines);
    virtual ~CEngineAdapter();

    // --- The protocol's part; all run on the engine's thread. ---

    // The reader's side of an engine process about to start.
    [[nodiscard]] virtual std::shared_ptr<CEngineChannel> MakeChannel(std::shared_ptr<EngineGame> game,
                                                                      std::shared_ptr<CListenerSlot> listeners) = 0;
    // The opening lines and the wait for the engine's answer; false when the
    // program does not speak the protocol or has ended.
    virtual bool Handshake(EngineIdentity& identity) = 0;
    // Sets the stored values of the options the engine declared.
    virtual void SendOptions(const std::vector<EngineOption>& declared, const EngineOptionValues& values) = 0;
    // Opens the game (Setup(), Game()) in the running engine without a
    // search; `firstGame` is set for the first game since the start. False
    // when the engine refuses the start position.
    virtual bool OpenGame(bool firstGame) = 0;
    // The engine's side is to move: it searches with these clocks.
    virtual void Search(int32_t engineClock, int32_t opponentClock) = 0;
    // The opponent's move or drop, already in the game, and the search that follows.
    virtual void PassOpponentMove(const EngineMove& move, int32_t engineClock, int32_t opponentClock) = 0;
    // Stops a search and drops its move; the engine keeps its game.
    virtual void StopSearch() = 0;
    // The game has been cut back to fewer moves (no search runs).
    virtual void GameCutBack() = 0;
    // The game is over (result -1: without a result).
    virtual void GameEnded(int32_t result, const std::string& reason) = 0;
    // The pondering setting has changed during a game.
    virtual void PonderingChanged() {}
    // A piece has arrived from the partner board: Setup().holdings are the
    // holdings now (bughouse, game running).
    virtual void HoldingsChanged() {}
    // The last line to the engine.
    virtual void SendQuit();
    // The text for the user of an EngineFailure reason.
    [[nodiscard]] virtual std::string FailureText(int32_t reason) const = 0;

    // --- For the protocol's part, on the engine's thread. ---

    void Write(const std::string& text);
    // Writes one line, after a pause during the first game of a start.
    void WritePaced(const std::string& line);
    // Waits, at most `timeout`, until `done` holds (checked with the
    // channel's mutex held) or the engine has ended or the task is called
    // off; true only when `done` holds.
    bool WaitForChannel(const std::function<bool()>& done, std::chrono::milliseconds timeout);
    // A pause that ends early when the task is called off; false then.
    bool Pause(std::chrono::milliseconds time);
    [[nodiscard]] CEngineChannel* Channel() const;
    // Whether the running task has been called off (by Destroy or a later
    // start of another engine).
    [[nodiscard]] bool CalledOff() const { return m_Abort.load() != m_TaskEpoch; }
    [[nodiscard]] const Timings& GetTimings() const { return m_Timings; }
    [[nodiscard]] const GameSetup& Setup() const { return m_Setup; }
    [[nodiscard]] const std::shared_ptr<EngineGame>& Game() const { return m_Game; }
    // The game's moves (a copy) and whether the engine is to move after them.
    [[nodiscard]] std::vector<EngineMove> GameMoves() const;
    [[nodiscard]] bool EngineToMove() const;
    [[nodiscard]] bool EnginePlaysWhite() const;
    [[nodiscard]] bool IsFirstGame() const { return m_FirstGame; }
    // The clocks of the last search or opponent move (centiseconds).
    [[nodiscard]] int32_t LastEngineClock() const { return m_LastEngineClock; }
    [[nodiscard]] int32_t LastOpponentClock() const { return m_LastOpponentClock; }
    // The engine's own name as it told it, or the engine list's name.
    [[nodiscard]] const std::string& RunningName() const { return m_Identity.name; }

private:
    // What a start needs, read from the engine list on the user-interface
    // thread.
    struct EngineConfig
    {
        std::string listName;
        std::string commandLine;
        std::string workingDirectory;
        EngineOptionValues options;
        bool operator==(const EngineConfig& other) const = default;
    };

    // A task on the engine's thread; it is called off (its waits end at once)
    // when Destroy or a start of another engine comes after it.
    void Post(std::function<void(CEngineAdapter&)> task);
    [[nodiscard]] EngineConfig ReadConfig() const;
    // Before a start is posted: see the definition.
    void PostLaunch(const EngineConfig& config);
    // The game ends for the listeners at once (Quit, GameOver, Destroy).
    void EndReports();
    void DropExpectedMove();
    void CallOff();

    // Engine's thread.
    // Makes sure the engine of this configuration runs, starting it when it
    // does not; reports a start, and with `reportIfRunning` an engine found
    // running too.
    void Launch(const EngineConfig& config, bool reportIfRunning);
    bool StartProcess(const EngineConfig& config);
    void ReleaseProcess();
    void QuitProcess();
    // A move or drop of the opponent, on the engine's thread.
    void TakeOpponentMove(const EngineMove& move, int32_t engineClock, int32_t opponentClock);
    // `stops` counts the stops before the StartGame that asked for the game.
    void OpenNewGame(const EngineConfig& config, const GameSetup& setup, std::vector<EngineMove> moves, uint64_t stops);
    // A search when the engine is to move in a running game (or, with
    // `evenIfStopped`, in a game ended since it was opened).
    void SearchIfToMove(int32_t engineClock, int32_t opponentClock, bool evenIfStopped = false);
    void OnEngineDied(const CEngineConnection::Channel* channel);
    void ReportReady();
    void ReportFailure(int32_t reason, const std::string& text);

    CEngineList& m_Engines;
    // Owns this object until Destroy; each posted task holds it too.
    std::shared_ptr<CEngineAdapter> m_Self;
    std::weak_ptr<CEngineAdapter> m_WeakSelf;
    std::shared_ptr<CEngineWorker> m_Worker;
    std::shared_ptr<CListenerSlot> m_Listeners;
    std::shared_ptr<EngineGame> m_Game;
    std::atomic<bool> m_PlaysWhite{true};
    std::atomic<pid_t> m_Pid{-1};
    std::atomic<int32_t> m_Capabilities{0};
    std::atomic<bool> m_CapabilitiesKnown{false};
    std::atomic<uint64_t> m_Abort{0};
    Timings m_Timings;

    // User-interface thread.
    std::vector<EngineMove> m_Replay;
    std::string m_StartFen;
    bool m_Bughouse = false;
    std::string m_Holdings; // for the next StartGame
    int32_t m_SecondsPerMove = kDefaultSecondsPerMove;
    bool m_Ponder = true;
    std::optional<EngineConfig> m_Override;
    // The configuration of the engine last asked for, until Quit.
    std::optional<EngineConfig> m_LastLaunch;

    // Engine's thread.
    uint64_t m_TaskEpoch = 0;
    CEngineConnection m_Connection;
    std::optional<EngineConfig> m_Running; // the configuration of the running engine
    GameSetup m_Setup;
    bool m_FirstGame = true;
    bool m_GameOpen = false; // a game was opened and has not been ended
    bool m_Restarted = false;
    int32_t m_LastEngineClock = 0;
    int32_t m_LastOpponentClock = 0;
    // Written on the engine's thread, read by the queries.
    mutable std::mutex m_IdentityMutex;
    EngineIdentity m_Identity;
};
