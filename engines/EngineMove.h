#pragma once

#include <cstdint>

// The two engine messages of a game window, numbered as on the platform of
// origin (WM_USER + 1 and + 2).
inline constexpr int32_t WM_ENGINE_MOVE = 0x0400 + 1;
inline constexpr int32_t WM_ENGINE_RESULT = 0x0400 + 2;

// One engine move as five interface integers.
struct EngineMove
{
    int32_t fromFile = 0;
    int32_t fromRank = 0;
    int32_t toFile = 0;
    int32_t toRank = 0;
    int32_t promotion = 0;
    // A drop of this piece (0 pawn .. 4 queen) onto the to-square, -1 for a
    // board move (bughouse). The from-square of a drop means nothing.
    int32_t drop = -1;

    [[nodiscard]] bool IsDrop() const { return drop >= 0; }
    bool operator==(const EngineMove& other) const = default;
};

// The move word of WM_ENGINE_MOVE: from file in bits 0-2, from rank 3-5,
// to file 6-8, to rank 9-11, promotion 12-15. Out-of-range values are cut to
// their field so one field never spills into the next.
[[nodiscard]] constexpr uint32_t PackEngineMove(const EngineMove& move)
{
    return (static_cast<uint32_t>(move.fromFile) & 7u) | ((static_cast<uint32_t>(move.fromRank) & 7u) << 3) |
           ((static_cast<uint32_t>(move.toFile) & 7u) << 6) | ((static_cast<uint32_t>(move.toRank) & 7u) << 9) |
           ((static_cast<uint32_t>(move.promotion) & 15u) << 12);
}

[[nodiscard]] constexpr EngineMove UnpackEngineMove(uint32_t word)
{
    return EngineMove{static_cast<int32_t>(word & 7u), static_cast<int32_t>((word >> 3) & 7u),
                      static_cast<int32_t>((word >> 6) & 7u), static_cast<int32_t>((word >> 9) & 7u),
                      static_cast<int32_t>((word >> 12) & 15u)};
}
