#include "BughouseRecord.h"

#include "BpgnExport.h"
#include "BpgnReader.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace
{
// One team's names for a list of games: "Ann & Bob", or "Ann" when one plays
// both boards. Team 0 is WhiteA and BlackB, team 1 BlackA and WhiteB.
std::string TeamText(const CBpgnGame& game, int team)
{
    const std::string first = game.Player(0, team == 0 ? COLOUR_WHITE : COLOUR_BLACK);
    const std::string second = game.Player(1, team == 0 ? COLOUR_BLACK : COLOUR_WHITE);
    return first == second ? first : first + " & " + second;
}

CPgnIndexEntry IndexEntryOf(const CBpgnGame& game)
{
    CPgnIndexEntry entry;
    entry.number = game.number;
    entry.tags = {{"White", TeamText(game, 0)},
                  {"Black", TeamText(game, 1)},
                  {"Result", game.result},
                  {"Event", game.Tag("Event")},
                  {"Date", game.Tag("Date")}};
    return entry;
}
} // namespace

void CBughouseRecord::Begin(const std::array<QString, 4>& players, int64_t gameTimeMs, bool kingCapture,
                            const QDate& date)
{
    m_Game = CBpgnGame();
    m_Game.number = 1;
    m_Game.SetTag("Event", "Pellomar II");
    m_Game.SetTag("Site", "?");
    m_Game.SetTag("Date", date.isValid() ? date.toString(QStringLiteral("yyyy.MM.dd")).toStdString() : "????.??.??");
    for (int i = 0; i < 4; ++i)
    {
        const QString& name = players[static_cast<size_t>(i)];
        m_Game.SetTag(CBpgnGame::PlayerTag(i / 2, i % 2 == 0 ? COLOUR_WHITE : COLOUR_BLACK),
                      name.isEmpty() ? std::string("?") : name.toStdString());
    }
    const auto timeMs = static_cast<int32_t>(std::clamp<int64_t>(gameTimeMs, 0, INT32_MAX));
    m_Game.SetTag("TimeControl", CBpgnGame::TimeControlText(timeMs, 0));
    if (kingCapture)
        m_Game.SetTag("KingCapture", "1");
    // A fresh game's result is the default "*" of CBpgnGame.
    m_Game.SetTag("Result", m_Game.result);
    m_Live.Reset(kingCapture);
    m_Shown.Reset(kingCapture);
    m_Ply = 0;
    m_Begun = true;
    m_Loaded = false;
    m_Broken = false;
}

void CBughouseRecord::Clear()
{
    m_Game = CBpgnGame();
    m_Live.Reset(false);
    m_Shown.Reset(false);
    m_Ply = 0;
    m_Begun = m_Loaded = m_Broken = false;
}

bool CBughouseRecord::AddMove(int board, const CMove& move, int32_t promotion, int32_t clockMs)
{
    CReplayedMove played;
    if (!m_Begun || m_Loaded || m_Broken || !m_Live.PlayMove(board, move, promotion, played))
    {
        m_Broken = m_Begun;
        return false;
    }
    return Add(board, played, clockMs);
}

bool CBughouseRecord::AddDrop(int board, PieceType type, const CCoordinate& square, int32_t clockMs)
{
    CReplayedMove played;
    if (!m_Begun || m_Loaded || m_Broken || !m_Live.PlayDrop(board, type, square, played))
    {
        m_Broken = m_Begun;
        return false;
    }
    return Add(board, played, clockMs);
}

bool CBughouseRecord::Add(int board, const CReplayedMove& played, int32_t clockMs)
{
    CBpgnMove move;
    move.board = board == 0 ? 0 : 1;
    // The side that moved is the one not to move now.
    move.side = OppositeColour(m_Live.Board(move.board).SideToMove());
    move.san = played.san;
    move.clockMs = std::max(0, clockMs);
    const bool atEnd = m_Ply == m_Game.moves.size();
    m_Game.moves.push_back(move);
    for (int b = 0; b < CBughouseBoards::kBoards; ++b)
        m_Game.finalFen[b] = m_Live.Fen(b);
    // While the game is watched live the shown boards follow it.
    if (atEnd)
    {
        m_Shown = m_Live;
        m_Ply = m_Game.moves.size();
    }
    return true;
}

void CBughouseRecord::SetResult(const std::string& result)
{
    if (!m_Begun || m_Loaded)
        return;
    m_Game.result = result;
    m_Game.SetTag("Result", result);
}

QString CBughouseRecord::Player(int board, Colour side) const
{
    const std::string name = m_Game.Player(board, side);
    return QString::fromStdString(name.empty() ? std::string("?") : name);
}

void CBughouseRecord::GoTo(size_t ply)
{
    if (!m_Begun)
        return;
    m_Ply = std::min(ply, Plies());
    if (m_Ply == Plies())
        m_Shown = m_Live;
    else
        (void)m_Game.Replay(m_Shown, nullptr, m_Ply);
}

std::optional<int32_t> CBughouseRecord::ClockAt(int board, Colour side) const
{
    for (size_t i = std::min(m_Ply, Plies()); i > 0; --i)
    {
        const CBpgnMove& move = m_Game.moves[i - 1];
        if (move.board == board && move.side == side)
            return move.clockMs;
    }
    return std::nullopt;
}

std::optional<int32_t> CBughouseRecord::GameTime() const
{
    int32_t baseMs = 0;
    int32_t increment = 0;
    if (!m_Game.TimeControl(baseMs, increment))
        return std::nullopt;
    return baseMs;
}

bool CBughouseRecord::Save(const QString& path) const
{
    // Written whole or not at all: a failed save leaves an older file as it was.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const std::string text = CBpgnExport::ExportGame(m_Game);
    if (file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()))
    {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

CBughouseRecord::LoadResult CBughouseRecord::Load(const QString& path, const GameChooser& choose)
{
    std::string text;
    std::string error;
    if (!CPgnReader::LoadFile(QFile::encodeName(path).toStdString(), text, error))
        return LoadResult::Unreadable;
    return LoadText(text, choose);
}

CBughouseRecord::LoadResult CBughouseRecord::LoadText(const std::string& text, const GameChooser& choose)
{
    if (!CBpgnReader::LooksLikeBpgn(text))
        return LoadResult::Unreadable;
    std::string fileError;
    std::vector<CBpgnGame> games = CBpgnReader::ReadAll(text, &fileError);
    if (!fileError.empty() || games.empty())
        return LoadResult::Unreadable;
    size_t chosen = 0;
    if (games.size() > 1)
    {
        std::vector<CPgnIndexEntry> index;
        index.reserve(games.size());
        for (const CBpgnGame& game : games)
            index.push_back(IndexEntryOf(game));
        const int choice = choose ? choose(index) : -1;
        if (choice < 0 || static_cast<size_t>(choice) >= games.size())
            return LoadResult::Cancelled;
        chosen = static_cast<size_t>(choice);
    }
    CBpgnGame& game = games[chosen];
    // A game that stops at a refused move is refused whole: what is browsed
    // is what the file says.
    CBughouseBoards live;
    if (game.error || !game.Replay(live))
        return LoadResult::Unreadable;
    m_Game = std::move(game);
    m_Live = live;
    m_Begun = m_Loaded = true;
    m_Broken = false;
    GoTo(Plies());
    return LoadResult::Loaded;
}
