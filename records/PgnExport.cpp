#include "PgnExport.h"

#include "ChessPosition.h"
#include "FenText.h"
#include "PgnCommand.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace
{
constexpr const char* kRoster[7][2] = {
    {"Event", "?"}, {"Site", "?"},  {"Date", "????.??.??"}, {"Round", "?"},
    {"White", "?"}, {"Black", "?"}, {"Result", "*"},
};

// The roster, and SetUp and FEN when the start position is known, are
// written from the game itself. A FEN that could not be set up is kept as it
// was, so that nothing is lost.
bool IsWrittenElsewhere(std::string_view name, const CPgnGame& game)
{
    for (const auto& roster : kRoster)
        if (CPgnTag::SameName(name, roster[0]))
            return true;
    return !game.startFen.empty() && (CPgnTag::SameName(name, "SetUp") || CPgnTag::SameName(name, "FEN"));
}

// Movetext words joined by spaces and wrapped before a word that would make
// the line too long; a word longer than a line (in a comment) is cut. A word
// is held back until the next one, so that ")" and "}" can be glued to it.
class CLineWriter
{
public:
    explicit CLineWriter(std::string& out) : m_Out(out) {}

    void Word(std::string_view word)
    {
        if (m_GlueNext)
        {
            m_Pending += word;
            m_GlueNext = false;
            return;
        }
        Flush();
        m_Pending.append(word.data(), word.size());
    }
    // Appends to the last word without a space.
    void Glue(std::string_view text) { m_Pending += text; }
    // The next word is appended to the last one without a space.
    void GlueNext() { m_GlueNext = true; }

    void EndLine()
    {
        Flush();
        m_Out += '\n';
        m_Length = 0;
    }

private:
    void Flush()
    {
        std::string_view word = m_Pending;
        while (!word.empty())
        {
            std::string_view piece = word.substr(0, CutLength(word, CPgnExport::kLineWidth));
            if (m_Length > 0 && m_Length + 1 + piece.size() > CPgnExport::kLineWidth)
            {
                m_Out += '\n';
                m_Length = 0;
            }
            if (m_Length == 0 && piece.front() == '%')
            {
                // A "%" in the first column would make the line an escape.
                piece = word.substr(0, CutLength(word, CPgnExport::kLineWidth - 1));
                m_Out += ' ';
                ++m_Length;
            }
            else if (m_Length > 0)
            {
                m_Out += ' ';
                ++m_Length;
            }
            word.remove_prefix(piece.size());
            m_Out += piece;
            m_Length += piece.size();
        }
        m_Pending.clear();
    }

    // How much of a word goes on one line of `limit` characters: all of it
    // when it fits, otherwise up to the limit, but never through an embedded
    // command ("[%clk 0:05:00]") that follows other text, which then starts
    // the next piece whole, so that it still reads.
    static size_t CutLength(std::string_view word, size_t limit)
    {
        if (word.size() <= limit)
            return word.size();
        const size_t open = word.rfind("[%", limit - 1);
        // Only text of the comment goes before the cut: a brace or a
        // parenthesis glued to the command stays with it.
        if (open != std::string_view::npos && word.find_first_not_of("({") < open)
        {
            const size_t close = word.find(']', open);
            if (close == std::string_view::npos || close >= limit)
                return open;
        }
        return limit;
    }

    std::string& m_Out;
    std::string m_Pending;
    size_t m_Length = 0;
    bool m_GlueNext = false;
};

// Writes one game's movetext.
class CMovetextWriter
{
public:
    CMovetextWriter(CLineWriter& line, bool startBlack, int startNumber)
        : m_Line(line), m_StartBlack(startBlack), m_StartNumber(startNumber)
    {
    }

    void Comment(const std::string& text)
    {
        // A brace comment cannot hold braces: they become parentheses.
        std::string words;
        for (char c : text)
            words += c == '}' ? ')' : c == '{' ? '(' : c;
        bool first = true;
        std::string_view rest = words;
        while (!rest.empty())
        {
            // An embedded command such as [%clk 0:05:00] stays on one line
            // when it fits on one with its braces; one too long for a line is
            // written as separate words rather than cut, so that a second
            // export of the game read back is the same.
            size_t space = rest.find_first_of(" \t\r\n");
            if (rest.substr(0, 2) == "[%")
            {
                const size_t close = rest.find(']');
                if (close != std::string_view::npos)
                {
                    const size_t end = rest.find_first_of(" \t\r\n", close);
                    const size_t length = end == std::string_view::npos ? rest.size() : end;
                    if (length + (first ? 1 : 0) + 1 <= CPgnExport::kLineWidth)
                        space = end;
                }
            }
            const std::string_view part = rest.substr(0, space);
            if (!part.empty())
            {
                std::string word = first ? "{" : "";
                word += part;
                m_Line.Word(word);
                first = false;
            }
            if (space == std::string_view::npos)
                break;
            rest.remove_prefix(space + 1);
        }
        if (first)
            return;
        m_Line.Glue("}");
        m_NeedNumber = true;
    }

    // The move at ply `ply` from the start.
    void Move(int ply, const std::string& san, const std::vector<uint8_t>& nags)
    {
        const int plies = ply + (m_StartBlack ? 1 : 0);
        const int number = m_StartNumber + plies / 2;
        if (plies % 2 == 0)
            m_Line.Word(std::to_string(number) + ".");
        else if (m_NeedNumber)
            m_Line.Word(std::to_string(number) + "...");
        m_Line.Word(san);
        for (uint8_t nag : nags)
        {
            std::string word = "$";
            word += std::to_string(nag);
            m_Line.Word(word);
        }
        m_NeedNumber = false;
    }

    // Variations of the move at ply `ply`: each starts from the position before it.
    void Variations(int ply, const std::vector<CPgnVariation>& variations, int depth)
    {
        if (depth > CPgnExport::kMaxVariationDepth)
            return;
        for (const CPgnVariation& variation : variations)
        {
            if (variation.moves.empty() && variation.leadingComment.empty())
                continue;
            m_Line.Word("(");
            m_Line.GlueNext();
            if (!variation.leadingComment.empty())
                Comment(variation.leadingComment);
            m_NeedNumber = true;
            for (size_t j = 0; j < variation.moves.size(); ++j)
            {
                const CPgnNode& node = variation.moves[j];
                Move(ply + static_cast<int>(j), node.san, node.nags);
                if (!node.comment.empty())
                    Comment(node.comment);
                Variations(ply + static_cast<int>(j), node.variations, depth + 1);
            }
            m_Line.Glue(")");
            m_NeedNumber = true;
        }
    }

private:
    CLineWriter& m_Line;
    bool m_StartBlack;
    int m_StartNumber;
    bool m_NeedNumber = true;
};

// The comment written after a main-line move: its clock and evaluation as
// commands, unless the comment already holds them, then the comment itself.
std::string MoveComment(const CPgnMove& move)
{
    const CPgnNotes& notes = move.Notes();
    std::string text;
    if (move.clockMs && !CPgnCommand::HasCommand(notes.comment, "clk"))
        text += "[%clk " + CPgnCommand::ClockText(*move.clockMs) + "]";
    if (notes.eval && !CPgnCommand::HasCommand(notes.comment, "eval"))
        text += std::string(text.empty() ? "" : " ") + "[%eval " + CPgnCommand::EvalText(*notes.eval) + "]";
    if (!notes.comment.empty())
        text += (text.empty() ? "" : " ") + notes.comment;
    return text;
}

bool EndsInMate(const CPgnGame& game)
{
    if (game.moves.empty() || game.moves.back().san.empty() || game.moves.back().san.back() != '+')
        return false;
    CChessPosition end;
    if (!game.finalFen.empty())
        return CFenText::ReadFen(end, game.finalFen) && end.IsMate();
    return game.Replay(end) && end.IsMate();
}
} // namespace

std::string CPgnExport::ExportGame(const CPgnGame& game)
{
    std::string out;
    for (const auto& roster : kRoster)
    {
        std::string value = roster[0] == std::string_view("Result") ? game.result : game.Tag(roster[0]);
        out += CPgnTag::Line(roster[0], value.empty() ? roster[1] : value);
    }
    if (!game.startFen.empty())
    {
        out += CPgnTag::Line("SetUp", "1");
        out += CPgnTag::Line("FEN", game.startFen);
    }
    std::vector<CPgnTag> extra;
    for (const CPgnTag& tag : game.tags)
        if (!IsWrittenElsewhere(tag.name, game) && CPgnTag::IsName(tag.name))
            extra.push_back(tag);
    std::stable_sort(extra.begin(), extra.end(), [](const CPgnTag& a, const CPgnTag& b) { return a.name < b.name; });
    for (const CPgnTag& tag : extra)
        out += CPgnTag::Line(tag.name, tag.value);
    out += '\n';

    // Move numbers follow the start position.
    bool startBlack = false;
    int startNumber = 1;
    if (!game.startFen.empty())
    {
        const size_t side = game.startFen.find(' ');
        startBlack = side != std::string::npos && game.startFen.compare(side + 1, 1, "b") == 0;
        const size_t last = game.startFen.rfind(' ');
        if (last != std::string::npos)
            startNumber = std::max(1, std::atoi(game.startFen.c_str() + last + 1));
    }

    CLineWriter line(out);
    CMovetextWriter movetext(line, startBlack, startNumber);
    if (!game.leadingComment.empty())
        movetext.Comment(game.leadingComment);
    const bool mate = EndsInMate(game);
    for (size_t i = 0; i < game.moves.size(); ++i)
    {
        const CPgnMove& move = game.moves[i];
        std::string san = move.san.Str();
        if (mate && i + 1 == game.moves.size())
            san.back() = '#';
        movetext.Move(static_cast<int>(i), san, move.Notes().nags);
        const std::string comment = MoveComment(move);
        if (!comment.empty())
            movetext.Comment(comment);
        movetext.Variations(static_cast<int>(i), move.Notes().variations, 1);
    }
    line.Word(CPgnGame::IsResultToken(game.result) ? game.result : "*");
    line.EndLine();
    return out;
}

std::string CPgnExport::ExportGames(const std::vector<CPgnGame>& games)
{
    std::string out;
    for (const CPgnGame& game : games)
    {
        if (!out.empty())
            out += '\n';
        out += ExportGame(game);
    }
    return out;
}
