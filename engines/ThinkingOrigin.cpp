#include "ThinkingOrigin.h"

#include "ThinkingText.h"

#include <algorithm>

int32_t CThinkingOrigin::PlyOf(const std::vector<EngineMove>& moves, bool standardStart, bool opponentMovedLast,
                               std::string_view pv)
{
    const auto now = static_cast<int32_t>(moves.size());
    if (!standardStart || !opponentMovedLast || moves.empty() || pv.find_first_not_of(" \t") == std::string_view::npos)
        return now;
    if (!Follow(moves))
        return now;
    if (!CThinkingText::PvToSan(m_Now, pv).empty() || CThinkingText::PvToSan(m_Before, pv).empty())
        return now;
    return now - 1;
}

bool CThinkingOrigin::Follow(const std::vector<EngineMove>& moves)
{
    if (m_Valid && moves == m_Moves)
        return true;
    if (m_Valid && moves.size() == m_Moves.size() + 1 && std::equal(m_Moves.begin(), m_Moves.end(), moves.begin()))
    {
        CChessPosition next(m_Now);
        if (!Play(next, moves.back()))
        {
            m_Valid = false;
            return false;
        }
        m_Before = m_Now;
        m_Now = next;
        m_Moves = moves;
        return true;
    }
    m_Valid = false;
    CChessPosition position;
    CChessPosition before;
    for (const EngineMove& move : moves)
    {
        before = position;
        if (!Play(position, move))
            return false;
    }
    m_Now = position;
    m_Before = before;
    m_Moves = moves;
    m_Valid = true;
    return true;
}

bool CThinkingOrigin::Play(CChessPosition& position, const EngineMove& move)
{
    if (move.IsDrop())
        return false;
    position.SetDefaultPromotionPiece(move.promotion != 0 ? move.promotion : PIECE_QUEEN);
    const bool played = position.MakeMove(
        CMove(CCoordinate(move.fromRank, move.fromFile), CCoordinate(move.toRank, move.toFile)), false);
    position.SetDefaultPromotionPiece(PIECE_QUEEN);
    return played;
}
