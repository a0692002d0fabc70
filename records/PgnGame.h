#pragma once

#include "ChessTypes.h"
#include "PgnTag.h"
#include "SanText.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CChessPosition;

// An engine evaluation read from "[%eval ...]": pawns (kept in hundredths)
// or a mate in so many moves. Signs as written, from White's point of view.
struct CPgnEval
{
    int32_t centipawns = 0;
    int32_t mateIn = 0; // non-zero for a mate score: > 0 White mates, < 0 Black mates
    bool operator==(const CPgnEval&) const = default;
};

struct CPgnVariation;

// A move inside a variation: the SAN as written (annotation marks moved to
// the NAGs, castling with zeros written with letters), never played.
struct CPgnNode
{
    std::string san;
    std::string comment;
    std::vector<uint8_t> nags;
    std::vector<CPgnVariation> variations; // alternatives to this move
    bool operator==(const CPgnNode&) const;
};

// A recursive annotation variation: moves that could have been played
// instead of the move it is attached to, starting from the position before it.
struct CPgnVariation
{
    std::string leadingComment;
    std::vector<CPgnNode> moves;
    bool operator==(const CPgnVariation&) const = default;
};

// The annotations of a main-line move. Most moves have none, so a move keeps
// them apart and only when it has some.
struct CPgnNotes
{
    std::string comment;                   // brace and line comments after it, white space folded
    std::vector<uint8_t> nags;             // $n and the marks !, ?, !!, ??, !?, ?! as $1..$6
    std::optional<CPgnEval> eval;          // "[%eval ...]" after the move
    std::vector<CPgnVariation> variations; // alternatives to this move
    [[nodiscard]] bool Empty() const { return comment.empty() && nags.empty() && !eval && variations.empty(); }
    bool operator==(const CPgnNotes&) const = default;
};

// A main-line move as played, in a few bytes: a file of games holds millions.
class CPgnMove
{
public:
    CPgnMove() = default;
    explicit CPgnMove(std::string_view sanText, std::optional<int32_t> clock = std::nullopt)
        : san(sanText), clockMs(clock)
    {
    }
    CPgnMove(const CPgnMove& other);
    CPgnMove& operator=(const CPgnMove& other);
    CPgnMove(CPgnMove&&) noexcept = default;
    CPgnMove& operator=(CPgnMove&&) noexcept = default;
    ~CPgnMove() = default;

    // The annotations; an empty set when the move has none.
    [[nodiscard]] const CPgnNotes& Notes() const;
    // The annotations to change, made when first asked for.
    CPgnNotes& EditNotes();
    [[nodiscard]] bool HasNotes() const { return m_Notes != nullptr; }
    // Drops annotations that are all empty.
    void TrimNotes();

    // Annotations compare by content: none and an empty set are equal.
    bool operator==(const CPgnMove& other) const;

    CSanText san;                   // as the rules core writes it ("+" on a mate, no marks)
    std::optional<int32_t> clockMs; // "[%clk h:mm:ss]": the mover's time left after the move

private:
    std::unique_ptr<CPgnNotes> m_Notes;
};

// Where and why a game stopped being read.
struct CPgnError
{
    int game = 0;              // 1-based number of the game in its file
    int moveNumber = 0;        // full move number of the refused move; 0 when before the movetext
    Colour side = COLOUR_NONE; // whose move it was
    int line = 0;              // 1-based line of the text, 0 when unknown
    std::string message;       // what is wrong, such as: illegal move "Nf6"
    // "Game 2, move 14 (Black), line 57: illegal move "Nf6"".
    [[nodiscard]] std::string Text() const;
};

// One game of a PGN file: its tags in file order, the start position when
// set up, the main line as played with its annotations, the variations kept
// apart, and the result token.
class CPgnGame
{
public:
    // The value of a tag, names compared without regard to case; empty when absent.
    [[nodiscard]] std::string Tag(std::string_view name) const;
    [[nodiscard]] const CPgnTag* FindTag(std::string_view name) const;
    // Replaces the value of the tag of that name (any case) or appends one.
    void SetTag(std::string_view name, std::string_view value);
    void RemoveTag(std::string_view name);

    // Plays the game onto the position from its start (the FEN when set up).
    // False when the start or a move is refused; the moves before it stay played.
    bool Replay(CChessPosition& position, std::string* error = nullptr) const;

    // The game recorded on a position, from the start of its record to its
    // end whatever the current ply; no tags. The caller adds tags and clocks.
    [[nodiscard]] static CPgnGame FromPosition(const CChessPosition& position, std::string_view result);

    // "1-0", "0-1", "1/2-1/2" or "*".
    [[nodiscard]] static bool IsResultToken(std::string_view text);

    int number = 0; // 1-based place in its file
    std::vector<CPgnTag> tags;
    std::string startFen;       // FEN tag of a set-up game; empty for the initial position
    std::string leadingComment; // comments before the first move
    std::vector<CPgnMove> moves;
    std::string result = "*";       // the token that ended the movetext; "*" when missing
    std::string finalFen;           // after the last move read
    std::optional<CPgnError> error; // set when the game could not be read to its end
};
