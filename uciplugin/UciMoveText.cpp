#include "UciMoveText.h"

namespace UciMoveText
{
namespace
{
constexpr std::string_view kFiles = "hgfedcba";
constexpr std::string_view kPromotions = " rnbq";
} // namespace

std::string Format(const EngineMove& move)
{
    auto at = [](std::string_view table, int32_t i) { return i >= 0 && i < 8 ? table[static_cast<size_t>(i)] : '?'; };
    std::string text{at(kFiles, move.fromFile), at("12345678", move.fromRank), at(kFiles, move.toFile),
                     at("12345678", move.toRank)};
    if (move.promotion >= 1 && move.promotion <= 4)
        text += kPromotions[static_cast<size_t>(move.promotion)];
    return text;
}

std::optional<EngineMove> Parse(std::string_view text)
{
    if (text.size() != 4 && text.size() != 5)
        return std::nullopt;
    EngineMove move;
    int32_t* fields[4] = {&move.fromFile, &move.fromRank, &move.toFile, &move.toRank};
    for (size_t i = 0; i < 4; ++i)
    {
        const char c = text[i];
        if (i % 2 == 0)
        {
            const size_t file = kFiles.find(c);
            if (file == std::string_view::npos || c == ' ')
                return std::nullopt;
            *fields[i] = static_cast<int32_t>(file);
        }
        else
        {
            if (c < '1' || c > '8')
                return std::nullopt;
            *fields[i] = c - '1';
        }
    }
    if (text.size() == 5)
    {
        const char letter = static_cast<char>(text[4] | 0x20);
        const size_t promotion = kPromotions.find(letter);
        if (promotion == std::string_view::npos || promotion == 0)
            return std::nullopt;
        move.promotion = static_cast<int32_t>(promotion);
    }
    return move;
}
} // namespace UciMoveText
