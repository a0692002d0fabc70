#pragma once

#include "ChessTypes.h"
#include "ClockTime.h"

#include <cstdint>

class CPlayerClock;

// What the games share about driving the two clocks of a chess board: the
// start of a game, the switch after each move with the bonus credit, and the
// times handed to engines.
class CClockSwitch
{
public:
    // Centiseconds an engine is told for each side when the time is unlimited.
    static constexpr int32_t kUnlimitedCentiseconds = 10000000;
    // Game seconds an engine is told with unlimited time (with no bonus).
    static constexpr int32_t kUnlimitedGameSeconds = 100000;

    // Sets both clocks to the game time and their unlimited flag, and
    // remembers the game time as the move-start time. Starts no clock.
    void StartGame(CPlayerClock& first, CPlayerClock& second, const ClockTime& gameTime, bool unlimited);

    // After a completed move: stops the mover's clock, credits the bonus (see
    // BonusCredit) when the bonus is not 0 and the time is limited, remembers
    // the next player's banked time and starts the next player's clock.
    void SwitchAfterMove(CPlayerClock& mover, CPlayerClock& next, int32_t bonusSeconds, bool timeLimited);
    // The same with the panels found by colour: the clock whose player has the
    // colour now to move is the next player's, the other the mover's.
    void SwitchAfterMove(CPlayerClock& clockA, Colour colourA, CPlayerClock& clockB, Colour sideToMove,
                         int32_t bonusSeconds, bool timeLimited);

    [[nodiscard]] ClockTime MoveStartTime() const { return m_moveStart; }
    void SetMoveStartTime(const ClockTime& time) { m_moveStart = time; }

    // The bonus less the time the move took (move start - banked after the
    // stop), between 0 and the bonus; 0 when the bonus is not positive or
    // nothing is left.
    [[nodiscard]] static int64_t BonusCredit(int32_t bonusSeconds, const ClockTime& moveStart,
                                             const ClockTime& bankedAfterStop);

    // A remaining time as engines take it: centiseconds, truncated, or
    // kUnlimitedCentiseconds with unlimited time.
    [[nodiscard]] static int32_t EngineCentiseconds(const ClockTime& time, bool unlimited);

    // The time control given to an engine when a game starts.
    struct EngineTimeControl
    {
        int32_t gameSeconds = 0;
        int32_t bonusSeconds = 0;
    };
    [[nodiscard]] static EngineTimeControl EngineTimeControlOf(bool timeInfinite, const ClockTime& gameTime,
                                                              int32_t bonusSeconds);

private:
    ClockTime m_moveStart;
};
