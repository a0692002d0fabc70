#include "ClockSwitch.h"

#include "PlayerClock.h"

#include <algorithm>

void CClockSwitch::StartGame(CPlayerClock& first, CPlayerClock& second, const ClockTime& gameTime, bool unlimited)
{
    for (CPlayerClock* clock : {&first, &second})
    {
        clock->SetUnlimited(unlimited);
        clock->SetTime(gameTime);
    }
    m_moveStart = gameTime;
}

void CClockSwitch::SwitchAfterMove(CPlayerClock& mover, CPlayerClock& next, int32_t bonusSeconds, bool timeLimited)
{
    mover.Stop();
    if (bonusSeconds != 0 && timeLimited)
    {
        const int64_t credit = BonusCredit(bonusSeconds, m_moveStart, mover.GetTime());
        // A credit of 0 still refreshes the shown time, as every AddTime does.
        if (!mover.GetTime().IsZero())
            mover.AddTime(credit);
    }
    m_moveStart = next.GetTime();
    next.Start();
}

void CClockSwitch::SwitchAfterMove(CPlayerClock& clockA, Colour colourA, CPlayerClock& clockB, Colour sideToMove,
                                   int32_t bonusSeconds, bool timeLimited)
{
    if (colourA == sideToMove)
        SwitchAfterMove(clockB, clockA, bonusSeconds, timeLimited);
    else
        SwitchAfterMove(clockA, clockB, bonusSeconds, timeLimited);
}

int64_t CClockSwitch::BonusCredit(int32_t bonusSeconds, const ClockTime& moveStart, const ClockTime& bankedAfterStop)
{
    if (bonusSeconds <= 0 || bankedAfterStop.IsZero())
        return 0;
    const int64_t took = int64_t{moveStart.Milliseconds()} - bankedAfterStop.Milliseconds();
    const int64_t bonus = int64_t{bonusSeconds} * 1000;
    // A move never earns more than the bonus, even when the mover's time was
    // raised during the move.
    return std::clamp<int64_t>(bonus - took, 0, bonus);
}

int32_t CClockSwitch::EngineCentiseconds(const ClockTime& time, bool unlimited)
{
    return unlimited ? kUnlimitedCentiseconds : time.Milliseconds() / 10;
}

CClockSwitch::EngineTimeControl CClockSwitch::EngineTimeControlOf(bool timeInfinite, const ClockTime& gameTime,
                                                                   int32_t bonusSeconds)
{
    if (timeInfinite)
        return {kUnlimitedGameSeconds, 0};
    return {gameTime.Milliseconds() / 1000, bonusSeconds};
}
