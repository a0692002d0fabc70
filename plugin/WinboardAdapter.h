#pragma once

#include "EngineAdapter.h"

#include <cstdint>
#include <string>

// The engine object of the WinBoard plug-in: runs one external chess program
// that speaks the WinBoard (xboard) protocol. It writes the protocol's
// commands for the operations of IChessEngine and its extension, and reads
// the program's output (moves, results, thinking lines, the "feature"
// handshake) on a reader thread of its own.
class CWinboardAdapter final : public CEngineAdapter
{
public:
    CWinboardAdapter();

    const char* GetName() override;

    // The engines the plug-in has configured for each colour.
    [[nodiscard]] static CEngineList& EngineList();
    // The texts of the plug-in's failures.
    [[nodiscard]] static std::string TextOf(int32_t reason);

protected:
    std::shared_ptr<CEngineChannel> MakeChannel(std::shared_ptr<EngineGame> game,
                                                std::shared_ptr<CListenerSlot> listeners) override;
    bool Handshake(EngineIdentity& identity) override;
    void SendOptions(const std::vector<EngineOption>& declared, const EngineOptionValues& values) override;
    bool OpenGame(bool firstGame) override;
    void Search(int32_t engineClock, int32_t opponentClock) override;
    void PassOpponentMove(const EngineMove& move, int32_t engineClock, int32_t opponentClock) override;
    void StopSearch() override;
    void GameCutBack() override;
    void GameEnded(int32_t result, const std::string& reason) override;
    void PonderingChanged() override;
    void HoldingsChanged() override;
    [[nodiscard]] std::string FailureText(int32_t reason) const override;

private:
    class Channel;

    ~CWinboardAdapter() override = default;

    [[nodiscard]] Channel* WinboardChannel() const;
    // What the features the engine has declared so far mean for its lines
    // (`mutex` of the channel held).
    void TakeFeatures(const Channel& channel);
    // A move as the engine wants it ("e2e4", or "usermove e2e4").
    [[nodiscard]] std::string MoveLine(const EngineMove& move) const;
    // "time" and "otim" with these clocks, or nothing with a time per move.
    [[nodiscard]] std::string ClockLines(int32_t engineClock, int32_t opponentClock) const;
    // The engine's next move is to be taken.
    void ExpectMove();
    // For engines that have "ping": from ArmFence on, the engine's moves and
    // thinking are dropped until it answers the "ping" that SendFence writes
    // after the commands they would belong before. 0: no fence.
    [[nodiscard]] int32_t ArmFence();
    void SendFence(int32_t number);
    // Pondering as set, except for polyglot with little time left.
    [[nodiscard]] bool PonderNow(int32_t engineClock) const;

    // What the engine declared in its handshake.
    bool m_NoColours = false;  // spoke protocol 2: no "white" or "black"
    bool m_NoComputer = false; // cannot take "computer" (Fairy-Max)
    bool m_Setboard = false;
    bool m_Usermove = false;
    bool m_Ping = false;
    bool m_Polyglot = false;
    bool m_Bughouse = false; // declared bughouse among its variants
    // The engine is in force mode: it needs a "go" to move.
    bool m_InForce = true;
    // Whether "hard" (true) or "easy" was sent last.
    bool m_Pondering = true;
    int32_t m_NextPing = 0;
};
