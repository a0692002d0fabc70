#pragma once

#include <string>

class CChessPosition;

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
    // left unchanged and `error` says why.
    static bool ReadFen(CChessPosition& position, const std::string& fen, std::string* error = nullptr);
    [[nodiscard]] static std::string WriteFen(const CChessPosition& position);
};
