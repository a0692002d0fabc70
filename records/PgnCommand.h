#pragma once

#include "PgnGame.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The embedded commands of PGN comments that the program understands:
// "[%clk 1:02:03]" (a clock, optionally with a fraction of a second) and
// "[%eval 0.25]" or "[%eval #-3]" (an evaluation in pawns or a mate).
class CPgnCommand
{
public:
    // Longest clock read: what fits in a signed 32-bit count of milliseconds.
    static constexpr int32_t kMaxClockHours = 596;
    // Largest evaluation read, in pawns.
    static constexpr int32_t kMaxEvalPawns = 100000;

    // The last well-formed [%clk] of a comment, in milliseconds.
    [[nodiscard]] static std::optional<int32_t> ReadClock(std::string_view comment);
    // The last well-formed [%eval] of a comment.
    [[nodiscard]] static std::optional<CPgnEval> ReadEval(std::string_view comment);

    // "1:02:03", with ".5" or ".25" only when the time has a fraction of a second.
    [[nodiscard]] static std::string ClockText(int32_t milliseconds);
    // "0.25", "-1.3", "#3", "#-2".
    [[nodiscard]] static std::string EvalText(const CPgnEval& eval);
    // Whether the comment already holds a command of that name ("clk", "eval").
    [[nodiscard]] static bool HasCommand(std::string_view comment, std::string_view name);
};
