#pragma once

#include "BpgnGame.h"
#include "BughouseBoards.h"
#include "PgnReader.h"

#include <QDate>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The record of one bughouse game, the one being played or the last one, or
// a game read from a BPGN file; and the ply at which it is browsed.
//
// While a game is played every move and drop is added as it is applied, with
// the mover's clock; the record plays it on boards of its own, so its texts
// are those of the rules core and a saved record always replays. Board 0 of
// the record is board A, whose white player's partner plays black on board B.
class CBughouseRecord
{
public:
    // What reading a file gave.
    enum class LoadResult
    {
        Loaded,
        Unreadable, // no file, too large, no bughouse game, or a move refused
        Cancelled,  // the file holds several games and none was chosen
    };

    // A new game: the players as WhiteA, BlackA, WhiteB, BlackB, the game time
    // (bughouse gives no increment), the king-capture rule and the day.
    void Begin(const std::array<QString, 4>& players, int64_t gameTimeMs, bool kingCapture, const QDate& date);
    // Nothing to show or save any more.
    void Clear();
    // A move or drop of the side to move on a board of the record. False when
    // the record's own board refuses it: then nothing is added, and the
    // record stops taking moves, so that what it holds still replays.
    bool AddMove(int board, const CMove& move, int32_t promotion, int32_t clockMs);
    bool AddDrop(int board, PieceType type, const CCoordinate& square, int32_t clockMs);
    // "1-0" (WhiteA's team won), "0-1", "1/2-1/2" or "*".
    void SetResult(const std::string& result);

    [[nodiscard]] bool IsEmpty() const { return !m_Begun; }
    [[nodiscard]] bool IsLoaded() const { return m_Loaded; }
    [[nodiscard]] const CBpgnGame& Game() const { return m_Game; }
    // The player of a colour on a board ("?" when unknown).
    [[nodiscard]] QString Player(int board, Colour side) const;

    // Browsing: the number of plies of both boards shown, from 0 to Plies().
    [[nodiscard]] size_t Plies() const { return m_Game.moves.size(); }
    [[nodiscard]] size_t Ply() const { return m_Ply; }
    [[nodiscard]] bool CanStepBack() const { return m_Begun && m_Ply > 0; }
    [[nodiscard]] bool CanStepForward() const { return m_Begun && m_Ply < Plies(); }
    // Shows the position after that many plies (at most all of them).
    void GoTo(size_t ply);
    // Both boards with their holdings after Ply() plies.
    [[nodiscard]] const CBughouseBoards& Shown() const { return m_Shown; }
    // The last clock of that player on that board up to Ply(); none when it
    // has not moved there yet or the record has no clock for it.
    [[nodiscard]] std::optional<int32_t> ClockAt(int board, Colour side) const;
    // The game time of the record's TimeControl, none when it has none.
    [[nodiscard]] std::optional<int32_t> GameTime() const;

    // Writes the record as BPGN; false when the file cannot be written.
    [[nodiscard]] bool Save(const QString& path) const;
    // Reads a BPGN file into the record, shown at its last ply. A file of
    // several games asks `choose` (the rows as a PGN file's index, with each
    // team's two names as White and Black) and takes the chosen one. Anything
    // but Loaded leaves the record as it was.
    using GameChooser = std::function<int(const std::vector<CPgnIndexEntry>& games)>;
    LoadResult Load(const QString& path, const GameChooser& choose);
    // The same from a BPGN text.
    LoadResult LoadText(const std::string& text, const GameChooser& choose);

private:
    bool Add(int board, const CReplayedMove& played, int32_t clockMs);

    CBpgnGame m_Game;
    CBughouseBoards m_Live;  // the boards after every move of the record
    CBughouseBoards m_Shown; // the boards after m_Ply plies
    size_t m_Ply = 0;
    bool m_Begun = false;
    bool m_Loaded = false;
    bool m_Broken = false; // a move was refused: no more are taken
};
