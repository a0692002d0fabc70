#include "Perft.h"

namespace
{
bool IsPromotionMove(const CChessPosition& position, const CMove& move)
{
    return position.TypeAt(move.from) == PIECE_PAWN && (move.to.y == 0 || move.to.y == 7);
}

// Plays each legal form of a candidate move (four for a promotion) and calls
// visit(promotion) after each, restoring the position afterwards.
template <class Visit>
void ForEachLegalForm(CChessPosition& position, const CMove& move, Visit&& visit)
{
    const CPositionState saved = position.State();
    const int32_t savedDefault = position.DefaultPromotionPiece();
    if (!IsPromotionMove(position, move))
    {
        if (position.MakeMove(move, false))
        {
            visit(0);
            position.RestoreState(saved);
        }
        return;
    }
    for (int32_t piece = PIECE_ROOK; piece <= PIECE_QUEEN; ++piece)
    {
        position.SetDefaultPromotionPiece(piece);
        if (!position.MakeMove(move, false))
            break; // the piece chosen never changes legality
        visit(piece);
        position.RestoreState(saved);
    }
    position.SetDefaultPromotionPiece(savedDefault);
}
} // namespace

uint64_t CPerft::Count(CChessPosition& position, int depth)
{
    if (depth <= 0)
        return 1;
    CMove moves[CChessPosition::kMaxCandidateMoves];
    const int count = position.GenerateCandidateMoves(moves, CChessPosition::kMaxCandidateMoves);
    uint64_t total = 0;
    for (int i = 0; i < count; ++i)
    {
        ForEachLegalForm(position, moves[i], [&](int32_t) {
            total += depth == 1 ? 1 : Count(position, depth - 1);
        });
    }
    return total;
}

std::vector<std::pair<std::string, uint64_t>> CPerft::Divide(CChessPosition& position, int depth)
{
    static constexpr char kPromotionLetters[] = " rnbq";
    std::vector<std::pair<std::string, uint64_t>> result;
    if (depth <= 0)
        return result;
    std::vector<CMove> moves;
    position.GenerateCandidateMoves(moves);
    for (const CMove& move : moves)
    {
        ForEachLegalForm(position, move, [&](int32_t piece) {
            std::string text = move.ToText();
            if (piece != 0)
                text += kPromotionLetters[piece];
            result.emplace_back(text, Count(position, depth - 1));
        });
    }
    return result;
}
