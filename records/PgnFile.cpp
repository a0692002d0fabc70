#include "PgnFile.h"

#include "ChessPosition.h"
#include "FenText.h"

#include <cctype>
#include <fstream>
#include <istream>
#include <streambuf>

namespace
{
bool EqualsNoCase(const std::string& a, const char* b)
{
    size_t i = 0;
    for (; i < a.size() && b[i] != '\0'; ++i)
    {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return i == a.size() && b[i] == '\0';
}

// Character reader with one character of look-ahead.
class CPgnReader
{
public:
    static constexpr int kEnd = std::char_traits<char>::eof();

    explicit CPgnReader(std::istream& in) : m_Buffer(in.rdbuf()) {}

    int Peek() { return m_Buffer ? m_Buffer->sgetc() : kEnd; }
    int Get() { return m_Buffer ? m_Buffer->sbumpc() : kEnd; }
    bool AtEnd() { return Peek() == kEnd; }

    void SkipWhiteSpace()
    {
        for (int ch = Peek(); ch == '\n' || ch == '\r' || ch == '\t' || ch == ' '; ch = Peek())
            Get();
    }

    // Consumes characters up to and including `stop`, or to the end.
    void SkipThrough(char stop)
    {
        for (int ch = Get(); ch != kEnd && ch != stop; ch = Get())
        {
        }
    }

    // Reads up to (not including) one of the delimiters or the end. False when
    // the token is longer than the limit; the rest of it is then not read.
    bool ReadToken(const char* delimiters, std::string& token)
    {
        token.clear();
        for (int ch = Peek(); ch != kEnd; ch = Peek())
        {
            bool delimiter = false;
            for (const char* d = delimiters; *d; ++d)
                delimiter = delimiter || ch == static_cast<unsigned char>(*d);
            if (delimiter)
                break;
            if (token.size() >= CPgnFile::kMaxToken)
                return false;
            token += static_cast<char>(Get());
        }
        return true;
    }

    // A token that may be preceded by comments in braces, which are skipped
    // with the white space after them.
    bool ReadTokenAfterComments(const char* delimiters, std::string& token)
    {
        while (Peek() == '{')
        {
            SkipThrough('}');
            SkipWhiteSpace();
        }
        return ReadToken(delimiters, token);
    }

private:
    std::streambuf* m_Buffer;
};

constexpr const char* kNumberDelimiters = " \n\r.";
constexpr const char* kMoveDelimiters = " \n\r";
} // namespace

std::string CPgnFile::ResultToken(const CChessPosition& position, bool draw, bool blackWon, bool whiteWon)
{
    if (draw || position.IsStalemate())
        return "1/2-1/2";
    if (position.IsMate())
        return position.SideToMove() == COLOUR_WHITE ? "0-1" : "1-0";
    if (blackWon)
        return "0-1";
    if (whiteWon)
        return "1-0";
    return "*";
}

std::string CPgnFile::FormatPgn(const CChessPosition& position, const std::string& whiteName,
                                const std::string& blackName, const std::string& result)
{
    std::string text = "[Event \"Pellomar II\"]\r\n";
    text += "[White \"" + whiteName + "\"]\r\n";
    text += "[Black \"" + blackName + "\"]\r\n\r\n";
    text += "[Result \"" + result + "\"]\r\n";
    // A game that began from a set-up position says which; all others keep
    // the layout they always had.
    const std::string start = CFenText::StartFen(position);
    if (start != CFenText::kInitialPosition)
        text += "[SetUp \"1\"]\r\n[FEN \"" + start + "\"]\r\n";
    text += "\r\n";
    const auto& moves = position.MoveTexts();
    const size_t count = moves.size();
    for (size_t i = 0; i + 1 < count; i += 2)
        text += std::to_string(i / 2 + 1) + ". " + moves[i] + ' ' + moves[i + 1] + "\r\n";
    if (count % 2 == 1)
        text += std::to_string((count - 1) / 2 + 1) + ". " + moves[count - 1] + "\r\n";
    text += result;
    return text;
}

bool CPgnFile::SavePgn(const CChessPosition& position, const std::string& fileName, const std::string& whiteName,
                       const std::string& blackName, bool draw, bool blackWon, bool whiteWon)
{
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    const std::string text = FormatPgn(position, whiteName, blackName, ResultToken(position, draw, blackWon, whiteWon));
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return static_cast<bool>(out);
}

bool CPgnFile::ReadPgn(CChessPosition& position, std::istream& in, std::string& whiteName, std::string& blackName,
                       std::string& result)
{
    position.Reset();
    whiteName = "White";
    blackName = "Black";
    CPgnReader reader(in);
    reader.SkipWhiteSpace();

    // Tags: White, Black and Result are kept; FEN sets up the start position.
    std::string fen;
    while (reader.Peek() == '[')
    {
        reader.Get();
        std::string name;
        const bool nameFits = reader.ReadToken(" \t]", name);
        std::string* target = nullptr;
        if (nameFits)
        {
            if (EqualsNoCase(name, "white"))
                target = &whiteName;
            else if (EqualsNoCase(name, "black"))
                target = &blackName;
            else if (EqualsNoCase(name, "result"))
                target = &result;
            else if (EqualsNoCase(name, "fen"))
                target = &fen;
        }
        if (target)
        {
            reader.SkipThrough('"');
            std::string value;
            if (!reader.ReadToken("\"", value))
                return false;
            *target = value;
            reader.Get(); // the closing quote
        }
        reader.SkipThrough(']');
        reader.SkipWhiteSpace();
    }

    if (!fen.empty() && !CFenText::ReadFen(position, fen))
        return false;

    // Moves: "N. white black" lines until a result, a new game or the end.
    std::string token;
    for (;;)
    {
        if (reader.Peek() == '[' || reader.AtEnd())
            return true;
        if (!reader.ReadTokenAfterComments(kNumberDelimiters, token))
            return false;
        if (reader.Peek() != '.')
            return true; // a result token after Black's move, or anything else
        reader.Get();
        reader.SkipWhiteSpace();

        for (int side = 0; side < 2; ++side)
        {
            if (!reader.ReadTokenAfterComments(kMoveDelimiters, token))
                return false;
            if (token.empty())
                return true;
            if (position.CurrentPly() >= CChessPosition::kMaxRecordPlies || !position.PlaySan(token))
                return false;
            reader.SkipWhiteSpace();
            if (side == 0)
            {
                const int next = reader.Peek();
                if (next == '1' || next == '0' || next == '*')
                    return true; // the result after White's move
            }
        }
        if (reader.AtEnd())
            return true;
    }
}

bool CPgnFile::LoadPgn(CChessPosition& position, const std::string& fileName, std::string& whiteName,
                       std::string& blackName, std::string& result)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        return false;
    return ReadPgn(position, in, whiteName, blackName, result);
}
