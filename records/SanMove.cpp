#include "SanMove.h"

#include "ChessPosition.h"
#include "Move.h"

#include <algorithm>

namespace
{
bool IsFile(char ch)
{
    return ch >= 'a' && ch <= 'h';
}
bool IsRank(char ch)
{
    return ch >= '1' && ch <= '8';
}
int32_t ColumnOf(char file)
{
    return 'h' - file;
}
int32_t RowOf(char rank)
{
    return rank - '1';
}

PieceType PieceOfLetter(char ch)
{
    switch (ch)
    {
    case 'K': return PIECE_KING;
    case 'Q': return PIECE_QUEEN;
    case 'R': return PIECE_ROOK;
    case 'B': return PIECE_BISHOP;
    case 'N': return PIECE_KNIGHT;
    default: return -1;
    }
}

bool Refuse(std::string* why, const char* text)
{
    if (why)
        *why = text;
    return false;
}
} // namespace

bool CSanMove::Parse(std::string_view text, CSanMove& san, std::string* why)
{
    san = CSanMove{};
    if (!text.empty() && (text.back() == '+' || text.back() == '#'))
        text.remove_suffix(1);
    if (text == "--" || text == "Z0")
        return Refuse(why, "null moves are not supported");
    if (text == "O-O" || text == "0-0")
    {
        san.castling = Castling::KingSide;
        san.piece = PIECE_KING;
        return true;
    }
    if (text == "O-O-O" || text == "0-0-0")
    {
        san.castling = Castling::QueenSide;
        san.piece = PIECE_KING;
        return true;
    }
    if (text.size() < 2)
        return Refuse(why, "not a move");

    const PieceType piece = PieceOfLetter(text.front());
    if (piece >= 0)
    {
        // Piece move: letter, optional file and/or rank of origin, optional "x", target.
        san.piece = piece;
        text.remove_prefix(1);
        if (text.size() < 2 || !IsFile(text[text.size() - 2]) || !IsRank(text.back()))
            return Refuse(why, "not a move");
        san.to = CCoordinate(RowOf(text.back()), ColumnOf(text[text.size() - 2]));
        text.remove_suffix(2);
        if (!text.empty() && text.back() == 'x')
        {
            san.capture = true;
            text.remove_suffix(1);
        }
        if (!text.empty() && IsFile(text.front()))
        {
            san.fromColumn = ColumnOf(text.front());
            text.remove_prefix(1);
        }
        if (!text.empty() && IsRank(text.front()))
        {
            san.fromRow = RowOf(text.front());
            text.remove_prefix(1);
        }
        return text.empty() || Refuse(why, "not a move");
    }

    // Pawn move: "e4", "exd5", each with an optional promotion "=Q" or "Q".
    if (!IsFile(text.front()))
        return Refuse(why, "not a move");
    const PieceType promoted = PieceOfLetter(text.back());
    if (promoted >= 0)
    {
        if (promoted == PIECE_KING)
            return Refuse(why, "a pawn cannot become a king");
        san.promotion = promoted;
        text.remove_suffix(1);
        if (!text.empty() && text.back() == '=')
            text.remove_suffix(1);
    }
    if (text.size() == 2 && IsRank(text[1]))
    {
        san.fromColumn = ColumnOf(text[0]);
    }
    else if (text.size() == 4 && text[1] == 'x' && IsFile(text[2]) && IsRank(text[3]))
    {
        san.capture = true;
        san.fromColumn = ColumnOf(text[0]);
        if (text[0] - text[2] != 1 && text[2] - text[0] != 1)
            return Refuse(why, "a pawn captures on a neighbouring file");
    }
    else
    {
        return Refuse(why, "not a move");
    }
    san.to = CCoordinate(RowOf(text.back()), ColumnOf(text[text.size() - 2]));
    return true;
}

CSanMove::Match CSanMove::Find(const CChessPosition& position, CMove& move, int32_t& promotionPiece) const
{
    return position.FindSan(*this, move, promotionPiece);
}
