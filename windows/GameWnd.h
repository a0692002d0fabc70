#pragma once

#include "BoardViewObserver.h"
#include "ChatEdit.h"
#include "MoveListOwner.h"
#include "SessionObserver.h"

#include <QKeySequence>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <vector>

class CBitmapCache;
class QMenu;
class QShortcut;
class GameSettings;
class CBoardView;
class CGameSession;
class CHtmlDlg;
class CMoveListWnd;
class COutputPane;
class CPlayerWnd;
class CSkinButton;
class QMenu;

// The base of the three game windows. It lays out nothing itself but holds
// what every game window shows: the board views, the player panels, the move
// list or the chat, and the command buttons built from the session's table.
// It forwards the player's gestures and button presses to the session and
// redraws from the session's reports; the game itself lives in the session.
// Each window adds its layout and the dialogs of its kind.
class CGameWnd : public QWidget,
                 public ISessionObserver,
                 public IBoardViewObserver,
                 public IMoveListOwner,
                 public IChatSender
{
    Q_OBJECT

public:
    // What the window asks of the main frame; each may be left empty.
    struct FrameHooks
    {
        std::function<void(const QString&)> setTitle; // the frame's title (default: the top window's)
        std::function<void()> showWindow;             // make this window the visible one
        std::function<void()> showMenu;               // show the main menu
    };
    // Asks for a file to load (save false) or to save, starting in a folder
    // with a proposed name; empty when the user cancelled.
    using FileChooser = std::function<QString(bool save, const QString& folder, const QString& suggested)>;
    // Asks which piece a person's pawn becomes (PieceType 1..4).
    using PromotionAsker = std::function<int32_t(Colour side)>;
    // Shows the list of a file's games (number, White, Black, Result, Event,
    // Date) and gives the chosen row, -1 when none was chosen.
    using GameChooser = std::function<int(const std::vector<QStringList>& rows)>;

    // One entry of the board's menu: its object name (for tools and tests),
    // its text, whether it may be chosen now, and what it does.
    struct BoardMenuEntry
    {
        QString name;
        QString text;
        bool enabled = true;
        std::function<void()> run;
    };

    // Which parts a kind of game shows.
    struct Parts
    {
        int boards = 1;
        bool bughouse = false;
        int panels = 2;
        bool moveList = true;
        bool chat = false;
        bool patterned = true;           // the background is the tiled pattern
        bool clearAddressOnJoin = false; // else the offered address is only deselected
    };

    ~CGameWnd() override;

    void SetFrameHooks(FrameHooks hooks) { m_Hooks = std::move(hooks); }
    void SetFileChooser(FileChooser chooser) { m_FileChooser = std::move(chooser); }
    void SetPromotionAsker(PromotionAsker asker) { m_PromotionAsker = std::move(asker); }
    void SetGameChooser(GameChooser chooser) { m_GameChooser = std::move(chooser); }

    // The board's menu ("boardMenu"), rebuilt each time it is shown.
    [[nodiscard]] QMenu* BoardMenu() const { return m_BoardMenu; }
    // Fills a menu with the entries of BoardMenuEntries, in their order, and
    // Flip Board.
    void FillBoardMenu(QMenu& menu);

    // Runs the command of a button as a click on it does: a hidden or
    // disabled button does nothing, and a question the command asks comes first.
    void OnCommand(int id);

    // The parts, for the main frame, the automation channel and tests.
    [[nodiscard]] CSkinButton* Button(int id) const;
    [[nodiscard]] CBoardView* Board(int index = 0) const;
    [[nodiscard]] CPlayerWnd* Panel(int index) const;
    [[nodiscard]] CMoveListWnd* MoveList() const { return m_MoveList; }
    [[nodiscard]] COutputPane* Output() const { return m_Output; }
    [[nodiscard]] CChatEdit* ChatInput() const { return m_Chat; }
    // The help dialog; null until help was asked for.
    [[nodiscard]] CHtmlDlg* HelpDialog() const { return m_Help; }
    // Whether closing now would end a connection to another player.
    [[nodiscard]] bool IsConnectedToOthers() const;
    // The mouse wheel over the window: the move list, else the chat output.
    bool HandleWheel(int delta, const QPoint& globalPointer);

    // Turns the boards on screen (key F, the board's menu): only the view
    // turns, with the panels; the game and what peers are told stay as they were.
    void FlipBoards();
    [[nodiscard]] bool IsViewTurned() const { return m_ViewTurned; }
    // The key that runs a command's button, empty for none.
    [[nodiscard]] static QKeySequence KeyOf(int id);

signals:
    // The window left for the main menu.
    void MenuRequested();

protected:
    // The parts take their stable names, by which tools and tests find them:
    // "board" (or "board0", "board1"), "bottomPanel" and "topPanel" (or
    // "panel0" to "panel3"), "moveList", "chatOutput" and "chatInput".
    CGameWnd(std::unique_ptr<CGameSession> session, const Parts& parts, GameSettings& settings, CBitmapCache& bitmaps,
             QWidget* parent);

    [[nodiscard]] CGameSession& BaseSession() const { return *m_Session; }
    [[nodiscard]] CBitmapCache& Bitmaps() const { return m_Bitmaps; }
    [[nodiscard]] GameSettings& Settings() const { return m_Settings; }
    // The commands the window carries out: those that need a dialog or leave.
    virtual void RunWindowCommand(int id) = 0;
    // Places the parts; called on every resize.
    virtual void Layout() = 0;
    // The piece a person's pawn becomes; by default the promotion dialog.
    [[nodiscard]] virtual int32_t AskPromotion(Colour side);
    [[nodiscard]] virtual QPoint PromotionDialogPosition(Colour side) const = 0;
    // The file dialogs' filters in the string table's form ("PGN Files
    // (*.pgn)|*.pgn||") and the string-table id of the extension a saved file gets.
    [[nodiscard]] virtual QString FileFilter() const;
    [[nodiscard]] virtual int FileExtension() const;
    // The name Save Game proposes in the file dialog.
    [[nodiscard]] virtual QString SuggestedSaveName() const;
    // A chat line typed by the local player.
    virtual void SubmitChat(const QString& /*text*/) {}
    // The entries of the board's menu: the position and the game to the
    // clipboard on a board with a record; a kind of game adds its own.
    [[nodiscard]] virtual std::vector<BoardMenuEntry> BoardMenuEntries();
    // The common entries, by name: "copyFen", "pasteFen", "copyPgn", "pastePgn", "exportPgn".
    [[nodiscard]] BoardMenuEntry CopyFenEntry();
    [[nodiscard]] BoardMenuEntry PasteFenEntry();
    [[nodiscard]] BoardMenuEntry CopyPgnEntry();
    [[nodiscard]] BoardMenuEntry PastePgnEntry();
    [[nodiscard]] BoardMenuEntry ExportPgnEntry();

    // Asks the file chooser for a file to load or to save.
    [[nodiscard]] QString ChooseFile(bool save, const QString& folder, const QString& suggested) const
    {
        return m_FileChooser(save, folder, suggested);
    }
    // Commands every kind does alike.
    void LoadGame();
    void SaveGame();
    void ExportGame();
    void ShowHelp(int titleId, int pageId);
    // After the session has left: the window hides and the main menu is shown.
    void ShowMainMenu();
    void ShowMessage(const QString& text);
    void SetTitle(const QString& title);
    // The buttons in one column from (x, top), rows `step` apart, each of the given size.
    void PlaceButtons(int x, int top, int step, const QSize& size);
    [[nodiscard]] QSize ButtonSize() const;

    // ISessionObserver
    void OnBoardChanged(int board, const BoardChange& change) override;
    void OnButtonsChanged() override;
    void OnMoveListChanged() override;
    void OnPanelsChanged() override;
    void OnMessage(const QString& text) override;
    void OnNotice(const QString& text) override;
    void OnChatLine(const QString& nickname, const QString& text, bool own) override;
    void OnChatCleared() override;
    void OnTurnChanged(bool yourTurn) override;
    void OnMoveSound() override;
    void OnGameEnded() override {}
    void OnThinkingChanged() override {}
    void OnShowRequested() override;
    void OnAddressOffered(const QString& addresses) override;
    void OnPlayerAdmitted() override;
    [[nodiscard]] int OnChooseGame(const std::vector<CPgnIndexEntry>& games) override;

    // IBoardViewObserver
    void OnMoveRequested(CBoardView* view, const CMove& move) override;
    void OnDropRequested(CBoardView* view, const CCoordinate& square, PieceType type) override;
    void OnBoardMenuRequested(CBoardView* view, const QPoint& globalPoint) override;

    // IMoveListOwner: browsing the session's record between games.
    void GoToStart() override;
    void StepBack() override;
    std::string StepForward() override;
    std::vector<std::string> GoToEnd() override;
    [[nodiscard]] bool CanStepBack() const override;
    [[nodiscard]] bool CanStepForward() const override;

    // IChatSender
    void SendChat(const QString& text) override { SubmitChat(text); }

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    [[nodiscard]] int BoardIndex(const CBoardView* view) const;
    // Every part redrawn from the session.
    void RedrawAll();
    void NameParts();
    // The keys of the window: the buttons' shortcuts, F, Escape and the browsing keys.
    void CreateKeys();
    void SetTabOrder();
    // Layout, then the panels swapped to follow a turned view.
    void Relayout();
    void FollowTurn();
    // Browsing by key, as the move list's buttons do when they are enabled.
    void BrowseByKey(int key);

    std::unique_ptr<CGameSession> m_Session;
    Parts m_Parts;
    GameSettings& m_Settings;
    CBitmapCache& m_Bitmaps;
    FrameHooks m_Hooks;
    FileChooser m_FileChooser;
    PromotionAsker m_PromotionAsker;
    GameChooser m_GameChooser;
    QMenu* m_BoardMenu = nullptr;

    std::vector<CBoardView*> m_Boards;
    std::vector<CPlayerWnd*> m_Panels;
    CMoveListWnd* m_MoveList = nullptr;
    COutputPane* m_Output = nullptr;
    CChatEdit* m_Chat = nullptr;
    std::map<int, CSkinButton*> m_Buttons;
    CHtmlDlg* m_Help = nullptr;
    QString m_AddressText;     // the address list put into the chat input for copying
    bool m_Browsing = false;   // the move list updates itself while it browses
    bool m_ViewTurned = false; // the boards are shown the other way round than the game says
};
