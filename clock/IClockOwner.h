#pragma once

class CPlayerClock;

// Implemented by each game window: told when one of its clocks reaches zero.
class IClockOwner
{
public:
    // The clock has run out (or was started with no time left). The owner may
    // stop the clock from inside this call.
    virtual void OnTimeExpired(CPlayerClock* clock) = 0;
    virtual ~IClockOwner() = default;
};
