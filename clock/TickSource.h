#pragma once

#include <cstdint>
#include <functional>

// The process's millisecond tick: monotonic, unsigned 32 bit, so it wraps
// after about 49.7 days. Elapsed time is always (later - earlier) in unsigned
// 32-bit arithmetic, which stays right across one wrap.
class CTickSource
{
public:
    using Function = std::function<uint32_t()>;

    // The current tick: the override when one is set, else the steady clock.
    [[nodiscard]] static uint32_t Now();
    // Replaces the tick for the whole process (tests move time by hand); an
    // empty function restores the steady clock.
    static void Override(Function source);
    [[nodiscard]] static uint32_t SteadyNow();
};
