#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

// The values the user chose for an engine's options, by option name, as
// stored in the engine list: numbers as decimal text, checks as "true" or
// "false", a button as "true" when it is to be pressed at every start.
using EngineOptionValues = std::map<std::string, std::string>;

// One option an engine declares (UCI "option name ... type ...", WinBoard
// "feature option=..."), with its default and limits.
struct EngineOption
{
    enum class Type
    {
        Spin,
        Check,
        Combo,
        String,
        Button,
    };

    std::string name;
    Type type = Type::String;
    std::string defaultValue; // a check's is "true" or "false"
    int64_t min = 0;          // spin only
    int64_t max = 0;
    std::vector<std::string> choices; // combo only
    // Set when the protocol has its own command for this value rather than
    // its option command (WinBoard "memory" and "cores").
    std::string command;

    // What to send for a stored value, held to the option's kind: a spin is
    // clamped to its limits, a check is "true" or "false", a combo one of its
    // choices; a button is pressed (an empty text) only for "true". Nothing
    // when the stored text does not fit or equals the default, since the
    // engine starts with its defaults.
    [[nodiscard]] std::optional<std::string> ValueToSend(const std::string& stored) const;

    bool operator==(const EngineOption& other) const = default;
};
