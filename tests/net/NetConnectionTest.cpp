#include "NetConnection.h"
#include "GameSettings.h"
#include "NetTestSupport.h"
#include "PlayerRoster.h"

#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>

#include <deque>

using namespace NetTest;

namespace
{
class CFakeWindow : public INetGameWindow
{
public:
    std::vector<std::pair<int, QString>> m_admitted;
    std::vector<CNetMessage> m_messages;
    std::vector<int> m_gone;
    std::vector<int> m_lost;
    std::vector<QString> m_notices;
    bool m_running = false;
    // When set, a player who has gone is taken out of this roster, as the
    // game windows do.
    PlayerRoster* m_seatsOf = nullptr;

    void OnPlayerAdmitted(int userId, const QString& nickname) override { m_admitted.emplace_back(userId, nickname); }
    void HandleGameMessage(const CNetMessage& message) override { m_messages.push_back(message); }
    void OnSeatedUserGone(int userId) override
    {
        m_gone.push_back(userId);
        if (m_seatsOf == nullptr)
            return;
        for (int i = 1; i < m_seatsOf->Count(); ++i)
        {
            if (m_seatsOf->GetEntry(i).connectionId == userId)
            {
                m_seatsOf->RemoveByName(m_seatsOf->GetEntry(i).name);
                break;
            }
        }
    }
    void OnConnectionLost(int reason) override { m_lost.push_back(reason); }
    bool IsGameRunning() const override { return m_running; }
    void PrintNotice(const QString& text) override { m_notices.push_back(text); }

    std::vector<int> Ids() const
    {
        std::vector<int> ids;
        for (const CNetMessage& m : m_messages)
            ids.push_back(m.GetId());
        return ids;
    }
};

// Answers the dialogs as a user would: each connection dialog takes the next
// scripted answer (none left: Cancel); the waiting dialog runs its own event
// loop, as the modal one does, until the link closes it.
class CFakeUi : public INetConnectionUi
{
public:
    struct Answer
    {
        bool server;
        int port;
        QString nickname;
    };

    CNetConnection* m_link = nullptr;
    std::deque<Answer> m_answers;
    std::vector<bool> m_dialogRuns; // the auto-confirm flag of each run
    std::vector<QString> m_messages;
    int m_waitShown = 0;
    bool m_waitTimedOut = false;

    std::optional<QString> RunConnectionDialog(bool autoConfirm) override
    {
        m_dialogRuns.push_back(autoConfirm);
        if (m_answers.empty())
            return std::nullopt;
        const Answer answer = m_answers.front();
        m_answers.pop_front();
        const bool ok = answer.server ? m_link->StartServer(answer.port)
                                      : m_link->OpenClientConnection(QStringLiteral("127.0.0.1"), answer.port);
        return ok ? std::optional<QString>(answer.nickname) : std::nullopt;
    }
    void ShowWaitDialog() override
    {
        ++m_waitShown;
        QEventLoop loop;
        m_loop = &loop;
        QTimer::singleShot(3000, &loop, [&] {
            m_waitTimedOut = true;
            loop.quit();
        });
        loop.exec();
        m_loop = nullptr;
    }
    void CloseWaitDialog() override
    {
        if (m_loop)
            m_loop->quit();
    }
    void ShowMessage(const QString& text) override { m_messages.push_back(text); }

private:
    QEventLoop* m_loop = nullptr;
};

// One copy of the program: its roster, settings, windows, dialogs and link.
struct CProgram
{
    PlayerRoster roster;
    GameSettings settings;
    CFakeWindow chess;
    CFakeWindow bughouse;
    CFakeUi ui;
    CNetConnection link{roster, settings};

    CProgram()
    {
        link.SetGameWindows(&chess, &bughouse);
        link.SetUi(&ui);
        ui.m_link = &link;
    }
};

CNetMessage Move(int row)
{
    CNetMessage message(MSG_MOVE);
    for (int value : {1, row, 3, row, 0, 299000, 0})
        message.AddInt(value);
    return message;
}

// A bughouse move: the mover's seat first, then the move's fields.
CNetMessage SeatMove(int seat)
{
    CNetMessage message(MSG_MOVE);
    for (int value : {seat, 0, 1, 3, 3, 3, 0, 0, 0, 0, 299000, 0})
        message.AddInt(value);
    return message;
}

std::vector<std::string> Names(const PlayerRoster& roster)
{
    std::vector<std::string> names;
    for (int i = 0; i < roster.Count(); ++i)
        names.push_back(roster.GetEntry(i).name.toStdString());
    return names;
}

class NetConnectionTest : public ::testing::Test
{
protected:
    void StartServer(CProgram& server, int mode, const QString& nickname = QStringLiteral("Host"))
    {
        server.ui.m_answers.push_back({true, 0, nickname});
        server.link.Join(mode, true);
        ASSERT_TRUE(server.link.IsServer());
        ASSERT_TRUE(server.link.IsJoined());
    }

    // Runs joining at a client against the server; returns when answered.
    void JoinAs(CProgram& client, int mode, const QString& nickname, int port)
    {
        client.ui.m_answers.push_back({false, port, nickname});
        client.link.Join(mode, true);
        EXPECT_FALSE(client.ui.m_waitTimedOut);
    }

    // Sends a hand-made join request from a bare client and waits for the answer.
    CNetMessage RawJoin(int port, const CNetMessage& request, CRecordingClient& raw)
    {
        EXPECT_TRUE(raw.OpenConnection("127.0.0.1", port));
        EXPECT_TRUE(raw.SendMessage(request));
        EXPECT_TRUE(WaitUntil([&] { return !raw.m_disconnects.empty(); }));
        return raw.m_messages.empty() ? CNetMessage(-100) : raw.m_messages.front();
    }

    static CNetMessage Request(int mode, const std::string& nickname, int major = 2, int minor = 0)
    {
        CNetMessage request(MSG_JOIN_REQUEST);
        request.AddInt(mode);
        request.AddString(nickname);
        request.AddLong(major);
        request.AddLong(minor);
        return request;
    }
};
} // namespace

TEST_F(NetConnectionTest, ChessClientIsAdmittedWithTheServersSettings)
{
    CProgram server;
    server.settings.SetGameTime(0, 5, 30);
    server.settings.SetNbSecondsBonus(3);
    server.settings.SetIsWinOnOpponentTimeZero(true);
    server.settings.SetIsKingCanBeCaptured(true);
    StartServer(server, GAME_MODE_SINGLE);
    EXPECT_EQ(Names(server.roster), std::vector<std::string>{"Host"});

    CProgram client;
    JoinAs(client, GAME_MODE_SINGLE, QStringLiteral("Bob"), server.link.GetPort());
    EXPECT_TRUE(client.link.IsJoined());
    EXPECT_EQ(client.ui.m_waitShown, 1);
    EXPECT_EQ(client.roster.GetNickname(), QStringLiteral("Bob"));
    EXPECT_EQ(Names(client.roster), std::vector<std::string>{"Bob"});

    ASSERT_EQ(client.chess.m_messages.size(), 1u);
    const CNetMessage& accepted = client.chess.m_messages[0];
    EXPECT_EQ(accepted.GetId(), MSG_JOIN_ACCEPTED);
    std::string name;
    EXPECT_TRUE(accepted.GetStringAt(0, name));
    EXPECT_EQ(name, "Host");
    const std::int32_t expected[] = {1, 0, 5, 30, 3, 0, 1, 1};
    for (int i = 0; i < 8; ++i)
    {
        std::int32_t value = -1;
        EXPECT_TRUE(accepted.GetIntAt(i + 1, value)) << i;
        EXPECT_EQ(value, expected[i]) << i;
    }

    EXPECT_EQ(Names(server.roster), (std::vector<std::string>{"Host", "Bob"}));
    EXPECT_EQ(server.roster.GetEntry(1).connectionId, 1);
    EXPECT_EQ(server.link.GetSeatedIds(), std::vector<int>{1});
    EXPECT_EQ(server.chess.m_notices, std::vector<QString>{QStringLiteral("Bob joins the game")});
    ASSERT_EQ(server.chess.m_admitted.size(), 1u);
    EXPECT_EQ(server.chess.m_admitted[0].first, 1);

    // Game messages both ways: the server's go to the client, the client's are handled at the server.
    ASSERT_TRUE(server.link.Send(Move(1)));
    ASSERT_TRUE(client.link.Send(Move(6)));
    ASSERT_TRUE(WaitUntil([&] { return client.chess.m_messages.size() == 2 && server.chess.m_messages.size() == 1; }));
    EXPECT_EQ(client.chess.m_messages[1], Move(1));
    EXPECT_EQ(server.chess.m_messages[0], Move(6));
}

TEST_F(NetConnectionTest, AFullChessServerRefusesBeforeTheRequestAndKeepsServing)
{
    CProgram server;
    StartServer(server, GAME_MODE_SINGLE);
    CProgram seated;
    JoinAs(seated, GAME_MODE_SINGLE, QStringLiteral("Bob"), server.link.GetPort());

    // A longer pause than the program's keeps a slow machine from dropping the
    // refused client before the check below.
    constexpr int kDelay = 1000;
    server.link.SetRefusedFullDelay(kDelay);
    CProgram late;
    QElapsedTimer timer;
    timer.start();
    JoinAs(late, GAME_MODE_SINGLE, QStringLiteral("Carl"), server.link.GetPort());
    EXPECT_EQ(late.ui.m_messages, std::vector<QString>{QStringLiteral("Too much users !")});
    EXPECT_FALSE(late.link.IsJoined());
    // After the refusal the connection dialog waits for the user again (cancelled here).
    EXPECT_EQ(late.ui.m_dialogRuns, (std::vector<bool>{true, false}));

    // The pause before the refused client is dropped freezes nobody.
    ASSERT_TRUE(late.link.IsClientConnected());
    ASSERT_TRUE(seated.link.Send(Move(2)));
    ASSERT_TRUE(WaitUntil([&] { return server.chess.m_messages.size() == 1; }));
    EXPECT_TRUE(late.link.IsClientConnected());
    EXPECT_LT(timer.elapsed(), kDelay);

    ASSERT_TRUE(WaitUntil([&] { return !late.link.IsClientConnected(); }));
    EXPECT_GE(timer.elapsed(), kDelay - 50);
    EXPECT_EQ(CNetConnection::kRefusedFullDelayMs, 500);
    EXPECT_EQ(late.chess.m_lost, std::vector<int>{CNetMessageClient::kRemovedByServer});
    EXPECT_TRUE(seated.link.IsClientConnected());
    EXPECT_TRUE(seated.chess.m_lost.empty());
    EXPECT_TRUE(server.chess.m_gone.empty());
    EXPECT_EQ(server.link.GetSeatedIds(), std::vector<int>{1});
}

TEST_F(NetConnectionTest, BughouseServerSeatsThreeRelaysAndRefusesAFourth)
{
    CProgram server;
    server.settings.SetIsTimeInfinite(true);
    StartServer(server, GAME_MODE_DOUBLE);
    CProgram a;
    CProgram b;
    CProgram c;
    JoinAs(a, GAME_MODE_DOUBLE, QStringLiteral("Ann"), server.link.GetPort());
    JoinAs(b, GAME_MODE_DOUBLE, QStringLiteral("Ben"), server.link.GetPort());
    JoinAs(c, GAME_MODE_DOUBLE, QStringLiteral("Cid"), server.link.GetPort());
    for (CProgram* p : {&a, &b, &c})
        EXPECT_TRUE(p->link.IsJoined());

    // The fourth player became seat 0's partner; the former partners stay together.
    EXPECT_EQ(Names(server.roster), (std::vector<std::string>{"Host", "Cid", "Ann", "Ben"}));
    EXPECT_EQ(server.roster.GetEntry(0).seat, 1);
    ASSERT_FALSE(c.bughouse.m_messages.empty());
    const CNetMessage& accepted = c.bughouse.m_messages[0];
    ASSERT_EQ(accepted.GetId(), MSG_JOIN_ACCEPTED);
    std::int32_t value = -1;
    EXPECT_TRUE(accepted.GetIntAt(4, value));
    EXPECT_EQ(value, 0); // a bughouse game never runs without time
    EXPECT_TRUE(accepted.GetIntAt(8, value));
    EXPECT_EQ(value, 1);
    EXPECT_TRUE(accepted.GetIntAt(9, value));
    EXPECT_EQ(value, 4);
    std::string name;
    EXPECT_TRUE(accepted.GetStringAt(10 + 1, name));
    EXPECT_EQ(name, "Cid");

    // Everybody seated heard of each newcomer, the newcomer included.
    ASSERT_TRUE(WaitUntil([&] { return a.bughouse.Ids().size() == 4 && c.bughouse.Ids().size() == 2; }));
    EXPECT_EQ(a.bughouse.Ids(),
              (std::vector<int>{MSG_JOIN_ACCEPTED, MSG_PLAYER_JOINED, MSG_PLAYER_JOINED, MSG_PLAYER_JOINED}));
    EXPECT_EQ(c.bughouse.Ids(), (std::vector<int>{MSG_JOIN_ACCEPTED, MSG_PLAYER_JOINED}));

    CProgram d;
    JoinAs(d, GAME_MODE_DOUBLE, QStringLiteral("Dan"), server.link.GetPort());
    EXPECT_EQ(d.ui.m_messages, std::vector<QString>{QStringLiteral("Too much users !")});

    // A client's move reaches the two others unchanged and the server too, not
    // the sender; one that names another seat than the sender's reaches nobody.
    for (CProgram* p : {&a, &b, &c})
        p->bughouse.m_messages.clear();
    ASSERT_TRUE(a.link.Send(SeatMove(3)));
    ASSERT_TRUE(a.link.Send(SeatMove(2)));
    ASSERT_TRUE(WaitUntil([&] {
        return b.bughouse.m_messages.size() == 1 && c.bughouse.m_messages.size() == 1 &&
               server.bughouse.m_messages.size() == 1;
    }));
    Pump(30);
    EXPECT_EQ(b.bughouse.m_messages[0], SeatMove(2));
    EXPECT_EQ(c.bughouse.m_messages[0], SeatMove(2));
    EXPECT_EQ(server.bughouse.m_messages[0], SeatMove(2));
    EXPECT_TRUE(a.bughouse.m_messages.empty());

    // A client leaving is relayed as MSG_PLAYER_LEFT, then seen at the server as gone.
    b.link.Leave(true);
    ASSERT_TRUE(WaitUntil([&] { return !server.bughouse.m_gone.empty() && c.bughouse.m_messages.size() == 2; }));
    EXPECT_EQ(server.bughouse.Ids().back(), MSG_PLAYER_LEFT);
    EXPECT_EQ(c.bughouse.Ids().back(), MSG_PLAYER_LEFT);
    EXPECT_TRUE(c.bughouse.m_messages.back().GetStringAt(0, name));
    EXPECT_EQ(name, "Ben");
    EXPECT_EQ(server.bughouse.m_gone, std::vector<int>{2});
    EXPECT_EQ(server.link.GetSeatedIds().size(), 2u);

    // Stopping the server: every client is told the server stopped.
    server.link.Leave(true);
    ASSERT_TRUE(WaitUntil([&] { return !a.bughouse.m_lost.empty() && !c.bughouse.m_lost.empty(); }));
    EXPECT_EQ(a.bughouse.m_lost, std::vector<int>{CNetMessageClient::kServerStopping});
    EXPECT_EQ(c.bughouse.m_lost, std::vector<int>{CNetMessageClient::kServerStopping});
    EXPECT_FALSE(a.link.IsJoined());
    EXPECT_FALSE(server.link.IsServer());
    EXPECT_TRUE(server.link.GetSeatedIds().empty());
    EXPECT_EQ(server.link.GetMaximumSeated(), 0);
}

TEST_F(NetConnectionTest, WrongModeSwitchesWindowsAndRejoinsAtOnce)
{
    CProgram server;
    StartServer(server, GAME_MODE_DOUBLE);
    CProgram client;
    client.ui.m_answers.push_back({false, server.link.GetPort(), QStringLiteral("Eve")});
    client.ui.m_answers.push_back({false, server.link.GetPort(), QStringLiteral("Eve")});
    client.link.Join(GAME_MODE_SINGLE, true);
    EXPECT_EQ(client.ui.m_dialogRuns, (std::vector<bool>{true, true}));
    EXPECT_TRUE(client.ui.m_messages.empty());
    EXPECT_TRUE(client.link.IsJoined());
    EXPECT_EQ(client.link.GetMode(), GAME_MODE_DOUBLE);
    EXPECT_EQ(client.link.GetGameWindow(), &client.bughouse);
    ASSERT_FALSE(client.bughouse.m_messages.empty());
    EXPECT_EQ(client.bughouse.m_messages[0].GetId(), MSG_JOIN_ACCEPTED);
    EXPECT_TRUE(client.chess.m_messages.empty());
    EXPECT_EQ(Names(server.roster), (std::vector<std::string>{"Host", "Eve"}));
}

TEST_F(NetConnectionTest, RefusalsShowTheirTextAndReturnToTheDialog)
{
    struct Case
    {
        const char* name;
        int serverMode;
        bool gameRunning;
        QString nickname;
        QString shown;
    };
    const Case cases[] = {
        {"chess, the server's nickname", GAME_MODE_SINGLE, false, QStringLiteral("Host"),
         QStringLiteral("Nickname already exists !")},
        {"bughouse, a seated nickname", GAME_MODE_DOUBLE, false, QStringLiteral("Ann"),
         QStringLiteral("Nickname already exists !")},
        {"bughouse, game running", GAME_MODE_DOUBLE, true, QStringLiteral("Zed"),
         QStringLiteral("Server has started the game !")},
    };
    for (const Case& c : cases)
    {
        CProgram server;
        StartServer(server, c.serverMode);
        CProgram first;
        if (c.serverMode == GAME_MODE_DOUBLE)
            JoinAs(first, c.serverMode, QStringLiteral("Ann"), server.link.GetPort());
        server.bughouse.m_running = c.gameRunning;
        const std::size_t rosterSize = server.roster.Count();

        CProgram client;
        JoinAs(client, c.serverMode, c.nickname, server.link.GetPort());
        EXPECT_EQ(client.ui.m_messages, std::vector<QString>{c.shown}) << c.name;
        EXPECT_EQ(client.ui.m_dialogRuns, (std::vector<bool>{true, false})) << c.name;
        EXPECT_FALSE(client.link.IsJoined()) << c.name;
        ASSERT_TRUE(WaitUntil([&] { return !client.link.IsClientConnected(); })) << c.name;
        EXPECT_EQ(server.roster.Count(), static_cast<int>(rosterSize)) << c.name;
        EXPECT_EQ(server.link.GetSeatedIds().size(), c.serverMode == GAME_MODE_DOUBLE ? 1u : 0u) << c.name;
        EXPECT_TRUE(server.chess.m_gone.empty() && server.bughouse.m_gone.empty()) << c.name;
    }
}

TEST_F(NetConnectionTest, ServersAnswerRequestsTheyCannotAdmit)
{
    const std::string longName(21, 'n');
    // Element 0 of an earlier version's request has tag 1.
    CNetMessage earlierChess;
    const std::string earlierBytes = Bytes({0xF4, 0x01, 0, 0, 2, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0, 10, 1, 'x'});
    std::size_t used = 0;
    std::size_t needed = 0;
    ASSERT_EQ(earlierChess.Read(earlierBytes.data(), earlierBytes.size(), used, needed),
              CNetMessage::ParseStatus::Complete);
    struct Case
    {
        const char* name;
        int serverMode;
        CNetMessage request;
        int answer; // -100: disconnected without an answer
    };
    CNetMessage old(MSG_JOIN_REQUEST);
    old.AddInt(GAME_MODE_DOUBLE);
    old.AddString("Old");
    const Case cases[] = {
        {"chess, version 2.1", GAME_MODE_SINGLE, Request(GAME_MODE_SINGLE, "Ann", 2, 1), MSG_WRONG_VERSION},
        {"bughouse, version 1.9", GAME_MODE_DOUBLE, Request(GAME_MODE_DOUBLE, "Ann", 1, 9), MSG_WRONG_VERSION},
        {"chess, asks for bughouse", GAME_MODE_SINGLE, Request(GAME_MODE_DOUBLE, "Ann"), MSG_WRONG_MODE},
        {"bughouse, asks for chess", GAME_MODE_DOUBLE, Request(GAME_MODE_SINGLE, "Ann"), MSG_WRONG_MODE},
        {"empty nickname", GAME_MODE_SINGLE, Request(GAME_MODE_SINGLE, ""), MSG_REFUSED_NICKNAME},
        {"21 characters", GAME_MODE_DOUBLE, Request(GAME_MODE_DOUBLE, longName), MSG_REFUSED_NICKNAME},
        {"bughouse, earlier version", GAME_MODE_DOUBLE, old, -100},
        {"chess, earlier version", GAME_MODE_SINGLE, earlierChess, -100},
    };
    for (const Case& c : cases)
    {
        CProgram server;
        StartServer(server, c.serverMode);
        CRecordingClient raw;
        const CNetMessage answer = RawJoin(server.link.GetPort(), c.request, raw);
        EXPECT_EQ(answer.GetId(), c.answer) << c.name;
        EXPECT_EQ(raw.m_disconnects, std::vector<int>{CNetMessageClient::kRemovedByServer}) << c.name;
        std::int32_t value = -1;
        if (c.answer == MSG_WRONG_VERSION)
        {
            EXPECT_TRUE(answer.GetLongAt(0, value) && value == 2) << c.name;
            EXPECT_TRUE(answer.GetLongAt(1, value) && value == 0) << c.name;
        }
        if (c.answer == MSG_WRONG_MODE)
        {
            std::string nickname;
            EXPECT_TRUE(answer.GetIntAt(0, value) && value == c.serverMode) << c.name;
            EXPECT_TRUE(answer.GetStringAt(1, nickname) && nickname == "Ann") << c.name;
        }
        if (c.answer == -100)
        {
            CFakeWindow& window = c.serverMode == GAME_MODE_DOUBLE ? server.bughouse : server.chess;
            ASSERT_EQ(window.m_notices.size(), 1u);
            EXPECT_TRUE(window.m_notices[0].startsWith(QStringLiteral("Someone is trying to connect"))) << c.name;
        }
        EXPECT_EQ(server.roster.Count(), 1) << c.name;
        EXPECT_TRUE(server.link.GetSeatedIds().empty()) << c.name;
    }

    // A nickname of exactly 20 characters, with a doubled ampersand counting as one, is admitted.
    CProgram server;
    StartServer(server, GAME_MODE_SINGLE);
    CRecordingClient raw;
    ASSERT_TRUE(raw.OpenConnection("127.0.0.1", server.link.GetPort()));
    ASSERT_TRUE(raw.SendMessage(Request(GAME_MODE_SINGLE, std::string(18, 'n') + "&&n")));
    ASSERT_TRUE(WaitUntil([&] { return !raw.m_messages.empty(); }));
    EXPECT_EQ(raw.m_messages[0].GetId(), MSG_JOIN_ACCEPTED);
}

TEST_F(NetConnectionTest, ClientsExplainAWrongVersion)
{
    const struct
    {
        int major;
        int minor;
        const char* shown; // null: nothing shown
    } cases[] = {
        {3, 0,
         "The version of your Pellomar is 2.0 and the version of the server is 3.0.\n\n"
         "Please install the same version as the server."},
        {2, 1,
         "The version of your Pellomar is 2.0 and the version of the server is 2.1.\n\n"
         "Please install the same version as the server."},
        {1, 9,
         "The version of your Pellomar is 2.0 and the version of the server is 1.9.\n\n"
         "Please tell to the server to install the same version as you."},
        {2, 0, nullptr},
    };
    for (const auto& c : cases)
    {
        CRecordingServer fake;
        ASSERT_TRUE(fake.StartListening(0));
        fake.m_onMessage = [&](int user, const CNetMessage&) {
            CNetMessage answer(MSG_WRONG_VERSION);
            answer.AddLong(c.major);
            answer.AddLong(c.minor);
            fake.SendMessageToUser(user, answer);
        };
        CProgram client;
        JoinAs(client, GAME_MODE_SINGLE, QStringLiteral("Bob"), fake.GetPort());
        ASSERT_EQ(fake.m_messages.size(), 1u);
        EXPECT_EQ(fake.m_messages[0].message, Request(GAME_MODE_SINGLE, "Bob"));
        if (c.shown)
            EXPECT_EQ(client.ui.m_messages, std::vector<QString>{QString::fromUtf8(c.shown)});
        else
            EXPECT_TRUE(client.ui.m_messages.empty());
        EXPECT_EQ(client.ui.m_dialogRuns.size(), 2u);
    }
}

TEST_F(NetConnectionTest, OnlyAdmittedPlayersGameMessagesAreRelayed)
{
    CProgram server;
    StartServer(server, GAME_MODE_DOUBLE);
    CProgram a;
    JoinAs(a, GAME_MODE_DOUBLE, QStringLiteral("Ann"), server.link.GetPort());
    a.bughouse.m_messages.clear();

    // Connected but never admitted: nothing it sends reaches anyone.
    CRecordingClient stranger;
    ASSERT_TRUE(stranger.OpenConnection("127.0.0.1", server.link.GetPort()));
    ASSERT_TRUE(stranger.SendMessage(SeatMove(1)));
    // An admitted client may not send what only the server sends, nor control ids.
    CNetMessage settings(MSG_SETTINGS);
    settings.AddInt(9);
    ASSERT_TRUE(a.link.Send(settings));
    ASSERT_TRUE(a.link.Send(CNetMessage(MSG_SEATS_CHANGED)));
    ASSERT_TRUE(a.link.Send(CNetMessage(-9)));
    ASSERT_TRUE(a.link.Send(CNetMessage(MSG_GAME_ABORTED)));
    ASSERT_TRUE(a.link.Send(CNetMessage(777))); // ids from 500 on are never relayed
    ASSERT_TRUE(a.link.Send(SeatMove(1)));
    ASSERT_TRUE(WaitUntil([&] { return !server.bughouse.m_messages.empty(); }));
    Pump(50);
    EXPECT_EQ(server.bughouse.m_messages.size(), 1u);
    EXPECT_EQ(server.bughouse.m_messages[0], SeatMove(1));
    EXPECT_TRUE(a.bughouse.m_messages.empty()); // the stranger's move went nowhere
    // A newcomer holds no seat: the game's messages are not for it.
    EXPECT_TRUE(stranger.m_messages.empty());
    EXPECT_TRUE(stranger.IsConnected());
    EXPECT_EQ(server.link.GetNewcomerCount(), 1);
}

TEST_F(NetConnectionTest, LeavingAnnouncesTheDeparture)
{
    CProgram server;
    StartServer(server, GAME_MODE_SINGLE);
    EXPECT_TRUE(server.link.Send(Move(1))); // nobody seated: nothing to fail
    CProgram client;
    JoinAs(client, GAME_MODE_SINGLE, QStringLiteral("Bob"), server.link.GetPort());

    client.link.Leave(true);
    EXPECT_FALSE(client.link.IsJoined());
    EXPECT_EQ(client.chess.m_lost, std::vector<int>{CNetMessageClient::kClosedHere});
    ASSERT_TRUE(WaitUntil([&] { return !server.chess.m_gone.empty(); }));
    ASSERT_EQ(server.chess.m_messages.size(), 1u);
    EXPECT_EQ(server.chess.m_messages[0].GetId(), MSG_PLAYER_LEFT);
    std::string name;
    EXPECT_TRUE(server.chess.m_messages[0].GetStringAt(0, name));
    EXPECT_EQ(name, "Bob");
    EXPECT_EQ(server.chess.m_gone, std::vector<int>{1});
    EXPECT_TRUE(server.link.GetSeatedIds().empty());

    // A new client takes the free seat; the user ids go on counting.
    CProgram next;
    JoinAs(next, GAME_MODE_SINGLE, QStringLiteral("Cat"), server.link.GetPort());
    EXPECT_TRUE(next.link.IsJoined());
    EXPECT_EQ(server.link.GetSeatedIds(), std::vector<int>{2});
}

TEST_F(NetConnectionTest, NobodyHoldsASeatOrAWaitingDialogForever)
{
    // A newcomer that never asks to join is dropped, and held no seat meanwhile.
    CProgram server;
    server.link.SetJoinRequestTimeout(100);
    StartServer(server, GAME_MODE_SINGLE);
    CRecordingClient silent;
    ASSERT_TRUE(silent.OpenConnection("127.0.0.1", server.link.GetPort()));
    ASSERT_TRUE(WaitUntil([&] { return server.link.GetNewcomerCount() == 1; }));
    EXPECT_TRUE(server.link.GetSeatedIds().empty());
    ASSERT_TRUE(WaitUntil([&] { return !silent.m_disconnects.empty(); }));
    EXPECT_EQ(silent.m_disconnects, std::vector<int>{CNetMessageClient::kRemovedByServer});
    EXPECT_EQ(server.link.GetNewcomerCount(), 0);
    EXPECT_TRUE(server.chess.m_gone.empty());
    CProgram client;
    JoinAs(client, GAME_MODE_SINGLE, QStringLiteral("Bob"), server.link.GetPort());
    EXPECT_TRUE(client.link.IsJoined());

    // A server that never answers: the waiting dialog closes with the connection.
    CRecordingServer mute;
    ASSERT_TRUE(mute.StartListening(0));
    CProgram waiting;
    waiting.link.SetAnswerTimeout(100);
    JoinAs(waiting, GAME_MODE_SINGLE, QStringLiteral("Eve"), mute.GetPort());
    EXPECT_FALSE(waiting.ui.m_waitTimedOut);
    EXPECT_FALSE(waiting.link.IsJoined());
    EXPECT_FALSE(waiting.link.IsClientConnected());
    EXPECT_EQ(waiting.chess.m_lost, std::vector<int>{CNetMessageClient::kClosedHere});
}

TEST_F(NetConnectionTest, AServerIsAdvertisedUnlessStartedFromTheCommandLine)
{
    struct CAdvertiser : INetAdvertiser
    {
        explicit CAdvertiser(int& alive) : m_alive(alive) { ++m_alive; }
        ~CAdvertiser() override { --m_alive; }
        int& m_alive;
    };
    int alive = 0;
    std::vector<int> ports;
    CProgram server;
    server.link.SetAdvertiserFactory([&](int port) {
        ports.push_back(port);
        return std::make_unique<CAdvertiser>(alive);
    });
    StartServer(server, GAME_MODE_SINGLE);
    EXPECT_EQ(ports, std::vector<int>{server.link.GetPort() + 1});
    EXPECT_EQ(alive, 1);
    server.link.Leave(true);
    EXPECT_EQ(alive, 0);

    server.link.SetStartedFromCommandLine(true);
    ASSERT_TRUE(server.link.StartServer(0));
    EXPECT_EQ(ports.size(), 1u);
    EXPECT_EQ(alive, 0);
}

TEST_F(NetConnectionTest, AServerThatKeepsSwitchingModesGetsTheUsersSay)
{
    CRecordingServer fickle;
    ASSERT_TRUE(fickle.StartListening(0));
    fickle.m_onMessage = [&](int user, const CNetMessage& request) {
        std::int32_t asked = 0;
        (void)request.GetIntAt(0, asked);
        CNetMessage answer(MSG_WRONG_MODE);
        answer.AddInt(asked == GAME_MODE_SINGLE ? GAME_MODE_DOUBLE : GAME_MODE_SINGLE);
        answer.AddString("Eve");
        fickle.SendMessageToUser(user, answer);
    };
    CProgram client;
    for (int i = 0; i < 3; ++i)
        client.ui.m_answers.push_back({false, fickle.GetPort(), QStringLiteral("Eve")});
    client.link.Join(GAME_MODE_SINGLE, true);
    // Asked, switched once at once; from then on every switch waits for the
    // user, who confirmed once more and then cancelled.
    EXPECT_EQ(client.ui.m_dialogRuns, (std::vector<bool>{true, true, false, false}));
    EXPECT_FALSE(client.link.IsJoined());
}

// ---------------------------------------------------------------------------
// Under abuse: peers that reset, linger, idle or send what nobody understands

namespace
{
// Connects a plain socket and waits until the server has taken it as a user.
bool ConnectAndWaitForServer(CPosixClient& client, const CNetConnection& server, std::size_t usersBefore)
{
    return client.Connect(server.GetPort()) && WaitUntil([&] { return server.GetUserIds().size() > usersBefore; });
}

// Half of a message: the start of a string element that claims far more bytes.
std::string HalfOfAHugeMessage()
{
    CNetMessage huge(MSG_CHAT);
    huge.AddString(std::string(1000000, 'h'));
    const std::string bytes = huge.ToBytes();
    return bytes.substr(0, bytes.size() / 2);
}
} // namespace

TEST_F(NetConnectionTest, JoinersThatResetTheirConnectionLeaveNoGhostInTheSeats)
{
    CProgram server;
    server.bughouse.m_seatsOf = &server.roster;
    StartServer(server, GAME_MODE_DOUBLE);
    // One admitted player, then joiners that reset right after asking: some
    // are gone before their answer, some after it.
    CProgram ann;
    JoinAs(ann, GAME_MODE_DOUBLE, QStringLiteral("Ann"), server.link.GetPort());
    ASSERT_TRUE(ann.link.IsJoined());
    for (int i = 0; i < 6; ++i)
    {
        CPosixClient ghost;
        ASSERT_TRUE(ConnectAndWaitForServer(ghost, server.link, server.link.GetUserIds().size()));
        const std::size_t users = server.link.GetUserIds().size();
        ASSERT_TRUE(ghost.Send(Request(GAME_MODE_DOUBLE, "Ghost" + std::to_string(i)).ToBytes()));
        ghost.Reset();
        ASSERT_TRUE(WaitUntil([&] { return server.link.GetUserIds().size() < users; })) << i;
    }
    Pump(30);
    EXPECT_EQ(Names(server.roster), (std::vector<std::string>{"Host", "Ann"}));
    EXPECT_EQ(server.link.GetSeatedIds(), std::vector<int>{1});

    // Two real players still find their seats, and the seat list they are
    // told holds nobody who is not there.
    CProgram ben;
    CProgram cid;
    JoinAs(ben, GAME_MODE_DOUBLE, QStringLiteral("Ben"), server.link.GetPort());
    JoinAs(cid, GAME_MODE_DOUBLE, QStringLiteral("Cid"), server.link.GetPort());
    ASSERT_TRUE(ben.link.IsJoined());
    ASSERT_TRUE(cid.link.IsJoined());
    EXPECT_EQ(Names(server.roster), (std::vector<std::string>{"Host", "Cid", "Ann", "Ben"}));
    std::int32_t players = 0;
    ASSERT_FALSE(cid.bughouse.m_messages.empty());
    EXPECT_TRUE(cid.bughouse.m_messages[0].GetIntAt(9, players));
    EXPECT_EQ(players, 4);

    // A seated player whose connection is reset is gone, as after a normal close.
    const int benId = server.roster.GetEntry(3).connectionId;
    ben.link.Leave(false);
    ASSERT_TRUE(WaitUntil([&] { return server.bughouse.m_gone.size() == 1; }));
    EXPECT_EQ(server.bughouse.m_gone, std::vector<int>{benId});
    CPosixClient dan;
    ASSERT_TRUE(ConnectAndWaitForServer(dan, server.link, server.link.GetUserIds().size()));
    ASSERT_TRUE(dan.Send(Request(GAME_MODE_DOUBLE, "Dan").ToBytes()));
    ASSERT_TRUE(WaitUntil([&] { return server.roster.Count() == 4; }));
    const int danId = server.roster.ConnectionIdOf(QStringLiteral("Dan"));
    dan.Reset();
    ASSERT_TRUE(WaitUntil([&] { return server.bughouse.m_gone.size() == 2; }));
    EXPECT_EQ(server.bughouse.m_gone.back(), danId);
    EXPECT_EQ(Names(server.roster), (std::vector<std::string>{"Host", "Cid", "Ann"}));
    EXPECT_EQ(server.link.GetSeatedIds().size(), 2u);
}

TEST_F(NetConnectionTest, APlayerWhoSaysGoodbyeIsClosedAtOnceWhateverItSendsAfter)
{
    CProgram server;
    StartServer(server, GAME_MODE_SINGLE);
    for (int round = 0; round < 3; ++round)
    {
        const std::size_t goneBefore = server.chess.m_gone.size();
        CPosixClient leaver;
        ASSERT_TRUE(leaver.Connect(server.link.GetPort()));
        ASSERT_TRUE(leaver.Send(Request(GAME_MODE_SINGLE, "Bob").ToBytes()));
        ASSERT_TRUE(WaitUntil([&] { return server.link.GetSeatedIds().size() == 1; })) << round;
        CNetMessage left(MSG_PLAYER_LEFT);
        left.AddString("Bob");
        // The goodbye, then half a message, and the socket kept open.
        ASSERT_TRUE(leaver.Send(left.ToBytes() + HalfOfAHugeMessage()));
        std::string received;
        ASSERT_TRUE(WaitUntil([&] { return !leaver.Receive(received); })) << round;
        EXPECT_TRUE(server.link.GetUserIds().empty());
        EXPECT_TRUE(server.link.GetSeatedIds().empty());
        EXPECT_EQ(server.chess.m_gone.size(), goneBefore + 1);
        // NET_DISCONNECTED came before the end.
        EXPECT_NE(received.find(CNetMessage(NET_DISCONNECTED).ToBytes()), std::string::npos);
    }
}

TEST_F(NetConnectionTest, AConnectionThatNeverAsksToJoinKeepsNobodyOut)
{
    CProgram server;
    StartServer(server, GAME_MODE_SINGLE);
    CRecordingClient idle;
    ASSERT_TRUE(idle.OpenConnection("127.0.0.1", server.link.GetPort()));
    ASSERT_TRUE(WaitUntil([&] { return server.link.GetUserIds().size() == 1; }));

    CProgram client;
    JoinAs(client, GAME_MODE_SINGLE, QStringLiteral("Bob"), server.link.GetPort());
    EXPECT_TRUE(client.link.IsJoined());
    EXPECT_TRUE(client.ui.m_messages.empty());
    EXPECT_EQ(server.link.GetSeatedIds().size(), 1u);

    // The seat is taken now: the idle one's late request is refused as full.
    ASSERT_TRUE(idle.SendMessage(Request(GAME_MODE_SINGLE, "Eve")));
    ASSERT_TRUE(WaitUntil([&] { return !idle.m_disconnects.empty(); }));
    ASSERT_FALSE(idle.m_messages.empty());
    EXPECT_EQ(idle.m_messages.front().GetId(), MSG_REFUSED_FULL);
    EXPECT_TRUE(client.link.IsJoined());
}

TEST_F(NetConnectionTest, TheServerRelaysOnlyWellFormedGameMessagesThatPassTheGamesFilter)
{
    CProgram server;
    StartServer(server, GAME_MODE_DOUBLE);
    CProgram ann;
    CProgram ben;
    JoinAs(ann, GAME_MODE_DOUBLE, QStringLiteral("Ann"), server.link.GetPort());
    JoinAs(ben, GAME_MODE_DOUBLE, QStringLiteral("Ben"), server.link.GetPort());
    ASSERT_TRUE(WaitUntil([&] { return ann.bughouse.m_messages.size() == 3; }));
    ann.bughouse.m_messages.clear();
    ben.bughouse.m_messages.clear();
    server.bughouse.m_messages.clear();
    // The game refuses moves from row 7 here, as a board refuses a move.
    std::vector<int> filtered;
    server.link.SetRelayFilter([&](int userId, const CNetMessage& message) {
        std::int32_t row = 0;
        if (message.GetId() == MSG_MOVE && message.GetIntAt(2, row) && row == 7)
        {
            filtered.push_back(userId);
            return false;
        }
        return true;
    });

    CNetMessage unknown(19);
    unknown.AddString(std::string(100000, 'u'));
    CNetMessage shortMove(MSG_MOVE);
    for (int value : {2, 0, 1, 3, 3, 3, 0})
        shortMove.AddInt(value);
    CNetMessage offBoard(MSG_DROP);
    for (int value : {2, 0, 9, 3, 0, 299000, 0})
        offBoard.AddInt(value);
    CNetMessage resign(MSG_RESIGN);
    resign.AddInt(2);
    resign.AddInt(2);
    CNetMessage refusedByGame(MSG_MOVE);
    for (int value : {2, 0, 7, 3, 6, 3, 0, 0, 0, 0, 299000, 0})
        refusedByGame.AddInt(value);
    CNetMessage longChat(MSG_CHAT);
    longChat.AddString("Ben");
    longChat.AddString(std::string(3000, 'c'));
    for (const CNetMessage* message : {&unknown, &shortMove, &offBoard, &resign, &refusedByGame, &longChat})
        ASSERT_TRUE(ben.link.Send(*message));
    ASSERT_TRUE(ben.link.Send(SeatMove(2)));

    ASSERT_TRUE(
        WaitUntil([&] { return ann.bughouse.m_messages.size() == 2 && server.bughouse.m_messages.size() == 5; }));
    Pump(30);
    // The other player gets only what it would take; the server's own game
    // also gets the malformed ones, to judge them itself.
    EXPECT_EQ(ann.bughouse.Ids(), (std::vector<int>{MSG_CHAT, MSG_MOVE}));
    EXPECT_EQ(server.bughouse.Ids(), (std::vector<int>{MSG_MOVE, MSG_DROP, MSG_RESIGN, MSG_CHAT, MSG_MOVE}));
    for (const CNetMessage* chat : {&ann.bughouse.m_messages[0], &server.bughouse.m_messages[3]})
    {
        std::string text;
        ASSERT_TRUE(chat->GetStringAt(1, text));
        EXPECT_EQ(text, std::string(1999, 'c') + "\u2026");
    }
    EXPECT_EQ(ann.bughouse.m_messages[1], SeatMove(2));
    EXPECT_EQ(server.bughouse.m_messages[4], SeatMove(2));
    EXPECT_EQ(filtered, std::vector<int>{server.roster.GetEntry(2).connectionId});
    EXPECT_TRUE(ben.link.IsJoined()); // refused messages cost the sender nothing more
}

// ---------------------------------------------------------------------------
// The descriptor limit, lowered for this process

namespace
{
// The process's CPU time so far, user and system.
double CpuMilliseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

// Runs the event loop until the condition holds or the time is up, sleeping
// between checks (the test's own waiting costs no CPU time).
bool IdleUntil(const std::function<bool()>& condition, int timeoutMs)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    check.start(10);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return condition();
}

// Lowers the soft descriptor limit so that exactly `free` more descriptors
// can be made, and puts it back when it goes.
class CDescriptorLimit
{
public:
    explicit CDescriptorLimit(int free)
    {
        getrlimit(RLIMIT_NOFILE, &m_saved);
        int highest = 0;
        if (DIR* dir = opendir("/proc/self/fd"))
        {
            while (dirent* entry = readdir(dir))
                highest = std::max(highest, std::atoi(entry->d_name));
            closedir(dir);
        }
        rlimit lowered = m_saved;
        lowered.rlim_cur = static_cast<rlim_t>(highest + 1 + free);
        m_ok = setrlimit(RLIMIT_NOFILE, &lowered) == 0;
        // Holes below the highest descriptor are filled, then `free` are given back.
        for (int fd; m_ok && (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            m_fillers.push_back(fd);
        for (int i = 0; i < free && !m_fillers.empty(); ++i)
        {
            ::close(m_fillers.back());
            m_fillers.pop_back();
        }
    }
    ~CDescriptorLimit()
    {
        for (int fd : m_fillers)
            ::close(fd);
        setrlimit(RLIMIT_NOFILE, &m_saved);
    }
    CDescriptorLimit(const CDescriptorLimit&) = delete;
    CDescriptorLimit& operator=(const CDescriptorLimit&) = delete;

    [[nodiscard]] bool IsSet() const { return m_ok; }

private:
    rlimit m_saved{};
    bool m_ok = false;
    std::vector<int> m_fillers;
};
} // namespace

TEST(NetServerLimits, AtTheDescriptorLimitNewcomersAreRefusedWithoutSpinningAndLaterAdmitted)
{
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
    // The sanitizers' runtime opens files of its own while it checks calls;
    // at the descriptor limit it cannot, and reports the program instead.
    GTEST_SKIP() << "not under the sanitizers: their runtime needs descriptors at the limit";
#endif
#endif
    CRecordingServer server;
    ASSERT_TRUE(server.StartListening(0));
    constexpr int kFree = 3;
    std::vector<std::unique_ptr<CPosixClient>> clients;
    for (int i = 0; i < kFree + 3; ++i)
        clients.push_back(std::make_unique<CPosixClient>());
    auto late = std::make_unique<CPosixClient>();
    {
        CDescriptorLimit limit(kFree);
        ASSERT_TRUE(limit.IsSet());
        for (int i = 0; i < kFree; ++i)
            ASSERT_TRUE(clients[static_cast<std::size_t>(i)]->Connect(server.GetPort()));
        ASSERT_TRUE(WaitUntil([&] { return server.m_connects.size() == static_cast<std::size_t>(kFree); }));

        // The others come to a process without descriptors: refused, and the
        // program sleeps meanwhile instead of retrying in a tight loop (the
        // test sleeps too, so that the CPU time is the program's).
        const double cpuBefore = CpuMilliseconds();
        QElapsedTimer wall;
        wall.start();
        for (std::size_t i = kFree; i < clients.size(); ++i)
            ASSERT_TRUE(clients[i]->Connect(server.GetPort()));
        std::vector<bool> ended(clients.size(), false);
        ASSERT_TRUE(IdleUntil(
            [&] {
                bool all = true;
                for (std::size_t i = kFree; i < clients.size(); ++i)
                {
                    std::string ignored;
                    ended[i] = ended[i] || !clients[i]->Receive(ignored);
                    all = all && ended[i];
                }
                return all;
            },
            3000));
        (void)IdleUntil([] { return false; }, 500);
        const double cpu = CpuMilliseconds() - cpuBefore;
        EXPECT_LT(cpu, 0.25 * static_cast<double>(wall.elapsed()))
            << cpu << " ms of CPU in " << wall.elapsed() << " ms";
        EXPECT_EQ(server.m_connects.size(), static_cast<std::size_t>(kFree));

        // Once a player leaves, a newcomer gets in again.
        clients[0]->Close();
        ASSERT_TRUE(WaitUntil([&] { return server.m_disconnects.size() == 1; }));
        ASSERT_TRUE(late->Connect(server.GetPort()));
        ASSERT_TRUE(WaitUntil([&] { return server.m_connects.size() == static_cast<std::size_t>(kFree) + 1; }, 3000));
        std::string received;
        EXPECT_TRUE(late->Receive(received));
    }
}

// A named test of the cap: more connections than the server keeps are closed at once.
TEST_F(NetConnectionTest, AFloodOfConnectionsIsCappedAndTheSeatsStayFree)
{
    CProgram server;
    server.link.SetRefusedFullDelay(10);
    StartServer(server, GAME_MODE_SINGLE);
    std::vector<std::unique_ptr<CPosixClient>> flood;
    for (std::size_t i = 0; i < CNetConnection::kMaxConnections + 8; ++i)
    {
        flood.push_back(std::make_unique<CPosixClient>());
        CPosixClient& client = *flood.back();
        ASSERT_TRUE(client.Connect(server.link.GetPort()));
        if (i < CNetConnection::kMaxConnections)
        {
            ASSERT_TRUE(WaitUntil([&] { return server.link.GetUserIds().size() == i + 1; })) << i;
        }
        else
        {
            std::string ignored;
            ASSERT_TRUE(WaitUntil([&] { return !client.Receive(ignored); })) << i;
        }
    }
    EXPECT_EQ(server.link.GetUserIds().size(), static_cast<std::size_t>(CNetConnection::kMaxConnections));
    flood.clear();
    ASSERT_TRUE(WaitUntil([&] { return server.link.GetUserIds().empty(); }));
    CProgram client;
    JoinAs(client, GAME_MODE_SINGLE, QStringLiteral("Bob"), server.link.GetPort());
    EXPECT_TRUE(client.link.IsJoined());
}
