#pragma once

#include "NetPeerSocket.h"

#include <memory>
#include <vector>

// One connected user of a server: the id it was given and its connection.
class CNetUserEntry
{
public:
    CNetUserEntry(int id, std::unique_ptr<CNetPeerSocket> socket) : m_id(id), m_socket(std::move(socket)) {}

    [[nodiscard]] int GetId() const { return m_id; }
    [[nodiscard]] CNetPeerSocket& GetSocket() const { return *m_socket; }
    std::unique_ptr<CNetPeerSocket> TakeSocket() { return std::move(m_socket); }

    // True while the server is reading this user's bytes; see CNetMessageServer.
    [[nodiscard]] bool IsInReadPass() const { return m_inReadPass; }
    void SetInReadPass(bool reading) { m_inReadPass = reading; }
    // The socket reported an error or the user went away.
    [[nodiscard]] bool HasFailed() const { return m_failed; }
    void SetFailed() { m_failed = true; }

private:
    int m_id;
    bool m_inReadPass = false;
    bool m_failed = false;
    std::unique_ptr<CNetPeerSocket> m_socket;
};

// The users of a server in order of acceptance. Ids start at 1 and are never
// reused for the life of the list, also across stops and restarts.
class CNetUserList
{
public:
    // Appends the connection under the next id and returns that id.
    int Add(std::unique_ptr<CNetPeerSocket> socket);
    // The entry with that id, or null. Valid until the list changes.
    [[nodiscard]] CNetUserEntry* Find(int id);
    // Takes the entry out and hands back its connection (null when not found).
    std::unique_ptr<CNetPeerSocket> Remove(int id);

    [[nodiscard]] std::vector<int> GetIds() const;
    [[nodiscard]] bool IsEmpty() const { return m_users.empty(); }
    [[nodiscard]] int GetLastId() const { return m_lastId; }

private:
    std::vector<CNetUserEntry> m_users;
    int m_lastId = 0;
};
