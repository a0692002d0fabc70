#include "BughouseBoards.h"

#include "FenText.h"
#include "SanMove.h"

namespace
{
// Holdings are listed queen first, pawn last, as bughouse servers show them.
constexpr PieceType kHoldingOrder[] = {PIECE_QUEEN, PIECE_ROOK, PIECE_BISHOP, PIECE_KNIGHT, PIECE_PAWN};

char HoldingLetter(PieceType type, Colour colour)
{
    static constexpr char kLetters[] = "PRNBQ";
    const char upper = kLetters[type];
    return colour == COLOUR_WHITE ? upper : static_cast<char>(upper - 'A' + 'a');
}

const char* PieceName(PieceType type)
{
    switch (type)
    {
    case PIECE_ROOK: return "rook";
    case PIECE_KNIGHT: return "knight";
    case PIECE_BISHOP: return "bishop";
    case PIECE_QUEEN: return "queen";
    default: return "pawn";
    }
}

bool Fail(std::string* why, std::string text)
{
    if (why)
        *why = std::move(text);
    return false;
}
} // namespace

CBughouseBoards::CBughouseBoards(bool kingCapture) : m_KingCapture(kingCapture)
{
    Reset();
}

CBughouseBoards::CBughouseBoards(const CBughouseBoards& other)
{
    *this = other;
}

CBughouseBoards& CBughouseBoards::operator=(const CBughouseBoards& other)
{
    if (this == &other)
        return *this;
    m_KingCapture = other.m_KingCapture;
    m_Plies = other.m_Plies;
    for (size_t i = 0; i < m_Boards.size(); ++i)
    {
        m_Boards[i] = other.m_Boards[i];
        m_Boards[i].SetDropsOption(1);
        m_Boards[i].SetKingCaptureOption(m_KingCapture);
    }
    return *this;
}

void CBughouseBoards::Reset()
{
    for (CChessPosition& board : m_Boards)
    {
        board.Reset();
        board.SetDropsOption(1);
        board.SetKingCaptureOption(m_KingCapture);
        board.UpdateStatus();
    }
    m_Plies = {};
}

CJudgement CBughouseBoards::Judge(int board)
{
    CChessPosition& position = m_Boards[Index(board)];
    position.FinishReplay();
    return position.Judge(true);
}

void CBughouseBoards::PassCapture(int board, Colour mover, const CReplayedMove& played)
{
    if (!played.captured)
        return;
    m_Boards[Index(board) ^ 1].ReceivePiece(played.capturedPiece, OppositeColour(mover));
}

bool CBughouseBoards::PlayMove(int board, const CMove& move, int32_t promotion, CReplayedMove& played)
{
    CChessPosition& position = m_Boards[Index(board)];
    const Colour mover = position.SideToMove();
    if (!position.ReplayMove(move, promotion, played))
        return false;
    PassCapture(board, mover, played);
    ++m_Plies[Index(board)];
    return true;
}

bool CBughouseBoards::PlayDrop(int board, PieceType type, const CCoordinate& square, CReplayedMove& played)
{
    CChessPosition& position = m_Boards[Index(board)];
    if (!position.ReplayDrop(position.SideToMove(), type, square, played))
        return false;
    ++m_Plies[Index(board)];
    return true;
}

bool CBughouseBoards::PlayText(int board, std::string_view text, CReplayedMove& played, std::string* why)
{
    CChessPosition& position = m_Boards[Index(board)];
    PieceType type = PIECE_PAWN;
    CCoordinate square;
    if (text.find('@') != std::string_view::npos)
    {
        if (!ParseDrop(text, type, square))
            return Fail(why, "not a drop");
        if (PlayDrop(board, type, square, played))
            return true;
        const Colour side = position.SideToMove();
        if (position.Holdings(side, type) <= 0)
            return Fail(why, std::string("no ") + PieceName(type) + " in hand");
        if (type == PIECE_PAWN && (square.y == 0 || square.y == 7))
            return Fail(why, "pawn drop on the first or last rank");
        if (position.IsOccupied(square))
            return Fail(why, "drop on an occupied square");
        return Fail(why, "illegal drop");
    }
    CSanMove san;
    if (!CSanMove::Parse(text, san, why))
        return false;
    const Colour mover = position.SideToMove();
    switch (position.ReplaySan(san, played))
    {
    case SanMatch::Legal: break;
    case SanMatch::Ambiguous: return Fail(why, "ambiguous move");
    case SanMatch::PromotionMissing: return Fail(why, "promotion piece missing");
    case SanMatch::NotAPromotion: return Fail(why, "promotion piece on a move that is no promotion");
    case SanMatch::Illegal: return Fail(why, "illegal move");
    }
    PassCapture(board, mover, played);
    ++m_Plies[Index(board)];
    return true;
}

std::string CBughouseBoards::HoldingsText(int board) const
{
    const CChessPosition& position = m_Boards[Index(board)];
    std::string text;
    for (Colour colour : {COLOUR_WHITE, COLOUR_BLACK})
        for (PieceType type : kHoldingOrder)
            text.append(static_cast<size_t>(std::max(0, position.Holdings(colour, type))), HoldingLetter(type, colour));
    return text;
}

std::string CBughouseBoards::Fen(int board) const
{
    const CChessPosition& position = m_Boards[Index(board)];
    std::string fen = CFenText::WriteFen(position.State(), FullMoveNumber(board));
    fen.insert(fen.find(' '), '[' + HoldingsText(board) + ']');
    return fen;
}

bool CBughouseBoards::ParseDrop(std::string_view text, PieceType& type, CCoordinate& square)
{
    if (!text.empty() && (text.back() == '+' || text.back() == '#'))
        text.remove_suffix(1);
    if (text.size() != 4 || text[1] != '@')
        return false;
    switch (text[0])
    {
    case 'P':
    case 'p': type = PIECE_PAWN; break;
    case 'R':
    case 'r': type = PIECE_ROOK; break;
    case 'N':
    case 'n': type = PIECE_KNIGHT; break;
    case 'B':
    case 'b': type = PIECE_BISHOP; break;
    case 'Q':
    case 'q': type = PIECE_QUEEN; break;
    default: return false;
    }
    if (text[2] < 'a' || text[2] > 'h' || text[3] < '1' || text[3] > '8')
        return false;
    square.Parse(text[2], text[3]);
    return square.IsOnBoard();
}
