#pragma once

#include <cstdint>
#include <functional>

// The millisecond tick used for echo round trips: monotonic, unsigned 32-bit,
// wrapping. Tests replace the source to move time by hand.
namespace NetTick
{
[[nodiscard]] std::uint32_t Now();

// Replaces the tick source; an empty function restores the steady clock.
void SetSource(std::function<std::uint32_t()> source);
} // namespace NetTick
