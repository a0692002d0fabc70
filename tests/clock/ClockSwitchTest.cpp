#include "ClockSwitch.h"
#include "IClockOwner.h"
#include "PlayerClock.h"

#include <gtest/gtest.h>

namespace
{
class CountingOwner : public IClockOwner
{
public:
    void OnTimeExpired(CPlayerClock*) override { ++expiries; }
    int expiries = 0;
};

class ClockSwitchTest : public ::testing::Test
{
protected:
    ClockSwitchTest()
    {
        for (CPlayerClock* clock : {&m_white, &m_black})
            clock->SetTickSource([this] { return m_now; });
    }

    uint32_t m_now = 77;
    CountingOwner m_owner;
    CPlayerClock m_white{&m_owner};
    CPlayerClock m_black{&m_owner};
    CClockSwitch m_switch;
};
} // namespace

TEST_F(ClockSwitchTest, TheBonusIsCreditedLessTheTimeTheMoveTook)
{
    struct Case
    {
        int32_t gameMs;
        int32_t bonusSeconds;
        int32_t tookMs;
        int32_t expectedMs;
    };
    const Case cases[] = {
        {300000, 10, 3000, 300000 - 3000 + 7000}, // 3 s of a 10 s bonus: 7 s back
        {300000, 10, 12000, 300000 - 12000},      // longer than the bonus: nothing
        {300000, 10, 10000, 300000 - 10000},
        {300000, 10, 0, 310000},   // at once: the whole bonus
        {300000, 0, 3000, 297000}, // no bonus: never a credit
        {2000, 10, 5000, 0},       // nothing left: no credit
    };
    for (const Case& c : cases)
    {
        m_switch.StartGame(m_white, m_black, ClockTime(c.gameMs), false);
        // Black's move starts White's clock; White then moves after tookMs.
        m_switch.SwitchAfterMove(m_black, m_white, c.bonusSeconds, true);
        EXPECT_EQ(m_switch.MoveStartTime().Milliseconds(), c.gameMs);
        m_now += static_cast<uint32_t>(c.tookMs);
        m_switch.SwitchAfterMove(m_white, m_black, c.bonusSeconds, true);
        EXPECT_EQ(m_white.GetTime().Milliseconds(), c.expectedMs) << c.bonusSeconds << " " << c.tookMs;
        EXPECT_FALSE(m_white.IsRunning());
        EXPECT_TRUE(m_black.IsRunning());
        EXPECT_EQ(m_switch.MoveStartTime(), m_black.GetTime());
        m_black.Stop();
    }
}

TEST(ClockSwitch, BonusCreditStaysBetweenZeroAndTheBonus)
{
    struct Case
    {
        int32_t bonus;
        int32_t moveStart;
        int32_t banked;
        int64_t credit;
    };
    for (const Case& c : {Case{10, 60000, 57000, 7000}, Case{10, 60000, 40000, 0}, Case{0, 60000, 59000, 0},
                          Case{-5, 60000, 60000, 0}, Case{10, 60000, 0, 0}, Case{10, 50000, 65000, 10000}})
    {
        EXPECT_EQ(CClockSwitch::BonusCredit(c.bonus, ClockTime(c.moveStart), ClockTime(c.banked)), c.credit)
            << c.bonus << " " << c.moveStart << " " << c.banked;
    }
}

TEST_F(ClockSwitchTest, NoBonusWithUnlimitedTimeAndNoExpiryEver)
{
    m_switch.StartGame(m_white, m_black, ClockTime(0), true);
    for (int move = 0; move < 4; ++move)
    {
        m_now += 100000;
        m_switch.SwitchAfterMove(move % 2 ? m_white : m_black, move % 2 ? m_black : m_white, 30, false);
        m_white.OnTick();
        m_black.OnTick();
    }
    EXPECT_EQ(m_owner.expiries, 0);
    EXPECT_TRUE(m_white.GetTime().IsZero());
    EXPECT_EQ(CClockSwitch::EngineCentiseconds(m_white.GetTime(), true), 10000000);
}

TEST_F(ClockSwitchTest, TheClocksAreFoundByTheColourToMove)
{
    m_switch.StartGame(m_white, m_black, ClockTime(60000), false);
    // White has moved: Black is to move, so Black's clock is the next one.
    m_switch.SwitchAfterMove(m_white, COLOUR_WHITE, m_black, COLOUR_BLACK, 0, true);
    EXPECT_TRUE(m_black.IsRunning());
    EXPECT_FALSE(m_white.IsRunning());
    m_now += 1000;
    m_switch.SwitchAfterMove(m_white, COLOUR_WHITE, m_black, COLOUR_WHITE, 0, true);
    EXPECT_TRUE(m_white.IsRunning());
    EXPECT_FALSE(m_black.IsRunning());
    EXPECT_EQ(m_black.GetTime().Milliseconds(), 59000);
}

TEST(ClockSwitch, EnginesGetCentisecondsOrTheUnlimitedFigures)
{
    EXPECT_EQ(CClockSwitch::EngineCentiseconds(ClockTime(12345), false), 1234);
    EXPECT_EQ(CClockSwitch::EngineCentiseconds(ClockTime(9), false), 0);
    EXPECT_EQ(CClockSwitch::EngineCentiseconds(ClockTime(12345), true), 10000000);

    auto control = CClockSwitch::EngineTimeControlOf(false, ClockTime::FromHms(0, 5, 0), 0);
    EXPECT_EQ(control.gameSeconds, 300);
    EXPECT_EQ(control.bonusSeconds, 0);
    control = CClockSwitch::EngineTimeControlOf(false, ClockTime::FromHms(1, 0, 30), 12);
    EXPECT_EQ(control.gameSeconds, 3630);
    EXPECT_EQ(control.bonusSeconds, 12);
    control = CClockSwitch::EngineTimeControlOf(true, ClockTime::FromHms(1, 0, 30), 12);
    EXPECT_EQ(control.gameSeconds, 100000);
    EXPECT_EQ(control.bonusSeconds, 0);
}
