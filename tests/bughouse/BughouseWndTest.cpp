// The bughouse window as the server, against three scripted clients over real
// TCP on loopback (ports picked by the system).
#include "BughouseWnd.h"
#include "BitmapCache.h"
#include "BoardView.h"
#include "BpgnExport.h"
#include "BughouseProtocol.h"
#include "DoubleSettingsDlg.h"
#include "GameSettings.h"
#include "HtmlDlg.h"
#include "INetConnectionUi.h"
#include "MessageDlg.h"
#include "NetConnection.h"
#include "NetMessage.h"
#include "NetMessageClient.h"
#include "NetProtocol.h"
#include "OutputPane.h"
#include "PlayerRoster.h"
#include "PlayerWnd.h"
#include "SkinButton.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace
{
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

void Pump(int ms = 60)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The connection dialog answered at once: start the server on a free port.
class CServerUi : public INetConnectionUi
{
public:
    CNetConnection* link = nullptr;
    std::optional<QString> RunConnectionDialog(bool) override
    {
        return link->StartServer(0) ? std::optional<QString>(QStringLiteral("Ann")) : std::nullopt;
    }
    void ShowWaitDialog() override {}
    void CloseWaitDialog() override {}
    void ShowMessage(const QString&) override {}
};

// A scripted player: a bare client that records what it receives.
class CScriptedPlayer : public CNetMessageClient
{
public:
    std::vector<CNetMessage> received;

    bool Join(int port, const std::string& nickname)
    {
        CNetMessage request(MSG_JOIN_REQUEST);
        request.AddInt(GAME_MODE_DOUBLE);
        request.AddString(nickname);
        request.AddLong(NET_VERSION_MAJOR);
        request.AddLong(NET_VERSION_MINOR);
        return OpenConnection("127.0.0.1", port) && SendMessage(request) &&
               WaitUntil([&] { return Has(MSG_JOIN_ACCEPTED); });
    }
    [[nodiscard]] bool Has(int id) const { return Count(id) > 0; }
    [[nodiscard]] int Count(int id) const
    {
        int n = 0;
        for (const CNetMessage& m : received)
            n += m.GetId() == id ? 1 : 0;
        return n;
    }
    [[nodiscard]] CNetMessage Last(int id) const
    {
        for (auto it = received.rbegin(); it != received.rend(); ++it)
        {
            if (it->GetId() == id)
                return *it;
        }
        return CNetMessage(-100);
    }

protected:
    void OnMessage(const CNetMessage& message) override { received.push_back(message); }
    void OnDisconnect(int) override {}
};

std::string Order(const CNetMessage& seatsChanged)
{
    const auto seats = CBughouseProtocol::ReadSeats(seatsChanged, 0);
    std::string order;
    if (seats)
    {
        for (const PlayerEntry& e : seats->Players())
            order += e.name.left(1).toStdString();
    }
    return order;
}

CNetMessage Move(int seat, int orientation, int fromRow, int fromCol, int toRow, int toCol, int promotion = 0,
                 bool draw = false)
{
    BughouseMove move;
    move.seat = seat;
    move.orientation = orientation;
    move.from = CCoordinate(fromRow, fromCol);
    move.to = CCoordinate(toRow, toCol);
    move.promotion = promotion;
    move.remainingMs = 250000;
    move.drawOffer = draw;
    return CBughouseProtocol::MakeMove(move);
}

CNetMessage Drop(int seat, int orientation, int row, int col, PieceType piece)
{
    BughouseDrop drop;
    drop.seat = seat;
    drop.orientation = orientation;
    drop.square = CCoordinate(row, col);
    drop.piece = piece;
    drop.remainingMs = 250000;
    return CBughouseProtocol::MakeDrop(drop);
}

class BughouseWndTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CMessageService::AnswerAutomatically(IDYES);
        CMessageService::ClearHistory();
        roster.Reset();
        settings.SetGameTime(0, 5, 0);
        link = std::make_unique<CNetConnection>(roster, settings);
        link->SetUi(&ui);
        ui.link = link.get();
        window = std::make_unique<CBughouseWnd>(*link, roster, settings, CBitmapCache::Instance());
        link->SetGameWindows(nullptr, &window->Session());
        link->SetStartedFromCommandLine(true);
        link->Join(GAME_MODE_DOUBLE, true);
        ASSERT_TRUE(link->IsServer());
        window->Open();
        window->show();
    }
    void TearDown() override
    {
        players.clear();
        link->SetGameWindows(nullptr, nullptr);
        window.reset();
        link.reset();
        roster.Reset();
        CMessageService::ClearAnswerer();
    }

    CScriptedPlayer& Join(const std::string& nickname)
    {
        players.push_back(std::make_unique<CScriptedPlayer>());
        EXPECT_TRUE(players.back()->Join(link->GetPort(), nickname));
        EXPECT_TRUE(WaitUntil([&] { return roster.Contains(QString::fromStdString(nickname)); }));
        return *players.back();
    }

    std::string RosterOrder() const
    {
        std::string order;
        for (int i = 0; i < roster.Count(); ++i)
            order += roster.GetEntry(i).name.left(1).toStdString();
        return order;
    }

    bool Enabled(int id) const { return window->Button(id)->isEnabled() && window->Button(id)->isVisible(); }

    // Drags a piece on a board view as a person does.
    static void Drag(CBoardView* view, const CCoordinate& from, const CCoordinate& to)
    {
        const QPoint a = view->SquareRect(from).center();
        const QPoint b = view->SquareRect(to).center();
        QTest::mousePress(view, Qt::LeftButton, Qt::NoModifier, a);
        QTest::mouseMove(view, b);
        QTest::mouseRelease(view, Qt::LeftButton, Qt::NoModifier, b);
    }

    // Four players seated Ann (server), Bob, Cid, Dee: Ann and Bob partners
    // against Cid (Ann's opponent) and Dee (Bob's).
    void SeatFour()
    {
        Join("Bob");
        Join("Cid");
        Join("Dee");
        ASSERT_EQ(RosterOrder(), "ADBC");
        window->OnCommand(CBughouseSession::kRotatePlayersId);
        window->OnCommand(CBughouseSession::kRotatePlayersId);
        ASSERT_EQ(RosterOrder(), "ABCD");
        Pump();
    }

    void Start()
    {
        window->OnCommand(CBughouseSession::kStartId);
        ASSERT_TRUE(window->Session().IsGameRunning());
        for (auto& player : players)
            ASSERT_TRUE(WaitUntil([&] { return player->Has(MSG_GAME_STARTED); }));
    }

    // A message from a scripted player, waited for until the window has it.
    void Play(CScriptedPlayer& player, const CNetMessage& message)
    {
        ASSERT_TRUE(player.SendMessage(message));
        Pump();
    }

    PlayerRoster roster;
    GameSettings settings;
    CServerUi ui;
    std::unique_ptr<CNetConnection> link;
    std::unique_ptr<CBughouseWnd> window;
    std::vector<std::unique_ptr<CScriptedPlayer>> players;
};
} // namespace

TEST_F(BughouseWndTest, SeatingTwoThreeAndFourPlayersEnablesTheSeatButtons)
{
    EXPECT_FALSE(Enabled(CBughouseSession::kStartId));
    Join("Bob");
    EXPECT_TRUE(Enabled(CBughouseSession::kStartId));
    EXPECT_FALSE(Enabled(CBughouseSession::kRotatePlayersId));
    EXPECT_FALSE(Enabled(CBughouseSession::kSwitchColorId));
    EXPECT_EQ(window->Panel(1)->PlayerIndex(), 1);
    EXPECT_EQ(window->Panel(2)->PlayerIndex(), 0); // alone: at the bottom of both boards
    Join("Cid");
    EXPECT_TRUE(Enabled(CBughouseSession::kRotatePlayersId));
    EXPECT_TRUE(Enabled(CBughouseSession::kSwitchColorId));
    EXPECT_FALSE(Enabled(CBughouseSession::kSwitchPartnerId));
    EXPECT_EQ(window->Panel(3)->PlayerIndex(), 2);
    Join("Dee");
    // The fourth takes seat 1 as the server's partner; the former partners stay together.
    EXPECT_EQ(RosterOrder(), "ADBC");
    EXPECT_TRUE(Enabled(CBughouseSession::kSwitchPartnerId));
    EXPECT_EQ(window->Panel(2)->PlayerIndex(), 1);
    EXPECT_EQ(window->Panel(1)->PlayerIndex(), 2);
    EXPECT_EQ(window->Panel(3)->PlayerIndex(), 3);
}

TEST_F(BughouseWndTest, RotateAndSwitchPartnerReachEveryClient)
{
    SeatFour();
    CScriptedPlayer& bob = *players[0];
    const char* orders[] = {"ADBC", "ACDB", "ABCD"};
    for (const char* order : orders)
    {
        const int before = bob.Count(MSG_SEATS_CHANGED);
        window->OnCommand(CBughouseSession::kRotatePlayersId);
        ASSERT_TRUE(WaitUntil([&] { return bob.Count(MSG_SEATS_CHANGED) == before + 1; }));
        EXPECT_EQ(RosterOrder(), order);
        EXPECT_EQ(Order(bob.Last(MSG_SEATS_CHANGED)), order);
    }
    window->OnCommand(CBughouseSession::kSwitchPartnerId);
    ASSERT_TRUE(WaitUntil([&] { return Order(bob.Last(MSG_SEATS_CHANGED)) == "ADCB"; }));
    EXPECT_EQ(RosterOrder(), "ADCB");

    const int before = window->View(0)->IsFlipped();
    window->OnCommand(CBughouseSession::kSwitchColorId);
    EXPECT_NE(window->View(0)->IsFlipped(), before);
    EXPECT_NE(window->View(1)->IsFlipped(), window->View(0)->IsFlipped());
    ASSERT_TRUE(WaitUntil([&] { return bob.Has(MSG_SWITCH_COLORS); }));
}

TEST_F(BughouseWndTest, ThreePlayersHandTheLoneSeatRoundAndBack)
{
    Join("Bob");
    Join("Cid");
    const char* lone[] = {"Bob", "Cid", "Ann"};
    for (const char* name : lone)
    {
        window->OnCommand(CBughouseSession::kRotatePlayersId);
        const CBughouseSeats seats = window->Session().Seats();
        int alone = -1;
        for (int seat = 0; seat < 3; ++seat)
            alone = seats.IsAlone(seat) ? seat : alone;
        EXPECT_EQ(seats.Entry(alone).name.toStdString(), name);
    }
    EXPECT_EQ(window->Session().RotationStep(), 0);
}

TEST_F(BughouseWndTest, ACapturedPromotedQueenArrivesAsAPawnOnThePartnersBoard)
{
    SeatFour();
    Start();
    CScriptedPlayer& bob = *players[0];
    CScriptedPlayer& cid = *players[1];
    CScriptedPlayer& dee = *players[2];
    const CChessPosition& mine = window->View(0)->GetPosition();
    const CChessPosition& partners = window->View(1)->GetPosition();

    // Board of Ann (white) and Cid; e4 d5 a3 dxe4 gives Dee a white pawn.
    Drag(window->View(0), CCoordinate(1, 3), CCoordinate(3, 3));
    ASSERT_EQ(mine.TypeAt(CCoordinate(3, 3)), PIECE_PAWN);
    ASSERT_TRUE(WaitUntil([&] { return cid.Has(MSG_MOVE); }));
    Play(cid, Move(2, 1, 6, 4, 4, 4));
    Drag(window->View(0), CCoordinate(1, 7), CCoordinate(2, 7));
    Play(cid, Move(2, 1, 4, 4, 3, 3));
    EXPECT_EQ(partners.Holdings(COLOUR_WHITE, PIECE_PAWN), 1);

    // Board of Dee (white) and Bob: a3 h5, the pawn dropped on h7, hxg8=Q, Rxg8.
    Play(dee, Move(3, 0, 1, 7, 2, 7));
    Play(bob, Move(1, 1, 6, 0, 4, 0));
    Play(dee, Drop(3, 0, 6, 0, PIECE_PAWN));
    ASSERT_EQ(partners.TypeAt(CCoordinate(6, 0)), PIECE_PAWN);
    Play(bob, Move(1, 1, 6, 7, 5, 7));
    Play(dee, Move(3, 0, 6, 0, 7, 1, PIECE_QUEEN));
    ASSERT_EQ(partners.PieceAt(CCoordinate(7, 1)), MakePieceCode(COLOUR_WHITE, PIECE_QUEEN, true));
    EXPECT_EQ(mine.Holdings(COLOUR_BLACK, PIECE_KNIGHT), 1);
    Play(bob, Move(1, 1, 7, 0, 7, 1));
    EXPECT_EQ(partners.TypeAt(CCoordinate(7, 1)), PIECE_ROOK);
    EXPECT_EQ(mine.Holdings(COLOUR_WHITE, PIECE_PAWN), 1);
    EXPECT_EQ(mine.Holdings(COLOUR_WHITE, PIECE_QUEEN), 0);
    EXPECT_TRUE(window->Session().IsGameRunning());
}

TEST_F(BughouseWndTest, DrawOffersTimeCallsAndThePartnersCheckmate)
{
    SeatFour();
    Start();
    CScriptedPlayer& bob = *players[0];
    CScriptedPlayer& dee = *players[2];

    // Dee (white) moves with a draw offer: for Ann to accept.
    Play(dee, Move(3, 0, 1, 3, 3, 3, 0, true)); // e4
    EXPECT_TRUE(window->Session().IsOfferedToMe());
    EXPECT_TRUE(Enabled(CBughouseSession::kAcceptDrawId));
    // The partner's offer is only shown.
    Play(bob, Move(1, 1, 6, 3, 4, 3, 0, true));                  // e5
    Drag(window->View(0), CCoordinate(1, 3), CCoordinate(3, 3)); // Ann's move clears the flags
    EXPECT_FALSE(window->Session().IsOfferedToMe());
    Play(dee, Move(3, 0, 0, 2, 3, 5));          // Bc4
    Play(bob, Move(1, 1, 7, 6, 5, 5, 0, true)); // Nc6
    EXPECT_FALSE(window->Session().IsOfferedToMe());
    EXPECT_FALSE(Enabled(CBughouseSession::kAcceptDrawId));
    // A Time Call from the partner is ignored.
    Play(bob, CBughouseProtocol::MakeSeatMessage(MSG_TIME_CALL, 1));
    EXPECT_TRUE(window->Session().IsGameRunning());
    EXPECT_TRUE(window->Panel(1)->Clock().IsRunning());

    // Dee mates Bob: Qh5 Nf6 Qxf7#.
    Play(dee, Move(3, 0, 0, 4, 4, 0));
    Play(bob, Move(1, 1, 7, 1, 5, 2));
    Play(dee, Move(3, 0, 4, 0, 6, 2));
    ASSERT_FALSE(window->Session().IsGameRunning());
    EXPECT_EQ(roster.Defeats(), 1);
    ASSERT_FALSE(CMessageService::History().empty());
    EXPECT_EQ(CMessageService::History().back().text, QStringLiteral("Bob is checkmate.\nYou lose the game !"));
    // The mating move's clock shows the time Dee's program sent with it.
    EXPECT_EQ(window->Panel(3)->GetTime().Milliseconds(), 250000);
    EXPECT_FALSE(window->Panel(2)->Clock().IsRunning());
}

TEST_F(BughouseWndTest, APlayerLeavingMidGameStopsItAndReseats)
{
    SeatFour();
    Start();
    CScriptedPlayer& bob = *players[0];
    const int before = bob.Count(MSG_SEATS_CHANGED);
    players[1]->CloseConnection();
    ASSERT_TRUE(WaitUntil([&] { return bob.Count(MSG_SEATS_CHANGED) == before + 1; }));
    EXPECT_FALSE(window->Session().IsGameRunning());
    EXPECT_TRUE(bob.Has(MSG_PLAYER_LEFT));
    EXPECT_EQ(RosterOrder(), "ABD");
    EXPECT_EQ(Order(bob.Last(MSG_SEATS_CHANGED)), "ABD");
    EXPECT_FALSE(window->Session().Seats().SeatZeroFlag());
    ASSERT_FALSE(CMessageService::History().empty());
    EXPECT_EQ(CMessageService::History().back().text, QStringLiteral("Cid leaves"));
}

TEST_F(BughouseWndTest, MessagesThatDoNotFitAreRefusedWithoutACrash)
{
    SeatFour();
    Start();
    CScriptedPlayer& cid = *players[1];
    CScriptedPlayer& dee = *players[2];
    // A forged move of the server's own seat, garbage, and an illegal move.
    Play(dee, Move(0, 0, 1, 3, 3, 3));
    CNetMessage garbage(MSG_MOVE);
    garbage.AddString("x");
    Play(dee, garbage);
    EXPECT_TRUE(window->Session().IsGameRunning());
    EXPECT_EQ(window->View(0)->GetPosition().TypeAt(CCoordinate(3, 3)), 0);
    // Cid plays black against Ann: moving before her means the boards differ; the game stops.
    Play(cid, Move(2, 1, 6, 3, 4, 3));
    EXPECT_FALSE(window->Session().IsGameRunning());
    EXPECT_TRUE(WaitUntil([&] { return players[0]->Has(MSG_GAME_ABORTED); }));
}

namespace
{
// The connection dialog of a client: connects to the port it is given; the
// waiting dialog runs the event loop until the answer closes it.
class CClientUi : public INetConnectionUi
{
public:
    CNetConnection* link = nullptr;
    int port = 0;
    QString nickname = QStringLiteral("Bob");
    std::optional<QString> RunConnectionDialog(bool) override
    {
        if (!link->OpenClientConnection(QStringLiteral("127.0.0.1"), port))
            return std::nullopt;
        return nickname;
    }
    void ShowWaitDialog() override
    {
        m_closed = false;
        WaitUntil([&] { return m_closed; });
    }
    void CloseWaitDialog() override { m_closed = true; }
    void ShowMessage(const QString&) override {}

private:
    bool m_closed = false;
};

// A second program in the same process: its own roster, settings, link and
// window, joined to the server on the port given.
struct CClientProgram
{
    PlayerRoster roster;
    GameSettings settings;
    CNetConnection link{roster, settings};
    CClientUi ui;
    CBughouseWnd window{link, roster, settings, CBitmapCache::Instance()};

    CClientProgram(int port, const QString& nickname)
    {
        ui.link = &link;
        ui.port = port;
        ui.nickname = nickname;
        link.SetUi(&ui);
        link.SetGameWindows(nullptr, &window.Session());
        link.Join(GAME_MODE_DOUBLE, true);
    }
    ~CClientProgram()
    {
        link.Leave(false);
        link.SetGameWindows(nullptr, nullptr);
    }
};

std::string Board(const CChessPosition& position)
{
    std::string text;
    for (int i = 0; i < 64; ++i)
        text += static_cast<char>('A' + (position.State().board[i] & 0x3f));
    for (Colour colour : {COLOUR_BLACK, COLOUR_WHITE})
    {
        for (PieceType type = PIECE_PAWN; type <= PIECE_QUEEN; ++type)
            text += std::to_string(position.Holdings(colour, type));
    }
    return text;
}
} // namespace

// A second program in the same process: Bob's own roster, settings and link.
TEST_F(BughouseWndTest, AClientWindowSeesTheSameBoardsAsTheServer)
{
    PlayerRoster bobRoster;
    GameSettings bobSettings;
    CNetConnection bobLink(bobRoster, bobSettings);
    CClientUi bobUi;
    bobUi.link = &bobLink;
    bobUi.port = link->GetPort();
    bobLink.SetUi(&bobUi);
    CBughouseWnd bob(bobLink, bobRoster, bobSettings, CBitmapCache::Instance());
    bobLink.SetGameWindows(nullptr, &bob.Session());
    settings.SetGameTime(0, 7, 0);
    bobLink.Join(GAME_MODE_DOUBLE, true);
    ASSERT_TRUE(bobLink.IsJoined());
    ASSERT_TRUE(WaitUntil([&] { return bobRoster.Count() == 2; }));
    EXPECT_EQ(bobSettings.GetGameTime().Milliseconds(), 7 * 60 * 1000);
    EXPECT_EQ(bob.Session().LocalSeat(), 1);
    EXPECT_EQ(bob.View(0)->IsFlipped(), true); // Bob plays black on his first board

    Join("Cid");
    Join("Dee");
    ASSERT_TRUE(WaitUntil([&] { return bobRoster.Count() == 4; }));
    // The fourth player became the server's partner; Bob's program follows.
    EXPECT_EQ(bob.Session().Seats().Entry(1).name, QStringLiteral("Dee"));
    EXPECT_EQ(bob.Session().LocalSeat(), 2);
    EXPECT_EQ(bob.Session().Seats().PartnerOf(2), 3);

    Start();
    ASSERT_TRUE(WaitUntil([&] { return bob.Session().IsGameRunning(); }));
    CScriptedPlayer& cid = *players[0];
    CScriptedPlayer& dee = *players[1];
    // Ann (white, board 1) against Bob (black); Dee (black) against Cid (white) on board 2.
    Drag(window->View(0), CCoordinate(1, 3), CCoordinate(3, 3)); // e4
    ASSERT_TRUE(WaitUntil([&] { return bob.View(0)->SideToMove() == COLOUR_BLACK; }));
    Drag(bob.View(0), CCoordinate(6, 4), CCoordinate(4, 4)); // d5
    ASSERT_TRUE(WaitUntil([&] { return window->View(0)->SideToMove() == COLOUR_WHITE; }));
    Play(cid, Move(3, 0, 1, 4, 3, 4));                           // d4 on board 2
    Drag(window->View(0), CCoordinate(3, 3), CCoordinate(4, 4)); // exd5: Dee gets a black pawn
    Play(dee, Drop(1, 1, 4, 3, PIECE_PAWN));                     // ...P@e5
    ASSERT_TRUE(WaitUntil([&] { return bob.View(1)->SideToMove() == COLOUR_WHITE; }));

    // Ann's first board is Bob's first board; the second boards agree too.
    EXPECT_EQ(Board(window->View(0)->GetPosition()), Board(bob.View(0)->GetPosition()));
    EXPECT_EQ(Board(window->View(1)->GetPosition()), Board(bob.View(1)->GetPosition()));
    EXPECT_EQ(bob.View(1)->GetPosition().TypeAt(CCoordinate(4, 3)), PIECE_PAWN);
    EXPECT_EQ(bob.Panel(0)->GetTime().Milliseconds() > 0, true);

    bob.OnCommand(CBughouseSession::kResignId);
    ASSERT_TRUE(WaitUntil([&] { return !window->Session().IsGameRunning(); }));
    EXPECT_EQ(bobRoster.Defeats(), 1);
    EXPECT_EQ(roster.Victories(), 1);
    // Both programs keep the same record, with the same board letters and the
    // result of WhiteA's team (Ann's, whose opponent resigned).
    ASSERT_TRUE(WaitUntil([&] { return !bob.Session().IsGameRunning(); }));
    const CBpgnGame& kept = window->Session().Record().Game();
    EXPECT_EQ(kept.moves.size(), 5u);
    EXPECT_EQ(kept.result, "1-0");
    EXPECT_EQ(kept.Player(0, COLOUR_BLACK), "Bob");
    EXPECT_EQ(kept.Player(1, COLOUR_BLACK), "Dee");
    EXPECT_EQ(CBpgnExport::ExportGame(bob.Session().Record().Game()), CBpgnExport::ExportGame(kept));
    bobLink.Leave(false);
    bobLink.SetGameWindows(nullptr, nullptr);
}

TEST_F(BughouseWndTest, BothTimeRules)
{
    SeatFour();
    CScriptedPlayer& cid = *players[1];

    // Time Call rule: Ann's fallen flag is only announced; Cid's call then makes her lose.
    settings.SetIsWinOnOpponentTimeZero(false);
    Start();
    window->Panel(0)->SetTime(ClockTime(0));
    window->Session().OnTimeExpired(&window->Panel(0)->Clock());
    ASSERT_TRUE(WaitUntil([&] { return cid.Has(MSG_FLAG_FELL); }));
    EXPECT_TRUE(window->Session().IsGameRunning());
    Play(cid, CNetMessage(MSG_FLAG_FELL));
    EXPECT_TRUE(Enabled(CBughouseSession::kTimeCallId)); // the flag-fell flag also enables Time Call here
    Play(cid, CBughouseProtocol::MakeSeatMessage(MSG_TIME_CALL, 2));
    EXPECT_FALSE(window->Session().IsGameRunning());
    ASSERT_TRUE(WaitUntil([&] { return cid.Has(MSG_TIME_EXPIRED); }));
    EXPECT_EQ(roster.Defeats(), 1);

    // Immediate rule: the expiry of Ann's own clock loses at once.
    settings.SetIsWinOnOpponentTimeZero(true);
    Start();
    window->Session().OnTimeExpired(&window->Panel(1)->Clock()); // someone else's clock: not judged here
    EXPECT_TRUE(window->Session().IsGameRunning());
    window->Session().OnTimeExpired(&window->Panel(0)->Clock());
    EXPECT_FALSE(window->Session().IsGameRunning());
    EXPECT_EQ(roster.Defeats(), 2);
    EXPECT_EQ(CMessageService::History().back().text, QStringLiteral("Your time has expired.\nYou lose the game !"));
    ASSERT_TRUE(WaitUntil([&] { return cid.Count(MSG_TIME_EXPIRED) == 2; }));
}

// The server relays a client's message only when the client speaks for
// itself: a message that names another seat or another player reaches nobody.
TEST_F(BughouseWndTest, AClientSpeaksOnlyForItsOwnSeat)
{
    SeatFour();
    Start();
    CScriptedPlayer& bob = *players[0];
    CScriptedPlayer& cid = *players[1];
    CScriptedPlayer& dee = *players[2];
    // Dee (seat 3) tries to act for Bob (seat 1) and for the server (seat 0).
    const struct
    {
        const char* what;
        CNetMessage message;
    } forged[] = {
        {"move for Bob", Move(1, 1, 6, 3, 4, 3)},
        {"move for the server", Move(0, 0, 1, 3, 3, 3)},
        {"drop for Bob", Drop(1, 1, 4, 3, PIECE_PAWN)},
        {"resignation for Bob", CBughouseProtocol::MakeSeatMessage(MSG_RESIGN, 1)},
        {"time call for Bob", CBughouseProtocol::MakeSeatMessage(MSG_TIME_CALL, 1)},
        {"time loss for Cid", CBughouseProtocol::MakeSeatMessage(MSG_TIME_EXPIRED, 2)},
        {"seatless resignation", CNetMessage(MSG_RESIGN)},
        {"chat as Bob", CBughouseProtocol::MakeChat(QStringLiteral("Bob"), QStringLiteral("I resign"))},
        {"Bob leaving",
         [] {
             CNetMessage left(MSG_PLAYER_LEFT);
             left.AddString("Bob");
             return left;
         }()},
    };
    int markers = 0;
    for (const auto& [what, message] : forged)
    {
        SCOPED_TRACE(what);
        ASSERT_TRUE(dee.SendMessage(message));
        // Dee's own chat line after it: once it has arrived, the forged
        // message would have arrived before it.
        ++markers;
        ASSERT_TRUE(dee.SendMessage(CBughouseProtocol::MakeChat(QStringLiteral("Dee"), QString::number(markers))));
        for (CScriptedPlayer* other : {&bob, &cid})
        {
            ASSERT_TRUE(WaitUntil([&] {
                const auto chat = CBughouseProtocol::ReadChat(other->Last(MSG_CHAT));
                return chat && chat->second == QString::number(markers);
            }));
            int arrived = 0;
            for (const CNetMessage& m : other->received)
            {
                const auto chat = CBughouseProtocol::ReadChat(m);
                arrived += m.GetId() == message.GetId() && !(chat && chat->first == QStringLiteral("Dee")) ? 1 : 0;
            }
            EXPECT_EQ(arrived, 0);
        }
        EXPECT_TRUE(window->Session().IsGameRunning());
        EXPECT_EQ(RosterOrder(), "ABCD");
        EXPECT_TRUE(bob.IsConnected());
    }
    EXPECT_EQ(window->View(0)->GetPosition().TypeAt(CCoordinate(3, 3)), 0);
    EXPECT_EQ(window->View(1)->GetPosition().SideToMove(), COLOUR_WHITE);

    // Dee's genuine e4 reaches the server's board and both other clients.
    ASSERT_TRUE(dee.SendMessage(Move(3, 0, 1, 3, 3, 3)));
    for (CScriptedPlayer* other : {&bob, &cid})
        ASSERT_TRUE(WaitUntil([&] { return other->Has(MSG_MOVE); }));
    ASSERT_TRUE(WaitUntil([&] { return window->View(1)->SideToMove() == COLOUR_BLACK; }));
    EXPECT_EQ(window->View(1)->GetPosition().TypeAt(CCoordinate(3, 3)), PIECE_PAWN);
    EXPECT_FALSE(dee.Has(MSG_MOVE)) << "the sender does not get its own move back";
}

// Settings at the server: the real dialog, answered by the test as a person
// would; OK gives all four clocks the new time and every client the settings.
TEST_F(BughouseWndTest, SettingsAtTheServerReachEveryClient)
{
    CClientProgram bob(link->GetPort(), QStringLiteral("Bob"));
    ASSERT_TRUE(WaitUntil([&] { return bob.roster.Count() == 2; }));
    CScriptedPlayer& cid = Join("Cid");
    ASSERT_TRUE(WaitUntil([&] { return bob.roster.Count() == 3; }));

    // Fills in the dialog and answers OK; records whether the rules could be changed.
    auto answer = [](bool& editable, const QString& minutes, bool withOk) {
        return [&editable, minutes, withOk](CDoubleSettingsDlg& dialog) {
            auto* field = qobject_cast<QLineEdit*>(dialog.Control(CSettingsDlg::kMinutesId));
            auto* bonus = qobject_cast<QLineEdit*>(dialog.Control(CSettingsDlg::kBonusId));
            auto* timeCall = qobject_cast<QCheckBox*>(dialog.Control(CSettingsDlg::kTimeCallId));
            auto* king = qobject_cast<QCheckBox*>(dialog.Control(CSettingsDlg::kKingCaptureId));
            if (field == nullptr || bonus == nullptr || timeCall == nullptr || king == nullptr)
                return int(IDCANCEL);
            editable = field->isEnabled() && timeCall->isEnabled() && king->isEnabled();
            if (!withOk)
                return int(IDCANCEL);
            if (editable)
            {
                field->setText(minutes);
                bonus->setText(QStringLiteral("3"));
                timeCall->setChecked(true);
                king->setChecked(true);
            }
            dialog.OnOk();
            return dialog.result();
        };
    };
    bool editable = false;
    window->SetSettingsRunner(answer(editable, QStringLiteral("12"), true));
    window->OnCommand(CBughouseSession::kSettingsId);
    EXPECT_TRUE(editable);
    const int64_t twelve = 12 * 60 * 1000;
    for (int p = 0; p < 4; ++p)
        EXPECT_EQ(window->Panel(p)->GetTime().Milliseconds(), twelve);
    const std::string summary = std::string(
        "- Game settings: 12 min 0 sec with 3 sec for increment, king can be captured, you must press button Time Call "
        "when opponent's time runs out");
    ASSERT_FALSE(window->Output()->Lines().empty());
    EXPECT_EQ(window->Output()->Lines().back().text.toStdString(), summary);

    ASSERT_TRUE(WaitUntil([&] { return cid.Has(MSG_SETTINGS); }));
    const auto values = CBughouseProtocol::ReadSettings(cid.Last(MSG_SETTINGS), 0);
    ASSERT_TRUE(values);
    EXPECT_EQ(values->GameTimeMs(), twelve);
    EXPECT_EQ(values->bonusSeconds, 3);
    EXPECT_FALSE(values->winOnOpponentTimeZero);
    EXPECT_TRUE(values->kingCanBeCaptured);
    // Bob's program applies them to its settings and its four clocks.
    ASSERT_TRUE(WaitUntil([&] { return bob.settings.GetGameTime().Milliseconds() == twelve; }));
    EXPECT_EQ(bob.settings.GetNbSecondsBonus(), 3);
    EXPECT_TRUE(bob.settings.IsKingCanBeCaptured());
    EXPECT_FALSE(bob.settings.IsWinOnOpponentTimeZero());
    for (int p = 0; p < 4; ++p)
        EXPECT_EQ(bob.window.Panel(p)->GetTime().Milliseconds(), twelve);
    ASSERT_FALSE(bob.window.Output()->Lines().empty());
    EXPECT_EQ(bob.window.Output()->Lines().back().text.toStdString(), summary);

    // Cancel changes nothing and sends nothing.
    window->SetSettingsRunner(answer(editable, QStringLiteral("20"), false));
    window->OnCommand(CBughouseSession::kSettingsId);
    // A client sees the dialog read-only; its OK sends nothing.
    bob.window.SetSettingsRunner(answer(editable, QStringLiteral("20"), true));
    bob.window.OnCommand(CBughouseSession::kSettingsId);
    EXPECT_FALSE(editable);
    Pump(150);
    EXPECT_EQ(cid.Count(MSG_SETTINGS), 1);
    EXPECT_EQ(settings.GetGameTime().Milliseconds(), twelve);

    // During a game the rules are read-only, and OK leaves the running clocks alone.
    Start();
    ASSERT_TRUE(WaitUntil([&] { return bob.window.Session().IsGameRunning(); }));
    window->Panel(0)->SetTime(ClockTime(5000));
    window->SetSettingsRunner(answer(editable, QStringLiteral("20"), true));
    window->OnCommand(CBughouseSession::kSettingsId);
    EXPECT_FALSE(editable);
    EXPECT_LE(window->Panel(0)->GetTime().Milliseconds(), 5000);
    Pump(150);
    EXPECT_EQ(cid.Count(MSG_SETTINGS), 1);
}

// Rules and Help show their pages, at any time, in one help window.
TEST_F(BughouseWndTest, RulesAndHelpShowTheirPages)
{
    Join("Bob");
    Start();
    const struct
    {
        int button;
        const char* title;
        const char* page;
    } pages[] = {
        {CBughouseSession::kRulesId, "Bughouse Rules", "/Bughouse Rules.htm"},
        {CBughouseSession::kHelpId, "Network Bughouse Help", "/Network Bughouse.htm"},
        {CBughouseSession::kRulesId, "Bughouse Rules", "/Bughouse Rules.htm"},
    };
    CHtmlDlg* first = nullptr;
    for (const auto& p : pages)
    {
        SCOPED_TRACE(p.title);
        EXPECT_TRUE(Enabled(p.button));
        window->OnCommand(p.button);
        CHtmlDlg* help = window->HelpDialog();
        ASSERT_NE(help, nullptr);
        first = first == nullptr ? help : first;
        EXPECT_EQ(help, first) << "one help window, shown again";
        EXPECT_EQ(help->windowTitle(), QString::fromLatin1(p.title));
        EXPECT_TRUE(help->Address().endsWith(QString::fromLatin1(p.page)));
        EXPECT_TRUE(QFileInfo(help->Address()).isFile()) << qPrintable(help->Address());
        EXPECT_TRUE(help->isVisible());
        EXPECT_FALSE(help->isModal());
    }
    EXPECT_TRUE(window->Session().IsGameRunning()) << "a look at the rules does not stop the game";
}

namespace
{
// Sends the scripted player's chat line and waits until each of the others
// has it: what the player sent before it would have arrived before it.
void Marker(CScriptedPlayer& from, const QString& name, const QString& text,
            const std::vector<CScriptedPlayer*>& others)
{
    ASSERT_TRUE(from.SendMessage(CBughouseProtocol::MakeChat(name, text)));
    for (CScriptedPlayer* other : others)
    {
        ASSERT_TRUE(WaitUntil([&] {
            const auto chat = CBughouseProtocol::ReadChat(other->Last(MSG_CHAT));
            return chat && chat->second == text;
        }));
    }
}
} // namespace

// A draw acceptance ends the match only while an offer is open to the player
// who sends it: at the server, which then passes it on, and at every program.
TEST_F(BughouseWndTest, ADrawAcceptedCountsOnlyWhileAnOfferIsOpenToItsSender)
{
    // Ann (server) and Bob (a real client program) against Cid and Dee.
    CClientProgram bob(link->GetPort(), QStringLiteral("Bob"));
    ASSERT_TRUE(WaitUntil([&] { return roster.Count() == 2; }));
    CScriptedPlayer& cid = Join("Cid");
    CScriptedPlayer& dee = Join("Dee");
    ASSERT_EQ(RosterOrder(), "ADBC");
    window->OnCommand(CBughouseSession::kRotatePlayersId);
    window->OnCommand(CBughouseSession::kRotatePlayersId);
    ASSERT_EQ(RosterOrder(), "ABCD");
    ASSERT_TRUE(WaitUntil([&] { return bob.window.Session().LocalSeat() == 1 && bob.roster.Count() == 4; }));
    Start();
    ASSERT_TRUE(WaitUntil([&] { return bob.window.Session().IsGameRunning(); }));

    // No offer at all: the server neither counts nor passes it on.
    ASSERT_TRUE(dee.SendMessage(CNetMessage(MSG_DRAW_ACCEPTED)));
    Marker(dee, QStringLiteral("Dee"), QStringLiteral("1"), {&cid});
    EXPECT_TRUE(window->Session().IsGameRunning());
    EXPECT_FALSE(cid.Has(MSG_DRAW_ACCEPTED));
    // Nor does a client program, should a server pass one on.
    bob.window.Session().HandleGameMessage(CNetMessage(MSG_DRAW_ACCEPTED));
    EXPECT_TRUE(bob.window.Session().IsGameRunning());
    EXPECT_EQ(bob.roster.Draws(), 0);

    // Ann offers with e4: open to Cid and Dee. Cid answers d5, Ann a3, Cid h6:
    // Cid's second move on the board lapses the offer for Cid.
    window->OnCommand(CBughouseSession::kOfferDrawId);
    Drag(window->View(0), CCoordinate(1, 3), CCoordinate(3, 3));
    ASSERT_TRUE(WaitUntil([&] { return cid.Has(MSG_MOVE) && bob.window.Session().IsOfferOpenTo(2); }));
    EXPECT_TRUE(window->Session().IsOfferOpenTo(2));
    EXPECT_TRUE(window->Session().IsOfferOpenTo(3));
    EXPECT_FALSE(window->Session().IsOfferOpenTo(1)) << "the partner is not offered a draw";
    Play(cid, Move(2, 1, 6, 4, 4, 4));
    EXPECT_TRUE(window->Session().IsOfferOpenTo(2)) << "a move may have crossed the offer";
    Drag(window->View(0), CCoordinate(1, 7), CCoordinate(2, 7));
    Play(cid, Move(2, 1, 6, 0, 5, 0));
    EXPECT_FALSE(window->Session().IsOfferOpenTo(2));
    ASSERT_TRUE(cid.SendMessage(CNetMessage(MSG_DRAW_ACCEPTED)));
    Marker(cid, QStringLiteral("Cid"), QStringLiteral("2"), {&dee});
    EXPECT_TRUE(window->Session().IsGameRunning());
    EXPECT_FALSE(dee.Has(MSG_DRAW_ACCEPTED));

    // Dee has not moved since: the offer stands for Dee, and counts everywhere.
    ASSERT_TRUE(bob.window.Session().IsOfferOpenTo(3));
    ASSERT_TRUE(dee.SendMessage(CNetMessage(MSG_DRAW_ACCEPTED)));
    ASSERT_TRUE(WaitUntil([&] { return !window->Session().IsGameRunning(); }));
    EXPECT_EQ(roster.Draws(), 1);
    EXPECT_EQ(CMessageService::History().back().text, QStringLiteral("Game is a draw !"));
    ASSERT_TRUE(WaitUntil([&] { return cid.Has(MSG_DRAW_ACCEPTED) && !bob.window.Session().IsGameRunning(); }));
    EXPECT_EQ(bob.roster.Draws(), 1);
}

// The server judges a move or drop on its own board before passing it on: one
// its board refuses reaches no other player; the game is aborted instead.
TEST_F(BughouseWndTest, AMoveOrDropTheServersBoardRefusesReachesNoOtherPlayer)
{
    SeatFour();
    CScriptedPlayer& bob = *players[0];
    CScriptedPlayer& cid = *players[1];
    CScriptedPlayer& dee = *players[2];

    // Cid (black) moves before Ann has.
    Start();
    Play(cid, Move(2, 1, 6, 3, 4, 3));
    EXPECT_FALSE(window->Session().IsGameRunning());
    for (CScriptedPlayer* other : {&bob, &dee})
    {
        ASSERT_TRUE(WaitUntil([&] { return other->Count(MSG_GAME_ABORTED) == 1; }));
        EXPECT_FALSE(other->Has(MSG_MOVE));
    }

    // Dee drops a pawn Dee does not hold, then moves a knight like a bishop.
    for (const CNetMessage& refused : {Drop(3, 0, 3, 3, PIECE_PAWN), Move(3, 0, 0, 1, 2, 3)})
    {
        SCOPED_TRACE(refused.GetId());
        const int aborted = bob.Count(MSG_GAME_ABORTED);
        Start();
        Play(dee, refused);
        EXPECT_FALSE(window->Session().IsGameRunning());
        for (CScriptedPlayer* other : {&bob, &cid})
        {
            ASSERT_TRUE(WaitUntil([&] { return other->Count(MSG_GAME_ABORTED) == aborted + 1; }));
            EXPECT_FALSE(other->Has(MSG_DROP));
            EXPECT_FALSE(other->Has(MSG_MOVE));
        }
    }

    // What the board takes is passed on as before.
    Start();
    Play(dee, Move(3, 0, 1, 3, 3, 3));
    EXPECT_TRUE(window->Session().IsGameRunning());
    for (CScriptedPlayer* other : {&bob, &cid})
        ASSERT_TRUE(WaitUntil([&] { return other->Has(MSG_MOVE); }));
}

TEST_F(BughouseWndTest, AFlippedViewSendsItsMovesWithTheGamesOrientation)
{
    SeatFour();
    Start();
    CScriptedPlayer& cid = *players[1];
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    const bool flipped[2] = {window->View(0)->IsFlipped(), window->View(1)->IsFlipped()};
    const QRect panels[2] = {window->Panel(0)->geometry(), window->Panel(1)->geometry()};
    const size_t heard = cid.received.size();
    window->View(0)->setFocus();
    QTest::keyClick(window->View(0), Qt::Key_F);
    ASSERT_TRUE(window->IsViewTurned());
    EXPECT_NE(window->View(0)->IsFlipped(), flipped[0]);
    EXPECT_NE(window->View(1)->IsFlipped(), flipped[1]);
    EXPECT_EQ(window->Panel(0)->geometry(), panels[1]) << "the panels under a board trade places";
    EXPECT_EQ(window->Panel(1)->geometry(), panels[0]);
    Pump();
    EXPECT_EQ(cid.received.size(), heard) << "turning the view sends nothing";

    // e4 by two clicks on the turned view goes out as White's move on an ordinary board.
    CBoardView* view = window->View(0);
    QTest::mouseClick(view, Qt::LeftButton, {}, view->SquareRect(CCoordinate(1, 3)).center());
    QTest::mouseClick(view, Qt::LeftButton, {}, view->SquareRect(CCoordinate(3, 3)).center());
    ASSERT_TRUE(WaitUntil([&] { return cid.Has(MSG_MOVE); }));
    const auto move = CBughouseProtocol::ReadMove(cid.Last(MSG_MOVE), window->Session().Seats(), 2,
                                                  CBughouseProtocol::kMaxGameTimeMs);
    ASSERT_TRUE(move.has_value());
    EXPECT_EQ(move->orientation, 0);
    EXPECT_EQ(move->from, CCoordinate(1, 3));
    EXPECT_EQ(move->to, CCoordinate(3, 3));
    EXPECT_EQ(window->View(0)->GetPosition().TypeAt(CCoordinate(3, 3)), PIECE_PAWN);
}

// The game of the test above, played to Bob's resignation, is the window's
// record: saved through Save Game, loaded back through Load Game and browsed
// with the keys and the browse buttons on both boards.
TEST_F(BughouseWndTest, APlayedGameIsRecordedSavedLoadedAndBrowsedOnBothBoards)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const int save = CBughouseSession::kSaveGameId;
    const int load = CBughouseSession::kLoadGameId;
    EXPECT_FALSE(Enabled(save)); // nothing played yet
    EXPECT_TRUE(Enabled(load));
    SeatFour();
    Start();
    EXPECT_TRUE(Enabled(save));
    EXPECT_FALSE(Enabled(load));
    CScriptedPlayer& bob = *players[0];
    CScriptedPlayer& cid = *players[1];
    CScriptedPlayer& dee = *players[2];
    Drag(window->View(0), CCoordinate(1, 3), CCoordinate(3, 3));
    ASSERT_TRUE(WaitUntil([&] { return cid.Has(MSG_MOVE); }));
    Play(cid, Move(2, 1, 6, 4, 4, 4));
    Drag(window->View(0), CCoordinate(1, 7), CCoordinate(2, 7));
    Play(cid, Move(2, 1, 4, 4, 3, 3));
    Play(dee, Move(3, 0, 1, 7, 2, 7));
    Play(bob, Move(1, 1, 6, 0, 4, 0));
    Play(dee, Drop(3, 0, 6, 0, PIECE_PAWN));
    Play(bob, Move(1, 1, 6, 7, 5, 7));
    Play(dee, Move(3, 0, 6, 0, 7, 1, PIECE_QUEEN));
    Play(bob, Move(1, 1, 7, 0, 7, 1));
    // Ann drops the pawn that was a queen.
    const CBoardView& mine = *window->View(0);
    ASSERT_EQ(mine.GetPosition().Holdings(COLOUR_WHITE, PIECE_PAWN), 1);
    ASSERT_TRUE(window->Session().RequestDrop(0, CCoordinate(5, 3), PIECE_PAWN));
    Play(bob, CBughouseProtocol::MakeSeatMessage(MSG_RESIGN, 1));
    ASSERT_FALSE(window->Session().IsGameRunning());

    const CBpgnGame& game = window->Session().Record().Game();
    std::string texts;
    for (const CBpgnMove& move : game.moves)
        texts += std::string(move.board == 0 ? "A:" : "B:") + move.san.Str() + ' ';
    EXPECT_EQ(texts, "A:e4 A:d5 A:a3 A:dxe4 B:a3 B:h5 B:P@h7 B:a6 B:hxg8=Q B:Rxg8 A:P@e6 ");
    EXPECT_EQ(game.moves[1].clockMs, 250000); // as Cid's program sent it
    ASSERT_TRUE(game.moves[0].clockMs.has_value());
    EXPECT_GT(*game.moves[0].clockMs, 290000); // Ann's own clock
    EXPECT_LE(*game.moves[0].clockMs, 300000);
    EXPECT_EQ(game.Player(0, COLOUR_WHITE), "Ann");
    EXPECT_EQ(game.Player(0, COLOUR_BLACK), "Cid");
    EXPECT_EQ(game.Player(1, COLOUR_WHITE), "Dee");
    EXPECT_EQ(game.Player(1, COLOUR_BLACK), "Bob");
    EXPECT_EQ(game.result, "0-1"); // Bob, Ann's partner, resigned
    EXPECT_EQ(game.Tag("TimeControl"), "300+0");

    // Save Game: the dialog proposes the teams and the counter; the extension is added.
    QString suggestedName;
    window->SetFileChooser([&](bool saving, const QString&, const QString& suggested) {
        suggestedName = suggested;
        return saving ? dir.filePath(QStringLiteral("match")) : dir.filePath(QStringLiteral("match.bpgn"));
    });
    QTest::mouseClick(window->Button(save), Qt::LeftButton);
    EXPECT_EQ(suggestedName, QStringLiteral("Ann & Bob - Cid & Dee Game 1"));
    ASSERT_TRUE(QFileInfo::exists(dir.filePath(QStringLiteral("match.bpgn"))));
    EXPECT_EQ(window->Session().SaveFolder(), dir.path());

    // The game just played is browsed with its own players on the panels,
    // even after the seats have changed; changing them again goes back to its end.
    window->OnCommand(CBughouseSession::kRotatePlayersId);
    ASSERT_EQ(RosterOrder(), "ADBC");
    EXPECT_EQ(window->Panel(1)->NameText(), QStringLiteral("Bob")); // Ann's opponent now
    window->activateWindow();
    window->View(0)->setFocus();
    QTest::keyClick(window->View(0), Qt::Key_Home);
    EXPECT_EQ(window->Session().Record().Ply(), 0u);
    EXPECT_EQ(window->Panel(1)->NameText(), QStringLiteral("Cid"));
    EXPECT_EQ(window->Panel(2)->NameText(), QStringLiteral("Bob"));
    EXPECT_FALSE(window->View(0)->GetPosition().IsOccupied(CCoordinate(3, 3)));
    window->OnCommand(CBughouseSession::kRotatePlayersId);
    window->OnCommand(CBughouseSession::kRotatePlayersId);
    ASSERT_EQ(RosterOrder(), "ABCD");
    EXPECT_EQ(window->Session().Record().Ply(), 11u);
    EXPECT_EQ(window->Panel(1)->ShownName(), QString());
    EXPECT_EQ(window->View(0)->GetPosition().PieceAt(CCoordinate(5, 3)), MakePieceCode(COLOUR_WHITE, PIECE_PAWN));

    // Load Game at the server with its players still seated: only this
    // program's view changes, and nobody is sent anything.
    const size_t bobHad = bob.received.size();
    QTest::mouseClick(window->Button(load), Qt::LeftButton);
    ASSERT_TRUE(window->Session().Record().IsLoaded());
    EXPECT_EQ(window->Panel(0)->NameText(), QStringLiteral("Ann"));
    EXPECT_EQ(window->Panel(1)->NameText(), QStringLiteral("Cid"));
    EXPECT_EQ(window->Panel(2)->NameText(), QStringLiteral("Bob"));
    EXPECT_EQ(window->Panel(3)->NameText(), QStringLiteral("Dee"));
    EXPECT_FALSE(window->View(0)->IsFlipped());
    EXPECT_TRUE(window->View(1)->IsFlipped());
    EXPECT_EQ(roster.Count(), 4);

    // Browsing: Home shows both initial positions, Right one ply at a time.
    const CChessPosition& a = window->View(0)->GetPosition();
    const CChessPosition& b = window->View(1)->GetPosition();
    EXPECT_EQ(a.PieceAt(CCoordinate(5, 3)), MakePieceCode(COLOUR_WHITE, PIECE_PAWN)); // the last ply, P@e6
    window->activateWindow();
    window->View(0)->setFocus();
    QTest::keyClick(window->View(0), Qt::Key_Home);
    EXPECT_EQ(window->Session().Record().Ply(), 0u);
    EXPECT_FALSE(a.IsOccupied(CCoordinate(3, 3)));
    EXPECT_FALSE(window->BrowseButton(0)->isEnabled());
    EXPECT_TRUE(window->BrowseButton(2)->isEnabled());
    for (int i = 0; i < 7; ++i)
        QTest::keyClick(window->View(0), Qt::Key_Right);
    // Seven plies: dxe4 on board A, and on board B the pawn dropped on h7.
    EXPECT_EQ(window->Session().Record().Ply(), 7u);
    EXPECT_EQ(a.PieceAt(CCoordinate(3, 3)), MakePieceCode(COLOUR_BLACK, PIECE_PAWN));
    EXPECT_EQ(b.PieceAt(CCoordinate(6, 0)), MakePieceCode(COLOUR_WHITE, PIECE_PAWN));
    EXPECT_EQ(b.Holdings(COLOUR_WHITE, PIECE_PAWN), 0);
    // Each panel's clock shows its player's time at that ply.
    EXPECT_EQ(window->Panel(1)->GetTime().Milliseconds(), 250000);
    QTest::mouseClick(window->BrowseButton(1), Qt::LeftButton);
    EXPECT_EQ(window->Session().Record().Ply(), 6u);
    EXPECT_FALSE(b.IsOccupied(CCoordinate(6, 0)));
    EXPECT_EQ(b.Holdings(COLOUR_WHITE, PIECE_PAWN), 1);
    QTest::mouseClick(window->BrowseButton(3), Qt::LeftButton);
    EXPECT_EQ(window->Session().Record().Ply(), 11u);
    EXPECT_FALSE(window->BrowseButton(3)->isEnabled());
    // The chat input keeps Home and Left for its text.
    window->ChatInput()->setText(QStringLiteral("gg"));
    window->ChatInput()->setFocus();
    QTest::keyClick(window->ChatInput(), Qt::Key_Home);
    QTest::keyClick(window->ChatInput(), Qt::Key_Left);
    EXPECT_EQ(window->Session().Record().Ply(), 11u);
    EXPECT_EQ(window->ChatInput()->cursorPosition(), 0);
    EXPECT_EQ(bob.received.size(), bobHad);

    // A broken file is refused with the message, and the loaded game stays.
    const QString brokenPath = dir.filePath(QStringLiteral("broken.bpgn"));
    {
        QFile broken(brokenPath);
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("[WhiteA \"X\"]\n\n1A. e4 1a. e4 *\n");
    }
    window->SetFileChooser([&](bool, const QString&, const QString&) { return brokenPath; });
    CMessageService::ClearHistory();
    QTest::keyClick(window->View(0), Qt::Key_O, Qt::ControlModifier);
    ASSERT_FALSE(CMessageService::History().empty());
    EXPECT_EQ(CMessageService::History().back().text,
              QStringLiteral("An error occured while loading the BPGN file.\n\nThe file might contain invalid data."));
    EXPECT_EQ(window->Panel(3)->NameText(), QStringLiteral("Dee"));
    EXPECT_EQ(window->Session().Record().Plies(), 11u);

    // Start leaves the loaded game: the table's players and views come back.
    Start();
    EXPECT_FALSE(window->Session().Record().IsLoaded());
    EXPECT_EQ(window->Panel(2)->NameText(), QStringLiteral("Bob"));
    EXPECT_EQ(window->Panel(2)->ShownName(), QString());
    EXPECT_EQ(window->Session().Record().Plies(), 0u);
}

TEST_F(BughouseWndTest, ASaveThatFailsSaysSo)
{
    Join("Bob");
    Start();
    window->OnCommand(CBughouseSession::kAbortGameId);
    ASSERT_FALSE(window->Session().IsGameRunning());
    EXPECT_EQ(window->Session().Record().Game().result, "*");
    window->SetFileChooser(
        [](bool, const QString&, const QString&) { return QStringLiteral("/nonexistent/dir/x.bpgn"); });
    CMessageService::ClearHistory();
    window->OnCommand(CBughouseSession::kSaveGameId);
    ASSERT_FALSE(CMessageService::History().empty());
    EXPECT_EQ(CMessageService::History().back().text, QStringLiteral("An error occured while saving the BPGN file."));
    EXPECT_EQ(window->Session().SaveCounter(), 2);
}
