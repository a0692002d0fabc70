#pragma once

#include "NetMessage.h"

#include <cstdint>
#include <memory>
#include <string>

class CNetPeerSocket;

// The client side of the message layer: one connection to a server. What
// happens on the connection reaches the owner through the virtual callbacks,
// always on the thread of the event loop.
class CNetMessageClient
{
public:
    // Reasons passed to OnDisconnect.
    static constexpr int kClosedHere = 0;      // CloseConnection
    static constexpr int kRemovedByServer = 1; // NET_DISCONNECTED arrived
    static constexpr int kServerStopping = 2;  // NET_SERVER_STOPPING arrived
    static constexpr int kSendFailed = 3;
    static constexpr int kReadFailed = 4; // also a socket error or the server vanishing

    // How long OpenConnection waits for the server to answer.
    static constexpr int kConnectTimeoutMs = 5000;

    CNetMessageClient();
    // Announces the departure and closes like CloseConnection, but reports
    // nothing: the owner's part of the object is already gone.
    virtual ~CNetMessageClient();

    CNetMessageClient(const CNetMessageClient&) = delete;
    CNetMessageClient& operator=(const CNetMessageClient&) = delete;

    // Closes any open connection first, then connects to host (an address or a
    // name) and port, waiting until the connection is made or refused.
    bool OpenConnection(const std::string& host, int port);
    // Sends NET_CLIENT_LEAVING, closes and reports OnDisconnect(kClosedHere),
    // if a connection is open.
    void CloseConnection();
    // False when not connected; a failed send closes the connection and reports
    // OnDisconnect(kSendFailed).
    bool SendMessage(const CNetMessage& message);
    [[nodiscard]] bool IsConnected() const { return m_peer != nullptr; }

protected:
    virtual void OnMessage(const CNetMessage& message) = 0;
    virtual void OnDisconnect(int reason) = 0;
    virtual void OnPing(std::uint32_t milliseconds);

private:
    void OnReadable();
    void OnSocketFailed();
    void Dispatch(const CNetMessage& message);
    // Drops the connection without sending anything and reports the reason.
    void Drop(int reason, bool graceful);
    [[nodiscard]] bool IsCurrent(std::uint64_t serial) const { return m_peer && m_serial == serial; }

    std::unique_ptr<CNetPeerSocket> m_peer;
    std::uint64_t m_serial = 0; // grows with every connection, so a callback's close is noticed
    bool m_inReadPass = false;
    bool m_failedDuringPass = false;
};
