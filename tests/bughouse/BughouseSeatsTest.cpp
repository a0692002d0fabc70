#include "BughouseSeats.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <tuple>

namespace
{
constexpr Colour W = COLOUR_WHITE;
constexpr Colour B = COLOUR_BLACK;
constexpr Colour N = COLOUR_NONE;

CBughouseSeats MakeSeats(int count, bool flag, Colour seatZero = W)
{
    static const char* names[] = {"Ann", "Bob", "Cid", "Dee"};
    std::vector<PlayerEntry> players;
    for (int i = 0; i < count; ++i)
        players.push_back(PlayerEntry{QString::fromLatin1(names[i]), i == 0 ? 0 : 10 + i, W, 0});
    if (count > 0)
    {
        players[0].colour = seatZero;
        players[0].seat = flag ? 1 : 0;
    }
    return CBughouseSeats(players);
}

std::string Names(const CBughouseSeats& seats)
{
    std::string text;
    for (const PlayerEntry& e : seats.Players())
        text += e.name.left(1).toStdString();
    return text;
}

struct SeatRow
{
    int count;
    bool flag;
    int seat;
    int partner;
    std::array<int, 2> opponents;
    std::array<Colour, 2> colours; // seat 0 plays white
};

// The table of teams, pairings and colours, seat by seat.
const SeatRow kSeatTable[] = {
    {2, false, 0, -1, {1, 1}, {W, B}},   {2, false, 1, -1, {0, 0}, {B, W}}, {3, false, 0, -1, {1, 2}, {W, B}},
    {3, false, 1, 2, {0, -1}, {B, N}},   {3, false, 2, 1, {0, -1}, {W, N}}, {3, true, 0, 1, {2, -1}, {W, N}},
    {3, true, 1, 0, {2, -1}, {B, N}},    {3, true, 2, -1, {0, 1}, {B, W}},  {4, true, 0, 1, {2, -1}, {W, N}},
    {4, true, 1, 0, {3, -1}, {B, N}},    {4, true, 2, 3, {0, -1}, {B, N}},  {4, true, 3, 2, {1, -1}, {W, N}},
    {1, false, 0, -1, {-1, -1}, {W, B}},
};
} // namespace

TEST(BughouseSeats, TeamsPairingsAndColoursFollowTheSeatTable)
{
    for (const SeatRow& row : kSeatTable)
    {
        SCOPED_TRACE(testing::Message() << row.count << " players, flag " << row.flag << ", seat " << row.seat);
        const CBughouseSeats seats = MakeSeats(row.count, row.flag);
        EXPECT_TRUE(seats.IsValid());
        EXPECT_EQ(seats.PartnerOf(row.seat), row.partner);
        EXPECT_EQ(seats.BoardCount(row.seat), row.partner < 0 ? 2 : 1);
        for (int board = 0; board < 2; ++board)
        {
            EXPECT_EQ(seats.OpponentOf(row.seat, board), row.opponents[board]) << "board " << board;
            EXPECT_EQ(seats.ColourOf(row.seat, board), row.colours[board]) << "board " << board;
            // Seat 0 playing black turns every colour round.
            const Colour flipped = row.colours[board] == N ? N : OppositeColour(row.colours[board]);
            EXPECT_EQ(MakeSeats(row.count, row.flag, B).ColourOf(row.seat, board), flipped);
        }
    }
}

// Each program's two views show the two real boards: a board is the pair of
// (seat, colour) that play on it, the same whichever program draws it.
TEST(BughouseSeats, EveryProgramSeesTheSameTwoBoardsWithItsTeamAtTheBottom)
{
    using Side = std::pair<int, Colour>;
    using Board = std::set<Side>;
    const std::tuple<int, bool> layouts[] = {{2, false}, {3, false}, {3, true}, {4, true}};
    for (const auto& [count, flag] : layouts)
    {
        for (Colour zero : {W, B})
        {
            const CBughouseSeats seats = MakeSeats(count, flag, zero);
            auto boardOf = [&](int local, int view) {
                const Colour bottom = seats.BottomColour(local, view);
                return Board{{seats.BottomSeat(local, view), bottom},
                             {seats.TopSeat(local, view), OppositeColour(bottom)}};
            };
            for (int local = 0; local < count; ++local)
            {
                SCOPED_TRACE(testing::Message() << count << " players, flag " << flag << ", local " << local);
                EXPECT_NE(boardOf(local, 0), boardOf(local, 1));
                EXPECT_EQ(seats.BottomSeat(local, 0), local);
                EXPECT_NE(seats.BottomColour(local, 0), seats.BottomColour(local, 1));
                EXPECT_EQ(seats.Orientation(local, 0), seats.BottomColour(local, 0) == B ? 1 : 0);
                const int partner = seats.PartnerOf(local);
                EXPECT_EQ(seats.BottomSeat(local, 1), partner < 0 ? local : partner);
                EXPECT_EQ(seats.OwnViews(local).size(), partner < 0 ? 2U : 1U);
                // A move made by any other seat lands on the same real board here.
                for (int mover = 0; mover < count; ++mover)
                {
                    for (int moverView = 0; moverView < 2; ++moverView)
                    {
                        if (seats.BottomSeat(mover, moverView) != mover)
                            continue;
                        const int here = seats.ViewOfMove(local, mover, seats.Orientation(mover, moverView));
                        ASSERT_GE(here, 0) << "mover " << mover;
                        EXPECT_EQ(boardOf(local, here), boardOf(mover, moverView)) << "mover " << mover;
                    }
                }
            }
        }
    }
}

TEST(BughouseSeats, AMoverIsNotFoundOnABoardWhereItDoesNotPlayThatColour)
{
    const CBughouseSeats four = MakeSeats(4, true);
    // Seat 2 plays black against seat 0; it never plays white.
    EXPECT_EQ(four.ViewOfMove(0, 2, 1), 0);
    EXPECT_EQ(four.ViewOfMove(0, 2, 0), -1);
    EXPECT_EQ(four.ViewOfMove(0, 2, 7), -1);
    EXPECT_EQ(four.ViewOfMove(0, 9, 0), -1);
    EXPECT_EQ(four.ViewOfMove(5, 2, 1), -1);
}

TEST(BughouseSeats, WhileTheServerIsAloneTheTopsAreEmptyAndTheSecondBoardTurned)
{
    const CBughouseSeats alone = MakeSeats(1, false);
    EXPECT_EQ(alone.TopSeat(0, 0), -1);
    EXPECT_EQ(alone.TopSeat(0, 1), -1);
    EXPECT_EQ(alone.Orientation(0, 0), 0);
    EXPECT_EQ(alone.Orientation(0, 1), 1);
}

TEST(BughouseSeats, RotatingFourPlayersGivesSeatZeroEachPartnerAndReturnsAfterThreePresses)
{
    CBughouseSeats seats = MakeSeats(4, true);
    int step = 0;
    const char* expected[] = {"ADBC", "ACDB", "ABCD"};
    std::set<QString> partners;
    for (const char* order : expected)
    {
        ASSERT_TRUE(seats.Rotate(step));
        EXPECT_EQ(Names(seats), order);
        EXPECT_TRUE(seats.SeatZeroFlag());
        partners.insert(seats.Entry(seats.PartnerOf(0)).name);
    }
    EXPECT_EQ(partners.size(), 3U);
    EXPECT_EQ(seats.Entry(1).connectionId, 11); // whole entries move
}

TEST(BughouseSeats, RotatingThreePlayersHandsTheLoneSeatRoundAndBackToTheServer)
{
    CBughouseSeats seats = MakeSeats(3, false);
    int step = 0;
    struct Press
    {
        const char* order;
        bool flag;
        int nextStep;
        const char* lone;
    };
    const Press presses[] = {{"ACB", true, 1, "Bob"}, {"ABC", true, 2, "Cid"}, {"ABC", false, 0, "Ann"}};
    for (const Press& press : presses)
    {
        ASSERT_TRUE(seats.Rotate(step));
        EXPECT_EQ(Names(seats), press.order);
        EXPECT_EQ(seats.SeatZeroFlag(), press.flag);
        EXPECT_EQ(step, press.nextStep);
        int lone = -1;
        for (int seat = 0; seat < 3; ++seat)
            lone = seats.IsAlone(seat) ? seat : lone;
        EXPECT_EQ(seats.Entry(lone).name.toStdString(), press.lone);
    }
}

TEST(BughouseSeats, CommandsRefusedForTooFewPlayersChangeNothing)
{
    for (int count : {1, 2})
    {
        CBughouseSeats seats = MakeSeats(count, false);
        int step = 1;
        EXPECT_FALSE(seats.Rotate(step));
        EXPECT_EQ(step, 1);
        EXPECT_FALSE(seats.SwitchPartner());
        EXPECT_EQ(Names(seats), count == 1 ? "A" : "AB");
    }
    CBughouseSeats three = MakeSeats(3, true);
    EXPECT_FALSE(three.SwitchPartner());
    EXPECT_EQ(Names(three), "ABC");
}

TEST(BughouseSeats, SwitchPartnerExchangesSeatsOneAndThree)
{
    CBughouseSeats seats = MakeSeats(4, true);
    ASSERT_TRUE(seats.SwitchPartner());
    EXPECT_EQ(Names(seats), "ADCB");
    EXPECT_EQ(seats.Entry(1).connectionId, 13);
    EXPECT_EQ(seats.Entry(seats.PartnerOf(0)).name, QStringLiteral("Dee"));
}

TEST(BughouseSeats, SwitchColourTurnsEveryColourAndBothViews)
{
    CBughouseSeats seats = MakeSeats(4, true);
    seats.SwitchColour();
    EXPECT_EQ(seats.SeatZeroColour(), B);
    for (int local = 0; local < 4; ++local)
    {
        EXPECT_EQ(seats.Orientation(local, 0), MakeSeats(4, true).Orientation(local, 1));
        EXPECT_EQ(seats.Orientation(local, 1), MakeSeats(4, true).Orientation(local, 0));
    }
    seats.SwitchColour();
    EXPECT_EQ(seats.SeatZeroColour(), W);
}

TEST(BughouseSeats, ALeavingPlayerMovesLaterSeatsUpAndResetsSeatZero)
{
    struct Leave
    {
        int count;
        bool flag;
        int seat;
        const char* order;
        bool flagAfter;
    };
    const Leave leaves[] = {
        {4, true, 1, "ACD", false}, {4, true, 3, "ABC", false}, {3, true, 2, "AB", false},
        {3, false, 1, "AC", false}, {2, false, 1, "A", false},
    };
    for (const Leave& leave : leaves)
    {
        SCOPED_TRACE(testing::Message() << leave.count << " players, seat " << leave.seat);
        CBughouseSeats seats = MakeSeats(leave.count, leave.flag, B);
        ASSERT_TRUE(seats.Remove(leave.seat));
        EXPECT_EQ(Names(seats), leave.order);
        EXPECT_EQ(seats.SeatZeroFlag(), leave.flagAfter);
        EXPECT_EQ(seats.SeatZeroColour(), W);
        EXPECT_TRUE(seats.IsValid());
    }
    CBughouseSeats seats = MakeSeats(2, false);
    EXPECT_FALSE(seats.Remove(2));
    EXPECT_FALSE(seats.Remove(-1));
}

TEST(BughouseSeats, ValidityRefusesImpossibleLayouts)
{
    EXPECT_FALSE(MakeSeats(4, false).IsValid());
    EXPECT_FALSE(CBughouseSeats({{"A", 0, W, 0}, {"A", 1, W, 0}}).IsValid());
    EXPECT_FALSE(CBughouseSeats({{"A", 0, W, 0}, {"", 1, W, 0}}).IsValid());
    std::vector<PlayerEntry> five(5);
    for (int i = 0; i < 5; ++i)
        five[static_cast<size_t>(i)].name = QString::number(i);
    EXPECT_FALSE(CBughouseSeats(five).IsValid());
}

TEST(BughouseSeats, WritingToTheRosterKeepsTheCountersAndDropsStaleEntries)
{
    PlayerRoster roster;
    MakeSeats(3, false).ApplyTo(roster);
    roster.AddVictory();
    CBughouseSeats seats = CBughouseSeats::FromRoster(roster);
    ASSERT_TRUE(seats.Remove(1));
    seats.ApplyTo(roster);
    ASSERT_EQ(roster.Count(), 2);
    EXPECT_EQ(roster.GetEntry(0).name, QStringLiteral("Ann"));
    EXPECT_EQ(roster.GetEntry(1).name, QStringLiteral("Cid"));
    EXPECT_EQ(roster.Victories(), 1);
}
