#include "ClockTime.h"

#include "ProgramTexts.h"

#include <algorithm>
#include <limits>

namespace
{
int32_t Bounded(int64_t milliseconds)
{
    return static_cast<int32_t>(std::clamp<int64_t>(milliseconds, 0, std::numeric_limits<int32_t>::max()));
}

// Saturates instead of overflowing, so that absurd stored settings cannot
// wrap into a small or negative time.
int64_t SaturatingMulAdd(int64_t value, int64_t factor, int64_t addend)
{
    constexpr int64_t limit = int64_t{1} << 40;
    value = std::clamp<int64_t>(value, -limit, limit);
    addend = std::clamp<int64_t>(addend, -limit, limit);
    return std::clamp<int64_t>(value * factor + addend, -limit, limit);
}
} // namespace

ClockTime::ClockTime(int64_t milliseconds) : m_milliseconds(Bounded(milliseconds)) {}

void ClockTime::Set(int64_t hours, int64_t minutes, int64_t seconds)
{
    const int64_t totalSeconds = SaturatingMulAdd(SaturatingMulAdd(hours, 60, minutes), 60, seconds);
    m_milliseconds = Bounded(SaturatingMulAdd(totalSeconds, 1000, 0));
}

ClockTime ClockTime::FromHms(int64_t hours, int64_t minutes, int64_t seconds)
{
    ClockTime time;
    time.Set(hours, minutes, seconds);
    return time;
}

void ClockTime::Add(int64_t milliseconds)
{
    m_milliseconds =
        Bounded(int64_t{m_milliseconds} + std::clamp<int64_t>(milliseconds, -(int64_t{1} << 40), int64_t{1} << 40));
}

void ClockTime::Subtract(int64_t milliseconds)
{
    m_milliseconds =
        Bounded(int64_t{m_milliseconds} - std::clamp<int64_t>(milliseconds, -(int64_t{1} << 40), int64_t{1} << 40));
}

QString ClockTime::Text() const
{
    const int32_t hours = Hours();
    const int32_t minutes = Minutes();
    const int32_t seconds = Seconds();
    if (hours != 0)
    {
        // Each field gets a leading zero when it has a single digit.
        QString format;
        format += hours / 10 == 0 ? "0%1:" : "%1:";
        format += minutes / 10 == 0 ? "0%2:" : "%2:";
        format += seconds / 10 == 0 ? "0%3" : "%3";
        return format.arg(hours).arg(minutes).arg(seconds);
    }
    return QString::asprintf(ProgramTexts::Text(ProgramTexts::IDS_CLOCK_MIN_SEC).c_str(), minutes, seconds);
}
