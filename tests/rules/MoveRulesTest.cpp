#include "TestBoards.h"

TEST(Position, ResetPutsTheInitialPosition)
{
    CChessPosition p;
    EXPECT_EQ(p.State().board[3], 0x25);  // White king e1
    EXPECT_EQ(p.State().board[59], 0x15); // Black king e8
    EXPECT_EQ(p.State().board[4], 0x24);  // White queen d1
    EXPECT_EQ(p.PieceAt(Sq("a8")), 0x11);
    EXPECT_EQ(p.SideToMove(), COLOUR_WHITE);
    EXPECT_EQ(p.State().kingSquare[COLOUR_WHITE], Sq("e1"));
    EXPECT_EQ(p.State().kingSquare[COLOUR_BLACK], Sq("e8"));
    EXPECT_EQ(CFenText::WriteFen(p), CFenText::kInitialPosition);
}

TEST(Position, ReceivePieceHandsOnPromotedPiecesAsPawnsAndNeverKings)
{
    CChessPosition p;
    p.ReceivePiece(12, COLOUR_BLACK); // promoted queen
    EXPECT_EQ(p.Holdings(COLOUR_BLACK, PIECE_PAWN), 1);
    EXPECT_EQ(p.Holdings(COLOUR_BLACK, PIECE_QUEEN), 0);
    p.ReceivePiece(PIECE_KING, COLOUR_WHITE);
    p.ReceivePiece(PIECE_KNIGHT, COLOUR_WHITE);
    EXPECT_EQ(p.Holdings(COLOUR_WHITE, PIECE_KNIGHT), 1);
    int total = 0;
    for (PieceType t = PIECE_PAWN; t <= PIECE_QUEEN; ++t)
        total += p.Holdings(COLOUR_WHITE, t);
    EXPECT_EQ(total, 1);
    // Nonsense from outside is ignored, never used as an index.
    p.ReceivePiece(7, COLOUR_WHITE);
    p.AddToHoldings(3, PIECE_PAWN);
    p.AddToHoldings(COLOUR_WHITE, -1);
    EXPECT_EQ(p.Holdings(5, PIECE_PAWN), 0);
}

TEST(Position, AssignCopiesStateButNotRecordOptionsOrChooser)
{
    CChessPosition source;
    PlayAll(source, {"e4", "e5"});
    CChessPosition target;
    target.SetKingCaptureOption(true);
    target.SetDropsOption(1);
    target.SetPromotionChooser([](Colour, const CChessPosition&) { return PIECE_KNIGHT; });
    target.SetDefaultPromotionPiece(PIECE_ROOK);
    target.Assign(source);
    EXPECT_TRUE(SameState(target.State(), source.State()));
    EXPECT_EQ(target.CurrentPly(), 0);
    EXPECT_TRUE(target.MoveTexts().empty());
    EXPECT_TRUE(target.KingCaptureOption());
    EXPECT_TRUE(target.DropsOption());
    EXPECT_FALSE(target.HasPromotionChooser());
    EXPECT_EQ(target.DefaultPromotionPiece(), PIECE_QUEEN);

    const CChessPosition copy(source); // copy construction: empty record, options off
    EXPECT_TRUE(SameState(copy.State(), source.State()));
    EXPECT_EQ(copy.RecordLength(), 0);
}

TEST(MoveRules, EnPassantStateAndCapture)
{
    CChessPosition p;
    PlayAll(p, {"e4"});
    EXPECT_TRUE(p.State().enPassant);
    EXPECT_EQ(p.State().enPassantSquare, Sq("e4"));
    PlayAll(p, {"Nf6"});
    EXPECT_FALSE(p.State().enPassant);
    PlayAll(p, {"e5", "d5"});

    CChessPosition later(p);
    const CPlayed r = PlayDetailed(p, Mv("e5", "d6"));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.square1, Sq("d5"));
    EXPECT_EQ(r.square2, CCoordinate::None());
    EXPECT_EQ(r.captured, 1);
    EXPECT_EQ(r.capturedPiece, 0);
    EXPECT_EQ(r.promotion, 0);
    EXPECT_EQ(r.text, "exd6");
    EXPECT_EQ(p.PieceAt(Sq("d5")), 0);
    EXPECT_EQ(p.PieceAt(Sq("d6")), 0x20);
    EXPECT_EQ(p.HalfmoveClock(), 0);

    // One move later the capture has lapsed.
    PlayAll(later, {"a3", "a6"});
    EXPECT_FALSE(later.MakeMove(Mv("e5", "d6"), false));
}

TEST(MoveRules, PromotionUsesTheChooserAndMarksThePiece)
{
    const char* fen = "8/4P3/8/8/8/8/k7/4K3 w - - 0 1";
    struct Case
    {
        const char* name;
        bool useChooser;
        int32_t answer;
        PieceCode expected;
    };
    for (const Case& c : {Case{"no chooser", false, 0, 0x2C}, Case{"knight", true, PIECE_KNIGHT, 0x2A},
                          Case{"rook", true, PIECE_ROOK, 0x29}, Case{"answer 0 means queen", true, 0, 0x2C},
                          Case{"answer 9 means queen", true, 9, 0x2C}, Case{"answer -3 means queen", true, -3, 0x2C}})
    {
        CChessPosition p = FromFen(fen);
        int asked = 0;
        if (c.useChooser)
            p.SetPromotionChooser([&](Colour side, const CChessPosition&) {
                EXPECT_EQ(side, COLOUR_WHITE);
                ++asked;
                return c.answer;
            });
        const CPlayed r = PlayDetailed(p, Mv("e7", "e8"));
        ASSERT_TRUE(r.ok) << c.name;
        EXPECT_EQ(p.PieceAt(Sq("e8")), c.expected) << c.name;
        EXPECT_EQ(r.promotion, c.expected & 7) << c.name;
        EXPECT_EQ(asked, c.useChooser ? 1 : 0) << c.name << ": the chooser is asked once";
        EXPECT_EQ(r.captured, 0);
    }
}

TEST(MoveRules, CastlingTowardsTheHFile)
{
    struct Case
    {
        const char* name;
        const char* fen;
        bool kingCapture;
        bool allowed;
    };
    const Case cases[] = {
        {"free", "4k3/8/8/8/8/8/8/4K2R w K - 0 1", false, true},
        {"f1 occupied", "4k3/8/8/8/8/8/8/4KB1R w K - 0 1", false, false},
        {"g1 occupied", "4k3/8/8/8/8/8/8/4K1NR w K - 0 1", false, false},
        {"king in check", "4k3/8/8/8/8/8/8/r3K2R w K - 0 1", false, false},
        {"f1 attacked", "4k3/8/8/8/8/8/5r2/4K2R w K - 0 1", false, false},
        {"g1 attacked", "4k3/8/8/8/8/8/6r1/4K2R w K - 0 1", false, false},
        {"g1 attacked, king capture", "4k3/8/8/8/8/8/6r1/4K2R w K - 0 1", true, true},
        {"right lost", "4k3/8/8/8/8/8/8/4K2R w - - 0 1", false, false},
    };
    for (const Case& c : cases)
    {
        CChessPosition p = FromFen(c.fen, c.kingCapture);
        const CPlayed r = PlayDetailed(p, Mv("e1", "g1"));
        EXPECT_EQ(r.ok, c.allowed) << c.name;
        if (r.ok)
        {
            EXPECT_EQ(p.PieceAt(Sq("f1")), 0x21) << c.name;
            EXPECT_EQ(p.PieceAt(Sq("h1")), 0) << c.name;
            EXPECT_EQ(r.square1, Sq("h1"));
            EXPECT_EQ(r.square2, Sq("f1"));
            EXPECT_EQ(p.State().kingSquare[COLOUR_WHITE], Sq("g1"));
            EXPECT_TRUE(p.State().kingMoved[COLOUR_WHITE]);
            EXPECT_EQ(r.text.substr(0, 3), "O-O");
        }
    }
}

TEST(MoveRules, CastlingTowardsTheAFile)
{
    struct Case
    {
        const char* name;
        const char* fen;
        bool allowed;
    };
    const Case cases[] = {
        {"free", "4k3/8/8/8/8/8/8/R3K3 w Q - 0 1", true},
        {"b1 attacked is no obstacle", "1r2k3/8/8/8/8/8/8/R3K3 w Q - 0 1", true},
        {"b1 occupied", "4k3/8/8/8/8/8/8/RN2K3 w Q - 0 1", false},
        {"c1 occupied", "4k3/8/8/8/8/8/8/R1B1K3 w Q - 0 1", false},
        {"d1 occupied", "4k3/8/8/8/8/8/8/R2QK3 w Q - 0 1", false},
        {"d1 attacked", "3rk3/8/8/8/8/8/8/R3K3 w Q - 0 1", false},
        {"c1 attacked", "2r1k3/8/8/8/8/8/8/R3K3 w Q - 0 1", false},
    };
    for (const Case& c : cases)
    {
        CChessPosition p = FromFen(c.fen);
        EXPECT_EQ(p.MakeMove(Mv("e1", "c1"), true), c.allowed) << c.name;
        if (c.allowed)
        {
            EXPECT_EQ(p.PieceAt(Sq("d1")), 0x21) << c.name;
            EXPECT_EQ(p.PieceAt(Sq("a1")), 0) << c.name;
            EXPECT_EQ(p.MoveTexts().back(), "O-O-O");
        }
    }
}

TEST(MoveRules, CapturedRookLosesItsCastlingRight)
{
    CChessPosition p = FromFen("r3k3/8/8/8/8/8/1b6/R3K3 b Qq - 0 1");
    ASSERT_TRUE(p.MakeMove(Mv("b2", "a1"), true));
    EXPECT_TRUE(p.State().aRookMoved[COLOUR_WHITE]);
    EXPECT_FALSE(p.State().aRookMoved[COLOUR_BLACK]);
    EXPECT_FALSE(p.IsReachable(Sq("e1"), Sq("c1"), PIECE_KING, COLOUR_WHITE));
    EXPECT_EQ(CFenText::WriteFen(p), "r3k3/8/8/8/8/8/8/b3K3 w q - 0 2");
}

TEST(MoveRules, KingCaptureModeAllowsExposureAndEndsWhenTheKingIsTaken)
{
    const char* fen = "4k3/8/8/8/8/8/8/R3K2r w - - 0 1";
    CChessPosition normal = FromFen(fen);
    EXPECT_FALSE(normal.MakeMove(Mv("a1", "a2"), true)) << "leaving the king attacked is refused normally";

    CChessPosition p = FromFen(fen, true);
    ASSERT_TRUE(p.MakeMove(Mv("a1", "a2"), true)) << "but allowed under king capture";
    EXPECT_FALSE(p.IsMate());
    ASSERT_TRUE(p.MakeMove(Mv("h1", "e1"), true)); // takes the king
    EXPECT_TRUE(p.IsMate());
    EXPECT_TRUE(p.IsCheck());
    EXPECT_FALSE(p.IsStalemate());
    EXPECT_EQ(p.SideToMove(), COLOUR_WHITE);
    EXPECT_EQ(p.Judge(false).end, GameEnd::Checkmate);
    EXPECT_EQ(p.State().kingSquare[COLOUR_WHITE], Sq("e1")) << "a taken king keeps its last square";
}

TEST(MoveRules, IllegalMovesAreRefusedAndChangeNothing)
{
    struct Case
    {
        const char* name;
        CMove move;
    };
    const Case cases[] = {
        {"opponent's piece", Mv("e7", "e5")},
        {"empty square", Mv("e4", "e5")},
        {"unreachable", Mv("e2", "e5")},
        {"own piece on target", Mv("a1", "a2")},
        {"onto its own square", Mv("b1", "b1")},
        {"row 8 (e9)", Mv("e2", "e9")},
        {"from off the board", CMove(CCoordinate(-1, 3), Sq("e4"))},
        {"huge column", CMove(Sq("e2"), CCoordinate(3, 1000000))},
        {"negative row", CMove(CCoordinate(-7, 0), CCoordinate(-6, 0))},
    };
    for (const Case& c : cases)
    {
        CChessPosition p;
        const CPositionState before = p.State();
        EXPECT_FALSE(p.MakeMove(c.move, true)) << c.name;
        EXPECT_TRUE(SameState(p.State(), before)) << c.name;
        EXPECT_EQ(p.RecordLength(), 0) << c.name;
        EXPECT_FALSE(p.IsReachable(c.move.from, c.move.to, PIECE_QUEEN, COLOUR_WHITE) && !c.move.to.IsOnBoard())
            << c.name;
    }
    CChessPosition pinned = FromFen("4k3/4r3/8/8/8/8/4B3/4K3 w - - 0 1");
    EXPECT_FALSE(pinned.MakeMove(Mv("e2", "d3"), true)) << "a pinned piece may not leave the line";
    EXPECT_FALSE(pinned.IsInCheck(COLOUR_WHITE));
    EXPECT_FALSE(pinned.IsInCheck(7));
}

TEST(MoveRules, MateAndStalemateAreRecognised)
{
    CChessPosition fools;
    PlayAll(fools, {"f3", "e5", "g4", "Qh4#"});
    EXPECT_TRUE(fools.IsMate());
    EXPECT_TRUE(fools.IsCheck());
    EXPECT_FALSE(fools.IsStalemate());
    EXPECT_EQ(fools.MoveTexts().back(), "Qh4+");
    EXPECT_FALSE(fools.IsGameGoingOn());

    CChessPosition stale = FromFen("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    EXPECT_TRUE(stale.IsStalemate());
    EXPECT_FALSE(stale.IsMate());
    EXPECT_FALSE(stale.IsCheck());
    EXPECT_EQ(stale.Judge(false).end, GameEnd::Stalemate);
}

TEST(Drops, RefusedDrops)
{
    CChessPosition p = FromFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1", false, true);
    p.AddToHoldings(COLOUR_WHITE, PIECE_PAWN);
    p.AddToHoldings(COLOUR_BLACK, PIECE_KNIGHT);
    struct Case
    {
        const char* name;
        Colour colour;
        PieceType type;
        CCoordinate square;
    };
    const Case cases[] = {
        {"pawn on row 0", COLOUR_WHITE, PIECE_PAWN, Sq("a1")},
        {"pawn on row 7", COLOUR_WHITE, PIECE_PAWN, Sq("a8")},
        {"not the side to move", COLOUR_BLACK, PIECE_KNIGHT, Sq("d4")},
        {"not held", COLOUR_WHITE, PIECE_QUEEN, Sq("d4")},
        {"occupied", COLOUR_WHITE, PIECE_PAWN, Sq("e1")},
        {"off the board", COLOUR_WHITE, PIECE_PAWN, CCoordinate(8, 0)},
        {"king", COLOUR_WHITE, PIECE_KING, Sq("d4")},
        {"type out of range", COLOUR_WHITE, 9, Sq("d4")},
        {"colour out of range", 5, PIECE_PAWN, Sq("d4")},
    };
    for (const Case& c : cases)
    {
        const CPositionState before = p.State();
        EXPECT_FALSE(p.DropPiece(c.colour, c.type, c.square)) << c.name;
        EXPECT_TRUE(SameState(p.State(), before)) << c.name;
    }
    ASSERT_TRUE(p.DropPiece(COLOUR_WHITE, PIECE_PAWN, Sq("d7")));
    EXPECT_TRUE(p.IsCheck());
    EXPECT_EQ(p.Holdings(COLOUR_WHITE, PIECE_PAWN), 0);
    EXPECT_EQ(p.SideToMove(), COLOUR_BLACK);
    EXPECT_EQ(p.RecordLength(), 0) << "drops are never recorded";
}

TEST(Drops, MateOnABughouseBoardCountsAnyBlock)
{
    // A rook check along the back rank with g8 empty between: mate on a normal
    // board, but on a bughouse board a drop could block, even with nothing held.
    const char* backRank = "7k/6pp/8/8/8/8/8/5RK1 w - - 0 1";
    CChessPosition normal = FromFen(backRank);
    ASSERT_TRUE(normal.MakeMove(Mv("f1", "f8"), true));
    EXPECT_TRUE(normal.IsMate());

    CChessPosition bughouse = FromFen(backRank, false, true);
    ASSERT_TRUE(bughouse.MakeMove(Mv("f1", "f8"), false));
    EXPECT_TRUE(bughouse.IsCheck());
    EXPECT_FALSE(bughouse.IsMate());
    EXPECT_EQ(bughouse.Holdings(COLOUR_BLACK, PIECE_ROOK), 0) << "the extra rook is gone again";

    // Smothered mate by a knight: no drop can help, whatever is held.
    CChessPosition smothered = FromFen("6rk/6pp/8/6N1/8/8/8/4K3 w - - 0 1", false, true);
    smothered.AddToHoldings(COLOUR_BLACK, PIECE_QUEEN);
    smothered.AddToHoldings(COLOUR_BLACK, PIECE_PAWN);
    ASSERT_TRUE(smothered.MakeMove(Mv("g5", "f7"), false));
    EXPECT_TRUE(smothered.IsCheck());
    EXPECT_TRUE(smothered.IsMate());
    EXPECT_EQ(smothered.Judge(true).end, GameEnd::Checkmate);
    EXPECT_EQ(smothered.Holdings(COLOUR_BLACK, PIECE_ROOK), 0);
}

TEST(Drops, NavigationRefusesOnDropsBoards)
{
    CChessPosition p;
    p.SetDropsOption(1);
    ASSERT_TRUE(p.MakeMove(Mv("e2", "e4"), true));
    EXPECT_EQ(p.RecordLength(), 0);
    EXPECT_FALSE(p.PlaySan("e5"));
    std::string text;
    EXPECT_FALSE(p.TakeBack());
    EXPECT_FALSE(p.StepBack());
    EXPECT_FALSE(p.StepForward(text));
    EXPECT_FALSE(p.GoToStart());
    EXPECT_FALSE(p.GoToEnd());
    EXPECT_FALSE(p.CanTakeBack());
    EXPECT_FALSE(p.CanStepForward());
}
