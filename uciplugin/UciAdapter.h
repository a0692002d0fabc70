#pragma once

#include "EngineAdapter.h"

#include <cstdint>
#include <optional>
#include <string>

// The engine object of the UCI plug-in: runs one external chess program that
// speaks the Universal Chess Interface. Each search is sent as the whole game
// ("position startpos|fen ... moves ...") and a "go" with both clocks, or the
// time per move; the reader reports "bestmove" and the "info" lines, and
// starts pondering on the reply the engine expects when pondering is on.
class CUciAdapter final : public CEngineAdapter
{
public:
    CUciAdapter();

    const char* GetName() override;

    [[nodiscard]] static CEngineList& EngineList();

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
    [[nodiscard]] std::string FailureText(int32_t reason) const override;

private:
    class Channel;

    ~CUciAdapter() override = default;

    [[nodiscard]] Channel* UciChannel() const;
    // "position ..." for the game, and a reply to ponder on when given.
    [[nodiscard]] std::string PositionText(const std::optional<EngineMove>& ponder) const;
    // "go ..." with the clocks or the time per move.
    [[nodiscard]] std::string GoText(bool ponder, int32_t engineClock, int32_t opponentClock) const;
    // After the engine's move: thinks on its expected reply (a reader's job).
    void StartPondering(const EngineMove& engineMove, const EngineMove& reply);
    // Sends "isready" and waits for its "readyok".
    bool WaitUntilReady();

    bool m_HasPonderOption = false;
    bool m_PonderOptionOn = false; // as last set in the engine
    // The reply the engine ponders on, while it does.
    std::optional<EngineMove> m_PonderMove;
};
