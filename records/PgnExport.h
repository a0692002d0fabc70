#pragma once

#include "PgnGame.h"

#include <string>
#include <vector>

// Writes games in the PGN standard's export format: the Seven Tag Roster in
// its order ("?" and "????.??.??" where unknown), then SetUp and FEN for a
// set-up game, then the other tags in ASCII order of their names; a blank line;
// the movetext wrapped to lines of at most kLineWidth characters, with "#"
// on a mating move, NAGs as $n, comments (clock and evaluation as [%clk] and
// [%eval] commands; braces inside become parentheses) and variations; the
// result token; LF line ends and a final newline. Games are separated by a
// blank line.
class CPgnExport
{
public:
    static constexpr size_t kLineWidth = 79;
    // Variations deeper than this are left out (the reader never makes them).
    static constexpr int kMaxVariationDepth = 256;

    [[nodiscard]] static std::string ExportGame(const CPgnGame& game);
    [[nodiscard]] static std::string ExportGames(const std::vector<CPgnGame>& games);
};
