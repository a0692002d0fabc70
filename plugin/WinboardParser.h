#pragma once

#include "EngineMove.h"
#include "EngineOption.h"

#include <cstdint>
#include <string>
#include <vector>

// What one line of a WinBoard engine's output means to the adapter.
struct WinboardLine
{
    enum class Kind
    {
        Other,          // ignored
        Move,           // the engine plays `move`
        Result,         // the engine announces `result` (an EngineResult code)
        Feature,        // a "feature" line of the start-up handshake
        NotWinboard,    // the program rejected "xboard": it does not speak the protocol
        Thinking,       // a thinking line: depth, score, time, nodes, principal variation
        Pong,           // "pong N", the answer to "ping N"
        PartnerMessage, // "tellics ptell TEXT": TEXT for the engine's partner (bughouse)
    };

    Kind kind = Kind::Other;
    EngineMove move; // a drop has its piece in `drop`
    // Moves: the move word as written. Results: the line as written.
    // Partner messages: the text after "ptell".
    std::string text;
    int32_t result = 0;

    // Feature lines only.
    bool featureDone = false;                 // done=1
    bool featureWaiting = false;              // done=0: more features follow
    bool featureNoColours = false;            // colors=0: "white" and "black" are not wanted
    bool featureSetboard = false;             // setboard=1
    bool featureUsermove = false;             // usermove=1: moves are sent as "usermove e2e4"
    bool featurePing = false;                 // ping=1
    bool featureMemory = false;               // memory=1: the hash size is set with "memory N"
    bool featureCores = false;                // smp=1: the number of threads is set with "cores N"
    std::string featureName;                  // myname="...", empty when the line has none
    bool featureBughouse = false;             // variants="..." names bughouse
    std::vector<EngineOption> featureOptions; // option="..."

    // Thinking lines only; unknown numbers are -1.
    int32_t depth = -1;
    int32_t score = 0;
    bool mate = false; // score is moves to mate (negative: the engine is mated)
    int32_t centiseconds = -1;
    int64_t nodes = -1;
    int64_t nodesPerSecond = -1;
    std::string pv; // the moves as words separated by single spaces

    // Pong lines only.
    int32_t pong = 0;
};

// The line parser of the WinBoard adapter, free of any I/O so that it can be
// tested from plain strings.
class CWinboardParser
{
public:
    // Reads one output line (newline optional). Moves come as "move X" or as
    // "N. ... X"; castling words ("O-O", "o-o-o") become the king's two-file
    // move on rank 1 for a White engine, rank 8 for a Black one. A move word
    // that is not coordinate notation is not a move. Results: "0-1 {",
    // "1-0 {", "1/2-1/2 {" and "resign" at the start of a line with no move.
    // Thinking lines: "DEPTH SCORE TIME NODES PV", with more numbers
    // (selective depth, speed, tablebase hits) before a tab that leads the
    // PV in the extended form; scores of 100000 and more are mates.
    [[nodiscard]] static WinboardLine ParseLine(const std::string& line, bool playsWhite);

    // Coordinate notation "e2e4", "e7e8q", the castling words and drops
    // ("P@e4", the piece letter in either case); false for anything else.
    [[nodiscard]] static bool ParseMoveWord(const std::string& word, bool playsWhite, EngineMove& move);

    // The value of a "feature option=" ("Hash -spin 16 1 1024", "Ponder
    // -check 0", "Style -combo *Solid /// Risky", "Clear Hash -button");
    // false for one of no known kind.
    [[nodiscard]] static bool ParseOption(const std::string& text, EngineOption& option);

    // The line that sets an option: "option NAME=VALUE", "option NAME" for a
    // button, "memory N" and "cores N" for those two features.
    [[nodiscard]] static std::string OptionText(const EngineOption& option, const std::string& value);

    // The coordinate text of a move followed by a newline: "e2e4\n".
    [[nodiscard]] static std::string MoveText(const EngineMove& move);

    // The "holding" line of a bughouse engine for holdings given as piece
    // letters (White's upper case, Black's lower case, in any order; other
    // characters are left out): "holding [PN] [q]\n", pieces in the order
    // P N B R Q, at most 16 of each.
    [[nodiscard]] static std::string HoldingText(const std::string& holdings);

    // The time text of the "level" command: "5" for whole minutes, else
    // minutes and seconds without a leading zero ("1:30", "1:5").
    [[nodiscard]] static std::string LevelTimeText(int32_t baseSeconds);

    // "1-0", "0-1", "1/2-1/2", or "*" for any other code.
    [[nodiscard]] static std::string ResultText(int32_t result);
};
