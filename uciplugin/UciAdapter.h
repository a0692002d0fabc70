#pragma once

#include "EngineConnection.h"
#include "EngineMove.h"
#include "IChessEngine.h"

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// The engine object of the UCI plug-in: runs one external chess program that
// speaks the Universal Chess Interface as a child process. Each search is
// sent as the whole game ("position startpos moves ...") followed by "go"
// with both clocks; a reader thread of its own reports "bestmove" to the
// listener. All operations are called on the program's user-interface thread.
class CUciAdapter final : public IChessEngine
{
public:
    // The waits of the adapter; tests shorten them.
    struct Timings
    {
        // For "uciok" after "uci".
        std::chrono::milliseconds uciWait{5000};
        // For "readyok" after "isready".
        std::chrono::milliseconds readyWait{5000};
        // After "quit", before the process is ended by force.
        std::chrono::milliseconds quitGrace{2000};
        // The thinking time of one move when the game has no time limit.
        std::chrono::milliseconds unlimitedMoveTime{5000};
    };

    CUciAdapter();

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

    [[nodiscard]] bool PlaysWhite() const { return m_PlaysWhite; }
    [[nodiscard]] bool IsGameRunning() const;
    [[nodiscard]] bool HasProcess() const { return m_Connection.IsRunning(); }
    [[nodiscard]] pid_t ProcessId() const { return m_Connection.Pid(); }

    // Base time StartGame receives when the game has no time limit, and the
    // clocks OpponentMove then receives.
    static constexpr int32_t kUnlimitedBaseSeconds = 100000;
    static constexpr int32_t kUnlimitedClock = 10000000;

private:
    struct Channel;

    ~CUciAdapter();

    bool LookUpEngine(std::string& commandLine, std::string& workingDirectory) const;
    bool StartProcess(const std::string& commandLine, const std::string& workingDirectory);
    // Lets go of the engine: see CEngineConnection::Release.
    void ReleaseProcess();
    // Waits until the reader has seen the answer or the process has ended.
    bool WaitFor(bool Channel::*answer, std::chrono::milliseconds timeout);
    // Sends the game so far and a search with these clocks (centiseconds).
    void Go(int32_t engineClock, int32_t opponentClock);
    // The engine's process ended by itself (on the user-interface thread).
    void OnEngineDied();
    void Write(const std::string& text);
    [[nodiscard]] Channel* CurrentChannel() const;
    // One line of the engine's output, on the reader thread; false once the
    // adapter has let go of the engine.
    static bool HandleLine(Channel& channel, const std::string& line);

    IChessEngineListener* m_Listener = nullptr;
    CEngineConnection m_Connection;
    bool m_PlaysWhite = true;
    std::vector<EngineMove> m_Replay;
    int32_t m_BaseSeconds = 0;
    int32_t m_IncrementSeconds = 0;
    // The clocks of the last search, for an engine restarted mid-game.
    int32_t m_LastEngineClock = 0;
    int32_t m_LastOpponentClock = 0;
    // The engine has been restarted once in this game.
    bool m_Restarted = false;
    // Expires with the object: news from a reader thread that arrives later is dropped.
    std::shared_ptr<void> m_Alive;
    Timings m_Timings;
    std::optional<std::pair<std::string, std::string>> m_Override;
};
