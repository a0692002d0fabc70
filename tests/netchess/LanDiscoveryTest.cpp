#include "LanDiscovery.h"
#include "LanAdvertiser.h"
#include "LanSearch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QNetworkDatagram>
#include <QTest>
#include <QUdpSocket>

#include <gtest/gtest.h>

namespace
{
const QHostAddress kLoopback(QHostAddress::LocalHost);
constexpr int kWaitMs = 250;

// One whole pass of a search, the event loop running until it has finished.
QStringList Pass(CLanSearch& search, int waitMs = kWaitMs)
{
    bool finished = false;
    const QMetaObject::Connection done = QObject::connect(&search, &CLanSearch::Finished, [&] { finished = true; });
    search.Start(waitMs);
    EXPECT_TRUE(QTest::qWaitFor([&] { return finished; }, waitMs + 5000));
    QObject::disconnect(done);
    return search.GetHosts();
}

QStringList Pass(QList<QHostAddress> targets, int port)
{
    CLanSearch search(std::move(targets), port);
    return Pass(search);
}

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
    QStringList found;
    QObject::connect(&search, &CLanSearch::HostFound, [&found](const QString& host) { found << host; });
    EXPECT_EQ(Pass(search), QStringList{QStringLiteral("127.0.0.1")});
    EXPECT_EQ(found, QStringList{QStringLiteral("127.0.0.1")}) << "each host is reported once, as it answers";
    // Refresh starts afresh and finds it again.
    EXPECT_EQ(Pass(search), QStringList{QStringLiteral("127.0.0.1")});
}

TEST(LanDiscovery, NothingFoundWithoutServerOrOnAnotherPort)
{
    const int port = FreeUdpPort();
    EXPECT_TRUE(Pass({kLoopback}, port).isEmpty());
    CLanAdvertiser advertiser(port);
    int other = FreeUdpPort();
    if (other == port)
        other = FreeUdpPort();
    EXPECT_TRUE(Pass({kLoopback}, other).isEmpty());
    EXPECT_TRUE(Pass({}, port).isEmpty());
    EXPECT_TRUE(Pass({kLoopback}, 70000).isEmpty());
}

TEST(LanDiscovery, StoppedAdvertiserIsNotFound)
{
    const int port = FreeUdpPort();
    {
        CLanAdvertiser advertiser(port);
    }
    EXPECT_TRUE(Pass({kLoopback}, port).isEmpty());
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
    EXPECT_TRUE(Pass({kLoopback}, stranger.localPort()).isEmpty());

    // The advertiser does not answer garbage, however large.
    QUdpSocket sender;
    ASSERT_TRUE(sender.bind(kLoopback, 0));
    sender.writeDatagram(QByteArray(4000, 'x'), kLoopback, port);
    sender.writeDatagram(QByteArray(), kLoopback, port);
    EXPECT_FALSE(sender.waitForReadyRead(kWaitMs));
    // It still answers a real probe afterwards.
    EXPECT_EQ(Pass({kLoopback}, port).size(), 1);
}

TEST(LanDiscovery, AddressListText)
{
    EXPECT_EQ(LanDiscovery::AddressListText({}), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(LanDiscovery::AddressListText({kLoopback, QHostAddress(QHostAddress::LocalHostIPv6)}),
              QStringLiteral("127.0.0.1"));
    EXPECT_EQ(LanDiscovery::AddressListText({QHostAddress("192.168.0.5"), kLoopback, QHostAddress("fe80::1"),
                                             QHostAddress("10.0.0.2"), QHostAddress("192.168.0.5")}),
              QStringLiteral("192.168.0.5 - 10.0.0.2"));
    // IPv6 ones after the IPv4 ones, each once; link-local and mapped ones not as such.
    EXPECT_EQ(LanDiscovery::AddressListText({QHostAddress("fd77:1::11"), QHostAddress("fe80::2%1"),
                                             QHostAddress("::ffff:10.0.0.3"), QHostAddress("2001:db8::5"),
                                             QHostAddress("fd77:1::11"), QHostAddress("ff02::1")}),
              QStringLiteral("10.0.0.3 - fd77:1::11 - 2001:db8::5"));
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

// A pass returns at once: nothing has been found when Start returns, and
// the pass ends only when its wait is over, or when it is stopped.
TEST(LanDiscovery, APassNeverBlocksItsCaller)
{
    const int port = FreeUdpPort();
    CLanAdvertiser advertiser(port);
    CLanSearch search({kLoopback}, port);
    bool finished = false;
    QObject::connect(&search, &CLanSearch::Finished, [&] { finished = true; });
    search.Start(60000);
    EXPECT_TRUE(search.IsRunning());
    EXPECT_TRUE(search.GetHosts().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !search.GetHosts().isEmpty(); }, 5000));
    EXPECT_TRUE(search.IsRunning());
    search.Stop();
    EXPECT_FALSE(search.IsRunning());
    QCoreApplication::processEvents();
    EXPECT_FALSE(finished) << "a stopped pass does not report an end";
    // A pass that cannot run ends from the event loop, not inside Start.
    CLanSearch nowhere({}, port);
    bool ended = false;
    QObject::connect(&nowhere, &CLanSearch::Finished, [&] { ended = true; });
    nowhere.Start(60000);
    EXPECT_FALSE(ended);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ended; }, 5000));
}

// PELLOMAR_LAN_TARGETS replaces the broadcast targets with its own list;
// set but holding no address, it sends nothing rather than broadcast.
TEST(LanDiscovery, TargetsFromTheEnvironmentReplaceTheBroadcasts)
{
    EXPECT_EQ(LanDiscovery::ParseTargets(QStringLiteral("127.0.0.1")), QList<QHostAddress>{kLoopback});
    EXPECT_EQ(LanDiscovery::ParseTargets(QStringLiteral(" 127.0.0.1, 127.0.0.2  127.0.0.1,, ::1 ")),
              (QList<QHostAddress>{kLoopback, QHostAddress(QStringLiteral("127.0.0.2")),
                                   QHostAddress(QHostAddress::LocalHostIPv6)}));
    EXPECT_TRUE(LanDiscovery::ParseTargets(QStringLiteral("nowhere, 300.1.1.1")).isEmpty());

    const QByteArray saved = qgetenv(LanDiscovery::kTargetsVariable);
    const bool wasSet = qEnvironmentVariableIsSet(LanDiscovery::kTargetsVariable);
    qputenv(LanDiscovery::kTargetsVariable, "127.0.0.1");
    EXPECT_EQ(LanDiscovery::SearchTargets(), QList<QHostAddress>{kLoopback});
    qputenv(LanDiscovery::kTargetsVariable, "");
    EXPECT_TRUE(LanDiscovery::SearchTargets().isEmpty());
    if (wasSet)
        qputenv(LanDiscovery::kTargetsVariable, saved);
    else
        qunsetenv(LanDiscovery::kTargetsVariable);
}
