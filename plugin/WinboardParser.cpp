#include "WinboardParser.h"

#include "EngineResult.h"

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
    }
}
} // namespace

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
    if (word.size() < 4 || word.size() > 5)
        return false;
    auto isFile = [](char c) { return c >= 'a' && c <= 'h'; };
    auto isRank = [](char c) { return c >= '1' && c <= '8'; };
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
            parsed.kind = WinboardLine::Kind::Move;
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
        return parsed;
    }
    parsed.kind = WinboardLine::Kind::Result;
    return parsed;
}

std::string CWinboardParser::MoveText(const EngineMove& move)
{
    static constexpr char kFiles[] = "hgfedcba";
    static constexpr char kRanks[] = "12345678";
    auto at = [](const char* table, int32_t i) { return i >= 0 && i < 8 ? table[i] : '?'; };
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

std::string CWinboardParser::LevelTimeText(int32_t baseSeconds)
{
    if (baseSeconds % 60 == 0)
        return std::to_string(baseSeconds / 60);
    return std::to_string(baseSeconds / 60) + ":" + std::to_string(baseSeconds % 60);
}
