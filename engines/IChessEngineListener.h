#pragma once

#include <cstdint>

// Where an engine object reports its engine's moves and results. Both calls
// arrive on a thread of the plug-in library, never on the user-interface
// thread. The slot order is fixed: the program and the plug-ins call each
// other through the table of virtual operations.
class IChessEngineListener
{
public:
    // The engine plays this move (files count from the h-file, ranks from
    // rank 1; promotion 0 none, 1 rook, 2 knight, 3 bishop, 4 queen).
    virtual bool OnEngineMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank,
                              int32_t promotion) = 0;
    // The engine announced a result or resigned (an EngineResult code).
    virtual bool OnEngineResult(int32_t result) = 0;

protected:
    // Never deleted through the interface: no destructor slot in the table.
    ~IChessEngineListener() = default;
};
