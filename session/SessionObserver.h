#pragma once

#include "ChessTypes.h"
#include "Move.h"

#include <QString>

#include <vector>

struct CPgnIndexEntry;

// What a board shows changed. A move or drop that came from an engine or the
// network may be animated by the view; the position is already the new one.
struct BoardChange
{
    bool animate = false;
    bool drop = false; // the animated change is a drop from the holdings
    CMove move;        // the move, or for a drop the square in move.to
    PieceType dropped = PIECE_PAWN;
};

// What a game session reports to its window. The window redraws from the
// session's state when told; it never changes the game itself.
class ISessionObserver
{
public:
    virtual ~ISessionObserver() = default;

    // A board's position, orientation, last-move mark or input state changed.
    virtual void OnBoardChanged(int board, const BoardChange& change) = 0;
    // The shown or enabled state of the command buttons may have changed.
    virtual void OnButtonsChanged() = 0;
    // The move list's moves, result text or information text changed.
    virtual void OnMoveListChanged() = 0;
    // The players the panels show, or their computer marks, changed.
    virtual void OnPanelsChanged() = 0;
    // A notice the user confirms (the program's message dialog).
    virtual void OnMessage(const QString& text) = 0;
    // A game notice for the chat output of a network game.
    virtual void OnNotice(const QString& text) = 0;
    // A chat line, the local player's own or a received one.
    virtual void OnChatLine(const QString& nickname, const QString& text, bool own) = 0;
    // A new stay in a network game: the chat output and input start empty.
    virtual void OnChatCleared() = 0;
    // The frame's title: whether it announces the local player's turn.
    virtual void OnTurnChanged(bool yourTurn) = 0;
    // The opponent or an engine has moved and the move sound is wanted.
    virtual void OnMoveSound() = 0;
    // A game ended; its result is in the session.
    virtual void OnGameEnded() = 0;
    // An engine's thinking changed (local chess).
    virtual void OnThinkingChanged() = 0;
    // A network game was joined: this session's window becomes the visible one.
    virtual void OnShowRequested() = 0;
    // The server's address list, offered in the chat input for copying.
    virtual void OnAddressOffered(const QString& addresses) = 0;
    // A player was admitted (the offered address has done its work).
    virtual void OnPlayerAdmitted() = 0;
    // A file holds several games: the one to load (an index into `games`),
    // or -1 when none was chosen.
    [[nodiscard]] virtual int OnChooseGame(const std::vector<CPgnIndexEntry>& games) = 0;
};

// Every report ignored; a session without a window reports here.
class CSessionObserverBase : public ISessionObserver
{
public:
    void OnBoardChanged(int, const BoardChange&) override {}
    void OnButtonsChanged() override {}
    void OnMoveListChanged() override {}
    void OnPanelsChanged() override {}
    void OnMessage(const QString&) override {}
    void OnNotice(const QString&) override {}
    void OnChatLine(const QString&, const QString&, bool) override {}
    void OnChatCleared() override {}
    void OnTurnChanged(bool) override {}
    void OnMoveSound() override {}
    void OnGameEnded() override {}
    void OnThinkingChanged() override {}
    void OnShowRequested() override {}
    void OnAddressOffered(const QString&) override {}
    void OnPlayerAdmitted() override {}
    [[nodiscard]] int OnChooseGame(const std::vector<CPgnIndexEntry>&) override { return -1; }
};
