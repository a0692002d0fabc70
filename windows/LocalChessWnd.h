#pragma once

#include "ChessTypes.h"
#include "ClockSwitch.h"
#include "ClockTime.h"
#include "GameObserver.h"
#include "IClockOwner.h"
#include "Move.h"
#include "MoveListOwner.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class CBoardView;
class CEngineListener;
class CEngineLoader;
class CHtmlDlg;
class CMoveListWnd;
class CPlayerWnd;
class CSingleSettingsDlg;
class CSkinButton;
class IChessEngine;

// The local chess game: one board shared by two players on this machine, each
// colour played by a person at the mouse or by an engine. A state machine
// (Idle, Running, Paused) over the board view's game record, driven by the
// fifteen command buttons, the board's reports, the clocks and the engines.
//
// Engine moves and results reach the window through the engine listener,
// which hands them over on the user-interface thread; the listener drops what
// belongs to a game that has ended.
class CLocalChessWnd : public QWidget, public CGameObserverBase, public IClockOwner, public IMoveListOwner
{
    Q_OBJECT

public:
    // Control ids of the command buttons.
    enum : int
    {
        ID_NEW_GAME = 1012,
        ID_START_GAME = 1027,
        ID_PAUSE_GAME = 1015,
        ID_CONTINUE_GAME = 1007,
        ID_ABORT_GAME = 1020,
        ID_OFFER_DRAW = 1013,
        ID_CANCEL_OFFER = 1004,
        ID_ACCEPT_DRAW = 1001,
        ID_TAKEBACK_MOVE = 1031,
        ID_SWITCH_COLOR = 1028,
        ID_LOAD_GAME = 1010,
        ID_SAVE_GAME = 1023,
        ID_HELP = 1009,
        ID_SETTINGS = 1025,
        ID_MENU = 1003,
    };

    // The least client size the window needs.
    static constexpr int kMinimumWidth = 663;
    static constexpr int kMinimumHeight = 461;

    // Asked for a file: Load (save false) or Save (save true), starting at
    // the proposed path (a folder, or for Save a folder and a file name).
    // Returns the chosen path, or empty when the user cancelled.
    using FileChooser = std::function<QString(bool save, const QString& proposedPath)>;
    // Asked which piece a person's pawn becomes (PieceType 1..4).
    using PromotionAsker = std::function<int32_t(Colour side)>;
    // Runs the prepared settings dialog and returns its result (IDOK when
    // the user accepted it).
    using SettingsRunner = std::function<int(CSingleSettingsDlg& dialog)>;

    // The engine lists and the listener belong to the main frame and outlive the window.
    CLocalChessWnd(CEngineLoader& engines, CEngineListener& listener, QWidget* parent = nullptr);
    ~CLocalChessWnd() override;

    // Re-initialises the window each time the main menu shows it.
    void Open();

    // The command handlers, one per button.
    void OnCommand(int controlId);
    void OnNewGame();
    void OnStartGame();
    void OnPauseGame();
    void OnContinueGame();
    void OnAbortGame();
    void OnOfferDraw();
    void OnCancelOffer();
    void OnAcceptDraw();
    void OnTakebackMove();
    void OnSwitchColor();
    void OnLoadGame();
    void OnSaveGame();
    void OnHelp();
    void OnSettings();
    void OnMenu();

    // WM_ENGINE_MOVE and WM_ENGINE_RESULT, on the user-interface thread.
    void OnEngineMoveMessage(quint32 word);
    void OnEngineResultMessage(qint32 result);

    // IGameObserver
    void OnMove(CBoardView* view, const CMove& move, int32_t& promotion, Colour sideToMove, bool captured,
                int32_t capturedPiece, std::string& sanText) override;
    void OnCheckmate(CBoardView* view, Colour sideToMove) override;
    void OnThreefoldRepetition(CBoardView* view, Colour sideToMove) override;
    void OnInsufficientMaterial(CBoardView* view, Colour sideToMove) override;
    void OnFiftyMoveRule(CBoardView* view, Colour sideToMove) override;
    void OnStalemate(CBoardView* view, Colour sideToMove) override;

    // IClockOwner
    void OnTimeExpired(CPlayerClock* clock) override;

    // IMoveListOwner: browsing the record, only between games.
    void GoToStart() override;
    void StepBack() override;
    std::string StepForward() override;
    std::vector<std::string> GoToEnd() override;
    [[nodiscard]] bool CanStepBack() const override;
    [[nodiscard]] bool CanStepForward() const override;

    // The mouse wheel over the frame: scrolls the move list.
    bool HandleWheel(int delta, const QPoint& globalPointer);

    // Hooks for the dialogs; each has a working default.
    void SetFileChooser(FileChooser chooser) { m_FileChooser = std::move(chooser); }
    void SetPromotionAsker(PromotionAsker asker) { m_PromotionAsker = std::move(asker); }
    void SetSettingsRunner(SettingsRunner runner) { m_SettingsRunner = std::move(runner); }
    // The folder the file dialogs start in when nothing was loaded or saved yet.
    void SetGamesFolder(const QString& folder) { m_GamesFolder = folder; }

    // State, for the main frame and tests.
    [[nodiscard]] bool IsRunning() const { return m_Running; }
    [[nodiscard]] bool IsPaused() const { return m_Paused; }
    [[nodiscard]] bool IsDrawPending() const { return m_DrawPending; }
    [[nodiscard]] bool IsDrawOffered() const { return m_DrawOffered; }
    [[nodiscard]] bool IsDrawn() const { return m_Drawn; }
    [[nodiscard]] bool HasWhiteLost() const { return m_WhiteLost; }
    [[nodiscard]] bool HasBlackLost() const { return m_BlackLost; }
    [[nodiscard]] bool HasDeferredMove() const { return m_DeferredMove; }
    [[nodiscard]] bool IsWhiteEngine() const { return m_WhiteIsEngine; }
    [[nodiscard]] bool IsBlackEngine() const { return m_BlackIsEngine; }
    [[nodiscard]] IChessEngine* WhiteEngine() const { return m_WhiteEngine; }
    [[nodiscard]] IChessEngine* BlackEngine() const { return m_BlackEngine; }
    [[nodiscard]] bool IsTurnedAround() const { return m_TurnedAround; }
    [[nodiscard]] int32_t SaveCounter() const { return m_SaveCounter; }
    [[nodiscard]] const QString& LoadFolder() const { return m_LoadFolder; }
    [[nodiscard]] const QString& SaveFolder() const { return m_SaveFolder; }
    [[nodiscard]] ClockTime MoveStartTime() const { return m_ClockSwitch.MoveStartTime(); }
    [[nodiscard]] QString DefaultSaveName() const;

    // The parts, for the main frame and tests.
    [[nodiscard]] CSkinButton* Button(int controlId) const;
    [[nodiscard]] CBoardView* Board() const { return m_Board; }
    [[nodiscard]] CPlayerWnd* BottomPanel() const { return m_BottomPanel; }
    [[nodiscard]] CPlayerWnd* TopPanel() const { return m_TopPanel; }
    [[nodiscard]] CMoveListWnd* MoveList() const { return m_MoveList; }
    // The help dialog; null until Help was pressed.
    [[nodiscard]] CHtmlDlg* HelpDialog() const { return m_Help; }
    // The panel of the player who has that colour.
    [[nodiscard]] CPlayerWnd* PanelOf(Colour colour) const;
    // Where the promotion dialog of a person's promotion goes (top-left, global).
    [[nodiscard]] QPoint PromotionDialogPosition(Colour side) const;

signals:
    // The Menu button: the main frame shows the main menu.
    void MenuRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void EndGame();
    void UpdateButtons();
    void Layout();
    // New Game and Start Game share everything but the board's record.
    void BeginGame(bool keepRecord);
    // Plays an engine move that arrived (or was deferred) for the side to move.
    void PlayEngineMove(quint32 word);
    // Tells the engine now to move the move just played, with both clocks.
    void TellEngineOpponentMove(IChessEngine* engine, const CMove& move, int32_t promotion);
    // ClearMoves, the recorded moves up to the shown position, StartGame.
    void RestartEngine(IChessEngine* engine, bool replayRecord);
    void ChoosePlayers(IChessEngine* white, IChessEngine* black);
    [[nodiscard]] IChessEngine* EngineOf(Colour colour) const;
    [[nodiscard]] bool IsEngine(Colour colour) const;
    [[nodiscard]] Colour ColourOfEntry(int entry) const;
    void SetEntryName(int entry, const QString& name);
    void SetFrameTitle(const QString& title);
    void ShowMessage(const QString& text);
    void LockBoardFor(Colour sideToMove);
    [[nodiscard]] int32_t AskPromotion(Colour side);
    [[nodiscard]] QString StartFolder(const QString& remembered) const;
    [[nodiscard]] static QString ColourText(Colour colour);
    [[nodiscard]] static QString FolderOf(const QString& path);

    CEngineLoader& m_Engines;
    CEngineListener& m_Listener;

    CBoardView* m_Board = nullptr;
    CPlayerWnd* m_BottomPanel = nullptr;
    CPlayerWnd* m_TopPanel = nullptr;
    CMoveListWnd* m_MoveList = nullptr;
    std::map<int, CSkinButton*> m_Buttons;
    CHtmlDlg* m_Help = nullptr; // a child of the frame's window

    // Game state, cleared by Open.
    bool m_BlackIsEngine = false;
    bool m_WhiteIsEngine = false;
    IChessEngine* m_BlackEngine = nullptr;
    IChessEngine* m_WhiteEngine = nullptr;
    bool m_DrawPending = false;
    bool m_DrawOffered = false;
    bool m_Drawn = false;
    bool m_WhiteLost = false;
    bool m_BlackLost = false;
    bool m_Running = false;
    bool m_Paused = false;
    bool m_DeferredMove = false;
    quint32 m_DeferredWord = 0;
    CClockSwitch m_ClockSwitch;
    int32_t m_SaveCounter = 1;
    QString m_LoadFolder;
    QString m_SaveFolder;
    QString m_GamesFolder;
    bool m_TurnedAround = false;

    // While an engine move is played, the piece its pawn becomes (0: ask the person).
    int32_t m_EnginePromotion = 0;

    FileChooser m_FileChooser;
    PromotionAsker m_PromotionAsker;
    SettingsRunner m_SettingsRunner;
};
