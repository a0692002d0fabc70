#pragma once

#include "ChessTypes.h"
#include "EngineListener.h"
#include "EngineMove.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

class CBughouseSession;
class CPlayerClock;
class IBughouseEngineFactory;
class IChessEngine;
class IChessEngineEx;

// The engines in the seats of a bughouse game, hosted by the server's program.
//
// An engine seat is a player of the roster like any other, named "<engine>
// (Computer)" with " 2", " 3" added when another seat holds that name (cut
// to the longest nickname peers take), seated by the rule of an admitted
// player and announced to the clients with the same messages; its moves and
// drops travel as that seat's. A seat is added or taken out only while no
// game runs. Each seat runs one engine object per board it plays: a seat
// without a partner plays both boards with two objects.
//
// Every engine move or drop is judged on the session's boards before it is
// played or sent: an illegal one ends the match as a loss of the engine's
// team. The server keeps the engine's clocks, so an engine that dies or
// hangs loses on time. The engines learn the moves and drops of their board
// with both clocks, and their holdings whenever a piece arrives from the
// other board, before they are asked to move; they play without increment.
// Their events come to the user-interface thread through the listener, and
// nothing here waits for an engine.
class CBughouseEngineSeats
{
public:
    CBughouseEngineSeats(CBughouseSession& session, IBughouseEngineFactory& factory);
    ~CBughouseEngineSeats();
    CBughouseEngineSeats(const CBughouseEngineSeats&) = delete;
    CBughouseEngineSeats& operator=(const CBughouseEngineSeats&) = delete;

    // The engines that may take a seat: those of the engine list, less the
    // ones found this session not to play bughouse.
    [[nodiscard]] QStringList EngineNames();
    // The nicknames of the seated engines, in seat order.
    [[nodiscard]] QStringList SeatNames() const;
    [[nodiscard]] bool IsEngineSeat(const QString& nickname) const;
    // A server with a free seat and no game running.
    [[nodiscard]] bool CanAdd() const;
    // A server with an engine seated and no game running.
    [[nodiscard]] bool CanRemove() const;
    // Seats the engine of that name; its nickname, empty when refused.
    QString Add(const QString& engineName);
    // Takes the engine of that nickname out of its seat; false when refused.
    bool Remove(const QString& nickname);
    // Ends every engine without telling anybody (the game is left).
    void RemoveAll();

    // The session's hooks.
    void OnGameStarted();
    void OnGameStopped();
    // A move or drop was played on that board (numbered as the session does).
    void OnPlayed(int board, const EngineMove& move);
    // Whether the clock is an engine's; if so its seat has lost on time.
    bool OnClockExpired(const CPlayerClock* clock);

    // For tests: the object of a seat on the seat's first or second board.
    [[nodiscard]] IChessEngine* EngineOf(const QString& nickname, int seatBoard = 0) const;
    [[nodiscard]] CEngineListener& Listener() { return m_Listener; }

private:
    struct Slot
    {
        QString nickname;
        QString engine;
        int seatBoard = 0; // the seat's first or second board
        IChessEngine* object = nullptr;
        IChessEngineEx* extension = nullptr;
        bool playing = false; // in the running game
        std::string holdings; // as last told
    };
    // Where a slot plays now; board -1 when nowhere.
    struct Place
    {
        int seat = -1;
        int board = -1;
        Colour colour = COLOUR_NONE;
        int panel = -1;
    };

    [[nodiscard]] Place PlaceOf(const Slot& slot) const;
    [[nodiscard]] Slot* SlotOf(const IChessEngine* source);
    [[nodiscard]] QString UniqueNickname(const QString& engineName) const;
    [[nodiscard]] int32_t FreeConnectionId() const;
    [[nodiscard]] std::string HoldingsOf(int board) const;
    // Makes an object for a slot, not yet started; false when the engine
    // cannot play bughouse.
    bool Launch(Slot& slot);
    void DestroySlots(const QString& nickname);

    void OnReady(IChessEngine* source, qint32 capabilities);
    void OnFailed(IChessEngine* source, const QString& text);
    void OnMove(IChessEngine* source, quint32 word, const QString& text);
    void OnDrop(IChessEngine* source, qint32 piece, qint32 file, qint32 rank, const QString& text);
    void OnResult(IChessEngine* source, qint32 result);
    void OnPartnerMessage(IChessEngine* source, const QString& text);
    // The engine's seat loses the match for its team.
    void Illegal(const Slot& slot, int seat, const QString& word);

    CBughouseSession& m_Session;
    IBughouseEngineFactory& m_Factory;
    CEngineListener m_Listener;
    std::vector<Slot> m_Slots;
    // Engines of the list that said they play no bughouse.
    QStringList m_NoBughouse;
};
