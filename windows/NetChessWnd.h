#pragma once

#include "GameWnd.h"
#include "NetChessSession.h"

#include <functional>

class CNetConnection;
class GameSettings;
class PlayerRoster;

// The network chess window: the board with its two panels, the move list, the
// chat output and input and sixteen buttons over a CNetChessSession, plus the
// dialogs of network chess (its settings, the promotion piece, the help page).
class CNetChessWnd : public CGameWnd
{
    Q_OBJECT

public:
    // The least client size: the board with its panels, the move list, the
    // button column and a chat output of six lines with its input.
    static constexpr int kMinimumWidth = 660;
    static constexpr int kMinimumHeight = 556;

    // Runs the network settings dialog; true when it closed with OK.
    using SettingsRunner = std::function<bool(bool isServer, bool running)>;

    CNetChessWnd(CNetConnection& link, PlayerRoster& roster, GameSettings& settings, CBitmapCache& bitmaps,
                 QWidget* parent = nullptr);

    [[nodiscard]] CNetChessSession& Session() const { return m_Game; }
    // Re-initialises the game for a connection (each time it is shown for one).
    void Open() { m_Game.Open(); }
    void SetSettingsRunner(SettingsRunner runner) { m_RunSettings = std::move(runner); }

    [[nodiscard]] CBoardView* Board() const { return CGameWnd::Board(0); }
    [[nodiscard]] CPlayerWnd* BottomPanel() const { return Panel(CNetChessSession::kBottomPanel); }
    [[nodiscard]] CPlayerWnd* TopPanel() const { return Panel(CNetChessSession::kTopPanel); }

protected:
    void RunWindowCommand(int id) override;
    void Layout() override;
    [[nodiscard]] QPoint PromotionDialogPosition(Colour side) const override;
    [[nodiscard]] QString SuggestedSaveName() const override;
    void SubmitChat(const QString& text) override { m_Game.SendChat(text); }

private:
    CNetChessSession& m_Game;
    SettingsRunner m_RunSettings;
};
