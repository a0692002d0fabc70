#pragma once

#include "ChessPosition.h"

#include <cstdint>
#include <string>
#include <string_view>

// One SAN move read as the PGN standard writes it: piece letters in upper
// case, a pawn capture with its file and "x", promotion as "=Q" or "Q",
// castling with letters or zeros, and an optional "+" or "#" that is not
// checked. Annotation marks ("!", "?") are not part of it. Lower-case piece
// letters, promotion letters in lower case and null moves are refused.
class CSanMove : public CSanQuery
{
public:
    using Match = SanMatch;

    // False when the text is not a SAN move; `why` then says what is wrong.
    static bool Parse(std::string_view text, CSanMove& san, std::string* why = nullptr);
    // The one legal move the text means on the position, and the promotion
    // piece beside it (0 when none). Changes nothing.
    [[nodiscard]] Match Find(const CChessPosition& position, CMove& move, int32_t& promotionPiece) const;

    bool capture = false; // an "x" was written
};
