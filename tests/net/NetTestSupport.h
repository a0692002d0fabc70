#pragma once

#include "NetMessage.h"
#include "NetMessageClient.h"
#include "NetMessageServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

namespace NetTest
{
// Runs the event loop until the condition holds or the time is up.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 3000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition())
    {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Runs the event loop for a while, for checks that something does not happen.
inline void Pump(int ms = 50)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

inline std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out.push_back(static_cast<char>(v));
    return out;
}

// A client that writes down what happens to it.
class CRecordingClient : public CNetMessageClient
{
public:
    ~CRecordingClient() override = default;

    std::vector<CNetMessage> m_messages;
    std::vector<int> m_disconnects;
    std::vector<std::uint32_t> m_pings;
    std::function<void(const CNetMessage&)> m_onMessage;

protected:
    void OnMessage(const CNetMessage& message) override
    {
        m_messages.push_back(message);
        if (m_onMessage)
            m_onMessage(message);
    }
    void OnDisconnect(int reason) override { m_disconnects.push_back(reason); }
    void OnPing(std::uint32_t milliseconds) override { m_pings.push_back(milliseconds); }
};

// A server that writes down what happens to it.
class CRecordingServer : public CNetMessageServer
{
public:
    struct Received
    {
        int userId;
        CNetMessage message;
    };
    struct Disconnect
    {
        int userId;
        int reason;
        std::vector<int> usersAtReport; // the users still listed when it was reported
    };

    ~CRecordingServer() override = default;

    bool m_accept = true;
    std::vector<int> m_connects;
    std::vector<Received> m_messages;
    std::vector<Disconnect> m_disconnects;
    std::vector<std::pair<int, std::uint32_t>> m_pings;
    std::function<void(int, const CNetMessage&)> m_onMessage;

protected:
    bool OnIsConnectionAccepted() override { return m_accept; }
    void OnConnect(int userId) override { m_connects.push_back(userId); }
    void OnMessage(int userId, const CNetMessage& message) override
    {
        m_messages.push_back({userId, message});
        if (m_onMessage)
            m_onMessage(userId, message);
    }
    void OnDisconnect(int userId, int reason) override { m_disconnects.push_back({userId, reason, GetUserIds()}); }
    void OnPing(int userId, std::uint32_t milliseconds) override { m_pings.emplace_back(userId, milliseconds); }
};

// A bare socket for sending bytes that the program's own writer never makes.
inline std::unique_ptr<QTcpSocket> RawConnect(int port)
{
    auto socket = std::make_unique<QTcpSocket>();
    socket->connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    if (!socket->waitForConnected(3000))
        return nullptr;
    return socket;
}

inline void RawSend(QTcpSocket& socket, const std::string& bytes)
{
    socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
    socket.flush();
}

// A plain socket of the system, for what a Qt socket cannot do: reset its
// connection, or exist before the test lowers the descriptor limit. Made in
// the constructor, connected later; all on loopback.
class CPosixClient
{
public:
    CPosixClient() : m_fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    ~CPosixClient() { Close(); }
    CPosixClient(const CPosixClient&) = delete;
    CPosixClient& operator=(const CPosixClient&) = delete;

    [[nodiscard]] bool IsValid() const { return m_fd >= 0; }

    // Connects to 127.0.0.1; the system completes it even before the server takes it.
    bool Connect(int port)
    {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return m_fd >= 0 && ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }

    bool Send(const std::string& bytes)
    {
        std::size_t sent = 0;
        while (sent < bytes.size())
        {
            const ssize_t n = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                return false;
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }

    // Appends what has arrived, without waiting. False once the connection
    // has ended (closed or reset by the server).
    bool Receive(std::string& into)
    {
        char buffer[65536];
        for (;;)
        {
            const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n > 0)
            {
                into.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
                return true;
            return false;
        }
    }

    // Ends the connection with a reset (SO_LINGER 0) instead of a normal close.
    void Reset()
    {
        if (m_fd < 0)
            return;
        linger abort{1, 0};
        ::setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        Close();
    }

    void Close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};
} // namespace NetTest
