#include "PgnCommand.h"

#include <cstdlib>

namespace
{
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The arguments of each "[%name ...]" of a comment, in order; calls `read`
// with the text between the name and the closing bracket.
template <class Read> void ForEachCommand(std::string_view comment, std::string_view name, Read&& read)
{
    const std::string opener = "[%" + std::string(name);
    for (size_t at = comment.find(opener); at != std::string_view::npos; at = comment.find(opener, at + 1))
    {
        const size_t start = at + opener.size();
        if (start >= comment.size() || (comment[start] != ' ' && comment[start] != '\t'))
            continue;
        const size_t close = comment.find(']', start);
        if (close == std::string_view::npos)
            return;
        std::string_view argument = comment.substr(start, close - start);
        while (!argument.empty() && (argument.front() == ' ' || argument.front() == '\t'))
            argument.remove_prefix(1);
        while (!argument.empty() && (argument.back() == ' ' || argument.back() == '\t'))
            argument.remove_suffix(1);
        read(argument);
    }
}

// Reads digits into value; false when there are none or too many.
bool ReadNumber(std::string_view& text, size_t maxDigits, int64_t& value)
{
    size_t digits = 0;
    value = 0;
    while (!text.empty() && IsDigit(text.front()))
    {
        if (++digits > maxDigits)
            return false;
        value = value * 10 + (text.front() - '0');
        text.remove_prefix(1);
    }
    return digits > 0;
}

// h:mm:ss with an optional fraction of up to three digits.
std::optional<int32_t> ParseClock(std::string_view text)
{
    int64_t hours = 0;
    int64_t minutes = 0;
    int64_t seconds = 0;
    if (!ReadNumber(text, 3, hours) || text.empty() || text.front() != ':')
        return std::nullopt;
    text.remove_prefix(1);
    if (!ReadNumber(text, 2, minutes) || minutes > 59 || text.empty() || text.front() != ':')
        return std::nullopt;
    text.remove_prefix(1);
    const size_t secondsDigits = text.size();
    if (!ReadNumber(text, 2, seconds) || secondsDigits - text.size() != 2 || seconds > 59)
        return std::nullopt;
    int64_t fraction = 0;
    if (!text.empty() && text.front() == '.')
    {
        text.remove_prefix(1);
        const size_t before = text.size();
        if (!ReadNumber(text, 3, fraction))
            return std::nullopt;
        for (size_t digits = before - text.size(); digits < 3; ++digits)
            fraction *= 10;
    }
    if (!text.empty() || hours > CPgnCommand::kMaxClockHours)
        return std::nullopt;
    const int64_t ms = ((hours * 60 + minutes) * 60 + seconds) * 1000 + fraction;
    if (ms > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(ms);
}

// "0.25", "-3", "+1.5", "#3", "#-2"; anything after a comma (a search depth) is ignored.
std::optional<CPgnEval> ParseEval(std::string_view text)
{
    const size_t comma = text.find(',');
    if (comma != std::string_view::npos)
        text = text.substr(0, comma);
    CPgnEval eval;
    const bool mate = !text.empty() && text.front() == '#';
    if (mate)
        text.remove_prefix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+'))
    {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    int64_t whole = 0;
    if (!ReadNumber(text, 6, whole))
        return std::nullopt;
    if (mate)
    {
        if (!text.empty() || whole == 0 || whole > 1000)
            return std::nullopt;
        eval.mateIn = static_cast<int32_t>(negative ? -whole : whole);
        return eval;
    }
    int64_t hundredths = 0;
    if (!text.empty() && text.front() == '.')
    {
        text.remove_prefix(1);
        int64_t fraction = 0;
        const size_t before = text.size();
        if (!ReadNumber(text, 9, fraction))
            return std::nullopt;
        // Hundredths, rounded half away from zero.
        size_t digits = before - text.size();
        int64_t scaled = fraction;
        while (digits < 3)
        {
            scaled *= 10;
            ++digits;
        }
        while (digits > 3)
        {
            scaled /= 10;
            --digits;
        }
        hundredths = (scaled + 5) / 10;
    }
    if (!text.empty() || whole > CPgnCommand::kMaxEvalPawns)
        return std::nullopt;
    const int64_t centipawns = whole * 100 + hundredths;
    eval.centipawns = static_cast<int32_t>(negative ? -centipawns : centipawns);
    return eval;
}
} // namespace

std::optional<int32_t> CPgnCommand::ReadClock(std::string_view comment)
{
    std::optional<int32_t> clock;
    ForEachCommand(comment, "clk", [&](std::string_view argument) {
        if (const auto ms = ParseClock(argument))
            clock = ms;
    });
    return clock;
}

std::optional<CPgnEval> CPgnCommand::ReadEval(std::string_view comment)
{
    std::optional<CPgnEval> eval;
    ForEachCommand(comment, "eval", [&](std::string_view argument) {
        if (const auto e = ParseEval(argument))
            eval = e;
    });
    return eval;
}

std::string CPgnCommand::ClockText(int32_t milliseconds)
{
    const int32_t ms = milliseconds < 0 ? 0 : milliseconds;
    const int32_t totalSeconds = ms / 1000;
    const int32_t fraction = ms % 1000;
    std::string text = std::to_string(totalSeconds / 3600) + ':';
    const int32_t minutes = totalSeconds / 60 % 60;
    const int32_t seconds = totalSeconds % 60;
    text += static_cast<char>('0' + minutes / 10);
    text += static_cast<char>('0' + minutes % 10);
    text += ':';
    text += static_cast<char>('0' + seconds / 10);
    text += static_cast<char>('0' + seconds % 10);
    if (fraction != 0)
    {
        std::string digits = {static_cast<char>('0' + fraction / 100), static_cast<char>('0' + fraction / 10 % 10),
                              static_cast<char>('0' + fraction % 10)};
        while (digits.back() == '0')
            digits.pop_back();
        text += '.' + digits;
    }
    return text;
}

std::string CPgnCommand::EvalText(const CPgnEval& eval)
{
    if (eval.mateIn != 0)
        return '#' + std::to_string(eval.mateIn);
    const int32_t magnitude = std::abs(eval.centipawns);
    std::string text = eval.centipawns < 0 ? "-" : "";
    text += std::to_string(magnitude / 100);
    const int32_t hundredths = magnitude % 100;
    if (hundredths != 0)
    {
        text += '.';
        text += static_cast<char>('0' + hundredths / 10);
        if (hundredths % 10 != 0)
            text += static_cast<char>('0' + hundredths % 10);
    }
    return text;
}

bool CPgnCommand::HasCommand(std::string_view comment, std::string_view name)
{
    bool found = false;
    ForEachCommand(comment, name, [&](std::string_view) { found = true; });
    return found;
}
