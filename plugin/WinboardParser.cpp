#include "WinboardParser.h"

#include "EngineResult.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
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

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.rfind(prefix, 0) == 0;
}

std::string Trim(const std::string& text)
{
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return std::string();
    const size_t last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// A whole decimal number, optionally signed, that fits in 64 bits.
bool ParseInteger(const std::string& word, int64_t& value)
{
    if (word.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(word.c_str(), &end, 10);
    if (errno != 0 || end == word.c_str() || *end != '\0' || !(isdigit(static_cast<unsigned char>(word.back()))))
        return false;
    value = number;
    return true;
}

// The depth of a thinking line: digits, with one mark after them that some
// engines add ("12.", "12&").
bool ParseDepth(const std::string& word, int64_t& depth)
{
    std::string digits = word;
    if (digits.size() > 1 && !isdigit(static_cast<unsigned char>(digits.back())))
        digits.pop_back();
    return !digits.empty() && digits.find_first_not_of("0123456789") == std::string::npos &&
           ParseInteger(digits, depth);
}

int32_t Clamp32(int64_t value)
{
    return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// The words of a principal variation without move numbers and brackets.
std::string PvText(const std::vector<std::string>& words)
{
    std::string pv;
    for (std::string word : words)
    {
        std::erase_if(word,
                      [](char c) { return c == '(' || c == ')' || c == '<' || c == '>' || c == '{' || c == '}'; });
        // "(-)" and "(+)" mark a search that failed low or high: no move.
        if (word.find_first_not_of("+-!?") == std::string::npos)
            continue;
        const size_t digits = word.find_first_not_of("0123456789");
        // "12." and "12..." number the moves; "..." stands in for one.
        if (word.empty() || (digits != std::string::npos && word.find_first_not_of('.', digits) == std::string::npos))
            continue;
        if (!pv.empty())
            pv += ' ';
        pv += word;
    }
    return pv;
}

bool ParseThinking(const std::string& line, WinboardLine& parsed)
{
    const std::vector<std::string> words = SplitWords(line);
    if (words.size() < 4)
        return false;
    int64_t depth = 0;
    int64_t score = 0;
    int64_t time = 0;
    int64_t nodes = 0;
    if (!ParseDepth(words[0], depth) || !ParseInteger(words[1], score) || !ParseInteger(words[2], time) ||
        !ParseInteger(words[3], nodes))
        return false;
    parsed.kind = WinboardLine::Kind::Thinking;
    parsed.depth = Clamp32(depth);
    // Mate scores are written as 100000 + N for a mate in N moves.
    if (score >= 100000 || score <= -100000)
    {
        parsed.mate = true;
        parsed.score = Clamp32(score > 0 ? score - 100000 : score + 100000);
    }
    else
        parsed.score = Clamp32(score);
    parsed.centiseconds = Clamp32(time);
    parsed.nodes = nodes;

    // The extended form: more numbers, then a tab before the variation.
    std::vector<std::string> pvWords;
    const size_t tab = line.find('\t', line.find_first_not_of(" \t"));
    if (tab != std::string::npos)
    {
        const std::vector<std::string> extra = SplitWords(line.substr(0, tab));
        int64_t speed = 0;
        if (extra.size() >= 6 && ParseInteger(extra[5], speed))
            parsed.nodesPerSecond = speed;
        pvWords = SplitWords(line.substr(tab + 1));
    }
    else
        pvWords.assign(words.begin() + 4, words.end());
    parsed.pv = PvText(pvWords);
    return true;
}

// key=value pairs of a feature line; values may be quoted and hold spaces.
void ParseFeatures(const std::string& line, WinboardLine& parsed)
{
    size_t i = line.find("feature") + 7;
    while (i < line.size())
    {
        while (i < line.size() && isspace(static_cast<unsigned char>(line[i])))
            ++i;
        const size_t keyStart = i;
        while (i < line.size() && line[i] != '=' && !isspace(static_cast<unsigned char>(line[i])))
            ++i;
        const std::string key = line.substr(keyStart, i - keyStart);
        if (i >= line.size() || line[i] != '=')
            continue;
        ++i;
        std::string value;
        if (i < line.size() && line[i] == '"')
        {
            const size_t close = line.find('"', i + 1);
            value = line.substr(i + 1, close == std::string::npos ? std::string::npos : close - i - 1);
            i = close == std::string::npos ? line.size() : close + 1;
        }
        else
        {
            const size_t valueStart = i;
            while (i < line.size() && !isspace(static_cast<unsigned char>(line[i])))
                ++i;
            value = line.substr(valueStart, i - valueStart);
        }
        if (key == "done")
        {
            parsed.featureDone = value == "1";
            parsed.featureWaiting = value == "0";
        }
        else if (key == "colors")
            parsed.featureNoColours = value == "0";
        else if (key == "myname")
            parsed.featureName = value;
        else if (key == "setboard")
            parsed.featureSetboard = value == "1";
        else if (key == "usermove")
            parsed.featureUsermove = value == "1";
        else if (key == "ping")
            parsed.featurePing = value == "1";
        else if (key == "memory")
            parsed.featureMemory = value == "1";
        else if (key == "smp")
            parsed.featureCores = value == "1";
        else if (key == "variants")
        {
            std::istringstream names(value);
            std::string name;
            while (std::getline(names, name, ','))
                parsed.featureBughouse = parsed.featureBughouse || Trim(name) == "bughouse";
        }
        else if (key == "option")
        {
            EngineOption option;
            if (CWinboardParser::ParseOption(value, option))
                parsed.featureOptions.push_back(std::move(option));
        }
    }
}

std::vector<std::string> SplitChoices(const std::string& text)
{
    std::vector<std::string> choices;
    size_t start = 0;
    for (;;)
    {
        const size_t separator = text.find("///", start);
        choices.push_back(
            Trim(text.substr(start, separator == std::string::npos ? std::string::npos : separator - start)));
        if (separator == std::string::npos)
            break;
        start = separator + 3;
    }
    return choices;
}
} // namespace

bool CWinboardParser::ParseOption(const std::string& text, EngineOption& option)
{
    static const std::pair<const char*, EngineOption::Type> kTypes[] = {
        {"-spin", EngineOption::Type::Spin},     {"-slider", EngineOption::Type::Spin},
        {"-check", EngineOption::Type::Check},   {"-combo", EngineOption::Type::Combo},
        {"-string", EngineOption::Type::String}, {"-file", EngineOption::Type::String},
        {"-path", EngineOption::Type::String},   {"-button", EngineOption::Type::Button},
        {"-save", EngineOption::Type::Button},   {"-reset", EngineOption::Type::Button},
    };
    // The name may hold spaces: it ends at the first " -kind" word.
    size_t best = std::string::npos;
    size_t length = 0;
    EngineOption::Type type = EngineOption::Type::String;
    for (const auto& [word, kind] : kTypes)
    {
        const std::string marker = std::string(" ") + word;
        size_t at = text.find(marker);
        while (at != std::string::npos)
        {
            const size_t after = at + marker.size();
            if (after == text.size() || text[after] == ' ')
                break;
            at = text.find(marker, at + 1);
        }
        if (at < best)
        {
            best = at;
            length = marker.size();
            type = kind;
        }
    }
    if (best == std::string::npos)
        return false;
    EngineOption result;
    result.name = Trim(text.substr(0, best));
    result.type = type;
    if (result.name.empty())
        return false;
    const std::string rest = Trim(text.substr(best + length));
    const std::vector<std::string> words = SplitWords(rest);
    switch (type)
    {
    case EngineOption::Type::Spin:
    {
        int64_t values[3] = {0, 0, 0};
        if (words.size() < 3 || !ParseInteger(words[0], values[0]) || !ParseInteger(words[1], values[1]) ||
            !ParseInteger(words[2], values[2]) || values[1] > values[2])
            return false;
        result.defaultValue = std::to_string(std::clamp(values[0], values[1], values[2]));
        result.min = values[1];
        result.max = values[2];
        break;
    }
    case EngineOption::Type::Check:
        if (words.empty() || (words[0] != "0" && words[0] != "1"))
            return false;
        result.defaultValue = words[0] == "1" ? "true" : "false";
        break;
    case EngineOption::Type::Combo:
    {
        // The default is the choice marked with "*", else the first.
        for (std::string choice : SplitChoices(rest))
        {
            const bool marked = !choice.empty() && choice[0] == '*';
            if (marked)
                choice.erase(0, 1);
            if (choice.empty())
                continue;
            if (marked || result.defaultValue.empty())
                result.defaultValue = choice;
            if (std::find(result.choices.begin(), result.choices.end(), choice) == result.choices.end())
                result.choices.push_back(choice);
        }
        if (result.choices.empty())
            return false;
        break;
    }
    case EngineOption::Type::String: result.defaultValue = rest; break;
    case EngineOption::Type::Button: break;
    }
    option = std::move(result);
    return true;
}

std::string CWinboardParser::OptionText(const EngineOption& option, const std::string& value)
{
    if (!option.command.empty())
        return option.command + " " + value + "\n";
    switch (option.type)
    {
    case EngineOption::Type::Button: return "option " + option.name + "\n";
    case EngineOption::Type::Check: return "option " + option.name + "=" + (value == "true" ? "1" : "0") + "\n";
    default: return "option " + option.name + "=" + value + "\n";
    }
}

bool CWinboardParser::ParseMoveWord(const std::string& word, bool playsWhite, EngineMove& move)
{
    const int32_t rank = playsWhite ? 0 : 7;
    if (word.find("o-o-o") != std::string::npos || word.find("O-O-O") != std::string::npos)
    {
        move = EngineMove{3, rank, 5, rank, 0};
        return true;
    }
    if (word.find("o-o") != std::string::npos || word.find("O-O") != std::string::npos)
    {
        move = EngineMove{3, rank, 1, rank, 0};
        return true;
    }
    auto isFile = [](char c) { return c >= 'a' && c <= 'h'; };
    auto isRank = [](char c) { return c >= '1' && c <= '8'; };
    if (word.size() == 4 && word[1] == '@')
    {
        static constexpr char kPieces[] = "prnbq"; // by PieceType
        const char* piece = std::strchr(kPieces, std::tolower(static_cast<unsigned char>(word[0])));
        if (word[0] == '\0' || piece == nullptr || *piece == '\0' || !isFile(word[2]) || !isRank(word[3]))
            return false;
        move = EngineMove{'h' - word[2], word[3] - '1', 'h' - word[2], word[3] - '1', 0};
        move.drop = static_cast<int32_t>(piece - kPieces);
        return true;
    }
    if (word.size() < 4 || word.size() > 5)
        return false;
    if (!isFile(word[0]) || !isRank(word[1]) || !isFile(word[2]) || !isRank(word[3]))
        return false;
    int32_t promotion = 0;
    if (word.size() == 5)
    {
        switch (word[4])
        {
        case 'q':
        case 'Q': promotion = 4; break;
        case 'b':
        case 'B': promotion = 3; break;
        case 'r':
        case 'R': promotion = 1; break;
        case 'n':
        case 'N': promotion = 2; break;
        default: return false;
        }
    }
    move = EngineMove{'h' - word[0], word[1] - '1', 'h' - word[2], word[3] - '1', promotion};
    return true;
}

WinboardLine CWinboardParser::ParseLine(const std::string& line, bool playsWhite)
{
    WinboardLine parsed;
    const std::vector<std::string> words = SplitWords(line);
    const std::string* moveWord = nullptr;
    if (words.size() >= 3 && words[1] == "...")
        moveWord = &words[2];
    else if (words.size() >= 2 && words[0] == "move")
        moveWord = &words[1];
    if (moveWord != nullptr)
    {
        if (ParseMoveWord(*moveWord, playsWhite, parsed.move))
        {
            parsed.kind = WinboardLine::Kind::Move;
            parsed.text = *moveWord;
        }
        return parsed;
    }

    if (StartsWith(line, "0-1 {"))
        parsed.result = ENGINE_RESULT_BLACK_WINS;
    else if (StartsWith(line, "1-0 {"))
        parsed.result = ENGINE_RESULT_WHITE_WINS;
    else if (StartsWith(line, "1/2-1/2 {"))
        parsed.result = ENGINE_RESULT_DRAW;
    else if (StartsWith(line, "resign"))
        parsed.result = ENGINE_RESULT_RESIGNS;
    else
    {
        if (!words.empty() && words[0] == "feature")
        {
            parsed.kind = WinboardLine::Kind::Feature;
            ParseFeatures(line, parsed);
        }
        // A UCI-only program such as Stockfish answers every line this way.
        else if (StartsWith(line, "Unknown command: 'xboard'"))
            parsed.kind = WinboardLine::Kind::NotWinboard;
        else if (words.size() >= 2 && words[0] == "tellics" && words[1] == "ptell")
        {
            parsed.kind = WinboardLine::Kind::PartnerMessage;
            const size_t at = line.find("ptell") + 5;
            parsed.text = Trim(line.substr(at));
        }
        else if (words.size() == 2 && words[0] == "pong")
        {
            int64_t number = 0;
            if (ParseInteger(words[1], number))
            {
                parsed.kind = WinboardLine::Kind::Pong;
                parsed.pong = Clamp32(number);
            }
        }
        else
            ParseThinking(line, parsed);
        return parsed;
    }
    parsed.kind = WinboardLine::Kind::Result;
    parsed.text = Trim(line);
    return parsed;
}

std::string CWinboardParser::MoveText(const EngineMove& move)
{
    static constexpr char kFiles[] = "hgfedcba";
    static constexpr char kRanks[] = "12345678";
    auto at = [](const char* table, int32_t i) { return i >= 0 && i < 8 ? table[i] : '?'; };
    if (move.IsDrop())
        return std::string{at("PRNBQ", move.drop <= 4 ? move.drop : 8), '@', at(kFiles, move.toFile),
                           at(kRanks, move.toRank), '\n'};
    std::string text{at(kFiles, move.fromFile), at(kRanks, move.fromRank), at(kFiles, move.toFile),
                     at(kRanks, move.toRank)};
    switch (move.promotion)
    {
    case 1: text += 'r'; break;
    case 2: text += 'n'; break;
    case 3: text += 'b'; break;
    case 4: text += 'q'; break;
    default: break;
    }
    return text + '\n';
}

std::string CWinboardParser::HoldingText(const std::string& holdings)
{
    static constexpr char kOrder[] = "PNBRQ";
    std::string sides[2];
    for (int side = 0; side < 2; ++side)
    {
        for (const char* piece = kOrder; *piece != '\0'; ++piece)
        {
            const char letter = side == 0 ? *piece : static_cast<char>(std::tolower(*piece));
            const auto count = std::min<std::ptrdiff_t>(std::count(holdings.begin(), holdings.end(), letter), 16);
            sides[side].append(static_cast<size_t>(count), *piece);
            if (side == 1)
                std::transform(sides[1].begin(), sides[1].end(), sides[1].begin(),
                               [](char c) { return static_cast<char>(std::tolower(c)); });
        }
    }
    return "holding [" + sides[0] + "] [" + sides[1] + "]\n";
}

std::string CWinboardParser::LevelTimeText(int32_t baseSeconds)
{
    if (baseSeconds % 60 == 0)
        return std::to_string(baseSeconds / 60);
    return std::to_string(baseSeconds / 60) + ":" + std::to_string(baseSeconds % 60);
}

std::string CWinboardParser::ResultText(int32_t result)
{
    switch (result)
    {
    case ENGINE_RESULT_WHITE_WINS: return "1-0";
    case ENGINE_RESULT_BLACK_WINS: return "0-1";
    case ENGINE_RESULT_DRAW: return "1/2-1/2";
    default: return "*";
    }
}
