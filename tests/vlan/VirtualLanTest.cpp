// Copies of the program on a network of namespaces made by the test, one
// machine each, driven through their automation channels as a person uses
// them: the LAN search by broadcast, network chess and bughouse joined by
// address, and a cable pulled in the middle of a game. Needs root; skipped
// with a message otherwise. Nothing leaves the test's own namespaces.
#include "VirtualLan.h"
#include "ProgramSteps.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>

#include <iostream>
#include <memory>
#include <utility>
#include <vector>

namespace
{
// The LAN search dialog's list of servers and its refresh button.
const QString kLanList = QStringLiteral("control1080");
const QString kLanRefresh = QStringLiteral("CLanSearchDlg/button1081");

const QString kChessBoard = QStringLiteral("NetChessWnd/board");
const QString kOwnBoard = QStringLiteral("BughouseWnd/board0");

// The test subnets. Inside the test's namespaces no port is anybody else's,
// so the servers listen on the program's default port, as on a real LAN.
const QString kPort = QStringLiteral("5555");

// The program's texts.
const QString kCommError = QStringLiteral("An error occured while communicating with the server.");

// The processes whose parent is this test.
QStringList OwnChildren()
{
    QStringList children;
    const QByteArray self = QByteArray::number(static_cast<qint64>(::getpid()));
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        const qsizetype close = line.lastIndexOf(')');
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (close > 0 && rest.size() >= 2 && rest[1] == self)
            children << entry;
    }
    return children;
}

// At the end of the test process: no namespace, hosts file or process of its
// own is left.
class NothingLeftBehind : public testing::Environment
{
public:
    void TearDown() override
    {
        EXPECT_EQ(CVirtualLan::LeftOvers(CVirtualLan::ProcessPrefix()), QStringList());
        EXPECT_EQ(OwnChildren(), QStringList());
    }
};
const auto* const g_nothingLeft = testing::AddGlobalTestEnvironment(new NothingLeftBehind);

class VirtualLanTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const QString unavailable = CVirtualLan::Unavailable();
        if (!unavailable.isEmpty())
            GTEST_SKIP() << "no virtual LAN: " << unavailable.toStdString();
        m_lan = std::make_unique<CVirtualLan>();
        ASSERT_TRUE(m_lan->IsReady()) << m_lan->Error().toStdString();
    }

    void TearDown() override
    {
        ExpectCleanEnds(m_programs);
        m_programs.clear();
        // The router goes after the programs, which remove their mappings as they end.
        if (m_router)
        {
            m_router->terminate();
            if (!m_router->waitForFinished(5000))
            {
                m_router->kill();
                m_router->waitForFinished();
            }
            m_router.reset();
        }
        if (m_lan)
        {
            const QString prefix = m_lan->Prefix();
            m_lan.reset();
            EXPECT_EQ(CVirtualLan::LeftOvers(prefix), QStringList());
        }
    }

    // A machine on the switch running the program on its main menu; its LAN
    // search broadcasts (no target list), which only this network sees.
    CProgramProcess& Machine(const QString& label, const QString& ipv4Cidr, const QString& ipv6Cidr = {},
                             const QString& hosts = {}, int switchIndex = 0)
    {
        const QString space = m_lan->AddHost(label, ipv4Cidr, ipv6Cidr, switchIndex);
        // Names are looked up in the machine's own files and at a name server
        // on its own loopback, where nobody answers: no lookup leaves it.
        EXPECT_TRUE(m_lan->SetEtcFile(label, QStringLiteral("hosts"),
                                      QStringLiteral("127.0.0.1 localhost\n::1 localhost\n") + hosts));
        EXPECT_TRUE(m_lan->SetEtcFile(label, QStringLiteral("resolv.conf"), QStringLiteral("nameserver 127.0.0.1\n")));
        EXPECT_FALSE(space.isEmpty()) << m_lan->Error().toStdString();
        m_programs.push_back(std::make_unique<CProgramProcess>(label));
        CProgramProcess& program = *m_programs.back();
        program.SetNetworkNamespace(space);
        program.SetLanTargets(QString());
        EXPECT_TRUE(program.Start({})) << program.ErrorOutput().toStdString();
        EXPECT_TRUE(program.WaitFor([&] { return program.IsShown(QStringLiteral("MainMenuWnd")); }));
        return program;
    }

    // Through the menu and the connection dialog to a server of that game.
    static void StartServer(CProgramProcess& program, const GameWindow& game, const QString& nickname)
    {
        OpenConnectionDialog(program, game.menuButton);
        Fill(program, kNickname, nickname);
        Click(program, kServerRadio);
        Fill(program, kServerPort, kPort);
        Click(program, kConfirm);
        ASSERT_TRUE(program.WaitForText(game.output, QStringLiteral("Your server started at")))
            << program.Label().toStdString() << ": " << program.Text(game.output).toStdString() << "; "
            << MessagesLine(program);
    }

    // Through the menu and the connection dialog into the game of the server at that address.
    static void Join(CProgramProcess& program, const GameWindow& game, const QString& nickname, const QString& address)
    {
        OpenConnectionDialog(program, game.menuButton);
        Fill(program, kNickname, nickname);
        Click(program, kClientRadio);
        Fill(program, kAddress, address);
        Fill(program, kClientPort, kPort);
        Click(program, kConfirm);
        ASSERT_TRUE(program.WaitForText(game.output, QStringLiteral("You are connected to the game as ") + nickname))
            << program.Label().toStdString() << ": " << program.Text(game.output).toStdString() << "; "
            << MessagesLine(program);
    }

    static void Play(CProgramProcess& program, const QString& board, const QString& move)
    {
        ASSERT_TRUE(program.WaitFor([&] { return program.Board(board).value(QStringLiteral("input")).toBool(); }))
            << program.Label().toStdString() << " never got the move " << move.toStdString();
        ASSERT_EQ(program.Request(QStringLiteral("move %1 %2").arg(board, move)), QStringLiteral("ok"));
    }

    static qsizetype Plies(CProgramProcess& program, const QString& board)
    {
        return program.Board(board).value(QStringLiteral("moves")).toArray().size();
    }

    std::unique_ptr<CVirtualLan> m_lan;
    std::vector<std::unique_ptr<CProgramProcess>> m_programs;
    std::unique_ptr<QProcess> m_router; // the UPnP daemon of a home router, when a test has one
};
} // namespace

TEST_F(VirtualLanTest, TheLanSearchFindsServersByBroadcastEachOnceAndNoneOfAnotherSubnet)
{
    CProgramProcess& first = Machine(QStringLiteral("first"), QStringLiteral("10.77.1.11/24"));
    CProgramProcess& second = Machine(QStringLiteral("second"), QStringLiteral("10.77.1.12/24"));
    // On the same switch, but on another subnet: its broadcasts are not ours.
    CProgramProcess& stranger = Machine(QStringLiteral("stranger"), QStringLiteral("10.77.2.13/24"));
    CProgramProcess& seeker = Machine(QStringLiteral("seeker"), QStringLiteral("10.77.1.21/24"));
    StartServer(first, kNetChess, QStringLiteral("first"));
    StartServer(stranger, kNetChess, QStringLiteral("stranger"));

    OpenConnectionDialog(seeker, kNetChess.menuButton);
    Click(seeker, kClientRadio);
    Fill(seeker, kClientPort, kPort);
    Click(seeker, kLanSearch);
    ASSERT_TRUE(seeker.WaitFor([&] { return seeker.IsWindowOpen(QStringLiteral("CLanSearchDlg")); }));
    auto searched = [&] { return seeker.WidgetEntry(QStringLiteral("button1081")).value("enabled").toBool(); };
    ASSERT_TRUE(seeker.WaitFor(searched));
    EXPECT_EQ(seeker.Text(kLanList), QStringLiteral("10.77.1.11"));

    StartServer(second, kNetChess, QStringLiteral("second"));
    Click(seeker, kLanRefresh);
    ASSERT_TRUE(seeker.WaitFor(searched));
    QStringList found = seeker.Text(kLanList).split(QLatin1Char('\n'));
    found.sort();
    EXPECT_EQ(found, (QStringList{QStringLiteral("10.77.1.11"), QStringLiteral("10.77.1.12")}));

    // The one chosen is the one joined.
    ASSERT_EQ(seeker.Request(QStringLiteral("clickitem %1 10.77.1.12").arg(kLanList)), QStringLiteral("ok"));
    Click(seeker, QStringLiteral("CLanSearchDlg/button1"));
    ASSERT_TRUE(seeker.WaitFor([&] { return seeker.Text(kAddress) == QStringLiteral("10.77.1.12"); }));
    Fill(seeker, kNickname, QStringLiteral("seeker"));
    Click(seeker, kConfirm);
    EXPECT_TRUE(second.WaitForText(kNetChess.output, QStringLiteral("seeker joins the game")));
    EXPECT_FALSE(first.Text(kNetChess.output).contains(QStringLiteral("seeker")));
}

TEST_F(VirtualLanTest, NetworkChessJoinedByAddressIsPlayedToAMate)
{
    CProgramProcess& server = Machine(QStringLiteral("alice"), QStringLiteral("10.77.1.11/24"));
    CProgramProcess& client = Machine(QStringLiteral("bob"), QStringLiteral("10.77.1.12/24"));
    StartServer(server, kNetChess, QStringLiteral("alice"));
    // The server tells its player the address a friend can use.
    EXPECT_TRUE(server.Text(kNetChess.output).contains(QStringLiteral("10.77.1.11")))
        << server.Text(kNetChess.output).toStdString();
    Join(client, kNetChess, QStringLiteral("bob"), QStringLiteral("10.77.1.11"));
    ASSERT_TRUE(server.WaitForText(kNetChess.output, QStringLiteral("bob joins the game")));

    Click(server, kNetChess.start);
    ASSERT_TRUE(client.WaitForText(kNetChess.output, QStringLiteral("Game 1 started")));
    const std::vector<std::pair<CProgramProcess*, QString>> moves{{&server, QStringLiteral("f2f3")},
                                                                  {&client, QStringLiteral("e7e5")},
                                                                  {&server, QStringLiteral("g2g4")},
                                                                  {&client, QStringLiteral("d8h4")}};
    qsizetype ply = 0;
    for (const auto& [mover, move] : moves)
    {
        Play(*mover, kChessBoard, move);
        ++ply;
        for (CProgramProcess* program : {&server, &client})
            ASSERT_TRUE(program->WaitFor([&] { return Plies(*program, kChessBoard) == ply; }))
                << program->Label().toStdString() << " after " << move.toStdString();
    }
    const QString mate = QStringLiteral("White is checkmate.\nBlack wins the game !");
    EXPECT_TRUE(server.WaitForMessage(mate)) << MessagesLine(server);
    EXPECT_TRUE(client.WaitForMessage(mate)) << MessagesLine(client);
}

TEST_F(VirtualLanTest, BughouseOfFourMachinesJoinedByAddressEndsInAResignation)
{
    CProgramProcess& ann = Machine(QStringLiteral("ann"), QStringLiteral("10.77.1.11/24"));
    StartServer(ann, kBughouse, QStringLiteral("ann"));
    std::vector<CProgramProcess*> clients;
    int host = 12;
    for (const QString& name : {QStringLiteral("bob"), QStringLiteral("cid"), QStringLiteral("dee")})
    {
        CProgramProcess& client = Machine(name, QStringLiteral("10.77.1.%1/24").arg(host++));
        Join(client, kBughouse, name, QStringLiteral("10.77.1.11"));
        ASSERT_TRUE(ann.WaitForText(kBughouse.output, name + QStringLiteral(" joins the game")));
        clients.push_back(&client);
    }
    Click(ann, kBughouse.start);
    for (auto& program : m_programs)
        ASSERT_TRUE(program->WaitForText(kBughouse.output, QStringLiteral("Game 1 started")))
            << program->Label().toStdString();
    // ann opens her board; everybody sees it.
    Play(ann, kOwnBoard, QStringLiteral("d2d4"));
    const QString afterD4 = QStringLiteral("rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b");
    for (auto& program : m_programs)
        EXPECT_TRUE(program->WaitFor([&] {
            for (const QString& board : {QStringLiteral("BughouseWnd/board0"), QStringLiteral("BughouseWnd/board1")})
                if (program->Board(board).value(QStringLiteral("fen")).toString().startsWith(afterD4))
                    return true;
            return false;
        })) << program->Label().toStdString();

    // bob resigns: the match has its result on all four machines.
    CProgramProcess& bob = *clients[0];
    ASSERT_EQ(bob.Request(QStringLiteral("answer yes")), QStringLiteral("ok"));
    Click(bob, QStringLiteral("BughouseWnd/button1020"));
    int winners = 0;
    int losers = 0;
    for (auto& program : m_programs)
    {
        EXPECT_TRUE(program->WaitFor([&] {
            return program->Text(kBughouse.output).contains(QStringLiteral("Victories: 1, Defeats: 0")) ||
                   program->Text(kBughouse.output).contains(QStringLiteral("Victories: 0, Defeats: 1"));
        })) << program->Label().toStdString()
            << ": " << program->Text(kBughouse.output).toStdString();
        const QString output = program->Text(kBughouse.output);
        winners += output.contains(QStringLiteral("Victories: 1, Defeats: 0")) ? 1 : 0;
        losers += output.contains(QStringLiteral("Victories: 0, Defeats: 1")) ? 1 : 0;
    }
    EXPECT_EQ(winners, 2);
    EXPECT_EQ(losers, 2);
}

// The client's cable is pulled at the switch in the middle of a game: no FIN
// or RST ever arrives, and each side has to notice the silence by itself.
TEST_F(VirtualLanTest, APulledCableIsNoticedByBothSidesWithinThirtySeconds)
{
    CProgramProcess& server = Machine(QStringLiteral("alice"), QStringLiteral("10.77.1.11/24"));
    CProgramProcess& client = Machine(QStringLiteral("bob"), QStringLiteral("10.77.1.12/24"));
    StartServer(server, kNetChess, QStringLiteral("alice"));
    Join(client, kNetChess, QStringLiteral("bob"), QStringLiteral("10.77.1.11"));
    ASSERT_TRUE(server.WaitForText(kNetChess.output, QStringLiteral("bob joins the game")));
    Click(server, kNetChess.start);
    ASSERT_TRUE(client.WaitForText(kNetChess.output, QStringLiteral("Game 1 started")));
    Play(server, kChessBoard, QStringLiteral("e2e4"));
    ASSERT_TRUE(client.WaitFor([&] { return Plies(client, kChessBoard) == 1; }));

    ASSERT_TRUE(m_lan->SetCable(QStringLiteral("bob"), false));
    QElapsedTimer pulled;
    pulled.start();
    qint64 serverNoticed = -1;
    qint64 clientNoticed = -1;
    // Both are watched together; the channels run over local sockets, not the network.
    while ((serverNoticed < 0 || clientNoticed < 0) && pulled.elapsed() < 40000)
    {
        // Mid-game the departure is a message box, between games a chat line.
        if (serverNoticed < 0 && (server.SawMessage(QStringLiteral("bob leaves")) ||
                                  server.Text(kNetChess.output).contains(QStringLiteral("bob leaves"))))
            serverNoticed = pulled.elapsed();
        if (clientNoticed < 0 && client.SawMessage(kCommError))
            clientNoticed = pulled.elapsed();
        QThread::msleep(100);
    }
    std::cout << "cable pulled: server noticed after " << serverNoticed << " ms, client after " << clientNoticed
              << " ms" << std::endl;
    RecordProperty("server_notice_ms", static_cast<int>(serverNoticed));
    RecordProperty("client_notice_ms", static_cast<int>(clientNoticed));
    EXPECT_GE(serverNoticed, 0) << server.Text(kNetChess.output).toStdString() << MessagesLine(server);
    EXPECT_GE(clientNoticed, 0) << MessagesLine(client);
    EXPECT_LE(serverNoticed, 30000);
    EXPECT_LE(clientNoticed, 30000);
    // Neither hangs: both still answer and go back to their menus.
    EXPECT_TRUE(server.WaitForText(QStringLiteral("NetChessWnd/topPanel"),
                                   QStringLiteral("< Waiting for client to connect >")));
    EXPECT_TRUE(client.IsRunning());
    ASSERT_TRUE(m_lan->SetCable(QStringLiteral("bob"), true));
}

// The connection dialog takes a name (from the client machine's hosts file),
// an IPv6 address and an IPv4 one; a name that resolves nowhere gets its own
// message and the dialog stays open.
TEST_F(VirtualLanTest, JoinsByNameIpv6AndIpv4AndANameThatDoesNotResolveIsSaid)
{
    CProgramProcess& server =
        Machine(QStringLiteral("alice"), QStringLiteral("10.77.1.11/24"), QStringLiteral("fd77:1::11/64"));
    CProgramProcess& client = Machine(QStringLiteral("bob"), QStringLiteral("10.77.1.12/24"),
                                      QStringLiteral("fd77:1::12/64"), QStringLiteral("10.77.1.11 alice.home.test\n"));
    StartServer(server, kNetChess, QStringLiteral("alice"));
    // Both of the addresses a friend can use are told.
    const QString started = server.Text(kNetChess.output);
    EXPECT_TRUE(started.contains(QStringLiteral("IP \"10.77.1.11 - fd77:1::11\" and Port 5555")))
        << started.toStdString();

    OpenConnectionDialog(client, kNetChess.menuButton);
    Fill(client, kNickname, QStringLiteral("bob"));
    Click(client, kClientRadio);
    Fill(client, kAddress, QStringLiteral("nowhere.invalid"));
    Fill(client, kClientPort, kPort);
    Click(client, kConfirm);
    const QString notFound =
        QStringLiteral("The server \"nowhere.invalid\" cannot be found.\n\nVerify its name, or type its IP address.");
    EXPECT_TRUE(client.WaitForMessage(notFound)) << MessagesLine(client);
    EXPECT_TRUE(client.IsWindowOpen(QStringLiteral("CConnectionDlg")));
    EXPECT_FALSE(client.SawMessage(QStringLiteral("Impossible to connect")));

    // Each kind of address in turn reaches the server; the client leaves between them.
    for (const QString& address :
         {QStringLiteral("fd77:1::11"), QStringLiteral("alice.home.test"), QStringLiteral("10.77.1.11")})
    {
        if (!client.IsWindowOpen(QStringLiteral("CConnectionDlg")))
        {
            OpenConnectionDialog(client, kNetChess.menuButton);
            Click(client, kClientRadio);
        }
        const qsizetype joinsBefore = server.Text(kNetChess.output).count(QStringLiteral("bob joins the game"));
        Fill(client, kAddress, address);
        Click(client, kConfirm);
        ASSERT_TRUE(server.WaitFor([&] {
            return server.Text(kNetChess.output).count(QStringLiteral("bob joins the game")) > joinsBefore;
        })) << address.toStdString()
            << ": " << MessagesLine(client);
        ASSERT_EQ(client.Request(QStringLiteral("answer yes")), QStringLiteral("ok"));
        Click(client, QStringLiteral("NetChessWnd/button1003"));
        ASSERT_TRUE(client.WaitFor([&] { return client.IsShown(QStringLiteral("MainMenuWnd")); }));
        ASSERT_TRUE(server.WaitForText(QStringLiteral("NetChessWnd/topPanel"),
                                       QStringLiteral("< Waiting for client to connect >")));
    }
}

namespace
{
const QString kForwardPort = QStringLiteral("control1096");
const QString kForwarded = QStringLiteral("Your router forwards the server from the Internet at IP \"%1\" and Port %2");
const QString kNoRouter = QStringLiteral("No router answered: your server can be joined from the local network only");

// The router's tables: what goes out to the internet is masqueraded; what
// comes in is forwarded only when it answers a connection from home or when
// the UPnP daemon has put a port forwarding into its chains.
const char kRouterRules[] = R"(table inet filter {
    chain forward {
        type filter hook forward priority 0; policy drop;
        ct state established,related accept
        iifname "eth0" oifname "eth1" accept
        jump miniupnpd
    }
    chain miniupnpd {
    }
    chain prerouting {
        type nat hook prerouting priority -100; policy accept;
        jump prerouting_miniupnpd
    }
    chain postrouting {
        type nat hook postrouting priority 100; policy accept;
        jump postrouting_miniupnpd
        oifname "eth1" masquerade
    }
    chain prerouting_miniupnpd {
    }
    chain postrouting_miniupnpd {
    }
}
)";

// The daemon answers UPnP requests from home only, and forwards only to the
// machine that asks, on unprivileged ports.
const char kRouterConfig[] = R"(ext_ifname=eth1
listening_ip=eth0
port=0
enable_natpmp=no
enable_upnp=yes
secure_mode=yes
system_uptime=yes
notify_interval=60
uuid=6c0e0c8a-3a39-4d6b-9b4e-0d2a5f6e1a77
upnp_table_name=filter
upnp_nat_table_name=filter
upnp_forward_chain=miniupnpd
upnp_nat_chain=prerouting_miniupnpd
upnp_nat_postrouting_chain=postrouting_miniupnpd
allow 1024-65535 10.77.1.0/24 1024-65535
deny 0-65535 0.0.0.0/0 0-65535
)";
} // namespace

// A home router between the home network and the "internet": NAT with
// nftables and Debian's UPnP daemon, both inside the router's own namespace.
// The server at home asks it to forward the game port; a player on the
// internet side joins at the router's address and plays; once the server has
// stopped, the forwarding is gone.
TEST_F(VirtualLanTest, ARouterForwardsTheGamePortByUpnpUntilTheServerStops)
{
    const QString daemon = QStandardPaths::findExecutable(QStringLiteral("miniupnpd"), {QStringLiteral("/usr/sbin")});
    const QString nft = QStandardPaths::findExecutable(QStringLiteral("nft"), {QStringLiteral("/usr/sbin")});
    if (daemon.isEmpty() || nft.isEmpty())
        GTEST_SKIP() << "no router: needs miniupnpd (miniupnpd-nftables) and nft (nftables)";

    // Home is 10.77.1.0/24; the "internet" is a subnet that no reserved
    // range covers (the daemon forwards nothing on a private address), and it
    // exists only on the test's own switch.
    ASSERT_FALSE(m_lan->AddHost(QStringLiteral("router"), QStringLiteral("10.77.1.1/24")).isEmpty())
        << m_lan->Error().toStdString();
    const int internet = m_lan->AddSwitch();
    ASSERT_GE(internet, 0) << m_lan->Error().toStdString();
    const QString routerAddress = QStringLiteral("198.20.77.1");
    ASSERT_TRUE(m_lan->AddCable(QStringLiteral("router"), QStringLiteral("eth1"), internet,
                                routerAddress + QStringLiteral("/24")))
        << m_lan->Error().toStdString();
    QString said;
    ASSERT_TRUE(m_lan->RunIn(QStringLiteral("router"),
                             {QStringLiteral("sysctl"), QStringLiteral("-qw"), QStringLiteral("net.ipv4.ip_forward=1")},
                             &said))
        << said.toStdString();
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString rules = folder.filePath(QStringLiteral("router.nft"));
    const QString config = folder.filePath(QStringLiteral("miniupnpd.conf"));
    for (const auto& [path, content] : {std::pair{rules, kRouterRules}, std::pair{config, kRouterConfig}})
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) > 0);
    }
    ASSERT_TRUE(m_lan->RunIn(QStringLiteral("router"), {nft, QStringLiteral("-f"), rules}, &said))
        << said.toStdString();
    const auto forwardings = [&] {
        QString chain;
        m_lan->RunIn(QStringLiteral("router"),
                     {nft, QStringLiteral("list"), QStringLiteral("chain"), QStringLiteral("inet"),
                      QStringLiteral("filter"), QStringLiteral("prerouting_miniupnpd")},
                     &chain);
        return chain;
    };

    m_router = std::make_unique<QProcess>();
    m_router->setProcessChannelMode(QProcess::MergedChannels);
    m_router->start(QStringLiteral("ip"),
                    {QStringLiteral("netns"), QStringLiteral("exec"), m_lan->Namespace(QStringLiteral("router")),
                     daemon, QStringLiteral("-d"), QStringLiteral("-4"), QStringLiteral("-f"), config,
                     QStringLiteral("-P"), folder.filePath(QStringLiteral("miniupnpd.pid"))});
    ASSERT_TRUE(m_router->waitForStarted());
    QByteArray daemonSaid;
    QElapsedTimer waited;
    waited.start();
    while (!daemonSaid.contains("HTTP listening") && m_router->state() == QProcess::Running && waited.elapsed() < 10000)
    {
        m_router->waitForReadyRead(100);
        daemonSaid += m_router->readAll();
    }
    ASSERT_TRUE(daemonSaid.contains("HTTP listening")) << daemonSaid.toStdString();

    CProgramProcess& server = Machine(QStringLiteral("alice"), QStringLiteral("10.77.1.11/24"));
    ASSERT_TRUE(m_lan->SetDefaultRoute(QStringLiteral("alice"), QStringLiteral("10.77.1.1")));
    CProgramProcess& client = Machine(QStringLiteral("carol"), QStringLiteral("198.20.77.2/24"), {}, {}, internet);

    // The server's player ticks the box in the connection dialog.
    OpenConnectionDialog(server, kNetChess.menuButton);
    Fill(server, kNickname, QStringLiteral("alice"));
    Click(server, kServerRadio);
    Fill(server, kServerPort, kPort);
    Click(server, kForwardPort);
    Click(server, kConfirm);
    ASSERT_TRUE(server.WaitForText(kNetChess.output, QStringLiteral("Your server started at"))) << MessagesLine(server);
    const QString forwarded = kForwarded.arg(routerAddress, kPort);
    QElapsedTimer asked;
    asked.start();
    ASSERT_TRUE(server.WaitForText(kNetChess.output, forwarded)) << server.Text(kNetChess.output).toStdString() << "\n"
                                                                 << (daemonSaid + m_router->readAll()).toStdString();
    const QString rule = forwardings();
    std::cout << "forwarded after " << asked.elapsed() << " ms:\n" << rule.toStdString() << std::endl;
    RecordProperty("forwarded_ms", static_cast<int>(asked.elapsed()));
    EXPECT_TRUE(rule.contains(QStringLiteral("dport 5555 dnat ip to 10.77.1.11:5555"))) << rule.toStdString();

    // From the internet, through the router's forwarding, into a game.
    Join(client, kNetChess, QStringLiteral("carol"), routerAddress);
    ASSERT_TRUE(server.WaitForText(kNetChess.output, QStringLiteral("carol joins the game")));
    Click(server, kNetChess.start);
    ASSERT_TRUE(client.WaitForText(kNetChess.output, QStringLiteral("Game 1 started")));
    const std::vector<std::pair<CProgramProcess*, QString>> moves{{&server, QStringLiteral("e2e4")},
                                                                  {&client, QStringLiteral("e7e5")},
                                                                  {&server, QStringLiteral("g1f3")},
                                                                  {&client, QStringLiteral("b8c6")}};
    qsizetype ply = 0;
    for (const auto& [mover, move] : moves)
    {
        Play(*mover, kChessBoard, move);
        ++ply;
        for (CProgramProcess* program : {&server, &client})
            ASSERT_TRUE(program->WaitFor([&] { return Plies(*program, kChessBoard) == ply; }))
                << program->Label().toStdString() << " after " << move.toStdString();
    }

    // The server's player goes back to the menu: the server stops, and so does the forwarding.
    ASSERT_EQ(server.Request(QStringLiteral("answer yes")), QStringLiteral("ok"));
    Click(server, QStringLiteral("NetChessWnd/button1003"));
    ASSERT_TRUE(server.WaitFor([&] { return server.IsShown(QStringLiteral("MainMenuWnd")); }));
    EXPECT_TRUE(server.WaitFor([&] { return !forwardings().contains(QStringLiteral("dport")); }))
        << forwardings().toStdString();
    EXPECT_TRUE(client.WaitForMessage(QStringLiteral("The server left the game."))) << MessagesLine(client);

    // A server started again asks again, and the program's end removes the forwarding too.
    OpenConnectionDialog(server, kNetChess.menuButton);
    Click(server, kConfirm); // the box is remembered, with the rest
    ASSERT_TRUE(server.WaitForText(kNetChess.output, forwarded)) << server.Text(kNetChess.output).toStdString();
    EXPECT_TRUE(server.WaitFor([&] { return forwardings().contains(QStringLiteral("dport 5555")); }));
    EXPECT_TRUE(server.Quit());
    EXPECT_FALSE(forwardings().contains(QStringLiteral("dport"))) << forwardings().toStdString();
}

// Nobody answers the request to forward: one line says so, and the server
// goes on serving its own network.
TEST_F(VirtualLanTest, WithoutARouterTheServerSaysSoInOneLineAndServesTheLan)
{
    CProgramProcess& server = Machine(QStringLiteral("alice"), QStringLiteral("10.77.1.11/24"));
    CProgramProcess& client = Machine(QStringLiteral("bob"), QStringLiteral("10.77.1.12/24"));
    OpenConnectionDialog(server, kNetChess.menuButton);
    Fill(server, kNickname, QStringLiteral("alice"));
    Click(server, kServerRadio);
    Fill(server, kServerPort, kPort);
    Click(server, kForwardPort);
    Click(server, kConfirm);
    ASSERT_TRUE(server.WaitForText(kNetChess.output, kNoRouter)) << server.Text(kNetChess.output).toStdString();
    EXPECT_EQ(server.Text(kNetChess.output).count(kNoRouter), 1);
    EXPECT_FALSE(server.Text(kNetChess.output).contains(QStringLiteral("forwards")));
    Join(client, kNetChess, QStringLiteral("bob"), QStringLiteral("10.77.1.11"));
    EXPECT_TRUE(server.WaitForText(kNetChess.output, QStringLiteral("bob joins the game")));
}
