#pragma once

#include "ChessTypes.h"
#include "PlayerRoster.h"

#include <vector>

// The seats of a bughouse game and what follows from them: teams, boards,
// colours and what each program's two board views show. Seat 0 is the server;
// only seat 0's colour and seat flag count. A player without a partner plays
// on both boards.
//
//   players  flag  teams                     boards
//   2        any   none                      0-1 on both boards
//   3        0     0 alone; 1 and 2          0-1, 0-2
//   3        1     0 and 1; 2 alone          2-0, 2-1
//   4        1     0 and 1; 2 and 3          0-2, 1-3
class CBughouseSeats
{
public:
    static constexpr int kMaxPlayers = 4;

    CBughouseSeats() = default;
    explicit CBughouseSeats(std::vector<PlayerEntry> players) : m_players(std::move(players)) {}

    [[nodiscard]] static CBughouseSeats FromRoster(const PlayerRoster& roster);
    // Writes the seats into the roster in seat order; entries past the last seat go.
    void ApplyTo(PlayerRoster& roster) const;

    [[nodiscard]] int Count() const { return static_cast<int>(m_players.size()); }
    [[nodiscard]] bool IsSeat(int seat) const { return seat >= 0 && seat < Count(); }
    // The entry of a seat; an empty entry for a seat that is not taken.
    [[nodiscard]] const PlayerEntry& Entry(int seat) const;
    [[nodiscard]] const std::vector<PlayerEntry>& Players() const { return m_players; }
    [[nodiscard]] Colour SeatZeroColour() const;
    [[nodiscard]] bool SeatZeroFlag() const;
    // Seat of the player with that name, -1 when nobody sits under it.
    [[nodiscard]] int SeatOf(const QString& name) const;
    // Seat of the player with that connection id, -1 when there is none.
    [[nodiscard]] int SeatOfConnection(int32_t connectionId) const;

    // Whether the seats form one of the layouts of the table above (at most
    // four players, four only with the flag set, distinct non-empty names).
    [[nodiscard]] bool IsValid() const;

    // Relations. board 0 is the player's first board, 1 its second (only a
    // player without a partner has one). -1 / COLOUR_NONE where there is none.
    [[nodiscard]] int PartnerOf(int seat) const;
    [[nodiscard]] bool IsAlone(int seat) const { return IsSeat(seat) && PartnerOf(seat) < 0; }
    [[nodiscard]] int BoardCount(int seat) const;
    [[nodiscard]] int OpponentOf(int seat, int board) const;
    [[nodiscard]] Colour ColourOf(int seat, int board) const;

    // What the program of the local seat shows: view 0 its first board, view 1
    // the other board, the local team at the bottom of both.
    [[nodiscard]] int BottomSeat(int localSeat, int view) const;
    [[nodiscard]] int TopSeat(int localSeat, int view) const;
    [[nodiscard]] Colour BottomColour(int localSeat, int view) const;
    // Orientation flag of a view (1: black at the bottom).
    [[nodiscard]] int Orientation(int localSeat, int view) const;
    // The view on which a seat plays that colour, -1 when it plays it nowhere.
    [[nodiscard]] int ViewOf(int localSeat, int seat, Colour colour) const;
    // The view a move or drop belongs to, given the mover's transmitted
    // orientation flag (each player's own side is at the bottom of its views).
    [[nodiscard]] int ViewOfMove(int localSeat, int moverSeat, int orientation) const;
    // The views whose bottom clock is the local player's own.
    [[nodiscard]] std::vector<int> OwnViews(int localSeat) const;

    // Server commands. Rotate needs three or four players, SwitchPartner four;
    // both refuse (false, nothing changed) otherwise. step is the rotation step.
    bool Rotate(int& step);
    bool SwitchPartner();
    // Toggles seat 0's colour between white and black.
    void SwitchColour();
    // A player is admitted by the server: the second and third take the next
    // seat; the fourth joins seat 0 as its partner when seat 0 plays alone
    // (seat 0's flag is set, the former partners stay a team), else seat 3.
    // False, nothing changed, when four players sit or the name is taken.
    bool Admit(const PlayerEntry& newcomer);
    // A player leaves: seat 0's flag clears when there were three or four
    // players, later seats move up, seat 0 becomes white.
    bool Remove(int seat);

private:
    std::vector<PlayerEntry> m_players;
};
