#pragma once

#include "EngineConnection.h"
#include "EngineMove.h"
#include "IChessEngine.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The engine object of the plug-in: runs one external chess program that
// speaks the WinBoard protocol as a child process, writes the protocol's
// commands for the operations of IChessEngine and reads the program's output
// on a reader thread of its own, which reports moves and results to the
// listener. All operations are called on the program's user-interface thread.
class CWinboardAdapter final : public IChessEngine
{
public:
    // The waits of the adapter; tests shorten them.
    struct Timings
    {
        // After the process is made, before anything is written to it.
        std::chrono::milliseconds startDelay{500};
        // How long a program that has said nothing about features is given
        // to start its "feature" lines after "protover 2".
        std::chrono::milliseconds featureWait{1000};
        // How long a program that has begun its "feature" lines is given to
        // send "done=1".
        std::chrono::milliseconds doneWait{5000};
        // Between the lines that open a game: gnuchess loses lines that
        // arrive in one burst while it starts up.
        std::chrono::milliseconds linePacing{10};
        // After "quit", before the process is ended by force.
        std::chrono::milliseconds quitGrace{2000};
    };

    CWinboardAdapter();

    const char* GetName() override;
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

    void SetTimings(const Timings& timings) { m_Timings = timings; }
    // Starts this program instead of the one configured for the colour.
    void SetEngineOverride(const std::string& commandLine, const std::string& workingDirectory);

    [[nodiscard]] bool PlaysWhite() const;
    [[nodiscard]] bool IsGameRunning() const;
    [[nodiscard]] bool HasProcess() const { return m_Connection.IsRunning(); }
    [[nodiscard]] pid_t ProcessId() const { return m_Connection.Pid(); }
    [[nodiscard]] size_t ReplayCount() const { return m_Replay.size(); }

private:
    struct Flags;
    struct Channel;

    ~CWinboardAdapter();

    // The configured program of the object's colour; false when none.
    bool LookUpEngine(std::string& commandLine, std::string& workingDirectory) const;
    bool StartProcess(const std::string& commandLine, const std::string& workingDirectory);
    // Lets go of the engine: see CEngineConnection::Release.
    void ReleaseProcess();
    // Waits for the "feature ... done=1" handshake within bounds; false when
    // the program has ended or does not speak WinBoard.
    bool WaitForHandshake();
    // Writes the lines that open a game in the running engine: time control,
    // the moves so far, and a search with these clocks if it is to move.
    void OpenGame(const std::vector<EngineMove>& replay, const std::string& engineClock,
                  const std::string& opponentClock);
    // The engine's process ended by itself while a game runs (on the
    // user-interface thread).
    void OnEngineDied();
    void Write(const std::string& text);
    void WritePaced(const std::string& line);
    [[nodiscard]] Channel* CurrentChannel() const;
    // One line of the engine's output, on the reader thread; false once the
    // adapter has let go of the engine.
    static bool HandleLine(Channel& channel, const std::string& line);

    IChessEngineListener* m_Listener = nullptr;
    CEngineConnection m_Connection;
    // Plays White, waiting for the first "go", game running: written here,
    // read by the reader thread.
    std::shared_ptr<Flags> m_Flags;
    std::vector<EngineMove> m_Replay;
    // The program speaks protocol 2 (it sent "feature" lines): it is sent no
    // "white" or "black".
    bool m_NoColours = false;
    // The program cannot take "computer" (see WaitForHandshake).
    bool m_NoComputer = false;
    Timings m_Timings;
    int32_t m_BaseSeconds = 0;
    int32_t m_IncrementSeconds = 0;
    // The clocks of the last OpponentMove, for an engine restarted mid-game.
    std::string m_LastEngineClock = "0";
    std::string m_LastOpponentClock = "0";
    // The engine has been restarted once in this game.
    bool m_Restarted = false;
    // Expires with the object: news from a reader thread that arrives later is dropped.
    std::shared_ptr<void> m_Alive;
    std::optional<std::pair<std::string, std::string>> m_Override;
};
