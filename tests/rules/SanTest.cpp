#include "TestBoards.h"

TEST(San, PlaysTokensAndRecordsTheWrittenText)
{
    CChessPosition p;
    ASSERT_TRUE(p.PlaySan("e4"));
    EXPECT_EQ(p.PieceAt(Sq("e4")), 0x20);
    ASSERT_TRUE(p.PlaySan("Nf6!?"));
    ASSERT_TRUE(p.PlaySan("Nc3+"));
    ASSERT_TRUE(p.PlaySan("e5!!"));
    EXPECT_EQ(p.MoveTexts(), (std::vector<std::string>{"e4", "Nf6", "Nc3", "e5"}));
}

TEST(San, ThePawnThatCanMoveIsFound)
{
    CChessPosition p = FromFen("4k3/8/8/8/8/4P3/4P3/4K3 w - - 0 1");
    ASSERT_TRUE(p.PlaySan("e4"));
    EXPECT_EQ(p.PieceAt(Sq("e3")), 0);
    EXPECT_EQ(p.PieceAt(Sq("e2")), 0x20);
}

TEST(San, WrittenDisambiguation)
{
    struct Case
    {
        const char* fen;
        CMove move;
        const char* text;
    };
    const Case cases[] = {
        {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", Mv("b1", "d2"), "Nbd2"},
        {"k7/8/8/4R3/8/8/8/4RK2 w - - 0 1", Mv("e1", "e3"), "R1e3"},
        {"8/8/1k6/8/4Q2Q/K7/8/7Q w - - 0 1", Mv("h4", "e1"), "Qh4e1"},
        {"4k3/8/8/8/8/8/4K3/R6R w - - 0 1", Mv("a1", "d1"), "Rad1"},
        {"4k3/8/8/8/8/5N2/3P4/1N2K3 w - - 0 1", Mv("b1", "a3"), "Na3"},
        {"4k3/8/8/8/8/8/8/3NK3 w - - 0 1", Mv("e1", "d2"), "Kd2"},
        {"3qk3/4P3/8/8/8/8/8/4K3 w - - 0 1", Mv("e7", "d8"), "exd8=Q+"},
        {"r3k3/8/8/8/8/8/8/4K2R b q - 0 1", Mv("e8", "c8"), "O-O-O"},
        {"4k3/8/8/8/2B5/8/8/4K3 w - - 0 1", Mv("c4", "f7"), "Bf7+"},
    };
    for (const Case& c : cases)
    {
        CChessPosition p = FromFen(c.fen);
        const CPlayed r = PlayDetailed(p, c.move);
        ASSERT_TRUE(r.ok) << c.text;
        EXPECT_EQ(r.text, c.text);
        EXPECT_EQ(p.MoveTexts().back(), c.text);
    }
}

TEST(San, AmbiguousTokenPlaysTheFirstInScanOrder)
{
    CChessPosition p = FromFen("4k3/8/8/8/8/8/4K3/R6R w - - 0 1");
    ASSERT_TRUE(p.PlaySan("Rd1"));
    EXPECT_EQ(p.PieceAt(Sq("h1")), 0) << "h1 (column 0) comes before a1 (column 7)";
    EXPECT_EQ(p.PieceAt(Sq("a1")), 0x21);
    EXPECT_EQ(p.MoveTexts().back(), "Rhd1");
}

TEST(San, MatesAreWrittenWithPlusAndReadWithHash)
{
    CChessPosition p;
    PlayAll(p, {"e4", "e5", "Bc4", "Nc6", "Qh5", "Nf6", "Qxf7#"});
    EXPECT_TRUE(p.IsMate());
    EXPECT_EQ(p.MoveTexts().back(), "Qxf7+");
}

TEST(San, Castling)
{
    CChessPosition p = FromFen("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1");
    EXPECT_FALSE(p.PlaySan("0-0")) << "zeros are not castling";
    EXPECT_FALSE(p.PlaySan("o-o"));
    ASSERT_TRUE(p.PlaySan("O-O"));
    EXPECT_EQ(p.PieceAt(Sq("g8")), 0x15);
    EXPECT_EQ(p.PieceAt(Sq("f8")), 0x11);
    ASSERT_TRUE(p.PlaySan("O-O-O+"));
    EXPECT_EQ(p.PieceAt(Sq("c1")), 0x25);
    EXPECT_EQ(p.MoveTexts(), (std::vector<std::string>{"O-O", "O-O-O"}));
}

TEST(San, PromotionTokens)
{
    CChessPosition p = FromFen("3r3k/4P3/8/8/8/8/8/4K3 w - - 0 1");
    ASSERT_TRUE(p.PlaySan("exd8=N"));
    EXPECT_EQ(p.PieceAt(Sq("d8")), 0x2A);
    EXPECT_EQ(p.MoveTexts().back(), "exd8=N");
    EXPECT_EQ(p.DefaultPromotionPiece(), PIECE_QUEEN) << "the letter applies to that move only";

    CChessPosition check = FromFen("3r4/4P3/8/8/8/8/8/k3K3 w - - 0 1");
    ASSERT_TRUE(check.PlaySan("exd8=R"));
    EXPECT_EQ(check.MoveTexts().back(), "exd8=R");
    CChessPosition noLetter = FromFen("8/4P3/8/8/k7/8/8/4K3 w - - 0 1");
    ASSERT_TRUE(noLetter.PlaySan("e8"));
    EXPECT_EQ(noLetter.PieceAt(Sq("e8")), 0x2C);
    EXPECT_EQ(noLetter.MoveTexts().back(), "e8=Q+");
}

TEST(San, GarbageIsRefusedAndChangesNothing)
{
    const std::string tokens[] = {"",
                                  "e",
                                  "+",
                                  "!!",
                                  "e9",
                                  "e0",
                                  "i4",
                                  "Qz9",
                                  "=",
                                  "=Q",
                                  "x",
                                  "xx",
                                  "O-O-O-O",
                                  "Ke2",
                                  "Nf3e5",
                                  "\xff\xff",
                                  std::string("e\0", 2),
                                  "Pe4",
                                  "Kxe1",
                                  "exd5",
                                  "e5",
                                  "a1=Q",
                                  "Bb5",
                                  std::string(300, 'a')};
    CChessPosition p;
    const CPositionState before = p.State();
    for (const std::string& token : tokens)
    {
        EXPECT_FALSE(p.PlaySan(token)) << token;
        EXPECT_TRUE(SameState(p.State(), before)) << token;
        EXPECT_EQ(p.RecordLength(), 0) << token;
    }
}

TEST(San, LegalOriginsAreExactlyTheLegalMovesOfThatPieceType)
{
    // Random games, in both rule modes, from positions with promoted pieces,
    // castling and en passant about.
    const char* starts[] = {CFenText::kInitialPosition,
                            "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
                            "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3"};
    uint32_t x = 7;
    for (bool kingCapture : {false, true})
        for (const char* start : starts)
        {
            CChessPosition p = FromFen(start, kingCapture);
            for (int ply = 0; ply < 80 && p.IsGameGoingOn(); ++ply)
            {
                std::vector<CMove> legal;
                for (PieceType type = PIECE_PAWN; type <= PIECE_KING; ++type)
                    for (int target = 0; target < 64; ++target)
                    {
                        const CCoordinate to = CCoordinate::FromIndex(target);
                        std::vector<CCoordinate> expected;
                        for (int from = 0; from < 64; ++from)
                        {
                            const CCoordinate square = CCoordinate::FromIndex(from);
                            const PieceCode code = p.PieceAt(square);
                            if (code != 0 && ColourOfCode(code) == p.SideToMove() && TypeOfCode(code) == type &&
                                p.IsLegalMove(CMove(square, to)))
                                expected.push_back(square);
                        }
                        CCoordinate origins[16];
                        const int count = p.LegalOrigins(type, to, origins, 16);
                        ASSERT_EQ(std::vector<CCoordinate>(origins, origins + count), expected)
                            << CFenText::WriteFen(p) << " type " << type << " to " << to.ToText();
                        for (const CCoordinate& from : expected)
                            legal.emplace_back(from, to);
                    }
                if (legal.empty())
                    break;
                x = x * 1103515245u + 12345u;
                ASSERT_TRUE(p.MakeMove(legal[(x >> 16) % legal.size()], true));
            }
        }
    CChessPosition p;
    CCoordinate one[1];
    EXPECT_EQ(p.LegalOrigins(PIECE_KNIGHT, Sq("c3"), one, 1), 1);
    EXPECT_EQ(p.LegalOrigins(PIECE_PAWN, Sq("e4"), one, 0), 1) << "counts beyond the capacity";
    EXPECT_EQ(p.LegalOrigins(PIECE_KING, CCoordinate::None(), one, 1), 0);
}
