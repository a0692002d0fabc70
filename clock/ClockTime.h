#pragma once

#include <QString>

#include <cstdint>

// A player's remaining time: a count of milliseconds that never goes below 0
// nor above the largest 32-bit value.
class ClockTime
{
public:
    ClockTime() = default;
    // A negative count is taken as 0.
    explicit ClockTime(int64_t milliseconds);
    ClockTime(const ClockTime&) = default;
    ClockTime& operator=(const ClockTime&) = default;
    virtual ~ClockTime() = default;

    // ((hours * 60 + minutes) * 60 + seconds) * 1000, held within the bounds above.
    void Set(int64_t hours, int64_t minutes, int64_t seconds);
    [[nodiscard]] static ClockTime FromHms(int64_t hours, int64_t minutes, int64_t seconds);

    [[nodiscard]] int32_t Hours() const { return m_milliseconds / 3600000; }
    [[nodiscard]] int32_t Minutes() const { return (m_milliseconds % 3600000) / 60000; }
    [[nodiscard]] int32_t Seconds() const { return (m_milliseconds % 60000) / 1000; }
    [[nodiscard]] int32_t Milliseconds() const { return m_milliseconds; }

    // Adds; the sum stops at the largest 32-bit value.
    void Add(int64_t milliseconds);
    // Subtracts; the result stops at 0.
    void Subtract(int64_t milliseconds);
    [[nodiscard]] bool IsZero() const { return m_milliseconds == 0; }

    // "5 min 0 sec" below one hour, "01:05:09" from one hour on.
    [[nodiscard]] QString Text() const;

    [[nodiscard]] bool operator==(const ClockTime& other) const { return m_milliseconds == other.m_milliseconds; }

private:
    int32_t m_milliseconds = 0;
};
