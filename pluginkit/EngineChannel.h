#pragma once

#include "EngineConnection.h"
#include "EngineMove.h"
#include "IChessEngineEx.h"
#include "ListenerSlot.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class CEngineAdapter;

// The game an engine object plays, shared by the adapter's thread and the
// readers of its engine processes (a restarted engine plays on in it).
struct EngineGame
{
    mutable std::mutex mutex;
    // From the game's start to its end; moves and results count only then.
    bool running = false;
    // The engine has been asked for a move and has not played it: only then
    // is a move of the engine taken (set by a search, cleared by the move,
    // a stop, a takeback and the end of the game).
    bool expectingMove = false;
    bool playsWhite = true;
    // How many times the game was ended on the program's side.
    uint64_t stops = 0;
    // The side to move in the start position.
    bool whiteStarts = true;
    // The game starts from the standard position, with no pieces in hand.
    bool standardStart = true;
    // Every move of the game, both sides', in order; the readers add the
    // engine's own as they report them.
    std::vector<EngineMove> moves;

    // Whether the engine's side is to move after these many plies.
    [[nodiscard]] bool EngineToMoveAfter(size_t plies) const { return ((plies % 2 == 0) == whiteStarts) == playsWhite; }
};

// A thinking line while the plug-in holds it (see EngineThinking).
struct ThinkingRecord
{
    EngineThinking numbers;
    std::string pv;
};

// The reader's side of one engine process: the protocol's line handler
// (HandleLine, in a derived class) and what every protocol reports through
// it. Reports go to the listener only while the adapter holds this engine.
class CEngineChannel : public CEngineConnection::Channel
{
public:
    using Job = std::function<void(CEngineAdapter&)>;

    CEngineChannel(std::shared_ptr<EngineGame> game, std::shared_ptr<CListenerSlot> listeners,
                   std::chrono::milliseconds thinkingInterval);

    // One line of the engine's output, newline included, on the reader
    // thread; false stops reading.
    virtual bool HandleLine(const std::string& line) = 0;

    // Runs a job on the adapter's thread, if the adapter still exists (set by
    // the adapter; safe from any thread).
    std::function<void(Job)> toAdapter;

protected:
    // The engine plays this move: it joins the game and goes to the listener,
    // after the latest thinking line still held back. Taken only while the
    // game runs and the engine has been asked for a move.
    bool ReportMove(const EngineMove& move, const std::string& text);
    // The two halves of ReportMove: whether the move is taken (it then joins
    // the game), and its delivery.
    bool AcceptMove(const EngineMove& move);
    bool DeliverMove(const EngineMove& move, const std::string& text);
    // The engine drops a piece (a move with its drop set), taken as a move
    // is; it reaches only a listener of version 2 or more.
    bool ReportDrop(const EngineMove& move, const std::string& text);
    // The engine's message to its partner, passed on while a game runs.
    bool ReportPartnerMessage(const std::string& text);
    // The engine claims a result or resigns.
    bool ReportResult(int32_t result, const std::string& text);
    // A thinking line: passed on at once, or held back as the latest one
    // until the interval since the last has passed (then the reader wakes to
    // pass it on). Only a program that gave an extended listener gets them.
    bool ReportThinking(ThinkingRecord record);

    [[nodiscard]] const std::shared_ptr<EngineGame>& Game() const { return m_Game; }
    [[nodiscard]] bool HasListenerEx() const { return m_Listeners->HasListenerEx(); }
    // The engine's colour (2 White, 1 Black).
    [[nodiscard]] int32_t EngineColour() const;

private:
    bool FlushThinking();
    bool PassOnThinking(const ThinkingRecord& record);

    std::shared_ptr<EngineGame> m_Game;
    std::shared_ptr<CListenerSlot> m_Listeners;
    // Reader thread only.
    std::chrono::milliseconds m_ThinkingInterval;
    CEngineConnection::Clock::time_point m_NextThinking{};
    std::optional<ThinkingRecord> m_HeldThinking;
};
