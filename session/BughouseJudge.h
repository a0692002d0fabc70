#pragma once

#include "BughouseSeats.h"

#include <QString>

// Which counter of the roster an end of the match changes on this program.
enum class BughouseCounter
{
    None,
    Victory,
    Defeat,
    Draw,
};

// How an end of the match reads on one program: its text (empty when none is
// shown) and the counter it changes.
struct BughouseVerdict
{
    QString text;
    BughouseCounter counter = BughouseCounter::None;

    [[nodiscard]] bool operator==(const BughouseVerdict&) const = default;
};

// The end-of-match table, seen from the program of the local seat. A result on
// either board ends the match for both teams.
class CBughouseJudge
{
public:
    CBughouseJudge(const CBughouseSeats& seats, int localSeat) : m_seats(seats), m_local(localSeat) {}

    // The side of that colour is mated on a view of this program.
    [[nodiscard]] BughouseVerdict Checkmate(int view, Colour mated) const;
    [[nodiscard]] static BughouseVerdict Stalemate();
    // MSG_RESIGN / MSG_TIME_EXPIRED received from that seat.
    [[nodiscard]] BughouseVerdict Resigned(int seat) const;
    [[nodiscard]] BughouseVerdict TimeExpired(int seat) const;
    [[nodiscard]] static BughouseVerdict DrawAgreed();
    [[nodiscard]] static BughouseVerdict Aborted();
    // The local player resigns (no text) or loses on its own time.
    [[nodiscard]] static BughouseVerdict OwnResignation();
    [[nodiscard]] static BughouseVerdict OwnTimeLoss();

    // Whether a received Time Call concerns this program: not while no game
    // runs, not from the partner, not from the local seat itself.
    [[nodiscard]] bool AcceptsTimeCall(int callerSeat, bool gameRunning) const;
    // Whether a draw offer from that seat is for this program to accept
    // (an opponent's); a partner's is only shown.
    [[nodiscard]] bool IsOfferForMe(int seat) const;

private:
    [[nodiscard]] bool IsPartner(int seat) const;

    const CBughouseSeats& m_seats;
    int m_local;
};
