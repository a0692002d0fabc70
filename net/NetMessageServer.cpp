#include "NetMessageServer.h"

#include "NetTick.h"

#include <QCoreApplication>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
constexpr int kListenBacklog = 5;
// Pause before accepting again after the system had no descriptor left.
constexpr int kAcceptRetryMs = 200;

int OpenSpareDescriptor()
{
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}
} // namespace

CNetMessageServer::CNetMessageServer() = default;

CNetMessageServer::~CNetMessageServer()
{
    Stop(false);
}

void CNetMessageServer::OnPing(int /*userId*/, std::uint32_t /*milliseconds*/) {}

bool CNetMessageServer::StartListening(int port)
{
    if (m_listener != nullptr || port < 0 || port > 65535)
        return false;
    auto* listener = new QTcpServer;
    listener->setListenBacklogSize(kListenBacklog);
    if (!listener->listen(QHostAddress::Any, static_cast<quint16>(port)))
    {
        delete listener;
        return false;
    }
    m_listener = listener;
    m_port = listener->serverPort();
    QObject::connect(listener, &QTcpServer::newConnection, [this, listener] {
        if (m_listener == listener)
            OnIncomingConnection();
    });
    QObject::connect(listener, &QTcpServer::acceptError, [this, listener] {
        if (m_listener == listener)
            OnAcceptError();
    });
    if (m_spareDescriptor < 0)
        m_spareDescriptor = OpenSpareDescriptor();
    return true;
}

void CNetMessageServer::ReleaseListener()
{
    if (m_listener == nullptr)
        return;
    QTcpServer* listener = m_listener;
    m_listener = nullptr;
    m_port = -1;
    listener->close();
    // It may be emitting newConnection right now: never deleted directly.
    QObject::disconnect(listener, nullptr, nullptr, nullptr);
    if (QCoreApplication* app = QCoreApplication::instance())
        listener->setParent(app);
    listener->deleteLater();
    if (m_spareDescriptor >= 0)
    {
        ::close(m_spareDescriptor);
        m_spareDescriptor = -1;
    }
}

void CNetMessageServer::OnAcceptError()
{
    // The listener has stopped accepting. When the process has no descriptor
    // left the connections keep waiting in the queue, and accepting again at
    // once would fail again at once: the program would spin. So the spare
    // descriptor is given up for a moment to take each waiting connection
    // and close it (the newcomer sees it refused), and accepting resumes after
    // a pause.
    QTcpServer* listener = m_listener;
    if (listener->serverError() != QAbstractSocket::SocketResourceError)
    {
        // A connection that went away before it was taken: go on at once.
        QTimer::singleShot(0, listener, [this, listener] {
            if (m_listener == listener)
                listener->resumeAccepting();
        });
        return;
    }
    if (m_spareDescriptor >= 0)
    {
        ::close(m_spareDescriptor);
        m_spareDescriptor = -1;
    }
    const int listening = static_cast<int>(listener->socketDescriptor());
    for (int i = 0; i < 4 * kListenBacklog; ++i)
    {
        const int refused = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (refused < 0)
            break;
        ::close(refused);
    }
    m_spareDescriptor = OpenSpareDescriptor();
    QTimer::singleShot(kAcceptRetryMs, listener, [this, listener] {
        if (m_listener == listener)
            listener->resumeAccepting();
    });
}

void CNetMessageServer::StopServer()
{
    Stop(true);
}

void CNetMessageServer::Stop(bool report)
{
    if (m_listener == nullptr)
        return;
    if (report)
    {
        SendMessageToAllUsers(CNetMessage(NET_SERVER_STOPPING));
        SendMessageToAllUsers(CNetMessage(NET_DISCONNECTED));
    }
    else
    {
        for (int id : m_users.GetIds())
        {
            CNetUserEntry* entry = m_users.Find(id);
            (void)entry->GetSocket().Send(CNetMessage(NET_SERVER_STOPPING));
            (void)entry->GetSocket().Send(CNetMessage(NET_DISCONNECTED));
        }
    }
    for (int id : m_users.GetIds())
        RemoveUser(id, true);
    ReleaseListener();
}

void CNetMessageServer::OnIncomingConnection()
{
    QTcpServer* listener = m_listener;
    while (m_listener == listener && listener->hasPendingConnections())
    {
        QTcpSocket* socket = listener->nextPendingConnection();
        if (socket == nullptr)
            break;
        auto peer = std::make_unique<CNetPeerSocket>(socket);
        if (!peer->HasPeer() || !OnIsConnectionAccepted())
        {
            peer->Abort();
            continue;
        }
        const int id = m_users.Add(std::move(peer));
        CNetPeerSocket& user = m_users.Find(id)->GetSocket();
        user.SetHandlers([this, id] { OnUserReadable(id); }, [this, id] { OnUserFailed(id); });
        user.StartKeepAlive(m_keepAliveIntervalMs, m_keepAliveTimeoutMs,
                            [this, id](bool silent) { OnUserKeepAlive(id, silent); });
        OnConnect(id);
        // Bytes that came with the connection are read now.
        if (CNetUserEntry* entry = m_users.Find(id); entry && entry->GetSocket().GetSocket()->bytesAvailable() > 0)
            OnUserReadable(id);
    }
}

bool CNetMessageServer::ReadPending(CNetUserEntry& entry, std::vector<CNetMessage>& messages)
{
    CNetPeerSocket& socket = entry.GetSocket();
    for (;;)
    {
        socket.Receive();
        CNetMessage message;
        switch (socket.GetReader().Next(message))
        {
        case CNetMessageReader::Result::Message: messages.push_back(std::move(message)); break;
        case CNetMessageReader::Result::NeedMore:
            if (socket.GetSocket()->bytesAvailable() > 0)
                break;
            return true;
        case CNetMessageReader::Result::Malformed: return false;
        }
    }
}

void CNetMessageServer::OnUserReadable(int userId)
{
    CNetUserEntry* entry = m_users.Find(userId);
    // A callback may run a nested event loop; this user's later bytes wait for
    // the pass below to come back for them.
    if (entry == nullptr || entry->IsInReadPass())
        return;
    entry->SetInReadPass(true);
    for (;;)
    {
        std::vector<CNetMessage> messages;
        if (!ReadPending(*entry, messages))
        {
            // Nothing of a stream that does not parse is trusted.
            RemoveUser(userId, false);
            OnDisconnect(userId, kReadFailed);
            return;
        }
        if (messages.empty())
            break;
        for (const CNetMessage& message : messages)
        {
            Dispatch(userId, message);
            if (m_users.Find(userId) == nullptr)
                return; // removed by a callback: the rest of its messages are dropped
        }
        entry = m_users.Find(userId);
    }
    entry->SetInReadPass(false);
    // The socket failed while a callback was running: handled now that
    // everything it delivered has been dispatched.
    if (entry->HasFailed())
    {
        RemoveUser(userId, false);
        OnDisconnect(userId, kReadFailed);
    }
}

void CNetMessageServer::OnUserFailed(int userId)
{
    CNetUserEntry* entry = m_users.Find(userId);
    if (entry == nullptr)
        return;
    entry->SetFailed();
    if (entry->IsInReadPass())
        return;
    // What the user sent before its connection failed is still handled first.
    OnUserReadable(userId);
}

void CNetMessageServer::Dispatch(int userId, const CNetMessage& message)
{
    switch (message.GetId())
    {
    case NET_CLIENT_LEAVING: DisconnectUser(userId, kUserLeaving); return;
    case NET_PING_FROM_CLIENT: (void)SendMessageToUser(userId, message); return;
    case NET_PING_FROM_SERVER:
    {
        std::int32_t sent = 0;
        if (message.GetLongAt(0, sent))
            OnPing(userId, NetTick::Now() - static_cast<std::uint32_t>(sent));
        return;
    }
    default: OnMessage(userId, message); return;
    }
}

void CNetMessageServer::SetKeepAlive(int intervalMs, int timeoutMs)
{
    m_keepAliveIntervalMs = intervalMs;
    m_keepAliveTimeoutMs = timeoutMs;
}

void CNetMessageServer::OnUserKeepAlive(int userId, bool silent)
{
    if (m_users.Find(userId) == nullptr)
        return;
    if (silent)
    {
        // No FIN or RST came (a pulled cable, a hung peer), but nothing else either.
        RemoveUser(userId, false);
        OnDisconnect(userId, kReadFailed);
        return;
    }
    CNetMessage echo(NET_PING_FROM_SERVER);
    echo.AddLong(static_cast<std::int32_t>(NetTick::Now()));
    (void)SendMessageToUser(userId, echo);
}

bool CNetMessageServer::SendMessageToUser(int userId, const CNetMessage& message)
{
    CNetUserEntry* entry = m_users.Find(userId);
    if (entry == nullptr)
        return false;
    if (entry->GetSocket().Send(message))
        return true;
    RemoveUser(userId, false);
    OnDisconnect(userId, kSendFailed);
    return false;
}

bool CNetMessageServer::SendMessageToAllUsers(const CNetMessage& message)
{
    std::vector<int> failed;
    for (int id : m_users.GetIds())
    {
        if (!m_users.Find(id)->GetSocket().Send(message))
            failed.push_back(id);
    }
    for (int id : failed)
        RemoveUser(id, false);
    for (int id : failed)
        OnDisconnect(id, kSendFailed);
    return failed.empty();
}

bool CNetMessageServer::DisconnectUser(int userId, int reason)
{
    if (m_users.Find(userId) == nullptr)
        return false;
    if (!SendMessageToUser(userId, CNetMessage(NET_DISCONNECTED)))
        return false;
    RemoveUser(userId, true);
    OnDisconnect(userId, reason);
    return true;
}

void CNetMessageServer::RemoveUser(int userId, bool graceful)
{
    std::unique_ptr<CNetPeerSocket> socket = m_users.Remove(userId);
    if (socket && !graceful)
        socket->Abort();
}
