// Thinking lines as the program shows them: the principal variation in SAN
// from the position it starts from, cut at the first move that is not legal
// there, and the score from White's view.
#include "ThinkingText.h"

#include "ChessPosition.h"
#include "FenText.h"
#include "IChessEngineEx.h"

#include <gtest/gtest.h>

namespace
{
CChessPosition Position(const char* fen)
{
    CChessPosition position;
    std::string error;
    EXPECT_TRUE(CFenText::ReadFen(position, fen, &error)) << error;
    return position;
}

using Moves = std::vector<std::string>;
} // namespace

TEST(ThinkingText, TurnsEveryFormOfPrincipalVariationIntoSan)
{
    const char* start = CFenText::kInitialPosition;
    struct Case
    {
        const char* fen;
        const char* pv;
        Moves san;
    };
    const Case cases[] = {
        // UCI and most WinBoard engines: coordinate moves.
        {start, "e2e4 e7e5 g1f3 b8c6 f1b5", {"e4", "e5", "Nf3", "Nc6", "Bb5"}},
        // Sjeng and GNU Chess write SAN, with move numbers and check marks.
        {start, "1. e4 e5 2. Nf3 Nc6 3. Bb5+", {"e4", "e5", "Nf3", "Nc6", "Bb5"}},
        {start, "1.e4 1...e5", {"e4", "e5"}},
        {start, "e2-e4 e7-e5", {"e4", "e5"}},
        // Castling as the king's move, in letters and in zeros.
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1 e8c8", {"O-O", "O-O-O"}},
        {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "O-O-O 0-0", {"O-O-O", "O-O"}},
        // Promotions with and without a letter, in coordinates and SAN.
        {"8/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e7e8q g7f6", {"e8=Q", "Kf6"}},
        {"8/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e7e8n", {"e8=N+"}},
        {"8/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e8=R", {"e8=R"}},
        {"8/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e8Q", {"e8=Q"}},
        {"8/4P1k1/8/8/8/8/8/4K3 w - - 0 1", "e7e8", {"e8=Q"}},
        // Black to move first.
        {"4k3/8/8/8/8/8/4P3/4K3 b - - 0 1", "e8d7 e2e4 d7d6", {"Kd7", "e4", "Kd6"}},
        // Cut at the first move that is not legal there.
        {start, "e2e4 e2e4 d2d4", {"e4"}},
        {start, "e2e4 e7e5 e1e2 e8e7 e2e5", {"e4", "e5", "Ke2", "Ke7"}},
        {start, "Nf6", {}},
        {start, "xyz e2e4", {}},
        {start, "e2e9", {}},
        {start, "", {}},
        {start, "   \t  ", {}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.pv);
        const CChessPosition position = Position(c.fen);
        EXPECT_EQ(CThinkingText::PvToSan(position, c.pv), c.san);
        // The position it starts from is left as it was.
        EXPECT_EQ(CFenText::WriteFen(position), CFenText::WriteFen(Position(c.fen)));
    }
}

TEST(ThinkingText, ShowsTheScoreFromWhitesView)
{
    struct Case
    {
        int32_t kind;
        int32_t score;
        int32_t colour;
        const char* text;
    };
    const Case cases[] = {
        {ENGINE_SCORE_CENTIPAWNS, 35, 2, "+0.35"},
        {ENGINE_SCORE_CENTIPAWNS, 35, 1, "-0.35"},
        {ENGINE_SCORE_CENTIPAWNS, -120, 1, "+1.20"},
        {ENGINE_SCORE_CENTIPAWNS, 0, 1, "0.00"},
        {ENGINE_SCORE_CENTIPAWNS, -5, 2, "-0.05"},
        {ENGINE_SCORE_CENTIPAWNS, 31234, 2, "+312.34"},
        {ENGINE_SCORE_MATE, 3, 2, "#3"},
        {ENGINE_SCORE_MATE, 3, 1, "#-3"},
        {ENGINE_SCORE_MATE, -2, 1, "#2"},
        {ENGINE_SCORE_NONE, 50, 2, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CThinkingText::ScoreText(c.kind, c.score, c.colour), c.text) << c.score << " " << c.colour;
    EXPECT_EQ(CThinkingText::WhiteScore(40, 1), -40);
    EXPECT_EQ(CThinkingText::WhiteScore(40, 2), 40);
}
