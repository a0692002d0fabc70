#pragma once

#include "ChessPosition.h"
#include "PgnGame.h"
#include "PgnTokenizer.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// A game's tags and its place in the text, found without replaying its moves.
struct CPgnIndexEntry
{
    int number = 0; // 1-based
    std::vector<CPgnTag> tags;
    size_t offset = 0; // the game's text: [offset, offset + length)
    size_t length = 0;
};

// All the games of a text, or why none could be read.
struct CPgnReadResult
{
    std::vector<CPgnGame> games;
    std::string fileError; // the text as a whole was refused or cut short
};

// Reads PGN text in the standard's import format: any tags in any order
// (FEN and SetUp start from that position), movetext with or without move
// numbers, SAN with the common tolerances, comments (with [%clk] and
// [%eval]), NAGs and annotation marks, variations kept apart from the main
// line, several games a text. Each game is replayed through the rules core.
// A game that cannot be read stops at its last legal move with an error that
// names the game and the move; the games after it are still read.
// Everything is bounded: the text, the games, every token, the nesting.
class CPgnReader
{
public:
    static constexpr size_t kMaxTextBytes = size_t{64} << 20;
    static constexpr int kMaxGames = 100000;
    static constexpr int kMaxTags = 512;
    static constexpr int kMaxPlies = CChessPosition::kMaxRecordPlies;
    static constexpr int kMaxVariationDepth = 256;
    static constexpr int kMaxVariationMoves = 100000; // in all the variations of one game
    // Texts from this size on are read by more than one thread.
    static constexpr size_t kParallelBytes = size_t{1} << 20;
    static constexpr int kMaxThreads = 4;

    // The reader keeps a view of the text: the text must outlive it.
    explicit CPgnReader(std::string_view text);

    // Reads the next game. False when no game is left (or the text was refused).
    bool ReadGame(CPgnGame& game);
    // Finds the next game's tags and extent without replaying it.
    bool ReadIndexEntry(CPgnIndexEntry& entry);
    // Set when the text is too large or holds too many games.
    [[nodiscard]] const std::string& FileError() const { return m_FileError; }

    // Every game of the text. A large text is read by several threads (one
    // per core, at most kMaxThreads, or `threads` when given), each from a
    // likely game start; the result is the same as reading it in one pass.
    [[nodiscard]] static CPgnReadResult ReadAll(std::string_view text, int threads = 0);
    // The index of every game, for a list to choose from.
    [[nodiscard]] static std::vector<CPgnIndexEntry> ReadIndex(std::string_view text, std::string* fileError = nullptr);
    // The game an index entry of the same text points at.
    [[nodiscard]] static CPgnGame ReadIndexedGame(std::string_view text, const CPgnIndexEntry& entry);
    // Loads a whole file into `text`; refuses files that cannot be read or
    // are larger than the reader takes.
    static bool LoadFile(const std::string& fileName, std::string& text, std::string& error);

private:
    struct CGameParse;
    struct CPart;

    // Reads games from `start` until the next game would begin at one of the
    // later split points or the text ends.
    static void ReadPart(std::string_view text, const std::vector<size_t>& splits, size_t index, CPart& part);

    bool Parse(CGameParse& parse);
    bool ReadTag(CGameParse& parse);
    void StartMovetext(CGameParse& parse);
    void HandleSymbol(CGameParse& parse, std::string_view symbol);
    void PlayMainLine(CGameParse& parse, std::string_view symbol);
    void AddVariationMove(CGameParse& parse, std::string_view symbol);
    void AddComment(CGameParse& parse, std::string_view text);
    void AddNag(CGameParse& parse, int nag);
    void OpenVariation(CGameParse& parse);
    void SetError(CGameParse& parse, const std::string& message, size_t offset);

    CPgnTokenizer m_Tokens;
    CChessPosition m_Position;
    int m_Games = 0;
    bool m_Done = false;
    std::string m_FileError;
};
