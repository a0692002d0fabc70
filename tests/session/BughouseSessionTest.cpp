// The bughouse game's flow without a window: what it does to the stored
// settings, and its command table.
#include "SessionTestSupport.h"

#include "BughouseProtocol.h"
#include "BughouseSession.h"
#include "GameSettings.h"
#include "NetConnection.h"
#include "NetMessage.h"
#include "NetProtocol.h"
#include "PlayerRoster.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>

using namespace SessionTest;
using S = CBughouseSession;

namespace
{
struct Program
{
    GameSettings settings;
    PlayerRoster roster;
    CNetConnection link{roster, settings};
    S session{settings, roster, link};
    RecordingObserver observer;

    Program() { session.SetObserver(&observer); }
    ~Program() { link.Leave(false); }
};

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 3000)
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

// A player's end of a connection on loopback, read and written directly, so
// that a test can see what has reached it at a given moment.
class CRawPeer
{
public:
    ~CRawPeer()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool Connect(int port)
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        return m_fd >= 0 && ::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    bool Send(const CNetMessage& message) const
    {
        const std::string bytes = message.ToBytes();
        return ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(bytes.size());
    }
    void Drain() const
    {
        char buffer[4096];
        while (::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT) > 0)
        {
        }
    }
    // Whether bytes have arrived, waiting at most that long.
    [[nodiscard]] bool Readable(int timeoutMs) const
    {
        pollfd entry{m_fd, POLLIN, 0};
        return ::poll(&entry, 1, timeoutMs) > 0;
    }

private:
    int m_fd = -1;
};

struct ChatObserver : RecordingObserver
{
    std::function<void()> onChat;
    void OnChatLine(const QString&, const QString&, bool) override
    {
        if (onChat)
            onChat();
    }
};
} // namespace

// Bughouse games always run with a time limit, but that rule belongs to the
// game in memory: opening the game or taking the server's settings never
// writes "no time limit" off in the stored settings of the other games.
TEST(BughouseSession, NeverChangesTheNoTimeLimitSetting)
{
    Program program;
    program.settings.SetIsTimeInfinite(true);
    program.settings.SetGameTime(0, 3, 0);
    program.session.Open();
    EXPECT_TRUE(program.settings.IsTimeInfinite());
    for (int panel = 0; panel < 4; ++panel)
    {
        EXPECT_FALSE(program.session.Clock(panel).IsUnlimited()) << panel;
        EXPECT_EQ(program.session.Clock(panel).GetTime().Milliseconds(), 3 * 60 * 1000) << panel;
    }
    EXPECT_TRUE(program.session.SummaryText().startsWith(QStringLiteral("Game settings: 3 min 0 sec")));

    BughouseSettingsValues values;
    values.minutes = 7;
    program.session.HandleGameMessage(CBughouseProtocol::MakeSettings(values));
    EXPECT_EQ(program.settings.GetGameTime().Milliseconds(), 7 * 60 * 1000) << "the server's time is taken";
    EXPECT_TRUE(program.settings.IsTimeInfinite());
    EXPECT_EQ(program.session.Clock(0).GetTime().Milliseconds(), 7 * 60 * 1000);
}

TEST(BughouseSession, AServerAloneCanStartNothing)
{
    Program program;
    ASSERT_TRUE(program.link.StartServer(0));
    program.roster.SetNickname(QStringLiteral("Ann"));
    program.roster.SetEntry(0, PlayerEntry{QStringLiteral("Ann"), 0, COLOUR_WHITE, 0});
    program.session.Open();
    EXPECT_EQ(Mismatches(program.session, {{S::kStartId, true, false},
                                           {S::kResignId, false, false},
                                           {S::kAbortGameId, true, false},
                                           {S::kRotatePlayersId, true, false},
                                           {S::kSettingsId, true, true},
                                           {S::kMenuId, true, true}}),
              std::vector<std::string>{});
    EXPECT_EQ(program.session.QuestionOf(S::kMenuId).text, 0) << "nobody to leave";
    EXPECT_FALSE(program.session.Command(S::kStartId));
    EXPECT_FALSE(program.session.IsRunning());
}

// A chat line reaches the other players before the server draws it, whether
// it is the server's own or one it passes on: they never wait for its pane.
TEST(BughouseSession, TheServerPassesAChatLineOnBeforeItDrawsIt)
{
    ChatObserver observer;
    Program program;
    program.session.SetObserver(&observer);
    program.link.SetMode(GAME_MODE_DOUBLE);
    program.link.SetGameWindows(nullptr, &program.session);
    ASSERT_TRUE(program.link.StartServer(0));
    program.roster.SetNickname(QStringLiteral("Ann"));
    program.roster.SetEntry(0, PlayerEntry{QStringLiteral("Ann"), 0, COLOUR_WHITE, 0});
    program.session.Open();
    CRawPeer bob;
    CRawPeer cid;
    for (const auto& [peer, nickname] : {std::pair{&bob, "Bob"}, std::pair{&cid, "Cid"}})
    {
        const QString name = QString::fromLatin1(nickname);
        CNetMessage request(MSG_JOIN_REQUEST);
        request.AddInt(GAME_MODE_DOUBLE);
        request.AddString(nickname);
        request.AddLong(NET_VERSION_MAJOR);
        request.AddLong(NET_VERSION_MINOR);
        ASSERT_TRUE(peer->Connect(program.link.GetPort()));
        ASSERT_TRUE(peer->Send(request));
        ASSERT_TRUE(WaitUntil([&] { return program.roster.Contains(name); }));
    }
    bob.Drain();
    cid.Drain();

    std::vector<bool> arrivedWhenDrawn;
    observer.onChat = [&] { arrivedWhenDrawn.push_back(bob.Readable(1000)); };
    program.session.SendChat(QStringLiteral("hello"));
    ASSERT_EQ(arrivedWhenDrawn.size(), 1u);
    EXPECT_TRUE(arrivedWhenDrawn[0]) << "the server's own line";

    bob.Drain();
    ASSERT_TRUE(cid.Send(CBughouseProtocol::MakeChat(QStringLiteral("Cid"), QStringLiteral("hi"))));
    ASSERT_TRUE(WaitUntil([&] { return arrivedWhenDrawn.size() == 2; }));
    EXPECT_TRUE(arrivedWhenDrawn[1]) << "a client's line";
    program.session.SetObserver(&program.observer);
}
