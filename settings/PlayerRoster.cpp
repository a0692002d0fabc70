#include "PlayerRoster.h"

#include "ProgramTexts.h"

#include <algorithm>

std::unique_ptr<PlayerRoster> PlayerRoster::s_instance;

PlayerRoster& PlayerRoster::Instance()
{
    if (!s_instance)
        s_instance = std::make_unique<PlayerRoster>();
    return *s_instance;
}

void PlayerRoster::Release()
{
    s_instance.reset();
}

const PlayerEntry& PlayerRoster::GetEntry(int i) const
{
    static const PlayerEntry empty;
    if (i < 0 || i >= Count())
        return empty;
    return m_players[static_cast<size_t>(i)];
}

bool PlayerRoster::SetEntry(int i, const PlayerEntry& entry)
{
    if (i < 0 || i >= kMaxEntries)
        return false;
    if (i >= Count())
        m_players.resize(static_cast<size_t>(i) + 1);
    m_players[static_cast<size_t>(i)] = entry;
    return true;
}

bool PlayerRoster::RemoveByName(const QString& name)
{
    auto it = std::find_if(m_players.begin(), m_players.end(), [&](const PlayerEntry& e) { return e.name == name; });
    if (it == m_players.end())
        return false;
    m_players.erase(it);
    return true;
}

bool PlayerRoster::Contains(const QString& name) const
{
    return std::any_of(m_players.begin(), m_players.end(), [&](const PlayerEntry& e) { return e.name == name; });
}

int32_t PlayerRoster::ConnectionIdOf(const QString& name) const
{
    for (const PlayerEntry& entry : m_players)
    {
        if (entry.name == name)
            return entry.connectionId;
    }
    return -1;
}

int PlayerRoster::IndexOfNickname() const
{
    for (int i = 0; i < Count(); ++i)
    {
        if (m_players[static_cast<size_t>(i)].name == m_nickname)
            return i;
    }
    return -1;
}

void PlayerRoster::Reset()
{
    m_players.clear();
    m_victories = 0;
    m_defeats = 0;
    m_draws = 0;
}

QString PlayerRoster::StatisticsText() const
{
    return QString::asprintf(ProgramTexts::Text(ProgramTexts::IDS_STATISTICS).c_str(), m_victories, m_defeats, m_draws);
}
