#include "EngineMove.h"

#include <gtest/gtest.h>

TEST(EngineMoveWord, PacksEachFieldIntoItsBits)
{
    struct Case
    {
        EngineMove move;
        uint32_t word;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 0}, 0x0000},
        {{7, 0, 0, 0, 0}, 0x0007},
        {{0, 7, 0, 0, 0}, 0x0038},
        {{0, 0, 7, 0, 0}, 0x01C0},
        {{0, 0, 0, 7, 0}, 0x0E00},
        {{0, 0, 0, 0, 4}, 0x4000},
        // e7e8q: file e is index 3, rank 7 is index 6.
        {{3, 6, 3, 7, 4}, 3u | 6u << 3 | 3u << 6 | 7u << 9 | 4u << 12},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(PackEngineMove(c.move), c.word);
        EXPECT_EQ(UnpackEngineMove(c.word), c.move);
    }
}

TEST(EngineMoveWord, RoundTripsEveryMoveAndPromotion)
{
    for (int from = 0; from < 64; ++from)
        for (int to = 0; to < 64; ++to)
            for (int promotion = 0; promotion <= 4; ++promotion)
            {
                const EngineMove move{from % 8, from / 8, to % 8, to / 8, promotion};
                ASSERT_EQ(UnpackEngineMove(PackEngineMove(move)), move);
            }
}

TEST(EngineMoveWord, OutOfRangeFieldsDoNotSpillIntoTheirNeighbours)
{
    const EngineMove move = UnpackEngineMove(PackEngineMove(EngineMove{9, -1, 0, 0, 0}));
    EXPECT_EQ(move.toFile, 0);
    EXPECT_EQ(move.toRank, 0);
    EXPECT_EQ(move.promotion, 0);
    EXPECT_EQ(WM_ENGINE_MOVE, 0x401);
    EXPECT_EQ(WM_ENGINE_RESULT, 0x402);
}
