#pragma once

#include "NetMessageReader.h"

#include <QElapsedTimer>
#include <QMetaObject>

#include <cstdint>
#include <functional>

class QTcpSocket;
class QTimer;

// One open TCP connection of the message layer, on either side: the socket,
// the bytes received but not yet taken as messages, and message sending.
//
// Sends never block: a message is handed to the socket, which passes it to the
// system at once as far as the system takes it and keeps the rest queued. A
// peer that stops reading is a failed send once the queue passes a bound, so
// it cannot hold up the program or grow its memory without end.
class CNetPeerSocket
{
public:
    // Bytes that may wait in the socket for a peer that does not read.
    static constexpr std::int64_t kMaxPendingBytes = 4 * 1024 * 1024;

    // Takes over a connected socket.
    explicit CNetPeerSocket(QTcpSocket* socket);
    // Closes gracefully: what is queued is still delivered, then the sending
    // direction is shut down. The socket object goes away by itself.
    ~CNetPeerSocket();

    CNetPeerSocket(const CNetPeerSocket&) = delete;
    CNetPeerSocket& operator=(const CNetPeerSocket&) = delete;

    // readable: new bytes have arrived. failed: the socket reported an error or
    // the peer closed. Neither is called from within Send.
    void SetHandlers(std::function<void()> readable, std::function<void()> failed);

    // False when the socket is not connected, rejects the bytes, or the peer
    // has left too much unread.
    bool Send(const CNetMessage& message);

    // Keeps the connection watched: every intervalMs tick is called, with
    // silent true once nothing has been heard from the peer for timeoutMs
    // (no FIN or RST arrives when a cable is pulled or a peer hangs). The
    // owner sends an echo on a quiet tick and drops the connection on a
    // silent one. Bytes that have arrived but wait for the owner to read
    // them count as heard. An interval of 0 or less turns the watch off.
    void StartKeepAlive(int intervalMs, int timeoutMs, std::function<void(bool silent)> tick);
    // Milliseconds since the peer was last heard.
    [[nodiscard]] qint64 GetSilenceMs() const { return m_heard.elapsed(); }

    // Moves the bytes the socket holds into the reader; false when there were none.
    bool Receive();
    [[nodiscard]] CNetMessageReader& GetReader() { return m_reader; }

    // True while the socket is connected to its peer.
    [[nodiscard]] bool HasPeer() const;

    // Drops the connection at once, discarding whatever is still queued.
    void Abort();

    [[nodiscard]] QTcpSocket* GetSocket() const { return m_socket; }

private:
    void OnError();
    void OnKeepAliveTick();

    QTcpSocket* m_socket;
    CNetMessageReader m_reader;
    std::function<void()> m_readable;
    std::function<void()> m_failed;
    QMetaObject::Connection m_readConnection;
    QMetaObject::Connection m_errorConnection;
    bool m_inSend = false;
    bool m_errorDuringSend = false;
    bool m_aborted = false;
    // The watch: its timer belongs to the socket, which outlives this object
    // when a tick's handler destroys it.
    QTimer* m_keepAliveTimer = nullptr;
    std::function<void(bool silent)> m_keepAliveTick;
    int m_silenceTimeoutMs = 0;
    QElapsedTimer m_heard;
    qint64 m_lastAvailable = 0;
};
