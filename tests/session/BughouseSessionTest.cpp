// The bughouse game's flow without a window: what it does to the stored
// settings, and its command table.
#include "SessionTestSupport.h"

#include "BughouseProtocol.h"
#include "BughouseSession.h"
#include "GameSettings.h"
#include "NetConnection.h"
#include "NetMessage.h"
#include "NetProtocol.h"
#include "PlayerRoster.h"

#include <gtest/gtest.h>

using namespace SessionTest;
using S = CBughouseSession;

namespace
{
struct Program
{
    GameSettings settings;
    PlayerRoster roster;
    CNetConnection link{roster, settings};
    S session{settings, roster, link};
    RecordingObserver observer;

    Program() { session.SetObserver(&observer); }
    ~Program() { link.Leave(false); }
};
} // namespace

// Bughouse games always run with a time limit, but that rule belongs to the
// game in memory: opening the game or taking the server's settings never
// writes "no time limit" off in the stored settings of the other games.
TEST(BughouseSession, NeverChangesTheNoTimeLimitSetting)
{
    Program program;
    program.settings.SetIsTimeInfinite(true);
    program.settings.SetGameTime(0, 3, 0);
    program.session.Open();
    EXPECT_TRUE(program.settings.IsTimeInfinite());
    for (int panel = 0; panel < 4; ++panel)
    {
        EXPECT_FALSE(program.session.Clock(panel).IsUnlimited()) << panel;
        EXPECT_EQ(program.session.Clock(panel).GetTime().Milliseconds(), 3 * 60 * 1000) << panel;
    }
    EXPECT_TRUE(program.session.SummaryText().startsWith(QStringLiteral("Game settings: 3 min 0 sec")));

    BughouseSettingsValues values;
    values.minutes = 7;
    program.session.HandleGameMessage(CBughouseProtocol::MakeSettings(values));
    EXPECT_EQ(program.settings.GetGameTime().Milliseconds(), 7 * 60 * 1000) << "the server's time is taken";
    EXPECT_TRUE(program.settings.IsTimeInfinite());
    EXPECT_EQ(program.session.Clock(0).GetTime().Milliseconds(), 7 * 60 * 1000);
}

TEST(BughouseSession, AServerAloneCanStartNothing)
{
    Program program;
    ASSERT_TRUE(program.link.StartServer(0));
    program.roster.SetNickname(QStringLiteral("Ann"));
    program.roster.SetEntry(0, PlayerEntry{QStringLiteral("Ann"), 0, COLOUR_WHITE, 0});
    program.session.Open();
    EXPECT_EQ(Mismatches(program.session, {{S::kStartId, true, false},
                                           {S::kResignId, false, false},
                                           {S::kAbortGameId, true, false},
                                           {S::kRotatePlayersId, true, false},
                                           {S::kSettingsId, true, true},
                                           {S::kMenuId, true, true}}),
              std::vector<std::string>{});
    EXPECT_EQ(program.session.QuestionOf(S::kMenuId).text, 0) << "nobody to leave";
    EXPECT_FALSE(program.session.Command(S::kStartId));
    EXPECT_FALSE(program.session.IsRunning());
}
