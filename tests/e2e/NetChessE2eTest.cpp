// Copies of the program, started by their command line as server and client
// on a loopback port, play network chess against each other, or fail to start
// and say so. All that is asserted is read from the programs themselves
// through their automation channels.
#include "ProgramSteps.h"

#include <QHostAddress>
#include <QTcpServer>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace
{
// The network chess window's buttons, named after their command ids.
const QString kStartGame = QStringLiteral("NetChessWnd/button1027");
const QString kResign = QStringLiteral("NetChessWnd/button1020");
const QString kOfferDraw = QStringLiteral("NetChessWnd/button1013");
const QString kAcceptDraw = QStringLiteral("NetChessWnd/button1001");
const QString kTakeback = QStringLiteral("NetChessWnd/button1031");
const QString kAcceptTakeback = QStringLiteral("NetChessWnd/button1002");
const QString kResetBoard = QStringLiteral("NetChessWnd/button1019");
const QString kMenu = QStringLiteral("NetChessWnd/button1003");
const QString kBoard = QStringLiteral("NetChessWnd/board");
const QString kOutput = QStringLiteral("NetChessWnd/chatOutput");
const QString kChat = QStringLiteral("NetChessWnd/chatInput");
const QString kMoveList = QStringLiteral("NetChessWnd/moveList");
const QString kTopPanel = QStringLiteral("NetChessWnd/topPanel");

const QString kOk = QStringLiteral("ok");

class NetChessE2eTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const int port = CProgramProcess::FreePort();
        ASSERT_GT(port, 0);
        server = std::make_unique<CProgramProcess>(QStringLiteral("server"));
        client = std::make_unique<CProgramProcess>(QStringLiteral("client"));
        ASSERT_TRUE(server->Start(
            {QStringLiteral("server"), QStringLiteral("single"), QString::number(port), QStringLiteral("alice")}))
            << server->ErrorOutput().toStdString();
        ASSERT_TRUE(server->WaitForText(kOutput, QStringLiteral("Your server started at")))
            << server->Text(kOutput).toStdString();
        ASSERT_TRUE(client->Start({QStringLiteral("client"), QStringLiteral("single"), QStringLiteral("127.0.0.1"),
                                   QString::number(port), QStringLiteral("bob")}))
            << client->ErrorOutput().toStdString();

        // Joined on both sides, in the words the programs print.
        ASSERT_TRUE(server->WaitForText(kOutput, QStringLiteral("bob joins the game")))
            << server->Text(kOutput).toStdString();
        ASSERT_TRUE(client->WaitForText(kOutput, QStringLiteral("alice is in the game")))
            << client->Text(kOutput).toStdString();
        EXPECT_TRUE(client->Text(kOutput).contains(QStringLiteral("You are connected to the game as bob")));
        EXPECT_TRUE(server->WaitForText(kTopPanel, QStringLiteral("bob")));
        EXPECT_TRUE(client->WaitForText(kTopPanel, QStringLiteral("alice")));
    }

    void TearDown() override
    {
        // Both programs end cleanly, and a sanitizer's report (leaks come at exit) fails the test.
        for (CProgramProcess* program : {client.get(), server.get()})
        {
            if (program != nullptr)
                ExpectCleanEnd(*program);
        }
    }

    void StartGame()
    {
        ASSERT_EQ(server->Request(QStringLiteral("click ") + kStartGame), kOk);
        ASSERT_TRUE(client->WaitForText(kOutput, QStringLiteral("Game 1 started")));
        EXPECT_TRUE(server->Text(kOutput).contains(QStringLiteral("Game 1 started")));
    }

    // A move by the mover, seen on both boards afterwards.
    void Play(CProgramProcess& mover, CProgramProcess& other, const QString& move, int plyAfter)
    {
        ASSERT_TRUE(mover.WaitFor([&] { return mover.Board(kBoard).value(QStringLiteral("input")).toBool(); }))
            << mover.Label().toStdString() << " never got the move " << move.toStdString();
        ASSERT_EQ(mover.Request(QStringLiteral("move %1 %2").arg(kBoard, move)), kOk);
        for (CProgramProcess* program : {&mover, &other})
            ASSERT_TRUE(program->WaitFor([&] {
                return program->Board(kBoard).value(QStringLiteral("moves")).toArray().size() == plyAfter;
            })) << program->Label().toStdString()
                << " after " << move.toStdString();
    }

    // A chat line typed and sent with Return, shown on both sides.
    void Chat(CProgramProcess& from, CProgramProcess& to, const QString& nickname, const QString& line)
    {
        ASSERT_EQ(from.Request(QStringLiteral("type %1 %2").arg(kChat, line)), kOk);
        ASSERT_EQ(from.Request(QStringLiteral("key %1 Return").arg(kChat)), kOk);
        const QString shown = nickname + QStringLiteral(": ") + line;
        EXPECT_TRUE(to.WaitForText(kOutput, shown)) << to.Text(kOutput).toStdString();
        EXPECT_TRUE(from.Text(kOutput).contains(shown));
        EXPECT_EQ(from.Text(kChat), QString());
    }

    // Fills time fields of the server's settings dialog as a person does, and confirms it.
    void ChangeServerSettings(const std::vector<std::pair<QString, QString>>& fields)
    {
        ASSERT_EQ(server->Request(QStringLiteral("click NetChessWnd/button1025")), kOk);
        ASSERT_TRUE(server->WaitFor([&] { return server->IsShown(QStringLiteral("control1061")); }));
        for (const auto& entry : fields)
        {
            const QString& field = entry.first;
            const QString& text = entry.second;
            // The field's text is replaced: select all, then type.
            ASSERT_EQ(server->Request(QStringLiteral("key %1 Ctrl+A").arg(field)), kOk);
            ASSERT_EQ(server->Request(QStringLiteral("type %1 %2").arg(field, text)), kOk);
            ASSERT_TRUE(server->WaitFor([&] { return server->Text(field) == text; })) << field.toStdString();
        }
        ASSERT_EQ(server->Request(QStringLiteral("click button1")), kOk);
    }

    std::unique_ptr<CProgramProcess> server;
    std::unique_ptr<CProgramProcess> client;
};

TEST_F(NetChessE2eTest, JoinPlayChatAndLeaveByMenu)
{
    StartGame();
    Play(*server, *client, QStringLiteral("e2e4"), 1);
    Play(*client, *server, QStringLiteral("e7e5"), 2);
    Play(*server, *client, QStringLiteral("g1f3"), 3);
    EXPECT_EQ(server->Board(kBoard).value(QStringLiteral("fen")).toString(),
              client->Board(kBoard).value(QStringLiteral("fen")).toString());
    // The client has Black and sees the board from Black's side.
    EXPECT_TRUE(client->Board(kBoard).value(QStringLiteral("flipped")).toBool());
    EXPECT_FALSE(server->Board(kBoard).value(QStringLiteral("flipped")).toBool());
    EXPECT_TRUE(client->Text(kMoveList).startsWith(QStringLiteral("1. e4 e5\n2. Nf3")))
        << client->Text(kMoveList).toStdString();

    Chat(*server, *client, QStringLiteral("alice"), QStringLiteral("hello bob"));
    Chat(*client, *server, QStringLiteral("bob"), QStringLiteral("hi alice, good luck"));

    // Menu asks first while connected; the queued answer says yes.
    ASSERT_EQ(client->Request(QStringLiteral("answer yes")), kOk);
    ASSERT_EQ(client->Request(QStringLiteral("click ") + kMenu), kOk);
    EXPECT_TRUE(client->WaitForMessage(QStringLiteral("Connection will be closed.")));
    EXPECT_TRUE(client->WaitFor([&] { return client->IsShown(QStringLiteral("MainMenuWnd")); }));
    // The game was running: the server is told in a message box.
    EXPECT_TRUE(server->WaitForMessage(QStringLiteral("bob leaves")));
    EXPECT_TRUE(server->WaitForText(kTopPanel, QStringLiteral("< Waiting for client to connect >")));
    EXPECT_FALSE(server->WidgetEntry(kStartGame).value(QStringLiteral("enabled")).toBool());
    EXPECT_TRUE(client->Quit()) << client->ErrorOutput().toStdString();
    EXPECT_TRUE(server->Quit()) << server->ErrorOutput().toStdString();
}

TEST_F(NetChessE2eTest, ClientSeesServerLeaveWhenServerExits)
{
    Chat(*client, *server, QStringLiteral("bob"), QStringLiteral("ready?"));
    EXPECT_TRUE(server->Quit()) << server->ErrorOutput().toStdString();
    EXPECT_TRUE(client->WaitForMessage(QStringLiteral(
        "The server left the game.\n\nAt this point, you can save the current game or return to the main menu.")));
    // The client keeps running and can still go back to the main menu.
    ASSERT_EQ(client->Request(QStringLiteral("click ") + kMenu), kOk);
    EXPECT_TRUE(client->WaitFor([&] { return client->IsShown(QStringLiteral("MainMenuWnd")); }));
    EXPECT_TRUE(client->Quit()) << client->ErrorOutput().toStdString();
}

TEST_F(NetChessE2eTest, ClientProgramEndingLeavesTheGame)
{
    EXPECT_TRUE(client->Quit()) << client->ErrorOutput().toStdString();
    // No game was running: the departure is printed, and the server waits again.
    EXPECT_TRUE(server->WaitForText(kOutput, QStringLiteral("- bob leaves")));
    EXPECT_TRUE(server->WaitForText(kTopPanel, QStringLiteral("< Waiting for client to connect >")));
    EXPECT_FALSE(server->SawMessage(QStringLiteral("bob leaves")));
}

TEST_F(NetChessE2eTest, CompleteGameWithTakebackDeclinedDrawAndCheckmate)
{
    StartGame();
    Chat(*server, *client, QStringLiteral("alice"), QStringLiteral("have fun"));
    Play(*server, *client, QStringLiteral("f2f3"), 1);
    Play(*client, *server, QStringLiteral("e7e5"), 2);
    Play(*server, *client, QStringLiteral("a2a3"), 3);

    // The server asks to undo its move; the client accepts; both boards lose one ply.
    ASSERT_EQ(server->Request(QStringLiteral("click ") + kTakeback), kOk);
    ASSERT_TRUE(client->WaitForText(kOutput, QStringLiteral("Opponent has asked to undo the last move")));
    ASSERT_EQ(client->Request(QStringLiteral("click ") + kAcceptTakeback), kOk);
    ASSERT_TRUE(server->WaitForText(kOutput, QStringLiteral("Opponent has accepted to undo the last move")));
    for (CProgramProcess* program : {server.get(), client.get()})
        EXPECT_TRUE(program->WaitFor(
            [&] { return program->Board(kBoard).value(QStringLiteral("moves")).toArray().size() == 2; }));
    EXPECT_TRUE(server->Board(kBoard).value(QStringLiteral("input")).toBool());
    EXPECT_FALSE(client->Board(kBoard).value(QStringLiteral("input")).toBool());
    EXPECT_EQ(server->Board(kBoard).value(QStringLiteral("fen")).toString(),
              client->Board(kBoard).value(QStringLiteral("fen")).toString());

    // A draw offer travels with the next move; the client declines it by moving on.
    ASSERT_EQ(server->Request(QStringLiteral("click ") + kOfferDraw), kOk);
    EXPECT_TRUE(server->WaitForText(kOutput, QStringLiteral("Draw will be offered with your next move")));
    Play(*server, *client, QStringLiteral("g2g4"), 3);
    ASSERT_TRUE(client->WaitForText(kOutput, QStringLiteral("Opponent has offered a draw")));
    EXPECT_TRUE(client->IsShown(kAcceptDraw));
    Chat(*client, *server, QStringLiteral("bob"), QStringLiteral("no draw, thanks — grüße ♞"));

    // The declining move mates: checkmate counted on both sides.
    Play(*client, *server, QStringLiteral("d8h4"), 4);
    const QString mate = QStringLiteral("White is checkmate.\nBlack wins the game !");
    EXPECT_TRUE(server->WaitForMessage(mate));
    EXPECT_TRUE(client->WaitForMessage(mate));
    EXPECT_TRUE(server->WaitForText(kOutput, QStringLiteral("Victories: 0, Defeats: 1, Draws: 0")));
    EXPECT_TRUE(client->WaitForText(kOutput, QStringLiteral("Victories: 1, Defeats: 0, Draws: 0")));
    EXPECT_FALSE(server->SawMessage(QStringLiteral("Game is a draw")));
    EXPECT_FALSE(client->IsShown(kAcceptDraw));

    // A second game on a fresh board, ended by resignation after the question is answered yes.
    EXPECT_TRUE(server->Request(QStringLiteral("click ") + kStartGame).startsWith(QStringLiteral("error disabled")));
    ASSERT_EQ(server->Request(QStringLiteral("click ") + kResetBoard), kOk);
    ASSERT_TRUE(
        server->WaitFor([&] { return server->Board(kBoard).value(QStringLiteral("moves")).toArray().isEmpty(); }));
    ASSERT_EQ(server->Request(QStringLiteral("click ") + kStartGame), kOk);
    ASSERT_TRUE(client->WaitForText(kOutput, QStringLiteral("Game 2 started")));
    Play(*server, *client, QStringLiteral("d2d4"), 1);
    ASSERT_EQ(client->Request(QStringLiteral("answer yes")), kOk);
    ASSERT_EQ(client->Request(QStringLiteral("click ") + kResign), kOk);
    EXPECT_TRUE(client->WaitForMessage(QStringLiteral("Are you sure to resign ?")));
    EXPECT_TRUE(server->WaitForMessage(QStringLiteral("Your opponent has resigned.\nYou win the game !")));
    EXPECT_TRUE(server->WaitForText(kOutput, QStringLiteral("Victories: 1, Defeats: 1, Draws: 0")));
    EXPECT_TRUE(client->WaitForText(kOutput, QStringLiteral("Victories: 1, Defeats: 1, Draws: 0")));
    Chat(*server, *client, QStringLiteral("alice"), QStringLiteral("gg"));

    EXPECT_TRUE(client->Quit()) << client->ErrorOutput().toStdString();
    EXPECT_TRUE(server->Quit()) << server->ErrorOutput().toStdString();
}

TEST_F(NetChessE2eTest, ChannelRefusesWhatAPersonCannotDo)
{
    // The client cannot start a game; a disabled button is refused, not clicked.
    EXPECT_TRUE(client->Request(QStringLiteral("click ") + kStartGame).startsWith(QStringLiteral("error disabled")));
    // Before the game the board takes no input.
    EXPECT_TRUE(server->Request(QStringLiteral("move %1 e2e4").arg(kBoard)).startsWith(QStringLiteral("error")));
    EXPECT_TRUE(server->Request(QStringLiteral("click NoSuchWidget")).startsWith(QStringLiteral("error no widget")));
    EXPECT_TRUE(server->Request(QStringLiteral("frobnicate")).startsWith(QStringLiteral("error unknown command")));
    EXPECT_TRUE(server->Request(QStringLiteral("answer maybe")).startsWith(QStringLiteral("error")));
    StartGame();
    // Not the client's turn; and the same square twice is no move.
    EXPECT_TRUE(client->Request(QStringLiteral("move %1 e7e5").arg(kBoard)).startsWith(QStringLiteral("error")));
    EXPECT_TRUE(server->Request(QStringLiteral("move %1 e2x4").arg(kBoard)).startsWith(QStringLiteral("error")));
    // An illegal drag leaves the board as it was.
    ASSERT_EQ(server->Request(QStringLiteral("move %1 e2e5").arg(kBoard)), kOk);
    Play(*server, *client, QStringLiteral("e2e4"), 1);
    EXPECT_EQ(server->Board(kBoard).value(QStringLiteral("moves")).toArray().first().toString(), QStringLiteral("e4"));
}
}

namespace
{
TEST_F(NetChessE2eTest, PromotionIsChosenInTheChooserAndReachesThePeer)
{
    StartGame();
    const char* moves[] = {"h2h4", "g7g5", "h4g5", "g8f6", "g5f6", "h7h5", "f6e7", "h5h4"};
    int ply = 0;
    for (const char* move : moves)
    {
        const bool white = ply % 2 == 0;
        Play(white ? *server : *client, white ? *client : *server, QString::fromLatin1(move), ++ply);
    }
    ASSERT_EQ(server->Request(QStringLiteral("move %1 e7d8").arg(kBoard)), kOk);
    // The chooser is a modal dialog; the channel keeps serving while it is open.
    ASSERT_TRUE(server->WaitFor([&] {
        for (const QJsonValue& window : server->Ask(QStringLiteral("list")).toArray())
            if (window.toObject().value(QStringLiteral("class")).toString() == QLatin1String("CPromotionDlg"))
                return true;
        return false;
    }));
    EXPECT_TRUE(server->Request(QStringLiteral("click ") + kMenu).startsWith(QStringLiteral("error blocked")));
    EXPECT_TRUE(server->Text(kOutput).contains(QStringLiteral("Game 1 started")));
    // The knight.
    ASSERT_EQ(server->Request(QStringLiteral("click promotion%1").arg(2)), kOk)
        << server->Request(QStringLiteral("list")).toStdString();
    for (CProgramProcess* program : {server.get(), client.get()})
    {
        ASSERT_TRUE(program->WaitFor(
            [&] { return program->Board(kBoard).value(QStringLiteral("moves")).toArray().size() == 9; }));
        const QJsonObject board = program->Board(kBoard);
        EXPECT_TRUE(board.value(QStringLiteral("fen")).toString().startsWith(QStringLiteral("rnbNkb1r/")))
            << board.value(QStringLiteral("fen")).toString().toStdString();
        EXPECT_EQ(board.value(QStringLiteral("moves")).toArray().last().toString(), QStringLiteral("exd8=N"));
    }
    EXPECT_TRUE(client->Board(kBoard).value(QStringLiteral("input")).toBool());
}
}

namespace
{
TEST_F(NetChessE2eTest, SettingsChangedInTheServersDialogReachTheClient)
{
    ChangeServerSettings({{QStringLiteral("control1061"), QStringLiteral("3")}});
    EXPECT_TRUE(server->WaitForText(kOutput, QStringLiteral("3 min 0 sec")));
    EXPECT_TRUE(client->WaitForText(kOutput, QStringLiteral("3 min 0 sec"))) << client->Text(kOutput).toStdString();
    // The panel shows the name and the clock.
    EXPECT_TRUE(client->WaitFor([&] {
        return client->Text(QStringLiteral("NetChessWnd/bottomPanel")) == QLatin1String("bob\n3 min 0 sec");
    })) << client->Text(QStringLiteral("NetChessWnd/bottomPanel")).toStdString();
}
}

namespace
{
bool MainMenuShown(CProgramProcess& program)
{
    return program.IsShown(QStringLiteral("MainMenuWnd"));
}

TEST(NetChessE2eStartFailure, ClientWithoutServerIsToldAndStaysOnTheMainMenu)
{
    // Nothing listens on a port just found free.
    const int port = CProgramProcess::FreePort();
    ASSERT_GT(port, 0);
    CProgramProcess client(QStringLiteral("client"));
    ASSERT_TRUE(client.Start({QStringLiteral("client"), QStringLiteral("single"), QStringLiteral("127.0.0.1"),
                              QString::number(port), QStringLiteral("bob")}));
    EXPECT_TRUE(client.WaitForMessage(QStringLiteral("Impossible to connect.\n\nVerify these following items:")));
    EXPECT_TRUE(client.WaitFor([&] { return MainMenuShown(client); }));
    ExpectQuitsCleanly(client);
}

TEST(NetChessE2eStartFailure, ServerOnABusyPortIsToldAndStaysOnTheMainMenu)
{
    QTcpServer holder;
    ASSERT_TRUE(holder.listen(QHostAddress::Any, 0));
    CProgramProcess server(QStringLiteral("server"));
    ASSERT_TRUE(server.Start({QStringLiteral("server"), QStringLiteral("single"), QString::number(holder.serverPort()),
                              QStringLiteral("alice")}));
    EXPECT_TRUE(server.WaitForMessage(QStringLiteral("Impossible to start the server.")));
    EXPECT_TRUE(server.WaitFor([&] { return MainMenuShown(server); }));
    ExpectQuitsCleanly(server);
}
}

namespace
{
TEST(ProgramE2e, WithoutArgumentsTheMenuLeadsToTheLocalGame)
{
    CProgramProcess program(QStringLiteral("local"));
    ASSERT_TRUE(program.Start({}));
    EXPECT_TRUE(program.WaitFor([&] { return MainMenuShown(program); }));
    ASSERT_EQ(program.Request(QStringLiteral("click MainMenuWnd/button1048")), kOk);
    ASSERT_TRUE(program.WaitFor([&] { return !MainMenuShown(program); }));
    const QJsonObject board = program.Board(QStringLiteral("LocalChessWnd/board"));
    EXPECT_EQ(board.value(QStringLiteral("fen")).toString(),
              QStringLiteral("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
    EXPECT_TRUE(program.Text(QStringLiteral("LocalChessWnd/bottomPanel")).startsWith(QStringLiteral("Player 1\n")))
        << program.Text(QStringLiteral("LocalChessWnd/bottomPanel")).toStdString();
    ExpectQuitsCleanly(program);
}
}

namespace
{
TEST(NetChessE2eStartFailure, ClientWaitingForASilentServerStillQuits)
{
    // A loopback listener that takes the connection and never answers the join request.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    CProgramProcess client(QStringLiteral("client"));
    ASSERT_TRUE(client.Start({QStringLiteral("client"), QStringLiteral("single"), QStringLiteral("127.0.0.1"),
                              QString::number(silent.serverPort()), QStringLiteral("bob")}));
    EXPECT_TRUE(client.WaitFor([&] {
        for (const QJsonValue& window : client.Ask(QStringLiteral("list")).toArray())
            if (window.toObject().value(QStringLiteral("title")).toString() == QLatin1String("Waiting for the Server"))
                return true;
        return false;
    }));
    ExpectQuitsCleanly(client);
}
}
