#pragma once

#include "ChessTypes.h"
#include "Coordinate.h"

#include <cstdint>
#include <string>
#include <string_view>

class CChessPosition;
class CMove;

// One SAN move read as the PGN standard writes it: piece letters in upper
// case, a pawn capture with its file and "x", promotion as "=Q" or "Q",
// castling with letters or zeros, and an optional "+" or "#" that is not
// checked. Annotation marks ("!", "?") are not part of it. Lower-case piece
// letters, promotion letters in lower case and null moves are refused.
class CSanMove
{
public:
    enum class Castling
    {
        None,
        KingSide,
        QueenSide,
    };
    enum class Match
    {
        Legal,
        Illegal,          // no piece of that kind can legally make the move
        Ambiguous,        // more than one can, and the text does not say which
        PromotionMissing, // a pawn reaches the last rank without a piece letter
        NotAPromotion,    // a piece letter on a move that is no promotion
    };

    // False when the text is not a SAN move; `why` then says what is wrong.
    static bool Parse(std::string_view text, CSanMove& san, std::string* why = nullptr);
    // The one legal move the text means on the position, and the promotion
    // piece beside it (0 when none). Changes nothing.
    [[nodiscard]] Match Find(const CChessPosition& position, CMove& move, int32_t& promotionPiece) const;

    Castling castling = Castling::None;
    PieceType piece = PIECE_PAWN;
    int32_t fromColumn = -1; // -1 when the text does not fix it
    int32_t fromRow = -1;
    bool capture = false;
    CCoordinate to;
    int32_t promotion = 0; // 1..4 when written
};
