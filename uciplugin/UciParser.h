#pragma once

#include "EngineMove.h"
#include "EngineOption.h"

#include <cstdint>
#include <optional>
#include <string>

// What one line of a UCI engine's output means to the adapter.
struct UciLine
{
    enum class Kind
    {
        Other,
        UciOk,
        ReadyOk,
        IdName,   // "id name ..."
        Option,   // "option name ... type ..."
        Thinking, // an "info" line with a score or a principal variation
        BestMove, // "bestmove ..."
    };

    Kind kind = Kind::Other;
    std::string name;    // IdName
    EngineOption option; // Option
    // Thinking; unknown numbers are -1.
    int32_t depth = -1;
    bool hasScore = false;
    bool mate = false;
    int32_t score = 0;
    int64_t nodes = -1;
    int64_t nodesPerSecond = -1;
    int32_t milliseconds = -1;
    std::string pv; // coordinate moves separated by single spaces
    // BestMove: the move, absent for "(none)", "0000" and anything malformed,
    // its text, and the reply the engine expects, when it names one.
    std::optional<EngineMove> best;
    std::string bestText;
    std::optional<EngineMove> ponder;
    std::string ponderText;
};

// The line parser of the UCI adapter, free of any I/O so that it can be
// tested from plain strings.
class CUciParser
{
public:
    // Reads one output line (newline optional). "info" lines of a secondary
    // line (multipv 2 and above) and "info string" are not thinking lines.
    [[nodiscard]] static UciLine ParseLine(const std::string& line);

    // The part after "option ": "name Hash type spin default 16 min 1 max
    // 1024", "name Style type combo default Normal var Solid var Normal",
    // "name Clear Hash type button"; false for one of no known type.
    [[nodiscard]] static bool ParseOption(const std::string& text, EngineOption& option);

    // "setoption name NAME value VALUE", or without the value for a button.
    [[nodiscard]] static std::string SetOptionText(const EngineOption& option, const std::string& value);
};
