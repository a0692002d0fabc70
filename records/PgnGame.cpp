#include "PgnGame.h"

#include "ChessPosition.h"
#include "FenText.h"

#include <algorithm>
#include <cctype>

namespace
{
} // namespace

bool CPgnNode::operator==(const CPgnNode& other) const
{
    return san == other.san && comment == other.comment && nags == other.nags && variations == other.variations;
}

CPgnMove::CPgnMove(const CPgnMove& other)
    : san(other.san), clockMs(other.clockMs),
      m_Notes(other.m_Notes ? std::make_unique<CPgnNotes>(*other.m_Notes) : nullptr)
{
}

CPgnMove& CPgnMove::operator=(const CPgnMove& other)
{
    if (this != &other)
    {
        san = other.san;
        clockMs = other.clockMs;
        m_Notes = other.m_Notes ? std::make_unique<CPgnNotes>(*other.m_Notes) : nullptr;
    }
    return *this;
}

const CPgnNotes& CPgnMove::Notes() const
{
    static const CPgnNotes kNone;
    return m_Notes ? *m_Notes : kNone;
}

CPgnNotes& CPgnMove::EditNotes()
{
    if (!m_Notes)
        m_Notes = std::make_unique<CPgnNotes>();
    return *m_Notes;
}

void CPgnMove::TrimNotes()
{
    if (m_Notes && m_Notes->Empty())
        m_Notes.reset();
}

bool CPgnMove::operator==(const CPgnMove& other) const
{
    return san == other.san && clockMs == other.clockMs && Notes() == other.Notes();
}

std::string CPgnError::Text() const
{
    std::string text = "Game " + std::to_string(game);
    if (moveNumber > 0)
    {
        text += ", move " + std::to_string(moveNumber);
        if (side == COLOUR_WHITE || side == COLOUR_BLACK)
            text += side == COLOUR_WHITE ? " (White)" : " (Black)";
    }
    if (line > 0)
        text += ", line " + std::to_string(line);
    return text + ": " + message;
}

const CPgnTag* CPgnGame::FindTag(std::string_view name) const
{
    return CPgnTag::Find(tags, name);
}

std::string CPgnGame::Tag(std::string_view name) const
{
    const CPgnTag* tag = FindTag(name);
    return tag ? tag->value : std::string();
}

void CPgnGame::SetTag(std::string_view name, std::string_view value)
{
    CPgnTag::Set(tags, name, value);
}

void CPgnGame::RemoveTag(std::string_view name)
{
    std::erase_if(tags, [&](const CPgnTag& tag) { return CPgnTag::SameName(tag.name, name); });
}

bool CPgnGame::Replay(CChessPosition& position, std::string* error) const
{
    if (startFen.empty())
    {
        position.Reset();
    }
    else if (!CFenText::ReadFen(position, startFen, error))
    {
        return false;
    }
    for (const CPgnMove& move : moves)
    {
        // The recorded texts are the rules core's own, unambiguous by construction.
        if (!position.PlaySan(move.san.Str()))
        {
            if (error)
                *error = "cannot play \"" + move.san.Str() + "\"";
            return false;
        }
    }
    return true;
}

CPgnGame CPgnGame::FromPosition(const CChessPosition& position, std::string_view result)
{
    CPgnGame game;
    const std::string start = CFenText::StartFen(position);
    if (start != CFenText::kInitialPosition)
        game.startFen = start;
    game.moves.reserve(position.MoveTexts().size());
    for (const std::string& san : position.MoveTexts())
        game.moves.emplace_back(san);
    game.result = IsResultToken(result) ? std::string(result) : std::string("*");
    if (position.CurrentPly() == position.RecordLength())
    {
        game.finalFen = CFenText::WriteFen(position);
    }
    else
    {
        CChessPosition end;
        if (game.Replay(end))
            game.finalFen = CFenText::WriteFen(end);
    }
    return game;
}

bool CPgnGame::IsResultToken(std::string_view text)
{
    if (text.empty() || (text[0] != '0' && text[0] != '1' && text[0] != '*'))
        return false;
    return text == "1-0" || text == "0-1" || text == "1/2-1/2" || text == "*";
}
