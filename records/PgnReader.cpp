#include "PgnReader.h"

#include "FenText.h"
#include "PgnCommand.h"
#include "SanMove.h"

#include <algorithm>
#include <fstream>
#include <thread>

namespace
{
constexpr size_t kNone = static_cast<size_t>(-1);

bool AllDigits(std::string_view text)
{
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return !text.empty();
}

std::string Quoted(std::string_view text)
{
    return CPgnTokenizer::Quote(text);
}

void AppendFolded(std::string& target, std::string_view text)
{
    CPgnTokenizer::AppendComment(target, text);
}

// The NAG of an annotation mark: ! $1, ? $2, !! $3, ?? $4, !? $5, ?! $6.
int NagOfMark(std::string_view mark)
{
    if (mark == "!")
        return 1;
    if (mark == "?")
        return 2;
    if (mark == "!!")
        return 3;
    if (mark == "??")
        return 4;
    if (mark == "!?")
        return 5;
    return 6;
}

const char* MatchMessage(CSanMove::Match match)
{
    switch (match)
    {
    case CSanMove::Match::Ambiguous: return "ambiguous move ";
    case CSanMove::Match::PromotionMissing: return "promotion piece missing in ";
    case CSanMove::Match::NotAPromotion: return "promotion piece on a move that is no promotion: ";
    default: return "illegal move ";
    }
}
} // namespace

// The state of one game while it is read. In an index pass (no game) only the
// tags are kept and the moves are not replayed; the game ends in the same
// place either way.
struct CPgnReader::CGameParse
{
    CPgnGame* game = nullptr;
    CPgnIndexEntry* entry = nullptr;
    bool inMovetext = false;          // past the tag section
    bool fenOk = true;                // the start position is known
    bool failed = false;              // an error was met: the rest of the game is only skipped
    int depth = 0;                    // variations open, counted the same way whatever happened
    std::vector<CPgnVariation*> open; // open variations, innermost last
    int variationMoves = 0;
    int32_t startFullMove = 1; // of the start position
    bool startBlack = false;   // Black moves first
    size_t start = kNone;
    size_t end = 0;

    // The full move number of the position after `plies` moves.
    [[nodiscard]] int32_t FullMoveNumber(size_t plies) const
    {
        return startFullMove + static_cast<int32_t>((plies + (startBlack ? 1 : 0)) / 2);
    }
};

CPgnReader::CPgnReader(std::string_view text) : m_Tokens(text)
{
    if (text.size() > kMaxTextBytes)
    {
        m_FileError = "the text is larger than " + std::to_string(kMaxTextBytes >> 20) + " MiB";
        m_Done = true;
    }
}

bool CPgnReader::ReadGame(CPgnGame& game)
{
    // A game read into the same object again reuses its room for moves.
    std::vector<CPgnMove> moves = std::move(game.moves);
    moves.clear();
    game = CPgnGame{};
    game.moves = std::move(moves);
    CGameParse parse;
    parse.game = &game;
    return Parse(parse);
}

bool CPgnReader::ReadIndexEntry(CPgnIndexEntry& entry)
{
    entry = CPgnIndexEntry{};
    CGameParse parse;
    parse.entry = &entry;
    return Parse(parse);
}

bool CPgnReader::Parse(CGameParse& p)
{
    if (m_Done)
        return false;
    if (m_Games >= kMaxGames)
    {
        m_Done = true;
        if (m_Tokens.Next() != PgnToken::End)
            m_FileError = "the text holds more than " + std::to_string(kMaxGames) + " games; the rest is not read";
        return false;
    }

    bool sawGame = false; // more than comments
    for (;;)
    {
        const PgnToken token = m_Tokens.Next();
        const size_t offset = m_Tokens.Offset();
        if (token == PgnToken::End)
            break;
        if (token == PgnToken::TagOpen && p.inMovetext)
        {
            // Tags after movetext begin the next game.
            m_Tokens.Rewind(offset);
            break;
        }
        if (p.start == kNone)
            p.start = offset;
        if (token != PgnToken::Comment)
            sawGame = true;
        if (token != PgnToken::TagOpen && token != PgnToken::Comment && !p.inMovetext)
        {
            p.inMovetext = true;
            StartMovetext(p);
        }

        const std::string_view text = m_Tokens.Text();
        const bool reading = p.game && !p.failed;
        bool ended = false;
        switch (token)
        {
        case PgnToken::TagOpen: ReadTag(p); break;
        case PgnToken::Comment:
            if (reading)
                AddComment(p, text);
            break;
        case PgnToken::Symbol:
            // A result ends the game; inside a variation (where some annotators
            // write one at the end of a line) it is passed over.
            if (CPgnGame::IsResultToken(text))
            {
                if (p.depth == 0)
                {
                    if (p.game)
                        p.game->result = text;
                    ended = true;
                }
            }
            else if (reading)
            {
                HandleSymbol(p, text);
            }
            break;
        case PgnToken::Period: break;
        case PgnToken::Nag:
            if (reading)
                AddNag(p, std::stoi(std::string(text)));
            break;
        case PgnToken::Annotation:
            if (reading)
                AddNag(p, NagOfMark(text));
            break;
        case PgnToken::VariationOpen:
            ++p.depth;
            if (reading)
                OpenVariation(p);
            break;
        case PgnToken::VariationClose:
            p.depth = std::max(0, p.depth - 1);
            if (reading)
            {
                if (p.open.empty())
                    SetError(p, "\")\" without a variation to close", offset);
                else
                    p.open.pop_back();
            }
            break;
        case PgnToken::String: SetError(p, "text in quotes outside a tag: " + Quoted(text), offset); break;
        case PgnToken::TagClose: SetError(p, "\"]\" outside a tag", offset); break;
        case PgnToken::Error:
            SetError(p, std::string(m_Tokens.ErrorText()) + (text.empty() ? "" : ": " + Quoted(text)), offset);
            break;
        case PgnToken::End: break;
        }
        p.end = m_Tokens.Position();
        if (ended)
            break;
    }
    if (!sawGame)
    {
        m_Done = true;
        return false;
    }
    if (!p.inMovetext)
        StartMovetext(p); // a game of tags only still has its start position
    if (p.game && !p.open.empty())
        SetError(p, "variation not closed", p.end);
    ++m_Games;
    if (p.game)
    {
        p.game->number = m_Games;
        if (p.game->error)
            p.game->error->game = m_Games;
        if (p.fenOk)
            p.game->finalFen = CFenText::WriteFen(m_Position.State(), p.FullMoveNumber(p.game->moves.size()));
    }
    if (p.entry)
    {
        p.entry->number = m_Games;
        p.entry->offset = p.start;
        p.entry->length = p.end - p.start;
    }
    return true;
}

bool CPgnReader::ReadTag(CGameParse& p)
{
    const size_t offset = m_Tokens.Offset();
    std::string_view name;
    std::string value;
    if (const char* fault = m_Tokens.ReadTag(name, value))
    {
        SetError(p, fault, offset);
        m_Tokens.SkipLine();
        return false;
    }
    if (!CPgnTag::StoreRead(p.game ? p.game->tags : p.entry->tags, name, std::move(value), kMaxTags))
    {
        SetError(p, "more than " + std::to_string(kMaxTags) + " tags", offset);
        return false;
    }
    return true;
}

void CPgnReader::StartMovetext(CGameParse& p)
{
    if (!p.game)
        return;
    CPgnGame& game = *p.game;
    const CPgnTag* fen = game.FindTag("FEN");
    if (!fen)
    {
        m_Position.Reset();
        if (game.Tag("SetUp") == "1")
        {
            p.fenOk = false;
            SetError(p, "SetUp tag without a FEN tag", m_Tokens.Offset());
        }
        return;
    }
    std::string why;
    if (!CFenText::ReadFen(m_Position, fen->value, &why))
    {
        p.fenOk = false;
        SetError(p, "bad FEN tag: " + why, m_Tokens.Offset());
        return;
    }
    p.startFullMove = m_Position.FullMoveNumber();
    p.startBlack = m_Position.SideToMove() == COLOUR_BLACK;
    game.startFen = CFenText::WriteFen(m_Position);
}

void CPgnReader::HandleSymbol(CGameParse& p, std::string_view symbol)
{
    if (AllDigits(symbol))
        return; // a move number: its value is not checked
    if (p.open.empty())
        PlayMainLine(p, symbol);
    else
        AddVariationMove(p, symbol);
}

void CPgnReader::PlayMainLine(CGameParse& p, std::string_view symbol)
{
    CSanMove san;
    if (!CSanMove::Parse(symbol, san))
    {
        std::string why;
        CSanMove::Parse(symbol, san, &why);
        SetError(p, why + ": " + Quoted(symbol), m_Tokens.Offset());
        return;
    }
    std::vector<CPgnMove>& moves = p.game->moves;
    if (moves.size() >= static_cast<size_t>(kMaxPlies))
    {
        SetError(p, "the game is longer than " + std::to_string(kMaxPlies) + " plies", m_Tokens.Offset());
        return;
    }
    // Every move is found among the legal ones and played through the rules
    // core; the game's status (mate, stalemate, draws) is not needed while
    // reading and is left to whoever plays the game onto a board.
    CReplayedMove played;
    const SanMatch match = m_Position.ReplaySan(san, played);
    if (match != SanMatch::Legal)
    {
        SetError(p, MatchMessage(match) + Quoted(symbol), m_Tokens.Offset());
        return;
    }
    moves.emplace_back().san = played.san;
}

void CPgnReader::AddVariationMove(CGameParse& p, std::string_view symbol)
{
    const size_t offset = m_Tokens.Offset();
    CSanMove san;
    std::string why;
    if (!CSanMove::Parse(symbol, san, &why))
    {
        SetError(p, why + " in a variation: " + Quoted(symbol), offset);
        return;
    }
    if (++p.variationMoves > kMaxVariationMoves)
    {
        SetError(p, "more than " + std::to_string(kMaxVariationMoves) + " moves in variations", offset);
        return;
    }
    CPgnNode& node = p.open.back()->moves.emplace_back();
    if (san.castling == CSanMove::Castling::None)
    {
        node.san = symbol;
    }
    else
    {
        node.san = san.castling == CSanMove::Castling::KingSide ? "O-O" : "O-O-O";
        if (symbol.back() == '+' || symbol.back() == '#')
            node.san += symbol.back();
    }
}

void CPgnReader::AddComment(CGameParse& p, std::string_view text)
{
    CPgnGame& game = *p.game;
    if (!p.open.empty())
    {
        CPgnVariation& variation = *p.open.back();
        AppendFolded(variation.moves.empty() ? variation.leadingComment : variation.moves.back().comment, text);
        return;
    }
    if (game.moves.empty())
    {
        AppendFolded(game.leadingComment, text);
        return;
    }
    // The commands are read from all the move's comments as one, as they are
    // written back.
    CPgnMove& move = game.moves.back();
    CPgnNotes& notes = move.EditNotes();
    AppendFolded(notes.comment, text);
    if (notes.comment.find("[%") != std::string::npos)
    {
        move.clockMs = CPgnCommand::ReadClock(notes.comment);
        notes.eval = CPgnCommand::ReadEval(notes.comment);
    }
    move.TrimNotes();
}

void CPgnReader::AddNag(CGameParse& p, int nag)
{
    std::vector<uint8_t>* nags = nullptr;
    if (!p.open.empty())
    {
        if (!p.open.back()->moves.empty())
            nags = &p.open.back()->moves.back().nags;
    }
    else if (!p.game->moves.empty())
    {
        nags = &p.game->moves.back().EditNotes().nags;
    }
    if (!nags)
    {
        SetError(p, "an annotation must follow a move", m_Tokens.Offset());
        return;
    }
    nags->push_back(static_cast<uint8_t>(nag));
}

void CPgnReader::OpenVariation(CGameParse& p)
{
    const size_t offset = m_Tokens.Offset();
    if (static_cast<int>(p.open.size()) >= kMaxVariationDepth)
    {
        SetError(p, "variations nested deeper than " + std::to_string(kMaxVariationDepth), offset);
        return;
    }
    std::vector<CPgnVariation>* parent = nullptr;
    if (!p.open.empty())
    {
        if (!p.open.back()->moves.empty())
            parent = &p.open.back()->moves.back().variations;
    }
    else if (!p.game->moves.empty())
    {
        parent = &p.game->moves.back().EditNotes().variations;
    }
    if (!parent)
    {
        SetError(p, "a variation must follow a move", offset);
        return;
    }
    // Only the innermost open variation grows, so the pointers to the outer
    // ones stay valid.
    p.open.push_back(&parent->emplace_back());
}

void CPgnReader::SetError(CGameParse& p, const std::string& message, size_t offset)
{
    if (!p.game || p.failed)
        return;
    p.failed = true;
    CPgnError error;
    error.game = m_Games + 1;
    if (p.inMovetext && p.fenOk)
    {
        error.moveNumber = p.FullMoveNumber(p.game->moves.size());
        error.side = m_Position.SideToMove();
    }
    error.line = m_Tokens.LineAt(offset);
    error.message = message;
    p.game->error = error;
}

// The games one thread read, and where it stopped: the index of the split
// point at which the next game begins, or none at the end of the text.
struct CPgnReader::CPart
{
    std::vector<CPgnGame> games;
    std::string fileError;
    size_t stop = kNone;
};

void CPgnReader::ReadPart(std::string_view text, const std::vector<size_t>& splits, size_t index, CPart& part)
{
    CPgnReader reader(text);
    reader.m_Tokens.Rewind(std::max(splits[index], reader.m_Tokens.Position()));
    for (;;)
    {
        const size_t next = reader.m_Tokens.PeekOffset();
        const auto later = std::find(splits.begin() + static_cast<std::ptrdiff_t>(index) + 1, splits.end(), next);
        if (later != splits.end())
        {
            part.stop = static_cast<size_t>(later - splits.begin());
            break;
        }
        CPgnGame game;
        if (!reader.ReadGame(game))
            break;
        game.moves.shrink_to_fit(); // kept for long: no room to spare
        part.games.push_back(std::move(game));
    }
    part.fileError = reader.FileError();
}

CPgnReadResult CPgnReader::ReadAll(std::string_view text, int threads)
{
    CPgnReadResult result;
    if (threads <= 0)
    {
        const int cores = static_cast<int>(std::thread::hardware_concurrency());
        threads = text.size() < kParallelBytes || text.size() > kMaxTextBytes ? 1 : std::clamp(cores, 1, kMaxThreads);
    }
    // Split points: the start, then the first line opening a tag after an
    // empty line past each share of the text. A split point that is not where
    // the game before it ends is passed over by the thread reading that game.
    std::vector<size_t> splits = {0};
    for (int k = 1; k < threads; ++k)
    {
        for (size_t at = text.find("\n[", text.size() / static_cast<size_t>(threads) * static_cast<size_t>(k));
             at != std::string_view::npos; at = text.find("\n[", at + 1))
        {
            const bool afterEmptyLine =
                at >= 1 && (text[at - 1] == '\n' || (at >= 2 && text[at - 1] == '\r' && text[at - 2] == '\n'));
            if (afterEmptyLine)
            {
                if (at + 1 > splits.back())
                    splits.push_back(at + 1);
                break;
            }
        }
    }

    std::vector<CPart> parts(splits.size());
    {
        std::vector<std::thread> workers;
        for (size_t k = 1; k < splits.size(); ++k)
            workers.emplace_back([&, k] { ReadPart(text, splits, k, parts[k]); });
        ReadPart(text, splits, 0, parts[0]);
        for (std::thread& worker : workers)
            worker.join();
    }

    // The parts that follow each other from the start, numbered as one.
    for (size_t k = 0; k != kNone; k = parts[k].stop)
    {
        for (CPgnGame& game : parts[k].games)
            result.games.push_back(std::move(game));
        if (!parts[k].fileError.empty())
            result.fileError = parts[k].fileError;
    }
    if (static_cast<int>(result.games.size()) > kMaxGames)
    {
        result.games.resize(static_cast<size_t>(kMaxGames));
        result.fileError = "the text holds more than " + std::to_string(kMaxGames) + " games; the rest is not read";
    }
    for (size_t i = 0; i < result.games.size(); ++i)
    {
        CPgnGame& game = result.games[i];
        game.number = static_cast<int>(i + 1);
        if (game.error)
            game.error->game = game.number;
    }
    return result;
}

std::vector<CPgnIndexEntry> CPgnReader::ReadIndex(std::string_view text, std::string* fileError)
{
    std::vector<CPgnIndexEntry> index;
    CPgnReader reader(text);
    CPgnIndexEntry entry;
    while (reader.ReadIndexEntry(entry))
        index.push_back(std::move(entry));
    if (fileError)
        *fileError = reader.FileError();
    return index;
}

CPgnGame CPgnReader::ReadIndexedGame(std::string_view text, const CPgnIndexEntry& entry)
{
    CPgnGame game;
    if (entry.offset > text.size() || entry.length > text.size() - entry.offset)
        return game;
    // The game's text read on its own, from where the whole text would read it.
    CPgnReader reader(text.substr(0, entry.offset + entry.length));
    reader.m_Tokens.Rewind(entry.offset);
    reader.m_Games = entry.number - 1;
    reader.ReadGame(game);
    return game;
}

bool CPgnReader::LoadFile(const std::string& fileName, std::string& text, std::string& error)
{
    std::ifstream in(fileName, std::ios::binary | std::ios::ate);
    if (!in)
    {
        error = "cannot open " + fileName;
        return false;
    }
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<uint64_t>(size) > kMaxTextBytes)
    {
        error = size < 0 ? "cannot read " + fileName
                         : fileName + " is larger than " + std::to_string(kMaxTextBytes >> 20) + " MiB";
        return false;
    }
    text.resize(static_cast<size_t>(size));
    in.seekg(0);
    if (!in.read(text.data(), static_cast<std::streamsize>(size)))
    {
        error = "cannot read " + fileName;
        return false;
    }
    return true;
}
