#include "NetMessageReader.h"
#include "NetTestSupport.h"

#include <QTcpServer>

#include <algorithm>

#include <gtest/gtest.h>

using namespace NetTest;

// Echo requests every few milliseconds and a silence timeout of a fraction of
// a second stand in for the program's seconds; peers on loopback that stop
// answering stand in for a pulled cable, which sends no FIN or RST.
namespace
{
constexpr int kIntervalMs = 40;
constexpr int kTimeoutMs = 300;

// The ids of the whole messages in the bytes a bare socket has received.
std::vector<int> MessageIds(const QByteArray& bytes)
{
    CNetMessageReader reader;
    reader.Append(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    std::vector<int> ids;
    CNetMessage message;
    while (reader.Next(message) == CNetMessageReader::Result::Message)
        ids.push_back(message.GetId());
    return ids;
}

class NetKeepAliveTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_server.SetKeepAlive(kIntervalMs, kTimeoutMs);
        ASSERT_TRUE(m_server.StartListening(0));
    }

    CRecordingServer m_server;
};
} // namespace

TEST_F(NetKeepAliveTest, AUserThatNeverAnswersIsDroppedAsAReadFailure)
{
    auto mute = RawConnect(m_server.GetPort());
    ASSERT_TRUE(mute);
    ASSERT_TRUE(WaitUntil([&] { return m_server.m_connects.size() == 1; }));
    QByteArray heard;
    ASSERT_TRUE(WaitUntil(
        [&] {
            heard += mute->readAll();
            return !m_server.m_disconnects.empty();
        },
        5000));
    EXPECT_EQ(m_server.m_disconnects[0].userId, 1);
    EXPECT_EQ(m_server.m_disconnects[0].reason, CNetMessageServer::kReadFailed);
    EXPECT_TRUE(m_server.GetUserIds().empty());
    // It was asked, several times, before it was given up.
    const std::vector<int> ids = MessageIds(heard);
    EXPECT_GE(std::count(ids.begin(), ids.end(), NET_PING_FROM_SERVER), 3) << heard.size();
    EXPECT_EQ(std::count(ids.begin(), ids.end(), NET_DISCONNECTED), 0) << "a silent peer is dropped, not told";
}

TEST_F(NetKeepAliveTest, AClientDropsAServerThatStopsAnswering)
{
    QTcpServer mute;
    ASSERT_TRUE(mute.listen(QHostAddress::LocalHost, 0));
    CRecordingClient client;
    client.SetKeepAlive(kIntervalMs, kTimeoutMs);
    ASSERT_TRUE(client.OpenConnection("127.0.0.1", mute.serverPort()));
    ASSERT_TRUE(WaitUntil([&] { return mute.hasPendingConnections() && client.IsConnected(); }));
    std::unique_ptr<QTcpSocket> accepted(mute.nextPendingConnection());
    QByteArray heard;
    ASSERT_TRUE(WaitUntil(
        [&] {
            heard += accepted->readAll();
            return !client.m_disconnects.empty();
        },
        5000));
    EXPECT_EQ(client.m_disconnects, std::vector<int>{CNetMessageClient::kReadFailed});
    EXPECT_FALSE(client.IsConnected());
    const std::vector<int> ids = MessageIds(heard);
    EXPECT_GE(std::count(ids.begin(), ids.end(), NET_PING_FROM_CLIENT), 3);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), NET_CLIENT_LEAVING), 0);
}

TEST_F(NetKeepAliveTest, PeersThatAnswerStayConnectedLongPastTheTimeout)
{
    CRecordingClient client;
    client.SetKeepAlive(kIntervalMs, kTimeoutMs);
    ASSERT_TRUE(client.OpenConnection("127.0.0.1", m_server.GetPort()));
    // Both sides' echoes come back for several timeouts' worth of intervals.
    const std::size_t rounds = 4 * kTimeoutMs / kIntervalMs;
    ASSERT_TRUE(WaitUntil([&] { return client.m_pings.size() >= rounds && m_server.m_pings.size() >= rounds; }, 20000));
    EXPECT_TRUE(client.IsConnected());
    EXPECT_TRUE(client.m_disconnects.empty());
    EXPECT_TRUE(m_server.m_disconnects.empty());
    EXPECT_TRUE(client.m_messages.empty()) << "echoes never reach the game";
    EXPECT_TRUE(m_server.m_messages.empty());
    EXPECT_EQ(m_server.m_pings.front().first, 1);
}

// As when a message box opened by an arriving message stays open: the side
// whose callback runs its own event loop reads nothing meanwhile, yet neither
// side takes the other for gone, since both keep sending their own echoes.
TEST_F(NetKeepAliveTest, AModalLoopInACallbackIsNoSilence)
{
    CRecordingClient client;
    client.SetKeepAlive(kIntervalMs, kTimeoutMs);
    ASSERT_TRUE(client.OpenConnection("127.0.0.1", m_server.GetPort()));
    ASSERT_TRUE(WaitUntil([&] { return client.IsConnected() && !m_server.m_connects.empty(); }));
    bool looped = false;
    client.m_onMessage = [&](const CNetMessage&) {
        Pump(3 * kTimeoutMs);
        looped = true;
    };
    m_server.m_onMessage = [&](int, const CNetMessage&) { Pump(3 * kTimeoutMs); };
    ASSERT_TRUE(m_server.SendMessageToUser(1, CNetMessage(6)));
    ASSERT_TRUE(client.SendMessage(CNetMessage(6)));
    ASSERT_TRUE(WaitUntil([&] { return looped && m_server.m_messages.size() == 1; }, 10000));
    EXPECT_TRUE(client.m_disconnects.empty());
    EXPECT_TRUE(m_server.m_disconnects.empty());
    EXPECT_TRUE(client.IsConnected());
}

TEST_F(NetKeepAliveTest, AnIntervalOfZeroTurnsTheWatchOff)
{
    m_server.SetKeepAlive(0, kTimeoutMs);
    auto mute = RawConnect(m_server.GetPort());
    ASSERT_TRUE(mute);
    ASSERT_TRUE(WaitUntil([&] { return m_server.m_connects.size() == 1; }));
    Pump(2 * kTimeoutMs);
    EXPECT_TRUE(m_server.m_disconnects.empty());
    EXPECT_EQ(mute->bytesAvailable(), 0);
}
