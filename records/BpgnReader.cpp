#include "BpgnReader.h"

#include <algorithm>

namespace
{
bool AllDigits(std::string_view text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return !text.empty();
}

std::string BoardName(int board)
{
    return std::string("board ") + CBughouseBoards::BoardLetter(board);
}
} // namespace

// The state of one game while it is read.
struct CBpgnReader::CGameParse
{
    CBpgnGame* game = nullptr;
    bool inMovetext = false; // past the tag section
    bool failed = false;     // an error was met: the rest of the game is only skipped
    int depth = 0;           // variations open (not read, but their results do not end the game)
    int board = -1;          // board of the label read for the next move, -1 when none
    Colour side = COLOUR_NONE;
    size_t labelOffset = 0;
};

CBpgnReader::CBpgnReader(std::string_view text) : m_Tokens(text, true, true)
{
    if (text.size() > kMaxTextBytes)
    {
        m_FileError = "the text is larger than " + std::to_string(kMaxTextBytes >> 20) + " MiB";
        m_Done = true;
    }
}

bool CBpgnReader::ReadGame(CBpgnGame& game)
{
    game = CBpgnGame{};
    if (m_Done)
        return false;
    if (m_Games >= kMaxGames)
    {
        m_Done = true;
        if (m_Tokens.Next() != PgnToken::End)
            m_FileError = "the text holds more than " + std::to_string(kMaxGames) + " games; the rest is not read";
        return false;
    }

    CGameParse p;
    p.game = &game;
    m_Boards.Reset(false);
    bool sawGame = false;
    for (;;)
    {
        const PgnToken token = m_Tokens.Next();
        const size_t offset = m_Tokens.Offset();
        if (token == PgnToken::End)
            break;
        if (token == PgnToken::TagOpen && p.inMovetext)
        {
            m_Tokens.Rewind(offset); // tags after movetext begin the next game
            break;
        }
        if (token != PgnToken::Comment)
            sawGame = true;
        if (token != PgnToken::TagOpen && token != PgnToken::Comment && !p.inMovetext)
        {
            p.inMovetext = true;
            m_Boards.Reset(game.KingCapture());
            if (!game.Tag("FEN").empty() || game.Tag("SetUp") == "1")
                SetError(p, "a bughouse game starts from the initial position: set-up positions are not read", offset);
        }

        const std::string_view text = m_Tokens.Text();
        bool ended = false;
        switch (token)
        {
        case PgnToken::TagOpen: ReadTag(p); break;
        case PgnToken::Comment:
            if (!p.failed && p.depth == 0)
                AddComment(p, text);
            break;
        case PgnToken::Symbol:
            if (CPgnGame::IsResultToken(text))
            {
                if (p.depth == 0)
                {
                    game.result = text;
                    ended = true;
                }
            }
            else if (!p.failed && p.depth == 0)
            {
                HandleSymbol(p, text);
            }
            break;
        case PgnToken::Period:
        case PgnToken::Nag:
        case PgnToken::Annotation: break; // annotations are not kept
        case PgnToken::VariationOpen:
            if (p.depth++ == 0)
                SetError(p, "variations are not read in bughouse games", offset);
            break;
        case PgnToken::VariationClose:
            if (p.depth == 0)
                SetError(p, "\")\" without a variation to close", offset);
            p.depth = std::max(0, p.depth - 1);
            break;
        case PgnToken::String:
            SetError(p, "text in quotes outside a tag: " + CPgnTokenizer::Quote(text), offset);
            break;
        case PgnToken::TagClose: SetError(p, "\"]\" outside a tag", offset); break;
        case PgnToken::Error:
            SetError(p, std::string(m_Tokens.ErrorText()) + (text.empty() ? "" : ": " + CPgnTokenizer::Quote(text)),
                     offset);
            break;
        case PgnToken::End: break;
        }
        if (ended)
            break;
    }
    if (!sawGame)
    {
        m_Done = true;
        return false;
    }
    if (!p.inMovetext)
        m_Boards.Reset(game.KingCapture());
    if (p.board >= 0)
        SetError(p, "a move number without its move", p.labelOffset);
    ++m_Games;
    game.number = m_Games;
    if (game.error)
        game.error->game = m_Games;
    for (int board = 0; board < CBughouseBoards::kBoards; ++board)
        game.finalFen[board] = m_Boards.Fen(board);
    return true;
}

void CBpgnReader::ReadTag(CGameParse& p)
{
    const size_t offset = m_Tokens.Offset();
    std::string_view name;
    std::string value;
    if (const char* fault = m_Tokens.ReadTag(name, value))
    {
        SetError(p, fault, offset);
        m_Tokens.SkipLine();
        return;
    }
    if (!CPgnTag::StoreRead(p.game->tags, name, std::move(value), kMaxTags))
    {
        SetError(p, "more than " + std::to_string(kMaxTags) + " tags", offset);
        return;
    }
}

bool CBpgnReader::ReadLabel(std::string_view symbol, int& board, Colour& side)
{
    if (symbol.size() < 2 || !AllDigits(symbol.substr(0, symbol.size() - 1)))
        return false;
    switch (symbol.back())
    {
    case 'A': board = 0, side = COLOUR_WHITE; return true;
    case 'a': board = 0, side = COLOUR_BLACK; return true;
    case 'B': board = 1, side = COLOUR_WHITE; return true;
    case 'b': board = 1, side = COLOUR_BLACK; return true;
    default: return false;
    }
}

void CBpgnReader::HandleSymbol(CGameParse& p, std::string_view symbol)
{
    const size_t offset = m_Tokens.Offset();
    int board = 0;
    Colour side = COLOUR_NONE;
    if (ReadLabel(symbol, board, side))
    {
        if (p.board >= 0)
        {
            SetError(p, "a move number without its move", p.labelOffset);
            return;
        }
        p.board = board;
        p.side = side;
        p.labelOffset = offset;
        return;
    }
    if (AllDigits(symbol))
    {
        SetError(p, "a move number without its board letter (A, a, B or b): " + CPgnTokenizer::Quote(symbol), offset);
        return;
    }
    PlayMove(p, symbol);
}

void CBpgnReader::PlayMove(CGameParse& p, std::string_view symbol)
{
    const size_t offset = m_Tokens.Offset();
    if (p.board < 0)
    {
        SetError(p, "a move without its number and board, such as 1A.: " + CPgnTokenizer::Quote(symbol), offset);
        return;
    }
    const int board = p.board;
    p.board = -1;
    std::vector<CBpgnMove>& moves = p.game->moves;
    if (moves.size() >= static_cast<size_t>(kMaxPlies))
    {
        SetError(p, "the game is longer than " + std::to_string(kMaxPlies) + " moves", offset, board);
        return;
    }
    const Colour toMove = m_Boards.Board(board).SideToMove();
    if (p.side != toMove)
    {
        SetError(p,
                 std::string("a move of ") + (p.side == COLOUR_WHITE ? "White" : "Black") + " where " +
                     (toMove == COLOUR_WHITE ? "White" : "Black") + " is to move: " + CPgnTokenizer::Quote(symbol),
                 offset, board);
        return;
    }
    CReplayedMove played;
    std::string why;
    if (!m_Boards.PlayText(board, symbol, played, &why))
    {
        SetError(p, why + ": " + CPgnTokenizer::Quote(symbol), offset, board);
        return;
    }
    CBpgnMove& move = moves.emplace_back();
    move.board = board;
    move.side = toMove;
    move.san = played.san;
}

std::optional<int32_t> CBpgnReader::ReadClock(std::string_view text)
{
    const size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    if (whole.empty() || whole.size() > 10 || !AllDigits(whole))
        return std::nullopt;
    int64_t seconds = 0;
    for (char c : whole)
        seconds = seconds * 10 + (c - '0');
    if (seconds > kMaxClockSeconds)
        return std::nullopt;
    int64_t ms = seconds * 1000;
    if (point != std::string_view::npos)
    {
        const std::string_view fraction = text.substr(point + 1);
        if (fraction.empty() || fraction.size() > 9 || !AllDigits(fraction))
            return std::nullopt;
        int64_t scale = 100;
        for (size_t i = 0; i < fraction.size() && i < 3; ++i, scale /= 10)
            ms += (fraction[i] - '0') * scale;
    }
    if (ms > INT32_MAX)
        return std::nullopt;
    return static_cast<int32_t>(ms);
}

void CBpgnReader::AddComment(CGameParse& p, std::string_view text)
{
    CBpgnGame& game = *p.game;
    if (game.moves.empty())
    {
        CPgnTokenizer::AppendComment(game.leadingComment, text);
        return;
    }
    // The first comment after a move that is nothing but a number is its clock.
    CBpgnMove& move = game.moves.back();
    if (!move.clockMs && move.comment.empty())
    {
        if (const auto clock = ReadClock(text))
        {
            move.clockMs = clock;
            return;
        }
    }
    CPgnTokenizer::AppendComment(move.comment, text);
}

void CBpgnReader::SetError(CGameParse& p, const std::string& message, size_t offset, int board)
{
    if (p.failed)
        return;
    p.failed = true;
    CPgnError error;
    error.game = m_Games + 1;
    error.line = m_Tokens.LineAt(offset);
    error.message = message;
    if (board >= 0)
    {
        error.moveNumber = m_Boards.FullMoveNumber(board);
        error.side = m_Boards.Board(board).SideToMove();
        error.message = BoardName(board) + ": " + message;
    }
    p.game->error = error;
}

std::vector<CBpgnGame> CBpgnReader::ReadAll(std::string_view text, std::string* fileError)
{
    std::vector<CBpgnGame> games;
    CBpgnReader reader(text);
    CBpgnGame game;
    while (reader.ReadGame(game))
        games.push_back(std::move(game));
    if (fileError)
        *fileError = reader.FileError();
    return games;
}

bool CBpgnReader::LooksLikeBpgn(std::string_view text)
{
    CPgnTokenizer tokens(text.substr(0, std::min(text.size(), kMaxTextBytes)), true, true);
    bool tagName = false;
    for (int count = 0; count < 4096; ++count)
    {
        const PgnToken token = tokens.Next();
        if (token == PgnToken::End)
            return false;
        if (token == PgnToken::TagOpen)
        {
            tagName = true;
            continue;
        }
        if (token == PgnToken::Symbol)
        {
            const std::string_view symbol = tokens.Text();
            if (tagName)
            {
                for (const char* name : {"WhiteA", "BlackA", "WhiteB", "BlackB"})
                    if (symbol == name)
                        return true;
            }
            else
            {
                int board = 0;
                Colour side = COLOUR_NONE;
                if (ReadLabel(symbol, board, side))
                    return true;
                if (!CPgnGame::IsResultToken(symbol))
                    return false; // the first move has no board letter
            }
        }
        tagName = false;
    }
    return false;
}
