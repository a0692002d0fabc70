#pragma once

#include "NetMessage.h"
#include "NetMessageClient.h"
#include "NetMessageServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>

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
} // namespace NetTest
