// Cross-checks the rule engine against a literal, square-by-square version of
// the rules (every square pair tried, every square scanned for attackers) over
// random games, in normal, king-capture and bughouse (drops) mode.

#include "TestBoards.h"

#include <cstdlib>
#include <random>

namespace reference
{
bool InCheck(const CPositionState& s, Colour c);

bool Empty(const CPositionState& s, int row, int column)
{
    return s.board[column + 8 * row] == 0;
}

void Apply(CPositionState& s, const CMove& m)
{
    CChessPosition scratch;
    scratch.RestoreState(s);
    int32_t promotion = 0;
    scratch.ApplyMove(m, promotion);
    s = scratch.State();
}

bool PathClear(const CPositionState& s, const CCoordinate& from, const CCoordinate& to)
{
    const int dr = (to.y > from.y) - (to.y < from.y);
    const int dc = (to.x > from.x) - (to.x < from.x);
    for (int r = from.y + dr, c = from.x + dc; r != to.y || c != to.x; r += dr, c += dc)
        if (!Empty(s, r, c))
            return false;
    return true;
}

bool Reachable(const CPositionState& s, const CCoordinate& from, const CCoordinate& to, int type, Colour colour)
{
    const PieceCode target = s.board[to.Index()];
    const bool free = target == 0 || ColourOfCode(target) != colour;
    const int dr = to.y - from.y;
    const int dc = to.x - from.x;
    const bool rook = (dr == 0 || dc == 0) && free && PathClear(s, from, to);
    const bool bishop = std::abs(dr) == std::abs(dc) && free && PathClear(s, from, to);
    switch (type)
    {
    case PIECE_PAWN:
    {
        const int f = colour == COLOUR_WHITE ? 1 : -1;
        if (dc == 0)
        {
            if (dr == f)
                return target == 0;
            if (dr == 2 * f)
                return from.y == (colour == COLOUR_WHITE ? 1 : 6) && Empty(s, from.y + f, from.x) && target == 0;
            return false;
        }
        if (dr != f || std::abs(dc) != 1)
            return false;
        if (s.enPassant && to.y == (colour == COLOUR_WHITE ? 5 : 2) && to.x == s.enPassantSquare.x)
            return true;
        return ColourOfCode(target) == OppositeColour(colour);
    }
    case PIECE_ROOK: return rook;
    case PIECE_KNIGHT:
        return ((std::abs(dr) == 2 && std::abs(dc) == 1) || (std::abs(dr) == 1 && std::abs(dc) == 2)) && free;
    case PIECE_BISHOP: return bishop;
    case PIECE_QUEEN: return rook || bishop;
    case PIECE_KING:
        if (target != 0 && ColourOfCode(target) == colour)
            return false;
        if (dr == 0 && dc == -2 && !s.kingMoved[colour] && !s.hRookMoved[colour])
        {
            if (target != 0 || !Empty(s, to.y, to.x + 1) || InCheck(s, s.sideToMove))
                return false;
            CPositionState copy = s;
            Apply(copy, CMove(from, CCoordinate(to.y, to.x + 1)));
            return !InCheck(copy, s.sideToMove);
        }
        if (dr == 0 && dc == 2 && !s.kingMoved[colour] && !s.aRookMoved[colour])
        {
            if (target != 0 || !Empty(s, to.y, to.x - 1) || !Empty(s, to.y, to.x + 1) || InCheck(s, s.sideToMove))
                return false;
            CPositionState copy = s;
            Apply(copy, CMove(from, CCoordinate(to.y, to.x - 1)));
            return !InCheck(copy, s.sideToMove);
        }
        return std::abs(dr) <= 1 && std::abs(dc) <= 1;
    default: return false;
    }
}

bool InCheck(const CPositionState& s, Colour c)
{
    for (int i = 0; i < 64; ++i)
    {
        const PieceCode code = s.board[i];
        if (code != 0 && ColourOfCode(code) != c &&
            Reachable(s, CCoordinate::FromIndex(i), s.kingSquare[c], TypeOfCode(code), OppositeColour(c)))
            return true;
    }
    return false;
}

bool Legal(const CPositionState& s, const CMove& m)
{
    const PieceCode p = s.board[m.from.Index()];
    if (p == 0 || ColourOfCode(p) != s.sideToMove || !Reachable(s, m.from, m.to, TypeOfCode(p), s.sideToMove))
        return false;
    CPositionState copy = s;
    Apply(copy, m);
    return !InCheck(copy, s.sideToMove);
}

// Check, mate and stalemate as the square-by-square search finds them.
void Status(const CPositionState& s, bool drops, bool& check, bool& mate, bool& stalemate)
{
    const Colour side = s.sideToMove;
    check = InCheck(s, side);
    mate = check;
    stalemate = !check;
    for (int from = 0; from < 64; ++from)
        for (int to = 0; to < 64; ++to)
            if (Legal(s, CMove(CCoordinate::FromIndex(from), CCoordinate::FromIndex(to))))
            {
                mate = stalemate = false;
                return;
            }
    if (!drops)
        return;
    for (int type = PIECE_PAWN; type <= PIECE_QUEEN; ++type)
    {
        if (s.holdings[type][side - 1] + (type == PIECE_ROOK) <= 0)
            continue;
        for (int sq = 0; sq < 64; ++sq)
        {
            if (s.board[sq] != 0 || (type == PIECE_PAWN && (sq < 8 || sq >= 56)))
                continue;
            CPositionState copy = s;
            copy.board[sq] = MakePieceCode(side, type);
            if (!InCheck(copy, side))
            {
                mate = stalemate = false;
                return;
            }
        }
    }
}
} // namespace reference

namespace
{
struct Mode
{
    const char* name;
    bool kingCapture;
    bool drops;
    int games;
};

void PlayRandomGames(const Mode& mode, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<CMove> candidates;
    for (int game = 0; game < mode.games; ++game)
    {
        CChessPosition p;
        p.SetKingCaptureOption(mode.kingCapture);
        p.SetDropsOption(mode.drops ? 1 : 0);
        p.Reset();
        for (int ply = 0; ply < 120 && !p.IsMate() && !p.IsStalemate(); ++ply)
        {
            const CPositionState& s = p.State();
            // Every square pair: MakeMove accepts exactly the reference's legal moves
            // (under king capture: exactly the reachable ones), and the candidate
            // list contains all of them.
            p.GenerateCandidateMoves(candidates);
            std::vector<CMove> legal;
            for (int from = 0; from < 64; ++from)
            {
                if (s.board[from] == 0 || ColourOfCode(s.board[from]) != s.sideToMove)
                    continue;
                for (int to = 0; to < 64; ++to)
                {
                    const CMove m(CCoordinate::FromIndex(from), CCoordinate::FromIndex(to));
                    const bool expected =
                        mode.kingCapture
                            ? reference::Reachable(s, m.from, m.to, TypeOfCode(s.board[from]), s.sideToMove)
                            : reference::Legal(s, m);
                    CChessPosition trial(p);
                    trial.SetKingCaptureOption(mode.kingCapture);
                    const bool judged = trial.IsLegalMove(m);
                    const bool accepted = trial.MakeMove(m, false);
                    ASSERT_EQ(judged, accepted) << mode.name << " " << CFenText::WriteFen(p) << " " << m.ToText();
                    ASSERT_EQ(accepted, expected) << mode.name << " " << CFenText::WriteFen(p) << " " << m.ToText();
                    if (accepted)
                    {
                        legal.push_back(m);
                        ASSERT_NE(std::find(candidates.begin(), candidates.end(), m), candidates.end())
                            << mode.name << " candidate missing " << m.ToText();
                    }
                }
            }
            if (mode.drops && random() % 3 == 0)
            {
                // Feed holdings as a partner board would, then sometimes drop.
                p.ReceivePiece(static_cast<int32_t>(random() % 5), static_cast<Colour>(1 + random() % 2));
                const CCoordinate square = CCoordinate::FromIndex(static_cast<int>(random() % 64));
                const PieceType type = static_cast<PieceType>(random() % 5);
                if (p.DropPiece(p.SideToMove(), type, square))
                {
                    if (!mode.kingCapture)
                    {
                        bool check;
                        bool mate;
                        bool stalemate;
                        reference::Status(p.State(), true, check, mate, stalemate);
                        ASSERT_EQ(p.IsCheck(), check) << CFenText::WriteFen(p);
                        ASSERT_EQ(p.IsMate(), mate) << CFenText::WriteFen(p);
                        ASSERT_EQ(p.IsStalemate(), stalemate) << CFenText::WriteFen(p);
                    }
                    continue;
                }
            }
            if (legal.empty())
                break;
            const CMove chosen = legal[random() % legal.size()];
            bool ownKingLeftAttacked = false;
            if (mode.kingCapture)
            {
                CPositionState after = p.State();
                reference::Apply(after, chosen);
                ownKingLeftAttacked = reference::InCheck(after, p.SideToMove());
            }
            ASSERT_TRUE(p.MakeMove(chosen, true));
            if (!ownKingLeftAttacked && !p.IsMate())
            {
                bool check;
                bool mate;
                bool stalemate;
                reference::Status(p.State(), mode.drops, check, mate, stalemate);
                ASSERT_EQ(p.IsCheck(), check) << mode.name << " " << CFenText::WriteFen(p);
                ASSERT_EQ(p.IsMate(), mate) << mode.name << " " << CFenText::WriteFen(p);
                ASSERT_EQ(p.IsStalemate(), stalemate) << mode.name << " " << CFenText::WriteFen(p);
            }
            for (Colour c : {COLOUR_BLACK, COLOUR_WHITE})
            {
                if (p.State().board[p.State().kingSquare[c].Index()] == MakePieceCode(c, PIECE_KING))
                {
                    ASSERT_EQ(p.IsInCheck(c), reference::InCheck(p.State(), c)) << CFenText::WriteFen(p);
                }
            }
        }
    }
}
} // namespace

TEST(ReferenceModel, AgreesWithTheSquareBySquareRulesInRandomGames)
{
    for (const Mode& mode :
         {Mode{"normal", false, false, 12}, Mode{"king capture", true, false, 6}, Mode{"drops", false, true, 8}})
        PlayRandomGames(mode, 20261207u);
}
