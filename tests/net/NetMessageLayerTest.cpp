#include "NetTestSupport.h"
#include "NetTick.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTcpServer>

using namespace NetTest;

namespace
{
class NetLayerTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_server.StartListening(0)); }
    void TearDown() override { NetTick::SetSource({}); }

    // Connects a client and waits until the server has accepted it.
    void Connect(CRecordingClient& client)
    {
        const std::size_t before = m_server.m_connects.size();
        ASSERT_TRUE(client.OpenConnection("127.0.0.1", m_server.GetPort()));
        ASSERT_TRUE(WaitUntil([&] { return m_server.m_connects.size() > before && client.IsConnected(); }));
    }

    CRecordingServer m_server;
};

CNetMessage Move(int value)
{
    CNetMessage message(6);
    message.AddInt(value);
    message.AddString("e2e4");
    return message;
}
} // namespace

TEST_F(NetLayerTest, MessagesTravelBothWays)
{
    CRecordingClient client;
    Connect(client);
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(m_server.m_connects, std::vector<int>{1});

    ASSERT_TRUE(client.SendMessage(Move(1)));
    ASSERT_TRUE(WaitUntil([&] { return m_server.m_messages.size() == 1; }));
    EXPECT_EQ(m_server.m_messages[0].userId, 1);
    EXPECT_EQ(m_server.m_messages[0].message, Move(1));

    ASSERT_TRUE(m_server.SendMessageToUser(1, Move(2)));
    // A negative id that is no control message reaches the game like any other.
    ASSERT_TRUE(m_server.SendMessageToUser(1, CNetMessage(-9)));
    ASSERT_TRUE(WaitUntil([&] { return client.m_messages.size() == 2; }));
    EXPECT_EQ(client.m_messages[0], Move(2));
    EXPECT_EQ(client.m_messages[1].GetId(), -9);

    EXPECT_FALSE(m_server.SendMessageToUser(7, Move(3)));
    EXPECT_TRUE(m_server.m_disconnects.empty());
}

TEST_F(NetLayerTest, SegmentsAreCutIntoWholeMessagesInOrder)
{
    auto raw = RawConnect(m_server.GetPort());
    ASSERT_TRUE(raw);
    ASSERT_TRUE(WaitUntil([&] { return m_server.m_connects.size() == 1; }));

    // Two messages in one write.
    RawSend(*raw, Move(1).ToBytes() + Move(2).ToBytes());
    ASSERT_TRUE(WaitUntil([&] { return m_server.m_messages.size() == 2; }));
    EXPECT_EQ(m_server.m_messages[0].message, Move(1));
    EXPECT_EQ(m_server.m_messages[1].message, Move(2));

    // One message a byte at a time, with the event loop running in between.
    const std::string bytes = Move(3).ToBytes();
    for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
    {
        RawSend(*raw, bytes.substr(i, 1));
        Pump(2);
        ASSERT_EQ(m_server.m_messages.size(), 2u) << i;
    }
    RawSend(*raw, bytes.substr(bytes.size() - 1));
    ASSERT_TRUE(WaitUntil([&] { return m_server.m_messages.size() == 3; }));
    EXPECT_EQ(m_server.m_messages[2].message, Move(3));
    Pump(20);
    EXPECT_EQ(m_server.m_messages.size(), 3u);
}

TEST_F(NetLayerTest, StoppingTellsEveryClientAndIdsContinueAfterRestart)
{
    CRecordingClient a;
    CRecordingClient b;
    Connect(a);
    Connect(b);
    m_server.StopServer();
    EXPECT_FALSE(m_server.IsStarted());
    EXPECT_EQ(m_server.GetPort(), -1);
    ASSERT_TRUE(WaitUntil([&] { return !a.IsConnected() && !b.IsConnected(); }));
    Pump(20);
    // Each closed on NET_SERVER_STOPPING and never saw the NET_DISCONNECTED behind it.
    EXPECT_EQ(a.m_disconnects, std::vector<int>{CNetMessageClient::kServerStopping});
    EXPECT_EQ(b.m_disconnects, std::vector<int>{CNetMessageClient::kServerStopping});
    EXPECT_TRUE(a.m_messages.empty());
    EXPECT_TRUE(m_server.m_disconnects.empty());

    ASSERT_TRUE(m_server.StartListening(0));
    CRecordingClient c;
    Connect(c);
    EXPECT_EQ(m_server.m_connects, (std::vector<int>{1, 2, 3}));
}

TEST_F(NetLayerTest, LeavingAndRemovingGiveTheirReasons)
{
    CRecordingClient leaver;
    CRecordingClient removed;
    Connect(leaver);
    Connect(removed);

    leaver.CloseConnection();
    EXPECT_EQ(leaver.m_disconnects, std::vector<int>{CNetMessageClient::kClosedHere});
    ASSERT_TRUE(WaitUntil([&] { return m_server.m_disconnects.size() == 1; }));
    EXPECT_EQ(m_server.m_disconnects[0].userId, 1);
    EXPECT_EQ(m_server.m_disconnects[0].reason, CNetMessageServer::kUserLeaving);

    EXPECT_TRUE(m_server.DisconnectUser(2));
    ASSERT_EQ(m_server.m_disconnects.size(), 2u);
    EXPECT_EQ(m_server.m_disconnects[1].userId, 2);
    EXPECT_EQ(m_server.m_disconnects[1].reason, CNetMessageServer::kRemovedHere);
    ASSERT_TRUE(WaitUntil([&] { return !removed.m_disconnects.empty(); }));
    EXPECT_EQ(removed.m_disconnects, std::vector<int>{CNetMessageClient::kRemovedByServer});

    // Nobody has that id any more: refused, and nothing is reported.
    EXPECT_FALSE(m_server.DisconnectUser(2));
    EXPECT_EQ(m_server.m_disconnects.size(), 2u);
    EXPECT_TRUE(m_server.GetUserIds().empty());
}

TEST_F(NetLayerTest, AClientWithoutConnectionRefusesToSend)
{
    CRecordingClient client;
    EXPECT_FALSE(client.SendMessage(Move(1)));
    client.CloseConnection();
    EXPECT_TRUE(client.m_disconnects.empty());

    EXPECT_FALSE(client.OpenConnection("127.0.0.1", 70000));
    EXPECT_FALSE(client.OpenConnection("", 5555));
    EXPECT_FALSE(client.IsConnecting());
}

// Connecting never waits: a refused connection is told afterwards, as an event.
TEST_F(NetLayerTest, ARefusedConnectionIsToldAsAnEvent)
{
    CRecordingClient client;
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const int port = closed.serverPort();
    closed.close();
    ASSERT_TRUE(client.OpenConnection("127.0.0.1", port));
    EXPECT_TRUE(client.IsConnecting());
    EXPECT_TRUE(client.m_disconnects.empty()) << "nothing is told from within OpenConnection";
    ASSERT_TRUE(WaitUntil([&] { return !client.m_disconnects.empty(); }));
    EXPECT_EQ(client.m_disconnects, std::vector<int>{CNetMessageClient::kConnectFailed});
    EXPECT_FALSE(client.IsConnecting());
    EXPECT_FALSE(client.IsConnected());
}

// A server that never answers (its backlog is full and it never accepts):
// the attempt waits in the background and can be given up at any time.
TEST_F(NetLayerTest, ASilentServerKeepsTheAttemptPendingWithoutHoldingTheCaller)
{
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(silent, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof(address);
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(silent, 0), 0);
    ASSERT_EQ(::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const int port = ntohs(address.sin_port);
    // Fill the backlog: later connection requests are dropped, unanswered.
    std::vector<std::unique_ptr<QTcpSocket>> fillers;
    for (int i = 0; i < 3; ++i)
    {
        fillers.push_back(std::make_unique<QTcpSocket>());
        fillers.back()->connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    }
    CRecordingClient client;
    ASSERT_TRUE(client.OpenConnection("127.0.0.1", port));
    EXPECT_TRUE(client.IsConnecting());
    EXPECT_TRUE(client.SendMessage(Move(1))) << "kept for when the connection is made";
    QCoreApplication::processEvents();
    EXPECT_TRUE(client.IsConnecting()) << "the server has not answered";
    client.CloseConnection();
    EXPECT_TRUE(client.m_disconnects.empty()) << "given up without a report";
    EXPECT_FALSE(client.IsConnecting());
    EXPECT_FALSE(client.IsConnected());
    fillers.clear();
    ::close(silent);
}

// What is sent while the connection is being made goes out, in order, once it is there.
TEST_F(NetLayerTest, MessagesSentWhileConnectingGoOutOnceConnected)
{
    CRecordingClient client;
    ASSERT_TRUE(client.OpenConnection("127.0.0.1", m_server.GetPort(), 20));
    EXPECT_TRUE(client.IsConnecting());
    EXPECT_TRUE(client.SendMessage(Move(1)));
    EXPECT_TRUE(client.SendMessage(Move(2)));
    ASSERT_TRUE(WaitUntil([&] { return m_server.m_messages.size() == 2; }));
    EXPECT_TRUE(client.IsConnected());
    EXPECT_EQ(m_server.m_messages[0].message, Move(1));
    EXPECT_EQ(m_server.m_messages[1].message, Move(2));
}

TEST_F(NetLayerTest, GarbageIsAReadFailureOfThatUserOnly)
{
    CRecordingClient good;
    Connect(good);
    auto bad = RawConnect(m_server.GetPort());
    ASSERT_TRUE(bad);
    ASSERT_TRUE(WaitUntil([&] { return m_server.m_connects.size() == 2; }));
    auto staller = RawConnect(m_server.GetPort());
    ASSERT_TRUE(WaitUntil([&] { return m_server.m_connects.size() == 3; }));

    // Half a message that never ends holds up nobody.
    RawSend(*staller, Move(1).ToBytes().substr(0, 11));
    // A message that claims two mebibytes of string is refused at once; the good
    // message before it in the same pass is not delivered.
    RawSend(*bad, Move(5).ToBytes() + Bytes({1, 0, 0, 0, 1, 0, 0, 0, 0x0A, 0xFF, 0xFF, 0xFF, 0, 0, 0x20, 0}));
    ASSERT_TRUE(WaitUntil([&] { return m_server.m_disconnects.size() == 1; }));
    EXPECT_EQ(m_server.m_disconnects[0].userId, 2);
    EXPECT_EQ(m_server.m_disconnects[0].reason, CNetMessageServer::kReadFailed);
    ASSERT_TRUE(WaitUntil([&] { return bad->state() == QAbstractSocket::UnconnectedState; }));

    ASSERT_TRUE(good.SendMessage(Move(2)));
    ASSERT_TRUE(WaitUntil([&] { return !m_server.m_messages.empty(); }));
    EXPECT_EQ(m_server.m_messages.size(), 1u);
    EXPECT_EQ(m_server.m_messages[0].userId, 1);
    EXPECT_EQ(m_server.GetUserIds(), (std::vector<int>{1, 3}));
}

TEST_F(NetLayerTest, AClientSeesGarbageAndAVanishingServerAsReadFailures)
{
    QTcpServer fake;
    ASSERT_TRUE(fake.listen(QHostAddress::LocalHost, 0));
    CRecordingClient garbage;
    CRecordingClient abandoned;
    ASSERT_TRUE(garbage.OpenConnection("127.0.0.1", fake.serverPort()));
    ASSERT_TRUE(abandoned.OpenConnection("127.0.0.1", fake.serverPort()));
    ASSERT_TRUE(WaitUntil([&] { return fake.hasPendingConnections(); }));
    std::unique_ptr<QTcpSocket> first(fake.nextPendingConnection());
    ASSERT_TRUE(WaitUntil([&] { return fake.hasPendingConnections(); }));
    std::unique_ptr<QTcpSocket> second(fake.nextPendingConnection());

    RawSend(*first, Bytes({1, 0, 0, 0, 0x00, 0x20, 0, 0}));
    ASSERT_TRUE(WaitUntil([&] { return !garbage.m_disconnects.empty(); }));
    EXPECT_EQ(garbage.m_disconnects, std::vector<int>{CNetMessageClient::kReadFailed});

    // A message then a close without goodbye: the message still arrives.
    RawSend(*second, Move(4).ToBytes());
    second->disconnectFromHost();
    ASSERT_TRUE(WaitUntil([&] { return !abandoned.m_disconnects.empty(); }));
    EXPECT_EQ(abandoned.m_messages.size(), 1u);
    EXPECT_EQ(abandoned.m_disconnects, std::vector<int>{CNetMessageClient::kReadFailed});
}

TEST_F(NetLayerTest, EchoesAreAnsweredAndTimed)
{
    std::uint32_t now = 0xFFFFFFF0u; // close to the wrap, so the difference must wrap too
    NetTick::SetSource([&] { return now; });
    CRecordingClient client;
    Connect(client);

    CNetMessage ping(NET_PING_FROM_CLIENT);
    ping.AddLong(static_cast<std::int32_t>(now));
    now += 40;
    ASSERT_TRUE(client.SendMessage(ping));
    ASSERT_TRUE(WaitUntil([&] { return !client.m_pings.empty(); }));
    EXPECT_EQ(client.m_pings, std::vector<std::uint32_t>{40});

    CNetMessage serverPing(NET_PING_FROM_SERVER);
    serverPing.AddLong(static_cast<std::int32_t>(now));
    now += 7;
    ASSERT_TRUE(m_server.SendMessageToUser(1, serverPing));
    ASSERT_TRUE(WaitUntil([&] { return !m_server.m_pings.empty(); }));
    EXPECT_EQ(m_server.m_pings[0], std::make_pair(1, std::uint32_t{7}));
    EXPECT_TRUE(client.m_messages.empty());
    EXPECT_TRUE(m_server.m_messages.empty());
}

TEST_F(NetLayerTest, ACallbackThatClosesStopsTheReading)
{
    CRecordingClient client;
    Connect(client);
    client.m_onMessage = [&](const CNetMessage&) { client.CloseConnection(); };
    CNetMessage batch[2] = {Move(1), Move(2)};
    // Both in one segment: the second is never dispatched.
    ASSERT_TRUE(m_server.SendMessageToUser(1, batch[0]));
    ASSERT_TRUE(m_server.SendMessageToUser(1, batch[1]));
    ASSERT_TRUE(WaitUntil([&] { return !client.m_disconnects.empty(); }));
    Pump(20);
    EXPECT_EQ(client.m_messages.size(), 1u);
    EXPECT_EQ(client.m_disconnects, std::vector<int>{CNetMessageClient::kClosedHere});

    // On the server, a user removed by a callback gets no further dispatch: its
    // NET_CLIENT_LEAVING behind is not reported a second time.
    m_server.m_onMessage = [&](int user, const CNetMessage&) { m_server.DisconnectUser(user); };
    auto raw = RawConnect(m_server.GetPort());
    ASSERT_TRUE(WaitUntil([&] { return m_server.m_connects.size() == 2; }));
    ASSERT_TRUE(WaitUntil([&] { return m_server.m_disconnects.size() == 1; })); // the first client left
    RawSend(*raw, Move(1).ToBytes() + CNetMessage(NET_CLIENT_LEAVING).ToBytes() + Move(2).ToBytes());
    ASSERT_TRUE(WaitUntil([&] { return m_server.m_disconnects.size() == 2; }));
    Pump(20);
    EXPECT_EQ(m_server.m_messages.size(), 1u);
    ASSERT_EQ(m_server.m_disconnects.size(), 2u);
    EXPECT_EQ(m_server.m_disconnects[1].userId, 2);
    EXPECT_EQ(m_server.m_disconnects[1].reason, CNetMessageServer::kRemovedHere);
}

TEST_F(NetLayerTest, RefusedConnectionsGetNoUserId)
{
    m_server.m_accept = false;
    CRecordingClient client;
    ASSERT_TRUE(client.OpenConnection("127.0.0.1", m_server.GetPort()));
    ASSERT_TRUE(WaitUntil([&] { return !client.m_disconnects.empty(); }));
    EXPECT_EQ(client.m_disconnects, std::vector<int>{CNetMessageClient::kReadFailed});
    EXPECT_TRUE(m_server.m_connects.empty());
    m_server.m_accept = true;
    CRecordingClient next;
    Connect(next);
    EXPECT_EQ(m_server.m_connects, std::vector<int>{1});
}

TEST_F(NetLayerTest, FailedSendsToAllAreCollectedBeforeTheyAreReported)
{
    CRecordingClient reader;
    Connect(reader);
    // Two users that never read: the socket keeps nothing for them beyond a byte.
    std::vector<std::unique_ptr<QTcpSocket>> stalled;
    for (int i = 0; i < 2; ++i)
    {
        stalled.push_back(RawConnect(m_server.GetPort()));
        stalled.back()->setReadBufferSize(1);
    }
    ASSERT_TRUE(WaitUntil([&] { return m_server.m_connects.size() == 3; }));

    CNetMessage big(1);
    big.AddBytes(CNetByteBlock(std::string(512 * 1024, 'b').data(), 512 * 1024));
    bool allSent = true;
    for (int i = 0; i < 200 && allSent; ++i)
    {
        allSent = m_server.SendMessageToAllUsers(big);
        // The reading client takes each message before the next goes out.
        ASSERT_TRUE(WaitUntil([&] { return reader.m_messages.size() == 1; }));
        reader.m_messages.clear();
    }
    ASSERT_FALSE(allSent);
    ASSERT_GE(m_server.m_disconnects.size(), 1u);
    for (const auto& d : m_server.m_disconnects)
    {
        EXPECT_NE(d.userId, 1);
        EXPECT_EQ(d.reason, CNetMessageServer::kSendFailed);
        // Every failed user was gone before the first report.
        EXPECT_EQ(d.usersAtReport.size(), 3 - m_server.m_disconnects.size());
    }
}

TEST_F(NetLayerTest, AModalLoopInACallbackDefersWhatArrivesMeanwhile)
{
    // As when a refusal box is open: the server says goodbye and closes while
    // the client's callback is still running its own event loop.
    CRecordingClient client;
    Connect(client);
    client.m_onMessage = [&](const CNetMessage& message) {
        if (message == Move(1))
        {
            EXPECT_TRUE(m_server.SendMessageToUser(1, Move(2)));
            EXPECT_TRUE(m_server.DisconnectUser(1));
            Pump(150);
            EXPECT_TRUE(client.m_disconnects.empty());
        }
    };
    ASSERT_TRUE(m_server.SendMessageToUser(1, Move(1)));
    ASSERT_TRUE(WaitUntil([&] { return !client.m_disconnects.empty(); }));
    EXPECT_EQ(client.m_messages.size(), 2u);
    EXPECT_EQ(client.m_disconnects, std::vector<int>{CNetMessageClient::kRemovedByServer});
}

TEST_F(NetLayerTest, LostPeersAreReportedWithTheirSidesReasons)
{
    // A server that stops reading: the client's sends fail once too much waits.
    QTcpServer deaf;
    ASSERT_TRUE(deaf.listen(QHostAddress::LocalHost, 0));
    CRecordingClient client;
    ASSERT_TRUE(client.OpenConnection("127.0.0.1", deaf.serverPort()));
    ASSERT_TRUE(WaitUntil([&] { return deaf.hasPendingConnections(); }));
    std::unique_ptr<QTcpSocket> accepted(deaf.nextPendingConnection());
    accepted->setReadBufferSize(1);
    CNetMessage big(1);
    big.AddBytes(CNetByteBlock(std::string(512 * 1024, 'b').data(), 512 * 1024));
    bool sent = true;
    for (int i = 0; i < 200 && sent; ++i)
        sent = client.SendMessage(big);
    EXPECT_FALSE(sent);
    EXPECT_FALSE(client.IsConnected());
    EXPECT_EQ(client.m_disconnects, std::vector<int>{CNetMessageClient::kSendFailed});

    // A user whose connection is reset is a read failure at the server.
    auto raw = RawConnect(m_server.GetPort());
    ASSERT_TRUE(WaitUntil([&] { return m_server.m_connects.size() == 1; }));
    raw->abort();
    ASSERT_TRUE(WaitUntil([&] { return !m_server.m_disconnects.empty(); }));
    EXPECT_EQ(m_server.m_disconnects[0].userId, 1);
    EXPECT_EQ(m_server.m_disconnects[0].reason, CNetMessageServer::kReadFailed);
}

// One server takes clients over IPv4 and IPv6; an IPv6 address may be
// written in brackets, and a name is looked up without holding the caller.
TEST_F(NetLayerTest, TheServerIsReachedOverIpv4Ipv6AndByName)
{
    QTcpServer probe;
    const bool hasIpv6 = probe.listen(QHostAddress::LocalHostIPv6, 0);
    probe.close();
    std::vector<std::string> hosts{"127.0.0.1", "localhost"};
    if (hasIpv6)
    {
        hosts.push_back("::1");
        hosts.push_back("[::1]");
    }
    for (const std::string& host : hosts)
    {
        CRecordingClient client;
        const std::size_t before = m_server.m_connects.size();
        ASSERT_TRUE(client.OpenConnection(host, m_server.GetPort())) << host;
        EXPECT_FALSE(client.IsConnected()) << "the caller never waits, also not for a name";
        ASSERT_TRUE(WaitUntil([&] { return client.IsConnected() && m_server.m_connects.size() > before; })) << host;
        EXPECT_FALSE(client.WasHostNotFound());
        ASSERT_TRUE(client.SendMessage(Move(static_cast<int>(before))));
        ASSERT_TRUE(WaitUntil([&] { return m_server.m_messages.size() > before; })) << host;
    }
    if (!hasIpv6)
        GTEST_SKIP() << "no IPv6 on loopback: only IPv4 and the name were tried";
}
