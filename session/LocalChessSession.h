#pragma once

#include "EngineListener.h"
#include "EngineMove.h"
#include "GameSession.h"

#include <QMetaObject>
#include <QStringList>

#include <array>
#include <map>
#include <vector>

class CEngineLoader;
class IChessEngine;
class IChessEngineEx;

// The local chess game: one board shared by two players on this machine, each
// colour played by a person or by an engine. Idle, Running and Paused over
// the board's record, driven by the fifteen commands, the person's moves, the
// clocks and the engines.
//
// Players are roster entries 0 (bottom panel) and 1 (top panel), each with a
// colour; the engine objects are kept by colour. Engine moves and results
// arrive as events (OnEngineMove, OnEngineResult) on the user-interface
// thread, with the engine object that sent them when its plug-in says so;
// the listener drops those of a game that has ended. An engine that plays an
// illegal move, claims a result the board does not show, resigns or cannot
// play on loses the game, whoever is to move.
class CLocalChessSession : public CGameSession
{
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
    static constexpr int kBottomPanel = 0;
    static constexpr int kTopPanel = 1;

    // The engine lists and the listener outlive the session.
    CLocalChessSession(GameSettings& settings, PlayerRoster& roster, CEngineLoader& engines, CEngineListener& listener);
    ~CLocalChessSession() override;

    [[nodiscard]] std::vector<CommandButton> Commands() const override;
    [[nodiscard]] CommandState StateOf(int id) const override;
    [[nodiscard]] CommandOwner OwnerOf(int id) const override;

    // The latest thinking of the engine playing a colour, as shown: the
    // principal variation in SAN from the position it was searched in, the
    // score from White's view.
    struct Thinking
    {
        bool valid = false;
        QString engine; // the engine's name
        int32_t depth = -1;
        QString score;      // "+0.35", "#-2", "" when unknown
        int64_t nodes = -1; // -1 when unknown
        int64_t speed = -1; // nodes per second, -1 when unknown
        std::vector<std::string> pv;
    };
    [[nodiscard]] const Thinking& ThinkingOf(Colour colour) const;
    // Whether the thinking pane belongs on the screen: an engine plays and
    // the user has not hidden it.
    [[nodiscard]] bool IsThinkingShown() const;

    // Re-initialises the game each time the main menu opens the window.
    void Open();

    // The commands.
    void NewGame();
    void StartGame();
    void PauseGame();
    void ContinueGame();
    void AbortGame();
    void OfferDraw();
    void CancelOffer();
    void AcceptDraw();
    void TakebackMove();
    // How many plies Takeback Move takes back now: against an engine the
    // person gets back to their own move (the engine's reply and their move,
    // or only their move while the engine thinks); else one.
    [[nodiscard]] int TakebackPlies() const;
    void SwitchColor();
    // Menu: the game ends, the engines are quit and the roster is emptied.
    void Leave();

    // The Settings dialog: what each of its two players (0: the top entry's
    // colour, 1: the bottom entry's) may choose, and the choice made.
    struct PlayerChoices
    {
        std::array<QStringList, 2> names;
        std::array<int, 2> current{};
    };
    [[nodiscard]] PlayerChoices SettingsChoices() const;
    // The engine type's own configuration dialog for a dialog player's entry (1 and up).
    void ConfigureEngine(int player, int entry) const;
    // After OK: the engines quit, the chosen players take over, the names follow the settings.
    void ApplySettings(const std::array<int, 2>& selectedEntries);

    // Gestures and events.
    bool RequestMove(int board, const CMove& move, int32_t promotion) override;
    // `source` is the engine object that sent it, null when unknown; `text`
    // the engine's own words.
    void OnEngineMove(const EngineMove& move, IChessEngine* source = nullptr, const QString& text = QString());
    void OnEngineResult(int32_t result, IChessEngine* source = nullptr, const QString& text = QString());
    void OnEngineReady(IChessEngine* source, const QString& name);
    void OnEngineFailed(IChessEngine* source, int32_t reason, const QString& text);
    void OnEngineThinking(IChessEngine* source, const EngineThinkingLine& line);

    // State for the window and tests.
    [[nodiscard]] bool IsTurnedAround() const { return IsFlipped(0); }
    [[nodiscard]] bool HasDeferredMove() const { return m_DeferredMove; }
    [[nodiscard]] bool IsEngine(Colour colour) const { return EngineOf(colour) != nullptr; }
    [[nodiscard]] IChessEngine* EngineOf(Colour colour) const;
    [[nodiscard]] bool ArePersonsPlaying() const { return !IsEngine(COLOUR_WHITE) && !IsEngine(COLOUR_BLACK); }
    [[nodiscard]] Colour ColourOfEntry(int entry) const;
    // The colour an engine object plays now, COLOUR_NONE when it plays none.
    [[nodiscard]] Colour ColourOfEngine(const IChessEngine* engine) const;
    // The engine's own name as it told it; empty until then.
    [[nodiscard]] QString EngineName(const IChessEngine* engine) const;
    // The panel of the player of that colour.
    [[nodiscard]] int PanelOf(Colour colour) const;
    [[nodiscard]] bool PanelComputerMark(int panel) const override;

    // IClockOwner: a panel's clock ran out.
    void OnTimeExpired(CPlayerClock* clock) override;

protected:
    void RunCommand(int id) override;
    [[nodiscard]] QString NameOf(Colour colour) const override;
    void OnCheckmate(int board, Colour mated) override;
    void OnStalemate(int board, Colour side) override;
    void OnDrawByRule(int board, int textId) override;
    void BeforeLoad() override;
    void OnGameLoaded(const QString& white, const QString& black) override;
    [[nodiscard]] QString ExportNameOf(Colour colour) const override;

private:
    // Ends the game; engines that can hear it are told the result (an
    // EngineResult code, -1 for none) and its reason.
    void EndGame(int32_t result = -1, const char* reason = "Unfinished");
    // The engine of that colour loses: the game ends with the message.
    void EngineLoses(Colour colour, const QString& message, const char* reason);
    [[nodiscard]] IChessEngineEx* Extension(const IChessEngine* engine) const;
    // Starts an engine chosen as a player without waiting for it.
    void StartEngine(IChessEngine* engine);
    // Tells an engine about to start a game the settings it plays with.
    void PrepareEngine(IChessEngine* engine);
    void QuitEngines();
    // The name of each engine player's roster entry becomes the engine's own.
    void ShowEngineNames();
    // Tells the engine now to move to search, with both clocks (extension only).
    void GoIfToMove(IChessEngine* engine);
    [[nodiscard]] QString PlayerText(Colour colour) const;
    // Whether every engine of the game can be given its start position; a refusal is told.
    bool EnginesTakeStartPosition();
    void RefuseSetUpPosition(IChessEngine* engine);
    // The export keeps the mover's clock after each move of a timed game.
    void NoteMoverClock(Colour mover);
    // New Game and Start Game share everything but the record.
    void BeginGame(bool keepRecord);
    void PlayEngineMove(const EngineMove& move, IChessEngine* source, const QString& text);
    // Tells the engine now to move the move just played, with both clocks.
    void TellEngineOpponentMove(IChessEngine* engine, const CMove& move, int32_t promotion);
    // The start position (with the extension), ClearMoves, the recorded moves
    // up to the shown position, StartGame. False, told, when the engine
    // refuses the start position of the game.
    bool RestartEngine(IChessEngine* engine, bool replayRecord);
    void ChoosePlayers(IChessEngine* white, IChessEngine* black);
    void LockBoardFor(Colour sideToMove);
    void SwitchClocksAfterMove(Colour sideToMove);
    void SetEntryName(int entry, const QString& name);
    void MarkLoser(Colour colour);
    [[nodiscard]] static QString ColourText(Colour colour);

    CEngineLoader& m_Engines;
    CEngineListener& m_Listener;
    std::vector<QMetaObject::Connection> m_Connections;
    IChessEngine* m_WhiteEngine = nullptr;
    IChessEngine* m_BlackEngine = nullptr;
    bool m_DeferredMove = false;
    EngineMove m_Deferred;
    IChessEngine* m_DeferredSource = nullptr;
    QString m_DeferredText;
    std::map<const IChessEngine*, QString> m_EngineNames;
    std::array<Thinking, 2> m_Thinking; // by colour: 0 White, 1 Black
};
