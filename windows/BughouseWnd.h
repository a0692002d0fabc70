#pragma once

#include "BughouseJudge.h"
#include "BughouseSeats.h"
#include "ChatEdit.h"
#include "GameObserver.h"
#include "IClockOwner.h"
#include "INetGameWindow.h"

#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <map>

class CBoardView;
class CDoubleSettingsDlg;
class CHtmlDlg;
class CNetConnection;
class CNetMessage;
class COutputPane;
class CPlayerWnd;
class CSkinButton;
class GameSettings;
class PlayerRoster;

// The network bughouse window: two boards, four players in two teams, drops.
// Layout at 800 x 600: the two board views side by side at the top (the local
// player's board on the left, the other board on the right), each with its
// top player's panel above and its bottom player's panel below; the chat
// output, the chat input and the command buttons share the bottom strip. The
// local team is at the bottom of both boards.
//
// Every message from a peer is checked before use (seats, squares, pieces,
// colours, times). A move or drop that passes the checks but that the rules
// refuse on this program's board means the boards differ: the game stops
// here with a notice, and a server also aborts it for everybody, rather than
// playing on with boards that silently disagree.
class CBughouseWnd : public QWidget, public IGameObserver, public IClockOwner, public INetGameWindow, public IChatSender
{
    Q_OBJECT

public:
    static constexpr int kStartId = 1027;
    static constexpr int kResignId = 1020;
    static constexpr int kTimeCallId = 1029;
    static constexpr int kAbortGameId = 1000;
    static constexpr int kOfferDrawId = 1013;
    static constexpr int kAcceptDrawId = 1001;
    static constexpr int kCancelOfferId = 1004;
    static constexpr int kRotatePlayersId = 1021;
    static constexpr int kSwitchPartnerId = 1026;
    static constexpr int kSwitchColorId = 1028;
    static constexpr int kSettingsId = 1025;
    static constexpr int kRulesId = 1018;
    static constexpr int kHelpId = 1009;
    static constexpr int kMenuId = 1003;

    struct FrameHooks
    {
        std::function<void()> showWindow; // make this window the visible one
        std::function<void()> showMenu;   // hide this window, show the main menu
    };
    // Runs the bughouse settings dialog and returns its result (IDOK on OK).
    using SettingsRunner = std::function<int(CDoubleSettingsDlg& dialog)>;

    CBughouseWnd(CNetConnection& link, PlayerRoster& roster, GameSettings& settings, QWidget* parent = nullptr);
    ~CBughouseWnd() override;

    void SetFrameHooks(FrameHooks hooks) { m_Hooks = std::move(hooks); }
    void SetSettingsRunner(SettingsRunner runner) { m_RunSettings = std::move(runner); }
    void SetStartedFromCommandLine(bool fromCommandLine) { m_FromCommandLine = fromCommandLine; }

    // Re-initialises the window each time the main frame shows it.
    void Open();
    // Runs the command of a button, as a click on it does.
    void OnCommand(int id);

    // INetGameWindow
    void OnPlayerAdmitted(int userId, const QString& nickname) override;
    void HandleGameMessage(const CNetMessage& message) override;
    void OnSeatedUserGone(int userId) override;
    void OnConnectionLost(int reason) override;
    [[nodiscard]] bool IsGameRunning() const override { return m_Running; }
    void PrintNotice(const QString& text) override { Print(text); }

    // IChatSender
    void SendChat(const QString& text) override;

    // IGameObserver
    void OnMove(CBoardView* view, const CMove& move, int32_t& promotion, Colour sideToMove, bool captured,
                int32_t capturedPiece, std::string& sanText) override;
    void OnDrop(CBoardView* view, const CCoordinate& square, PieceType type, Colour sideToMove) override;
    void OnCheckmate(CBoardView* view, Colour sideToMove) override;
    void OnThreefoldRepetition(CBoardView*, Colour) override {}
    void OnInsufficientMaterial(CBoardView*, Colour) override {}
    void OnFiftyMoveRule(CBoardView*, Colour) override {}
    void OnStalemate(CBoardView* view, Colour sideToMove) override;
    void OnCheck(CBoardView*, Colour) override {}

    // IClockOwner
    void OnTimeExpired(CPlayerClock* clock) override;

    // For the program and its tests. Panel 0: local player (bottom of view 0),
    // 1 its opponent, 2 bottom of view 1 (partner, or the local player again
    // when alone), 3 top of view 1.
    [[nodiscard]] CBoardView* View(int index) const { return m_Views[static_cast<size_t>(index & 1)]; }
    [[nodiscard]] CPlayerWnd* Panel(int index) const { return m_Panels[static_cast<size_t>(index & 3)]; }
    [[nodiscard]] COutputPane* Output() const { return m_Output; }
    [[nodiscard]] CChatEdit* ChatInput() const { return m_Chat; }
    [[nodiscard]] CSkinButton* Button(int id) const;
    [[nodiscard]] int LocalSeat() const;
    [[nodiscard]] CBughouseSeats Seats() const;
    [[nodiscard]] bool IsOfferedToMe() const { return m_OfferedToMe; }
    [[nodiscard]] bool IsOwnOffer() const { return m_OwnOffer; }
    [[nodiscard]] bool IsFlagFallen() const { return m_FlagFell; }
    [[nodiscard]] int RotationStep() const { return m_RotationStep; }
    [[nodiscard]] int GameCounter() const { return m_GameCounter; }
    // The help window of Rules and Help, made on the first press; null before.
    [[nodiscard]] CHtmlDlg* HelpDialog() const { return m_Help; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Layout();
    void Print(const QString& text);
    void PrintChat(const QString& nickname, const QString& text, bool own);
    void ShowNotice(const QString& text);
    void UpdateButtons();
    void UpdateInput();
    void Redraw();
    [[nodiscard]] int ViewIndex(const CBoardView* view) const;
    [[nodiscard]] bool IsServer() const;
    [[nodiscard]] int64_t GameTimeMs() const;
    bool Send(const CNetMessage& message);

    void StartGame();
    void StopGame();
    void EndMatch(const BughouseVerdict& verdict);
    void Resign();
    void AbortGame();
    void AcceptDraw();
    void TimeCall();
    void ChangeSeats(int command);
    void SwitchColours(bool send);
    void OpenSettings();
    void ShowHelpPage(int titleId, int pageId);
    void ApplySettingsToClocks();
    void PrintSummary();
    void Menu();

    void ReceiveSeats(const CNetMessage& message);
    void ReceiveMove(const CNetMessage& message);
    void ReceiveDrop(const CNetMessage& message);
    void ReceiveSeatMessage(const CNetMessage& message);
    void ReceiveTimeCall(const CNetMessage& message);
    void ReceiveSettings(const CNetMessage& message, int first);
    void ReceiveChat(const CNetMessage& message);
    void PlayerLeaves(const QString& name, int32_t userId);
    // Both boards' positions no longer agree with the mover's: stop here.
    void BoardsDiffer(int seat);
    // After a move or drop of the seat on that view: its clock takes the time;
    // while the game runs the opponent's starts and a draw offer is noted.
    void AfterReceived(int view, int seat, int32_t remainingMs, bool drawOffer);

    CNetConnection& m_Link;
    PlayerRoster& m_Roster;
    GameSettings& m_Settings;
    FrameHooks m_Hooks;
    SettingsRunner m_RunSettings;
    bool m_FromCommandLine = false;

    std::array<CBoardView*, 2> m_Views{};
    std::array<CPlayerWnd*, 4> m_Panels{};
    COutputPane* m_Output;
    CChatEdit* m_Chat;
    std::map<int, CSkinButton*> m_Buttons;
    CHtmlDlg* m_Help = nullptr; // a child of this window, shown again on each press

    bool m_Running = false;
    bool m_OfferedToMe = false;
    bool m_OwnOffer = false;
    bool m_FlagFell = false;
    bool m_FlagReported = false;
    int m_RotationStep = 0;
    int m_GameCounter = 0;
    QString m_LastSummary;
    QString m_AddressText;
};
