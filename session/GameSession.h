#pragma once

#include "ChessPosition.h"
#include "ClockSwitch.h"
#include "IClockOwner.h"
#include "PlayerClock.h"
#include "SessionCommand.h"
#include "SessionObserver.h"

#include <QDate>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class GameSettings;
class PlayerRoster;

// The game flow that every kind of game shares, without widgets: the state
// (idle, running, paused), the command table with its enabling rules, the
// game positions and the clocks of the panels, draw offers, the result for a
// saved game, browsing the record between games and saving and loading it.
// One subclass per kind of game adds what that kind does differently.
//
// The session reports every change to its observer (the window), which
// redraws from the session's state; gestures and button presses come back as
// calls. All on the user-interface thread.
class CGameSession : public IClockOwner
{
public:
    // What Save Game writes as the result, besides what the position shows.
    struct ResultFlags
    {
        bool drawn = false;
        bool whiteLost = false;
        bool blackLost = false;

        [[nodiscard]] bool operator==(const ResultFlags&) const = default;
    };

    CGameSession(GameSettings& settings, PlayerRoster& roster, int boards, int panels);
    ~CGameSession() override;
    CGameSession(const CGameSession&) = delete;
    CGameSession& operator=(const CGameSession&) = delete;

    // Where reports go; null silences them.
    void SetObserver(ISessionObserver* observer);

    // The command buttons, in the order of their table.
    [[nodiscard]] virtual std::vector<CommandButton> Commands() const = 0;
    // Shown and enabled now, by the table's rules; a command not in the table is hidden.
    [[nodiscard]] virtual CommandState StateOf(int id) const = 0;
    [[nodiscard]] virtual CommandOwner OwnerOf(int id) const = 0;
    // The question asked before the command runs (none by default).
    [[nodiscard]] virtual CommandQuestion QuestionOf(int /*id*/) const { return {}; }
    // Runs a session command as a click on its button does. A hidden or
    // disabled button, or a command the window owns, does nothing (false).
    bool Command(int id);

    // State
    [[nodiscard]] bool IsRunning() const { return m_Running; }
    [[nodiscard]] bool IsPaused() const { return m_Paused; }
    [[nodiscard]] bool IsDrawPending() const { return m_DrawPending; }
    [[nodiscard]] bool IsDrawOffered() const { return m_DrawOffered; }
    [[nodiscard]] const ResultFlags& Result() const { return m_Result; }
    [[nodiscard]] const GameSettings& Settings() const { return m_Settings; }
    [[nodiscard]] const PlayerRoster& Roster() const { return m_Roster; }

    // Boards: what each shows, which way round, and whether it takes the local player's gestures.
    [[nodiscard]] int BoardCount() const { return static_cast<int>(m_Boards.size()); }
    [[nodiscard]] const CChessPosition& Position(int board = 0) const { return m_Boards[Index(board)]; }
    [[nodiscard]] bool IsFlipped(int board = 0) const { return m_BoardState[Index(board)].flipped; }
    [[nodiscard]] bool IsInputEnabled(int board = 0) const { return m_BoardState[Index(board)].input; }
    // The square marked as the last move's destination on a bughouse board.
    [[nodiscard]] CCoordinate Highlight(int board) const { return m_BoardState[Index(board)].highlight; }

    // Panels: the clock of each and the roster entry it shows (-1: nobody yet).
    [[nodiscard]] int PanelCount() const { return static_cast<int>(m_Clocks.size()); }
    [[nodiscard]] CPlayerClock& Clock(int panel) { return *m_Clocks[PanelIndex(panel)]; }
    [[nodiscard]] const CPlayerClock& Clock(int panel) const { return *m_Clocks[PanelIndex(panel)]; }
    [[nodiscard]] int PanelPlayer(int panel) const { return m_PanelPlayers[PanelIndex(panel)]; }
    [[nodiscard]] virtual bool PanelComputerMark(int /*panel*/) const { return false; }
    // A name a panel shows instead of its roster entry's (a loaded game's player); empty for none.
    [[nodiscard]] virtual QString PanelName(int /*panel*/) const { return {}; }

    // The move list: the moves up to the shown position, the result text
    // read from a file, and the information text shown instead of the moves.
    [[nodiscard]] std::vector<std::string> ShownMoves() const;
    [[nodiscard]] const std::string& ResultText() const { return m_ResultText; }
    [[nodiscard]] const QString& Information() const { return m_Information; }

    // Browsing the record of the first board, only between games.
    [[nodiscard]] bool CanStepBack() const;
    [[nodiscard]] bool CanStepForward() const;
    void GoToStart();
    void StepBack();
    // The SAN text of the move replayed, empty when there was none.
    std::string StepForward();
    void GoToEnd();

    // Saving and loading the game of the first board.
    [[nodiscard]] int SaveCounter() const { return m_SaveCounter; }
    [[nodiscard]] virtual QString DefaultSaveName() const;
    // Whether leaving would close a connection to another player (never in a local game).
    [[nodiscard]] virtual bool IsConnectedToOthers() const { return false; }
    // Writes the game with the players' names and the result; the counter
    // advances whether or not the file could be written. A failure is told.
    bool SaveGame(const QString& path);
    // Reads a game of a PGN file in the standard's import format (the
    // program's own files among them). A file of several games asks the
    // observer which one. False, and told, when the file holds no game (then
    // nothing changed) or when a move of the game is refused: the record then
    // holds the moves before it. A game set up from a position where this
    // kind of game cannot start from one is refused with its own message.
    bool LoadGame(const QString& path);
    // Paste PGN: the same from a text.
    bool LoadGameText(const std::string& text);
    // Paste FEN, between games: the position set up with an empty record.
    // A malformed FEN is refused with a message naming its fault, and nothing changes.
    bool SetUpPosition(const std::string& fen);
    // Whether this kind of game plays from a set-up position.
    [[nodiscard]] virtual bool AcceptsSetUpPosition() const { return true; }
    // The FEN of the position shown.
    [[nodiscard]] std::string PositionFen() const;
    // The whole game in the standard's export format: the Seven Tag Roster
    // with the date and the players' names, "#" on a mate, the result as
    // Save Game gives it, each mover's clock after a move when timed.
    [[nodiscard]] std::string ExportText() const;
    // Writes ExportText to a file; a failure is told.
    bool ExportGame(const QString& path);
    // The move-start time of the clock switch (the bonus credit is measured from it).
    [[nodiscard]] ClockTime MoveStartTime() const { return m_ClockSwitch.MoveStartTime(); }
    // The folder a file dialog starts in: the last one used, else the games folder.
    [[nodiscard]] QString LoadStartFolder() const { return m_LoadFolder.isEmpty() ? m_GamesFolder : m_LoadFolder; }
    [[nodiscard]] QString SaveStartFolder() const { return m_SaveFolder.isEmpty() ? m_GamesFolder : m_SaveFolder; }
    [[nodiscard]] const QString& LoadFolder() const { return m_LoadFolder; }
    [[nodiscard]] const QString& SaveFolder() const { return m_SaveFolder; }
    void SetGamesFolder(const QString& folder) { m_GamesFolder = folder; }

    // Gestures of the local player. A move to the last rank asks the player
    // which piece the pawn becomes before it is requested.
    [[nodiscard]] bool NeedsPromotionChoice(int board, const CMove& move) const;
    // Plays the move if it is the local player's and legal there; false when refused.
    virtual bool RequestMove(int board, const CMove& move, int32_t promotion) = 0;
    virtual bool RequestDrop(int board, const CCoordinate& square, PieceType type);

protected:
    // What playing a move on a board gave.
    struct MoveOutcome
    {
        std::string san;
        int32_t promotion = 0;
        bool captured = false;
        int32_t capturedPiece = 0; // type with the promoted bit, no colour
    };

    // A file in the program's own layout, read as it always was.
    bool LoadOwnLayout(const std::string& text);
    // Before a game is loaded or a position set up: the running game ends.
    virtual void BeforeLoad() {}
    // After a game was read to its end: the names of its White and Black tags.
    virtual void OnGameLoaded(const QString& /*white*/, const QString& /*black*/) {}
    // The name a player of a colour has in an exported game.
    [[nodiscard]] virtual QString ExportNameOf(Colour colour) const { return NameOf(colour); }
    // The mover's clock after the move just recorded, for the export.
    void NoteMoveClock(std::optional<int32_t> milliseconds);
    // A game begins today; a new one (not a continued one) drops the tags of a loaded game.
    void NoteGameStart(bool continued);
    // Runs a command whose button is shown and enabled.
    virtual void RunCommand(int id) = 0;
    // The name of the player of a colour, for Save Game.
    [[nodiscard]] virtual QString NameOf(Colour colour) const = 0;

    // Judging after every move or drop, in the order mate, stalemate, the
    // draws by rule (ordinary boards only), then check on its own.
    void Judge(int board);
    virtual void OnCheckmate(int /*board*/, Colour /*mated*/) {}
    virtual void OnStalemate(int /*board*/, Colour /*side*/) {}
    virtual void OnDrawByRule(int /*board*/, int /*textId*/) {}
    virtual void OnCheck(int /*board*/, Colour /*side*/) {}

    // Plays a legal move with that promotion piece (a pawn becomes a queen
    // when the piece is not a choice). False, nothing changed, when refused.
    bool PlayOnBoard(int board, const CMove& move, int32_t promotion, MoveOutcome& outcome);
    [[nodiscard]] bool IsLegal(int board, const CMove& move) const;
    [[nodiscard]] CChessPosition& MutablePosition(int board = 0) { return m_Boards[Index(board)]; }

    void SetFlipped(int board, bool flipped);
    void SetInput(int board, bool enabled);
    void SetHighlight(int board, const CCoordinate& square) { m_BoardState[Index(board)].highlight = square; }
    void SetPanelPlayer(int panel, int player) { m_PanelPlayers[PanelIndex(panel)] = player; }
    void SetInformation(const QString& text);
    void SetResultText(const std::string& text);
    [[nodiscard]] CClockSwitch& ClockSwitch() { return m_ClockSwitch; }
    [[nodiscard]] const CClockSwitch& ClockSwitch() const { return m_ClockSwitch; }
    void StopClocks();

    // Reports.
    void ReportBoard(int board, const BoardChange& change = {});
    void ReportBoards();
    void ReportButtons();
    void ReportMoveList();
    void ReportPanels();
    void Message(const QString& text);
    void Notice(const QString& text);
    void ChatLine(const QString& nickname, const QString& text, bool own);
    void ReportTurn(bool yourTurn);
    void MoveSound();
    void ReportGameEnded();
    [[nodiscard]] ISessionObserver& Observer() const { return *m_Observer; }

    // A text of the program's string table.
    [[nodiscard]] static QString Text(int id);
    [[nodiscard]] static QString FolderOf(const QString& path);

    GameSettings& m_Settings;
    PlayerRoster& m_Roster;
    bool m_Running = false;
    bool m_Paused = false;
    bool m_DrawPending = false; // the own offer goes out with the next move
    bool m_DrawOffered = false; // the opponent's offer may be accepted
    ResultFlags m_Result;
    int m_SaveCounter = 1;
    QString m_LoadFolder;
    QString m_SaveFolder;

private:
    struct BoardState
    {
        bool flipped = false;
        bool input = false;
        CCoordinate highlight = CCoordinate::None();
    };

    [[nodiscard]] size_t Index(int board) const;
    [[nodiscard]] size_t PanelIndex(int panel) const;

    CSessionObserverBase m_Silent;
    ISessionObserver* m_Observer = &m_Silent;
    std::vector<CChessPosition> m_Boards;
    std::vector<BoardState> m_BoardState;
    std::vector<std::unique_ptr<CPlayerClock>> m_Clocks;
    std::vector<int> m_PanelPlayers;
    CClockSwitch m_ClockSwitch;
    QString m_Information;
    std::string m_ResultText;
    QString m_GamesFolder;
    // The mover's clock after each recorded move (none when not known).
    std::vector<std::optional<int32_t>> m_MoveClocks;
    QDate m_GameDate;
    // The tags of the loaded game, kept for the export of its record.
    std::vector<std::pair<std::string, std::string>> m_LoadedTags;
};
