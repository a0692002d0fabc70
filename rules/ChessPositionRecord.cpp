// The game record of CChessPosition: recording, browsing, takeback and the draw rules.

#include "ChessPosition.h"

void CChessPosition::ClearRecordFrom(size_t index)
{
    if (index >= m_Positions.size())
        return;
    m_Moves.resize(index);
    m_Promotions.resize(index);
    m_Positions.resize(index);
    m_PositionHashes.resize(index);
    m_MoveTexts.resize(index);
}

void CChessPosition::RecordMove(const CMove& move, int32_t promotion, bool captured, const CPositionSnapshot& before,
                                std::string& moveText)
{
    // A move made while browsing an earlier point discards the continuation.
    ClearRecordFrom(static_cast<size_t>(m_CurrentPly));
    // One scratch board per thread; WriteSan only asks it questions.
    thread_local CChessPosition scratch;
    scratch.RestoreSnapshot(before);
    scratch.m_KingCapture = m_KingCapture;
    moveText = WriteSan(*this, scratch, move, promotion, captured);
    m_Moves.push_back(move);
    m_Promotions.push_back(promotion);
    m_Positions.push_back(before.state);
    m_PositionHashes.push_back(before.state.BoardHash());
    m_MoveTexts.push_back(moveText);
    ++m_CurrentPly;
}

bool CChessPosition::TakeBack()
{
    if (!CanTakeBack())
        return false;
    --m_CurrentPly;
    m_State = m_Positions[static_cast<size_t>(m_CurrentPly)];
    m_CheckExact = false;
    m_OtherSideSafe = false;
    m_StatusDeferred = false;
    m_DefaultPromotion = PIECE_QUEEN;
    ClearRecordFrom(static_cast<size_t>(m_CurrentPly));
    return true;
}

bool CChessPosition::StepBack()
{
    if (!CanStepBack())
        return false;
    --m_CurrentPly;
    m_State = m_Positions[static_cast<size_t>(m_CurrentPly)];
    m_CheckExact = false;
    m_OtherSideSafe = false;
    m_StatusDeferred = false;
    m_DefaultPromotion = PIECE_QUEEN;
    return true;
}

bool CChessPosition::GoToStart()
{
    if (!CanStepBack())
        return false;
    while (m_CurrentPly > 0)
        StepBack();
    return true;
}

bool CChessPosition::StepForward(std::string& moveText)
{
    if (!CanStepForward())
        return false;
    const auto index = static_cast<size_t>(m_CurrentPly);
    const CMove move = m_Moves[index];
    const bool pawnMove = TypeOfCode(PieceAt(move.from)) == PIECE_PAWN && IsOccupied(move.from);

    // Replay with the recorded promotion and no chooser.
    PromotionChooser chooser = std::move(m_Chooser);
    m_Chooser = nullptr;
    m_DefaultPromotion = m_Promotions[index];
    ++m_CurrentPly;
    CCoordinate square1;
    CCoordinate square2;
    int32_t promotion = 0;
    uint8_t captured = 0;
    int32_t capturedPiece = 0;
    ApplyMoveDetailed(move, square1, square2, promotion, captured, capturedPiece);
    m_Chooser = std::move(chooser);
    m_DefaultPromotion = PIECE_QUEEN;
    m_State.sideToMove = OppositeColour(m_State.sideToMove);

    // The halfmove clock advances as it did when the move was made, so that the
    // fifty-move rule reads the same after browsing as during play.
    ++m_State.halfmoveClock;
    if (captured || pawnMove)
        m_State.halfmoveClock = 0;

    if (m_KingCapture)
        UpdateKingCaptureStatus();
    if (!m_State.mate)
        UpdateStatus();
    CheckInsufficientMaterial();
    CheckRepetition();
    if (m_CurrentPly <= static_cast<int32_t>(m_MoveTexts.size()))
        moveText = m_MoveTexts[index];
    return true;
}

bool CChessPosition::GoToEnd()
{
    if (!CanStepForward())
        return false;
    std::string text;
    while (StepForward(text))
    {
    }
    return true;
}

void CChessPosition::LoadMoveList(const std::vector<std::string>& sanTexts)
{
    Reset();
    for (const std::string& text : sanTexts)
    {
        if (m_CurrentPly >= kMaxRecordPlies)
            break;
        PlaySan(text);
    }
}

void CChessPosition::CheckRepetition()
{
    m_State.repetition = 0;
    if (m_Positions.empty())
        return;
    // At the end of the record, no position before the last capture or pawn
    // move can come again (material and pawns never return), and the halfmove
    // clock counts the plies since then: only those entries need comparing.
    // While browsing, the whole list is compared.
    size_t first = 0;
    const size_t size = m_Positions.size();
    if (m_CurrentPly == static_cast<int32_t>(size) && m_State.halfmoveClock >= 0 &&
        static_cast<size_t>(m_State.halfmoveClock) < size)
        first = size - static_cast<size_t>(m_State.halfmoveClock);
    const uint64_t hash = m_State.BoardHash();
    int count = 0;
    // A third earlier occurrence already means "not exactly two": stop there.
    for (size_t i = first; i < size && count < 3; ++i)
    {
        if (m_PositionHashes[i] == hash && m_Positions[i].SameBoardAs(m_State))
            ++count;
    }
    // Exactly two earlier occurrences: this is the third.
    if (count == 2)
        m_State.repetition = 1;
}

void CChessPosition::CheckInsufficientMaterial()
{
    m_State.insufficientMaterial = 0;
    int minors[3] = {0, 0, 0};
    for (PieceCode code : m_State.board)
    {
        if (code == 0)
            continue;
        const PieceType t = TypeOfCode(code);
        if (t == PIECE_PAWN || t == PIECE_ROOK || t == PIECE_QUEEN)
            return;
        if ((t == PIECE_KNIGHT || t == PIECE_BISHOP) && ColourOfCode(code) <= COLOUR_WHITE)
            ++minors[ColourOfCode(code)];
    }
    if (minors[COLOUR_WHITE] <= 1 && minors[COLOUR_BLACK] <= 1)
        m_State.insufficientMaterial = 1;
}
