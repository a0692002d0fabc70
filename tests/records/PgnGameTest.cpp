// The game value type: moves kept compactly, annotations only where present.

#include "PgnGame.h"
#include "PgnReader.h"

#include <gtest/gtest.h>

TEST(PgnMove, KeepsAnnotationsOnlyWhenItHasSome)
{
    EXPECT_LE(sizeof(CPgnMove), 24u) << "a file's millions of moves";
    CPgnMove plain("Nf3", 180000);
    EXPECT_FALSE(plain.HasNotes());
    EXPECT_TRUE(plain.Notes().comment.empty());
    EXPECT_EQ(plain, CPgnMove("Nf3", 180000));

    CPgnMove annotated("e4");
    annotated.EditNotes().comment = "best by test";
    annotated.EditNotes().nags.push_back(1);
    CPgnMove copy = annotated;
    copy.EditNotes().comment = "changed";
    EXPECT_EQ(annotated.Notes().comment, "best by test") << "a copy has its own annotations";
    EXPECT_NE(copy, annotated);

    CPgnMove emptied("e4");
    emptied.EditNotes();
    EXPECT_EQ(emptied, CPgnMove("e4")) << "no annotations and empty ones compare equal";
    emptied.TrimNotes();
    EXPECT_FALSE(emptied.HasNotes());
}

TEST(PgnMove, ReaderKeepsNoAnnotationsForPlainMoves)
{
    CPgnReader reader("1. e4 e5 {a comment} 2. Nf3 $1 Nc6 *");
    CPgnGame game;
    ASSERT_TRUE(reader.ReadGame(game));
    ASSERT_EQ(game.moves.size(), 4u);
    EXPECT_FALSE(game.moves[0].HasNotes());
    EXPECT_TRUE(game.moves[1].HasNotes());
    EXPECT_EQ(game.moves[1].Notes().comment, "a comment");
    EXPECT_EQ(game.moves[2].Notes().nags, std::vector<uint8_t>{1});
    EXPECT_FALSE(game.moves[3].HasNotes());
}
