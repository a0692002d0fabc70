#include "NetPeerSocket.h"

#include <QCoreApplication>
#include <QTcpSocket>
#include <QTimer>

namespace
{
// How long a closing socket may take to deliver what is queued before it is dropped.
constexpr int kLingerMs = 5000;

// Incoming bytes the socket itself buffers before it stops reading from the system.
constexpr qint64 kSocketReadBuffer = 64 * 1024;
} // namespace

CNetPeerSocket::CNetPeerSocket(QTcpSocket* socket) : m_socket(socket)
{
    m_socket->setParent(nullptr);
    m_socket->setReadBufferSize(kSocketReadBuffer);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_readConnection = QObject::connect(m_socket, &QTcpSocket::readyRead, [this] {
        if (m_readable)
            m_readable();
    });
    m_errorConnection = QObject::connect(m_socket, &QTcpSocket::errorOccurred, [this] { OnError(); });
    m_heard.start();
}

CNetPeerSocket::~CNetPeerSocket()
{
    QObject::disconnect(m_readConnection);
    QObject::disconnect(m_errorConnection);
    if (m_keepAliveTimer != nullptr)
    {
        m_keepAliveTimer->stop();
        QObject::disconnect(m_keepAliveTimer, nullptr, nullptr, nullptr);
    }
    QTcpSocket* socket = m_socket;
    // The socket may be in the middle of emitting a signal: it is never deleted directly.
    if (QCoreApplication* app = QCoreApplication::instance())
        socket->setParent(app);
    if (m_aborted || socket->state() == QAbstractSocket::UnconnectedState)
    {
        socket->abort();
        socket->deleteLater();
        return;
    }
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(kLingerMs, socket, [socket] {
        socket->abort();
        socket->deleteLater();
    });
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState)
        socket->deleteLater();
}

void CNetPeerSocket::SetHandlers(std::function<void()> readable, std::function<void()> failed)
{
    m_readable = std::move(readable);
    m_failed = std::move(failed);
}

bool CNetPeerSocket::Send(const CNetMessage& message)
{
    if (m_aborted || m_socket->state() != QAbstractSocket::ConnectedState)
        return false;
    const std::string bytes = message.ToBytes();
    m_inSend = true;
    m_errorDuringSend = false;
    const qint64 written = m_socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    if (written == static_cast<qint64>(bytes.size()))
        m_socket->flush();
    m_inSend = false;
    return written == static_cast<qint64>(bytes.size()) && !m_errorDuringSend &&
           m_socket->state() == QAbstractSocket::ConnectedState && m_socket->bytesToWrite() <= kMaxPendingBytes;
}

void CNetPeerSocket::StartKeepAlive(int intervalMs, int timeoutMs, std::function<void(bool silent)> tick)
{
    if (m_keepAliveTimer != nullptr)
        m_keepAliveTimer->stop();
    m_keepAliveTick = std::move(tick);
    m_silenceTimeoutMs = timeoutMs;
    m_heard.restart();
    m_lastAvailable = m_socket->bytesAvailable();
    if (intervalMs <= 0 || m_aborted)
        return;
    if (m_keepAliveTimer == nullptr)
    {
        m_keepAliveTimer = new QTimer(m_socket);
        QObject::connect(m_keepAliveTimer, &QTimer::timeout, m_keepAliveTimer, [this] { OnKeepAliveTick(); });
    }
    m_keepAliveTimer->start(intervalMs);
}

void CNetPeerSocket::OnKeepAliveTick()
{
    if (m_aborted || !m_keepAliveTick)
        return;
    // Bytes still waiting in the socket arrived while the owner was busy (a
    // modal loop within one of its callbacks): the peer spoke. A full read
    // buffer stops changing, but it is full of what the peer said.
    const qint64 available = m_socket->bytesAvailable();
    if (available != m_lastAvailable || (m_socket->readBufferSize() > 0 && available >= m_socket->readBufferSize()))
        m_heard.restart();
    m_lastAvailable = available;
    const bool silent = m_heard.elapsed() >= m_silenceTimeoutMs;
    // The handler may destroy this object: it runs from a copy.
    const std::function<void(bool)> tick = m_keepAliveTick;
    tick(silent);
}

bool CNetPeerSocket::Receive()
{
    if (m_aborted)
        return false;
    const QByteArray bytes = m_socket->readAll();
    m_lastAvailable = 0;
    if (bytes.isEmpty())
        return false;
    m_heard.restart();
    m_reader.Append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

bool CNetPeerSocket::HasPeer() const
{
    return !m_aborted && m_socket->state() == QAbstractSocket::ConnectedState;
}

void CNetPeerSocket::Abort()
{
    m_aborted = true;
    if (m_keepAliveTimer != nullptr)
        m_keepAliveTimer->stop();
    QObject::disconnect(m_readConnection);
    QObject::disconnect(m_errorConnection);
    m_socket->abort();
}

void CNetPeerSocket::OnError()
{
    if (m_inSend)
    {
        // The send reports the failure itself; the owner learns it from its result.
        m_errorDuringSend = true;
        return;
    }
    if (m_failed)
        m_failed();
}
