#pragma once

#include "BpgnGame.h"
#include "BughouseBoards.h"
#include "PgnTokenizer.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Reads bughouse games in the BPGN format of bughouse servers: tags, then the
// moves of both boards in the order they were made, each after its number and
// board letter ("12A." White on board A, "12a." Black on board A, "12B.",
// "12b."), drops written "P@e4", each move's clock as seconds in braces after
// it ("{178.950}"). Every move and drop is replayed through the rules core,
// with each capture handed to the other board. A game that cannot be read
// stops at its last legal move with an error naming the game, the board and
// the move; the games after it are still read. Everything is bounded like the
// PGN reader: the text, the games, the tags, every token, the moves.
class CBpgnReader
{
public:
    static constexpr size_t kMaxTextBytes = size_t{64} << 20;
    static constexpr int kMaxGames = 100000;
    static constexpr int kMaxTags = 512;
    // Moves and drops of both boards together.
    static constexpr int kMaxPlies = 2 * CChessPosition::kMaxRecordPlies;
    // Longest clock read: what fits in a signed 32-bit count of milliseconds.
    static constexpr int64_t kMaxClockSeconds = INT32_MAX / 1000;

    // The reader keeps a view of the text: the text must outlive it.
    explicit CBpgnReader(std::string_view text);

    // Reads the next game. False when no game is left (or the text was refused).
    bool ReadGame(CBpgnGame& game);
    // Set when the text is too large or holds too many games.
    [[nodiscard]] const std::string& FileError() const { return m_FileError; }

    // Every game of the text.
    [[nodiscard]] static std::vector<CBpgnGame> ReadAll(std::string_view text, std::string* fileError = nullptr);
    // Whether the text is a bughouse game file: its first tags name a bughouse
    // player (WhiteA, BlackA, WhiteB, BlackB) or its first move carries a
    // board letter.
    [[nodiscard]] static bool LooksLikeBpgn(std::string_view text);

    // A move's clock comment: seconds with up to three decimals (more are
    // cut), such as "178.95"; nothing else may stand in the braces.
    [[nodiscard]] static std::optional<int32_t> ReadClock(std::string_view comment);
    // A move number with its board letter, such as "12A" or "3b".
    static bool ReadLabel(std::string_view symbol, int& board, Colour& side);

private:
    struct CGameParse;

    void ReadTag(CGameParse& parse);
    void HandleSymbol(CGameParse& parse, std::string_view symbol);
    void PlayMove(CGameParse& parse, std::string_view symbol);
    void AddComment(CGameParse& parse, std::string_view text);
    void SetError(CGameParse& parse, const std::string& message, size_t offset, int board = -1);

    CPgnTokenizer m_Tokens;
    CBughouseBoards m_Boards;
    int m_Games = 0;
    bool m_Done = false;
    std::string m_FileError;
};
