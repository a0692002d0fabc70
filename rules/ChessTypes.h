#pragma once

#include <cstdint>

// Sides, piece types and the one-byte piece code. These numbers travel on the
// wire, through the engine interface and into the drawing code, so they are fixed.

using Colour = int32_t;
inline constexpr Colour COLOUR_NONE = 0;
inline constexpr Colour COLOUR_BLACK = 1;
inline constexpr Colour COLOUR_WHITE = 2;

// The opposite side; the opposite of "none" is White.
[[nodiscard]] constexpr Colour OppositeColour(Colour c)
{
    return c == COLOUR_WHITE ? COLOUR_BLACK : COLOUR_WHITE;
}

using PieceType = int32_t;
inline constexpr PieceType PIECE_PAWN = 0;
inline constexpr PieceType PIECE_ROOK = 1;
inline constexpr PieceType PIECE_KNIGHT = 2;
inline constexpr PieceType PIECE_BISHOP = 3;
inline constexpr PieceType PIECE_QUEEN = 4;
inline constexpr PieceType PIECE_KING = 5;

// Piece code: colour in bits 7..4, promoted flag in bit 3, type in bits 2..0.
// An empty square is 0.
using PieceCode = uint8_t;
inline constexpr PieceCode PROMOTED_FLAG = 0x08;

[[nodiscard]] constexpr PieceCode MakePieceCode(Colour c, PieceType t, bool promoted = false)
{
    return static_cast<PieceCode>((c << 4) | (promoted ? PROMOTED_FLAG : 0) | (t & 7));
}
[[nodiscard]] constexpr PieceType TypeOfCode(PieceCode code)
{
    return code & 7;
}
[[nodiscard]] constexpr Colour ColourOfCode(PieceCode code)
{
    return code >> 4;
}
// True for a promoted rook, knight, bishop or queen (low nibble 9..12).
[[nodiscard]] constexpr bool IsPromotedNibble(int32_t nibble)
{
    return nibble >= 9 && nibble <= 12;
}

// Promotion choices a player can make (rook, knight, bishop, queen).
[[nodiscard]] constexpr bool IsPromotionChoice(int32_t t)
{
    return t >= PIECE_ROOK && t <= PIECE_QUEEN;
}
