#pragma once

#include "EngineMove.h"

#include <cstdint>
#include <string>

// What one line of a WinBoard engine's output means to the adapter.
struct WinboardLine
{
    enum class Kind
    {
        Other,      // ignored
        Move,       // the engine plays `move`
        Result,     // the engine announces `result` (an EngineResult code)
        Feature,    // a "feature" line of the start-up handshake
        NotWinboard // the program rejected "xboard": it does not speak the protocol
    };

    Kind kind = Kind::Other;
    EngineMove move;
    int32_t result = 0;
    // Feature lines only.
    bool featureDone = false;      // done=1
    bool featureWaiting = false;   // done=0: more features follow
    bool featureNoColours = false; // colors=0: "white" and "black" are not wanted
    std::string featureName;       // myname="...", empty when the line has none
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
    [[nodiscard]] static WinboardLine ParseLine(const std::string& line, bool playsWhite);

    // Coordinate notation "e2e4", "e7e8q"; false for anything else.
    [[nodiscard]] static bool ParseMoveWord(const std::string& word, bool playsWhite, EngineMove& move);

    // The coordinate text of a move followed by a newline: "e2e4\n".
    [[nodiscard]] static std::string MoveText(const EngineMove& move);

    // The time text of the "level" command: "5" for whole minutes, else
    // minutes and seconds without a leading zero ("1:30", "1:5").
    [[nodiscard]] static std::string LevelTimeText(int32_t baseSeconds);
};
