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
}

CNetPeerSocket::~CNetPeerSocket()
{
    QObject::disconnect(m_readConnection);
    QObject::disconnect(m_errorConnection);
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

bool CNetPeerSocket::Receive()
{
    if (m_aborted)
        return false;
    const QByteArray bytes = m_socket->readAll();
    if (bytes.isEmpty())
        return false;
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
