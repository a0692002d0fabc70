#include "ChessPosition.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <optional>

// The rule engine works on CPositionState so that trial copies are plain
// values. Answers are exactly those of the square-by-square reachability test;
// the tables below only avoid asking about squares that can never qualify.

namespace
{
struct SquareList
{
    std::array<int8_t, 8> squares{};
    int8_t count = 0;
};

// Directions as (row step, column step); the first four are straight, the rest diagonal.
constexpr int kDirRow[8] = {1, -1, 0, 0, 1, 1, -1, -1};
constexpr int kDirCol[8] = {0, 0, 1, -1, 1, -1, 1, -1};
constexpr int kKnightRow[8] = {2, 2, -2, -2, 1, 1, -1, -1};
constexpr int kKnightCol[8] = {1, -1, 1, -1, 2, -2, 2, -2};

struct Tables
{
    SquareList knight[64];
    SquareList king[64];
    SquareList ray[64][8];    // squares walked outwards from a square, nearest first
    int8_t direction[64][64]; // the ray from the first square that holds the second, or -1
    // Bit masks (bit = square index) of the squares from which a piece of a
    // type could possibly go to a square: a superset of where it can.
    uint64_t origins[6][64];     // by type; pawns below
    uint64_t pawnOrigins[3][64]; // by colour: one or two rows back, and the two diagonals
};

Tables BuildTables()
{
    Tables t;
    for (auto& row : t.direction)
        for (auto& d : row)
            d = -1;
    for (int sq = 0; sq < 64; ++sq)
    {
        const int r = sq / 8;
        const int c = sq % 8;
        for (int i = 0; i < 8; ++i)
        {
            const int nr = r + kKnightRow[i];
            const int nc = c + kKnightCol[i];
            if (nr >= 0 && nr < 8 && nc >= 0 && nc < 8)
                t.knight[sq].squares[t.knight[sq].count++] = static_cast<int8_t>(nc + 8 * nr);
            const int kr = r + kDirRow[i];
            const int kc = c + kDirCol[i];
            if (kr >= 0 && kr < 8 && kc >= 0 && kc < 8)
                t.king[sq].squares[t.king[sq].count++] = static_cast<int8_t>(kc + 8 * kr);
            SquareList& ray = t.ray[sq][i];
            for (int wr = r + kDirRow[i], wc = c + kDirCol[i]; wr >= 0 && wr < 8 && wc >= 0 && wc < 8;
                 wr += kDirRow[i], wc += kDirCol[i])
                ray.squares[ray.count++] = static_cast<int8_t>(wc + 8 * wr);
            for (int j = 0; j < ray.count; ++j)
                t.direction[sq][ray.squares[j]] = static_cast<int8_t>(i);
        }
    }
    for (int to = 0; to < 64; ++to)
    {
        auto& o = t.origins;
        for (int i = 0; i < t.knight[to].count; ++i)
            o[PIECE_KNIGHT][to] |= uint64_t{1} << t.knight[to].squares[i];
        for (int i = 0; i < t.king[to].count; ++i)
            o[PIECE_KING][to] |= uint64_t{1} << t.king[to].squares[i];
        // A castling king comes from two columns away on the same row.
        if (to % 8 >= 2)
            o[PIECE_KING][to] |= uint64_t{1} << (to - 2);
        if (to % 8 <= 5)
            o[PIECE_KING][to] |= uint64_t{1} << (to + 2);
        for (int d = 0; d < 8; ++d)
        {
            const SquareList& ray = t.ray[to][d];
            for (int i = 0; i < ray.count; ++i)
            {
                const uint64_t bit = uint64_t{1} << ray.squares[i];
                o[d < 4 ? PIECE_ROOK : PIECE_BISHOP][to] |= bit;
                o[PIECE_QUEEN][to] |= bit;
            }
        }
        const int r = to / 8;
        const int c = to % 8;
        for (Colour colour : {COLOUR_BLACK, COLOUR_WHITE})
        {
            const int back = colour == COLOUR_WHITE ? -1 : 1;
            for (int rows = 1; rows <= 2; ++rows)
            {
                const int fr = r + back * rows;
                if (fr < 0 || fr > 7)
                    break;
                for (int dc = (rows == 1 ? -1 : 0); dc <= (rows == 1 ? 1 : 0); ++dc)
                    if (c + dc >= 0 && c + dc < 8)
                        t.pawnOrigins[colour][to] |= uint64_t{1} << (c + dc + 8 * fr);
            }
        }
    }
    return t;
}

// The squares holding `wanted`, the promoted flag not compared, as a bit mask.
// Eight bytes at a time: a byte of x is zero exactly where the code matches.
uint64_t SquaresHolding(const CPositionState& s, PieceCode wanted)
{
    constexpr uint64_t kOnes = 0x0101010101010101ULL;
    constexpr uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    constexpr uint64_t kGather = 0x0102040810204080ULL;
    const uint64_t pattern = kOnes * wanted;
    const uint64_t keep = ~(kOnes * PROMOTED_FLAG);
    uint64_t mask = 0;
    for (int w = 0; w < 8; ++w)
    {
        uint64_t word;
        std::memcpy(&word, s.board + 8 * w, 8);
        const uint64_t x = (word & keep) ^ pattern;
        const uint64_t zeroBytes = ~(((x & kLow7) + kLow7) | x | kLow7); // 0x80 in each zero byte
        mask |= (((zeroBytes >> 7) * kGather) >> 56) << (8 * w);
    }
    return mask;
}

const Tables kTables = BuildTables();

bool IsSideColour(Colour c)
{
    return c == COLOUR_WHITE || c == COLOUR_BLACK;
}

// The four rook home squares with the side and the flag they stand for.
struct RookHome
{
    int index;
    Colour colour;
    bool aSide;
};
constexpr RookHome kRookHomes[4] = {
    {7, COLOUR_WHITE, true},       // a1
    {0, COLOUR_WHITE, false},      // h1
    {7 + 56, COLOUR_BLACK, true},  // a8
    {0 + 56, COLOUR_BLACK, false}, // h8
};

int RookHomeIndex(Colour c, bool aSide)
{
    const int row = c == COLOUR_WHITE ? 0 : 7;
    return (aSide ? 7 : 0) + 8 * row;
}

bool PathClear(const CPositionState& s, int fromRow, int fromCol, int toRow, int toCol)
{
    const int dr = (toRow > fromRow) - (toRow < fromRow);
    const int dc = (toCol > fromCol) - (toCol < fromCol);
    int r = fromRow + dr;
    int c = fromCol + dc;
    while (r != toRow || c != toCol)
    {
        if (s.board[c + 8 * r] != 0)
            return false;
        r += dr;
        c += dc;
    }
    return true;
}

bool StateInCheck(const CPositionState& s, Colour c);

struct ApplyOut
{
    CCoordinate* square1 = nullptr;
    CCoordinate* square2 = nullptr;
    uint8_t* captured = nullptr;
    int32_t* capturedPiece = nullptr;
};

// Applies a move without legality test. `choosePromotion` is asked only when a
// pawn reaches the last row; an answer outside rook..queen becomes a queen.
template <class Chooser>
int32_t StateApply(CPositionState& s, const CMove& m, Chooser&& choosePromotion, const ApplyOut& out)
{
    const int fi = m.from.Index();
    const int ti = m.to.Index();
    const PieceCode p = s.board[fi];
    const Colour c = ColourOfCode(p);
    const PieceType type = TypeOfCode(p);
    const bool pawn = p != 0 && type == PIECE_PAWN;
    const int dcol = m.to.x - m.from.x;
    int32_t promotion = 0;

    if (out.captured)
        *out.captured = 0;

    if (IsSideColour(c) && m.from == s.kingSquare[c])
    {
        s.kingMoved[c] = 1;
        s.kingSquare[c] = m.to;
    }
    for (const RookHome& home : kRookHomes)
    {
        if (fi == home.index || ti == home.index)
            (home.aSide ? s.aRookMoved : s.hRookMoved)[home.colour] = 1;
    }
    if (pawn && s.board[ti] == 0 && dcol != 0 && s.enPassantSquare.IsOnBoard())
    {
        s.board[s.enPassantSquare.Index()] = 0;
        if (out.square1)
            *out.square1 = s.enPassantSquare;
        if (out.captured)
            *out.captured = 1;
        if (out.capturedPiece)
            *out.capturedPiece = 0;
    }
    if (s.board[ti] != 0)
    {
        if (out.captured)
            *out.captured = 1;
        if (out.capturedPiece)
            *out.capturedPiece = s.board[ti] & 15;
    }
    if (type == PIECE_KING && IsSideColour(c) && (dcol == 2 || dcol == -2))
    {
        const int home = RookHomeIndex(c, dcol == 2);
        const CCoordinate dest(m.to.y, m.to.x + (dcol == 2 ? -1 : 1));
        s.board[dest.Index()] = s.board[home];
        s.board[home] = 0;
        if (out.square1)
            *out.square1 = CCoordinate::FromIndex(home);
        if (out.square2)
            *out.square2 = dest;
    }
    const int drow = m.to.y - m.from.y;
    if (pawn && (drow == 2 || drow == -2))
    {
        s.enPassant = 1;
        s.enPassantSquare = m.to;
    }
    else
    {
        s.enPassant = 0;
    }
    PieceCode newCode = p;
    if (pawn && (m.to.y == 0 || m.to.y == 7))
    {
        promotion = choosePromotion();
        if (!IsPromotionChoice(promotion))
            promotion = PIECE_QUEEN;
        newCode = static_cast<PieceCode>((s.sideToMove << 4) | (promotion + 8));
    }
    s.board[fi] = 0;
    s.board[ti] = newCode;
    return promotion;
}

int32_t QueenChooser()
{
    return PIECE_QUEEN;
}

bool StateReachable(const CPositionState& s, const CCoordinate& from, const CCoordinate& to, PieceType type,
                    Colour colour)
{
    if (!from.IsOnBoard() || !to.IsOnBoard() || !IsSideColour(colour))
        return false;
    const PieceCode target = s.board[to.Index()];
    const bool targetFree = target == 0 || ColourOfCode(target) != colour;
    const int dr = to.y - from.y;
    const int dc = to.x - from.x;
    const int adr = std::abs(dr);
    const int adc = std::abs(dc);

    switch (type)
    {
    case PIECE_PAWN:
    {
        const bool white = colour == COLOUR_WHITE;
        const int forward = white ? 1 : -1;
        if (dc == 0)
        {
            if (dr == forward)
                return target == 0;
            if (dr == 2 * forward)
                return from.y == (white ? 1 : 6) && s.board[from.x + 8 * (from.y + forward)] == 0 && target == 0;
            return false;
        }
        if (dr != forward || adc != 1)
            return false;
        if (s.enPassant && to.y == (white ? 5 : 2) && to.x == s.enPassantSquare.x)
            return true;
        return ColourOfCode(target) == (white ? COLOUR_BLACK : COLOUR_WHITE);
    }
    case PIECE_ROOK: return (dr == 0 || dc == 0) && targetFree && PathClear(s, from.y, from.x, to.y, to.x);
    case PIECE_KNIGHT: return ((adr == 2 && adc == 1) || (adr == 1 && adc == 2)) && targetFree;
    case PIECE_BISHOP: return adr == adc && targetFree && PathClear(s, from.y, from.x, to.y, to.x);
    case PIECE_QUEEN:
        return (dr == 0 || dc == 0 || adr == adc) && targetFree && PathClear(s, from.y, from.x, to.y, to.x);
    case PIECE_KING:
    {
        if (target != 0 && ColourOfCode(target) == colour)
            return false;
        if (dr == 0 && (dc == -2 || dc == 2) && !s.kingMoved[colour] &&
            !(dc == -2 ? s.hRookMoved[colour] : s.aRookMoved[colour]))
        {
            // Castling. The rook is not looked for: its flag stands for it.
            const CCoordinate passed(to.y, dc == -2 ? to.x + 1 : to.x - 1);
            if (target != 0 || s.board[passed.Index()] != 0)
                return false;
            if (dc == 2)
            {
                const CCoordinate beyond(to.y, to.x + 1);
                if (!beyond.IsOnBoard() || s.board[beyond.Index()] != 0)
                    return false;
            }
            if (StateInCheck(s, s.sideToMove))
                return false;
            CPositionState copy = s;
            StateApply(copy, CMove(from, passed), QueenChooser, ApplyOut{});
            return !StateInCheck(copy, s.sideToMove);
        }
        return adr <= 1 && adc <= 1;
    }
    default: return false;
    }
}

// Whether the first piece on the ray in direction d, from its square `first`
// on, is a slider of the other side than `side` that moves along it.
inline bool SliderOnRay(const CPositionState& s, const SquareList& ray, int first, int d, Colour side)
{
    for (int i = first; i < ray.count; ++i)
    {
        const PieceCode code = s.board[ray.squares[i]];
        if (code == 0)
            continue;
        if (ColourOfCode(code) == side)
            return false;
        const PieceType t = TypeOfCode(code);
        return t == PIECE_QUEEN || t == (d < 4 ? PIECE_ROOK : PIECE_BISHOP);
    }
    return false;
}

// Whether a knight, a slider along a ray or a king next to it, none of colour
// c, attacks the square. The square `empty` (-1 for none) counts as empty.
inline bool PieceAttacks(const CPositionState& s, int square, Colour c, int empty)
{
    const SquareList& knights = kTables.knight[square];
    for (int i = 0; i < knights.count; ++i)
    {
        const PieceCode code = s.board[knights.squares[i]];
        if (code != 0 && ColourOfCode(code) != c && TypeOfCode(code) == PIECE_KNIGHT)
            return true;
    }
    // Sliders along each ray; a king only on the first square of one.
    for (int d = 0; d < 8; ++d)
    {
        const SquareList& ray = kTables.ray[square][d];
        const PieceType slider = d < 4 ? PIECE_ROOK : PIECE_BISHOP;
        for (int i = 0; i < ray.count; ++i)
        {
            const int at = ray.squares[i];
            const PieceCode code = s.board[at];
            if (code == 0 || at == empty)
                continue;
            if (ColourOfCode(code) != c)
            {
                const PieceType t = TypeOfCode(code);
                if (t == PIECE_QUEEN || t == slider || (t == PIECE_KING && i == 0))
                    return true;
            }
            break;
        }
    }
    return false;
}

// Whether the king of colour c is attacked: some piece not of colour c can
// reach the stored king square. Only the squares from which such a piece
// could reach it are looked at. A castling king never attacks.
bool StateInCheck(const CPositionState& s, Colour c)
{
    if (!IsSideColour(c))
        return false;
    const CCoordinate king = s.kingSquare[c];
    if (!king.IsOnBoard())
        return false;
    const Colour attacker = OppositeColour(c);
    const int ki = king.Index();
    const PieceCode target = s.board[ki];
    const bool targetFree = target == 0 || ColourOfCode(target) != attacker;

    if (targetFree && PieceAttacks(s, ki, c, -1))
        return true;

    // Pawns of the attacking colour: diagonal captures and, onto an empty
    // square only, straight advances.
    const bool whiteAttacker = attacker == COLOUR_WHITE;
    const int pr = king.y + (whiteAttacker ? -1 : 1); // the row a capturing pawn stands on
    if (pr < 0 || pr > 7)
        return false;
    const bool diagonalCaptures = ColourOfCode(target) == c ||
                                  (s.enPassant && king.y == (whiteAttacker ? 5 : 2) && king.x == s.enPassantSquare.x);
    if (diagonalCaptures)
    {
        const PieceCode enemyPawn = MakePieceCode(attacker, PIECE_PAWN);
        if ((king.x > 0 && (s.board[king.x - 1 + 8 * pr] & 0xF7) == enemyPawn) ||
            (king.x < 7 && (s.board[king.x + 1 + 8 * pr] & 0xF7) == enemyPawn))
            return true;
    }
    if (target == 0)
    {
        for (int steps = 1; steps <= 2; ++steps)
        {
            const int r = king.y + (whiteAttacker ? -steps : steps);
            if (r < 0 || r > 7)
                break;
            const PieceCode code = s.board[king.x + 8 * r];
            if (code != 0 && ColourOfCode(code) != c && TypeOfCode(code) == PIECE_PAWN &&
                StateReachable(s, CCoordinate(r, king.x), king, PIECE_PAWN, attacker))
                return true;
        }
    }
    return false;
}

// Calls visit(to) for every square that the piece on `from` can reach.
// Returns early when visit returns true.
template <class Visit> bool ForEachReachable(const CPositionState& s, int from, Visit&& visit)
{
    const PieceCode p = s.board[from];
    const Colour colour = ColourOfCode(p);
    const PieceType type = TypeOfCode(p);
    const CCoordinate fromSq = CCoordinate::FromIndex(from);
    switch (type)
    {
    case PIECE_PAWN:
    {
        const int forward = colour == COLOUR_WHITE ? 1 : -1;
        const int r = fromSq.y + forward;
        if (r < 0 || r > 7)
            return false;
        for (int dc = -1; dc <= 1; ++dc)
        {
            const CCoordinate to(r, fromSq.x + dc);
            if (to.IsOnBoard() && StateReachable(s, fromSq, to, PIECE_PAWN, colour) && visit(to.Index()))
                return true;
        }
        const CCoordinate two(fromSq.y + 2 * forward, fromSq.x);
        return two.IsOnBoard() && StateReachable(s, fromSq, two, PIECE_PAWN, colour) && visit(two.Index());
    }
    case PIECE_KNIGHT:
    case PIECE_KING:
    {
        const SquareList& list = type == PIECE_KNIGHT ? kTables.knight[from] : kTables.king[from];
        for (int i = 0; i < list.count; ++i)
        {
            const PieceCode code = s.board[list.squares[i]];
            if ((code == 0 || ColourOfCode(code) != colour) && visit(list.squares[i]))
                return true;
        }
        if (type == PIECE_KING)
        {
            for (int dc = -2; dc <= 2; dc += 4)
            {
                const CCoordinate to(fromSq.y, fromSq.x + dc);
                if (to.IsOnBoard() && StateReachable(s, fromSq, to, PIECE_KING, colour) && visit(to.Index()))
                    return true;
            }
        }
        return false;
    }
    case PIECE_ROOK:
    case PIECE_BISHOP:
    case PIECE_QUEEN:
    {
        const int first = type == PIECE_BISHOP ? 4 : 0;
        const int last = type == PIECE_ROOK ? 4 : 8;
        for (int d = first; d < last; ++d)
        {
            const SquareList& ray = kTables.ray[from][d];
            for (int i = 0; i < ray.count; ++i)
            {
                const PieceCode code = s.board[ray.squares[i]];
                if (code != 0 && ColourOfCode(code) == colour)
                    break;
                if (visit(ray.squares[i]))
                    return true;
                if (code != 0)
                    break;
            }
        }
        return false;
    }
    default: return false;
    }
}

// Whether the piece on `from` may shield its king from an enemy slider: it
// stands on a line from the king with nothing between them, and the first
// piece beyond it on that line is an enemy that moves along such lines.
bool MayBePinned(const CPositionState& s, const CCoordinate& king, int from, Colour side)
{
    const int ki = king.Index();
    const int d = kTables.direction[ki][from];
    if (d < 0)
        return false;
    const SquareList& ray = kTables.ray[ki][d];
    int i = 0;
    for (; ray.squares[i] != from; ++i)
        if (s.board[ray.squares[i]] != 0)
            return false;
    return SliderOnRay(s, ray, i + 1, d, side);
}

// Whether the king of colour c, stepping from `from` to `to` (castling aside),
// stands attacked there: StateInCheck of the position after the step, read
// without making it (`from` counts as empty, `to` as holding that king).
bool KingStepAttacked(const CPositionState& s, int from, int to, Colour c)
{
    if (PieceAttacks(s, to, c, from))
        return true;
    const Colour attacker = OppositeColour(c);
    const int row = to / 8;
    const int column = to % 8;
    const int pr = row + (attacker == COLOUR_WHITE ? -1 : 1); // the row a capturing pawn stands on
    if (pr < 0 || pr > 7)
        return false;
    const PieceCode enemyPawn = MakePieceCode(attacker, PIECE_PAWN);
    return (column > 0 && (s.board[column - 1 + 8 * pr] & 0xF7) == enemyPawn) ||
           (column < 7 && (s.board[column + 1 + 8 * pr] & 0xF7) == enemyPawn);
}

// Whether the side to move is in check after the other side's move `m`, read
// from that move alone. Valid only when the side to move was not in check
// before it, its king stands on its stored square, and the move was neither
// castling nor an en-passant capture: then only the piece now on m.to and a
// slider behind the square it left can attack the king.
bool CheckAfterOrdinaryMove(const CPositionState& s, const CMove& m)
{
    const Colour defender = s.sideToMove;
    const CCoordinate& king = s.kingSquare[defender];
    const int ki = king.Index();
    const int to = m.to.Index();
    const PieceType type = TypeOfCode(s.board[to]);
    const int dr = king.y - m.to.y;
    const int dc = king.x - m.to.x;
    const int adr = std::abs(dr);
    const int adc = std::abs(dc);
    switch (type)
    {
    case PIECE_PAWN:
        if (dr == (defender == COLOUR_BLACK ? 1 : -1) && adc == 1)
            return true;
        break;
    case PIECE_KNIGHT:
        if ((adr == 1 && adc == 2) || (adr == 2 && adc == 1))
            return true;
        break;
    case PIECE_KING:
        if (adr <= 1 && adc <= 1)
            return true;
        break;
    default:
    {
        const int d = kTables.direction[to][ki];
        if (d >= 0 && (type == PIECE_QUEEN || type == (d < 4 ? PIECE_ROOK : PIECE_BISHOP)))
        {
            const SquareList& ray = kTables.ray[to][d];
            for (int i = 0; i < ray.count; ++i)
            {
                if (ray.squares[i] == ki)
                    return true;
                if (s.board[ray.squares[i]] != 0)
                    break;
            }
        }
        break;
    }
    }
    // A slider uncovered by the square the piece left.
    const int d = kTables.direction[ki][m.from.Index()];
    if (d < 0)
        return false;
    return SliderOnRay(s, kTables.ray[ki][d], 0, d, defender);
}

// Whether the side to move has a board move that does not leave its king
// attacked. `inCheck` is whether that king is attacked now.
bool StateHasLegalBoardMove(const CPositionState& s, bool inCheck)
{
    const Colour side = s.sideToMove;
    const CCoordinate king = s.kingSquare[side];
    // Out of check, a move of another piece that shields nothing and is not
    // an en-passant capture cannot expose the king: it only empties its own
    // square and fills the target. Everything else is tried on a copy.
    const bool kingInPlace =
        IsSideColour(side) && king.IsOnBoard() && s.board[king.Index()] == MakePieceCode(side, PIECE_KING);
    const bool quickTest = !inCheck && kingInPlace;
    // Any order answers the question. First the pieces whose moves need no
    // trial (out of check, neither the king nor a piece that may shield it);
    // then everything else, each move tried on a copy. Starting from the
    // side's own back rank finds a move soonest.
    auto tryPieces = [&](bool trialFree) {
        for (int i = 0; i < 64; ++i)
        {
            const int from = side == COLOUR_WHITE ? i : 63 - i;
            const PieceCode p = s.board[from];
            if (p == 0 || ColourOfCode(p) != side)
                continue;
            const bool unpinned = quickTest && TypeOfCode(p) != PIECE_KING && !MayBePinned(s, king, from, side);
            if (unpinned != trialFree)
                continue;
            const bool found = ForEachReachable(s, from, [&](int to) {
                const bool enPassant = TypeOfCode(p) == PIECE_PAWN && s.board[to] == 0 && (from % 8) != (to % 8);
                if (unpinned && !enPassant)
                    return true;
                CPositionState scratch = s;
                StateApply(scratch, CMove(CCoordinate::FromIndex(from), CCoordinate::FromIndex(to)), QueenChooser,
                           ApplyOut{});
                return !StateInCheck(scratch, side);
            });
            if (found)
                return true;
        }
        return false;
    };
    return (quickTest && tryPieces(true)) || tryPieces(false);
}
} // namespace

// ---------------------------------------------------------------------------
// CPositionState

bool CPositionState::SameBoardAs(const CPositionState& other) const
{
    return sideToMove == other.sideToMove && std::memcmp(board, other.board, sizeof board) == 0;
}

uint64_t CPositionState::BoardHash() const
{
    uint64_t h = 0x9E3779B97F4A7C15ULL ^ static_cast<uint64_t>(sideToMove);
    for (int i = 0; i < 64; i += 8)
    {
        uint64_t word = 0;
        std::memcpy(&word, board + i, 8);
        h ^= word;
        h *= 0xFF51AFD7ED558CCDULL;
        h ^= h >> 29;
    }
    return h;
}

// ---------------------------------------------------------------------------
// Construction and state

CChessPosition::CChessPosition()
{
    Reset();
}

CChessPosition::CChessPosition(const CChessPosition& other)
{
    Reset();
    Assign(other);
}

CChessPosition& CChessPosition::operator=(const CChessPosition& other)
{
    if (this != &other)
        Assign(other);
    return *this;
}

void CChessPosition::Reset()
{
    static constexpr PieceCode kBackRank[8] = {PIECE_ROOK,  PIECE_KNIGHT, PIECE_BISHOP, PIECE_KING,
                                               PIECE_QUEEN, PIECE_BISHOP, PIECE_KNIGHT, PIECE_ROOK};
    m_State = CPositionState{};
    for (int col = 0; col < 8; ++col)
    {
        m_State.board[col] = MakePieceCode(COLOUR_WHITE, kBackRank[col]);
        m_State.board[col + 8] = MakePieceCode(COLOUR_WHITE, PIECE_PAWN);
        m_State.board[col + 48] = MakePieceCode(COLOUR_BLACK, PIECE_PAWN);
        m_State.board[col + 56] = MakePieceCode(COLOUR_BLACK, kBackRank[col]);
    }
    m_State.kingSquare[COLOUR_BLACK] = CCoordinate(7, 3);
    m_State.kingSquare[COLOUR_WHITE] = CCoordinate(0, 3);
    m_State.sideToMove = COLOUR_WHITE;
    m_CheckExact = true;
    m_OtherSideSafe = true;
    m_StatusDeferred = false;
    ClearRecordFrom(0);
    m_CurrentPly = 0;
    m_StartFullMove = 1;
    m_StartSide = COLOUR_WHITE;
}

void CChessPosition::Assign(const CChessPosition& other)
{
    m_State = other.m_State;
    m_CheckExact = other.m_CheckExact;
    m_OtherSideSafe = other.m_OtherSideSafe;
    m_StatusDeferred = other.m_StatusDeferred;
    m_Chooser = nullptr;
    m_DefaultPromotion = PIECE_QUEEN;
}

void CChessPosition::SetUp(const CPositionState& state, int32_t fullMoveNumber)
{
    ClearRecordFrom(0);
    m_CurrentPly = 0;
    m_State = state;
    m_CheckExact = false;
    m_OtherSideSafe = false;
    m_StatusDeferred = false;
    m_StartSide = state.sideToMove;
    m_StartFullMove = fullMoveNumber < 1 ? 1 : fullMoveNumber;
    m_State.mate = m_State.stalemate = m_State.check = 0;
    if (m_KingCapture)
        UpdateKingCaptureStatus();
    if (!m_State.mate)
        UpdateStatus();
    if (!DropsOption())
    {
        CheckInsufficientMaterial();
        CheckRepetition();
    }
}

int32_t CChessPosition::FullMoveNumber() const
{
    const int32_t plies = m_CurrentPly + (m_StartSide == COLOUR_BLACK ? 1 : 0);
    return m_StartFullMove + plies / 2;
}

// ---------------------------------------------------------------------------
// Queries and holdings

bool CChessPosition::IsGameGoingOn() const
{
    return !IsMate() && !IsStalemate() && !IsFiftyMoveDraw() && !IsInsufficientMaterial() && !IsRepetition();
}

int32_t CChessPosition::Holdings(Colour colour, PieceType type) const
{
    if (!IsSideColour(colour) || type < PIECE_PAWN || type > PIECE_QUEEN)
        return 0;
    return m_State.holdings[type][colour - 1];
}

void CChessPosition::AddToHoldings(Colour colour, PieceType type)
{
    if (!IsSideColour(colour) || type < PIECE_PAWN || type > PIECE_QUEEN)
        return;
    ++m_State.holdings[type][colour - 1];
}

void CChessPosition::ReceivePiece(int32_t nibble, Colour colour)
{
    AddToHoldings(colour, IsPromotedNibble(nibble) ? PIECE_PAWN : (nibble & 7));
}

// ---------------------------------------------------------------------------
// Rules

bool CChessPosition::IsReachable(const CCoordinate& from, const CCoordinate& to, PieceType type, Colour colour) const
{
    return StateReachable(m_State, from, to, type, colour);
}

bool CChessPosition::IsInCheck(Colour colour) const
{
    return StateInCheck(m_State, colour);
}

int32_t CChessPosition::ResolvePromotion() const
{
    int32_t piece = m_Chooser ? m_Chooser(m_State.sideToMove, *this) : m_DefaultPromotion;
    return IsPromotionChoice(piece) ? piece : PIECE_QUEEN;
}

void CChessPosition::ApplyMove(const CMove& move, int32_t& promotion)
{
    if (!move.from.IsOnBoard() || !move.to.IsOnBoard())
        return;
    m_CheckExact = false;
    m_OtherSideSafe = false;
    const int32_t p = StateApply(
        m_State, move, [this] { return ResolvePromotion(); }, ApplyOut{});
    if (p != 0)
        promotion = p;
}

void CChessPosition::ApplyMoveDetailed(const CMove& move, CCoordinate& square1, CCoordinate& square2,
                                       int32_t& promotion, uint8_t& captured, int32_t& capturedPiece)
{
    if (!move.from.IsOnBoard() || !move.to.IsOnBoard())
        return;
    m_CheckExact = false;
    m_OtherSideSafe = false;
    const int32_t p = StateApply(
        m_State, move, [this] { return ResolvePromotion(); }, ApplyOut{&square1, &square2, &captured, &capturedPiece});
    if (p != 0)
        promotion = p;
}

bool CChessPosition::MakeMove(const CMove& move, CCoordinate& square1, CCoordinate& square2, int32_t& promotion,
                              uint8_t& captured, int32_t& capturedPiece, std::string& moveText, bool record)
{
    if (!move.from.IsOnBoard() || !move.to.IsOnBoard())
        return false;
    const PieceCode p = m_State.board[move.from.Index()];
    const Colour mover = m_State.sideToMove;
    if (p == 0 || ColourOfCode(p) != mover)
        return false;
    if (!StateReachable(m_State, move.from, move.to, TypeOfCode(p), ColourOfCode(p)))
        return false;

    const bool leftKingAttacked = LeavesKingAttacked(move, p);
    if (leftKingAttacked && !m_KingCapture)
        return false;

    const bool recording = record && !DropsOption();
    std::optional<CPositionSnapshot> before;
    if (recording)
        before.emplace(Snapshot());

    uint8_t capturedHere = 0;
    int32_t promotionHere = 0;
    ApplyMoveDetailed(move, square1, square2, promotionHere, capturedHere, capturedPiece);
    captured = capturedHere;
    if (promotionHere != 0)
        promotion = promotionHere;
    m_State.sideToMove = OppositeColour(mover);

    if (m_KingCapture)
        UpdateKingCaptureStatus();
    if (!m_State.mate && !leftKingAttacked)
        UpdateStatus();

    ++m_State.halfmoveClock;
    if (capturedHere || TypeOfCode(p) == PIECE_PAWN)
        m_State.halfmoveClock = 0;

    if (recording)
        RecordMove(move, promotionHere, capturedHere != 0, *before, moveText);
    if (!DropsOption())
    {
        CheckRepetition();
        CheckInsufficientMaterial();
    }
    m_OtherSideSafe = !leftKingAttacked;
    m_StatusDeferred = false;
    return true;
}

bool CChessPosition::LeavesKingAttacked(const CMove& move, PieceCode p) const
{
    // A king's ordinary step is judged where it lands, without a trial copy.
    const int dcol = move.to.x - move.from.x;
    if (TypeOfCode(p) == PIECE_KING && dcol != 2 && dcol != -2 && move.from == m_State.kingSquare[m_State.sideToMove])
        return KingStepAttacked(m_State, move.from.Index(), move.to.Index(), m_State.sideToMove);
    // Out of check, a move of a piece other than the king that shields nothing
    // and is not an en-passant capture cannot expose the king; everything else
    // is tried on a copy (queen for promotions).
    const Colour mover = m_State.sideToMove;
    const CCoordinate king = m_State.kingSquare[mover];
    const bool enPassant =
        TypeOfCode(p) == PIECE_PAWN && m_State.board[move.to.Index()] == 0 && move.from.x != move.to.x;
    const bool cannotExpose = m_CheckExact && !m_State.check && TypeOfCode(p) != PIECE_KING && !enPassant &&
                              king.IsOnBoard() && m_State.board[king.Index()] == MakePieceCode(mover, PIECE_KING) &&
                              !MayBePinned(m_State, king, move.from.Index(), mover);
    if (cannotExpose)
        return false;
    CPositionState trial = m_State;
    StateApply(trial, move, QueenChooser, ApplyOut{});
    trial.sideToMove = OppositeColour(mover);
    return StateInCheck(trial, mover);
}

bool CChessPosition::IsLegalMove(const CMove& move) const
{
    if (!move.from.IsOnBoard() || !move.to.IsOnBoard())
        return false;
    const PieceCode p = m_State.board[move.from.Index()];
    if (p == 0 || ColourOfCode(p) != m_State.sideToMove)
        return false;
    if (!StateReachable(m_State, move.from, move.to, TypeOfCode(p), ColourOfCode(p)))
        return false;
    return m_KingCapture || !LeavesKingAttacked(move, p);
}

int CChessPosition::LegalOrigins(PieceType type, const CCoordinate& to, CCoordinate* origins, int capacity,
                                 const COriginFilter& filter) const
{
    if (!to.IsOnBoard())
        return 0;
    int8_t squares[64];
    const int count = LegalOriginSquares(type, to.Index(), squares, filter);
    for (int i = 0; i < count && i < capacity; ++i)
        origins[i] = CCoordinate::FromIndex(squares[i]);
    return count;
}

int CChessPosition::LegalOriginSquares(PieceType type, int target, int8_t* squares, const COriginFilter& filter) const
{
    const Colour side = m_State.sideToMove;
    if (type < PIECE_PAWN || type > PIECE_KING || !IsSideColour(side))
        return 0;
    const CCoordinate to = CCoordinate::FromIndex(target);
    const PieceCode wanted = MakePieceCode(side, type);
    // The squares from which such a piece could come, then those that hold
    // one (promoted or not), in board order.
    uint64_t candidates = type == PIECE_PAWN ? kTables.pawnOrigins[side][target] : kTables.origins[type][target];
    if (filter.except.IsOnBoard())
        candidates &= ~(uint64_t{1} << filter.except.Index());
    if (filter.column >= 0)
        candidates &= filter.column < 8 ? 0x0101010101010101ULL << filter.column : 0;
    if (filter.row >= 0)
        candidates &= filter.row < 8 ? uint64_t{0xFF} << (8 * filter.row) : 0;
    if (type == PIECE_ROOK || type == PIECE_BISHOP || type == PIECE_QUEEN)
    {
        candidates &= SquaresHolding(m_State, wanted);
    }
    else
    {
        for (uint64_t look = candidates; look != 0; look &= look - 1)
        {
            const int square = std::countr_zero(look);
            if ((m_State.board[square] & ~PROMOTED_FLAG) != wanted)
                candidates &= ~(uint64_t{1} << square);
        }
    }

    // Each is asked whether it can legally go, as IsLegalMove would answer;
    // where the tables already settle the geometry, only the path and the
    // target are looked at.
    const PieceCode onTarget = m_State.board[target];
    const bool targetFree = onTarget == 0 || ColourOfCode(onTarget) != side;
    int found = 0;
    for (; candidates != 0; candidates &= candidates - 1)
    {
        const int from = std::countr_zero(candidates);
        const CMove move(CCoordinate::FromIndex(from), to);
        bool reachable = false;
        switch (type)
        {
        case PIECE_KNIGHT: reachable = targetFree; break;
        case PIECE_KING:
            reachable = (from % 8 - target % 8 == 2 || target % 8 - from % 8 == 2)
                            ? StateReachable(m_State, move.from, to, type, side)
                            : targetFree;
            break;
        case PIECE_ROOK:
        case PIECE_BISHOP:
        case PIECE_QUEEN:
        {
            reachable = targetFree;
            const SquareList& ray = kTables.ray[from][kTables.direction[from][target]];
            for (int i = 0; reachable && ray.squares[i] != target; ++i)
                reachable = m_State.board[ray.squares[i]] == 0;
            break;
        }
        default: reachable = StateReachable(m_State, move.from, to, type, side); break;
        }
        if (!reachable || (!m_KingCapture && LeavesKingAttacked(move, m_State.board[from])))
            continue;
        squares[found++] = static_cast<int8_t>(from);
    }
    return found;
}

bool CChessPosition::MakeMove(const CMove& move, bool record)
{
    CCoordinate square1 = CCoordinate::None();
    CCoordinate square2 = CCoordinate::None();
    int32_t promotion = 0;
    uint8_t captured = 0;
    int32_t capturedPiece = 0;
    std::string text;
    return MakeMove(move, square1, square2, promotion, captured, capturedPiece, text, record);
}

namespace
{
// Whether a drop may be made by the board rules alone; the king's safety is
// judged on the trial state the caller gets back.
bool DropAllowed(const CPositionState& s, Colour colour, PieceType type, const CCoordinate& square,
                 CPositionState& trial)
{
    if (!IsSideColour(colour) || colour != s.sideToMove || type < PIECE_PAWN || type > PIECE_QUEEN)
        return false;
    if (!square.IsOnBoard() || s.holdings[type][colour - 1] <= 0 || s.board[square.Index()] != 0)
        return false;
    if (type == PIECE_PAWN && (square.y == 0 || square.y == 7))
        return false;
    trial = s;
    trial.board[square.Index()] = MakePieceCode(colour, type);
    --trial.holdings[type][colour - 1];
    trial.enPassant = 0;
    trial.sideToMove = OppositeColour(colour);
    return true;
}
} // namespace

bool CChessPosition::IsLegalDrop(Colour colour, PieceType type, const CCoordinate& square) const
{
    CPositionState trial;
    if (!DropAllowed(m_State, colour, type, square, trial))
        return false;
    return m_KingCapture || !StateInCheck(trial, colour);
}

bool CChessPosition::DropPiece(Colour colour, PieceType type, const CCoordinate& square)
{
    CPositionState trial;
    if (!DropAllowed(m_State, colour, type, square, trial))
        return false;
    const bool leftKingAttacked = StateInCheck(trial, colour);
    if (leftKingAttacked && !m_KingCapture)
        return false;

    m_CheckExact = false;
    m_State.board[square.Index()] = MakePieceCode(colour, type);
    --m_State.holdings[type][colour - 1];
    m_State.enPassant = 0;
    m_State.sideToMove = OppositeColour(colour);
    if (m_KingCapture)
        UpdateKingCaptureStatus();
    if (!m_State.mate && !leftKingAttacked)
        UpdateStatus();
    m_OtherSideSafe = !leftKingAttacked;
    m_StatusDeferred = false;
    return true;
}

bool CChessPosition::ReplayMove(const CMove& move, int32_t promotion, CReplayedMove& played)
{
    if (!move.from.IsOnBoard() || !move.to.IsOnBoard())
        return false;
    const PieceCode p = m_State.board[move.from.Index()];
    const Colour mover = m_State.sideToMove;
    if (p == 0 || ColourOfCode(p) != mover)
        return false;
    if (!StateReachable(m_State, move.from, move.to, TypeOfCode(p), mover))
        return false;
    const bool leftKingAttacked = LeavesKingAttacked(move, p);
    if (leftKingAttacked && !m_KingCapture)
        return false;
    PlayKnownLegal(move, promotion, leftKingAttacked, SanRivals(TypeOfCode(p), move), played);
    return true;
}

SanMatch CChessPosition::FindSan(const CSanQuery& query, CMove& move, int32_t& promotion) const
{
    CSanRivals rivals;
    return MatchSan(query, move, promotion, rivals);
}

SanMatch CChessPosition::ReplaySan(const CSanQuery& query, CReplayedMove& played)
{
    CMove move;
    int32_t promotion = 0;
    CSanRivals rivals;
    const SanMatch match = MatchSan(query, move, promotion, rivals);
    if (match != SanMatch::Legal)
        return match;
    // Legal already; under the king-capture rule the move may still leave the
    // own king attacked, which decides what the status after it is.
    const bool leftKingAttacked = m_KingCapture && LeavesKingAttacked(move, m_State.board[move.from.Index()]);
    PlayKnownLegal(move, promotion, leftKingAttacked, rivals, played);
    return SanMatch::Legal;
}

SanMatch CChessPosition::MatchSan(const CSanQuery& query, CMove& move, int32_t& promotion, CSanRivals& rivals) const
{
    const Colour side = m_State.sideToMove;
    promotion = 0;
    rivals = CSanRivals{};
    if (!IsSideColour(side))
        return SanMatch::Illegal;
    if (query.castling != CSanQuery::Castling::None)
    {
        const CCoordinate king = m_State.kingSquare[side];
        if (!king.IsOnBoard() || m_State.board[king.Index()] != MakePieceCode(side, PIECE_KING))
            return SanMatch::Illegal;
        const CCoordinate target(king.y, king.x + (query.castling == CSanQuery::Castling::KingSide ? -2 : 2));
        move = CMove(king, target);
        return IsLegalMove(move) ? SanMatch::Legal : SanMatch::Illegal;
    }
    if (!query.to.IsOnBoard())
        return SanMatch::Illegal;

    // Every legal origin of the piece type, then those the text allows; the
    // others tell the written text of the move apart.
    int8_t origins[64];
    const int count = LegalOriginSquares(query.piece, query.to.Index(), origins, COriginFilter{});
    int chosen = -1;
    for (int i = 0; i < count; ++i)
    {
        const int column = origins[i] % 8;
        if ((query.fromColumn >= 0 && column != query.fromColumn) ||
            (query.fromRow >= 0 && origins[i] / 8 != query.fromRow))
            continue;
        // A king's two-column step is castling, which the standard writes only as O-O.
        if (query.piece == PIECE_KING && (query.to.x - column == 2 || column - query.to.x == 2))
            continue;
        if (chosen >= 0)
            return SanMatch::Ambiguous;
        chosen = i;
    }
    if (chosen < 0)
        return SanMatch::Illegal;
    const bool lastRank = query.piece == PIECE_PAWN && (query.to.y == 0 || query.to.y == 7);
    if (lastRank && query.promotion == 0)
        return SanMatch::PromotionMissing;
    if (!lastRank && query.promotion != 0)
        return SanMatch::NotAPromotion;
    move = CMove(CCoordinate::FromIndex(origins[chosen]), query.to);
    promotion = query.promotion;
    if (query.piece != PIECE_PAWN)
    {
        for (int i = 0; i < count; ++i)
        {
            if (i == chosen)
                continue;
            rivals.any = true;
            rivals.sameColumn = rivals.sameColumn || origins[i] % 8 == move.from.x;
            rivals.sameRow = rivals.sameRow || origins[i] / 8 == move.from.y;
        }
    }
    return SanMatch::Legal;
}

void CChessPosition::PlayKnownLegal(const CMove& move, int32_t promotion, bool leftKingAttacked,
                                    const CSanRivals& rivals, CReplayedMove& played)
{
    const PieceCode p = m_State.board[move.from.Index()];
    const PieceType type = TypeOfCode(p);
    const Colour mover = m_State.sideToMove;
    const int dcol = move.to.x - move.from.x;
    const bool castling = type == PIECE_KING && (dcol == 2 || dcol == -2);
    const bool enPassant = type == PIECE_PAWN && dcol != 0 && m_State.board[move.to.Index()] == 0;
    const bool otherSideWasSafe = m_OtherSideSafe;

    played = CReplayedMove{};
    uint8_t captured = 0;
    int32_t capturedPiece = 0;
    played.promotion = StateApply(
        m_State, move, [promotion] { return promotion; }, ApplyOut{nullptr, nullptr, &captured, &capturedPiece});
    played.captured = captured != 0;
    played.capturedPiece = captured ? capturedPiece : 0;
    m_State.sideToMove = OppositeColour(mover);
    m_CheckExact = false;

    // The status as MakeMove leaves it, except the search for a legal reply.
    m_State.mate = m_State.stalemate = 0;
    m_StatusDeferred = false;
    if (m_KingCapture)
        UpdateKingCaptureStatus();
    if (!m_State.mate && !leftKingAttacked)
    {
        const Colour defender = m_State.sideToMove;
        const CCoordinate king = m_State.kingSquare[defender];
        const bool quick = otherSideWasSafe && !castling && !enPassant && king.IsOnBoard() &&
                           m_State.board[king.Index()] == MakePieceCode(defender, PIECE_KING);
        m_State.check = quick ? CheckAfterOrdinaryMove(m_State, move) : StateInCheck(m_State, defender);
        m_CheckExact = true;
        m_StatusDeferred = true;
    }

    ++m_State.halfmoveClock;
    if (captured || type == PIECE_PAWN)
        m_State.halfmoveClock = 0;
    if (!DropsOption())
        m_State.repetition = m_State.insufficientMaterial = 0;
    m_OtherSideSafe = !leftKingAttacked;

    const PieceType written = played.promotion != 0 ? PIECE_PAWN : type;
    played.san = ComposeSan(written, move, played.promotion, played.captured, m_State.check != 0,
                            written == PIECE_PAWN ? CSanRivals{} : rivals);
}

bool CChessPosition::ReplayDrop(Colour colour, PieceType type, const CCoordinate& square, CReplayedMove& played)
{
    if (!IsSideColour(colour) || colour != m_State.sideToMove || type < PIECE_PAWN || type > PIECE_QUEEN)
        return false;
    if (!square.IsOnBoard() || m_State.holdings[type][colour - 1] <= 0 || m_State.board[square.Index()] != 0)
        return false;
    if (type == PIECE_PAWN && (square.y == 0 || square.y == 7))
        return false;

    CPositionState trial = m_State;
    trial.board[square.Index()] = MakePieceCode(colour, type);
    --trial.holdings[type][colour - 1];
    trial.enPassant = 0;
    trial.sideToMove = OppositeColour(colour);
    const bool leftKingAttacked = StateInCheck(trial, colour);
    if (leftKingAttacked && !m_KingCapture)
        return false;

    m_State.board[square.Index()] = MakePieceCode(colour, type);
    --m_State.holdings[type][colour - 1];
    m_State.enPassant = 0;
    m_State.sideToMove = OppositeColour(colour);
    m_CheckExact = false;
    m_State.mate = m_State.stalemate = 0;
    m_StatusDeferred = false;
    if (m_KingCapture)
        UpdateKingCaptureStatus();
    if (!m_State.mate && !leftKingAttacked)
    {
        m_State.check = StateInCheck(m_State, m_State.sideToMove);
        m_CheckExact = true;
        m_StatusDeferred = true;
    }
    m_OtherSideSafe = !leftKingAttacked;

    played = CReplayedMove{};
    played.san = WriteDropSan(type, square, m_State.check != 0);
    return true;
}

void CChessPosition::FinishReplay()
{
    if (m_StatusDeferred)
        UpdateStatus();
    m_StatusDeferred = false;
    if (!DropsOption())
        CheckInsufficientMaterial();
}

CChessPosition::CSanRivals CChessPosition::SanRivals(PieceType t, const CMove& move) const
{
    CSanRivals rivals;
    const int dcol = move.to.x - move.from.x;
    if (t == PIECE_PAWN || (t == PIECE_KING && (dcol == 2 || dcol == -2)) || !move.to.IsOnBoard())
        return rivals;
    COriginFilter filter;
    filter.except = move.from;
    int8_t others[64];
    const int count = LegalOriginSquares(t, move.to.Index(), others, filter);
    for (int i = 0; i < count; ++i)
    {
        rivals.any = true;
        rivals.sameColumn = rivals.sameColumn || others[i] % 8 == move.from.x;
        rivals.sameRow = rivals.sameRow || others[i] / 8 == move.from.y;
    }
    return rivals;
}

void CChessPosition::UpdateStatus()
{
    const Colour side = m_State.sideToMove;
    const bool check = StateInCheck(m_State, side);
    m_State.check = check;
    m_State.mate = check;
    m_State.stalemate = !check;

    m_CheckExact = true;
    m_StatusDeferred = false;
    if (StateHasLegalBoardMove(m_State, check))
    {
        m_State.mate = m_State.stalemate = 0;
        return;
    }
    if (!DropsOption() || !IsSideColour(side))
        return;

    // Drops, counting one extra rook as held: a check that any piece could
    // block is not mate on a bughouse board.
    for (PieceType type = PIECE_PAWN; type <= PIECE_QUEEN; ++type)
    {
        const int32_t held = m_State.holdings[type][side - 1] + (type == PIECE_ROOK ? 1 : 0);
        if (held <= 0)
            continue;
        for (int sq = 0; sq < 64; ++sq)
        {
            if (m_State.board[sq] != 0)
                continue;
            if (type == PIECE_PAWN && (sq < 8 || sq >= 56))
                continue;
            CPositionState scratch = m_State;
            scratch.board[sq] = MakePieceCode(side, type);
            if (!StateInCheck(scratch, side))
            {
                m_State.mate = m_State.stalemate = 0;
                return;
            }
        }
    }
}

void CChessPosition::UpdateKingCaptureStatus()
{
    m_CheckExact = false;
    m_State.stalemate = 0;
    bool found = false;
    for (PieceCode code : m_State.board)
    {
        if (code != 0 && TypeOfCode(code) == PIECE_KING && ColourOfCode(code) == m_State.sideToMove)
        {
            found = true;
            break;
        }
    }
    m_State.mate = m_State.check = found ? 0 : 1;
}

void CChessPosition::GenerateCandidateMoves(std::vector<CMove>& moves) const
{
    CMove buffer[kMaxCandidateMoves];
    const int count = GenerateCandidateMoves(buffer, kMaxCandidateMoves);
    moves.assign(buffer, buffer + count);
}

int CChessPosition::GenerateCandidateMoves(CMove* moves, int capacity) const
{
    int count = 0;
    const Colour side = m_State.sideToMove;
    for (int from = 0; from < 64; ++from)
    {
        const PieceCode p = m_State.board[from];
        if (p == 0 || ColourOfCode(p) != side)
            continue;
        const bool full = ForEachReachable(m_State, from, [&](int to) {
            if (count >= capacity)
                return true;
            moves[count++] = CMove(CCoordinate::FromIndex(from), CCoordinate::FromIndex(to));
            return false;
        });
        if (full)
            break;
    }
    return count;
}

// ---------------------------------------------------------------------------
// Judging

CJudgement CChessPosition::Judge(bool bughouseBoard) const
{
    CJudgement j;
    if (IsMate())
        j.end = GameEnd::Checkmate;
    else if (IsStalemate())
        j.end = GameEnd::Stalemate;
    else if (!bughouseBoard && IsRepetition())
        j.end = GameEnd::Repetition;
    else if (!bughouseBoard && IsInsufficientMaterial())
        j.end = GameEnd::InsufficientMaterial;
    else if (!bughouseBoard && IsFiftyMoveDraw())
        j.end = GameEnd::FiftyMoves;
    j.check = IsCheck();
    return j;
}
