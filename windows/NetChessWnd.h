#pragma once

#include "ChatEdit.h"
#include "GameObserver.h"
#include "IClockOwner.h"
#include "INetGameWindow.h"
#include "MoveListOwner.h"

#include <QString>
#include <QWidget>

#include <functional>
#include <map>

#include "ClockSwitch.h"

class CBoardView;
class CMoveListWnd;
class CNetConnection;
class CNetMessage;
class COutputPane;
class CPlayerWnd;
class CSkinButton;
class GameSettings;
class PlayerRoster;

// The network chess window: one game between this program and one other, as
// server or client. It owns the board, the two panels, the move list, the
// chat output and input and sixteen command buttons, and plays the messages
// that the network link hands it. Every message from the peer is checked
// before use: a malformed or illegal one ends the game with the
// communication-error text rather than letting the boards drift apart.
class CNetChessWnd : public QWidget,
                     public IGameObserver,
                     public IClockOwner,
                     public IMoveListOwner,
                     public INetGameWindow,
                     public IChatSender
{
    Q_OBJECT

public:
    // Command ids of the buttons.
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
    // Longest game a peer may send with MSG_GAME_STARTED.
    static constexpr int kMaxReceivedMoves = 2000;

    // What the window asks of the main frame.
    struct FrameHooks
    {
        std::function<void(const QString&)> setTitle; // the main frame's title
        std::function<void()> showWindow;             // show this window (it then runs Open)
        std::function<void()> showMenu;               // hide this window, show the main menu
    };
    // Asks for a file name: save = true for Save Game; empty when cancelled.
    using FileAsker = std::function<QString(bool save, const QString& folder, const QString& suggested)>;
    // Runs the network settings dialog; true when it closed with OK.
    using SettingsRunner = std::function<bool(bool isServer, bool running)>;
    // Asks the local player which piece a pawn becomes (a PieceType).
    using PromotionAsker = std::function<int32_t(Colour side)>;

    CNetChessWnd(CNetConnection& link, PlayerRoster& roster, GameSettings& settings, QWidget* parent = nullptr);
    ~CNetChessWnd() override;

    void SetFrameHooks(FrameHooks hooks) { m_Hooks = std::move(hooks); }
    void SetFileAsker(FileAsker asker) { m_AskFile = std::move(asker); }
    void SetSettingsRunner(SettingsRunner runner) { m_RunSettings = std::move(runner); }
    // Replaces the promotion chooser dialog (tests).
    void SetPromotionAsker(PromotionAsker asker) { m_PromotionAsker = std::move(asker); }
    // A server started from the command line does not put its address in the chat input.
    void SetStartedFromCommandLine(bool fromCommandLine) { m_FromCommandLine = fromCommandLine; }

    // Re-initialises the window for a connection (each time it is shown for one).
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
    void OnDrop(CBoardView*, const CCoordinate&, PieceType, Colour) override {}
    void OnCheckmate(CBoardView* view, Colour sideToMove) override;
    void OnThreefoldRepetition(CBoardView* view, Colour sideToMove) override;
    void OnInsufficientMaterial(CBoardView* view, Colour sideToMove) override;
    void OnFiftyMoveRule(CBoardView* view, Colour sideToMove) override;
    void OnStalemate(CBoardView* view, Colour sideToMove) override;
    void OnCheck(CBoardView* view, Colour sideToMove) override;

    // IClockOwner
    void OnTimeExpired(CPlayerClock* clock) override;

    // IMoveListOwner
    void GoToStart() override;
    void StepBack() override;
    std::string StepForward() override;
    std::vector<std::string> GoToEnd() override;
    [[nodiscard]] bool CanStepBack() const override;
    [[nodiscard]] bool CanStepForward() const override;

    // For the program and its tests.
    [[nodiscard]] CBoardView* Board() const { return m_Board; }
    [[nodiscard]] CPlayerWnd* TopPanel() const { return m_Top; }
    [[nodiscard]] CPlayerWnd* BottomPanel() const { return m_Bottom; }
    [[nodiscard]] CMoveListWnd* MoveList() const { return m_MoveList; }
    [[nodiscard]] COutputPane* Output() const { return m_Output; }
    [[nodiscard]] CChatEdit* ChatInput() const { return m_Chat; }
    [[nodiscard]] CSkinButton* Button(int id) const;
    [[nodiscard]] bool IsBlackAtBottom() const { return m_BlackAtBottom; }
    [[nodiscard]] Colour MyColour() const;
    [[nodiscard]] bool IsMyTurn() const;
    [[nodiscard]] bool IsDrawPending() const { return m_DrawPending; }
    [[nodiscard]] bool IsDrawOffered() const { return m_DrawOffered; }
    [[nodiscard]] bool IsOpponentFlagFallen() const { return m_OpponentFlagFell; }
    [[nodiscard]] int GameNumber() const { return m_GameNumber; }
    bool ResultFlags(bool& drawn, bool& whiteLost, bool& blackLost) const;
    // The default name Save Game offers.
    [[nodiscard]] QString DefaultSaveName() const;
    // Server: after the settings dialog closed with OK.
    void ApplySettings();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void Layout();
    // Own moves ask the local player for the promotion piece.
    void UseOwnPromotionChooser();
    [[nodiscard]] int32_t AskPromotion(Colour side);
    void EndGame();
    void UpdateButtons();
    void Print(const QString& text);
    void ReportStats();
    bool Summary();
    void ShowNotice(const QString& text);
    void SetTitle(const QString& title);
    void TurnNotice();
    [[nodiscard]] bool IsServer() const;
    [[nodiscard]] bool HasOpponent() const;
    [[nodiscard]] bool TimeLimited() const;
    [[nodiscard]] Colour OpponentColour() const;
    [[nodiscard]] CPlayerWnd* PanelOf(Colour colour) const;
    bool Send(const CNetMessage& message);

    void StartGame();
    void Resign();
    void AbortGame();
    void AcceptDraw();
    void TimeCall();
    void RequestTakeback();
    void AcceptTakeback();
    void UndoLastPly();
    void ResetBoard();
    void SwitchColours();
    void LoadGame();
    void SaveGame();
    void ShowHelp();
    void OpenSettings();
    void Menu();

    void ReceiveJoinAccepted(const CNetMessage& message);
    void ReceiveGameStarted(const CNetMessage& message);
    void ReceiveMove(const CNetMessage& message);
    void ReceiveSettings(const CNetMessage& message);
    void ReceiveChat(const CNetMessage& message);
    void OpponentLeft();
    // A peer sent something this window cannot use while a game depends on it.
    void CommunicationError(bool evenWhenIdle = false);
    void DrawResult(const QString& text);

    CNetConnection& m_Link;
    PlayerRoster& m_Roster;
    GameSettings& m_Settings;
    FrameHooks m_Hooks;
    FileAsker m_AskFile;
    SettingsRunner m_RunSettings;
    PromotionAsker m_PromotionAsker;
    bool m_FromCommandLine = false;
    bool m_Leaving = false; // Menu is closing the link

    CBoardView* m_Board;
    CPlayerWnd* m_Top;
    CPlayerWnd* m_Bottom;
    CMoveListWnd* m_MoveList;
    COutputPane* m_Output;
    CChatEdit* m_Chat;
    std::map<int, CSkinButton*> m_Buttons;
    QWidget* m_HelpDialog = nullptr;

    CClockSwitch m_ClockSwitch;
    bool m_BlackAtBottom = false;
    bool m_Drawn = false;
    bool m_WhiteLost = false;
    bool m_BlackLost = false;
    bool m_DrawPending = false;
    bool m_DrawOffered = false;
    bool m_DrawOfferSent = false; // my last move carried an offer the opponent may accept
    bool m_TakebackRequested = false;
    bool m_TakebackAsked = false; // I asked to undo and wait for the answer
    bool m_Running = false;
    bool m_OpponentFlagFell = false;
    bool m_MyFlagFell = false; // my clock ran out in this game (a Time Call may follow)
    int m_GameNumber = 0;
    int m_SaveCounter = 1;
    QString m_LastSummary;
    QString m_AddressText; // the address list put into the chat input
    QString m_LoadFolder;
    QString m_SaveFolder;
};
