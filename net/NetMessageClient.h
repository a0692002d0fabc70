#pragma once

#include "NetMessage.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CNetPeerSocket;
class QTcpSocket;
class QTimer;

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
    static constexpr int kReadFailed = 4;    // also a socket error or the server vanishing
    static constexpr int kConnectFailed = 5; // the connection was never made

    // How long a connection attempt waits for the server to answer.
    static constexpr int kConnectTimeoutMs = 5000;
    // An open connection sends the server an echo request every interval and
    // is lost (kReadFailed) once the server has been silent for the timeout:
    // a pulled cable is noticed within timeout + interval.
    static constexpr int kDefaultKeepAliveIntervalMs = 5000;
    static constexpr int kDefaultKeepAliveTimeoutMs = 20000;

    CNetMessageClient();
    // Announces the departure and closes like CloseConnection, but reports
    // nothing: the owner's part of the object is already gone.
    virtual ~CNetMessageClient();

    CNetMessageClient(const CNetMessageClient&) = delete;
    CNetMessageClient& operator=(const CNetMessageClient&) = delete;

    // Closes any open connection first, then starts connecting to host (an
    // IPv4 or IPv6 address, with or without brackets, or a name, looked up in
    // the background) and port, after delayMs when given, and returns at
    // once: the caller never waits. False, with nothing started, for an empty
    // host or a port out of range. The outcome arrives as an event: OnConnected,
    // or OnDisconnect(kConnectFailed) when the host is not found, refuses, or
    // does not answer within kConnectTimeoutMs.
    bool OpenConnection(const std::string& host, int port, int delayMs = 0);
    // Sends NET_CLIENT_LEAVING, closes and reports OnDisconnect(kClosedHere),
    // if a connection is open. A connection still being made is given up
    // without a report.
    void CloseConnection();
    // False when neither connected nor connecting; a failed send closes the
    // connection and reports OnDisconnect(kSendFailed). While the connection
    // is being made, messages wait and go out, in order, once it is there.
    bool SendMessage(const CNetMessage& message);
    [[nodiscard]] bool IsConnected() const { return m_peer != nullptr; }
    // For connections made from now on; an interval of 0 turns the echoes
    // and the silence check off.
    void SetKeepAlive(int intervalMs, int timeoutMs);
    [[nodiscard]] bool IsConnecting() const { return m_connecting != nullptr; }
    // Whether the last attempt that failed did so because the host's name
    // could not be resolved (rather than being refused or unanswered).
    [[nodiscard]] bool WasHostNotFound() const { return m_hostNotFound; }

protected:
    virtual void OnConnected() {}
    virtual void OnMessage(const CNetMessage& message) = 0;
    virtual void OnDisconnect(int reason) = 0;
    virtual void OnPing(std::uint32_t milliseconds);

private:
    void OnSocketConnected();
    void OnConnectFailed();
    // Gives up a connection being made, reporting nothing.
    void AbandonConnecting();
    void OnReadable();
    void OnSocketFailed();
    void Dispatch(const CNetMessage& message);
    void OnKeepAlive(bool silent);
    // Drops the connection without sending anything and reports the reason.
    void Drop(int reason, bool graceful);
    [[nodiscard]] bool IsCurrent(std::uint64_t serial) const { return m_peer && m_serial == serial; }

    std::unique_ptr<CNetPeerSocket> m_peer;
    std::unique_ptr<QTcpSocket> m_connecting;
    std::unique_ptr<QTimer> m_connectTimer;
    std::vector<CNetMessage> m_waiting; // sent while connecting
    std::uint64_t m_serial = 0;         // grows with every connection, so a callback's close is noticed
    int m_keepAliveIntervalMs = kDefaultKeepAliveIntervalMs;
    int m_keepAliveTimeoutMs = kDefaultKeepAliveTimeoutMs;
    bool m_hostNotFound = false;
    bool m_inReadPass = false;
    bool m_failedDuringPass = false;
};
