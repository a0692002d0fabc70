// Engines in the seats of a bughouse game, played by a scripted fake engine:
// seating and names, removal between games only, what the engines are told,
// and the judging of their moves, drops and clocks.
#include "SessionTestSupport.h"

#include "BughouseEngineSeats.h"
#include "BughouseSession.h"
#include "GameSettings.h"
#include "IBughouseEngineFactory.h"
#include "IChessEngine.h"
#include "IChessEngineEx.h"
#include "IChessEngineListenerEx.h"
#include "NetConnection.h"
#include "NetProtocol.h"
#include "PlayerRoster.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace SessionTest;
using S = CBughouseSession;

namespace
{
std::string Square(int file, int rank)
{
    // Files count from the h-file across the engine interface.
    return {static_cast<char>('h' - file), static_cast<char>('1' + rank)};
}

// An engine object that writes down what it is told, and plays what the test
// makes it play. It answers at once on the thread it is called on.
class CFakeEngine final : public IChessEngine, public IChessEngineEx
{
public:
    explicit CFakeEngine(std::string name, bool bughouse) : m_Name(std::move(name)), m_Bughouse(bughouse) {}

    const char* GetName() override { return m_Name.c_str(); }
    bool Start() override { return true; }
    bool Quit() override { return true; }
    void SetListener(IChessEngineListener* listener) override { m_Listener = listener; }
    bool SetColour(int32_t colour) override
    {
        m_White = colour == 2;
        return m_White;
    }
    bool Reserved() override { return true; }
    void Configure() override {}
    void ClearMoves() override {}
    void AddMove(int32_t, int32_t, int32_t, int32_t, int32_t) override {}
    bool StartGame(int32_t base, int32_t increment) override
    {
        log.push_back("game " + std::to_string(base) + " " + std::to_string(increment) +
                      (m_White ? " white" : " black"));
        return true;
    }
    bool OpponentMove(int32_t fromFile, int32_t fromRank, int32_t toFile, int32_t toRank, int32_t, int32_t own,
                      int32_t other) override
    {
        log.push_back("move " + Square(fromFile, fromRank) + Square(toFile, toRank));
        clocks = {own, other};
        return true;
    }
    bool StopGame() override
    {
        log.push_back("stop");
        return true;
    }
    void Destroy() override { destroyed = true; }

    int32_t GetVersion() override { return 2; }
    void SetListenerEx(IChessEngineListenerEx* listener) override { m_ListenerEx = listener; }
    void StartAsync() override
    {
        if (m_ListenerEx != nullptr && readyOnStart)
            m_ListenerEx->OnEngineReady(this, m_Name.c_str(), m_Bughouse ? ENGINE_CAN_BUGHOUSE : 0);
    }
    void KeepEngineForColour() override {}
    bool SetStartPosition(const char*) override { return true; }
    void SetTimePerMove(int32_t) override {}
    void SetPondering(bool) override {}
    void TakeBackTo(int32_t) override {}
    void StopThinking() override {}
    bool Go(int32_t, int32_t) override { return true; }
    void GameOver(int32_t, const char*) override {}
    bool SetVariant(const char* variant) override
    {
        return std::string(variant) != kEngineVariantBughouse || m_Bughouse || !refuseVariantAtOnce;
    }
    void AddDrop(int32_t, int32_t, int32_t) override {}
    bool OpponentDrop(int32_t piece, int32_t file, int32_t rank, int32_t, int32_t) override
    {
        log.push_back(std::string("drop ") + "PRNBQ"[piece] + "@" + Square(file, rank));
        return true;
    }
    void SetHoldings(const char* holdings) override { log.push_back(std::string("holding ") + holdings); }

    // The engine plays, as its plug-in reports it.
    void Play(const char* text)
    {
        const CMove move = SessionTest::Move(text);
        m_ListenerEx->OnEngineMoveEx(this, move.from.Column(), move.from.Row(), move.to.Column(), move.to.Row(), 0,
                                     text);
    }
    void Drop(PieceType piece, const char* square, const char* text)
    {
        const CCoordinate to = SessionTest::Move((std::string(square) + square).c_str()).to;
        m_ListenerEx->OnEngineDropEx(this, piece, to.Column(), to.Row(), text);
    }
    void Tell(const char* text) { m_ListenerEx->OnEnginePartnerMessage(this, text); }
    void Fail(const char* text) { m_ListenerEx->OnEngineFailed(this, ENGINE_FAILURE_DIED, text); }
    [[nodiscard]] bool Was(const std::string& line) const
    {
        return std::find(log.begin(), log.end(), line) != log.end();
    }
    [[nodiscard]] size_t IndexOf(const std::string& line) const
    {
        return static_cast<size_t>(std::find(log.begin(), log.end(), line) - log.begin());
    }

    std::vector<std::string> log;
    std::pair<int32_t, int32_t> clocks{};
    bool destroyed = false;
    bool readyOnStart = true;
    bool refuseVariantAtOnce = true;

private:
    std::string m_Name;
    bool m_Bughouse;
    bool m_White = true;
    IChessEngineListener* m_Listener = nullptr;
    IChessEngineListenerEx* m_ListenerEx = nullptr;
};

class CFakeFactory : public IBughouseEngineFactory
{
public:
    QStringList EngineNames() const override
    {
        return {QStringLiteral("Sjeng"), QStringLiteral("Fairy-Stockfish"), QStringLiteral("Plain"),
                QStringLiteral("Quiet")};
    }
    IChessEngine* Create(const QString& name) override
    {
        if (!EngineNames().contains(name))
            return nullptr;
        made.push_back(std::make_unique<CFakeEngine>(name.toStdString(), name != QStringLiteral("Plain") &&
                                                                             name != QStringLiteral("Quiet")));
        // "Quiet" tells only at its start that it plays no bughouse.
        made.back()->refuseVariantAtOnce = name != QStringLiteral("Quiet");
        return made.back().get();
    }
    IChessEngineEx* Extension(IChessEngine* engine) const override { return static_cast<CFakeEngine*>(engine); }
    void Destroy(IChessEngine* engine) override
    {
        if (engine != nullptr)
            engine->Destroy();
    }
    [[nodiscard]] int Alive() const
    {
        return static_cast<int>(std::count_if(made.begin(), made.end(), [](const auto& e) { return !e->destroyed; }));
    }

    std::vector<std::unique_ptr<CFakeEngine>> made;
};

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000)
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

// The server's program, Ann at seat 0, with engine seats.
struct Server
{
    CFakeFactory factory; // outlives the session
    GameSettings settings;
    PlayerRoster roster;
    CNetConnection link{roster, settings};
    S session{settings, roster, link};
    RecordingObserver observer;

    Server()
    {
        settings.SetGameTime(0, 5, 0);
        session.SetObserver(&observer);
        link.SetMode(GAME_MODE_DOUBLE);
        link.SetGameWindows(nullptr, &session);
        EXPECT_TRUE(link.StartServer(0));
        roster.SetNickname(QStringLiteral("Ann"));
        roster.SetEntry(0, PlayerEntry{QStringLiteral("Ann"), 0, COLOUR_WHITE, 0});
        session.Open();
        session.EnableEngineSeats(factory);
    }
    ~Server() { link.Leave(false); }

    CBughouseEngineSeats& Seats() { return *session.EngineSeats(); }
    CFakeEngine& Engine(const char* nickname, int seatBoard = 0)
    {
        return *static_cast<CFakeEngine*>(Seats().EngineOf(QString::fromUtf8(nickname), seatBoard));
    }
    QStringList Names() const
    {
        QStringList names;
        for (int i = 0; i < roster.Count(); ++i)
            names << roster.GetEntry(i).name;
        return names;
    }
    // Ann with Fairy-Stockfish as partner against Sjeng and Sjeng 2: Ann
    // white against Sjeng on board 0, Sjeng 2 white against Fairy-Stockfish
    // on board 1.
    void SeatThree()
    {
        EXPECT_FALSE(Seats().Add(QStringLiteral("Sjeng")).isEmpty());
        EXPECT_FALSE(Seats().Add(QStringLiteral("Sjeng")).isEmpty());
        EXPECT_FALSE(Seats().Add(QStringLiteral("Fairy-Stockfish")).isEmpty());
    }
};

const char* const kSjeng = "Sjeng (Computer)";
const char* const kSjeng2 = "Sjeng (Computer) 2";
const char* const kFairy = "Fairy-Sto (Computer)";
} // namespace

TEST(BughouseEngineSeats, SeatsEnginesByTheAdmissionRuleWithUniqueNames)
{
    Server server;
    EXPECT_EQ(Mismatches(server.session, {{S::kAddComputerId, true, true},
                                          {S::kRemoveComputerId, true, false},
                                          {S::kTimeCallId, false, false},
                                          {S::kAbortGameId, false, false}}),
              std::vector<std::string>{});
    EXPECT_EQ(server.Seats().Add(QStringLiteral("Sjeng")), QString::fromUtf8(kSjeng));
    EXPECT_EQ(server.Seats().Add(QStringLiteral("Sjeng")), QString::fromUtf8(kSjeng2));
    EXPECT_EQ(server.Names(), (QStringList{"Ann", kSjeng, kSjeng2}));
    // The fourth joins the lone server as its partner; the name is cut to
    // the longest nickname peers take.
    EXPECT_EQ(server.Seats().Add(QStringLiteral("Fairy-Stockfish")), QString::fromUtf8(kFairy));
    EXPECT_EQ(server.Names(), (QStringList{"Ann", kFairy, kSjeng, kSjeng2}));
    EXPECT_TRUE(server.session.Seats().SeatZeroFlag());
    EXPECT_EQ(server.session.Seats().PartnerOf(0), 1);
    EXPECT_TRUE(server.session.Seats().IsValid());
    EXPECT_TRUE(server.observer.notices.contains(QStringLiteral("Sjeng (Computer) 2 joins the game")));
    EXPECT_EQ(Mismatches(server.session, {{S::kAddComputerId, true, false},
                                          {S::kRemoveComputerId, true, true},
                                          {S::kStartId, true, true},
                                          {S::kSwitchPartnerId, true, true}}),
              std::vector<std::string>{});
    EXPECT_TRUE(server.Seats().Add(QStringLiteral("Sjeng")).isEmpty()) << "no free seat";
    EXPECT_EQ(server.factory.Alive(), 3);
    // The nickname carries the mark; the panels add none of their own.
    for (int panel = 0; panel < 4; ++panel)
        EXPECT_FALSE(server.session.PanelComputerMark(panel));
}

TEST(BughouseEngineSeats, AnEngineThatPlaysNoBughouseIsRefused)
{
    Server server;
    EXPECT_TRUE(server.Seats().Add(QStringLiteral("Plain")).isEmpty());
    EXPECT_TRUE(server.Seats().Add(QStringLiteral("Unknown")).isEmpty());
    EXPECT_EQ(server.roster.Count(), 1);
    EXPECT_TRUE(server.observer.notices.contains(QStringLiteral("Plain does not play bughouse and leaves its seat.")));
    // One known to lack it only once it runs leaves its seat then.
    EXPECT_TRUE(server.Seats().Add(QStringLiteral("Quiet")).isEmpty() || server.roster.Count() == 1);
    EXPECT_EQ(server.roster.Count(), 1);
    EXPECT_EQ(server.factory.Alive(), 0);
    // Neither is offered again this session.
    EXPECT_EQ(server.Seats().EngineNames(), (QStringList{"Sjeng", "Fairy-Stockfish"}));
}

TEST(BughouseEngineSeats, EnginesLeaveTheirSeatsOnlyBetweenGames)
{
    Server server;
    server.SeatThree();
    ASSERT_TRUE(server.session.Command(S::kStartId));
    ASSERT_TRUE(server.session.IsRunning());
    // During a game their rows hold Time Call and Abort Game again.
    EXPECT_EQ(Mismatches(server.session, {{S::kAddComputerId, false, false},
                                          {S::kRemoveComputerId, false, false},
                                          {S::kTimeCallId, true, false},
                                          {S::kAbortGameId, true, true}}),
              std::vector<std::string>{});
    EXPECT_FALSE(server.Seats().Remove(QString::fromUtf8(kSjeng)));
    EXPECT_EQ(server.roster.Count(), 4);

    ASSERT_TRUE(server.session.Command(S::kAbortGameId));
    EXPECT_TRUE(server.Engine(kSjeng).Was("stop"));
    EXPECT_TRUE(server.Seats().Remove(QString::fromUtf8(kSjeng)));
    EXPECT_EQ(server.Names(), (QStringList{"Ann", kFairy, kSjeng2}));
    EXPECT_EQ(server.factory.Alive(), 2);
    EXPECT_TRUE(server.observer.notices.contains(QStringLiteral("Sjeng (Computer) leaves")));
    EXPECT_FALSE(server.Seats().Remove(QStringLiteral("Ann"))) << "people are not engines";

    // Leaving the window ends every engine.
    server.session.Leave();
    EXPECT_EQ(server.factory.Alive(), 0);
}

TEST(BughouseEngineSeats, EnginesLearnTheirBoardTheirHoldingsFirstAndNoIncrement)
{
    Server server;
    server.settings.SetNbSecondsBonus(5);
    server.SeatThree();
    ASSERT_TRUE(server.session.Command(S::kStartId));
    CFakeEngine& sjeng = server.Engine(kSjeng);
    CFakeEngine& sjeng2 = server.Engine(kSjeng2);
    CFakeEngine& fairy = server.Engine(kFairy);
    EXPECT_TRUE(sjeng.Was("game 300 0 black"));
    EXPECT_TRUE(sjeng2.Was("game 300 0 white"));
    EXPECT_TRUE(fairy.Was("game 300 0 black"));

    // Board 0: Ann (white) against Sjeng.
    ASSERT_TRUE(server.session.RequestMove(0, Move("e2e4"), 0));
    EXPECT_TRUE(sjeng.Was("move e2e4"));
    EXPECT_GT(sjeng.clocks.first, 29000);
    EXPECT_LE(sjeng.clocks.first, 30000);
    sjeng.Play("d7d5");
    EXPECT_EQ(server.session.Position(0).SideToMove(), COLOUR_WHITE);
    // Ann takes a black pawn: it goes to Fairy-Stockfish, black on board 1,
    // which learns it before Sjeng 2 moves there.
    ASSERT_TRUE(server.session.RequestMove(0, Move("e4d5"), 0));
    EXPECT_TRUE(fairy.Was("holding p"));
    EXPECT_FALSE(sjeng.Was("holding p")) << "the board of the capture is the engine's own";
    sjeng2.Play("e2e4");
    EXPECT_TRUE(fairy.Was("move e2e4"));
    EXPECT_LT(fairy.IndexOf("holding p"), fairy.IndexOf("move e2e4"));
    fairy.Drop(PIECE_PAWN, "d4", "P@d4");
    EXPECT_EQ(server.session.Position(1).SideToMove(), COLOUR_WHITE);
    EXPECT_EQ(server.session.Position(1).Holdings(COLOUR_BLACK, PIECE_PAWN), 0);
    EXPECT_TRUE(sjeng2.Was("drop P@d4"));
    EXPECT_TRUE(server.session.IsRunning());

    // A partner message shows in the chat as that seat's line.
    int lines = 0;
    struct ChatCount : RecordingObserver
    {
        int* lines;
        void OnChatLine(const QString& nickname, const QString& text, bool own) override
        {
            if (nickname == QString::fromUtf8(kFairy) && text == QStringLiteral("go") && !own)
                ++*lines;
        }
    } chat;
    chat.lines = &lines;
    server.session.SetObserver(&chat);
    fairy.Tell("go");
    EXPECT_EQ(lines, 1);
    server.session.SetObserver(&server.observer);
}

TEST(BughouseEngineSeats, AnIllegalEngineMoveOrDropLosesForItsTeam)
{
    {
        Server server;
        server.SeatThree();
        ASSERT_TRUE(server.session.Command(S::kStartId));
        server.Engine(kSjeng2).Play("e2e5");
        EXPECT_FALSE(server.session.IsRunning());
        EXPECT_EQ(
            server.observer.messages,
            QStringList{QStringLiteral("Sjeng (Computer) 2 has played an illegal move: e2e5\nYou win the game !")});
        EXPECT_EQ(server.roster.Victories(), 1);
        EXPECT_TRUE(server.Engine(kSjeng2).Was("stop"));
    }
    {
        Server server;
        server.SeatThree();
        ASSERT_TRUE(server.session.Command(S::kStartId));
        server.Engine(kSjeng2).Play("e2e4");
        server.Engine(kFairy).Drop(PIECE_KNIGHT, "d4", "N@d4");
        EXPECT_FALSE(server.session.IsRunning());
        EXPECT_EQ(
            server.observer.messages,
            QStringList{QStringLiteral("Fairy-Sto (Computer) has played an illegal move: N@d4\nYou lose the game !")});
        EXPECT_EQ(server.roster.Defeats(), 1);
    }
}

TEST(BughouseEngineSeats, AMoveOutOfTurnIsNobodys)
{
    Server server;
    server.SeatThree();
    ASSERT_TRUE(server.session.Command(S::kStartId));
    server.Engine(kSjeng).Play("e7e5"); // Ann is to move on board 0
    EXPECT_TRUE(server.session.IsRunning());
    EXPECT_EQ(server.session.Position(0).SideToMove(), COLOUR_WHITE);
}

TEST(BughouseEngineSeats, ADeadEngineLosesOnItsClock)
{
    Server server;
    server.settings.SetGameTime(0, 0, 1);
    server.SeatThree();
    ASSERT_TRUE(server.session.Command(S::kStartId));
    server.Engine(kSjeng2).Fail("Sjeng has ended.");
    EXPECT_TRUE(server.observer.notices.contains(QStringLiteral("Sjeng (Computer) 2: Sjeng has ended.")));
    ASSERT_TRUE(server.session.RequestMove(0, Move("e2e4"), 0));
    // Sjeng 2 (white on board 1) never moves: its clock, kept here, runs out.
    ASSERT_TRUE(WaitUntil([&] { return !server.session.IsRunning(); }));
    EXPECT_EQ(server.observer.messages, QStringList{QStringLiteral("Opponent's time has expired\nYou win the game !")});
    EXPECT_EQ(server.roster.Victories(), 1);
}

// An engine without a partner plays both boards, with an engine of its own on each.
TEST(BughouseEngineSeats, ALoneEngineSeatPlaysBothBoards)
{
    Server server;
    ASSERT_EQ(server.Seats().Add(QStringLiteral("Sjeng")), QString::fromUtf8(kSjeng));
    EXPECT_EQ(server.Seats().EngineOf(QString::fromUtf8(kSjeng), 1), nullptr);
    ASSERT_TRUE(server.session.Command(S::kStartId));
    ASSERT_NE(server.Seats().EngineOf(QString::fromUtf8(kSjeng), 1), nullptr);
    CFakeEngine& first = server.Engine(kSjeng, 0);
    CFakeEngine& second = server.Engine(kSjeng, 1);
    EXPECT_TRUE(first.Was("game 300 0 black"));
    EXPECT_TRUE(second.Was("game 300 0 white"));
    EXPECT_EQ(server.factory.Alive(), 2);

    second.Play("d2d4");
    EXPECT_EQ(server.session.Position(1).SideToMove(), COLOUR_BLACK);
    ASSERT_TRUE(server.session.RequestMove(0, Move("e2e4"), 0));
    EXPECT_TRUE(first.Was("move e2e4"));
    EXPECT_FALSE(second.Was("move e2e4"));
    first.Play("e7e5");
    EXPECT_EQ(server.session.Position(0).SideToMove(), COLOUR_WHITE);
    EXPECT_TRUE(server.session.IsRunning());
    server.session.Leave();
    EXPECT_EQ(server.factory.Alive(), 0);
}
