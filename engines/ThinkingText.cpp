#include "ThinkingText.h"

#include "ChessPosition.h"
#include "IChessEngineEx.h"

#include <cstdio>
#include <cstdlib>

namespace
{
bool IsFile(char c)
{
    return c >= 'a' && c <= 'h';
}

bool IsRank(char c)
{
    return c >= '1' && c <= '8';
}

// "12." and "12..." number the moves; "..." alone stands for White's move.
bool IsMoveNumber(std::string_view word)
{
    size_t digits = 0;
    while (digits < word.size() && word[digits] >= '0' && word[digits] <= '9')
        ++digits;
    const std::string_view rest = word.substr(digits);
    return !rest.empty() && rest.find_first_not_of('.') == std::string_view::npos;
}

int32_t PromotionOf(char letter)
{
    switch (letter)
    {
    case 'q':
    case 'Q': return PIECE_QUEEN;
    case 'r':
    case 'R': return PIECE_ROOK;
    case 'b':
    case 'B': return PIECE_BISHOP;
    case 'n':
    case 'N': return PIECE_KNIGHT;
    default: return 0;
    }
}

// Plays a coordinate word ("e2e4", "e2-e4", "e7xe8", "e7e8q", "e7e8=Q");
// false when the word is not one.
bool PlayCoordinate(CChessPosition& position, std::string word)
{
    if (word.size() >= 5 && (word[2] == '-' || word[2] == 'x'))
        word.erase(2, 1);
    if (word.size() == 6 && word[4] == '=')
        word.erase(4, 1);
    if (word.size() < 4 || word.size() > 5 || !IsFile(word[0]) || !IsRank(word[1]) || !IsFile(word[2]) ||
        !IsRank(word[3]))
        return false;
    int32_t promotion = 0;
    if (word.size() == 5 && (promotion = PromotionOf(word[4])) == 0)
        return false;
    const CMove move(CCoordinate(word[1] - '1', 'h' - word[0]), CCoordinate(word[3] - '1', 'h' - word[2]));
    // A pawn that reaches the last rank without a letter becomes a queen.
    position.SetDefaultPromotionPiece(promotion != 0 ? promotion : PIECE_QUEEN);
    const bool played = position.MakeMove(move, true);
    position.SetDefaultPromotionPiece(PIECE_QUEEN);
    return played;
}

bool PlayWord(CChessPosition& position, std::string word)
{
    while (!word.empty() && (word.back() == '+' || word.back() == '#' || word.back() == '!' || word.back() == '?'))
        word.pop_back();
    if (word.empty())
        return false;
    std::string castling = word;
    for (char& c : castling)
        if (c == '0' || c == 'o')
            c = 'O';
    if (castling == "O-O" || castling == "O-O-O")
        return position.PlaySan(castling);
    if (PlayCoordinate(position, word))
        return true;
    // SAN promotion written without "=" ("e8Q").
    if (word.size() >= 3 && IsRank(word[word.size() - 2]) && PromotionOf(word.back()) != 0 && word.back() >= 'A' &&
        word.back() <= 'Z')
        word.insert(word.end() - 1, '=');
    return position.PlaySan(word);
}
} // namespace

std::vector<std::string> CThinkingText::PvToSan(const CChessPosition& start, std::string_view pv)
{
    std::vector<std::string> san;
    CChessPosition position(start);
    size_t i = 0;
    while (i < pv.size())
    {
        while (i < pv.size() && (pv[i] == ' ' || pv[i] == '\t'))
            ++i;
        size_t end = i;
        while (end < pv.size() && pv[end] != ' ' && pv[end] != '\t')
            ++end;
        std::string_view word = pv.substr(i, end - i);
        i = end;
        if (word.empty())
            continue;
        // "12.Nf3" carries its number glued on.
        if (IsMoveNumber(word))
            continue;
        const size_t dot = word.find_last_of('.');
        if (dot != std::string_view::npos && dot + 1 < word.size() && IsMoveNumber(word.substr(0, dot + 1)))
            word.remove_prefix(dot + 1);
        const size_t before = position.MoveTexts().size();
        if (!PlayWord(position, std::string(word)) || position.MoveTexts().size() != before + 1)
            break;
        san.push_back(position.MoveTexts().back());
    }
    return san;
}

int32_t CThinkingText::WhiteScore(int32_t score, int32_t scoreColour)
{
    return scoreColour == COLOUR_BLACK ? -score : score;
}

std::string CThinkingText::ScoreText(int32_t scoreKind, int32_t score, int32_t scoreColour)
{
    const int32_t white = WhiteScore(score, scoreColour);
    if (scoreKind == ENGINE_SCORE_MATE)
    {
        std::string text = "#";
        text += std::to_string(white);
        return text;
    }
    if (scoreKind != ENGINE_SCORE_CENTIPAWNS)
        return std::string();
    char text[32];
    const int64_t magnitude = std::llabs(static_cast<int64_t>(white));
    std::snprintf(text, sizeof text, "%s%lld.%02lld",
                  white > 0   ? "+"
                  : white < 0 ? "-"
                              : "",
                  static_cast<long long>(magnitude / 100), static_cast<long long>(magnitude % 100));
    return text;
}
