#pragma once

#include "EngineMove.h"

#include <optional>
#include <string>
#include <string_view>

// Moves in UCI's long algebraic notation ("e2e4", "e7e8q"); files of the
// interface count from the h-file.
namespace UciMoveText
{
// The text of a move, with the promotion letter when there is one.
[[nodiscard]] std::string Format(const EngineMove& move);
// The move of a text; nothing for "(none)", "0000" and anything malformed.
[[nodiscard]] std::optional<EngineMove> Parse(std::string_view text);
} // namespace UciMoveText
