#include "NetGameEntry.h"
#include "GameSettings.h"
#include "NetConnection.h"
#include "PlayerRoster.h"
#include "ProgramTexts.h"
#include "RegistryStore.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{
QString Text(int id)
{
    return QString::fromStdString(ProgramTexts::Text(id));
}

int FreeTcpPort()
{
    QTcpServer server;
    EXPECT_TRUE(server.listen(QHostAddress::LocalHost, 0));
    return server.serverPort();
}

struct RecordingUi : INetConnectionUi
{
    std::optional<QString> RunConnectionDialog(bool) override
    {
        ++dialogs;
        return std::nullopt;
    }
    void ShowWaitDialog() override
    {
        waiting = true;
        QElapsedTimer timer;
        timer.start();
        while (waiting && timer.elapsed() < 5000)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    void CloseWaitDialog() override { waiting = false; }
    void ShowMessage(const QString& text) override { messages.append(text); }
    int dialogs = 0;
    bool waiting = false;
    QStringList messages;
};

struct Program
{
    PlayerRoster roster;
    GameSettings settings;
    CNetConnection link{roster, settings};
    RecordingUi ui;
    int advertised = 0;
    Program()
    {
        link.SetUi(&ui);
        link.SetAdvertiserFactory([this](int) {
            ++advertised;
            return std::unique_ptr<INetAdvertiser>();
        });
    }
    ~Program() { link.Leave(false); }
};

using Outcome = CNetGameEntry::Outcome;
} // namespace

TEST(NetGameEntry, EmptyAndInvalidCommandLines)
{
    QTemporaryDir dir;
    RegistryStore store(dir.filePath(QStringLiteral("s.reg")));
    Program program;
    EXPECT_EQ(CNetGameEntry::Start(CNetCommandLine::Parse(QString()), program.link, store, program.ui),
              Outcome::MainMenu);
    EXPECT_TRUE(program.ui.messages.isEmpty());
    EXPECT_EQ(CNetGameEntry::Start(CNetCommandLine::Parse(QStringLiteral("client double 192.168.0.5 4000")),
                                   program.link, store, program.ui),
              Outcome::Exit);
    EXPECT_EQ(program.ui.messages, QStringList{Text(ProgramTexts::IDS_CMDLINE_INVALID)});
    EXPECT_FALSE(program.link.IsServer());
}

TEST(NetGameEntry, ServerAndClientStartWithoutDialogs)
{
    QTemporaryDir dir;
    RegistryStore store(dir.filePath(QStringLiteral("s.reg")));
    Program server;
    const int port = FreeTcpPort();
    const auto line = CNetCommandLine::Parse(QStringLiteral("SERVER,Single,%1,Big Blue").arg(port));
    ASSERT_EQ(CNetGameEntry::Start(line, server.link, store, server.ui), Outcome::Server);
    EXPECT_TRUE(server.link.IsServer());
    EXPECT_TRUE(server.link.IsJoined());
    EXPECT_EQ(server.link.GetPort(), port);
    EXPECT_EQ(server.roster.GetEntry(0).name, QStringLiteral("Big Blue"));
    EXPECT_EQ(server.roster.GetNickname(), QStringLiteral("Big Blue"));
    EXPECT_EQ(server.advertised, 0); // not found by a LAN search
    EXPECT_EQ(server.ui.dialogs, 0);

    // The same port again cannot be started: the failure text, the main menu.
    Program second;
    EXPECT_EQ(CNetGameEntry::Start(line, second.link, store, second.ui), Outcome::MainMenu);
    EXPECT_EQ(second.ui.messages, QStringList{Text(ProgramTexts::IDS_CONN_START_FAILED)});

    Program client;
    const auto join = CNetCommandLine::Parse(QStringLiteral("client single 127.0.0.1 %1 Deep Thought").arg(port));
    ASSERT_EQ(CNetGameEntry::Start(join, client.link, store, client.ui), Outcome::Client);
    EXPECT_TRUE(client.link.IsJoined());
    EXPECT_EQ(server.roster.GetEntry(1).name, QStringLiteral("Deep Thought"));
    EXPECT_EQ(client.ui.dialogs, 0);
    QString text;
    int32_t value = 0;
    store.OpenRoot(QStringLiteral("HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II"));
    store.OpenSubKey(QStringLiteral("Connection"));
    store.ReadString(QStringLiteral("Nickname"), text, QString());
    EXPECT_EQ(text, QStringLiteral("Deep Thought"));
    store.ReadString(QStringLiteral("Ip"), text, QString());
    EXPECT_EQ(text, QStringLiteral("127.0.0.1"));
    store.ReadDword(QStringLiteral("ClientPort"), value, 0);
    EXPECT_EQ(value, port);

    // A refused join (the game is full) hands over to the real connection dialog once.
    Program twin;
    const auto clash = CNetCommandLine::Parse(QStringLiteral("client single 127.0.0.1 %1 Big Blue").arg(port));
    CNetGameEntry::Start(clash, twin.link, store, twin.ui);
    EXPECT_EQ(twin.ui.messages, QStringList{Text(ProgramTexts::IDS_NET_REFUSED_FULL)});
    EXPECT_EQ(twin.ui.dialogs, 1);
}

TEST(NetGameEntry, ClientWithoutServerShowsTheConnectFailure)
{
    QTemporaryDir dir;
    RegistryStore store(dir.filePath(QStringLiteral("s.reg")));
    Program client;
    const auto join = CNetCommandLine::Parse(QStringLiteral("client single 127.0.0.1 %1 x").arg(FreeTcpPort()));
    EXPECT_EQ(CNetGameEntry::Start(join, client.link, store, client.ui), Outcome::MainMenu);
    EXPECT_EQ(client.ui.messages, QStringList{Text(ProgramTexts::IDS_CONN_CONNECT_FAILED)});
}
