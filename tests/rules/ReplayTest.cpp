// The replay path that file readers use (ReplayMove, ReplaySan, ReplayDrop,
// FinishReplay) against the one entry point the game uses (MakeMove,
// DropPiece): same board, same texts, same capture facts, and the same status
// once the replay is finished.

#include "SanMove.h"
#include "TestBoards.h"

#include <random>

namespace
{
// The state with the flags that the replay leaves to FinishReplay cleared.
CPositionState WithoutDeferredFlags(CPositionState state)
{
    state.mate = state.stalemate = state.repetition = state.insufficientMaterial = 0;
    return state;
}

struct CGameMode
{
    const char* name;
    bool kingCapture;
    bool drops;
};

// The legal moves of the side to move (under king capture: every reachable one).
std::vector<CMove> LegalMoves(const CChessPosition& p)
{
    std::vector<CMove> candidates;
    std::vector<CMove> legal;
    p.GenerateCandidateMoves(candidates);
    for (const CMove& m : candidates)
        if (p.IsLegalMove(m))
            legal.push_back(m);
    return legal;
}

bool HasKing(const CChessPosition& p)
{
    for (PieceCode code : p.State().board)
        if (code == MakePieceCode(p.SideToMove(), PIECE_KING))
            return true;
    return false;
}

CChessPosition NewBoard(const CGameMode& mode)
{
    CChessPosition p;
    p.SetKingCaptureOption(mode.kingCapture);
    p.SetDropsOption(mode.drops ? 1 : 0);
    p.Reset();
    return p;
}

// Plays random games on three twins: `made` through MakeMove and DropPiece,
// `replayed` through ReplayMove and ReplayDrop, `read` through ReplaySan of
// the text `made` recorded. After every ply they must agree.
void CompareRandomGames(const CGameMode& mode, unsigned seed, int games)
{
    std::mt19937 random(seed);
    for (int game = 0; game < games; ++game)
    {
        CChessPosition made = NewBoard(mode);
        CChessPosition replayed = NewBoard(mode);
        CChessPosition read = NewBoard(mode);
        for (int ply = 0; ply < 160 && !made.IsMate() && !made.IsStalemate(); ++ply)
        {
            const std::string where = std::string(mode.name) + " " + CFenText::WriteFen(made);
            if (mode.drops && random() % 3 == 0)
            {
                const Colour colour = static_cast<Colour>(1 + random() % 2);
                const int32_t nibble = static_cast<int32_t>(random() % 13);
                for (CChessPosition* p : {&made, &replayed, &read})
                    p->ReceivePiece(nibble, colour);
                const PieceType type = static_cast<PieceType>(random() % 5);
                const CCoordinate square = CCoordinate::FromIndex(static_cast<int>(random() % 64));
                CReplayedMove dropped;
                const bool accepted = replayed.ReplayDrop(made.SideToMove(), type, square, dropped);
                ASSERT_EQ(accepted, made.DropPiece(made.SideToMove(), type, square)) << where;
                if (accepted)
                {
                    ASSERT_TRUE(read.ReplayDrop(read.SideToMove(), type, square, dropped));
                    ASSERT_EQ(dropped.san, CChessPosition::WriteDropSan(type, square, made.IsCheck())) << where;
                    ASSERT_TRUE(SameState(WithoutDeferredFlags(replayed.State()), WithoutDeferredFlags(made.State())))
                        << where;
                    continue;
                }
            }
            const std::vector<CMove> legal = LegalMoves(made);
            if (legal.empty())
                break;
            const CMove move = legal[random() % legal.size()];
            const int32_t promotion = static_cast<int32_t>(1 + random() % 4);

            const CChessPosition before(made);
            CCoordinate square1 = CCoordinate::None();
            CCoordinate square2 = CCoordinate::None();
            int32_t madePromotion = 0;
            uint8_t captured = 0;
            int32_t capturedPiece = 0;
            std::string text;
            made.SetDefaultPromotionPiece(promotion);
            ASSERT_TRUE(made.MakeMove(move, square1, square2, madePromotion, captured, capturedPiece, text, true));
            made.SetDefaultPromotionPiece(PIECE_QUEEN);
            if (mode.drops)
            {
                // Drops boards keep no record: the text is written as the record would.
                CChessPosition scratch(before);
                scratch.SetKingCaptureOption(mode.kingCapture);
                text = CChessPosition::WriteSan(made, scratch, move, madePromotion, captured != 0);
            }

            CReplayedMove played;
            ASSERT_TRUE(replayed.ReplayMove(move, promotion, played)) << where << " " << move.ToText();
            EXPECT_EQ(played.san, text) << where;
            EXPECT_EQ(played.captured, captured != 0) << where;
            if (captured)
            {
                EXPECT_EQ(played.capturedPiece, capturedPiece) << where;
            }
            EXPECT_EQ(played.promotion, madePromotion) << where;
            ASSERT_TRUE(SameState(WithoutDeferredFlags(replayed.State()), WithoutDeferredFlags(made.State())))
                << where << " " << text;
            // Mate and stalemate wait for FinishReplay; only a taken king is known at once.
            EXPECT_FALSE(replayed.IsStalemate()) << where;
            EXPECT_EQ(replayed.IsMate(), mode.kingCapture && !HasKing(replayed)) << where;

            CSanMove san;
            ASSERT_TRUE(CSanMove::Parse(text, san)) << text;
            CReplayedMove fromText;
            ASSERT_EQ(read.ReplaySan(san, fromText), SanMatch::Legal) << where << " " << text;
            EXPECT_EQ(fromText.san, text) << where;
            ASSERT_TRUE(SameState(read.State(), replayed.State())) << where << " " << text;

            // Finishing the replay gives the status MakeMove computed.
            CChessPosition finished(replayed);
            finished.SetKingCaptureOption(mode.kingCapture);
            finished.SetDropsOption(mode.drops ? 1 : 0);
            finished.FinishReplay();
            EXPECT_EQ(finished.IsMate(), made.IsMate()) << where << " " << text;
            EXPECT_EQ(finished.IsStalemate(), made.IsStalemate()) << where << " " << text;
            EXPECT_EQ(finished.IsCheck(), made.IsCheck()) << where << " " << text;
            EXPECT_EQ(finished.IsInsufficientMaterial(), made.IsInsufficientMaterial()) << where << " " << text;
        }
    }
}
} // namespace

TEST(Replay, AgreesWithMakeMoveInRandomGames)
{
    for (const CGameMode& mode : {CGameMode{"normal", false, false}, CGameMode{"king capture", true, false},
                                  CGameMode{"drops", false, true}, CGameMode{"drops, king capture", true, true}})
        CompareRandomGames(mode, 20240611u, 24);
}

TEST(Replay, ChecksFromEveryKindOfMoveAreWritten)
{
    struct Case
    {
        const char* fen;
        const char* san;
        const char* written;
    };
    const Case cases[] = {
        {"5k2/8/8/8/8/8/8/4K2R w K - 0 1", "O-O", "O-O+"},                                // the castled rook checks
        {"7k/8/8/8/K2Pp2r/8/8/8 b - d3 0 1", "exd3", "exd3+"},                            // en passant opens the rank
        {"k7/4P3/8/8/8/8/8/4K3 w - - 0 1", "e8=Q", "e8=Q+"},                              // the new queen checks
        {"k7/4P3/8/8/8/8/8/4K3 w - - 0 1", "e8=N", "e8=N"},                               // a knight there does not
        {"4k3/8/8/8/8/8/4N3/4R1K1 w - - 0 1", "Nc3", "Nc3+"},                             // discovered by the knight
        {"4k3/8/8/8/8/8/4N3/4R1K1 w - - 0 1", "Nd4", "Nd4+"},                             // discovered again
        {"4k3/8/8/8/1b6/8/3N4/4K3 w - - 0 1", "Nc4", ""},                                 // pinned: refused
        {"4k3/8/8/3R4/8/8/8/3R2K1 w - - 0 1", "R1d3", "R1d3"},                            // a rival on the same column
        {"4k3/8/8/8/8/8/4K3/R6R w - - 0 1", "Rad1", "Rad1"},                              // a rival on the same row
        {"7k/8/8/8/8/8/3R4/3RK3 w - - 0 1", "R2d7", "Rd7"},                               // the other rook is blocked
        {"r3k2r/8/8/8/8/8/8/4K3 b kq - 0 1", "O-O-O", "O-O-O"},                           // castling towards the a-file
        {"rnbqkbnr/ppppp2p/5p2/6p1/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 3", "Qh5", "Qh5+"}, // mate, written with "+"
    };
    for (const Case& c : cases)
    {
        CChessPosition p = FromFen(c.fen);
        CSanMove san;
        ASSERT_TRUE(CSanMove::Parse(c.san, san)) << c.san;
        CReplayedMove played;
        const SanMatch match = p.ReplaySan(san, played);
        if (std::string(c.written).empty())
        {
            EXPECT_EQ(match, SanMatch::Illegal) << c.fen << " " << c.san;
            EXPECT_EQ(CFenText::WriteFen(p), c.fen) << "a refused move changes nothing";
            continue;
        }
        ASSERT_EQ(match, SanMatch::Legal) << c.fen << " " << c.san;
        EXPECT_EQ(played.san, c.written) << c.fen;

        // The same move through MakeMove writes the same text.
        CChessPosition made = FromFen(c.fen);
        ASSERT_TRUE(made.PlaySan(c.san));
        EXPECT_EQ(made.MoveTexts().back(), c.written) << c.fen;
    }
}

TEST(Replay, StatusWaitsForFinishReplay)
{
    CChessPosition p;
    for (const char* text : {"f3", "e5", "g4", "Qh4"})
    {
        CSanMove san;
        ASSERT_TRUE(CSanMove::Parse(text, san));
        CReplayedMove played;
        ASSERT_EQ(p.ReplaySan(san, played), SanMatch::Legal) << text;
    }
    EXPECT_TRUE(p.IsCheck());
    EXPECT_FALSE(p.IsMate()) << "no search for a reply while replaying";
    EXPECT_EQ(p.RecordLength(), 0) << "nothing recorded";
    p.FinishReplay();
    EXPECT_TRUE(p.IsMate());
    EXPECT_EQ(p.Judge(false).end, GameEnd::Checkmate);

    // King and bishop against king: insufficient material once finished.
    CChessPosition bare = FromFen("4k3/8/8/8/8/8/3p4/2B1K3 w - - 0 1");
    CReplayedMove played;
    ASSERT_TRUE(bare.ReplayMove(Mv("c1", "d2"), 0, played));
    EXPECT_EQ(played.san, "Bxd2");
    EXPECT_TRUE(played.captured);
    EXPECT_EQ(played.capturedPiece, PIECE_PAWN);
    EXPECT_FALSE(bare.IsInsufficientMaterial());
    bare.FinishReplay();
    EXPECT_TRUE(bare.IsInsufficientMaterial());
}

TEST(Replay, RefusesWhatMakeMoveRefusesAndChangesNothing)
{
    CChessPosition p = FromFen("4k3/8/8/8/1b6/8/3N4/4K3 w - - 0 1");
    const CPositionState before = p.State();
    CReplayedMove played;
    EXPECT_FALSE(p.ReplayMove(Mv("d2", "c4"), 0, played)) << "pinned knight";
    EXPECT_FALSE(p.ReplayMove(Mv("b4", "c3"), 0, played)) << "not White's piece";
    EXPECT_FALSE(p.ReplayMove(Mv("e1", "e3"), 0, played)) << "not reachable";
    EXPECT_FALSE(p.ReplayMove(CMove(Sq("e1"), CCoordinate::None()), 0, played)) << "off the board";
    EXPECT_FALSE(p.ReplayDrop(COLOUR_WHITE, PIECE_KNIGHT, Sq("c3"), played)) << "nothing held";
    EXPECT_TRUE(SameState(p.State(), before));

    CSanMove ambiguous;
    ASSERT_TRUE(CSanMove::Parse("Rd1", ambiguous));
    CChessPosition rooks = FromFen("4k3/8/8/8/8/8/4K3/R6R w - - 0 1");
    EXPECT_EQ(rooks.ReplaySan(ambiguous, played), SanMatch::Ambiguous);
    CSanMove noPromotion;
    ASSERT_TRUE(CSanMove::Parse("e8", noPromotion));
    CChessPosition pawn = FromFen("k7/4P3/8/8/8/8/8/4K3 w - - 0 1");
    EXPECT_EQ(pawn.ReplaySan(noPromotion, played), SanMatch::PromotionMissing);
}

TEST(Replay, DropTextsAndRefusals)
{
    CChessPosition p = FromFen("4k3/8/8/8/8/8/8/4K3 w - - 0 1", false, true);
    p.ReceivePiece(PIECE_QUEEN, COLOUR_WHITE);
    p.ReceivePiece(PIECE_PAWN, COLOUR_WHITE);
    CReplayedMove played;
    EXPECT_FALSE(p.ReplayDrop(COLOUR_WHITE, PIECE_PAWN, Sq("e8"), played)) << "occupied";
    EXPECT_FALSE(p.ReplayDrop(COLOUR_WHITE, PIECE_PAWN, Sq("a8"), played)) << "pawn on the last row";
    EXPECT_FALSE(p.ReplayDrop(COLOUR_BLACK, PIECE_PAWN, Sq("a5"), played)) << "not Black's turn";
    ASSERT_TRUE(p.ReplayDrop(COLOUR_WHITE, PIECE_QUEEN, Sq("e6"), played));
    EXPECT_EQ(played.san, "Q@e6+");
    EXPECT_EQ(p.Holdings(COLOUR_WHITE, PIECE_QUEEN), 0);
    EXPECT_EQ(CChessPosition::WriteDropSan(PIECE_PAWN, Sq("d4"), false), "P@d4");
    EXPECT_EQ(CChessPosition::WriteDropSan(PIECE_KING, Sq("d4"), false), "") << "kings are never dropped";
}

TEST(SanText, HoldsUpToSevenCharacters)
{
    CSanText text("exd8=Q+");
    EXPECT_EQ(text, "exd8=Q+");
    EXPECT_EQ(text.size(), 7u);
    EXPECT_EQ(text.back(), '+');
    EXPECT_FALSE(text.Append('x')) << "full";
    text.SetBack('#');
    EXPECT_EQ(text.Str(), "exd8=Q#");
    EXPECT_TRUE(CSanText("Nbxd7+?!").empty()) << "longer than any move";
    EXPECT_TRUE(CSanText().empty());
    EXPECT_EQ(sizeof(CSanText), 8u);
}
