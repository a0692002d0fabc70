#include "NetChessWnd.h"
#include "BoardView.h"
#include "GameSettings.h"
#include "MessageDlg.h"
#include "MoveListWnd.h"
#include "NetConnection.h"
#include "NetMessage.h"
#include "NetProtocol.h"
#include "OutputPane.h"
#include "PlayerRoster.h"
#include "PlayerWnd.h"
#include "SkinButton.h"
#include "SoundPlayer.h"
#include "UiText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
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
            wnd = std::make_unique<CNetChessWnd>(link, roster, settings);
            wnd->SetFrameHooks({[this](const QString& t) { title = t; }, [this] { wnd->show(); }, [] {}});
            link.SetGameWindows(wnd.get(), nullptr);
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
        const int before = client.wnd->GameNumber();
        server.wnd->OnCommand(CNetChessWnd::kStartGameId);
        ASSERT_TRUE(Pump([&] { return client.wnd->GameNumber() == before + 1; }));
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
    EXPECT_FALSE(server.Enabled(CNetChessWnd::kStartGameId));
    EXPECT_EQ(server.wnd->TopPanel()->PlayerIndex(), -1);
    EXPECT_TRUE(server.Notices().first().startsWith(QStringLiteral("- Your server started at IP \"")));
    EXPECT_TRUE(server.Notices().first().endsWith(QStringLiteral("\" and Port %1").arg(server.link.GetPort())));
    EXPECT_FALSE(server.wnd->ChatInput()->text().isEmpty());

    client.settings.SetGameTime(1, 0, 0);
    JoinClient(client);
    ASSERT_TRUE(Pump([this] { return server.roster.Count() == 2 && client.link.IsJoined(); }));
    EXPECT_EQ(server.wnd->TopPanel()->PlayerIndex(), 1);
    EXPECT_TRUE(server.Notices().contains(QStringLiteral("- Guest joins the game")));
    EXPECT_TRUE(server.Enabled(CNetChessWnd::kStartGameId));
    EXPECT_EQ(server.wnd->MyColour(), COLOUR_WHITE);

    EXPECT_EQ(client.roster.GetEntry(1).name, QStringLiteral("Host"));
    EXPECT_EQ(client.wnd->MyColour(), COLOUR_BLACK);
    EXPECT_TRUE(client.wnd->IsBlackAtBottom());
    EXPECT_TRUE(client.wnd->Board()->IsFlipped());
    EXPECT_EQ(client.settings.GetGameTime().Milliseconds(), (7 * 60 + 30) * 1000);
    EXPECT_EQ(client.settings.GetNbSecondsBonus(), 3);
    EXPECT_TRUE(client.settings.IsKingCanBeCaptured());
    EXPECT_TRUE(client.Notices().contains(QStringLiteral("- You are connected to the game as Guest")));
    EXPECT_TRUE(client.Notices().contains(QStringLiteral("- Host is in the game")));
    EXPECT_FALSE(client.Enabled(CNetChessWnd::kStartGameId));
    EXPECT_FALSE(client.Enabled(CNetChessWnd::kSwitchColorId));
    EXPECT_TRUE(client.Enabled(CNetChessWnd::kSaveGameId));

    // Settings changed at the server reach the client.
    server.settings.SetGameTime(0, 3, 0);
    server.settings.SetIsWinOnOpponentTimeZero(false);
    server.wnd->ApplySettings();
    ASSERT_TRUE(Pump([this] { return client.settings.GetGameTime().Milliseconds() == 180000; }));
    EXPECT_FALSE(client.settings.IsWinOnOpponentTimeZero());
    EXPECT_EQ(client.wnd->BottomPanel()->Clock().GetTime().Milliseconds(), 180000);
}

TEST_F(NetChessWndTest, CheckmateCountsOnBothSidesAndChatTravels)
{
    Connect();
    client.wnd->SendChat(QStringLiteral("good luck"));
    ASSERT_TRUE(Pump([this] { return server.Notices().contains(QStringLiteral("Guest: good luck")); }));
    StartGame();
    EXPECT_TRUE(server.wnd->IsMyTurn());
    EXPECT_TRUE(server.wnd->Board()->IsInputEnabled());
    EXPECT_FALSE(client.wnd->Board()->IsInputEnabled());
    EXPECT_TRUE(server.wnd->BottomPanel()->Clock().IsRunning());
    EXPECT_TRUE(client.wnd->TopPanel()->Clock().IsRunning());
    EXPECT_EQ(server.title, QStringLiteral("* [Pellomar II] *"));

    Move(server, client, "f2", "f3");
    EXPECT_TRUE(client.wnd->IsMyTurn());
    EXPECT_TRUE(client.wnd->BottomPanel()->Clock().IsRunning());
    EXPECT_FALSE(client.wnd->TopPanel()->Clock().IsRunning());
    Move(client, server, "e7", "e5");
    Move(server, client, "g2", "g4");
    Move(client, server, "d8", "h4");
    ASSERT_TRUE(Pump([this] { return !server.wnd->IsGameRunning(); }));
    EXPECT_FALSE(client.wnd->IsGameRunning());
    EXPECT_EQ(server.Stats(), "0/1/0");
    EXPECT_EQ(client.Stats(), "1/0/0");
    const QString mate = QStringLiteral("White is checkmate.\nBlack wins the game !");
    EXPECT_EQ(serverMessages, QStringList{mate});
    EXPECT_EQ(clientMessages, QStringList{mate});
    EXPECT_TRUE(client.Notices().contains(QStringLiteral("- Victories: 1, Defeats: 0, Draws: 0")));
    EXPECT_EQ(client.wnd->MoveList()->ShownMoves().size(), 4u);
    EXPECT_TRUE(server.Shown(CNetChessWnd::kStartGameId));
    EXPECT_FALSE(server.Enabled(CNetChessWnd::kStartGameId)); // the game on the board is over
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
    server.wnd->SetFileAsker([&](bool, const QString&, const QString&) { return file; });
    server.wnd->OnCommand(CNetChessWnd::kLoadGameId);
    ASSERT_EQ(server.wnd->Board()->MoveTexts().size(), 1u);
    StartGame();
    EXPECT_EQ(client.wnd->MoveList()->ShownMoves(), std::vector<std::string>{"e4"});
    EXPECT_TRUE(client.wnd->IsMyTurn());
    EXPECT_TRUE(client.wnd->BottomPanel()->Clock().IsRunning());
    EXPECT_FALSE(client.wnd->TopPanel()->Clock().IsRunning());
    EXPECT_FALSE(server.wnd->IsMyTurn());
    EXPECT_TRUE(server.wnd->TopPanel()->Clock().IsRunning());
    EXPECT_FALSE(server.wnd->BottomPanel()->Clock().IsRunning());
    Move(client, server, "e7", "e5");
    EXPECT_TRUE(server.wnd->IsMyTurn());
}

TEST_F(NetChessWndTest, DrawOfferTravelsWithTheMoveLapsesAndIsAccepted)
{
    Connect();
    StartGame();
    server.wnd->OnCommand(CNetChessWnd::kOfferDrawId);
    EXPECT_TRUE(server.wnd->IsDrawPending());
    EXPECT_TRUE(server.Shown(CNetChessWnd::kCancelOfferId));
    Settle();
    EXPECT_FALSE(client.wnd->IsDrawOffered()); // not before the next move
    Move(server, client, "e2", "e4");
    EXPECT_FALSE(server.wnd->IsDrawPending());
    EXPECT_TRUE(client.wnd->IsDrawOffered());
    EXPECT_TRUE(client.Shown(CNetChessWnd::kAcceptDrawId));
    EXPECT_TRUE(client.Notices().contains(QStringLiteral("- Opponent has offered a draw")));
    // Moving lets it lapse; an accept sent now would be refused by the offerer.
    Move(client, server, "e7", "e5");
    EXPECT_FALSE(client.wnd->IsDrawOffered());
    EXPECT_FALSE(client.Shown(CNetChessWnd::kAcceptDrawId));

    client.wnd->OnCommand(CNetChessWnd::kOfferDrawId);
    Move(server, client, "g1", "f3");
    Move(client, server, "b8", "c6");
    ASSERT_TRUE(server.wnd->IsDrawOffered());
    server.wnd->OnCommand(CNetChessWnd::kAcceptDrawId);
    ASSERT_TRUE(Pump([this] { return !client.wnd->IsGameRunning(); }));
    EXPECT_EQ(server.Stats(), "0/0/1");
    EXPECT_EQ(client.Stats(), "0/0/1");
    EXPECT_EQ(serverMessages, QStringList{QStringLiteral("Game is a draw !")});
    EXPECT_EQ(clientMessages, QStringList{QStringLiteral("Game is a draw !")});
    bool drawn = false, whiteLost = false, blackLost = false;
    EXPECT_TRUE(client.wnd->ResultFlags(drawn, whiteLost, blackLost));
    EXPECT_TRUE(drawn);
}

TEST_F(NetChessWndTest, TakebackUndoesOnePlyOnBothSides)
{
    Connect();
    StartGame();
    EXPECT_FALSE(server.Enabled(CNetChessWnd::kTakebackId)); // nothing to undo yet
    Move(server, client, "e2", "e4");
    server.wnd->OnCommand(CNetChessWnd::kTakebackId);
    ASSERT_TRUE(Pump([this] { return client.Shown(CNetChessWnd::kAcceptTakebackId); }));
    EXPECT_FALSE(client.Shown(CNetChessWnd::kTakebackId));
    EXPECT_TRUE(client.Notices().contains(QStringLiteral("- Opponent has asked to undo the last move")));
    client.wnd->OnCommand(CNetChessWnd::kAcceptTakebackId);
    ASSERT_TRUE(Pump([this] { return server.wnd->Board()->MoveTexts().empty(); }));
    EXPECT_TRUE(client.wnd->Board()->MoveTexts().empty());
    EXPECT_TRUE(server.wnd->MoveList()->ShownMoves().empty());
    EXPECT_TRUE(server.wnd->IsMyTurn());
    EXPECT_TRUE(server.wnd->Board()->IsInputEnabled());
    EXPECT_TRUE(server.wnd->BottomPanel()->Clock().IsRunning());
    EXPECT_FALSE(client.wnd->Board()->IsInputEnabled());
    EXPECT_TRUE(client.wnd->TopPanel()->Clock().IsRunning());
    EXPECT_FALSE(client.wnd->BottomPanel()->Clock().IsRunning());
    EXPECT_TRUE(server.Notices().contains(QStringLiteral("- Opponent has accepted to undo the last move")));
    Move(server, client, "d2", "d4");
    EXPECT_EQ(client.wnd->MoveList()->ShownMoves(), std::vector<std::string>{"d4"});
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
    EXPECT_TRUE(client.wnd->IsMyTurn());
    EXPECT_TRUE(client.wnd->IsGameRunning());
}

TEST_F(NetChessWndTest, PromotionFinishedAfterTheGameEndedStartsNoClockAndSendsNothing)
{
    // While the chooser is open the opponent resigns; the move then completes locally only.
    server.wnd->SetPromotionAsker([&](Colour) {
        client.wnd->OnCommand(CNetChessWnd::kResignId);
        EXPECT_TRUE(Pump([&] { return !server.wnd->IsGameRunning(); }));
        return static_cast<int32_t>(PIECE_QUEEN);
    });
    Connect();
    StartGame();
    const char* moves[][2] = {{"h2", "h4"}, {"g7", "g5"}, {"h4", "g5"}, {"g8", "f6"},
                              {"g5", "f6"}, {"h7", "h5"}, {"f6", "e7"}, {"h5", "h4"}};
    for (size_t i = 0; i < std::size(moves); ++i)
        Move(i % 2 == 0 ? server : client, i % 2 == 0 ? client : server, moves[i][0], moves[i][1]);
    server.Drag("e7", "d8");
    EXPECT_FALSE(server.wnd->IsGameRunning());
    EXPECT_EQ(server.Stats(), "1/0/0");
    EXPECT_EQ(server.wnd->Board()->MoveTexts().size(), 9u);
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
    client.wnd->OnCommand(CNetChessWnd::kResignId);
    EXPECT_TRUE(client.wnd->IsGameRunning());
    questionAnswer = IDYES;
    client.wnd->OnCommand(CNetChessWnd::kResignId);
    ASSERT_TRUE(Pump([this] { return !server.wnd->IsGameRunning(); }));
    EXPECT_EQ(client.Stats(), "0/1/0");
    EXPECT_EQ(server.Stats(), "1/0/0");
    EXPECT_EQ(serverMessages.last(), QStringLiteral("Your opponent has resigned.\nYou win the game !"));
    bool drawn = false, whiteLost = false, blackLost = false;
    client.wnd->ResultFlags(drawn, whiteLost, blackLost);
    EXPECT_TRUE(blackLost);
    server.wnd->ResultFlags(drawn, whiteLost, blackLost);
    EXPECT_TRUE(blackLost);

    StartGame();
    EXPECT_FALSE(client.Enabled(CNetChessWnd::kAbortGameId));
    server.wnd->OnCommand(CNetChessWnd::kAbortGameId);
    ASSERT_TRUE(Pump([this] { return !client.wnd->IsGameRunning(); }));
    EXPECT_EQ(client.Stats(), "0/1/0");
    EXPECT_EQ(server.Stats(), "1/0/0");
    EXPECT_EQ(clientMessages.last(), QStringLiteral("Game aborted !"));
    server.wnd->ResultFlags(drawn, whiteLost, blackLost);
    EXPECT_FALSE(drawn || whiteLost || blackLost);
}

TEST_F(NetChessWndTest, AutomaticTimeRuleDecidesOnExpiry)
{
    uint32_t now = 1000;
    Connect();
    server.wnd->BottomPanel()->Clock().SetTickSource([&] { return now; });
    StartGame();
    EXPECT_FALSE(client.Enabled(CNetChessWnd::kTimeCallId));
    now += 5 * 60 * 1000 + 1;
    server.wnd->BottomPanel()->Clock().OnTick();
    ASSERT_TRUE(Pump([this] { return !client.wnd->IsGameRunning(); }));
    EXPECT_EQ(server.Stats(), "0/1/0");
    EXPECT_EQ(client.Stats(), "1/0/0");
    EXPECT_EQ(serverMessages.last(), QStringLiteral("Your time has expired.\nYou lose the game !"));
    EXPECT_EQ(clientMessages.last(), QStringLiteral("Opponent's time has expired.\nYou win the game !"));
}

TEST_F(NetChessWndTest, TimeCallRuleWaitsForTheOpponentsCall)
{
    uint32_t now = 1000;
    server.settings.SetIsWinOnOpponentTimeZero(false);
    Connect();
    server.wnd->BottomPanel()->Clock().SetTickSource([&] { return now; });
    StartGame();
    EXPECT_FALSE(client.Enabled(CNetChessWnd::kTimeCallId));
    now += 5 * 60 * 1000 + 1;
    server.wnd->BottomPanel()->Clock().OnTick();
    ASSERT_TRUE(Pump([this] { return client.wnd->IsOpponentFlagFallen(); }));
    EXPECT_TRUE(server.wnd->IsGameRunning()); // not lost until called
    EXPECT_TRUE(client.Enabled(CNetChessWnd::kTimeCallId));
    EXPECT_FALSE(server.Enabled(CNetChessWnd::kTimeCallId));
    client.wnd->OnCommand(CNetChessWnd::kTimeCallId);
    ASSERT_TRUE(Pump([this] { return !client.wnd->IsGameRunning(); }));
    EXPECT_FALSE(server.wnd->IsGameRunning());
    EXPECT_EQ(server.Stats(), "0/1/0");
    EXPECT_EQ(client.Stats(), "1/0/0");
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
    EXPECT_FALSE(server.Enabled(CNetChessWnd::kTimeCallId));
}

TEST_F(NetChessWndTest, SwitchColoursGivesTheClientWhite)
{
    Connect();
    server.wnd->OnCommand(CNetChessWnd::kSwitchColorId);
    ASSERT_TRUE(Pump([this] { return client.wnd->MyColour() == COLOUR_WHITE; }));
    EXPECT_EQ(server.wnd->MyColour(), COLOUR_BLACK);
    EXPECT_TRUE(server.wnd->Board()->IsFlipped());
    EXPECT_FALSE(client.wnd->Board()->IsFlipped());
    EXPECT_TRUE(client.Notices().contains(QStringLiteral("- Colors switching")));
    StartGame();
    EXPECT_TRUE(client.wnd->IsMyTurn());
    EXPECT_FALSE(server.wnd->IsMyTurn());
    Move(client, server, "e2", "e4");
    EXPECT_TRUE(server.wnd->IsMyTurn());
}

TEST_F(NetChessWndTest, OpponentLeavingAndServerStopping)
{
    Connect();
    StartGame();
    client.wnd->OnCommand(CNetChessWnd::kMenuId);
    ASSERT_TRUE(Pump([this] { return server.roster.Count() == 1; }));
    EXPECT_FALSE(server.wnd->IsGameRunning());
    EXPECT_EQ(server.wnd->TopPanel()->PlayerIndex(), -1);
    EXPECT_EQ(serverMessages.last(), QStringLiteral("Guest leaves"));
    EXPECT_FALSE(server.Enabled(CNetChessWnd::kStartGameId));
    EXPECT_TRUE(server.link.GetSeatedIds().empty());

    // A new client joins, then the server leaves.
    Side second(true);
    JoinClient(second, QStringLiteral("Second"));
    ASSERT_TRUE(Pump([&] { return server.roster.Count() == 2 && second.link.IsJoined(); }));
    const int asked = static_cast<int>(serverMessages.size());
    server.wnd->OnCommand(CNetChessWnd::kMenuId);
    EXPECT_EQ(serverMessages.size(), asked + 1); // the question, answered Yes
    EXPECT_FALSE(server.link.IsServer());
    ASSERT_TRUE(Pump([&] { return !second.link.IsClientConnected(); }));
    EXPECT_TRUE(otherMessages.contains(UiText(IDS_NC_SERVER_LEFT)));
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
        server.wnd->OnCommand(CNetChessWnd::kResetBoardId);
        server.wnd->OnCommand(CNetChessWnd::kStartGameId);
        ASSERT_TRUE(server.wnd->IsGameRunning());
        server.Drag("e2", "e4");
        ASSERT_EQ(server.wnd->Board()->MoveTexts().size(), 1u);
        ASSERT_TRUE(peer.link.Send(c.message));
        ASSERT_TRUE(Pump([&] { return !server.wnd->IsGameRunning(); }));
        EXPECT_EQ(serverMessages, QStringList{UiText(IDS_NC_COMM_ERROR)});
        EXPECT_EQ(server.wnd->Board()->MoveTexts().size(), 1u);
        EXPECT_EQ(server.wnd->MoveList()->ShownMoves().size(), 1u);
    }

    // A move out of turn is refused the same way.
    serverMessages.clear();
    server.wnd->OnCommand(CNetChessWnd::kResetBoardId);
    server.wnd->OnCommand(CNetChessWnd::kStartGameId);
    ASSERT_TRUE(peer.link.Send(Ints(MSG_MOVE, {6, 3, 4, 3, 0, 1000, 0})));
    ASSERT_TRUE(Pump([&] { return !server.wnd->IsGameRunning(); }));
    EXPECT_TRUE(server.wnd->Board()->MoveTexts().empty());

    // Claims that need something of ours first are ignored: a draw nobody
    // offered, a Time Call on a clock that has not run out, an undo nobody
    // asked for, settings from a client, a colour switch from a client.
    server.wnd->OnCommand(CNetChessWnd::kResetBoardId);
    server.wnd->OnCommand(CNetChessWnd::kStartGameId);
    server.Drag("e2", "e4");
    server.settings.SetIsWinOnOpponentTimeZero(false);
    for (int id : {MSG_DRAW_ACCEPTED, MSG_TIME_CALL, MSG_TAKEBACK_ACCEPTED, MSG_SWITCH_COLORS})
        ASSERT_TRUE(peer.link.Send(CNetMessage(id)));
    ASSERT_TRUE(peer.link.Send(Ints(MSG_SETTINGS, {0, 0, 1, 0, 0, 0, 0})));
    ASSERT_TRUE(peer.link.Send(CNetMessage(MSG_CHAT))); // no text
    Settle();
    EXPECT_TRUE(server.wnd->IsGameRunning());
    EXPECT_EQ(server.wnd->Board()->MoveTexts().size(), 1u);
    EXPECT_EQ(server.wnd->MyColour(), COLOUR_WHITE);
    EXPECT_EQ(server.settings.GetGameTime().Milliseconds(), 5 * 60 * 1000);
    EXPECT_EQ(server.Stats(), "0/0/0");
    // A real move still plays.
    ASSERT_TRUE(peer.link.Send(Ints(MSG_MOVE, {6, 3, 4, 3, 0, 1000, 0})));
    ASSERT_TRUE(Pump([&] { return server.wnd->Board()->MoveTexts().size() == 2u; }));
    EXPECT_TRUE(server.wnd->IsMyTurn());
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
        EXPECT_FALSE(client.wnd->IsGameRunning());
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
    ASSERT_TRUE(Pump([&] { return client.wnd->IsGameRunning(); }));
    EXPECT_TRUE(client.wnd->IsMyTurn());
}

TEST_F(NetChessWndTest, SaveGameNamesThePlayersAndCountsTheSaves)
{
    EXPECT_EQ(server.wnd->DefaultSaveName(), QStringLiteral("Game 1"));
    Connect();
    StartGame();
    Move(server, client, "e2", "e4");
    client.wnd->OnCommand(CNetChessWnd::kResignId);
    ASSERT_TRUE(Pump([this] { return !server.wnd->IsGameRunning(); }));
    EXPECT_EQ(client.wnd->DefaultSaveName(), QStringLiteral("Host - Guest Game 1"));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("saved.pgn"));
    QString offered;
    client.wnd->SetFileAsker([&](bool save, const QString&, const QString& suggested) {
        EXPECT_TRUE(save);
        offered = suggested;
        return file;
    });
    client.wnd->OnCommand(CNetChessWnd::kSaveGameId);
    EXPECT_EQ(offered, QStringLiteral("Host - Guest Game 1.pgn"));
    EXPECT_EQ(client.wnd->DefaultSaveName(), QStringLiteral("Host - Guest Game 2"));
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray text = in.readAll();
    EXPECT_TRUE(text.contains("[White \"Host\"]"));
    EXPECT_TRUE(text.contains("[Black \"Guest\"]"));
    EXPECT_TRUE(text.contains("1-0"));
}
