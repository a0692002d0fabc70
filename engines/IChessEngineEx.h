#pragma once

#include "IChessEngine.h"

#include <cstdint>

class IChessEngineListenerEx;

// The extension of an engine object, beside IChessEngine (whose slots never
// change). A plug-in that has it exports GetChessEngineEx as well; the loader
// looks it up and uses it when present. Versions only ever add slots at the
// end: an object reports the version it was built with, and the program
// calls only the slots that both its own version and the object's have.
// A plug-in without the export is used through IChessEngine alone.
//
// Version 1: asynchronous start and readiness, the engine's own name,
// thinking lines, start position from FEN, the engine kept across games and
// takebacks, stop, the result told to the engine, per-move time, pondering.
// All operations are called on the program's user-interface thread and
// return at once; none waits for the engine.
//
// Version 2: bughouse: the variant of the next game, drops both ways (the
// opponent's here, the engine's through IChessEngineListenerEx version 2),
// the holdings after a piece arrives from the partner board, and the
// engine's messages to its partner.
inline constexpr int32_t kChessEngineExVersion = 2;

// Variants of StartGame (SetVariant).
inline constexpr const char* kEngineVariantNormal = "normal";
inline constexpr const char* kEngineVariantBughouse = "bughouse";

// What an engine can do, reported with its readiness (bits).
enum EngineCapability : int32_t
{
    ENGINE_CAN_SET_POSITION = 1, // takes a start position from FEN
    ENGINE_CAN_PONDER = 2,       // thinks on the opponent's time when asked to
    ENGINE_CAN_BUGHOUSE = 4,     // plays bughouse (version 2)
};

// Why an engine cannot play, reported by OnEngineFailed.
enum EngineFailure : int32_t
{
    ENGINE_FAILURE_START = 1,    // could not be started, or does not speak its protocol
    ENGINE_FAILURE_DIED = 2,     // ended during a game and could not be started again
    ENGINE_FAILURE_POSITION = 3, // refused the start position of the game
    ENGINE_FAILURE_VARIANT = 4,  // does not play the variant of the game (version 2)
};

// How the score of a thinking line is given.
enum EngineScoreKind : int32_t
{
    ENGINE_SCORE_NONE = 0,
    ENGINE_SCORE_CENTIPAWNS = 1,
    ENGINE_SCORE_MATE = 2, // mate in `score` moves; negative: the side of the score is mated
};

// One thinking line as the engine wrote it, read but not converted: the
// score is from the view of `scoreColour` (the side whose search it is), the
// principal variation is in the engine's own words. Unknown numbers are -1.
struct EngineThinking
{
    int32_t depth = -1;
    int32_t scoreKind = ENGINE_SCORE_NONE;
    int32_t score = 0;
    int32_t scoreColour = 0; // 2 White, 1 Black
    int64_t nodes = -1;
    int64_t nodesPerSecond = -1;
    int32_t milliseconds = -1; // searched so far
    // How many plies of the game (counted from its start position) precede
    // the first move of the principal variation.
    int32_t startPly = 0;
    // The moves separated by single spaces, move numbers left out: coordinate
    // notation ("e2e4", "e7e8q") from UCI engines, coordinate or SAN words
    // ("Nf3", "O-O") from WinBoard engines. Valid during the call only.
    const char* pv = "";
};

class IChessEngineEx
{
public:
    // --- Version 1 ---

    // Slot 0: the version of this extension the object was built with.
    virtual int32_t GetVersion() = 0;
    // Slot 1: where this object's events go from now on (may be null: then
    // it reports through IChessEngine's listener as before). Events carry the
    // object's IChessEngine pointer as their source.
    virtual void SetListenerEx(IChessEngineListenerEx* listener) = 0;
    // Slot 2: makes sure the engine configured for the object's colour runs,
    // starting it when it does not (or when its configuration changed), on
    // the engine's own thread. Reports OnEngineReady or OnEngineFailed.
    virtual void StartAsync() = 0;
    // Slot 3: the engine now plays another colour (after an exchange of
    // colours) with the engine it runs: that engine becomes the one the
    // plug-in has configured for the new colour, so no restart follows.
    virtual void KeepEngineForColour() = 0;
    // Slot 4: the start position of the next StartGame as FEN; null or empty
    // for the standard position. False when the engine is known to refuse
    // start positions (see ENGINE_CAN_SET_POSITION); an engine that refuses
    // it at StartGame reports ENGINE_FAILURE_POSITION.
    virtual bool SetStartPosition(const char* fen) = 0;
    // Slot 5: the thinking time of each move in a game without time limit
    // (StartGame with a base time of 100000 seconds or more), in seconds.
    virtual void SetTimePerMove(int32_t seconds) = 0;
    // Slot 6: whether the engine thinks on its opponent's time.
    virtual void SetPondering(bool on) = 0;
    // Slot 7: the game now has only its first `plies` moves (counted from
    // the start position): a running search is stopped and its move
    // discarded, and the engine waits (see Go) with its process kept.
    virtual void TakeBackTo(int32_t plies) = 0;
    // Slot 8: stops a running search and discards its move; the engine keeps
    // the game and waits (see Go).
    virtual void StopThinking() = 0;
    // Slot 9: the engine's side is to move in its game: it searches with
    // these clocks (centiseconds). False when it is not its turn.
    virtual bool Go(int32_t engineClock, int32_t opponentClock) = 0;
    // Slot 10: the game is over with this result (an EngineResult code 0, 1
    // or 2, or -1 when it ended without one) and its reason ("White mates");
    // the engine is told so. Like StopGame, no more moves or results follow.
    virtual void GameOver(int32_t result, const char* reason) = 0;

    // --- Version 2 ---
    // Slot 11: the variant of the next StartGame (kEngineVariantNormal or
    // kEngineVariantBughouse). False for a variant the plug-in does not know,
    // or one the running engine is known not to play (see
    // ENGINE_CAN_BUGHOUSE); an engine found unable to play it at StartGame
    // reports ENGINE_FAILURE_VARIANT and is told nothing of the game.
    virtual bool SetVariant(const char* variant) = 0;
    // Slot 12: appends a drop (piece 0 pawn .. 4 queen onto a square) to the
    // list of moves that StartGame replays, in game order with AddMove.
    virtual void AddDrop(int32_t piece, int32_t file, int32_t rank) = 0;
    // Slot 13: the opponent's drop, as OpponentMove for a move.
    virtual bool OpponentDrop(int32_t piece, int32_t file, int32_t rank, int32_t engineClock,
                              int32_t opponentClock) = 0;
    // Slot 14: the holdings of both sides on the engine's board, as piece
    // letters, White's upper case and Black's lower case ("QPn"; "" for
    // none): called whenever a piece arrives from the partner board, before
    // the engine is asked to move.
    virtual void SetHoldings(const char* holdings) = 0;

protected:
    // Never deleted through the interface: IChessEngine::Destroy deletes the object.
    ~IChessEngineEx() = default;
};

// The second export of a plug-in library, bound by this name: the extension
// of an object that the library's CreateChessEngine made, or null.
extern "C"
{
    using GetChessEngineExFunction = IChessEngineEx* (*)(IChessEngine* engine);
}
inline constexpr const char* kGetChessEngineExExport = "GetChessEngineEx";
