#include "BughouseSeats.h"

#include <set>
#include <utility>

CBughouseSeats CBughouseSeats::FromRoster(const PlayerRoster& roster)
{
    std::vector<PlayerEntry> players;
    for (int i = 0; i < roster.Count() && i < kMaxPlayers; ++i)
        players.push_back(roster.GetEntry(i));
    return CBughouseSeats(std::move(players));
}

void CBughouseSeats::ApplyTo(PlayerRoster& roster) const
{
    for (int i = 0; i < Count(); ++i)
        (void)roster.SetEntry(i, m_players[static_cast<size_t>(i)]);
    // The roster removes by name only, and a stale entry past the last seat may
    // share its name with a seat that moved up: remove, then rewrite the seats.
    while (roster.Count() > Count())
    {
        const QString name = roster.GetEntry(roster.Count() - 1).name;
        const int before = roster.Count();
        (void)roster.RemoveByName(name);
        if (roster.Count() == before)
            break;
        for (int i = 0; i < Count(); ++i)
            (void)roster.SetEntry(i, m_players[static_cast<size_t>(i)]);
    }
}

const PlayerEntry& CBughouseSeats::Entry(int seat) const
{
    static const PlayerEntry empty;
    return IsSeat(seat) ? m_players[static_cast<size_t>(seat)] : empty;
}

Colour CBughouseSeats::SeatZeroColour() const
{
    return Entry(0).colour == COLOUR_BLACK ? COLOUR_BLACK : COLOUR_WHITE;
}

bool CBughouseSeats::SeatZeroFlag() const
{
    return Entry(0).seat != 0;
}

int CBughouseSeats::SeatOf(const QString& name) const
{
    for (int i = 0; i < Count(); ++i)
    {
        if (m_players[static_cast<size_t>(i)].name == name)
            return i;
    }
    return -1;
}

int CBughouseSeats::SeatOfConnection(int32_t connectionId) const
{
    for (int i = 0; i < Count(); ++i)
    {
        if (m_players[static_cast<size_t>(i)].connectionId == connectionId)
            return i;
    }
    return -1;
}

bool CBughouseSeats::IsValid() const
{
    if (Count() > kMaxPlayers || (Count() == kMaxPlayers && !SeatZeroFlag()))
        return false;
    std::set<QString> names;
    for (const PlayerEntry& entry : m_players)
    {
        if (entry.name.isEmpty() || !names.insert(entry.name).second)
            return false;
    }
    return true;
}

int CBughouseSeats::PartnerOf(int seat) const
{
    if (!IsSeat(seat))
        return -1;
    if (Count() == 4)
        return seat ^ 1; // 0 with 1, 2 with 3
    if (Count() == 3 && !SeatZeroFlag())
        return seat == 1 ? 2 : seat == 2 ? 1 : -1;
    if (Count() == 3)
        return seat == 0 ? 1 : seat == 1 ? 0 : -1;
    return -1;
}

int CBughouseSeats::BoardCount(int seat) const
{
    if (!IsSeat(seat))
        return 0;
    return PartnerOf(seat) < 0 ? 2 : 1;
}

int CBughouseSeats::OpponentOf(int seat, int board) const
{
    if (board < 0 || board >= BoardCount(seat))
        return -1;
    switch (Count())
    {
    case 2: return 1 - seat;
    case 3:
        if (!SeatZeroFlag())
            return seat == 0 ? 1 + board : 0;
        return seat == 2 ? board : 2;
    case 4: return seat ^ 2; // 0 against 2, 1 against 3
    default: return -1;
    }
}

Colour CBughouseSeats::ColourOf(int seat, int board) const
{
    if (board < 0 || board >= BoardCount(seat))
        return COLOUR_NONE;
    const Colour own = SeatZeroColour();
    const Colour other = OppositeColour(own);
    Colour first = own;
    switch (Count())
    {
    case 2: first = seat == 0 ? own : other; break;
    case 3:
        if (!SeatZeroFlag())
            first = seat == 1 ? other : own;
        else
            first = seat == 0 ? own : other;
        break;
    case 4: first = (seat == 0 || seat == 3) ? own : other; break;
    default: break;
    }
    return board == 0 ? first : OppositeColour(first);
}

int CBughouseSeats::BottomSeat(int localSeat, int view) const
{
    if (!IsSeat(localSeat) || view < 0 || view > 1)
        return -1;
    const int partner = PartnerOf(localSeat);
    return view == 1 && partner >= 0 ? partner : localSeat;
}

int CBughouseSeats::TopSeat(int localSeat, int view) const
{
    const int bottom = BottomSeat(localSeat, view);
    if (bottom < 0)
        return -1;
    return OpponentOf(bottom, bottom == localSeat ? view : 0);
}

Colour CBughouseSeats::BottomColour(int localSeat, int view) const
{
    const int bottom = BottomSeat(localSeat, view);
    if (bottom < 0)
        return COLOUR_NONE;
    return ColourOf(bottom, bottom == localSeat ? view : 0);
}

int CBughouseSeats::Orientation(int localSeat, int view) const
{
    const Colour bottom = BottomColour(localSeat, view);
    if (bottom == COLOUR_NONE)
        return view; // a new window: the second board turned round
    return bottom == COLOUR_BLACK ? 1 : 0;
}

int CBughouseSeats::ViewOf(int localSeat, int seat, Colour colour) const
{
    if (!IsSeat(seat) || (colour != COLOUR_WHITE && colour != COLOUR_BLACK))
        return -1;
    for (int view = 0; view < 2; ++view)
    {
        const Colour bottom = BottomColour(localSeat, view);
        if (bottom == COLOUR_NONE)
            return -1;
        if (BottomSeat(localSeat, view) == seat && bottom == colour)
            return view;
        if (TopSeat(localSeat, view) == seat && OppositeColour(bottom) == colour)
            return view;
    }
    return -1;
}

int CBughouseSeats::ViewOfMove(int localSeat, int moverSeat, int orientation) const
{
    if (orientation != 0 && orientation != 1)
        return -1;
    return ViewOf(localSeat, moverSeat, orientation == 1 ? COLOUR_BLACK : COLOUR_WHITE);
}

std::vector<int> CBughouseSeats::OwnViews(int localSeat) const
{
    std::vector<int> views;
    for (int view = 0; view < 2; ++view)
    {
        if (IsSeat(localSeat) && BottomSeat(localSeat, view) == localSeat)
            views.push_back(view);
    }
    return views;
}

bool CBughouseSeats::Rotate(int& step)
{
    if (Count() == 4)
    {
        // Seat 0 stays; its partner changes with each press.
        const PlayerEntry one = m_players[1];
        m_players[1] = m_players[3];
        m_players[3] = m_players[2];
        m_players[2] = one;
        return true;
    }
    if (Count() != 3)
        return false;
    // The lone seat goes from the server to the other two players in turn.
    if (step < 0 || step > 2)
        step = 0;
    if (step == 0 || step == 1)
        std::swap(m_players[1], m_players[2]);
    m_players[0].seat = step == 2 ? 0 : 1;
    step = (step + 1) % 3;
    return true;
}

bool CBughouseSeats::SwitchPartner()
{
    if (Count() != 4)
        return false;
    std::swap(m_players[1], m_players[3]);
    return true;
}

void CBughouseSeats::SwitchColour()
{
    if (m_players.empty())
        return;
    m_players[0].colour = OppositeColour(SeatZeroColour());
}

bool CBughouseSeats::Remove(int seat)
{
    if (!IsSeat(seat))
        return false;
    if (Count() >= 3)
        m_players[0].seat = 0;
    m_players.erase(m_players.begin() + seat);
    if (!m_players.empty())
    {
        m_players[0].colour = COLOUR_WHITE;
        if (seat == 0)
            m_players[0].seat = 0;
    }
    return true;
}

bool CBughouseSeats::Admit(const PlayerEntry& newcomer)
{
    if (Count() >= kMaxPlayers || Count() == 0 || newcomer.name.isEmpty() || SeatOf(newcomer.name) >= 0)
        return false;
    if (Count() < 3)
        m_players.push_back(newcomer);
    else if (m_players[0].seat == 0)
    {
        m_players[0].seat = 1;
        m_players.insert(m_players.begin() + 1, newcomer);
    }
    else
        m_players.push_back(newcomer);
    return true;
}
