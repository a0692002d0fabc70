#include "SanMove.h"
#include "ChessPosition.h"
#include "FenText.h"
#include "Move.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
struct Outcome
{
    CSanMove::Match match;
    std::string move; // coordinate text, with the promotion letter
};

Outcome FindIn(const char* fen, const char* text)
{
    CChessPosition p;
    EXPECT_TRUE(CFenText::ReadFen(p, fen)) << fen;
    CSanMove san;
    std::string why;
    EXPECT_TRUE(CSanMove::Parse(text, san, &why)) << text << ": " << why;
    CMove move;
    int32_t promotion = 0;
    const CSanMove::Match match = san.Find(p, move, promotion);
    std::string coordinates = match == CSanMove::Match::Legal ? move.ToText() : "";
    if (promotion != 0)
        coordinates += "?rnbq"[promotion];
    return {match, coordinates};
}
} // namespace

TEST(SanMove, FindsTheOneLegalMove)
{
    constexpr const char* kKnights = "4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1";
    constexpr const char* kCastles = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
    constexpr const char* kPromote = "3qk3/4P3/8/8/8/8/8/4K3 w - - 0 1";
    constexpr const char* kPinned = "4k3/4r3/8/8/8/8/4N3/2N1K3 w - - 0 1";
    struct Case
    {
        const char* fen;
        const char* text;
        CSanMove::Match match;
        const char* move;
    };
    const Case cases[] = {
        {CFenText::kInitialPosition, "e4", CSanMove::Match::Legal, "e2e4"},
        {CFenText::kInitialPosition, "e4+", CSanMove::Match::Legal, "e2e4"},
        {CFenText::kInitialPosition, "Nf3#", CSanMove::Match::Legal, "g1f3"},
        {CFenText::kInitialPosition, "Ng1f3", CSanMove::Match::Legal, "g1f3"},
        {CFenText::kInitialPosition, "e5", CSanMove::Match::Illegal, ""},
        {CFenText::kInitialPosition, "Ke2", CSanMove::Match::Illegal, ""},
        {kKnights, "Nd2", CSanMove::Match::Ambiguous, ""},
        {kKnights, "Nbd2", CSanMove::Match::Legal, "b1d2"},
        {kKnights, "N1d2", CSanMove::Match::Legal, "b1d2"},
        {kKnights, "Nfd2", CSanMove::Match::Legal, "f3d2"},
        {kKnights, "Nxd2", CSanMove::Match::Ambiguous, ""},
        {kPinned, "Nd4", CSanMove::Match::Illegal, ""},
        {kPinned, "Nd3", CSanMove::Match::Legal, "c1d3"},
        {kCastles, "O-O", CSanMove::Match::Legal, "e1g1"},
        {kCastles, "0-0", CSanMove::Match::Legal, "e1g1"},
        {kCastles, "O-O-O+", CSanMove::Match::Legal, "e1c1"},
        {kCastles, "0-0-0", CSanMove::Match::Legal, "e1c1"},
        {kCastles, "Kg1", CSanMove::Match::Illegal, ""},
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "O-O", CSanMove::Match::Illegal, ""},
        {kPromote, "exd8=Q+", CSanMove::Match::Legal, "e7d8q"},
        {kPromote, "exd8N", CSanMove::Match::Legal, "e7d8n"},
        {kPromote, "e8=R", CSanMove::Match::Illegal, ""},
        {kPromote, "exd8", CSanMove::Match::PromotionMissing, ""},
        {CFenText::kInitialPosition, "e4=Q", CSanMove::Match::NotAPromotion, ""},
        {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", "exf6", CSanMove::Match::Legal, "e5f6"},
        {"rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3", "exd6", CSanMove::Match::Illegal, ""},
        {"4k3/8/8/8/8/2Q5/8/Q3K2Q w - - 0 1", "Qa1b2", CSanMove::Match::Legal, "a1b2"},
        {"4k3/8/8/8/8/2Q5/8/Q3K2Q w - - 0 1", "Qb2", CSanMove::Match::Ambiguous, ""},
    };
    for (const Case& c : cases)
    {
        const Outcome outcome = FindIn(c.fen, c.text);
        EXPECT_EQ(outcome.match, c.match) << c.text << " on " << c.fen;
        EXPECT_EQ(outcome.move, c.move) << c.text << " on " << c.fen;
    }
}

TEST(SanMove, RefusesWhatTheStandardDoesNotWrite)
{
    struct Case
    {
        const char* text;
        const char* why;
    };
    const Case cases[] = {
        {"nf3", "not a move"},
        {"Nf", "not a move"},
        {"e9", "not a move"},
        {"i4", "not a move"},
        {"e8=q", "not a move"},
        {"e8=", "not a move"},
        {"e8=K", "a pawn cannot become a king"},
        {"exe5", "a pawn captures on a neighbouring file"},
        {"axh5", "a pawn captures on a neighbouring file"},
        {"ed5", "not a move"},
        {"Nf3=Q", "not a move"},
        {"--", "null moves are not supported"},
        {"Z0", "null moves are not supported"},
        {"o-o", "not a move"},
        {"O-O-O-O", "not a move"},
        {"", "not a move"},
        {"+", "not a move"},
        {"Pe4", "not a move"},
        {"Nbb1d2", "not a move"},
    };
    for (const Case& c : cases)
    {
        CSanMove san;
        std::string why;
        EXPECT_FALSE(CSanMove::Parse(c.text, san, &why)) << c.text;
        EXPECT_EQ(why, c.why) << c.text;
    }
}
