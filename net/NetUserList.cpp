#include "NetUserList.h"

#include <algorithm>

int CNetUserList::Add(std::unique_ptr<CNetPeerSocket> socket)
{
    m_users.emplace_back(++m_lastId, std::move(socket));
    return m_lastId;
}

CNetUserEntry* CNetUserList::Find(int id)
{
    auto it = std::find_if(m_users.begin(), m_users.end(), [id](const CNetUserEntry& e) { return e.GetId() == id; });
    return it == m_users.end() ? nullptr : &*it;
}

std::unique_ptr<CNetPeerSocket> CNetUserList::Remove(int id)
{
    auto it = std::find_if(m_users.begin(), m_users.end(), [id](const CNetUserEntry& e) { return e.GetId() == id; });
    if (it == m_users.end())
        return nullptr;
    std::unique_ptr<CNetPeerSocket> socket = it->TakeSocket();
    m_users.erase(it);
    return socket;
}

std::vector<int> CNetUserList::GetIds() const
{
    std::vector<int> ids;
    ids.reserve(m_users.size());
    for (const CNetUserEntry& entry : m_users)
        ids.push_back(entry.GetId());
    return ids;
}
