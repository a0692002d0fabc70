#include "FenText.h"
#include "ChessPosition.h"

#include <gtest/gtest.h>

#include <cstring>

TEST(Fen, RoundTripsNormalisedText)
{
    const char* fens[] = {
        CFenText::kInitialPosition,
        "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
        "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
        "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
        "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
        "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
        "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
        "4k3/8/8/8/8/8/8/4K2R w K - 99 120",
        "r3k3/8/8/8/8/8/8/4K3 b q - 0 57",
    };
    for (const char* fen : fens)
    {
        CChessPosition p;
        std::string error;
        ASSERT_TRUE(CFenText::ReadFen(p, fen, &error)) << fen << ": " << error;
        EXPECT_EQ(CFenText::WriteFen(p), fen);
    }
}

TEST(Fen, FieldsSetTheModelState)
{
    CChessPosition p;
    ASSERT_TRUE(CFenText::ReadFen(p, "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w Kq f6 7 3"));
    const CPositionState& s = p.State();
    EXPECT_TRUE(s.enPassant);
    EXPECT_EQ(s.enPassantSquare, CCoordinate::FromText("f5")) << "the square of the pawn that passed";
    EXPECT_FALSE(s.hRookMoved[COLOUR_WHITE]);
    EXPECT_TRUE(s.aRookMoved[COLOUR_WHITE]);
    EXPECT_TRUE(s.hRookMoved[COLOUR_BLACK]);
    EXPECT_FALSE(s.aRookMoved[COLOUR_BLACK]);
    EXPECT_EQ(s.halfmoveClock, 7);
    EXPECT_EQ(p.FullMoveNumber(), 3);
    EXPECT_TRUE(p.PlaySan("exf6")) << "en passant is playable";
    EXPECT_EQ(CFenText::WriteFen(p), "rnbqkbnr/ppp1p1pp/5P2/3p4/8/8/PPPP1PPP/RNBQKBNR b Kq - 0 3");
    EXPECT_TRUE(p.PlaySan("e5"));
    EXPECT_EQ(CFenText::WriteFen(p), "rnbqkbnr/ppp3pp/5P2/3pp3/8/8/PPPP1PPP/RNBQKBNR w Kq e6 0 4");

    CChessPosition mated;
    ASSERT_TRUE(CFenText::ReadFen(mated, "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3"));
    EXPECT_TRUE(mated.IsMate()) << "status flags are computed on set-up";
}

TEST(Fen, MalformedTextIsRefusedAndChangesNothing)
{
    const char* bad[] = {
        "",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 extra",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq - 0 1",
        "rnbqkbnr/ppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "rnbqkbnr/ppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "rnbqkbnr/pppppppp/9/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNX w KQkq - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkqK - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KX - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e9 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq e6 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - -1 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 0",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - x 1",
        "rnbq1bnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQ - 0 1",
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKKNR w - - 0 1",
        "rnbqkbnP/pppppppp/8/8/8/8/PPPPPPP1/RNBQKBNR w - - 0 1",
        "4k3/8/8/8/8/8/8/p3K3 w - - 0 1",
        "4k3/8/8/8/8/8/8/4K3 w K - 0 1",
        "4k3/8/8/8/8/8/8/3K3R w K - 0 1",
        "4k3/4R3/8/8/8/8/8/4K3 w - - 0 1",
    };
    for (const char* fen : bad)
    {
        CChessPosition p;
        ASSERT_TRUE(p.PlaySan("e4"));
        const CPositionState before = p.State();
        std::string error;
        EXPECT_FALSE(CFenText::ReadFen(p, fen, &error)) << fen;
        EXPECT_FALSE(error.empty()) << fen;
        EXPECT_EQ(std::memcmp(&before, &p.State(), sizeof before), 0) << fen;
        EXPECT_EQ(p.RecordLength(), 1) << fen;
    }
}

TEST(Fen, MessagesNameTheFault)
{
    struct Case
    {
        const char* fen;
        const char* message;
    };
    const Case cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -", "a FEN has six fields"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1 x", "this one has more"},
        {"rnbqkbnr/ppppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
         "bad piece placement: rank 7 has more than eight squares"},
        {"rnbqkbnr/ppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
         "bad piece placement: rank 7 has fewer than eight squares"},
        {"rnbqkbnr/pppppppp/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "bad piece placement: 7 ranks instead of eight"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq - 0 1", "bad piece placement: more than eight ranks"},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNX w KQkq - 0 1", "bad piece placement: unknown piece letter \"X\""},
        {"rnbqkbnP/pppppppp/8/8/8/8/PPPPPPP1/RNBQKBNR w - - 0 1", "bad piece placement: white pawn on rank 8"},
        {"4k3/8/8/8/8/8/8/4K1KR w - - 0 1", "two white kings"},
        {"4k2k/8/8/8/8/8/8/4K3 w - - 0 1", "two black kings"},
        {"8/8/8/8/8/8/8/4K3 w - - 0 1", "no black king"},
        {"4k3/8/8/8/8/8/8/8 w - - 0 1", "no white king"},
        {"4k3/8/8/8/8/8/8/4K3 x - - 0 1", "side to move must be w or b, not \"x\""},
        {"4k3/8/8/8/8/8/8/4K3 w K - 0 1",
         "castling rights do not match the position: \"K\" needs the white king on e1 and a rook on h1"},
        {"r3k3/8/8/8/8/8/8/4K3 w kq - 0 1",
         "castling rights do not match the position: \"k\" needs the black king on e8 and a rook on h8"},
        {"4k3/8/8/8/8/8/8/R3K2R w KK - 0 1", "castling rights repeat \"K\""},
        {"4k3/8/8/8/8/8/8/R3K2R w AH - 0 1", "castling rights must be - or letters from KQkq"},
        {"4k3/8/8/8/8/8/8/4K3 w - e9 0 1", "en passant square must be - or a square such as e3"},
        {"4k3/8/8/8/8/8/8/4K3 w - e6 0 1", "en passant square impossible: no black pawn has just passed e6"},
        {"4k3/8/8/8/4P3/8/8/4K3 w - e3 0 1", "en passant square impossible: no black pawn has just passed e3"},
        {"4k3/8/8/8/8/8/8/4K3 w - - x 1", "halfmove clock must be a number"},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 0", "move number must be a number from 1"},
        {"4k3/4R3/8/8/8/8/8/4K3 w - - 0 1", "the side not to move is in check (Black)"},
        {"4k3/8/8/8/8/8/8/4K3 \xe9 - - 0 1", "not \"\\xE9\""},
    };
    for (const Case& c : cases)
    {
        CChessPosition p;
        std::string error;
        EXPECT_FALSE(CFenText::ReadFen(p, c.fen, &error)) << c.fen;
        EXPECT_NE(error.find(c.message), std::string::npos) << c.fen << "\n  got: " << error;
    }
}

TEST(Fen, StartFenIsTheSetUpPosition)
{
    CChessPosition p;
    ASSERT_TRUE(CFenText::ReadFen(p, "4k3/8/8/8/8/8/4P3/4K3 w - - 0 30"));
    ASSERT_TRUE(p.PlaySan("e4"));
    EXPECT_EQ(CFenText::StartFen(p), "4k3/8/8/8/8/8/4P3/4K3 w - - 0 30");
    EXPECT_EQ(CFenText::WriteFen(p), "4k3/8/8/8/4P3/8/8/4K3 b - e3 0 30");
    CChessPosition fresh;
    ASSERT_TRUE(fresh.PlaySan("d4"));
    EXPECT_EQ(CFenText::StartFen(fresh), CFenText::kInitialPosition);
}
