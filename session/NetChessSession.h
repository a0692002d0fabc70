#pragma once

#include "NetGameSession.h"

// The network chess game: one game between this program and one other, as
// server or client. Roster entry 0 is the local player (bottom panel), entry
// 1 the opponent (top panel, -1 while nobody is there); the opponent always
// has the other colour. Every message from the peer is checked before use: a
// malformed or illegal one ends the game with the communication-error text
// rather than letting the two boards drift apart.
class CNetChessSession : public CNetGameSession
{
public:
    // Control ids of the buttons.
    static constexpr int kResetBoardId = 1019;
    static constexpr int kStartGameId = 1027;
    static constexpr int kTimeCallId = 1029;
    static constexpr int kAbortGameId = 1000;
    static constexpr int kResignId = 1020;
    static constexpr int kOfferDrawId = 1013;
    static constexpr int kCancelOfferId = 1004;
    static constexpr int kAcceptDrawId = 1001;
    static constexpr int kTakebackId = 1031;
    static constexpr int kAcceptTakebackId = 1002;
    static constexpr int kSwitchColorId = 1028;
    static constexpr int kLoadGameId = 1010;
    static constexpr int kSaveGameId = 1023;
    static constexpr int kHelpId = 1009;
    static constexpr int kSettingsId = 1025;
    static constexpr int kMenuId = 1003;
    static constexpr int kBottomPanel = 0;
    static constexpr int kTopPanel = 1;

    CNetChessSession(GameSettings& settings, PlayerRoster& roster, CNetConnection& link);

    [[nodiscard]] std::vector<CommandButton> Commands() const override;
    [[nodiscard]] CommandState StateOf(int id) const override;
    [[nodiscard]] CommandOwner OwnerOf(int id) const override;
    [[nodiscard]] CommandQuestion QuestionOf(int id) const override;

    // Re-initialises the game for a connection (each time the window is shown for one).
    void Open();
    // Server, after the settings dialog closed with OK: the clocks take the
    // time and the client the settings, when the summary changed.
    void ApplySettings();
    // Menu: the game ends, the link is closed and the roster emptied.
    void Leave();
    // Its protocol sends the moves of a game from the initial position only.
    [[nodiscard]] bool AcceptsSetUpPosition() const override { return false; }
    [[nodiscard]] QString DefaultSaveName() const override;
    [[nodiscard]] bool IsConnectedToOthers() const override { return HasOpponent(); }

    bool RequestMove(int board, const CMove& move, int32_t promotion) override;
    void SendChat(const QString& text) override;

    // INetGameWindow
    void OnPlayerAdmitted(int userId, const QString& nickname) override;
    void HandleGameMessage(const CNetMessage& message) override;
    void OnSeatedUserGone(int userId) override;
    void OnConnectionLost(int reason) override;

    // State for the window and tests.
    [[nodiscard]] Colour MyColour() const;
    [[nodiscard]] bool IsMyTurn() const;
    [[nodiscard]] bool HasOpponent() const;
    [[nodiscard]] bool IsBlackAtBottom() const { return IsFlipped(0); }
    [[nodiscard]] bool IsTakebackRequested() const { return m_TakebackRequested; }
    // I asked to undo the last move and the opponent has not answered yet.
    [[nodiscard]] bool IsTakebackAsked() const { return m_TakebackAsked; }
    [[nodiscard]] bool IsOpponentFlagFallen() const { return m_OpponentFlagFell; }
    [[nodiscard]] bool IsTimeLimited() const;

    // IClockOwner: a panel's clock ran out.
    void OnTimeExpired(CPlayerClock* clock) override;

protected:
    void RunCommand(int id) override;
    [[nodiscard]] QString NameOf(Colour colour) const override;
    void OnCheckmate(int board, Colour mated) override;
    void OnStalemate(int board, Colour side) override;
    void OnDrawByRule(int board, int textId) override;
    void OnCheck(int board, Colour side) override;
    void BeforeLoad() override;

private:
    void EndGame();
    void UpdateButtons();
    bool Summary();
    void TurnNotice();
    // Without a time limit: the clocks only mark whose turn it is.
    void PassTurn(int from, int to);
    void ClearGameFlags();
    [[nodiscard]] Colour OpponentColour() const { return OppositeColour(MyColour()); }
    [[nodiscard]] int PanelOf(Colour colour) const;

    void StartGame();
    void Resign();
    void AbortGame();
    void OfferDraw();
    void AcceptDraw();
    void TimeCall();
    void RequestTakeback();
    void AcceptTakeback();
    void UndoLastPly();
    void ResetBoard();
    void SwitchColours();

    void ReceiveJoinAccepted(const CNetMessage& message);
    void ReceiveGameStarted(const CNetMessage& message);
    void ReceiveMove(const CNetMessage& message);
    void ReceiveSettings(const CNetMessage& message);
    void ReceiveChat(const CNetMessage& message);
    void ReceiveResult(int id);
    void OpponentLeft();
    // A peer sent something this program cannot use while a game depends on it.
    void CommunicationError(bool evenWhenIdle = false);
    // Ends the game as a draw, counted and told.
    void DrawResult(const QString& text);
    void MarkLoser(Colour colour);

    bool m_Leaving = false;       // Menu is closing the link
    bool m_DrawOfferSent = false; // my last move carried an offer the opponent may accept
    bool m_TakebackRequested = false;
    bool m_TakebackAsked = false; // I asked to undo and wait for the answer
    bool m_OpponentFlagFell = false;
    bool m_MyFlagFell = false; // my clock ran out in this game (a Time Call may follow)
};
