#include "PlayerRoster.h"
#include "Nickname.h"

#include <gtest/gtest.h>

namespace
{
PlayerEntry Entry(const char* name, int32_t connectionId, Colour colour = COLOUR_WHITE)
{
    return PlayerEntry{name, connectionId, colour, 0};
}
} // namespace

TEST(PlayerRoster, ANewEntryIsALocalWhitePlayerWithoutSeat)
{
    const PlayerEntry entry;
    EXPECT_EQ(entry.connectionId, 0);
    EXPECT_EQ(entry.colour, COLOUR_WHITE);
    EXPECT_EQ(entry.seat, 0);
}

TEST(PlayerRoster, SetEntryGrowsTheListAndRefusesIndicesOutOfBounds)
{
    PlayerRoster roster;
    EXPECT_TRUE(roster.SetEntry(2, Entry("carol", 3)));
    EXPECT_EQ(roster.Count(), 3);
    EXPECT_EQ(roster.GetEntry(0), PlayerEntry());
    EXPECT_EQ(roster.GetEntry(2).name, "carol");
    EXPECT_TRUE(roster.SetEntry(0, Entry("alice", 1, COLOUR_BLACK)));
    EXPECT_EQ(roster.GetEntry(0).colour, COLOUR_BLACK);
    EXPECT_EQ(roster.Count(), 3);

    // Indices from the network are untrusted: no huge or negative growth.
    EXPECT_FALSE(roster.SetEntry(-1, Entry("x", 9)));
    EXPECT_FALSE(roster.SetEntry(PlayerRoster::kMaxEntries, Entry("x", 9)));
    EXPECT_FALSE(roster.SetEntry(1 << 30, Entry("x", 9)));
    EXPECT_EQ(roster.Count(), 3);
    EXPECT_EQ(roster.GetEntry(-1), PlayerEntry());
    EXPECT_EQ(roster.GetEntry(99), PlayerEntry());
}

TEST(PlayerRoster, LooksPlayersUpByName)
{
    PlayerRoster roster;
    roster.SetEntry(0, Entry("alice", 11));
    roster.SetEntry(1, Entry("bob", 22));
    roster.SetEntry(2, Entry("carol", 33));
    roster.SetNickname("bob");

    EXPECT_TRUE(roster.Contains("carol"));
    EXPECT_FALSE(roster.Contains("Carol"));
    EXPECT_EQ(roster.ConnectionIdOf("alice"), 11);
    EXPECT_EQ(roster.ConnectionIdOf("dave"), -1);
    EXPECT_EQ(roster.IndexOfNickname(), 1);

    EXPECT_TRUE(roster.RemoveByName("alice"));
    EXPECT_FALSE(roster.RemoveByName("alice"));
    EXPECT_EQ(roster.Count(), 2);
    EXPECT_EQ(roster.GetEntry(0).name, "bob");
    EXPECT_EQ(roster.IndexOfNickname(), 0);
    roster.SetNickname("zed");
    EXPECT_EQ(roster.IndexOfNickname(), -1);
}

TEST(PlayerRoster, ResetClearsPlayersAndCountersButKeepsTheNickname)
{
    PlayerRoster roster;
    roster.SetNickname("me");
    roster.SetEntry(0, Entry("me", 0));
    roster.AddVictory();
    roster.AddVictory();
    roster.AddDefeat();
    roster.AddDraw();
    EXPECT_EQ(roster.StatisticsText(), "Victories: 2, Defeats: 1, Draws: 1");
    roster.Reset();
    EXPECT_EQ(roster.Count(), 0);
    EXPECT_EQ(roster.GetNickname(), "me");
    EXPECT_EQ(roster.StatisticsText(), "Victories: 0, Defeats: 0, Draws: 0");
}

// A nickname keeps each "&" doubled; it is shown with each once, and showing
// what was stored gives back what was typed, however many "&" it holds.
TEST(Nickname, StoredDoublesEveryAmpersandAndShownUndoesIt)
{
    const struct
    {
        const char* typed;
        const char* stored;
    } cases[] = {
        {"Tom & Jerry", "Tom && Jerry"}, {"A&B", "A&&B"},    {"&", "&&"}, {"&&", "&&&&"},
        {"a&&&b", "a&&&&&&b"},           {"plain", "plain"}, {"", ""},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(Nickname::Stored(QString::fromUtf8(c.typed)), QString::fromUtf8(c.stored)) << c.typed;
        EXPECT_EQ(Nickname::Shown(QString::fromUtf8(c.stored)), QString::fromUtf8(c.typed)) << c.stored;
    }
    // A name that reached us without doubling keeps its lone "&" when shown.
    EXPECT_EQ(Nickname::Shown(QStringLiteral("Tom & Jerry")), QStringLiteral("Tom & Jerry"));
    EXPECT_EQ(Nickname::Shown(QStringLiteral("a&&&b")), QStringLiteral("a&&b"));
}
