#pragma once

#include "ChessPosition.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// Counts the leaf nodes of the legal move tree, each promotion piece counted
// as its own move. Legality is decided by MakeMove alone (record off).
class CPerft
{
public:
    [[nodiscard]] static uint64_t Count(CChessPosition& position, int depth);
    // The same count with the root moves shared out over several threads,
    // each on its own copy of the position.
    [[nodiscard]] static uint64_t CountParallel(const CChessPosition& position, int depth, int threads);
    // Each legal root move in coordinate text ("e2e4", "e7e8q") with its count.
    [[nodiscard]] static std::vector<std::pair<std::string, uint64_t>> Divide(CChessPosition& position, int depth);
};
