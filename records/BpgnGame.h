#pragma once

#include "ChessTypes.h"
#include "PgnGame.h"
#include "SanText.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CBughouseBoards;

// One move or drop of a bughouse game: the board it was made on, the side
// that made it, its text as the rules core writes it ("Nxf7+", "P@e4"), the
// mover's time left after it, and any comment.
struct CBpgnMove
{
    int board = 0; // 0 board A, 1 board B
    Colour side = COLOUR_WHITE;
    CSanText san;
    std::optional<int32_t> clockMs;
    std::string comment; // white space folded
    bool operator==(const CBpgnMove&) const = default;
};

// A bughouse game as bughouse servers export it (BPGN): tags with the four
// players (WhiteA, BlackA, WhiteB, BlackB; WhiteA and BlackB are partners),
// the time control and the result, and the moves and drops of both boards in
// the order they were made. The result is that of WhiteA's team: "1-0" means
// WhiteA and BlackB won.
class CBpgnGame
{
public:
    // "WhiteA", "BlackA", "WhiteB" or "BlackB".
    [[nodiscard]] static std::string PlayerTag(int board, Colour side);
    [[nodiscard]] std::string Player(int board, Colour side) const { return Tag(PlayerTag(board, side)); }

    // The value of a tag, names compared without regard to case; empty when absent.
    [[nodiscard]] std::string Tag(std::string_view name) const;
    [[nodiscard]] const CPgnTag* FindTag(std::string_view name) const;
    // Replaces the value of the tag of that name (any case) or appends one.
    void SetTag(std::string_view name, std::string_view value);

    // Whether the game was played with the king-capture rule (tag KingCapture "1").
    [[nodiscard]] bool KingCapture() const { return Tag("KingCapture") == "1"; }
    // The time control "180+0" (seconds and increment) as milliseconds; false
    // when the tag is missing or not of that form.
    [[nodiscard]] bool TimeControl(int32_t& baseMs, int32_t& incrementSeconds) const;
    // "180+0".
    [[nodiscard]] static std::string TimeControlText(int32_t baseMs, int32_t incrementSeconds);

    // Plays the first `plies` moves (all when larger) onto the boards from the
    // initial position. False when one is refused: the moves before it stay
    // played and `error` says which.
    bool Replay(CBughouseBoards& boards, std::string* error = nullptr, size_t plies = SIZE_MAX) const;

    int number = 0; // 1-based place in its file
    std::vector<CPgnTag> tags;
    std::string leadingComment; // comments before the first move
    std::vector<CBpgnMove> moves;
    std::string result = "*";
    std::string finalFen[2];        // each board with its holdings after the last move read
    std::optional<CPgnError> error; // set when the game could not be read to its end
};
