#pragma once

#include "BpgnGame.h"

#include <string>
#include <vector>

// Writes bughouse games in BPGN: the tags Event, Site, Date, WhiteA, BlackA,
// WhiteB, BlackB, TimeControl and Result in that order ("?" and "????.??.??"
// where unknown; TimeControl only when known), then the other tags in their
// order; a blank line; each move after its number and board letter ("1A.",
// "1a.", "1B.", "1b.") with its clock in seconds ("{178.950}") and its
// comment (one with a closing brace in it after a semicolon, to the end of
// the line), wrapped to lines of at most
// kLineWidth characters; the result; LF line ends and a final newline. Games
// are separated by a blank line.
class CBpgnExport
{
public:
    static constexpr size_t kLineWidth = 79;

    [[nodiscard]] static std::string ExportGame(const CBpgnGame& game);
    [[nodiscard]] static std::string ExportGames(const std::vector<CBpgnGame>& games);
    // "178.950".
    [[nodiscard]] static std::string ClockText(int32_t milliseconds);
};
