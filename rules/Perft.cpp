#include "Perft.h"

#include <atomic>
#include <thread>

namespace
{
bool IsPromotionMove(const CChessPosition& position, const CMove& move)
{
    return position.TypeAt(move.from) == PIECE_PAWN && (move.to.y == 0 || move.to.y == 7);
}

// Plays each legal form of a candidate move (four for a promotion) and calls
// visit(promotion) after each, restoring the position afterwards.
template <class Visit> void ForEachLegalForm(CChessPosition& position, const CMove& move, Visit&& visit)
{
    const CPositionSnapshot saved = position.Snapshot();
    const int32_t savedDefault = position.DefaultPromotionPiece();
    if (!IsPromotionMove(position, move))
    {
        if (position.MakeMove(move, false))
        {
            visit(0);
            position.RestoreSnapshot(saved);
        }
        return;
    }
    for (int32_t piece = PIECE_ROOK; piece <= PIECE_QUEEN; ++piece)
    {
        position.SetDefaultPromotionPiece(piece);
        if (!position.MakeMove(move, false))
            break; // the piece chosen never changes legality
        visit(piece);
        position.RestoreSnapshot(saved);
    }
    position.SetDefaultPromotionPiece(savedDefault);
}

// `moves` has room for the candidates of every level still to come.
uint64_t CountWithBuffer(CChessPosition& position, int depth, CMove* moves)
{
    const int count = position.GenerateCandidateMoves(moves, CChessPosition::kMaxCandidateMoves);
    uint64_t total = 0;
    for (int i = 0; i < count; ++i)
    {
        ForEachLegalForm(position, moves[i], [&](int32_t) {
            total += depth == 1 ? 1 : CountWithBuffer(position, depth - 1, moves + count);
        });
    }
    return total;
}
} // namespace

uint64_t CPerft::Count(CChessPosition& position, int depth)
{
    if (depth <= 0)
        return 1;
    std::vector<CMove> buffer(static_cast<size_t>(depth) * CChessPosition::kMaxCandidateMoves);
    return CountWithBuffer(position, depth, buffer.data());
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

uint64_t CPerft::CountParallel(const CChessPosition& position, int depth, int threads)
{
    if (depth <= 1 || threads <= 1)
    {
        CChessPosition copy(position);
        copy.SetKingCaptureOption(position.KingCaptureOption());
        return Count(copy, depth);
    }
    std::vector<CMove> roots;
    position.GenerateCandidateMoves(roots);
    std::atomic<size_t> next{0};
    std::atomic<uint64_t> total{0};
    auto work = [&] {
        CChessPosition copy(position);
        copy.SetKingCaptureOption(position.KingCaptureOption());
        std::vector<CMove> buffer(static_cast<size_t>(depth) * CChessPosition::kMaxCandidateMoves);
        uint64_t sum = 0;
        for (size_t i = next++; i < roots.size(); i = next++)
        {
            ForEachLegalForm(copy, roots[i], [&](int32_t) { sum += CountWithBuffer(copy, depth - 1, buffer.data()); });
        }
        total += sum;
    };
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; ++t)
        pool.emplace_back(work);
    for (std::thread& t : pool)
        t.join();
    return total;
}
