#pragma once

#include <cstdint>
#include <string>

class CChessPosition;
struct CPositionState;

// Forsyth-Edwards Notation: the six standard fields.
class CFenText
{
public:
    static constexpr const char* kInitialPosition = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

    // Sets the position from a FEN text and empties its record. A malformed or
    // impossible FEN (wrong field count, bad letters, ranks not of eight
    // squares, not exactly one king a side, pawns on the first or last rank,
    // castling without king and rook at home, an en-passant square no pawn
    // just passed, the side not to move in check) is refused: the position is
    // left unchanged and `error` names the fault, such as "two white kings" or
    // "side to move must be w or b, not "x"".
    static bool ReadFen(CChessPosition& position, const std::string& fen, std::string* error = nullptr);
    // The FEN of the current position.
    [[nodiscard]] static std::string WriteFen(const CChessPosition& position);
    // The FEN of the position the game record starts from.
    [[nodiscard]] static std::string StartFen(const CChessPosition& position);
    [[nodiscard]] static std::string WriteFen(const CPositionState& state, int32_t fullMoveNumber);
};
