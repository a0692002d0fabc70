#include "NetMessageClient.h"

#include "NetPeerSocket.h"
#include "NetTick.h"

#include <QTcpSocket>
#include <QTimer>

CNetMessageClient::CNetMessageClient() = default;

CNetMessageClient::~CNetMessageClient()
{
    AbandonConnecting();
    if (m_peer)
        (void)m_peer->Send(CNetMessage(NET_CLIENT_LEAVING));
    m_peer.reset();
}

void CNetMessageClient::OnPing(std::uint32_t /*milliseconds*/) {}

bool CNetMessageClient::OpenConnection(const std::string& host, int port, int delayMs)
{
    CloseConnection();
    AbandonConnecting();
    m_hostNotFound = false;
    std::string name = host;
    // "[fd00::1]", as IPv6 addresses are written beside a port.
    if (name.size() > 2 && name.front() == '[' && name.back() == ']')
        name = name.substr(1, name.size() - 2);
    if (port < 0 || port > 65535 || name.empty())
        return false;
    m_connecting = std::make_unique<QTcpSocket>();
    QTcpSocket* socket = m_connecting.get();
    QObject::connect(socket, &QTcpSocket::connected, socket, [this] { OnSocketConnected(); });
    // Queued: a failure found at once is still reported after OpenConnection has returned.
    QObject::connect(
        socket, &QTcpSocket::errorOccurred, socket,
        [this, socket] {
            if (m_connecting.get() != socket)
                return;
            m_hostNotFound = socket->error() == QAbstractSocket::HostNotFoundError;
            OnConnectFailed();
        },
        Qt::QueuedConnection);
    // A delayed attempt starts when the timer first runs out; every attempt
    // that does not answer in time is given up when it runs out again.
    m_connectTimer = std::make_unique<QTimer>();
    m_connectTimer->setSingleShot(true);
    const QString address = QString::fromStdString(name);
    const auto target = static_cast<quint16>(port);
    auto start = [this, address, target] {
        m_connecting->connectToHost(address, target);
        // A failure reported at once has given the attempt up already.
        if (m_connectTimer)
            m_connectTimer->start(kConnectTimeoutMs);
    };
    QObject::connect(m_connectTimer.get(), &QTimer::timeout, socket, [this, start] {
        if (!m_connecting)
            return;
        if (m_connecting->state() == QAbstractSocket::UnconnectedState)
            start();
        else
        {
            // A name still unresolved after all that time is as good as unknown.
            m_hostNotFound = m_connecting->state() == QAbstractSocket::HostLookupState;
            OnConnectFailed();
        }
    });
    if (delayMs > 0)
        m_connectTimer->start(delayMs);
    else
        start();
    return true;
}

void CNetMessageClient::AbandonConnecting()
{
    m_connectTimer.reset();
    m_waiting.clear();
    if (!m_connecting)
        return;
    // The socket may be in the middle of emitting a signal: it is never deleted directly.
    QTcpSocket* socket = m_connecting.release();
    QObject::disconnect(socket, nullptr, nullptr, nullptr);
    socket->abort();
    socket->deleteLater();
}

void CNetMessageClient::OnConnectFailed()
{
    if (!m_connecting)
        return;
    AbandonConnecting();
    OnDisconnect(kConnectFailed);
}

void CNetMessageClient::OnSocketConnected()
{
    if (!m_connecting)
        return;
    m_connectTimer.reset();
    QTcpSocket* socket = m_connecting.release();
    QObject::disconnect(socket, nullptr, nullptr, nullptr);
    m_peer = std::make_unique<CNetPeerSocket>(socket);
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
    m_peer->StartKeepAlive(m_keepAliveIntervalMs, m_keepAliveTimeoutMs, [this, serial](bool silent) {
        if (IsCurrent(serial))
            OnKeepAlive(silent);
    });
    const std::vector<CNetMessage> waiting = std::move(m_waiting);
    m_waiting.clear();
    for (const CNetMessage& message : waiting)
        if (!SendMessage(message))
            return; // the failed send has closed and reported already
    OnConnected();
    // Bytes may already be waiting (a server that answers at once).
    if (IsCurrent(serial) && m_peer->GetSocket()->bytesAvailable() > 0)
        OnReadable();
}

void CNetMessageClient::SetKeepAlive(int intervalMs, int timeoutMs)
{
    m_keepAliveIntervalMs = intervalMs;
    m_keepAliveTimeoutMs = timeoutMs;
}

void CNetMessageClient::OnKeepAlive(bool silent)
{
    if (silent)
    {
        // Nothing closed the connection, but nothing comes through it either.
        Drop(kReadFailed, false);
        return;
    }
    CNetMessage echo(NET_PING_FROM_CLIENT);
    echo.AddLong(static_cast<std::int32_t>(NetTick::Now()));
    (void)SendMessage(echo);
}

void CNetMessageClient::CloseConnection()
{
    AbandonConnecting();
    if (!m_peer)
        return;
    if (!SendMessage(CNetMessage(NET_CLIENT_LEAVING)))
        return; // the failed send has closed and reported already
    m_peer.reset();
    OnDisconnect(kClosedHere);
}

bool CNetMessageClient::SendMessage(const CNetMessage& message)
{
    if (m_connecting)
    {
        m_waiting.push_back(message);
        return true;
    }
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
