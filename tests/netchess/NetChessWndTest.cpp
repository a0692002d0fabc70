#include "NetChessWnd.h"

#include "BitmapCache.h"
#include "BoardView.h"
#include "GameSettings.h"
#include "MessageDlg.h"
#include "MoveListWnd.h"
#include "NetChessProtocol.h"
#include "NetConnection.h"
#include "NetMessage.h"
#include "NetProtocol.h"
#include "OutputPane.h"
#include "PlayerRoster.h"
#include "PlayerWnd.h"
#include "SkinButton.h"
#include "SoundPlayer.h"
#include "UiText.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace ProgramTexts;

namespace
{
// Runs the event loop until the condition holds or the time is up.
bool Pump(const std::function<bool()>& done, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done())
    {
        if (timer.elapsed() > timeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void Settle()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 100)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The joining dialogs, answered by the test.
struct TestUi : INetConnectionUi
{
    std::function<std::optional<QString>()> dialog;
    bool waiting = false;
    std::optional<QString> RunConnectionDialog(bool) override { return dialog ? dialog() : std::nullopt; }
    void ShowWaitDialog() override
    {
        waiting = true;
        Pump([this] { return !waiting; });
    }
    void CloseWaitDialog() override { waiting = false; }
    void ShowMessage(const QString& text) override { messages.append(text); }
    QStringList messages;
};

// Records the game messages a scripted peer receives.
struct RecordingWindow : INetGameWindow
{
    void OnPlayerAdmitted(int, const QString&) override {}
    void HandleGameMessage(const CNetMessage& message) override { received.push_back(message); }
    void OnSeatedUserGone(int) override {}
    void OnConnectionLost(int reason) override { lost = reason; }
    [[nodiscard]] bool IsGameRunning() const override { return false; }
    void PrintNotice(const QString&) override {}
    std::vector<CNetMessage> received;
    int lost = -1;
};

// One program: its roster, settings, link and window (or a scripted window).
struct Side
{
    PlayerRoster roster;
    GameSettings settings;
    CNetConnection link{roster, settings};
    TestUi ui;
    std::unique_ptr<CNetChessWnd> wnd;
    QString title;

    explicit Side(bool withWindow)
    {
        settings.SetIsTimeInfinite(false);
        settings.SetGameTime(0, 5, 0);
        settings.SetNbSecondsBonus(0);
        settings.SetIsWinOnOpponentTimeZero(true);
        settings.SetPlaySoundOnOpponentMove(false);
        link.SetUi(&ui);
        link.SetMode(GAME_MODE_SINGLE);
        if (withWindow)
        {
            wnd = std::make_unique<CNetChessWnd>(link, roster, settings, CBitmapCache::Instance());
            wnd->SetFrameHooks({[this](const QString& t) { title = t; }, [this] { wnd->show(); }, [] {}});
            link.SetGameWindows(&wnd->Session(), nullptr);
        }
    }
    ~Side() { link.Leave(false); }

    CSkinButton* Button(int id) const { return wnd->Button(id); }
    bool Shown(int id) const { return !Button(id)->isHidden(); }
    bool Enabled(int id) const { return Shown(id) && Button(id)->isEnabled(); }
    QStringList Notices() const
    {
        QStringList lines;
        for (const COutputPane::Line& line : wnd->Output()->Lines())
            lines.append(line.text);
        return lines;
    }
    std::string Stats() const
    {
        return std::to_string(roster.Victories()) + "/" + std::to_string(roster.Defeats()) + "/" +
               std::to_string(roster.Draws());
    }
    void Drag(const char* from, const char* to)
    {
        CBoardView* view = wnd->Board();
        const QPoint a = view->SquareRect(CCoordinate::FromText(from)).center();
        const QPoint b = view->SquareRect(CCoordinate::FromText(to)).center();
        QTest::mousePress(view, Qt::LeftButton, {}, a);
        QTest::mouseMove(view, (a + b) / 2);
        QTest::mouseMove(view, b);
        QTest::mouseRelease(view, Qt::LeftButton, {}, b);
    }
};

class NetChessWndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CSoundPlayer::SetMuted(true);
        CMessageService::SetAnswerer([this](CMessageService::Style, const QString& text, CMessageDlg* dialog) {
            QWidget* owner = dialog ? dialog->parentWidget() : nullptr;
            if (server.wnd && owner == server.wnd.get())
                serverMessages.append(text);
            else if (client.wnd && owner == client.wnd.get())
                clientMessages.append(text);
            else
                otherMessages.append(text);
            return questionAnswer;
        });
    }
    void TearDown() override
    {
        // Leave while the answerer is there: departures may still show notices.
        client.link.Leave(false);
        server.link.Leave(false);
        Settle();
        CMessageService::ClearAnswerer();
    }

    void StartServer()
    {
        server.ui.dialog = [this]() -> std::optional<QString> {
            return server.link.StartServer(0) ? std::optional<QString>(QStringLiteral("Host")) : std::nullopt;
        };
        server.link.Join(GAME_MODE_SINGLE, false);
        ASSERT_TRUE(server.link.IsServer());
        server.wnd->show();
        server.wnd->Open();
    }
    void JoinClient(Side& side, const QString& nickname = QStringLiteral("Guest"))
    {
        side.ui.dialog = [&side, this, nickname]() -> std::optional<QString> {
            return side.link.OpenClientConnection(QStringLiteral("127.0.0.1"), server.link.GetPort())
                       ? std::optional<QString>(nickname)
                       : std::nullopt;
        };
        side.link.Join(GAME_MODE_SINGLE, false);
    }
    void Connect()
    {
        StartServer();
        JoinClient(client);
        ASSERT_TRUE(Pump([this] { return server.roster.Count() == 2 && client.link.IsJoined(); }));
        ASSERT_TRUE(client.wnd->isVisible());
    }
    void StartGame()
    {
        const int before = client.wnd->Session().GameNumber();
        server.wnd->OnCommand(CNetChessSession::kStartGameId);
        ASSERT_TRUE(Pump([&] { return client.wnd->Session().GameNumber() == before + 1; }));
    }
    // A move by one side's user, seen on the other side.
    void Move(Side& mover, Side& other, const char* from, const char* to)
    {
        const size_t before = other.wnd->Board()->MoveTexts().size();
        mover.Drag(from, to);
        ASSERT_EQ(mover.wnd->Board()->MoveTexts().size(), before + 1) << from << to;
        ASSERT_TRUE(Pump([&] { return other.wnd->Board()->MoveTexts().size() == before + 1; })) << from << to;
    }

    int questionAnswer = IDYES;
    QStringList serverMessages;
    QStringList clientMessages;
    QStringList otherMessages;
    Side server{true};
    Side client{true};
};
} // namespace

TEST_F(NetChessWndTest, JoiningSetsUpBothSides)
{
    server.settings.SetGameTime(0, 7, 30);
    server.settings.SetNbSecondsBonus(3);
    server.settings.SetIsKingCanBeCaptured(true);
    StartServer();
    EXPECT_FALSE(server.Enabled(CNetChessSession::kStartGameId));
    EXPECT_EQ(server.wnd->TopPanel()->PlayerIndex(), -1);
    EXPECT_TRUE(server.Notices().first().startsWith(QStringLiteral("- Your server started at IP \"")));
    EXPECT_TRUE(server.Notices().first().endsWith(QStringLiteral("\" and Port %1").arg(server.link.GetPort())));
    EXPECT_FALSE(server.wnd->ChatInput()->text().isEmpty());

    client.settings.SetGameTime(1, 0, 0);
    JoinClient(client);
    ASSERT_TRUE(Pump([this] { return server.roster.Count() == 2 && client.link.IsJoined(); }));
    EXPECT_EQ(server.wnd->TopPanel()->PlayerIndex(), 1);
    EXPECT_TRUE(server.Notices().contains(QStringLiteral("- Guest joins the game")));
    EXPECT_TRUE(server.Enabled(CNetChessSession::kStartGameId));
    EXPECT_EQ(server.wnd->Session().MyColour(), COLOUR_WHITE);

    EXPECT_EQ(client.roster.GetEntry(1).name, QStringLiteral("Host"));
    EXPECT_EQ(client.wnd->Session().MyColour(), COLOUR_BLACK);
    EXPECT_TRUE(client.wnd->Session().IsBlackAtBottom());
    EXPECT_TRUE(client.wnd->Board()->IsFlipped());
    EXPECT_EQ(client.settings.GetGameTime().Milliseconds(), (7 * 60 + 30) * 1000);
    EXPECT_EQ(client.settings.GetNbSecondsBonus(), 3);
    EXPECT_TRUE(client.settings.IsKingCanBeCaptured());
    EXPECT_TRUE(client.Notices().contains(QStringLiteral("- You are connected to the game as Guest")));
    EXPECT_TRUE(client.Notices().contains(QStringLiteral("- Host is in the game")));
    EXPECT_FALSE(client.Enabled(CNetChessSession::kStartGameId));
    EXPECT_FALSE(client.Enabled(CNetChessSession::kSwitchColorId));
    EXPECT_TRUE(client.Enabled(CNetChessSession::kSaveGameId));

    // Settings changed at the server reach the client.
    server.settings.SetGameTime(0, 3, 0);
    server.settings.SetIsWinOnOpponentTimeZero(false);
    server.wnd->Session().ApplySettings();
    ASSERT_TRUE(Pump([this] { return client.settings.GetGameTime().Milliseconds() == 180000; }));
    EXPECT_FALSE(client.settings.IsWinOnOpponentTimeZero());
    EXPECT_EQ(client.wnd->BottomPanel()->Clock().GetTime().Milliseconds(), 180000);
}

TEST_F(NetChessWndTest, CheckmateCountsOnBothSidesAndChatTravels)
{
    Connect();
    client.wnd->Session().SendChat(QStringLiteral("good luck"));
    ASSERT_TRUE(Pump([this] { return server.Notices().contains(QStringLiteral("Guest: good luck")); }));
    StartGame();
    EXPECT_TRUE(server.wnd->Session().IsMyTurn());
    EXPECT_TRUE(server.wnd->Board()->IsInputEnabled());
    EXPECT_FALSE(client.wnd->Board()->IsInputEnabled());
    EXPECT_TRUE(server.wnd->BottomPanel()->Clock().IsRunning());
    EXPECT_TRUE(client.wnd->TopPanel()->Clock().IsRunning());
    EXPECT_EQ(server.title, QStringLiteral("* [Pellomar II] *"));

    Move(server, client, "f2", "f3");
    EXPECT_TRUE(client.wnd->Session().IsMyTurn());
    EXPECT_TRUE(client.wnd->BottomPanel()->Clock().IsRunning());
    EXPECT_FALSE(client.wnd->TopPanel()->Clock().IsRunning());
    Move(client, server, "e7", "e5");
    Move(server, client, "g2", "g4");
    Move(client, server, "d8", "h4");
    ASSERT_TRUE(Pump([this] { return !server.wnd->Session().IsGameRunning(); }));
    EXPECT_FALSE(client.wnd->Session().IsGameRunning());
    EXPECT_EQ(server.Stats(), "0/1/0");
    EXPECT_EQ(client.Stats(), "1/0/0");
    const QString mate = QStringLiteral("White is checkmate.\nBlack wins the game !");
    EXPECT_EQ(serverMessages, QStringList{mate});
    EXPECT_EQ(clientMessages, QStringList{mate});
    EXPECT_TRUE(client.Notices().contains(QStringLiteral("- Victories: 1, Defeats: 0, Draws: 0")));
    EXPECT_EQ(client.wnd->MoveList()->ShownMoves().size(), 4u);
    EXPECT_TRUE(server.Shown(CNetChessSession::kStartGameId));
    EXPECT_FALSE(server.Enabled(CNetChessSession::kStartGameId)); // the game on the board is over
}

TEST_F(NetChessWndTest, LoadedGameWithOddMovesStartsTheRightClocks)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("one.pgn"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("[White \"A\"]\n[Black \"B\"]\n[Result \"*\"]\n\n1. e4 *\n");
    out.close();
    Connect();
    server.wnd->SetFileChooser([&](bool, const QString&, const QString&) { return file; });
    server.wnd->OnCommand(CNetChessSession::kLoadGameId);
    ASSERT_EQ(server.wnd->Board()->MoveTexts().size(), 1u);
    StartGame();
    EXPECT_EQ(client.wnd->MoveList()->ShownMoves(), std::vector<std::string>{"e4"});
    EXPECT_TRUE(client.wnd->Session().IsMyTurn());
    EXPECT_TRUE(client.wnd->BottomPanel()->Clock().IsRunning());
    EXPECT_FALSE(client.wnd->TopPanel()->Clock().IsRunning());
    EXPECT_FALSE(server.wnd->Session().IsMyTurn());
    EXPECT_TRUE(server.wnd->TopPanel()->Clock().IsRunning());
    EXPECT_FALSE(server.wnd->BottomPanel()->Clock().IsRunning());
    Move(client, server, "e7", "e5");
    EXPECT_TRUE(server.wnd->Session().IsMyTurn());
}

TEST_F(NetChessWndTest, DrawOfferTravelsWithTheMoveLapsesAndIsAccepted)
{
    Connect();
    StartGame();
    server.wnd->OnCommand(CNetChessSession::kOfferDrawId);
    EXPECT_TRUE(server.wnd->Session().IsDrawPending());
    EXPECT_TRUE(server.Shown(CNetChessSession::kCancelOfferId));
    Settle();
    EXPECT_FALSE(client.wnd->Session().IsDrawOffered()); // not before the next move
    Move(server, client, "e2", "e4");
    EXPECT_FALSE(server.wnd->Session().IsDrawPending());
    EXPECT_TRUE(client.wnd->Session().IsDrawOffered());
    EXPECT_TRUE(client.Shown(CNetChessSession::kAcceptDrawId));
    EXPECT_TRUE(client.Notices().contains(QStringLiteral("- Opponent has offered a draw")));
    // Moving lets it lapse; an accept sent now would be refused by the offerer.
    Move(client, server, "e7", "e5");
    EXPECT_FALSE(client.wnd->Session().IsDrawOffered());
    EXPECT_FALSE(client.Shown(CNetChessSession::kAcceptDrawId));

    client.wnd->OnCommand(CNetChessSession::kOfferDrawId);
    Move(server, client, "g1", "f3");
    Move(client, server, "b8", "c6");
    ASSERT_TRUE(server.wnd->Session().IsDrawOffered());
    server.wnd->OnCommand(CNetChessSession::kAcceptDrawId);
    ASSERT_TRUE(Pump([this] { return !client.wnd->Session().IsGameRunning(); }));
    EXPECT_EQ(server.Stats(), "0/0/1");
    EXPECT_EQ(client.Stats(), "0/0/1");
    EXPECT_EQ(serverMessages, QStringList{QStringLiteral("Game is a draw !")});
    EXPECT_EQ(clientMessages, QStringList{QStringLiteral("Game is a draw !")});
    EXPECT_TRUE(client.wnd->Session().Result().drawn);
}

TEST_F(NetChessWndTest, TakebackUndoesOnePlyOnBothSides)
{
    Connect();
    StartGame();
    EXPECT_FALSE(server.Enabled(CNetChessSession::kTakebackId)); // nothing to undo yet
    Move(server, client, "e2", "e4");
    server.wnd->OnCommand(CNetChessSession::kTakebackId);
    ASSERT_TRUE(Pump([this] { return client.Shown(CNetChessSession::kAcceptTakebackId); }));
    EXPECT_FALSE(client.Shown(CNetChessSession::kTakebackId));
    EXPECT_TRUE(client.Notices().contains(QStringLiteral("- Opponent has asked to undo the last move")));
    client.wnd->OnCommand(CNetChessSession::kAcceptTakebackId);
    ASSERT_TRUE(Pump([this] { return server.wnd->Board()->MoveTexts().empty(); }));
    EXPECT_TRUE(client.wnd->Board()->MoveTexts().empty());
    EXPECT_TRUE(server.wnd->MoveList()->ShownMoves().empty());
    EXPECT_TRUE(server.wnd->Session().IsMyTurn());
    EXPECT_TRUE(server.wnd->Board()->IsInputEnabled());
    EXPECT_TRUE(server.wnd->BottomPanel()->Clock().IsRunning());
    EXPECT_FALSE(client.wnd->Board()->IsInputEnabled());
    EXPECT_TRUE(client.wnd->TopPanel()->Clock().IsRunning());
    EXPECT_FALSE(client.wnd->BottomPanel()->Clock().IsRunning());
    EXPECT_TRUE(server.Notices().contains(QStringLiteral("- Opponent has accepted to undo the last move")));
    Move(server, client, "d2", "d4");
    EXPECT_EQ(client.wnd->MoveList()->ShownMoves(), std::vector<std::string>{"d4"});
}

// The player who asks for a takeback sees the request in the chat, and the
// button waits until the opponent answers (by accepting or by moving).
TEST_F(NetChessWndTest, TakebackAskerSeesTheRequestWaiting)
{
    Connect();
    StartGame();
    Move(server, client, "e2", "e4");
    Move(client, server, "e7", "e5");
    EXPECT_TRUE(client.Enabled(CNetChessSession::kTakebackId));
    client.wnd->OnCommand(CNetChessSession::kTakebackId);
    EXPECT_TRUE(client.Notices().contains(QStringLiteral("- You have asked to undo the last move")));
    EXPECT_TRUE(client.Shown(CNetChessSession::kTakebackId));
    EXPECT_FALSE(client.Enabled(CNetChessSession::kTakebackId));
    ASSERT_TRUE(Pump([this] { return server.Shown(CNetChessSession::kAcceptTakebackId); }));
    // The opponent moves instead: the request lapses and the button returns.
    Move(server, client, "g1", "f3");
    EXPECT_TRUE(client.Enabled(CNetChessSession::kTakebackId));

    client.wnd->OnCommand(CNetChessSession::kTakebackId);
    EXPECT_FALSE(client.Enabled(CNetChessSession::kTakebackId));
    ASSERT_TRUE(Pump([this] { return server.Shown(CNetChessSession::kAcceptTakebackId); }));
    server.wnd->OnCommand(CNetChessSession::kAcceptTakebackId);
    ASSERT_TRUE(Pump([this] { return client.wnd->Board()->MoveTexts().size() == 2; }));
    EXPECT_TRUE(client.Enabled(CNetChessSession::kTakebackId));
}

// Without a time limit the clocks do not count, but the panel of the player
// to move is drawn as running, on both sides, as the turn passes.
TEST_F(NetChessWndTest, WithoutTimeLimitThePanelsShowWhoseTurnItIs)
{
    server.settings.SetIsTimeInfinite(true);
    Connect();
    StartGame();
    auto running = [](const Side& side) {
        return std::make_pair(side.wnd->BottomPanel()->Clock().IsRunning(), side.wnd->TopPanel()->Clock().IsRunning());
    };
    EXPECT_EQ(running(server), std::make_pair(true, false));
    EXPECT_EQ(running(client), std::make_pair(false, true));
    EXPECT_FALSE(server.wnd->BottomPanel()->Clock().IsCounting());
    Move(server, client, "e2", "e4");
    EXPECT_EQ(running(server), std::make_pair(false, true));
    EXPECT_EQ(running(client), std::make_pair(true, false));
    Move(client, server, "e7", "e5");
    EXPECT_EQ(running(server), std::make_pair(true, false));
    EXPECT_EQ(running(client), std::make_pair(false, true));
    EXPECT_TRUE(server.wnd->BottomPanel()->Clock().IsUnlimited());

    server.wnd->OnCommand(CNetChessSession::kAbortGameId);
    ASSERT_TRUE(Pump([this] { return !client.wnd->Session().IsGameRunning(); }));
    EXPECT_EQ(running(server), std::make_pair(false, false));
    EXPECT_EQ(running(client), std::make_pair(false, false));
}

// A nickname with "&" is kept doubled; the chat, its notices and the saved
// game's names show it once.
TEST_F(NetChessWndTest, AmpersandInANicknameIsShownOnce)
{
    StartServer();
    JoinClient(client, QStringLiteral("Tom && Jerry"));
    ASSERT_TRUE(Pump([this] { return server.roster.Count() == 2 && client.link.IsJoined(); }));
    EXPECT_TRUE(server.Notices().contains(QStringLiteral("- Tom & Jerry joins the game")));
    EXPECT_TRUE(client.Notices().contains(QStringLiteral("- You are connected to the game as Tom & Jerry")));
    client.wnd->ChatInput()->setText(QStringLiteral("hi && bye"));
    QTest::keyClick(client.wnd->ChatInput(), Qt::Key_Return);
    ASSERT_TRUE(Pump([this] { return server.Notices().contains(QStringLiteral("Tom & Jerry: hi && bye")); }))
        << server.Notices().join('\n').toStdString();
    EXPECT_TRUE(client.Notices().contains(QStringLiteral("Tom & Jerry: hi && bye")));
    EXPECT_TRUE(server.wnd->Session().DefaultSaveName().startsWith(QStringLiteral("Host - Tom & Jerry")))
        << server.wnd->Session().DefaultSaveName().toStdString();

    client.wnd->OnCommand(CNetChessSession::kMenuId);
    ASSERT_TRUE(Pump([this] { return server.roster.Count() == 1; }));
    EXPECT_TRUE(server.Notices().contains(QStringLiteral("- Tom & Jerry leaves")));
}

TEST_F(NetChessWndTest, OwnPromotionAsksTheChooserAndThePieceTravels)
{
    std::vector<Colour> serverAsked;
    std::vector<Colour> clientAsked;
    server.wnd->SetPromotionAsker([&](Colour side) {
        serverAsked.push_back(side);
        return static_cast<int32_t>(PIECE_KNIGHT);
    });
    client.wnd->SetPromotionAsker([&](Colour side) {
        clientAsked.push_back(side);
        return static_cast<int32_t>(PIECE_ROOK);
    });
    Connect();
    StartGame();
    const char* moves[][2] = {{"h2", "h4"}, {"g7", "g5"}, {"h4", "g5"}, {"g8", "f6"},
                              {"g5", "f6"}, {"h7", "h5"}, {"f6", "e7"}, {"h5", "h4"}};
    for (size_t i = 0; i < std::size(moves); ++i)
    {
        Side& mover = i % 2 == 0 ? server : client;
        Move(mover, i % 2 == 0 ? client : server, moves[i][0], moves[i][1]);
    }
    EXPECT_TRUE(serverAsked.empty());
    Move(server, client, "e7", "d8");
    // Asked once, for White; the chosen knight is on both boards, and the
    // receiver played it without asking its own player.
    EXPECT_EQ(serverAsked, std::vector<Colour>{COLOUR_WHITE});
    EXPECT_TRUE(clientAsked.empty());
    const PieceCode knight = MakePieceCode(COLOUR_WHITE, PIECE_KNIGHT, true);
    for (const Side* side : {&server, &client})
    {
        const CChessPosition& position = side->wnd->Board()->GetPosition();
        EXPECT_EQ(position.PieceAt(CCoordinate::FromText("d8")), knight);
        EXPECT_EQ(side->wnd->MoveList()->ShownMoves().back(), "exd8=N");
    }
    EXPECT_TRUE(client.wnd->Session().IsMyTurn());
    EXPECT_TRUE(client.wnd->Session().IsGameRunning());
}

TEST_F(NetChessWndTest, PromotionFinishedAfterTheGameEndedStartsNoClockAndSendsNothing)
{
    // While the chooser is open the opponent resigns; the move, made after the
    // end of the game, is not played: both boards keep the game as it ended.
    server.wnd->SetPromotionAsker([&](Colour) {
        client.wnd->OnCommand(CNetChessSession::kResignId);
        EXPECT_TRUE(Pump([&] { return !server.wnd->Session().IsGameRunning(); }));
        return static_cast<int32_t>(PIECE_QUEEN);
    });
    Connect();
    StartGame();
    const char* moves[][2] = {{"h2", "h4"}, {"g7", "g5"}, {"h4", "g5"}, {"g8", "f6"},
                              {"g5", "f6"}, {"h7", "h5"}, {"f6", "e7"}, {"h5", "h4"}};
    for (size_t i = 0; i < std::size(moves); ++i)
        Move(i % 2 == 0 ? server : client, i % 2 == 0 ? client : server, moves[i][0], moves[i][1]);
    server.Drag("e7", "d8");
    EXPECT_FALSE(server.wnd->Session().IsGameRunning());
    EXPECT_EQ(server.Stats(), "1/0/0");
    EXPECT_EQ(server.wnd->Board()->MoveTexts().size(), 8u);
    EXPECT_FALSE(server.wnd->TopPanel()->Clock().IsRunning());
    EXPECT_FALSE(server.wnd->BottomPanel()->Clock().IsRunning());
    EXPECT_FALSE(server.wnd->Board()->IsInputEnabled());
    Settle();
    EXPECT_EQ(client.wnd->Board()->MoveTexts().size(), 8u);
    EXPECT_TRUE(clientMessages.filter(QStringLiteral("error")).isEmpty());
}

TEST_F(NetChessWndTest, ResignAndAbort)
{
    Connect();
    StartGame();
    questionAnswer = IDNO;
    client.wnd->OnCommand(CNetChessSession::kResignId);
    EXPECT_TRUE(client.wnd->Session().IsGameRunning());
    questionAnswer = IDYES;
    client.wnd->OnCommand(CNetChessSession::kResignId);
    ASSERT_TRUE(Pump([this] { return !server.wnd->Session().IsGameRunning(); }));
    EXPECT_EQ(client.Stats(), "0/1/0");
    EXPECT_EQ(server.Stats(), "1/0/0");
    EXPECT_EQ(serverMessages.last(), QStringLiteral("Your opponent has resigned.\nYou win the game !"));
    EXPECT_TRUE(client.wnd->Session().Result().blackLost);
    EXPECT_TRUE(server.wnd->Session().Result().blackLost);

    StartGame();
    EXPECT_FALSE(client.Enabled(CNetChessSession::kAbortGameId));
    server.wnd->OnCommand(CNetChessSession::kAbortGameId);
    ASSERT_TRUE(Pump([this] { return !client.wnd->Session().IsGameRunning(); }));
    EXPECT_EQ(client.Stats(), "0/1/0");
    EXPECT_EQ(server.Stats(), "1/0/0");
    EXPECT_EQ(clientMessages.last(), QStringLiteral("Game aborted !"));
    EXPECT_EQ(server.wnd->Session().Result(), CGameSession::ResultFlags{});
}

TEST_F(NetChessWndTest, AutomaticTimeRuleDecidesOnExpiry)
{
    uint32_t now = 1000;
    Connect();
    server.wnd->BottomPanel()->Clock().SetTickSource([&] { return now; });
    StartGame();
    EXPECT_FALSE(client.Enabled(CNetChessSession::kTimeCallId));
    now += 5 * 60 * 1000 + 1;
    server.wnd->BottomPanel()->Clock().OnTick();
    ASSERT_TRUE(Pump([this] { return !client.wnd->Session().IsGameRunning(); }));
    EXPECT_EQ(server.Stats(), "0/1/0");
    EXPECT_EQ(client.Stats(), "1/0/0");
    EXPECT_EQ(serverMessages.last(), QStringLiteral("Your time has expired.\nYou lose the game !"));
    EXPECT_EQ(clientMessages.last(), QStringLiteral("Opponent's time has expired.\nYou win the game !"));
}

// Regression: the network window did not refresh its buttons while the move
// list was browsed, so Start Game stayed disabled after stepping back from a mate.
TEST_F(NetChessWndTest, BrowsingBackFromAMateEnablesStartGameAsTheTableSays)
{
    Connect();
    StartGame();
    Move(server, client, "f2", "f3");
    Move(client, server, "e7", "e5");
    Move(server, client, "g2", "g4");
    Move(client, server, "d8", "h4");
    ASSERT_TRUE(Pump([this] { return !server.wnd->Session().IsGameRunning(); }));
    EXPECT_FALSE(server.Enabled(CNetChessSession::kStartGameId)) << "a mated position cannot be continued";
    server.wnd->MoveList()->OnStepBack();
    EXPECT_TRUE(server.Enabled(CNetChessSession::kStartGameId)) << "one ply back the game can go on";
    server.wnd->MoveList()->OnStepForward();
    EXPECT_FALSE(server.Enabled(CNetChessSession::kStartGameId));
    server.wnd->MoveList()->OnGoToStart();
    EXPECT_TRUE(server.Enabled(CNetChessSession::kStartGameId));
}

// Regression: the network window saved a draw by rule and a loss on time as "*".
TEST_F(NetChessWndTest, DrawByRuleAndLossOnTimeAreSavedWithTheirResult)
{
    QTemporaryDir dir;
    auto saved = [&dir](Side& side, const char* name) {
        const QString file = dir.filePath(QString::fromLatin1(name));
        side.wnd->SetFileChooser([file](bool, const QString&, const QString&) { return file; });
        side.wnd->OnCommand(CNetChessSession::kSaveGameId);
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    };
    Connect();
    StartGame();
    const char* dance[][2] = {{"g1", "f3"}, {"g8", "f6"}, {"f3", "g1"}, {"f6", "g8"}};
    for (int round = 0; round < 2; ++round)
        for (size_t i = 0; i < std::size(dance); ++i)
            Move(i % 2 == 0 ? server : client, i % 2 == 0 ? client : server, dance[i][0], dance[i][1]);
    ASSERT_TRUE(Pump([this] { return !client.wnd->Session().IsGameRunning(); }));
    EXPECT_TRUE(saved(server, "server-draw.pgn").contains("[Result \"1/2-1/2\"]"));
    EXPECT_TRUE(saved(client, "client-draw.pgn").contains("[Result \"1/2-1/2\"]"));

    uint32_t now = 1000;
    server.wnd->BottomPanel()->Clock().SetTickSource([&] { return now; });
    server.wnd->OnCommand(CNetChessSession::kResetBoardId);
    StartGame();
    now += 5 * 60 * 1000 + 1;
    server.wnd->BottomPanel()->Clock().OnTick();
    ASSERT_TRUE(Pump([this] { return !client.wnd->Session().IsGameRunning(); }));
    EXPECT_TRUE(saved(server, "server-time.pgn").contains("[Result \"0-1\"]")) << "White's time ran out";
    EXPECT_TRUE(saved(client, "client-time.pgn").contains("[Result \"0-1\"]"));
}

TEST_F(NetChessWndTest, TimeCallRuleWaitsForTheOpponentsCall)
{
    uint32_t now = 1000;
    server.settings.SetIsWinOnOpponentTimeZero(false);
    Connect();
    server.wnd->BottomPanel()->Clock().SetTickSource([&] { return now; });
    StartGame();
    EXPECT_FALSE(client.Enabled(CNetChessSession::kTimeCallId));
    now += 5 * 60 * 1000 + 1;
    server.wnd->BottomPanel()->Clock().OnTick();
    ASSERT_TRUE(Pump([this] { return client.wnd->Session().IsOpponentFlagFallen(); }));
    EXPECT_TRUE(server.wnd->Session().IsGameRunning()); // not lost until called
    EXPECT_TRUE(client.Enabled(CNetChessSession::kTimeCallId));
    EXPECT_FALSE(server.Enabled(CNetChessSession::kTimeCallId));
    client.wnd->OnCommand(CNetChessSession::kTimeCallId);
    ASSERT_TRUE(Pump([this] { return !client.wnd->Session().IsGameRunning(); }));
    EXPECT_FALSE(server.wnd->Session().IsGameRunning());
    EXPECT_EQ(server.Stats(), "0/1/0");
    EXPECT_EQ(client.Stats(), "1/0/0");
    // Besides the button, the fallen flag was told once in the chat.
    EXPECT_EQ(
        client.Notices().count(QStringLiteral("- Opponent's time has run out: press Time Call to claim the game")), 1);
    EXPECT_FALSE(server.Notices().join('\n').contains(QStringLiteral("press Time Call")));
}

TEST_F(NetChessWndTest, TimeCallStaysDisabledWithoutTimeLimit)
{
    server.settings.SetIsWinOnOpponentTimeZero(false);
    server.settings.SetIsTimeInfinite(true);
    Connect();
    StartGame();
    EXPECT_FALSE(server.wnd->BottomPanel()->Clock().IsCounting());
    // Even a peer claiming a fallen flag cannot enable it.
    CNetMessage fell(MSG_FLAG_FELL);
    client.link.Send(fell);
    Settle();
    EXPECT_FALSE(server.Enabled(CNetChessSession::kTimeCallId));
}

TEST_F(NetChessWndTest, SwitchColoursGivesTheClientWhite)
{
    Connect();
    server.wnd->OnCommand(CNetChessSession::kSwitchColorId);
    ASSERT_TRUE(Pump([this] { return client.wnd->Session().MyColour() == COLOUR_WHITE; }));
    EXPECT_EQ(server.wnd->Session().MyColour(), COLOUR_BLACK);
    EXPECT_TRUE(server.wnd->Board()->IsFlipped());
    EXPECT_FALSE(client.wnd->Board()->IsFlipped());
    EXPECT_TRUE(client.Notices().contains(QStringLiteral("- Colors switching")));
    StartGame();
    EXPECT_TRUE(client.wnd->Session().IsMyTurn());
    EXPECT_FALSE(server.wnd->Session().IsMyTurn());
    Move(client, server, "e2", "e4");
    EXPECT_TRUE(server.wnd->Session().IsMyTurn());
}

TEST_F(NetChessWndTest, OpponentLeavingAndServerStopping)
{
    Connect();
    StartGame();
    client.wnd->OnCommand(CNetChessSession::kMenuId);
    ASSERT_TRUE(Pump([this] { return server.roster.Count() == 1; }));
    EXPECT_FALSE(server.wnd->Session().IsGameRunning());
    EXPECT_EQ(server.wnd->TopPanel()->PlayerIndex(), -1);
    EXPECT_EQ(serverMessages.last(), QStringLiteral("Guest leaves"));
    EXPECT_FALSE(server.Enabled(CNetChessSession::kStartGameId));
    EXPECT_TRUE(server.link.GetSeatedIds().empty());

    // A new client joins, then the server leaves.
    Side second(true);
    JoinClient(second, QStringLiteral("Second"));
    ASSERT_TRUE(Pump([&] { return server.roster.Count() == 2 && second.link.IsJoined(); }));
    const int asked = static_cast<int>(serverMessages.size());
    EXPECT_TRUE(second.wnd->IsConnectedToOthers());
    server.wnd->OnCommand(CNetChessSession::kMenuId);
    EXPECT_EQ(serverMessages.size(), asked + 1); // the question, answered Yes
    EXPECT_FALSE(server.link.IsServer());
    ASSERT_TRUE(Pump([&] { return !second.link.IsClientConnected(); }));
    EXPECT_TRUE(otherMessages.contains(UiText(IDS_NC_SERVER_LEFT)));
    // The server's name stays on its panel, but closing the program now has
    // no connection to warn about.
    EXPECT_EQ(second.roster.Count(), 2);
    EXPECT_FALSE(second.wnd->IsConnectedToOthers());
}

namespace
{
CNetMessage Ints(int id, std::initializer_list<int> values)
{
    CNetMessage message(id);
    for (int v : values)
        message.AddInt(v);
    return message;
}
}

// A hostile client: every malformed or illegal move ends the server's game
// with the communication-error text and leaves its board as it was.
TEST_F(NetChessWndTest, HostileMovesEndTheGameWithoutTouchingTheBoard)
{
    StartServer();
    RecordingWindow recorder; // outlives the link that reports to it
    Side peer(false);
    peer.link.SetGameWindows(&recorder, nullptr);
    JoinClient(peer, QStringLiteral("Mallory"));
    ASSERT_TRUE(Pump([&] { return server.roster.Count() == 2 && peer.link.IsJoined(); }));

    CNetMessage wrongKind(MSG_MOVE);
    for (int i = 0; i < 7; ++i)
        wrongKind.AddString("1");
    struct Case
    {
        const char* what;
        CNetMessage message;
    };
    // e7 is row 6, column 3; e5 is row 4, column 3.
    const Case cases[] = {
        {"missing fields", Ints(MSG_MOVE, {6, 3, 4, 3, 0, 1000})},
        {"row outside the board", Ints(MSG_MOVE, {8, 3, 4, 3, 0, 1000, 0})},
        {"negative column", Ints(MSG_MOVE, {6, -1, 4, 3, 0, 1000, 0})},
        {"promotion to a king", Ints(MSG_MOVE, {6, 3, 4, 3, 5, 1000, 0})},
        {"negative time", Ints(MSG_MOVE, {6, 3, 4, 3, 0, -5, 0})},
        {"draw flag not a flag", Ints(MSG_MOVE, {6, 3, 4, 3, 0, 1000, 7})},
        {"illegal move", Ints(MSG_MOVE, {6, 3, 2, 3, 0, 1000, 0})},
        {"empty square", Ints(MSG_MOVE, {4, 4, 3, 4, 0, 1000, 0})},
        {"strings for numbers", wrongKind},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        serverMessages.clear();
        server.wnd->OnCommand(CNetChessSession::kResetBoardId);
        server.wnd->OnCommand(CNetChessSession::kStartGameId);
        ASSERT_TRUE(server.wnd->Session().IsGameRunning());
        server.Drag("e2", "e4");
        ASSERT_EQ(server.wnd->Board()->MoveTexts().size(), 1u);
        ASSERT_TRUE(peer.link.Send(c.message));
        ASSERT_TRUE(Pump([&] { return !server.wnd->Session().IsGameRunning(); }));
        EXPECT_EQ(serverMessages, QStringList{UiText(IDS_NC_COMM_ERROR)});
        EXPECT_EQ(server.wnd->Board()->MoveTexts().size(), 1u);
        EXPECT_EQ(server.wnd->MoveList()->ShownMoves().size(), 1u);
    }

    // A move out of turn is refused the same way.
    serverMessages.clear();
    server.wnd->OnCommand(CNetChessSession::kResetBoardId);
    server.wnd->OnCommand(CNetChessSession::kStartGameId);
    ASSERT_TRUE(peer.link.Send(Ints(MSG_MOVE, {6, 3, 4, 3, 0, 1000, 0})));
    ASSERT_TRUE(Pump([&] { return !server.wnd->Session().IsGameRunning(); }));
    EXPECT_TRUE(server.wnd->Board()->MoveTexts().empty());

    // Claims that need something of ours first are ignored: a draw nobody
    // offered, a Time Call on a clock that has not run out, an undo nobody
    // asked for, settings from a client, a colour switch from a client.
    server.wnd->OnCommand(CNetChessSession::kResetBoardId);
    server.wnd->OnCommand(CNetChessSession::kStartGameId);
    server.Drag("e2", "e4");
    server.settings.SetIsWinOnOpponentTimeZero(false);
    for (int id : {MSG_DRAW_ACCEPTED, MSG_TIME_CALL, MSG_TAKEBACK_ACCEPTED, MSG_SWITCH_COLORS})
        ASSERT_TRUE(peer.link.Send(CNetMessage(id)));
    ASSERT_TRUE(peer.link.Send(Ints(MSG_SETTINGS, {0, 0, 1, 0, 0, 0, 0})));
    ASSERT_TRUE(peer.link.Send(CNetMessage(MSG_CHAT))); // no text
    Settle();
    EXPECT_TRUE(server.wnd->Session().IsGameRunning());
    EXPECT_EQ(server.wnd->Board()->MoveTexts().size(), 1u);
    EXPECT_EQ(server.wnd->Session().MyColour(), COLOUR_WHITE);
    EXPECT_EQ(server.settings.GetGameTime().Milliseconds(), 5 * 60 * 1000);
    EXPECT_EQ(server.Stats(), "0/0/0");
    // A real move still plays.
    ASSERT_TRUE(peer.link.Send(Ints(MSG_MOVE, {6, 3, 4, 3, 0, 1000, 0})));
    ASSERT_TRUE(Pump([&] { return server.wnd->Board()->MoveTexts().size() == 2u; }));
    EXPECT_TRUE(server.wnd->Session().IsMyTurn());
    EXPECT_EQ(server.wnd->TopPanel()->Clock().GetTime().Milliseconds(), 1000);
}

// A hostile server: a game start that cannot be followed or settings out of
// range are refused by the client.
TEST_F(NetChessWndTest, HostileServerMessagesAreRefusedByTheClient)
{
    RecordingWindow recorder; // outlives the link that reports to it
    Side peer(false);
    peer.link.SetGameWindows(&recorder, nullptr);
    peer.ui.dialog = [&]() -> std::optional<QString> {
        return peer.link.StartServer(0) ? std::optional<QString>(QStringLiteral("Eve")) : std::nullopt;
    };
    peer.link.Join(GAME_MODE_SINGLE, false);
    ASSERT_TRUE(peer.link.IsServer());
    client.ui.dialog = [&]() -> std::optional<QString> {
        return client.link.OpenClientConnection(QStringLiteral("127.0.0.1"), peer.link.GetPort())
                   ? std::optional<QString>(QStringLiteral("Guest"))
                   : std::nullopt;
    };
    client.link.Join(GAME_MODE_SINGLE, false);
    ASSERT_TRUE(Pump([&] { return client.link.IsJoined() && peer.roster.Count() == 2; }));

    CNetMessage shortList(MSG_GAME_STARTED);
    shortList.AddLong(3);
    shortList.AddString("e4");
    CNetMessage illegal(MSG_GAME_STARTED);
    illegal.AddLong(2);
    illegal.AddString("e4");
    illegal.AddString("Ke5");
    CNetMessage negative(MSG_GAME_STARTED);
    negative.AddLong(-1);
    CNetMessage huge(MSG_GAME_STARTED);
    huge.AddLong(2000000000);
    for (const CNetMessage& message : {shortList, illegal, negative, huge})
    {
        clientMessages.clear();
        ASSERT_TRUE(peer.link.Send(message));
        ASSERT_TRUE(Pump([&] { return !clientMessages.isEmpty(); }));
        EXPECT_EQ(clientMessages, QStringList{UiText(IDS_NC_COMM_ERROR)});
        EXPECT_FALSE(client.wnd->Session().IsGameRunning());
    }
    const int before = client.settings.GetGameTime().Milliseconds();
    ASSERT_TRUE(peer.link.Send(Ints(MSG_SETTINGS, {-1, 0, 0, 0, 0, 0, 0})));
    ASSERT_TRUE(peer.link.Send(Ints(MSG_SETTINGS, {0, 0, 0, 0, 3, 0, 0})));
    ASSERT_TRUE(peer.link.Send(Ints(MSG_SETTINGS, {0, 1})));
    Settle();
    EXPECT_EQ(client.settings.GetGameTime().Milliseconds(), before);

    // A well-formed start still works afterwards, with the client (Black) to move after one move.
    CNetMessage good(MSG_GAME_STARTED);
    good.AddLong(1);
    good.AddString("e4");
    ASSERT_TRUE(peer.link.Send(good));
    ASSERT_TRUE(Pump([&] { return client.wnd->Session().IsGameRunning(); }));
    EXPECT_TRUE(client.wnd->Session().IsMyTurn());
}

TEST_F(NetChessWndTest, SaveGameNamesThePlayersAndCountsTheSaves)
{
    EXPECT_EQ(server.wnd->Session().DefaultSaveName(), QStringLiteral("Game 1"));
    Connect();
    StartGame();
    Move(server, client, "e2", "e4");
    client.wnd->OnCommand(CNetChessSession::kResignId);
    ASSERT_TRUE(Pump([this] { return !server.wnd->Session().IsGameRunning(); }));
    EXPECT_EQ(client.wnd->Session().DefaultSaveName(), QStringLiteral("Host - Guest Game 1"));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("saved.pgn"));
    QString offered;
    client.wnd->SetFileChooser([&](bool save, const QString&, const QString& suggested) {
        EXPECT_TRUE(save);
        offered = suggested;
        return file;
    });
    client.wnd->OnCommand(CNetChessSession::kSaveGameId);
    EXPECT_EQ(offered, QStringLiteral("Host - Guest Game 1.pgn"));
    EXPECT_EQ(client.wnd->Session().DefaultSaveName(), QStringLiteral("Host - Guest Game 2"));
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray text = in.readAll();
    EXPECT_TRUE(text.contains("[White \"Host\"]"));
    EXPECT_TRUE(text.contains("[Black \"Guest\"]"));
    EXPECT_TRUE(text.contains("1-0"));
}

TEST_F(NetChessWndTest, BoardMenuCopiesThePositionAndTheGameAndRefusesASetUpGame)
{
    Connect();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("setup.pgn"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("[SetUp \"1\"]\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 w - - 0 30\"]\n\n30. e4 *\n");
    out.close();
    server.wnd->SetFileChooser([&](bool, const QString&, const QString&) { return file; });
    server.wnd->OnCommand(CNetChessSession::kLoadGameId);
    EXPECT_EQ(serverMessages, QStringList{QStringLiteral("This game does not start from the initial position.\n\n"
                                                         "A network game can only be played from the initial "
                                                         "position.")});
    EXPECT_TRUE(server.wnd->Board()->MoveTexts().empty());

    StartGame();
    server.Drag("e2", "e4");
    ASSERT_TRUE(Pump([this] { return client.wnd->Board()->MoveTexts().size() == 1; }));
    server.wnd->show();
    QTest::mouseClick(server.wnd->Board(), Qt::RightButton, {}, QPoint(100, 100));
    QMenu* menu = server.wnd->BoardMenu();
    ASSERT_TRUE(menu != nullptr && menu->isVisible());
    QStringList names;
    for (QAction* action : menu->actions())
        names << action->objectName();
    EXPECT_EQ(names, (QStringList{QStringLiteral("copyFen"), QStringLiteral("copyPgn")}));
    QAction* copyPgn = menu->actions().at(1);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(copyPgn).center());
    const QString pgn = QGuiApplication::clipboard()->text();
    EXPECT_TRUE(pgn.contains(QStringLiteral("[White \"Host\"]\n[Black \"Guest\"]\n"))) << pgn.toStdString();
    EXPECT_TRUE(pgn.endsWith(QStringLiteral("\n\n1. e4 *\n"))) << pgn.toStdString();
}

TEST_F(NetChessWndTest, FlipTurnsOnlyTheLocalViewAndTellsThePeerNothing)
{
    Connect();
    StartGame();
    Move(server, client, "e2", "e4");
    client.wnd->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(client.wnd.get()));
    const QStringList serverNotices = server.Notices();
    const QRect bottom = client.wnd->BottomPanel()->geometry();
    client.wnd->Board()->setFocus();
    QTest::keyClick(client.wnd->Board(), Qt::Key_F);
    ASSERT_TRUE(client.wnd->IsViewTurned());
    // Black at the bottom by the game, White at the bottom in the turned view.
    EXPECT_TRUE(client.wnd->Session().IsBlackAtBottom());
    EXPECT_FALSE(client.wnd->Board()->IsFlipped());
    EXPECT_EQ(client.wnd->TopPanel()->geometry(), bottom);
    // A move on the turned view reaches the server as the move it is.
    Move(client, server, "e7", "e5");
    EXPECT_EQ(server.wnd->Board()->MoveTexts().back(), "e5");
    Settle();
    EXPECT_EQ(server.Notices(), serverNotices) << "the peer hears of no turn";
    EXPECT_FALSE(server.wnd->Board()->IsFlipped());
    EXPECT_FALSE(server.wnd->IsViewTurned());
    // In the chat input F is a letter, not a turn of the board.
    client.wnd->ChatInput()->setFocus();
    QTest::keyClick(client.wnd->ChatInput(), Qt::Key_F);
    EXPECT_TRUE(client.wnd->ChatInput()->text().endsWith(QLatin1Char('f')));
    EXPECT_TRUE(client.wnd->IsViewTurned());
}
