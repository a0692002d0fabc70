#include "NetMessageClient.h"

#include "NetPeerSocket.h"
#include "NetTick.h"

#include <QTcpSocket>

CNetMessageClient::CNetMessageClient() = default;

CNetMessageClient::~CNetMessageClient()
{
    if (m_peer)
        (void)m_peer->Send(CNetMessage(NET_CLIENT_LEAVING));
    m_peer.reset();
}

void CNetMessageClient::OnPing(std::uint32_t /*milliseconds*/) {}

bool CNetMessageClient::OpenConnection(const std::string& host, int port)
{
    CloseConnection();
    if (port < 0 || port > 65535 || host.empty())
        return false;
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QString::fromStdString(host), static_cast<quint16>(port));
    if (!socket->waitForConnected(kConnectTimeoutMs))
        return false;
    m_peer = std::make_unique<CNetPeerSocket>(socket.release());
    m_inReadPass = false;
    m_failedDuringPass = false;
    const std::uint64_t serial = ++m_serial;
    m_peer->SetHandlers(
        [this, serial] {
            if (IsCurrent(serial))
                OnReadable();
        },
        [this, serial] {
            if (IsCurrent(serial))
                OnSocketFailed();
        });
    // Bytes may already be waiting (a server that answers at once).
    if (m_peer->GetSocket()->bytesAvailable() > 0)
        OnReadable();
    return IsConnected();
}

void CNetMessageClient::CloseConnection()
{
    if (!m_peer)
        return;
    if (!SendMessage(CNetMessage(NET_CLIENT_LEAVING)))
        return; // the failed send has closed and reported already
    m_peer.reset();
    OnDisconnect(kClosedHere);
}

bool CNetMessageClient::SendMessage(const CNetMessage& message)
{
    if (!m_peer)
        return false;
    if (m_peer->Send(message))
        return true;
    Drop(kSendFailed, false);
    return false;
}

void CNetMessageClient::Drop(int reason, bool graceful)
{
    if (!m_peer)
        return;
    if (!graceful)
        m_peer->Abort();
    m_peer.reset();
    OnDisconnect(reason);
}

void CNetMessageClient::OnReadable()
{
    // A callback may run a nested event loop; bytes of this connection that
    // arrive meanwhile wait for the pass below to come back for them.
    if (m_inReadPass)
        return;
    const std::uint64_t serial = m_serial;
    m_inReadPass = true;
    m_failedDuringPass = false;
    while (IsCurrent(serial))
    {
        m_peer->Receive();
        CNetMessage message;
        const auto result = m_peer->GetReader().Next(message);
        if (result == CNetMessageReader::Result::Malformed)
        {
            m_inReadPass = false;
            Drop(kReadFailed, false);
            return;
        }
        if (result == CNetMessageReader::Result::NeedMore)
        {
            if (m_peer->GetSocket()->bytesAvailable() > 0)
                continue;
            break;
        }
        Dispatch(message);
    }
    if (!IsCurrent(serial))
        return;
    m_inReadPass = false;
    // The socket failed while a callback was running: now that everything it
    // delivered has been handled, the connection is lost.
    if (m_failedDuringPass)
        Drop(kReadFailed, false);
}

void CNetMessageClient::OnSocketFailed()
{
    if (m_inReadPass)
    {
        m_failedDuringPass = true;
        return;
    }
    // Whatever the server sent before it went away is still handled first.
    const std::uint64_t serial = m_serial;
    OnReadable();
    if (IsCurrent(serial))
        Drop(kReadFailed, false);
}

void CNetMessageClient::Dispatch(const CNetMessage& message)
{
    switch (message.GetId())
    {
    case NET_DISCONNECTED: Drop(kRemovedByServer, true); return;
    case NET_SERVER_STOPPING: Drop(kServerStopping, true); return;
    case NET_PING_FROM_SERVER: (void)SendMessage(message); return;
    case NET_PING_FROM_CLIENT:
    {
        std::int32_t sent = 0;
        if (message.GetLongAt(0, sent))
            OnPing(NetTick::Now() - static_cast<std::uint32_t>(sent));
        return;
    }
    default: OnMessage(message); return;
    }
}
