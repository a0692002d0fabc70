#pragma once

#include "ChessPosition.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The two boards of a bughouse game, played move by move through the rules
// core: drops are allowed on both, and a piece taken on one board goes to the
// holdings of its colour on the other (a promoted piece as a pawn), as the
// bughouse game passes it to the partner. Both boards start from the initial
// position with empty holdings.
class CBughouseBoards
{
public:
    static constexpr int kBoards = 2; // 0 is board A, 1 board B

    explicit CBughouseBoards(bool kingCapture = false);
    // A copy keeps the rule options, which a position's own copy leaves out.
    CBughouseBoards(const CBughouseBoards& other);
    CBughouseBoards& operator=(const CBughouseBoards& other);
    ~CBughouseBoards() = default;

    // Both boards back to the initial position, holdings empty.
    void Reset();
    // The same with the king-capture rule on or off.
    void Reset(bool kingCapture)
    {
        m_KingCapture = kingCapture;
        Reset();
    }
    [[nodiscard]] bool KingCapture() const { return m_KingCapture; }

    // A board's position; of its status flags only check is kept current
    // while moves are played: Judge computes the others.
    [[nodiscard]] const CChessPosition& Board(int board) const { return m_Boards[Index(board)]; }
    // Moves and drops made on a board so far.
    [[nodiscard]] int Plies(int board) const { return m_Plies[Index(board)]; }
    // The full move number of a board's position.
    [[nodiscard]] int32_t FullMoveNumber(int board) const { return 1 + Plies(board) / 2; }
    // Checkmate or stalemate of the side to move on a board (draw rules do
    // not apply on bughouse boards).
    [[nodiscard]] CJudgement Judge(int board);

    // A board move of the side to move on `board`, through the rules core;
    // false when the rules refuse it, and then nothing changes. `promotion`
    // is the piece a pawn reaching the last row becomes (0: a queen).
    bool PlayMove(int board, const CMove& move, int32_t promotion, CReplayedMove& played);
    // A drop by the side to move on `board`; refused as the rules refuse it.
    bool PlayDrop(int board, PieceType type, const CCoordinate& square, CReplayedMove& played);
    // A move written as text by the side to move on `board`: SAN (as the PGN
    // standard writes it) or a drop such as "N@f3". False when the text is not
    // a move or the move is refused; `why` then says what is wrong, such as
    // "no knight in hand".
    bool PlayText(int board, std::string_view text, CReplayedMove& played, std::string* why = nullptr);

    // The FEN of a board with its holdings in brackets after the placement,
    // White's pieces first: "rnbqkbnr/.../RNBQKBNR[QPn] w KQkq - 0 5".
    [[nodiscard]] std::string Fen(int board) const;
    // The holdings of a board as letters, White's upper case first: "QPn".
    [[nodiscard]] std::string HoldingsText(int board) const;

    // "A" or "B".
    [[nodiscard]] static char BoardLetter(int board) { return board == 0 ? 'A' : 'B'; }
    // Reads a drop such as "N@f3" or "P@e4+" (a final "+" or "#" is not
    // checked; the piece letter may be lower case); false when it is none.
    static bool ParseDrop(std::string_view text, PieceType& type, CCoordinate& square);

private:
    [[nodiscard]] static int Index(int board) { return board == 0 ? 0 : 1; }
    // Hands a piece taken on `board` to the other board.
    void PassCapture(int board, Colour mover, const CReplayedMove& played);

    std::array<CChessPosition, kBoards> m_Boards;
    std::array<int, kBoards> m_Plies{};
    bool m_KingCapture = false;
};
