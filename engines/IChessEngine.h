#pragma once

#include <cstdint>

class IChessEngineListener;

// One engine player made by a plug-in library. The slot order of the virtual
// operations is part of the contract between the program and every plug-in
// and must never change. All values cross as 32-bit integers: files 0..7 from
// the h-file, ranks 0..7 from rank 1, promotion 0 none / 1 rook / 2 knight /
// 3 bishop / 4 queen, colour 2 White / 1 Black. Castling is the king's
// two-file move.
class IChessEngine
{
public:
    // Slot 0: display name of the engine type; owned by the library.
    virtual const char* GetName() = 0;
    // Slot 1: prepares the engine for the object's colour; false after a
    // failure that the object has already shown to the user.
    virtual bool Start() = 0;
    // Slot 2: ends the engine; always true.
    virtual bool Quit() = 0;
    // Slot 3: where moves and results go from now on; may be null.
    virtual void SetListener(IChessEngineListener* listener) = 0;
    // Slot 4: 2 makes the object play White, anything else Black; returns
    // whether it now plays White.
    virtual bool SetColour(int32_t colour) = 0;
    // Slot 5: no effect; never called by the program.
    virtual bool Reserved() = 0;
    // Slot 6: the engine type's own configuration dialog, modal.
    virtual void Configure() = 0;
    // Slot 7: empties the list of moves that StartGame replays.
    virtual void ClearMoves() = 0;
    // Slot 8: appends one move, in game order, to that list.
    virtual void AddMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank, int32_t promotion) = 0;
    // Slot 9: a new game with this time control (whole seconds), the stored
    // moves replayed, and a search at once if the engine's side is to move.
    virtual bool StartGame(int32_t baseSeconds, int32_t incrementSeconds) = 0;
    // Slot 10: the opponent's move with both remaining clocks in centiseconds.
    virtual bool OpponentMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank, int32_t promotion,
                              int32_t engineClock, int32_t opponentClock) = 0;
    // Slot 11: the game is over; no more moves or results are reported.
    virtual bool StopGame() = 0;
    // Slot 12: quits the engine and deletes the object inside its library.
    virtual void Destroy() = 0;

protected:
    // Deleted only by its own Destroy: no destructor slot in the table.
    ~IChessEngine() = default;
};

// The one export of a plug-in library, bound by this name: a new independent
// object that plays White with no listener, or null.
extern "C"
{
    using CreateChessEngineFunction = IChessEngine* (*)();
}
inline constexpr const char* kCreateChessEngineExport = "CreateChessEngine";

// Optional exports of a plug-in whose engine objects can each run an engine of
// its own list (bughouse seats, several engines of one plug-in at once):
// the names of the engines in the list, separated by newlines (owned by the
// library, valid until the next call), and a new independent object, playing
// White with no listener, that runs the engine of that name; null when the
// list has no such engine.
extern "C"
{
    using ListChessEnginesFunction = const char* (*)();
    using CreateNamedChessEngineFunction = IChessEngine* (*)(const char* name);
}
inline constexpr const char* kListChessEnginesExport = "ListChessEngines";
inline constexpr const char* kCreateNamedChessEngineExport = "CreateNamedChessEngine";
