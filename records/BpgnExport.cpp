#include "BpgnExport.h"

#include "BpgnReader.h"

#include <algorithm>
#include <cctype>

namespace
{
constexpr const char* kFirstTags[][2] = {
    {"Event", "?"},  {"Site", "?"},   {"Date", "????.??.??"}, {"WhiteA", "?"},
    {"BlackA", "?"}, {"WhiteB", "?"}, {"BlackB", "?"},
};

// Words joined by spaces, wrapped before a word that would make the line too
// long; a word longer than a line is written on a line of its own.
class CWrapper
{
public:
    explicit CWrapper(std::string& out) : m_Out(out) {}
    void Word(std::string_view word)
    {
        // A "%" opening a line would hide the line from readers: such a word
        // stays on the line before.
        if (m_Column > 0 && m_Column + 1 + word.size() > CBpgnExport::kLineWidth && word.front() != '%')
        {
            m_Out += '\n';
            m_Column = 0;
        }
        if (m_Column > 0 || word.front() == '%')
        {
            m_Out += ' ';
            ++m_Column;
        }
        m_Out += word;
        m_Column += word.size();
    }
    // A comment to the end of the line: "; " and the text, then a new line.
    void LineComment(std::string_view text)
    {
        if (m_Column > 0)
            m_Out += ' ';
        m_Out += "; ";
        m_Out += text;
        m_Out += '\n';
        m_Column = 0;
    }
    void EndLine()
    {
        if (m_Column > 0)
            m_Out += '\n';
        m_Column = 0;
    }

private:
    std::string& m_Out;
    size_t m_Column = 0;
};

// A comment's words, each a word of its own so that long comments wrap; the
// braces go on the first and last. A comment that would read back as a clock
// gets a space inside its opening brace, which keeps it a comment. One with a
// closing brace in it (read from a comment to the end of a line) is written
// as such a comment again.
void WriteComment(CWrapper& out, const std::string& comment)
{
    if (comment.empty())
        return;
    if (comment.find('}') != std::string::npos)
    {
        out.LineComment(comment);
        return;
    }
    std::vector<std::string> words;
    std::string word;
    for (char c : comment)
    {
        if (c == ' ')
        {
            if (!word.empty())
                words.push_back(std::move(word));
            word.clear();
            continue;
        }
        word += c;
    }
    if (!word.empty())
        words.push_back(std::move(word));
    if (words.empty())
        return;
    if (words.size() == 1 && CBpgnReader::ReadClock(words.front()))
    {
        out.Word("{");
        out.Word(words.front() + '}');
        return;
    }
    words.front().insert(0, 1, '{');
    words.back() += '}';
    for (const std::string& w : words)
        out.Word(w);
}
} // namespace

std::string CBpgnExport::ClockText(int32_t milliseconds)
{
    const int32_t ms = std::max(0, milliseconds);
    std::string fraction = std::to_string(ms % 1000);
    fraction.insert(0, 3 - fraction.size(), '0');
    return std::to_string(ms / 1000) + '.' + fraction;
}

std::string CBpgnExport::ExportGame(const CBpgnGame& game)
{
    std::string out;
    for (const auto& first : kFirstTags)
    {
        const std::string value = game.Tag(first[0]);
        out += CPgnTag::Line(first[0], value.empty() ? first[1] : value);
    }
    const std::string timeControl = game.Tag("TimeControl");
    if (!timeControl.empty())
        out += CPgnTag::Line("TimeControl", timeControl);
    out += CPgnTag::Line("Result", CPgnGame::IsResultToken(game.result) ? game.result : "*");
    for (const CPgnTag& tag : game.tags)
    {
        const bool written = std::any_of(std::begin(kFirstTags), std::end(kFirstTags),
                                         [&](const auto& first) { return CPgnTag::SameName(tag.name, first[0]); }) ||
                             CPgnTag::SameName(tag.name, "TimeControl") || CPgnTag::SameName(tag.name, "Result");
        if (!written && CPgnTag::IsName(tag.name))
            out += CPgnTag::Line(tag.name, tag.value);
    }
    out += '\n';

    CWrapper words(out);
    WriteComment(words, game.leadingComment);
    int plies[2] = {0, 0};
    for (const CBpgnMove& move : game.moves)
    {
        const int board = move.board == 0 ? 0 : 1;
        const int number = 1 + plies[board]++ / 2;
        char letter = CBughouseBoards::BoardLetter(board);
        if (move.side == COLOUR_BLACK)
            letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
        words.Word(std::to_string(number) + letter + ". " + move.san.Str());
        if (move.clockMs)
            words.Word('{' + ClockText(*move.clockMs) + '}');
        WriteComment(words, move.comment);
    }
    words.Word(CPgnGame::IsResultToken(game.result) ? game.result : "*");
    words.EndLine();
    return out;
}

std::string CBpgnExport::ExportGames(const std::vector<CBpgnGame>& games)
{
    std::string out;
    for (const CBpgnGame& game : games)
    {
        if (!out.empty())
            out += '\n';
        out += ExportGame(game);
    }
    return out;
}
