#pragma once

#include "NetMessage.h"
#include "NetUserList.h"

#include <cstdint>
#include <memory>
#include <vector>

class QTcpServer;

// The server side of the message layer: listens on a port, accepts any number
// of connections as numbered users and sends to one or to all of them. What
// happens reaches the owner through the virtual callbacks, on the thread of
// the event loop. A user that sends something unreadable, or half a message
// and nothing more, holds up nobody else.
class CNetMessageServer
{
public:
    // Reasons passed to OnDisconnect.
    static constexpr int kRemovedHere = 0; // DisconnectUser
    static constexpr int kUserLeaving = 1; // NET_CLIENT_LEAVING arrived
    static constexpr int kSendFailed = 2;
    static constexpr int kReadFailed = 3; // also unparsable bytes, a socket error or a silent user

    // Each user is sent an echo request every interval and is removed
    // (kReadFailed) once it has been silent for the timeout.
    static constexpr int kDefaultKeepAliveIntervalMs = 5000;
    static constexpr int kDefaultKeepAliveTimeoutMs = 20000;

    CNetMessageServer();
    // Stops like StopServer; failures while saying goodbye are not reported,
    // as the owner's part of the object is already gone.
    virtual ~CNetMessageServer();

    CNetMessageServer(const CNetMessageServer&) = delete;
    CNetMessageServer& operator=(const CNetMessageServer&) = delete;

    // Listens on every local address; port 0 picks a free port (see GetPort).
    // False when already listening or when the port cannot be had.
    bool StartListening(int port);
    // Tells every user that the server stops, removes them and stops listening.
    void StopServer();
    [[nodiscard]] bool IsStarted() const { return m_listener != nullptr; }
    // The port listened on, or -1.
    [[nodiscard]] int GetPort() const { return m_port; }

    // False when no user has that id or the send fails; a failed send removes
    // the user and reports OnDisconnect(id, kSendFailed).
    bool SendMessageToUser(int userId, const CNetMessage& message);
    // Sends to every user in order, then removes the users whose send failed
    // and reports each of them. True when no send failed.
    bool SendMessageToAllUsers(const CNetMessage& message);
    // Sends NET_DISCONNECTED, removes the user and reports OnDisconnect(id, reason).
    // False, with nothing reported, when no user has that id.
    bool DisconnectUser(int userId, int reason = kRemovedHere);

    [[nodiscard]] std::vector<int> GetUserIds() const { return m_users.GetIds(); }

    // For users accepted from now on; an interval of 0 turns the echoes and
    // the silence check off.
    void SetKeepAlive(int intervalMs, int timeoutMs);

protected:
    virtual bool OnIsConnectionAccepted() = 0;
    virtual void OnConnect(int userId) = 0;
    virtual void OnMessage(int userId, const CNetMessage& message) = 0;
    virtual void OnDisconnect(int userId, int reason) = 0;
    virtual void OnPing(int userId, std::uint32_t milliseconds);

private:
    void OnIncomingConnection();
    // The system refused a connection (no descriptor left): see the .cpp.
    void OnAcceptError();
    void OnUserReadable(int userId);
    void OnUserFailed(int userId);
    // Reads what the user has sent; false when it does not parse.
    bool ReadPending(CNetUserEntry& entry, std::vector<CNetMessage>& messages);
    void Dispatch(int userId, const CNetMessage& message);
    void OnUserKeepAlive(int userId, bool silent);
    // Takes the user out; graceful lets queued bytes still go out.
    void RemoveUser(int userId, bool graceful);
    void Stop(bool report);
    void ReleaseListener();

    QTcpServer* m_listener = nullptr;
    int m_port = -1;
    int m_keepAliveIntervalMs = kDefaultKeepAliveIntervalMs;
    int m_keepAliveTimeoutMs = kDefaultKeepAliveTimeoutMs;
    int m_spareDescriptor = -1; // kept free for refusing connections when none is left
    CNetUserList m_users;
};
