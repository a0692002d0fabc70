#include "BughouseJudge.h"

#include <gtest/gtest.h>

namespace
{
CBughouseSeats Seats(int count, bool flag)
{
    static const char* names[] = {"Ann", "Bob", "Cid", "Dee"};
    std::vector<PlayerEntry> players;
    for (int i = 0; i < count; ++i)
        players.push_back(PlayerEntry{QString::fromLatin1(names[i]), i, COLOUR_WHITE, 0});
    players[0].seat = flag ? 1 : 0;
    return CBughouseSeats(players);
}

constexpr auto V = BughouseCounter::Victory;
constexpr auto D = BughouseCounter::Defeat;
} // namespace

TEST(BughouseJudge, CheckmateReadsFromWhoseTeamWasMated)
{
    struct Row
    {
        int count;
        bool flag;
        int local;
        int view;
        bool bottomMated;
        const char* text;
        BughouseCounter counter;
    };
    const Row rows[] = {
        {2, false, 0, 0, true, "You're checkmate.\nYou lose the game !", D},
        {2, false, 1, 1, false, "Your opponent is checkmate.\nYou win the game !", V},
        // Four players: the partner (second view, bottom) mated counts a defeat here.
        {4, true, 0, 1, true, "Bob is checkmate.\nYou lose the game !", D},
        {4, true, 0, 1, false, "Dee is checkmate.\nYou win the game !", V},
        {4, true, 2, 0, true, "Cid is checkmate.\nYou lose the game !", D},
        {4, true, 2, 0, false, "Ann is checkmate.\nYou win the game !", V},
        // Three players: the lone player's own name when it is mated.
        {3, false, 0, 1, true, "Ann is checkmate.\nYou lose the game !", D},
        {3, false, 1, 1, false, "Ann is checkmate.\nYou win the game !", V},
        {3, true, 1, 1, true, "Ann is checkmate.\nYou lose the game !", D},
    };
    for (const Row& row : rows)
    {
        SCOPED_TRACE(testing::Message() << row.count << " players, local " << row.local << ", view " << row.view);
        const CBughouseSeats seats = Seats(row.count, row.flag);
        const CBughouseJudge judge(seats, row.local);
        const Colour bottom = seats.BottomColour(row.local, row.view);
        const BughouseVerdict verdict = judge.Checkmate(row.view, row.bottomMated ? bottom : OppositeColour(bottom));
        EXPECT_EQ(verdict.text.toStdString(), row.text);
        EXPECT_EQ(verdict.counter, row.counter);
    }
}

TEST(BughouseJudge, ResignationAndTimeLossOfThePartnerLoseTheMatch)
{
    const CBughouseSeats seats = Seats(4, true);
    const CBughouseJudge judge(seats, 0);
    EXPECT_EQ(judge.Resigned(1), (BughouseVerdict{"Your partner has resigned.\nYou lose the game !", D}));
    EXPECT_EQ(judge.Resigned(3), (BughouseVerdict{"Your opponent has resigned.\nYou win the game !", V}));
    EXPECT_EQ(judge.TimeExpired(1), (BughouseVerdict{"Partner's time has expired.\nYou lose the game !", D}));
    EXPECT_EQ(judge.TimeExpired(2), (BughouseVerdict{"Opponent's time has expired\nYou win the game !", V}));
    EXPECT_EQ(CBughouseJudge::OwnTimeLoss(), (BughouseVerdict{"Your time has expired.\nYou lose the game !", D}));
    EXPECT_EQ(CBughouseJudge::OwnResignation().counter, D);
    EXPECT_TRUE(CBughouseJudge::OwnResignation().text.isEmpty());
    EXPECT_EQ(CBughouseJudge::Stalemate(),
              (BughouseVerdict{"Stalemate occured.\nThe game is a draw !", BughouseCounter::Draw}));
    EXPECT_EQ(CBughouseJudge::DrawAgreed(), (BughouseVerdict{"Game is a draw !", BughouseCounter::Draw}));
    EXPECT_EQ(CBughouseJudge::Aborted(), (BughouseVerdict{"Game aborted !", BughouseCounter::None}));
}

TEST(BughouseJudge, TimeCallsAndDrawOffersFromThePartnerAreNotForMe)
{
    const CBughouseSeats four = Seats(4, true);
    const CBughouseJudge judge(four, 2);
    EXPECT_FALSE(judge.AcceptsTimeCall(3, true));  // partner
    EXPECT_FALSE(judge.AcceptsTimeCall(2, true));  // myself
    EXPECT_FALSE(judge.AcceptsTimeCall(0, false)); // no game
    EXPECT_FALSE(judge.AcceptsTimeCall(7, true));
    EXPECT_TRUE(judge.AcceptsTimeCall(0, true));
    EXPECT_TRUE(judge.AcceptsTimeCall(1, true));
    EXPECT_FALSE(judge.IsOfferForMe(3));
    EXPECT_TRUE(judge.IsOfferForMe(1));

    const CBughouseSeats two = Seats(2, false);
    EXPECT_TRUE(CBughouseJudge(two, 1).AcceptsTimeCall(0, true));
    EXPECT_TRUE(CBughouseJudge(two, 1).IsOfferForMe(0));
}

TEST(BughouseJudge, CheckmateOnAViewWithoutPlayersOrWithNoColourSaysNothing)
{
    const CBughouseSeats seats = Seats(4, true);
    const CBughouseJudge judge(seats, 0);
    EXPECT_EQ(judge.Checkmate(2, COLOUR_WHITE), BughouseVerdict{});
    EXPECT_EQ(judge.Checkmate(0, COLOUR_NONE), BughouseVerdict{});
    const CBughouseJudge stranger(seats, 6);
    EXPECT_EQ(stranger.Checkmate(0, COLOUR_WHITE), BughouseVerdict{});
}
