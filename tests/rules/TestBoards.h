#pragma once

// Small helpers shared by the rules tests.

#include "ChessPosition.h"
#include "FenText.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

inline CCoordinate Sq(const char* text)
{
    return CCoordinate::FromText(text);
}

inline CMove Mv(const char* from, const char* to)
{
    return CMove(Sq(from), Sq(to));
}

inline CChessPosition FromFen(const std::string& fen, bool kingCapture = false, bool drops = false)
{
    CChessPosition position;
    position.SetKingCaptureOption(kingCapture);
    position.SetDropsOption(drops ? 1 : 0);
    std::string error;
    EXPECT_TRUE(CFenText::ReadFen(position, fen, &error)) << fen << ": " << error;
    return position;
}

// Plays SAN tokens, failing the test at the first one that is refused.
inline void PlayAll(CChessPosition& position, const std::vector<std::string>& tokens)
{
    for (const std::string& token : tokens)
        ASSERT_TRUE(position.PlaySan(token)) << "refused: " << token;
}

// MakeMove with every out value, recorded.
struct CPlayed
{
    bool ok = false;
    CCoordinate square1 = CCoordinate::None();
    CCoordinate square2 = CCoordinate::None();
    int32_t promotion = 0;
    uint8_t captured = 0;
    int32_t capturedPiece = 99;
    std::string text;
};

inline CPlayed PlayDetailed(CChessPosition& position, const CMove& move)
{
    CPlayed r;
    r.ok = position.MakeMove(move, r.square1, r.square2, r.promotion, r.captured, r.capturedPiece, r.text, true);
    return r;
}

inline bool SameState(const CPositionState& a, const CPositionState& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}
