#include "TestBoards.h"

TEST(Record, ThreeFoldRepetitionOfTheInitialPosition)
{
    CChessPosition p;
    PlayAll(p, {"Nf3", "Nf6", "Ng1", "Ng8"});
    EXPECT_FALSE(p.IsRepetition()) << "second occurrence only";
    PlayAll(p, {"Nf3", "Nf6", "Ng1"});
    EXPECT_FALSE(p.IsRepetition());
    PlayAll(p, {"Ng8"});
    EXPECT_TRUE(p.IsRepetition());
    EXPECT_EQ(p.Judge(false).end, GameEnd::Repetition);
    EXPECT_EQ(p.Judge(true).end, GameEnd::None) << "bughouse boards do not judge draws";
    // A fourth occurrence is not "exactly two earlier ones".
    PlayAll(p, {"Nf3", "Nf6", "Ng1", "Ng8"});
    EXPECT_FALSE(p.IsRepetition());
}

TEST(Record, InsufficientMaterial)
{
    struct Case
    {
        const char* fen;
        bool insufficient;
    };
    const Case cases[] = {
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", true},    {"4k3/8/8/8/8/8/8/4KB2 w - - 0 1", true},
        {"4kn2/8/8/8/8/8/8/4KB2 w - - 0 1", true},  {"4k3/8/8/8/8/8/8/3NKN2 w - - 0 1", false},
        {"4k3/8/8/8/8/8/8/3BKB2 w - - 0 1", false}, {"4k3/p7/8/8/8/8/8/4KB2 w - - 0 1", false},
        {"4k3/8/8/8/8/8/8/4KR2 w - - 0 1", false},  {"4k3/8/8/8/8/8/8/4KQ2 w - - 0 1", false},
    };
    for (const Case& c : cases)
    {
        const CChessPosition p = FromFen(c.fen);
        EXPECT_EQ(p.IsInsufficientMaterial(), c.insufficient) << c.fen;
    }
    // Reached by a capture during play.
    CChessPosition p = FromFen("4k3/8/8/8/8/8/3r4/3BK3 w - - 0 1");
    ASSERT_TRUE(p.PlaySan("Kxd2"));
    EXPECT_TRUE(p.IsInsufficientMaterial());
    EXPECT_EQ(p.Judge(false).end, GameEnd::InsufficientMaterial);
}

TEST(Record, FiftyMoveRuleCountsPliesWithoutCaptureOrPawnMove)
{
    // Only the knights move, never capturing, from a clock of 0.
    CChessPosition p = FromFen("n3k3/p7/8/8/8/8/P7/N3K3 w - - 0 1");
    std::vector<CMove> moves;
    for (int plies = 1; plies <= 100; ++plies)
    {
        p.GenerateCandidateMoves(moves);
        bool played = false;
        for (const CMove& m : moves)
        {
            if (p.TypeAt(m.from) == PIECE_KNIGHT && !p.IsOccupied(m.to) && p.MakeMove(m, true))
            {
                played = true;
                break;
            }
        }
        ASSERT_TRUE(played) << plies;
        EXPECT_EQ(p.HalfmoveClock(), plies);
        EXPECT_EQ(p.IsFiftyMoveDraw(), plies >= 100) << plies;
    }
    EXPECT_TRUE(p.IsFiftyMoveDraw());
    EXPECT_FALSE(p.IsGameGoingOn());
    if (!p.IsRepetition() && !p.IsInsufficientMaterial())
    {
        EXPECT_EQ(p.Judge(false).end, GameEnd::FiftyMoves);
    }
    // A pawn move restarts the count.
    std::vector<CMove> pawnMoves;
    p.GenerateCandidateMoves(pawnMoves);
    for (const CMove& m : pawnMoves)
    {
        if (p.TypeAt(m.from) == PIECE_PAWN && p.MakeMove(m, true))
            break;
    }
    EXPECT_EQ(p.HalfmoveClock(), 0);
}

TEST(Record, TakeBackAndBrowsing)
{
    CChessPosition p;
    EXPECT_FALSE(p.TakeBack()) << "nothing to take back at ply 0";
    const CPositionState start = p.State();
    PlayAll(p, {"e4", "e5", "Nf3"});
    EXPECT_EQ(p.CurrentPly(), 3);
    ASSERT_TRUE(p.StepBack());
    ASSERT_TRUE(p.StepBack());
    EXPECT_EQ(p.CurrentPly(), 1);
    EXPECT_EQ(p.RecordLength(), 3) << "browsing keeps the record";
    PlayAll(p, {"c5"});
    EXPECT_EQ(p.MoveTexts(), (std::vector<std::string>{"e4", "c5"})) << "the continuation is discarded";

    ASSERT_TRUE(p.TakeBack());
    EXPECT_EQ(p.MoveTexts(), (std::vector<std::string>{"e4"}));
    ASSERT_TRUE(p.TakeBack());
    EXPECT_TRUE(SameState(p.State(), start));
    EXPECT_EQ(p.RecordLength(), 0);
}

TEST(Record, StepForwardReplaysTheRecordedTextAndPromotion)
{
    CChessPosition p = FromFen("8/1P6/8/8/8/8/k7/4K3 w - - 0 1");
    PlayAll(p, {"b8=N"});
    PlayAll(p, {"Ka3"});
    const CPositionState end = p.State();
    ASSERT_TRUE(p.GoToStart());
    EXPECT_EQ(p.CurrentPly(), 0);
    EXPECT_FALSE(p.StepBack());
    std::string text;
    ASSERT_TRUE(p.StepForward(text));
    EXPECT_EQ(text, "b8=N");
    EXPECT_EQ(p.PieceAt(Sq("b8")), 0x2A) << "replays as the recorded knight";
    ASSERT_TRUE(p.StepForward(text));
    EXPECT_EQ(text, "Ka3");
    EXPECT_FALSE(p.StepForward(text));
    EXPECT_TRUE(SameState(p.State(), end)) << "browsing forward gives back the same state, clock included";
    ASSERT_TRUE(p.GoToStart());
    ASSERT_TRUE(p.GoToEnd());
    EXPECT_TRUE(SameState(p.State(), end));
    EXPECT_FALSE(p.GoToEnd());
}

TEST(Record, TakeBackRestoresFlagsAndKeepsTheChooser)
{
    CChessPosition p;
    p.SetPromotionChooser([](Colour, const CChessPosition&) { return PIECE_ROOK; });
    PlayAll(p, {"f3", "e5", "g4", "Qh4#"});
    ASSERT_TRUE(p.IsMate());
    ASSERT_TRUE(p.TakeBack());
    EXPECT_FALSE(p.IsMate());
    EXPECT_FALSE(p.IsCheck());
    EXPECT_EQ(p.HalfmoveClock(), 0);
    EXPECT_TRUE(p.HasPromotionChooser());
}

TEST(Record, LoadMoveListSkipsWhatCannotBePlayed)
{
    CChessPosition p;
    p.LoadMoveList({"e4", "Ke2?!", "e5", "nonsense", "", "Nf3"});
    EXPECT_EQ(p.MoveTexts(), (std::vector<std::string>{"e4", "e5", "Nf3"}));
}

TEST(Record, StartStateIsTheSetUpPositionWhateverThePly)
{
    CChessPosition p = FromFen("4k3/8/8/8/8/8/4P3/4K3 b - - 3 40");
    const CPositionState setUp = p.State();
    EXPECT_TRUE(SameState(p.StartState(), setUp)) << "nothing recorded: the current state";
    PlayAll(p, {"Kd7", "e4", "Kc6"});
    EXPECT_TRUE(SameState(p.StartState(), setUp));
    EXPECT_EQ(p.StartFullMoveNumber(), 40);
    EXPECT_EQ(p.FullMoveNumber(), 42);
    ASSERT_TRUE(p.StepBack());
    EXPECT_TRUE(SameState(p.StartState(), setUp)) << "browsing does not move the start";
    p.Reset();
    EXPECT_EQ(p.StartFullMoveNumber(), 1);
    EXPECT_EQ(CFenText::WriteFen(p), CFenText::kInitialPosition);
}

TEST(Record, RepetitionMatchesACountOfEveryEarlierPosition)
{
    // Random games of knights, kings and a few pawns, so that positions come
    // back often between captures and pawn moves; the flag must say what a
    // count over every earlier position says.
    const char* starts[] = {"n3k1n1/pppp4/8/8/8/8/4PPPP/1N2K1N1 w - - 0 1", "4k3/8/3n4/8/8/2N5/4P3/4K3 b - - 40 70"};
    uint32_t x = 3;
    for (const char* start : starts)
    {
        CChessPosition p = FromFen(start);
        std::vector<CPositionState> seen;
        int repetitions = 0;
        for (int ply = 0; ply < 300 && !p.IsMate() && !p.IsStalemate(); ++ply)
        {
            std::vector<CMove> candidates;
            p.GenerateCandidateMoves(candidates);
            std::vector<CMove> legal;
            for (const CMove& m : candidates)
                if (p.IsLegalMove(m))
                    legal.push_back(m);
            if (legal.empty())
                break;
            seen.push_back(p.State());
            x = x * 1103515245u + 12345u;
            // Mostly a piece going out and coming back two plies later, so
            // that positions recur; now and then any move, pawn moves and
            // captures included, which no earlier position survives.
            CMove chosen = legal[(x >> 16) % legal.size()];
            const auto& played = p.RecordedMoves();
            if (ply % 4 >= 2 && (x >> 8) % 8 != 0 && played.size() >= 2)
            {
                const CMove back(played[played.size() - 2].to, played[played.size() - 2].from);
                if (p.IsLegalMove(back))
                    chosen = back;
            }
            ASSERT_TRUE(p.MakeMove(chosen, true));
            int count = 0;
            for (const CPositionState& earlier : seen)
                count += earlier.SameBoardAs(p.State()) ? 1 : 0;
            ASSERT_EQ(p.IsRepetition(), count == 2) << CFenText::WriteFen(p) << " at ply " << ply;
            repetitions += count == 2 ? 1 : 0;
        }
        EXPECT_GT(repetitions, 0) << "the games do repeat positions";
    }
}
