// Standard Algebraic Notation for CChessPosition: writing the text of a made
// move, and reading and playing one SAN token.

#include "ChessPosition.h"

#include <algorithm>

namespace
{
constexpr char kFileLetters[] = "hgfedcba";
constexpr char kRankDigits[] = "12345678";
constexpr const char* kPieceLetters[] = {"", "R", "N", "B", "Q", "K"};

// The letter of a piece other than a pawn; "?" for a code that is no piece.
char PieceLetter(PieceType t)
{
    return t >= PIECE_ROOK && t <= PIECE_KING ? kPieceLetters[t][0] : '?';
}

char FileLetter(const CCoordinate& c)
{
    return kFileLetters[c.x & 7];
}
char RankDigit(const CCoordinate& c)
{
    return kRankDigits[c.y & 7];
}
} // namespace

std::string CChessPosition::WriteSan(const CChessPosition& after, CChessPosition& before, const CMove& move,
                                     int32_t promotion, bool captured)
{
    const PieceType t = promotion != 0 ? PIECE_PAWN : after.TypeAt(move.to);
    // Other pieces of the same kind that could legally go to the same square,
    // judged under the same king-capture rule as the game, so the
    // disambiguation matches what is playable.
    return ComposeSan(t, move, promotion, captured, after.IsCheck(), before.SanRivals(t, move)).Str();
}

CSanText CChessPosition::ComposeSan(PieceType t, const CMove& move, int32_t promotion, bool captured, bool check,
                                    const CSanRivals& rivals)
{
    // Written into a local buffer: no text is longer than CSanText holds.
    char text[CSanText::kCapacity + 1];
    size_t n = 0;
    const int dcol = move.to.x - move.from.x;
    if (t == PIECE_KING && (dcol == -2 || dcol == 2))
    {
        CSanText castling(dcol == -2 ? "O-O" : "O-O-O");
        if (check)
            castling.Append('+');
        return castling;
    }

    if (t != PIECE_PAWN)
    {
        text[n++] = PieceLetter(t);
        if (rivals.any)
        {
            if (!rivals.sameColumn || rivals.sameRow)
                text[n++] = FileLetter(move.from);
            if (rivals.sameColumn)
                text[n++] = RankDigit(move.from);
        }
    }
    if (captured)
    {
        if (t == PIECE_PAWN)
            text[n++] = FileLetter(move.from);
        text[n++] = 'x';
    }
    text[n++] = FileLetter(move.to);
    text[n++] = RankDigit(move.to);
    if (IsPromotionChoice(promotion))
    {
        text[n++] = '=';
        text[n++] = PieceLetter(promotion);
    }
    if (check)
        text[n++] = '+';
    return CSanText(std::string_view(text, n));
}

CSanText CChessPosition::WriteDropSan(PieceType type, const CCoordinate& square, bool check)
{
    if (type < PIECE_PAWN || type > PIECE_QUEEN || !square.IsOnBoard())
        return CSanText();
    const char text[] = {type == PIECE_PAWN ? 'P' : PieceLetter(type), '@', FileLetter(square), RankDigit(square), '+'};
    return CSanText(std::string_view(text, check ? 5 : 4));
}

bool CChessPosition::PlaySan(const std::string& token)
{
    if (DropsOption() || token.empty())
        return false;
    std::string text = token;

    for (int i = 0; i < 2; ++i)
    {
        if (!text.empty() && (text.back() == '!' || text.back() == '?'))
            text.pop_back();
    }
    if (!text.empty() && (text.back() == '+' || text.back() == '#'))
        text.pop_back();

    if (text == "O-O" || text == "O-O-O")
    {
        const int row = SideToMove() == COLOUR_WHITE ? 0 : 7;
        return MakeMove(CMove(CCoordinate(row, 3), CCoordinate(row, text == "O-O" ? 1 : 5)), true);
    }

    int32_t promotion = 0;
    const size_t equals = text.find('=');
    if (equals != std::string::npos)
    {
        if (equals + 1 < text.size())
        {
            switch (text[equals + 1])
            {
            case 'R': promotion = PIECE_ROOK; break;
            case 'N': promotion = PIECE_KNIGHT; break;
            case 'B': promotion = PIECE_BISHOP; break;
            case 'Q': promotion = PIECE_QUEEN; break;
            default: break;
            }
        }
        text.resize(equals);
    }

    if (text.size() < 2)
        return false;
    CCoordinate destination;
    destination.Parse(text[text.size() - 2], text[text.size() - 1]);
    text.resize(text.size() - 2);
    if (!destination.IsOnBoard())
        return false;

    if (!text.empty() && text.back() == 'x')
        text.pop_back();

    PieceType type = PIECE_PAWN;
    if (!text.empty())
    {
        switch (text.front())
        {
        case 'K': type = PIECE_KING; break;
        case 'Q': type = PIECE_QUEEN; break;
        case 'R': type = PIECE_ROOK; break;
        case 'B': type = PIECE_BISHOP; break;
        case 'N': type = PIECE_KNIGHT; break;
        default: break;
        }
        if (type != PIECE_PAWN)
            text.erase(0, 1);
    }

    // What is left restricts the origin: a whole square, a file or a rank.
    int fixedColumn = -1;
    int fixedRow = -1;
    if (text.size() == 2)
    {
        CCoordinate origin;
        origin.Parse(text[0], text[1]);
        fixedColumn = origin.x;
        fixedRow = origin.y;
    }
    else if (text.size() == 1)
    {
        if (text[0] >= 'a' && text[0] <= 'h')
            fixedColumn = 'h' - text[0];
        else
            fixedRow = static_cast<unsigned char>(text[0]) - '1';
    }

    // The promotion letter applies to this move only; the default returns
    // to what it was afterwards.
    const int32_t savedDefault = m_DefaultPromotion;
    if (promotion != 0)
        m_DefaultPromotion = promotion;
    PromotionChooser chooser = std::move(m_Chooser);
    m_Chooser = nullptr;

    bool played = false;
    const Colour side = SideToMove();
    for (int index = 0; index < 64 && !played; ++index)
    {
        const CCoordinate origin = CCoordinate::FromIndex(index);
        if ((fixedColumn != -1 && origin.x != fixedColumn) || (fixedRow != -1 && origin.y != fixedRow))
            continue;
        if (origin == destination)
            continue;
        const PieceCode code = PieceAt(origin);
        if (code == 0 || ColourOfCode(code) != side || TypeOfCode(code) != type)
            continue;
        played = MakeMove(CMove(origin, destination), true);
    }

    m_Chooser = std::move(chooser);
    m_DefaultPromotion = savedDefault;
    return played;
}
