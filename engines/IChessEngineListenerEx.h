#pragma once

#include "IChessEngineListener.h"

#include <cstdint>

class IChessEngine;
struct EngineThinking;

// The program's side of IChessEngineEx: the events of an engine object that
// was given this listener with SetListenerEx. Its first two slots are
// IChessEngineListener's; versions only add slots at the end, and a plug-in
// calls only the slots that GetListenerVersion says this listener has.
//
// Every event names its source, the object's IChessEngine pointer. Events
// arrive on threads of the plug-in, never on the user-interface thread.
// OnEngineMoveEx and OnEngineResultEx may wait until the program has taken
// them (the engine's reader waits, as with IChessEngineListener); all other
// events must return at once, without waiting for the user-interface thread.
//
// Version 2: the engine's drops and its messages to its partner (bughouse).
inline constexpr int32_t kChessEngineListenerExVersion = 2;

class IChessEngineListenerEx : public IChessEngineListener
{
public:
    // --- Version 1 ---

    // Slot 2: the version of this interface the listener was built with.
    virtual int32_t GetListenerVersion() = 0;
    // Slot 3: the engine has started and is ready for a game. `name` is the
    // engine's own name (WinBoard "myname", UCI "id name"), else its name in
    // the plug-in's engine list; `capabilities` holds EngineCapability bits.
    // Also sent again when StartAsync finds the engine already running.
    virtual void OnEngineReady(IChessEngine* source, const char* name, int32_t capabilities) = 0;
    // Slot 4: the engine cannot play (an EngineFailure reason), with a text
    // for the user. After ENGINE_FAILURE_START and _DIED no process runs.
    virtual void OnEngineFailed(IChessEngine* source, int32_t reason, const char* text) = 0;
    // Slot 5: the engine plays this move; `text` is the move as the engine
    // wrote it. Only words that are moves in coordinate notation (or castling
    // words) come here; the program judges whether the move is legal.
    virtual bool OnEngineMoveEx(IChessEngine* source, int32_t fromFile, int32_t fromRank, int32_t toFile,
                                int32_t toRank, int32_t promotion, const char* text) = 0;
    // Slot 6: the engine claims a result or resigns (an EngineResult code);
    // `text` is its line as written ("1-0 {White mates}", "resign"). The
    // program judges whether the board confirms a claim.
    virtual bool OnEngineResultEx(IChessEngine* source, int32_t result, const char* text) = 0;
    // Slot 7: the latest thinking line of the engine. The plug-in passes on
    // at most about ten a second per engine, always the latest one.
    virtual void OnEngineThinking(IChessEngine* source, const EngineThinking* thinking) = 0;

    // --- Version 2 ---
    // Slot 8: the engine drops a piece (0 pawn .. 4 queen) from its holdings
    // onto a square; `text` as written ("P@e4"). As OnEngineMoveEx, it may
    // wait, and the program judges whether the drop is legal.
    virtual bool OnEngineDropEx(IChessEngine* source, int32_t piece, int32_t file, int32_t rank, const char* text) = 0;
    // Slot 9: a message of the engine to its partner (WinBoard "tellics
    // ptell"), the text after the command. Returns at once.
    virtual void OnEnginePartnerMessage(IChessEngine* source, const char* text) = 0;

protected:
    ~IChessEngineListenerEx() = default;
};
