#include "BpgnGame.h"

#include "BughouseBoards.h"

#include <algorithm>
#include <cctype>

namespace
{

// Digits into a value no larger than `limit`; false when there are none or it is larger.
bool ReadBounded(std::string_view text, int64_t limit, int64_t& value)
{
    if (text.empty() || text.size() > 10)
        return false;
    value = 0;
    for (char c : text)
    {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    return value <= limit;
}
} // namespace

std::string CBpgnGame::PlayerTag(int board, Colour side)
{
    return std::string(side == COLOUR_BLACK ? "Black" : "White") + (board == 0 ? 'A' : 'B');
}

const CPgnTag* CBpgnGame::FindTag(std::string_view name) const
{
    return CPgnTag::Find(tags, name);
}

std::string CBpgnGame::Tag(std::string_view name) const
{
    const CPgnTag* tag = FindTag(name);
    return tag ? tag->value : std::string();
}

void CBpgnGame::SetTag(std::string_view name, std::string_view value)
{
    CPgnTag::Set(tags, name, value);
}

bool CBpgnGame::TimeControl(int32_t& baseMs, int32_t& incrementSeconds) const
{
    const std::string text = Tag("TimeControl");
    const size_t plus = text.find('+');
    int64_t base = 0;
    int64_t increment = 0;
    if (plus == std::string::npos || !ReadBounded(std::string_view(text).substr(0, plus), INT32_MAX / 1000, base) ||
        !ReadBounded(std::string_view(text).substr(plus + 1), 3600, increment))
        return false;
    baseMs = static_cast<int32_t>(base * 1000);
    incrementSeconds = static_cast<int32_t>(increment);
    return true;
}

std::string CBpgnGame::TimeControlText(int32_t baseMs, int32_t incrementSeconds)
{
    return std::to_string(std::max(0, baseMs) / 1000) + '+' + std::to_string(std::max(0, incrementSeconds));
}

bool CBpgnGame::Replay(CBughouseBoards& boards, std::string* error, size_t plies) const
{
    boards.Reset(KingCapture());
    const size_t count = std::min(plies, moves.size());
    for (size_t i = 0; i < count; ++i)
    {
        const CBpgnMove& move = moves[i];
        CReplayedMove played;
        std::string why;
        if (boards.Board(move.board).SideToMove() != move.side ||
            !boards.PlayText(move.board, move.san.View(), played, &why))
        {
            if (error)
                *error = "cannot play \"" + move.san.Str() + "\" on board " + CBughouseBoards::BoardLetter(move.board);
            return false;
        }
    }
    return true;
}
