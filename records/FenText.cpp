#include "FenText.h"

#include "ChessPosition.h"

#include <sstream>
#include <vector>

namespace
{
bool Fail(std::string* error, const char* why)
{
    if (error)
        *error = why;
    return false;
}

PieceType TypeFromLetter(char lower)
{
    switch (lower)
    {
    case 'p': return PIECE_PAWN;
    case 'r': return PIECE_ROOK;
    case 'n': return PIECE_KNIGHT;
    case 'b': return PIECE_BISHOP;
    case 'q': return PIECE_QUEEN;
    case 'k': return PIECE_KING;
    default: return -1;
    }
}

bool ParseCount(const std::string& text, int maxDigits, int32_t& value)
{
    if (text.empty() || static_cast<int>(text.size()) > maxDigits)
        return false;
    int32_t v = 0;
    for (char ch : text)
    {
        if (ch < '0' || ch > '9')
            return false;
        v = v * 10 + (ch - '0');
    }
    value = v;
    return true;
}

// Has a piece of this colour and type, not promoted, on the square.
bool Holds(const CPositionState& s, int row, int column, Colour colour, PieceType type)
{
    return s.board[column + 8 * row] == MakePieceCode(colour, type);
}
} // namespace

bool CFenText::ReadFen(CChessPosition& position, const std::string& fen, std::string* error)
{
    std::istringstream in(fen);
    std::vector<std::string> fields;
    for (std::string field; in >> field;)
    {
        fields.push_back(field);
        if (fields.size() > 6)
            break;
    }
    if (fields.size() != 6)
        return Fail(error, "a FEN has six fields");

    CPositionState s;
    int kings[3] = {0, 0, 0};

    // Placement: rank 8 first, files a to h within a rank.
    int row = 7;
    int file = 0;
    for (char ch : fields[0])
    {
        if (ch == '/')
        {
            if (file != 8 || row == 0)
                return Fail(error, "each rank must hold eight squares, and there are eight ranks");
            --row;
            file = 0;
            continue;
        }
        if (ch >= '1' && ch <= '8')
        {
            file += ch - '0';
            if (file > 8)
                return Fail(error, "a rank holds more than eight squares");
            continue;
        }
        const bool white = ch >= 'A' && ch <= 'Z';
        const PieceType type = TypeFromLetter(white ? static_cast<char>(ch - 'A' + 'a') : ch);
        if (type < 0)
            return Fail(error, "unknown piece letter");
        if (file >= 8)
            return Fail(error, "a rank holds more than eight squares");
        const Colour colour = white ? COLOUR_WHITE : COLOUR_BLACK;
        if (type == PIECE_PAWN && (row == 0 || row == 7))
            return Fail(error, "pawns cannot stand on the first or last rank");
        const CCoordinate square(row, 7 - file);
        s.board[square.Index()] = MakePieceCode(colour, type);
        if (type == PIECE_KING)
        {
            ++kings[colour];
            s.kingSquare[colour] = square;
        }
        ++file;
    }
    if (row != 0 || file != 8)
        return Fail(error, "the placement must describe eight ranks of eight squares");
    if (kings[COLOUR_WHITE] != 1 || kings[COLOUR_BLACK] != 1)
        return Fail(error, "each side must have exactly one king");

    if (fields[1] == "w")
        s.sideToMove = COLOUR_WHITE;
    else if (fields[1] == "b")
        s.sideToMove = COLOUR_BLACK;
    else
        return Fail(error, "the side to move is w or b");

    // Castling: the has-moved flags start set and each letter clears its own.
    for (Colour c : {COLOUR_BLACK, COLOUR_WHITE})
        s.aRookMoved[c] = s.hRookMoved[c] = 1;
    if (fields[2] != "-")
    {
        for (char ch : fields[2])
        {
            const Colour colour = (ch == 'K' || ch == 'Q') ? COLOUR_WHITE : COLOUR_BLACK;
            const bool hSide = ch == 'K' || ch == 'k';
            if (ch != 'K' && ch != 'Q' && ch != 'k' && ch != 'q')
                return Fail(error, "castling rights are written with K, Q, k, q or -");
            int32_t& flag = hSide ? s.hRookMoved[colour] : s.aRookMoved[colour];
            if (flag == 0)
                return Fail(error, "a castling letter is repeated");
            const int home = colour == COLOUR_WHITE ? 0 : 7;
            if (!Holds(s, home, 3, colour, PIECE_KING) || !Holds(s, home, hSide ? 0 : 7, colour, PIECE_ROOK))
                return Fail(error, "castling needs the king and the rook on their home squares");
            flag = 0;
        }
    }
    for (Colour c : {COLOUR_BLACK, COLOUR_WHITE})
    {
        const int home = c == COLOUR_WHITE ? 0 : 7;
        if (!Holds(s, home, 3, c, PIECE_KING))
            s.kingMoved[c] = 1;
    }

    // En passant: the square the pawn passed; the model keeps the pawn's square.
    if (fields[3] != "-")
    {
        if (fields[3].size() != 2)
            return Fail(error, "bad en-passant square");
        const CCoordinate passed = CCoordinate::FromText(fields[3].c_str());
        if (!passed.IsOnBoard())
            return Fail(error, "bad en-passant square");
        const bool whitePassed = s.sideToMove == COLOUR_BLACK;
        const int wantRow = whitePassed ? 2 : 5;
        const int step = whitePassed ? 1 : -1;
        const Colour pawnColour = whitePassed ? COLOUR_WHITE : COLOUR_BLACK;
        if (passed.y != wantRow || s.board[passed.Index()] != 0 || s.board[passed.x + 8 * (passed.y - step)] != 0 ||
            !Holds(s, passed.y + step, passed.x, pawnColour, PIECE_PAWN))
            return Fail(error, "no pawn has just passed the en-passant square");
        s.enPassant = 1;
        s.enPassantSquare = CCoordinate(passed.y + step, passed.x);
    }

    int32_t halfmoves = 0;
    int32_t fullMove = 0;
    if (!ParseCount(fields[4], 5, halfmoves))
        return Fail(error, "the halfmove clock is a number");
    if (!ParseCount(fields[5], 5, fullMove) || fullMove < 1)
        return Fail(error, "the move number is a number from 1");
    s.halfmoveClock = halfmoves;

    // The side that has just moved cannot be in check.
    CChessPosition probe;
    probe.RestoreState(s);
    if (probe.IsInCheck(OppositeColour(s.sideToMove)))
        return Fail(error, "the side not to move is in check");

    position.SetUp(s, fullMove);
    return true;
}

std::string CFenText::WriteFen(const CChessPosition& position)
{
    static constexpr char kLetters[] = "prnbqk";
    const CPositionState& s = position.State();
    std::string fen;
    for (int row = 7; row >= 0; --row)
    {
        int empty = 0;
        for (int column = 7; column >= 0; --column)
        {
            const PieceCode code = s.board[column + 8 * row];
            if (code == 0)
            {
                ++empty;
                continue;
            }
            if (empty)
                fen += static_cast<char>('0' + empty);
            empty = 0;
            char letter = kLetters[TypeOfCode(code) % 6];
            if (ColourOfCode(code) == COLOUR_WHITE)
                letter = static_cast<char>(letter - 'a' + 'A');
            fen += letter;
        }
        if (empty)
            fen += static_cast<char>('0' + empty);
        if (row)
            fen += '/';
    }
    fen += s.sideToMove == COLOUR_BLACK ? " b " : " w ";

    std::string castling;
    if (!s.kingMoved[COLOUR_WHITE] && !s.hRookMoved[COLOUR_WHITE])
        castling += 'K';
    if (!s.kingMoved[COLOUR_WHITE] && !s.aRookMoved[COLOUR_WHITE])
        castling += 'Q';
    if (!s.kingMoved[COLOUR_BLACK] && !s.hRookMoved[COLOUR_BLACK])
        castling += 'k';
    if (!s.kingMoved[COLOUR_BLACK] && !s.aRookMoved[COLOUR_BLACK])
        castling += 'q';
    fen += castling.empty() ? "-" : castling;

    if (s.enPassant && s.enPassantSquare.IsOnBoard())
    {
        const int step = s.sideToMove == COLOUR_BLACK ? -1 : 1; // back towards where the pawn came from
        const CCoordinate passed(s.enPassantSquare.y + step, s.enPassantSquare.x);
        fen += ' ' + (passed.IsOnBoard() ? passed.ToText() : std::string("-"));
    }
    else
    {
        fen += " -";
    }
    fen += ' ' + std::to_string(s.halfmoveClock) + ' ' + std::to_string(position.FullMoveNumber());
    return fen;
}
