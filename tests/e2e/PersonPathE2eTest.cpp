// The program as a person meets it: started with no arguments, every kind of
// game is reached only through the main menu and its dialogs, with real
// clicks, keys and drags sent through the automation channel. Network games
// run on loopback; a server's port is the one the program itself reports.
#include "ProgramSteps.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{
// A request's reply, printable by the test's messages.
std::string Reply(CProgramProcess& program, const QString& line)
{
    return program.Request(line).toStdString();
}

const QString kLocalChessButton = QStringLiteral("MainMenuWnd/button1048");

const QString kLocalBoard = QStringLiteral("LocalChessWnd/board");
// A bughouse program's own board and the other board.
const QString kOwnBoard = QStringLiteral("BughouseWnd/board0");
const QString kOtherBoard = QStringLiteral("BughouseWnd/board1");
// Positions after White's first move.
const QString kAfterE4 = QStringLiteral("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b");
const QString kAfterD4 = QStringLiteral("rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b");
// The settings dialog's type lists of the player at the top and at the bottom.
const QString kTopType = QStringLiteral("control1058");
const QString kBottomType = QStringLiteral("control1057");
const QString kHuman = QStringLiteral("Human");
const QString kWinboardEngine = QStringLiteral("Winboard-Compatible Engine");

// Texts of the program.
const QString kBadPort = QStringLiteral("The port must be a number from 1 to 65535.");
const QString kStartFailed = QStringLiteral("Impossible to start the server.");

// The short names of the processes whose parent is the given one.
QStringList ChildNames(qint64 parent)
{
    QStringList names;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
    {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold blanks and parentheses.
        const QByteArray line = stat.readAll();
        const qsizetype open = line.indexOf('(');
        const qsizetype close = line.lastIndexOf(')');
        if (open < 0 || close < open)
            continue;
        const QList<QByteArray> rest = line.mid(close + 2).split(' ');
        if (rest.size() >= 2 && rest[1].toLongLong() == parent)
            names << QString::fromLocal8Bit(line.mid(open + 1, close - open - 1));
    }
    return names;
}

QString RectText(const QJsonObject& rect)
{
    return QStringLiteral("(%1,%2 %3x%4)")
        .arg(rect.value(QStringLiteral("x")).toInt())
        .arg(rect.value(QStringLiteral("y")).toInt())
        .arg(rect.value(QStringLiteral("width")).toInt())
        .arg(rect.value(QStringLiteral("height")).toInt());
}

bool Contains(const QJsonObject& outer, const QJsonObject& inner)
{
    const QRect a(outer.value(QStringLiteral("x")).toInt(), outer.value(QStringLiteral("y")).toInt(),
                  outer.value(QStringLiteral("width")).toInt(), outer.value(QStringLiteral("height")).toInt());
    const QRect b(inner.value(QStringLiteral("x")).toInt(), inner.value(QStringLiteral("y")).toInt(),
                  inner.value(QStringLiteral("width")).toInt(), inner.value(QStringLiteral("height")).toInt());
    return a.contains(b);
}

class PersonPathE2eTest : public testing::Test
{
protected:
    void TearDown() override
    {
        // Every program ends cleanly, and a sanitizer's report fails the test.
        ExpectCleanEnds(m_Programs);
    }

    // A program started as a person starts it, shown on its main menu.
    CProgramProcess& Launch(const QString& label)
    {
        m_Programs.push_back(std::make_unique<CProgramProcess>(label));
        CProgramProcess& program = *m_Programs.back();
        EXPECT_TRUE(program.Start({})) << program.ErrorOutput().toStdString();
        EXPECT_TRUE(program.WaitFor([&] { return program.IsShown(QStringLiteral("MainMenuWnd")); }));
        return program;
    }

    // A menu button opens the connection dialog, which waits for the person.
    static void OpenWaitingConnectionDialog(CProgramProcess& program, const QString& menuButton)
    {
        const qsizetype messagesBefore = program.Messages().size();
        OpenConnectionDialog(program, menuButton);
        EXPECT_EQ(program.Messages().size(), messagesBefore) << "the dialog answered itself: " << MessagesLine(program);
    }

    // Through the menu and the connection dialog to a server of that game;
    // returns the port the program reports in its chat. A port taken by
    // someone else since it was found free is met with the program's notice,
    // and the person types another.
    static int StartServer(CProgramProcess& program, const GameWindow& game, const QString& nickname)
    {
        OpenWaitingConnectionDialog(program, game.menuButton);
        Fill(program, kNickname, nickname);
        Click(program, kServerRadio);
        for (int attempt = 0; attempt < 5 && !program.IsShown(game.name); ++attempt)
        {
            const qsizetype before = program.Messages().size();
            Fill(program, kServerPort, QString::number(CProgramProcess::FreePort()));
            Click(program, kConfirm);
            program.WaitFor([&] { return program.IsShown(game.name) || program.Messages().size() > before; });
            if (!program.IsShown(game.name))
            {
                EXPECT_TRUE(program.SawMessage(kStartFailed)) << MessagesLine(program);
            }
        }
        EXPECT_TRUE(program.WaitForText(game.output, QStringLiteral("Your server started at")))
            << program.Text(game.output).toStdString();
        static const QRegularExpression reported(QStringLiteral("and Port (\\d+)"));
        const QRegularExpressionMatch match = reported.match(program.Text(game.output));
        EXPECT_TRUE(match.hasMatch()) << program.Text(game.output).toStdString();
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    }

    // Through the menu and the connection dialog into the server's game.
    static void Join(CProgramProcess& program, const GameWindow& game, const QString& nickname, int port)
    {
        OpenWaitingConnectionDialog(program, game.menuButton);
        Fill(program, kNickname, nickname);
        Click(program, kClientRadio);
        Fill(program, kAddress, QStringLiteral("127.0.0.1"));
        Fill(program, kClientPort, QString::number(port));
        Click(program, kConfirm);
        EXPECT_TRUE(program.WaitForText(game.output, QStringLiteral("You are connected to the game as ") + nickname))
            << program.Label().toStdString() << ": " << program.Text(game.output).toStdString()
            << "; messages: " << MessagesLine(program);
        EXPECT_TRUE(program.IsShown(game.name));
    }

    // A drag on a board that takes the mover's input, seen on the board afterwards.
    static void Play(CProgramProcess& program, const QString& board, const QString& move, qsizetype plyAfter)
    {
        ASSERT_TRUE(program.WaitFor([&] { return program.Board(board).value(QStringLiteral("input")).toBool(); }))
            << program.Label().toStdString() << " never got the move " << move.toStdString();
        ASSERT_EQ(Reply(program, QStringLiteral("move %1 %2").arg(board, move)), "ok");
        ASSERT_TRUE(program.WaitFor([&] {
            return program.Board(board).value(QStringLiteral("moves")).toArray().size() == plyAfter;
        })) << program.Label().toStdString()
            << " after " << move.toStdString();
    }

    static void WaitForPly(CProgramProcess& program, const QString& board, qsizetype ply)
    {
        EXPECT_TRUE(program.WaitFor([&] {
            return program.Board(board).value(QStringLiteral("moves")).toArray().size() == ply;
        })) << program.Label().toStdString()
            << " shows " << program.Board(board).value(QStringLiteral("moves")).toArray().size() << " moves, not "
            << ply;
    }

    // Whether either board of a bughouse program shows the position (its FEN
    // up to the side to move).
    static bool ShowsPosition(CProgramProcess& program, const QString& fen)
    {
        for (const QString& board : {kOwnBoard, kOtherBoard})
            if (program.Board(board).value(QStringLiteral("fen")).toString().startsWith(fen))
                return true;
        return false;
    }

    // A move dragged on the program's own bughouse board, leading to the position.
    static void PlayBughouse(CProgramProcess& program, const QString& move, const QString& fenAfter)
    {
        ASSERT_TRUE(program.WaitFor([&] { return program.Board(kOwnBoard).value(QStringLiteral("input")).toBool(); }))
            << program.Label().toStdString() << " never got the move " << move.toStdString();
        ASSERT_EQ(Reply(program, QStringLiteral("move %1 %2").arg(kOwnBoard, move)), "ok");
        ASSERT_TRUE(program.WaitFor([&] {
            return program.Board(kOwnBoard).value(QStringLiteral("fen")).toString().startsWith(fenAfter);
        })) << program.Label().toStdString()
            << " after " << move.toStdString();
    }

    // In the open settings dialog, a player's type chosen with the mouse:
    // the list opened with a click and the entry clicked in it.
    static void ChooseType(CProgramProcess& program, const QString& list, const QString& type)
    {
        if (program.Text(list) == type)
            return;
        Click(program, list);
        ASSERT_EQ(Reply(program, QStringLiteral("clickitem %1 \"%2\"").arg(list, type)), "ok");
        ASSERT_TRUE(program.WaitFor([&] { return program.Text(list) == type; }))
            << list.toStdString() << " shows " << program.Text(list).toStdString();
    }

    // From the main menu to the local window, whose players are set in the
    // settings dialog: the top one (Black) and the bottom one (White).
    static void OpenLocalGame(CProgramProcess& program, const QString& topType, const QString& bottomType)
    {
        Click(program, kLocalChessButton);
        ASSERT_TRUE(program.WaitFor([&] { return program.IsShown(QStringLiteral("LocalChessWnd")); }));
        Click(program, QStringLiteral("LocalChessWnd/button1025"));
        ASSERT_TRUE(program.WaitFor([&] { return program.IsShown(kTopType); }));
        ChooseType(program, kTopType, topType);
        ChooseType(program, kBottomType, bottomType);
        Click(program, QStringLiteral("CSingleSettingsDlg/button1"));
        ASSERT_TRUE(program.WaitFor([&] { return !program.IsWindowOpen(QStringLiteral("CSingleSettingsDlg")); }))
            << MessagesLine(program);
    }

    // From the main menu to a new local game between two people.
    static void StartLocalGame(CProgramProcess& program)
    {
        OpenLocalGame(program, kHuman, kHuman);
        Click(program, QStringLiteral("LocalChessWnd/button1012"));
        ASSERT_TRUE(
            program.WaitFor([&] { return program.Board(kLocalBoard).value(QStringLiteral("input")).toBool(); }));
    }

    std::vector<std::unique_ptr<CProgramProcess>> m_Programs;
};
} // namespace

TEST_F(PersonPathE2eTest, LocalGameBetweenTwoPeopleWithAPromotionThroughTheChooser)
{
    CProgramProcess& program = Launch(QStringLiteral("local"));
    StartLocalGame(program);
    // The window stands at the top of the screen, as a new window does.
    const QStringList moves = {QStringLiteral("a2a4"), QStringLiteral("b7b5"), QStringLiteral("a4b5"),
                               QStringLiteral("a7a6"), QStringLiteral("b5a6"), QStringLiteral("b8c6"),
                               QStringLiteral("a6a7"), QStringLiteral("a8b8")};
    for (qsizetype i = 0; i < moves.size(); ++i)
        Play(program, kLocalBoard, moves[i], i + 1);

    // The pawn takes on b8: the chooser opens, wholly on the screen, and the
    // knight clicked in it is the piece played.
    ASSERT_EQ(Reply(program, QStringLiteral("move %1 a7b8").arg(kLocalBoard)), "ok");
    ASSERT_TRUE(program.WaitFor([&] { return program.IsWindowOpen(QStringLiteral("CPromotionDlg")); }));
    const QJsonObject geometry = program.Ask(QStringLiteral("geometry promotion2")).toObject();
    const QJsonObject chooser = geometry.value(QStringLiteral("window")).toObject();
    const QJsonObject screen = geometry.value(QStringLiteral("screen")).toObject();
    EXPECT_TRUE(Contains(screen, chooser)) << "the chooser " << RectText(chooser).toStdString()
                                           << " is not wholly on the screen " << RectText(screen).toStdString();
    Click(program, QStringLiteral("promotion2"));
    WaitForPly(program, kLocalBoard, 9);
    const QJsonArray played = program.Board(kLocalBoard).value(QStringLiteral("moves")).toArray();
    ASSERT_FALSE(played.isEmpty());
    EXPECT_EQ(played.last().toString(), QStringLiteral("axb8=N"));
    // Black answers on the same board: the game goes on.
    Play(program, kLocalBoard, QStringLiteral("c8b7"), 10);
    EXPECT_TRUE(program.Messages().isEmpty()) << MessagesLine(program);
}

TEST_F(PersonPathE2eTest, LocalGameAgainstAnEngineChosenWithTheMouseInTheSettings)
{
    if (!QFileInfo(QStringLiteral("/usr/games/phalanx")).isExecutable())
        GTEST_SKIP() << "/usr/games/phalanx, the WinBoard plug-in's default engine, is not installed";
    CProgramProcess& program = Launch(QStringLiteral("local"));
    // The player at the top (Black) becomes the WinBoard engine, the one at
    // the bottom a person; each list is opened with a click and the entry
    // clicked in it.
    OpenLocalGame(program, kWinboardEngine, kHuman);
    EXPECT_TRUE(program.WaitForText(QStringLiteral("LocalChessWnd/topPanel"), QStringLiteral("(Computer)")));
    EXPECT_FALSE(program.Text(QStringLiteral("LocalChessWnd/bottomPanel")).contains(QStringLiteral("(Computer)")));

    Click(program, QStringLiteral("LocalChessWnd/button1012"));
    ASSERT_TRUE(program.WaitFor([&] { return program.Board(kLocalBoard).value(QStringLiteral("input")).toBool(); }));
    ASSERT_EQ(Reply(program, QStringLiteral("move %1 e2e4").arg(kLocalBoard)), "ok");
    // The engine answers by itself, and the person has the move again.
    WaitForPly(program, kLocalBoard, 2);
    EXPECT_TRUE(program.WaitFor([&] { return program.Board(kLocalBoard).value(QStringLiteral("input")).toBool(); }));
    EXPECT_EQ(program.Board(kLocalBoard).value(QStringLiteral("moves")).toArray().first().toString(),
              QStringLiteral("e4"));
}

TEST_F(PersonPathE2eTest, EngineChosenWithTheMouseInConfigureEngines)
{
    // Sjeng, neither the first engine of the list nor the one chosen before.
    if (!QFileInfo(QStringLiteral("/usr/games/sjeng")).isExecutable())
        GTEST_SKIP() << "/usr/games/sjeng is not installed";
    CProgramProcess& program = Launch(QStringLiteral("local"));
    Click(program, kLocalChessButton);
    ASSERT_TRUE(program.WaitFor([&] { return program.IsShown(QStringLiteral("LocalChessWnd")); }));
    Click(program, QStringLiteral("LocalChessWnd/button1025"));
    ASSERT_TRUE(program.WaitFor([&] { return program.IsShown(kTopType); }));
    ChooseType(program, kTopType, kWinboardEngine);
    ChooseType(program, kBottomType, kHuman);

    // Configure Engines: Sjeng is clicked, its details are shown, OK takes it.
    Click(program, QStringLiteral("button1035"));
    ASSERT_TRUE(program.WaitFor([&] { return program.IsWindowOpen(QStringLiteral("CConfigureDlg")); }));
    const QStringList engines = program.Text(QStringLiteral("1001")).split(QLatin1Char('\n'));
    const qsizetype sjeng = engines.indexOf(QStringLiteral("Sjeng"));
    ASSERT_GT(sjeng, 0) << engines.join(QStringLiteral(", ")).toStdString();
    ASSERT_EQ(Reply(program, QStringLiteral("clickitem 1001 Sjeng")), "ok");
    ASSERT_TRUE(program.WaitFor([&] { return program.Text(QStringLiteral("1002")).contains(QStringLiteral("sjeng")); }))
        << "the details show " << program.Text(QStringLiteral("1002")).toStdString();
    Click(program, QStringLiteral("CConfigureDlg/1"));
    ASSERT_TRUE(program.WaitFor([&] { return !program.IsWindowOpen(QStringLiteral("CConfigureDlg")); }));
    Click(program, QStringLiteral("CSingleSettingsDlg/button1"));
    ASSERT_TRUE(program.WaitFor([&] { return !program.IsWindowOpen(QStringLiteral("CSingleSettingsDlg")); }));

    Click(program, QStringLiteral("LocalChessWnd/button1012"));
    ASSERT_TRUE(program.WaitFor([&] { return program.Board(kLocalBoard).value(QStringLiteral("input")).toBool(); }));
    ASSERT_EQ(Reply(program, QStringLiteral("move %1 e2e4").arg(kLocalBoard)), "ok");
    WaitForPly(program, kLocalBoard, 2);
    EXPECT_TRUE(program.Text(QStringLiteral("LocalChessWnd/topPanel")).contains(QStringLiteral("(Computer)")));
    // The engine that answered is the one clicked.
    EXPECT_TRUE(ChildNames(program.ProcessId()).contains(QStringLiteral("sjeng")))
        << ChildNames(program.ProcessId()).join(QStringLiteral(", ")).toStdString();
}

TEST_F(PersonPathE2eTest, NetworkChessAsServerAndClientThroughTheConnectionDialog)
{
    CProgramProcess& server = Launch(QStringLiteral("server"));
    CProgramProcess& client = Launch(QStringLiteral("client"));

    // A port past 65535 is refused in the dialog, in the program's words.
    OpenWaitingConnectionDialog(server, kNetChess.menuButton);
    Fill(server, kNickname, QStringLiteral("Tom & Jerry"));
    Click(server, kServerRadio);
    Fill(server, kServerPort, QStringLiteral("99999"));
    Click(server, kConfirm);
    ASSERT_TRUE(server.WaitForMessage(kBadPort)) << MessagesLine(server);
    EXPECT_FALSE(server.SawMessage(kStartFailed));
    EXPECT_TRUE(server.IsWindowOpen(QStringLiteral("CConnectionDlg")));
    ASSERT_EQ(Reply(server, QStringLiteral("key control1075 Escape")), "ok");
    ASSERT_TRUE(server.WaitFor([&] { return server.IsShown(QStringLiteral("MainMenuWnd")); }));

    const int port = StartServer(server, kNetChess, QStringLiteral("Tom & Jerry"));
    ASSERT_GT(port, 0);
    Join(client, kNetChess, QStringLiteral("bob"), port);
    EXPECT_TRUE(server.WaitForText(kNetChess.output, QStringLiteral("bob joins the game")));
    // Each side shows the other's name, with its "&" once.
    EXPECT_TRUE(server.WaitForText(QStringLiteral("NetChessWnd/topPanel"), QStringLiteral("bob")));
    EXPECT_TRUE(client.WaitFor([&] {
        return client.Text(QStringLiteral("NetChessWnd/topPanel")).startsWith(QStringLiteral("Tom & Jerry\n"));
    })) << client.Text(QStringLiteral("NetChessWnd/topPanel")).toStdString();

    // A game: the server starts it, each side moves once.
    Click(server, kNetChess.start);
    ASSERT_TRUE(client.WaitForText(kNetChess.output, QStringLiteral("Game 1 started")));
    Play(server, QStringLiteral("NetChessWnd/board"), QStringLiteral("e2e4"), 1);
    WaitForPly(client, QStringLiteral("NetChessWnd/board"), 1);
    Play(client, QStringLiteral("NetChessWnd/board"), QStringLiteral("e7e5"), 2);
    WaitForPly(server, QStringLiteral("NetChessWnd/board"), 2);

    // Back on the main menu, the button opens the dialog again with the name
    // as typed, not rejoining by itself, and a cancel leaves the main menu.
    ASSERT_EQ(Reply(client, QStringLiteral("answer yes")), "ok");
    Click(client, QStringLiteral("NetChessWnd/button1003"));
    ASSERT_TRUE(client.WaitFor([&] { return client.IsShown(QStringLiteral("MainMenuWnd")); }));
    ASSERT_EQ(Reply(server, QStringLiteral("answer yes")), "ok");
    Click(server, QStringLiteral("NetChessWnd/button1003"));
    ASSERT_TRUE(server.WaitFor([&] { return server.IsShown(QStringLiteral("MainMenuWnd")); }));
    OpenWaitingConnectionDialog(server, kNetChess.menuButton);
    EXPECT_EQ(server.Text(kNickname), QStringLiteral("Tom & Jerry"));
    ASSERT_EQ(Reply(server, QStringLiteral("key control1075 Escape")), "ok");
    ASSERT_TRUE(server.WaitFor([&] { return !server.IsWindowOpen(QStringLiteral("CConnectionDlg")); }));
    EXPECT_TRUE(server.IsShown(QStringLiteral("MainMenuWnd")));
    EXPECT_FALSE(server.IsShown(QStringLiteral("NetChessWnd")));
}

TEST_F(PersonPathE2eTest, LanSearchInTheConnectionDialogFindsTheServer)
{
    CProgramProcess& server = Launch(QStringLiteral("server"));
    CProgramProcess& client = Launch(QStringLiteral("client"));
    const int port = StartServer(server, kNetChess, QStringLiteral("alice"));
    ASSERT_GT(port, 0);

    OpenWaitingConnectionDialog(client, kNetChess.menuButton);
    Fill(client, kNickname, QStringLiteral("bob"));
    Click(client, kClientRadio);
    Fill(client, kAddress, QStringLiteral("192.0.2.1"));
    Fill(client, kClientPort, QString::number(port));
    Click(client, kLanSearch);
    // The search runs while the dialog answers: the server appears in its list.
    ASSERT_TRUE(client.WaitFor([&] { return client.IsWindowOpen(QStringLiteral("CLanSearchDlg")); }));
    ASSERT_TRUE(client.WaitFor([&] { return client.Text(QStringLiteral("control1080")) == "127.0.0.1"; }))
        << client.Text(QStringLiteral("control1080")).toStdString();
    ASSERT_EQ(Reply(client, QStringLiteral("clickitem control1080 127.0.0.1")), "ok");
    Click(client, QStringLiteral("CLanSearchDlg/button1"));
    ASSERT_TRUE(client.WaitFor([&] { return client.Text(kAddress) == "127.0.0.1"; }))
        << client.Text(kAddress).toStdString();
    Click(client, kConfirm);
    EXPECT_TRUE(client.WaitForText(kNetChess.output, QStringLiteral("You are connected to the game as bob")));
    EXPECT_TRUE(server.WaitForText(kNetChess.output, QStringLiteral("bob joins the game")));
}

TEST_F(PersonPathE2eTest, BughouseWithTwoProgramsThroughTheConnectionDialog)
{
    CProgramProcess& server = Launch(QStringLiteral("ann"));
    CProgramProcess& client = Launch(QStringLiteral("bob"));
    const int port = StartServer(server, kBughouse, QStringLiteral("ann"));
    ASSERT_GT(port, 0);
    Join(client, kBughouse, QStringLiteral("bob"), port);
    EXPECT_TRUE(server.WaitForText(kBughouse.output, QStringLiteral("bob joins the game")));

    Click(server, kBughouse.start);
    ASSERT_TRUE(client.WaitForText(kBughouse.output, QStringLiteral("Game 1 started")));
    // Each player plays on both boards; ann is White on her first board, and
    // bob sees her move on the board he shares with her.
    PlayBughouse(server, QStringLiteral("e2e4"), kAfterE4);
    EXPECT_TRUE(client.WaitFor([&] { return ShowsPosition(client, kAfterE4); }));
}

TEST_F(PersonPathE2eTest, BughouseWithFourProgramsThroughTheConnectionDialog)
{
    CProgramProcess& ann = Launch(QStringLiteral("ann"));
    const int port = StartServer(ann, kBughouse, QStringLiteral("ann"));
    ASSERT_GT(port, 0);
    for (const QString& name : {QStringLiteral("bob"), QStringLiteral("cid"), QStringLiteral("dee")})
    {
        CProgramProcess& client = Launch(name);
        Join(client, kBughouse, name, port);
        EXPECT_TRUE(ann.WaitForText(kBughouse.output, name + QStringLiteral(" joins the game")));
    }
    // Every program shows the four players on its four panels.
    for (auto& program : m_Programs)
        EXPECT_TRUE(program->WaitFor([&] {
            QStringList names;
            for (int p = 0; p < 4; ++p)
                names << program->Text(QStringLiteral("BughouseWnd/panel%1").arg(p)).section(QLatin1Char('\n'), 0, 0);
            names.sort();
            return names == QStringList{"ann", "bob", "cid", "dee"};
        })) << program->Label().toStdString();

    Click(ann, kBughouse.start);
    for (auto& program : m_Programs)
        EXPECT_TRUE(program->WaitForText(kBughouse.output, QStringLiteral("Game 1 started")))
            << program->Label().toStdString();
    // ann is White on her own board and opens it; everybody sees the move.
    PlayBughouse(ann, QStringLiteral("d2d4"), kAfterD4);
    for (auto& program : m_Programs)
        EXPECT_TRUE(program->WaitFor([&] { return ShowsPosition(*program, kAfterD4); }))
            << program->Label().toStdString();
}

TEST_F(PersonPathE2eTest, LoadGameOfAFileThatIsNotAGameIsRefused)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString notes = folder.filePath(QStringLiteral("notes.pgn"));
    {
        QFile file(notes);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("Shopping list: eggs, milk, bread.\n");
    }
    CProgramProcess& program = Launch(QStringLiteral("local"));
    StartLocalGame(program);
    Play(program, kLocalBoard, QStringLiteral("e2e4"), 1);
    const QString bottom = program.Text(QStringLiteral("LocalChessWnd/bottomPanel"));
    const QString fen = program.Board(kLocalBoard).value(QStringLiteral("fen")).toString();

    Click(program, QStringLiteral("LocalChessWnd/button1010"));
    ASSERT_TRUE(program.WaitFor([&] { return program.IsShown(QStringLiteral("fileNameEdit")); }));
    Fill(program, QStringLiteral("fileNameEdit"), notes);
    ASSERT_EQ(Reply(program, QStringLiteral("key fileNameEdit Return")), "ok");
    EXPECT_TRUE(program.WaitForMessage(QStringLiteral("An error occured while loading the PGN file.")))
        << MessagesLine(program);
    // Board, record and names are as they were.
    EXPECT_EQ(program.Board(kLocalBoard).value(QStringLiteral("fen")).toString(), fen);
    EXPECT_EQ(program.Board(kLocalBoard).value(QStringLiteral("moves")).toArray().size(), 1);
    EXPECT_EQ(program.Text(QStringLiteral("LocalChessWnd/bottomPanel")).section('\n', 0, 0),
              bottom.section('\n', 0, 0));
}
