#include "UciParser.h"

#include "UciMoveText.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace
{
std::vector<std::string> SplitWords(const std::string& line)
{
    std::vector<std::string> words;
    std::istringstream stream(line);
    std::string word;
    while (stream >> word)
        words.push_back(word);
    return words;
}

bool ParseInteger(const std::string& word, int64_t& value)
{
    if (word.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(word.c_str(), &end, 10);
    if (errno != 0 || end == word.c_str() || *end != '\0')
        return false;
    value = number;
    return true;
}

int32_t Clamp32(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// The words from `from` up to (not including) the next keyword, joined by
// single spaces.
std::string Phrase(const std::vector<std::string>& words, size_t& i, const std::vector<std::string>& keywords)
{
    std::string text;
    while (i < words.size() && std::find(keywords.begin(), keywords.end(), words[i]) == keywords.end())
    {
        if (!text.empty())
            text += ' ';
        text += words[i++];
    }
    return text;
}

bool ParseInfo(const std::vector<std::string>& words, UciLine& parsed)
{
    bool hasPv = false;
    int64_t number = 0;
    for (size_t i = 1; i < words.size(); ++i)
    {
        const std::string& key = words[i];
        const bool hasNext = i + 1 < words.size();
        if (key == "string")
            return false;
        if (key == "multipv" && hasNext && ParseInteger(words[i + 1], number))
        {
            if (number > 1)
                return false;
            ++i;
        }
        else if (key == "depth" && hasNext && ParseInteger(words[i + 1], number))
        {
            parsed.depth = Clamp32(number);
            ++i;
        }
        else if (key == "score" && i + 2 < words.size() && (words[i + 1] == "cp" || words[i + 1] == "mate") &&
                 ParseInteger(words[i + 2], number))
        {
            parsed.hasScore = true;
            parsed.mate = words[i + 1] == "mate";
            parsed.score = Clamp32(number);
            i += 2;
        }
        else if (key == "nodes" && hasNext && ParseInteger(words[i + 1], number))
        {
            parsed.nodes = number;
            ++i;
        }
        else if (key == "nps" && hasNext && ParseInteger(words[i + 1], number))
        {
            parsed.nodesPerSecond = number;
            ++i;
        }
        else if (key == "time" && hasNext && ParseInteger(words[i + 1], number))
        {
            parsed.milliseconds = Clamp32(number);
            ++i;
        }
        else if (key == "pv")
        {
            // The variation runs to the end of the line; only moves count.
            hasPv = true;
            for (++i; i < words.size() && UciMoveText::Parse(words[i]); ++i)
            {
                if (!parsed.pv.empty())
                    parsed.pv += ' ';
                parsed.pv += words[i];
            }
            break;
        }
    }
    return parsed.hasScore || hasPv;
}
} // namespace

bool CUciParser::ParseOption(const std::string& text, EngineOption& option)
{
    static const std::vector<std::string> kKeywords = {"name", "type", "default", "min", "max", "var"};
    const std::vector<std::string> words = SplitWords(text);
    EngineOption result;
    std::string type;
    bool hasDefault = false;
    bool hasMin = false;
    bool hasMax = false;
    for (size_t i = 0; i < words.size();)
    {
        const std::string key = words[i++];
        const std::string value = Phrase(words, i, kKeywords);
        if (key == "name")
            result.name = value;
        else if (key == "type")
            type = value;
        else if (key == "default")
        {
            result.defaultValue = value;
            hasDefault = true;
        }
        else if (key == "min")
            hasMin = ParseInteger(value, result.min);
        else if (key == "max")
            hasMax = ParseInteger(value, result.max);
        else if (key == "var" && !value.empty())
            result.choices.push_back(value);
    }
    if (result.name.empty())
        return false;
    if (type == "spin")
    {
        int64_t initial = 0;
        if (!hasMin || !hasMax || result.min > result.max || !hasDefault || !ParseInteger(result.defaultValue, initial))
            return false;
        result.type = EngineOption::Type::Spin;
        result.defaultValue = std::to_string(std::clamp(initial, result.min, result.max));
    }
    else if (type == "check")
    {
        if (result.defaultValue != "true" && result.defaultValue != "false")
            return false;
        result.type = EngineOption::Type::Check;
    }
    else if (type == "combo")
    {
        if (result.choices.empty())
            return false;
        result.type = EngineOption::Type::Combo;
        if (std::find(result.choices.begin(), result.choices.end(), result.defaultValue) == result.choices.end())
            result.defaultValue = result.choices.front();
    }
    else if (type == "string")
    {
        result.type = EngineOption::Type::String;
        // "<empty>" is how engines write an empty default.
        if (result.defaultValue == "<empty>")
            result.defaultValue.clear();
    }
    else if (type == "button")
        result.type = EngineOption::Type::Button;
    else
        return false;
    if (result.type != EngineOption::Type::Spin)
        result.min = result.max = 0;
    if (result.type != EngineOption::Type::Combo)
        result.choices.clear();
    option = std::move(result);
    return true;
}

std::string CUciParser::SetOptionText(const EngineOption& option, const std::string& value)
{
    if (option.type == EngineOption::Type::Button)
        return "setoption name " + option.name + "\n";
    // An empty string is written as UCI's "<empty>".
    const std::string text = option.type == EngineOption::Type::String && value.empty() ? "<empty>" : value;
    return "setoption name " + option.name + " value " + text + "\n";
}

UciLine CUciParser::ParseLine(const std::string& line)
{
    UciLine parsed;
    const std::vector<std::string> words = SplitWords(line);
    if (words.empty())
        return parsed;
    const std::string& command = words[0];
    if (command == "uciok")
        parsed.kind = UciLine::Kind::UciOk;
    else if (command == "readyok")
        parsed.kind = UciLine::Kind::ReadyOk;
    else if (command == "id" && words.size() >= 3 && words[1] == "name")
    {
        parsed.kind = UciLine::Kind::IdName;
        size_t i = 2;
        parsed.name = Phrase(words, i, {});
    }
    else if (command == "option")
    {
        const size_t at = line.find("option");
        if (ParseOption(line.substr(at + 6), parsed.option))
            parsed.kind = UciLine::Kind::Option;
    }
    else if (command == "info")
    {
        if (ParseInfo(words, parsed))
            parsed.kind = UciLine::Kind::Thinking;
    }
    else if (command == "bestmove")
    {
        parsed.kind = UciLine::Kind::BestMove;
        if (words.size() >= 2)
        {
            parsed.bestText = words[1];
            parsed.best = UciMoveText::Parse(words[1]);
        }
        if (words.size() >= 4 && words[2] == "ponder")
        {
            parsed.ponderText = words[3];
            parsed.ponder = UciMoveText::Parse(words[3]);
        }
    }
    return parsed;
}
