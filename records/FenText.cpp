#include "FenText.h"

#include "ChessPosition.h"
#include "PgnTokenizer.h"

#include <sstream>
#include <vector>

namespace
{
bool Fail(std::string* error, const std::string& why)
{
    if (error)
        *error = why;
    return false;
}

// A piece of the text as it stood, quoted, with unprintable bytes as \xNN and
// overlong text cut short.
std::string Quoted(std::string_view text)
{
    return CPgnTokenizer::Quote(text, 24);
}

std::string Quoted(char ch)
{
    return Quoted(std::string(1, ch));
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
        return Fail(error, fields.size() > 6 ? "a FEN has six fields; this one has more"
                                             : "a FEN has six fields (placement, side to move, castling, "
                                               "en passant, halfmove clock, move number); this one has " +
                                                   std::to_string(fields.size()));

    CPositionState s;
    int kings[3] = {0, 0, 0};

    // Placement: rank 8 first, files a to h within a rank.
    int row = 7;
    int file = 0;
    for (char ch : fields[0])
    {
        const std::string rank = "rank " + std::to_string(row + 1);
        if (ch == '/')
        {
            if (file < 8)
                return Fail(error, "bad piece placement: " + rank + " has fewer than eight squares");
            if (row == 0)
                return Fail(error, "bad piece placement: more than eight ranks");
            --row;
            file = 0;
            continue;
        }
        if (ch >= '1' && ch <= '8')
        {
            file += ch - '0';
            if (file > 8)
                return Fail(error, "bad piece placement: " + rank + " has more than eight squares");
            continue;
        }
        const bool white = ch >= 'A' && ch <= 'Z';
        const PieceType type = TypeFromLetter(white ? static_cast<char>(ch - 'A' + 'a') : ch);
        if (type < 0)
            return Fail(error, "bad piece placement: unknown piece letter " + Quoted(ch));
        if (file >= 8)
            return Fail(error, "bad piece placement: " + rank + " has more than eight squares");
        const Colour colour = white ? COLOUR_WHITE : COLOUR_BLACK;
        if (type == PIECE_PAWN && (row == 0 || row == 7))
            return Fail(error, std::string("bad piece placement: ") + (white ? "white" : "black") + " pawn on " + rank);
        const CCoordinate square(row, 7 - file);
        s.board[square.Index()] = MakePieceCode(colour, type);
        if (type == PIECE_KING)
        {
            ++kings[colour];
            s.kingSquare[colour] = square;
        }
        ++file;
    }
    if (row != 0)
        return Fail(error, "bad piece placement: " + std::to_string(8 - row) + " ranks instead of eight");
    if (file != 8)
        return Fail(error, "bad piece placement: rank 1 has fewer than eight squares");
    for (Colour c : {COLOUR_WHITE, COLOUR_BLACK})
    {
        const char* name = c == COLOUR_WHITE ? "white" : "black";
        if (kings[c] == 0)
            return Fail(error, std::string("no ") + name + " king");
        if (kings[c] == 2)
            return Fail(error, std::string("two ") + name + " kings");
        if (kings[c] > 2)
            return Fail(error, std::to_string(kings[c]) + ' ' + name + " kings");
    }

    if (fields[1] == "w")
        s.sideToMove = COLOUR_WHITE;
    else if (fields[1] == "b")
        s.sideToMove = COLOUR_BLACK;
    else
        return Fail(error, "side to move must be w or b, not " + Quoted(fields[1]));

    // Castling: the has-moved flags start set and each letter clears its own.
    for (Colour c : {COLOUR_BLACK, COLOUR_WHITE})
        s.aRookMoved[c] = s.hRookMoved[c] = 1;
    if (fields[2] != "-")
    {
        for (char ch : fields[2])
        {
            if (ch != 'K' && ch != 'Q' && ch != 'k' && ch != 'q')
                return Fail(error, "castling rights must be - or letters from KQkq, not " + Quoted(fields[2]));
            const Colour colour = (ch == 'K' || ch == 'Q') ? COLOUR_WHITE : COLOUR_BLACK;
            const bool hSide = ch == 'K' || ch == 'k';
            int32_t& flag = hSide ? s.hRookMoved[colour] : s.aRookMoved[colour];
            if (flag == 0)
                return Fail(error, "castling rights repeat " + Quoted(ch));
            const int home = colour == COLOUR_WHITE ? 0 : 7;
            if (!Holds(s, home, 3, colour, PIECE_KING) || !Holds(s, home, hSide ? 0 : 7, colour, PIECE_ROOK))
            {
                const std::string rank = colour == COLOUR_WHITE ? "1" : "8";
                return Fail(error, "castling rights do not match the position: " + Quoted(ch) + " needs the " +
                                       (colour == COLOUR_WHITE ? "white" : "black") + " king on e" + rank +
                                       " and a rook on " + (hSide ? "h" : "a") + rank);
            }
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
        const CCoordinate passed =
            fields[3].size() == 2 ? CCoordinate::FromText(fields[3].c_str()) : CCoordinate::None();
        if (!passed.IsOnBoard())
            return Fail(error, "en passant square must be - or a square such as e3, not " + Quoted(fields[3]));
        const bool whitePassed = s.sideToMove == COLOUR_BLACK;
        const int wantRow = whitePassed ? 2 : 5;
        const int step = whitePassed ? 1 : -1;
        const Colour pawnColour = whitePassed ? COLOUR_WHITE : COLOUR_BLACK;
        if (passed.y != wantRow || s.board[passed.Index()] != 0 || s.board[passed.x + 8 * (passed.y - step)] != 0 ||
            !Holds(s, passed.y + step, passed.x, pawnColour, PIECE_PAWN))
            return Fail(error, "en passant square impossible: no " + std::string(whitePassed ? "white" : "black") +
                                   " pawn has just passed " + fields[3]);
        s.enPassant = 1;
        s.enPassantSquare = CCoordinate(passed.y + step, passed.x);
    }

    int32_t halfmoves = 0;
    int32_t fullMove = 0;
    if (!ParseCount(fields[4], 5, halfmoves))
        return Fail(error, "halfmove clock must be a number, not " + Quoted(fields[4]));
    if (!ParseCount(fields[5], 5, fullMove) || fullMove < 1)
        return Fail(error, "move number must be a number from 1, not " + Quoted(fields[5]));
    s.halfmoveClock = halfmoves;

    // The side that has just moved cannot be in check.
    CChessPosition probe;
    probe.RestoreState(s);
    if (probe.IsInCheck(OppositeColour(s.sideToMove)))
        return Fail(error, std::string("the side not to move is in check (") +
                               (s.sideToMove == COLOUR_WHITE ? "Black" : "White") + ")");

    position.SetUp(s, fullMove);
    return true;
}

std::string CFenText::WriteFen(const CChessPosition& position)
{
    return WriteFen(position.State(), position.FullMoveNumber());
}

std::string CFenText::StartFen(const CChessPosition& position)
{
    return WriteFen(position.StartState(), position.StartFullMoveNumber());
}

std::string CFenText::WriteFen(const CPositionState& s, int32_t fullMoveNumber)
{
    static constexpr char kLetters[] = "prnbqk";
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
    fen += ' ' + std::to_string(s.halfmoveClock) + ' ' + std::to_string(fullMoveNumber);
    return fen;
}
