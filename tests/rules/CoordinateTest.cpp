#include "Coordinate.h"
#include "ByteArchive.h"
#include "Move.h"

#include <gtest/gtest.h>

TEST(Coordinate, ParsesSquareTextWithColumnsFromTheHFile)
{
    struct Case
    {
        const char* text;
        int row;
        int column;
    };
    for (const Case& c : {Case{"a1", 0, 7}, Case{"h8", 7, 0}, Case{"e4", 3, 3}, Case{"e9", 8, 3}})
    {
        const CCoordinate square = CCoordinate::FromText(c.text);
        EXPECT_EQ(square.Row(), c.row) << c.text;
        EXPECT_EQ(square.Column(), c.column) << c.text;
    }
    EXPECT_FALSE(CCoordinate::FromText("e9").IsOnBoard());
    EXPECT_FALSE(CCoordinate::FromText("i1").IsOnBoard());
    EXPECT_EQ(CCoordinate(3, 3).ToText(), "e4");
}

TEST(Coordinate, HighBytesNeverParseOntoTheBoard)
{
    for (int b = 128; b < 256; ++b)
    {
        CCoordinate c;
        c.Parse(static_cast<char>(b), '1');
        EXPECT_FALSE(c.IsOnBoard());
        c.Parse('a', static_cast<char>(b));
        EXPECT_FALSE(c.IsOnBoard());
    }
}

TEST(Coordinate, SerialisesAsRowThenColumnInEightBytes)
{
    CByteArchive out;
    CCoordinate(2, 5).Serialize(out);
    const std::vector<uint8_t> expected = {2, 0, 0, 0, 5, 0, 0, 0};
    EXPECT_EQ(out.Bytes(), expected);

    CByteArchive in(out.Bytes());
    CCoordinate read(7, 7);
    ASSERT_TRUE(read.Deserialize(in));
    EXPECT_EQ(read, CCoordinate(2, 5));
    EXPECT_FALSE(read.Deserialize(in)) << "reading past the end fails";
    EXPECT_EQ(read, CCoordinate(2, 5)) << "and leaves the value unchanged";
}

TEST(Move, SerialisesFromRowFromColumnToRowToColumnInSixteenBytes)
{
    CByteArchive out;
    const CMove move(CCoordinate::FromText("e2"), CCoordinate::FromText("e4"));
    move.Serialize(out);
    const std::vector<uint8_t> expected = {1, 0, 0, 0, 3, 0, 0, 0, 3, 0, 0, 0, 3, 0, 0, 0};
    EXPECT_EQ(out.Bytes(), expected);

    CByteArchive in(out.Bytes());
    CMove read;
    ASSERT_TRUE(read.Deserialize(in));
    EXPECT_EQ(read, move);

    std::vector<uint8_t> cut = expected;
    cut.resize(12);
    CByteArchive shortIn(cut);
    CMove untouched;
    EXPECT_FALSE(untouched.Deserialize(shortIn));
    EXPECT_EQ(untouched, CMove());
}
