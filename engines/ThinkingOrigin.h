#pragma once

#include "ChessPosition.h"
#include "EngineMove.h"

#include <cstdint>
#include <string_view>
#include <vector>

// Finds the position a thinking line was searched in. An engine writes its
// lines while it searches; the lines it wrote before it read the last move
// it was sent (a search on the opponent's time, or one stopped by that move)
// reach the program after the move was added to the game. Such a line is
// told by its variation, which reads from the position before the move and
// not from the position after it.
class CThinkingOrigin
{
public:
    // The ply of the line's position: `moves.size()`, or one fewer for a
    // line of the position before the last move when that move was the
    // opponent's (`opponentMovedLast`); the engine knew of its own moves.
    // Games from a set-up position and games with drops are taken as they
    // are (`moves.size()`).
    [[nodiscard]] int32_t PlyOf(const std::vector<EngineMove>& moves, bool standardStart, bool opponentMovedLast,
                                std::string_view pv);

private:
    // Brings the positions up to `moves`: one move on from the last call is
    // played, anything else replayed. False when a move does not play.
    bool Follow(const std::vector<EngineMove>& moves);
    static bool Play(CChessPosition& position, const EngineMove& move);

    std::vector<EngineMove> m_Moves;
    bool m_Valid = false;
    CChessPosition m_Now;    // after m_Moves
    CChessPosition m_Before; // after all of m_Moves but the last
};
