#include "PlayerClock.h"
#include "IClockOwner.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace
{
class RecordingOwner : public IClockOwner
{
public:
    void OnTimeExpired(CPlayerClock* clock) override
    {
        ++expiries;
        lastClock = clock;
        if (stopOnExpiry)
            clock->Stop();
    }

    int expiries = 0;
    CPlayerClock* lastClock = nullptr;
    bool stopOnExpiry = false;
};

// A clock whose tick the test moves by hand.
class PlayerClockTest : public ::testing::Test
{
protected:
    PlayerClockTest()
    {
        m_clock.SetTickSource([this] { return m_now; });
        QObject::connect(&m_clock, &CPlayerClock::ClockAreaChanged, [this] { ++m_clockAreaRepaints; });
        QObject::connect(&m_clock, &CPlayerClock::PanelChanged, [this] { ++m_panelRepaints; });
    }

    uint32_t m_now = 1000;
    RecordingOwner m_owner;
    CPlayerClock m_clock{&m_owner};
    int m_clockAreaRepaints = 0;
    int m_panelRepaints = 0;
};
} // namespace

TEST_F(PlayerClockTest, StopChargesTheTimeRunEvenAcrossTheTickWrap)
{
    struct Case
    {
        uint32_t start;
        uint32_t stop;
        int32_t banked;
    };
    for (const Case& c : {Case{1000, 4000, 297000}, Case{0xFFFFF000u, 0x800u, 300000 - 0x1800},
                          Case{0xFFFFFFFFu, 0u, 299999}, Case{5, 5 + 400000, 0}})
    {
        m_clock.SetTime(ClockTime(300000));
        m_now = c.start;
        m_clock.Start();
        m_now = c.stop;
        m_clock.Stop();
        EXPECT_EQ(m_clock.GetTime().Milliseconds(), c.banked) << c.start;
        EXPECT_EQ(m_clock.GetShownTime().Milliseconds(), c.banked) << c.start;
        EXPECT_FALSE(m_clock.IsRunning());
        EXPECT_FALSE(m_clock.IsTimerArmed());
    }
}

TEST_F(PlayerClockTest, StopOnAnIdleClockChangesNoTime)
{
    m_clock.SetTime(ClockTime(5000));
    m_now += 3000;
    m_clock.Stop();
    m_now += 3000;
    m_clock.Stop();
    EXPECT_EQ(m_clock.GetTime().Milliseconds(), 5000);
    EXPECT_EQ(m_clock.GetShownTime().Milliseconds(), 5000);
    EXPECT_FALSE(m_clock.IsRunning());
    EXPECT_EQ(m_owner.expiries, 0);
}

TEST_F(PlayerClockTest, PauseAndResumeChargeOnlyTheTimeRun)
{
    m_clock.SetTime(ClockTime(300000));
    m_clock.Start();
    m_now += 2000;
    m_clock.Pause();
    EXPECT_TRUE(m_clock.IsRunning());
    EXPECT_FALSE(m_clock.IsTimerArmed());
    EXPECT_EQ(m_clock.GetTime().Milliseconds(), 298000);
    EXPECT_EQ(m_clock.GetShownTime().Milliseconds(), 298000);

    // The paused span is never charged, however the pause ends.
    m_now += 60000;
    m_clock.Pause();
    EXPECT_EQ(m_clock.GetTime().Milliseconds(), 298000);
    m_clock.Resume();
    EXPECT_TRUE(m_clock.IsTimerArmed());
    m_now += 1000;
    m_clock.Stop();
    EXPECT_EQ(m_clock.GetTime().Milliseconds(), 297000);

    m_clock.Start();
    m_now += 500;
    m_clock.Pause();
    m_now += 90000;
    m_clock.Stop();
    EXPECT_EQ(m_clock.GetTime().Milliseconds(), 296500);
}

TEST_F(PlayerClockTest, StartingOrResumingACountingClockAgainLosesNoTime)
{
    m_clock.SetTime(ClockTime(10000));
    m_clock.Start();
    m_now += 1000;
    m_clock.Resume();
    m_now += 1000;
    m_clock.Start();
    m_now += 1000;
    m_clock.Stop();
    EXPECT_EQ(m_clock.GetTime().Milliseconds(), 7000);
}

TEST_F(PlayerClockTest, TicksRefreshTheShownTimeAndReportExpiryOnceItIsZero)
{
    m_clock.SetTime(ClockTime(1200));
    m_clock.Start();
    m_now += 500;
    m_clockAreaRepaints = 0;
    m_clock.OnTick();
    EXPECT_EQ(m_clock.GetShownTime().Milliseconds(), 700);
    EXPECT_EQ(m_clock.GetTime().Milliseconds(), 1200);
    EXPECT_EQ(m_clockAreaRepaints, 1);
    EXPECT_EQ(m_owner.expiries, 0);

    // A late tick overruns zero: still reported, and the timer stops.
    m_now += 1700;
    m_clock.OnTick();
    EXPECT_TRUE(m_clock.GetShownTime().IsZero());
    EXPECT_EQ(m_owner.expiries, 1);
    EXPECT_EQ(m_owner.lastClock, &m_clock);
    EXPECT_FALSE(m_clock.IsTimerArmed());

    m_clock.Stop();
    EXPECT_TRUE(m_clock.GetTime().IsZero());
}

TEST_F(PlayerClockTest, AClockStartedWithNoTimeLeftExpiresAtOnceAndTheOwnerMayStopIt)
{
    m_owner.stopOnExpiry = true;
    m_clock.SetTime(ClockTime(0));
    m_clock.Start();
    EXPECT_EQ(m_owner.expiries, 1);
    EXPECT_FALSE(m_clock.IsRunning());
    EXPECT_FALSE(m_clock.IsTimerArmed());

    m_owner.stopOnExpiry = false;
    m_clock.Start();
    EXPECT_EQ(m_owner.expiries, 2);
    EXPECT_TRUE(m_clock.IsRunning());
    m_clock.Pause();
    m_clock.Resume();
    EXPECT_EQ(m_owner.expiries, 3);
}

TEST_F(PlayerClockTest, AnUnlimitedClockRunsWithoutTimerAndNeverExpires)
{
    m_clock.SetTime(ClockTime(0));
    m_clock.SetUnlimited(true);
    m_panelRepaints = 0;
    m_clock.Start();
    EXPECT_TRUE(m_clock.IsRunning());
    EXPECT_FALSE(m_clock.IsTimerArmed());
    EXPECT_EQ(m_panelRepaints, 1);
    m_clock.Resume();
    EXPECT_FALSE(m_clock.IsTimerArmed());
    m_now += 100000;
    m_clock.Stop();
    EXPECT_EQ(m_owner.expiries, 0);
    EXPECT_EQ(m_clock.Text(), "No time limit");

    m_clock.SetTime(ClockTime(60000));
    m_clock.Start();
    m_now += 5000;
    m_clock.Stop();
    EXPECT_EQ(m_clock.GetTime().Milliseconds(), 60000);
}

TEST_F(PlayerClockTest, ResumeRunsTheClockOnlyWhenTheTimeIsLimited)
{
    m_clock.SetTime(ClockTime(60000));
    m_clock.SetUnlimited(true);
    m_clock.Start();
    m_clock.Pause();
    m_clock.Resume();
    EXPECT_FALSE(m_clock.IsTimerArmed());
    m_clock.SetUnlimited(false);
    m_clock.Resume();
    EXPECT_TRUE(m_clock.IsTimerArmed());
}

TEST_F(PlayerClockTest, AddTimeCreditsBankedAndShownTime)
{
    m_clock.SetTime(ClockTime(1000));
    m_clockAreaRepaints = 0;
    m_clock.AddTime(2500);
    EXPECT_EQ(m_clock.GetTime().Milliseconds(), 3500);
    EXPECT_EQ(m_clock.GetShownTime().Milliseconds(), 3500);
    EXPECT_EQ(m_clock.Text(), "0 min 3 sec");
    EXPECT_EQ(m_clockAreaRepaints, 1);
}

TEST(PlayerClockTimer, TheRealTimerReportsExpiryFromTheEventLoop)
{
    RecordingOwner owner;
    CPlayerClock clock(&owner);
    uint32_t now = 0;
    clock.SetTickSource([&now] { return now; });
    clock.SetTime(ClockTime(1000));
    clock.Start();
    now = 5000;
    QElapsedTimer waited;
    waited.start();
    while (owner.expiries == 0 && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_EQ(owner.expiries, 1);
    EXPECT_GE(waited.elapsed(), CPlayerClock::kTickPeriodMs - 50);
    EXPECT_FALSE(clock.IsTimerArmed());
}
