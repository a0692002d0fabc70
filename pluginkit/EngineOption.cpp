#include "EngineOption.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

namespace
{
std::optional<int64_t> ParseNumber(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0')
        return std::nullopt;
    return value;
}

std::optional<bool> ParseCheck(const std::string& text)
{
    if (text == "true" || text == "1")
        return true;
    if (text == "false" || text == "0")
        return false;
    return std::nullopt;
}
} // namespace

std::optional<std::string> EngineOption::ValueToSend(const std::string& stored) const
{
    switch (type)
    {
    case Type::Spin:
    {
        const std::optional<int64_t> value = ParseNumber(stored);
        if (!value)
            return std::nullopt;
        const std::string text = std::to_string(std::clamp(*value, min, std::max(min, max)));
        return text == defaultValue ? std::nullopt : std::optional<std::string>(text);
    }
    case Type::Check:
    {
        const std::optional<bool> value = ParseCheck(stored);
        const std::optional<bool> initial = ParseCheck(defaultValue);
        if (!value || value == initial)
            return std::nullopt;
        return std::string(*value ? "true" : "false");
    }
    case Type::Combo:
        if (stored == defaultValue || std::find(choices.begin(), choices.end(), stored) == choices.end())
            return std::nullopt;
        return stored;
    case Type::String:
        // Engine lines end at a newline: a value cannot hold one.
        if (stored == defaultValue || stored.find_first_of("\r\n") != std::string::npos)
            return std::nullopt;
        return stored;
    case Type::Button:
        return ParseCheck(stored).value_or(false) ? std::optional<std::string>(std::string()) : std::nullopt;
    }
    return std::nullopt;
}
