#include "ThinkingOrigin.h"

#include <gtest/gtest.h>

namespace
{
// A board move in coordinates ("e2e4"); files count from h as on the board.
EngineMove Move(const char* text)
{
    EngineMove move;
    move.fromFile = 'h' - text[0];
    move.fromRank = text[1] - '1';
    move.toFile = 'h' - text[2];
    move.toRank = text[3] - '1';
    return move;
}
} // namespace

// The usual case, the line of the position the engine is in; and the line
// written before the engine read the last move, whose variation reads only
// from the position before it.
TEST(ThinkingOrigin, ALineReadingOnlyFromThePositionBeforeTheLastMoveBelongsThere)
{
    CThinkingOrigin origin;
    std::vector<EngineMove> moves{Move("e2e4")};
    EXPECT_EQ(origin.PlyOf(moves, true, true, "e7e5 g1f3"), 1);
    // White's variation from the start position, read after 1. e4.
    EXPECT_EQ(origin.PlyOf(moves, true, true, "g1f3 b8c6"), 0);
    EXPECT_EQ(origin.PlyOf(moves, true, true, "Nf3 Nc6"), 0);
    // One move on: the positions follow the game.
    moves.push_back(Move("e7e5"));
    EXPECT_EQ(origin.PlyOf(moves, true, true, "Nf3 Nc6"), 2);
    EXPECT_EQ(origin.PlyOf(moves, true, true, "b8c6 g1f3"), 1);
    // Taken back and played otherwise: the positions are replayed.
    moves.back() = Move("c7c5");
    EXPECT_EQ(origin.PlyOf(moves, true, true, "e7e5 Nf3"), 1);
    EXPECT_EQ(origin.PlyOf(moves, true, true, "Nf3 d6"), 2);
    moves.resize(1);
    EXPECT_EQ(origin.PlyOf(moves, true, true, "c7c5"), 1);
}

// A line that reads from the position now or from neither (an engine pondering
// on the move it expects shows its reply first) stays with the position now;
// so do games from a set-up position, games with drops, and an empty game.
TEST(ThinkingOrigin, WhatCannotBeToldStaysWithThePositionNow)
{
    CThinkingOrigin origin;
    const std::vector<EngineMove> moves{Move("e2e4"), Move("e7e5")};
    EXPECT_EQ(origin.PlyOf(moves, true, true, "Nc3"), 2);
    EXPECT_EQ(origin.PlyOf(moves, true, true, "d2d4 exd4"), 2);
    // After the engine's own move: it knew of that move, whatever it writes.
    EXPECT_EQ(origin.PlyOf(moves, true, false, "b8c6 f1c4"), 2);
    EXPECT_EQ(origin.PlyOf(moves, true, true, "b8c6 f1c4"), 1);
    EXPECT_EQ(origin.PlyOf(moves, true, true, "(-) zz9"), 2);
    EXPECT_EQ(origin.PlyOf(moves, true, true, ""), 2);
    EXPECT_EQ(origin.PlyOf(moves, false, true, "b8c6"), 2);
    EXPECT_EQ(origin.PlyOf({}, true, true, "e2e4"), 0);
    std::vector<EngineMove> dropped = moves;
    EngineMove drop = Move("a1e4");
    drop.drop = 0;
    dropped.push_back(drop);
    EXPECT_EQ(origin.PlyOf(dropped, true, true, "b8c6"), 3);
    // An impossible game is not read either, and the next one still is.
    EXPECT_EQ(origin.PlyOf({Move("e2e5")}, true, true, "g1f3"), 1);
    EXPECT_EQ(origin.PlyOf(moves, true, true, "b8c6"), 1);
}
