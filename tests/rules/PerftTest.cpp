#include "Perft.h"

#include "TestBoards.h"
#include <algorithm>

// Published perft counts; legality comes from MakeMove alone.
TEST(Perft, MatchesPublishedCounts)
{
    struct Case
    {
        const char* fen;
        int depth;
        uint64_t nodes;
    };
    const Case cases[] = {
        {CFenText::kInitialPosition, 4, 197281},
        {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3, 97862},
        {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4, 43238},
        {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", 3, 9467},
        {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", 3, 62379},
    };
    for (const Case& c : cases)
    {
        CChessPosition p = FromFen(c.fen);
        const CPositionState before = p.State();
        EXPECT_EQ(CPerft::Count(p, c.depth), c.nodes) << c.fen;
        EXPECT_TRUE(SameState(p.State(), before)) << "perft leaves the position as it found it";
    }
}

TEST(Perft, ThreadsShareTheRootMovesAndAgree)
{
    const CChessPosition p = FromFen("r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1");
    EXPECT_EQ(CPerft::CountParallel(p, 3, 2), 97862u);
    EXPECT_EQ(CPerft::CountParallel(p, 1, 2), 48u);
}

TEST(Perft, DivideListsRootMovesWithPromotionLetters)
{
    CChessPosition p = FromFen("8/P7/8/8/8/8/8/k6K w - - 0 1");
    std::vector<std::string> texts;
    uint64_t total = 0;
    for (const auto& [text, count] : CPerft::Divide(p, 1))
    {
        texts.push_back(text);
        total += count;
    }
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{"a7a8b", "a7a8n", "a7a8q", "a7a8r", "h1g1", "h1g2", "h1h2"}));
    EXPECT_EQ(total, 7u);
}
