#include "LanDiscovery.h"
#include "LanAdvertiser.h"
#include "LanSearch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace
{
const QHostAddress kLoopback(QHostAddress::LocalHost);
constexpr int kWaitMs = 250;

// A UDP port that was free a moment ago.
int FreeUdpPort()
{
    QUdpSocket probe;
    EXPECT_TRUE(probe.bind(kLoopback, 0));
    return probe.localPort();
}
}

TEST(LanDiscovery, SearchFindsAnAdvertisingServerOnceOnLoopback)
{
    const int port = FreeUdpPort();
    CLanAdvertiser advertiser(port);
    ASSERT_TRUE(advertiser.IsAdvertising());
    // The same target twice: every probe is answered twice, the host listed once.
    CLanSearch search({kLoopback, kLoopback}, port);
    EXPECT_EQ(search.Run(kWaitMs), QStringList{QStringLiteral("127.0.0.1")});
    // Refresh starts afresh and finds it again.
    EXPECT_EQ(search.Run(kWaitMs), QStringList{QStringLiteral("127.0.0.1")});
}

TEST(LanDiscovery, NothingFoundWithoutServerOrOnAnotherPort)
{
    const int port = FreeUdpPort();
    EXPECT_TRUE(CLanSearch({kLoopback}, port).Run(kWaitMs).isEmpty());
    CLanAdvertiser advertiser(port);
    int other = FreeUdpPort();
    if (other == port)
        other = FreeUdpPort();
    EXPECT_TRUE(CLanSearch({kLoopback}, other).Run(kWaitMs).isEmpty());
    EXPECT_TRUE(CLanSearch({}, port).Run(kWaitMs).isEmpty());
    EXPECT_TRUE(CLanSearch({kLoopback}, 70000).Run(kWaitMs).isEmpty());
}

TEST(LanDiscovery, StoppedAdvertiserIsNotFound)
{
    const int port = FreeUdpPort();
    {
        CLanAdvertiser advertiser(port);
    }
    EXPECT_TRUE(CLanSearch({kLoopback}, port).Run(kWaitMs).isEmpty());
}

TEST(LanDiscovery, StrangersDatagramsAreIgnoredByBothSides)
{
    const int port = FreeUdpPort();
    CLanAdvertiser advertiser(port);

    // A stranger that answers anything with a wrong reply is never listed.
    QUdpSocket stranger;
    ASSERT_TRUE(stranger.bind(kLoopback, 0));
    QObject::connect(&stranger, &QUdpSocket::readyRead, &stranger, [&] {
        while (stranger.hasPendingDatagrams())
        {
            const QNetworkDatagram d = stranger.receiveDatagram();
            stranger.writeDatagram(QByteArray("hello"), d.senderAddress(), d.senderPort());
        }
    });
    EXPECT_TRUE(CLanSearch({kLoopback}, stranger.localPort()).Run(kWaitMs).isEmpty());

    // The advertiser does not answer garbage, however large.
    QUdpSocket sender;
    ASSERT_TRUE(sender.bind(kLoopback, 0));
    sender.writeDatagram(QByteArray(4000, 'x'), kLoopback, port);
    sender.writeDatagram(QByteArray(), kLoopback, port);
    EXPECT_FALSE(sender.waitForReadyRead(kWaitMs));
    // It still answers a real probe afterwards.
    EXPECT_EQ(CLanSearch({kLoopback}, port).Run(kWaitMs).size(), 1);
}

TEST(LanDiscovery, AddressListText)
{
    EXPECT_EQ(LanDiscovery::AddressListText({}), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(LanDiscovery::AddressListText({kLoopback, QHostAddress(QHostAddress::LocalHostIPv6)}),
              QStringLiteral("127.0.0.1"));
    EXPECT_EQ(LanDiscovery::AddressListText({QHostAddress("192.168.0.5"), kLoopback, QHostAddress("fe80::1"),
                                             QHostAddress("10.0.0.2"), QHostAddress("192.168.0.5")}),
              QStringLiteral("192.168.0.5 - 10.0.0.2"));
    EXPECT_FALSE(LanDiscovery::LocalAddressList().isEmpty());
}

TEST(LanDiscovery, EachSourceIsAnsweredAFewTimesASecondAtMost)
{
    const int port = FreeUdpPort();
    CLanAdvertiser advertiser(port);
    ASSERT_TRUE(advertiser.IsAdvertising());
    auto answersTo = [&](QUdpSocket& socket, int probes, int waitMs) {
        for (int i = 0; i < probes; ++i)
            socket.writeDatagram(LanDiscovery::ProbeDatagram(), kLoopback, static_cast<quint16>(port));
        int answers = 0;
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < waitMs)
        {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            while (socket.hasPendingDatagrams())
                answers += socket.receiveDatagram().data() == LanDiscovery::ReplyDatagram() ? 1 : 0;
        }
        return answers;
    };

    // A flood from one source gets a handful of answers, not one each.
    QUdpSocket flooder;
    ASSERT_TRUE(flooder.bind(kLoopback, 0));
    const int flooded = answersTo(flooder, 200, 300);
    EXPECT_GE(flooded, 1);
    EXPECT_LE(flooded, CLanAdvertiser::kAnswersPerSecond + 2);

    // Another source is not held back by it: a search from there finds the server.
    QUdpSocket other;
    if (!other.bind(QHostAddress(QStringLiteral("127.0.0.2")), 0))
        GTEST_SKIP() << "no second loopback address to send from";
    EXPECT_EQ(answersTo(other, 1, 200), 1);
}
