// The local game's flow without a window: the command table in each state,
// the ends of games with their saved results, draw offers, takeback and
// browsing between games.
#include "SessionTestSupport.h"

#include "EngineListener.h"
#include "EngineLoader.h"
#include "FenText.h"
#include "GameSettings.h"
#include "LocalChessSession.h"
#include "PlayerRoster.h"
#include "TickSource.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

using namespace SessionTest;
using S = CLocalChessSession;

namespace
{
class LocalChessSessionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_Settings.SetWhiteEngine(QStringLiteral("Human"));
        m_Settings.SetBlackEngine(QStringLiteral("Human"));
        m_Settings.SetBottomPlayerName(QStringLiteral("Anna"));
        m_Settings.SetTopPlayerName(QStringLiteral("Boris"));
        m_Session.SetObserver(&m_Observer);
        m_Session.SetGamesFolder(m_Folder.path());
        m_Session.Open();
    }
    void TearDown() override { CTickSource::Override({}); }

    void Play(std::initializer_list<const char*> moves)
    {
        for (const char* move : moves)
            ASSERT_TRUE(m_Session.RequestMove(0, Move(move), 0)) << move;
    }
    QString InFolder(const char* name) const { return m_Folder.filePath(QString::fromLatin1(name)); }

    QTemporaryDir m_Folder;
    GameSettings m_Settings;
    PlayerRoster m_Roster;
    CEngineLoader m_Engines;
    CEngineListener m_Listener;
    S m_Session{m_Settings, m_Roster, m_Engines, m_Listener};
    RecordingObserver m_Observer;
};
} // namespace

TEST_F(LocalChessSessionTest, CommandTableInEachState)
{
    struct Step
    {
        const char* state;
        std::function<void(S&)> action;
        std::vector<Expect> expected;
    };
    const std::vector<Step> steps = {
        {"idle after Open",
         [](S&) {},
         {{S::ID_NEW_GAME, true, true},
          {S::ID_START_GAME, true, true},
          {S::ID_PAUSE_GAME, true, false},
          {S::ID_CONTINUE_GAME, false, true},
          {S::ID_ABORT_GAME, true, false},
          {S::ID_OFFER_DRAW, true, false},
          {S::ID_CANCEL_OFFER, false, true},
          {S::ID_ACCEPT_DRAW, false, true},
          {S::ID_TAKEBACK_MOVE, true, false},
          {S::ID_SWITCH_COLOR, true, true},
          {S::ID_SETTINGS, true, true},
          {S::ID_MENU, true, true}}},
        {"running before the first move",
         [](S& s) { s.NewGame(); },
         {{S::ID_START_GAME, true, false},
          {S::ID_PAUSE_GAME, true, false},
          {S::ID_ABORT_GAME, true, true},
          {S::ID_OFFER_DRAW, true, true},
          {S::ID_TAKEBACK_MOVE, true, false},
          {S::ID_SWITCH_COLOR, true, false},
          {S::ID_SETTINGS, true, false}}},
        {"running after a move",
         [](S& s) { s.RequestMove(0, Move("e2e4"), 0); },
         {{S::ID_PAUSE_GAME, true, true}, {S::ID_TAKEBACK_MOVE, true, true}}},
        {"paused",
         [](S& s) { s.PauseGame(); },
         {{S::ID_PAUSE_GAME, false, false}, {S::ID_CONTINUE_GAME, true, true}, {S::ID_ABORT_GAME, true, true}}},
        {"continued", [](S& s) { s.ContinueGame(); }, {{S::ID_PAUSE_GAME, true, true}}},
        {"own offer pending",
         [](S& s) { s.OfferDraw(); },
         {{S::ID_OFFER_DRAW, false, true}, {S::ID_CANCEL_OFFER, true, true}, {S::ID_ACCEPT_DRAW, false, true}}},
        {"offer passed on with the move",
         [](S& s) { s.RequestMove(0, Move("e7e5"), 0); },
         {{S::ID_OFFER_DRAW, false, true}, {S::ID_CANCEL_OFFER, false, true}, {S::ID_ACCEPT_DRAW, true, true}}},
        {"offer lapses when the opponent moves on",
         [](S& s) { s.RequestMove(0, Move("g1f3"), 0); },
         {{S::ID_OFFER_DRAW, true, true}, {S::ID_ACCEPT_DRAW, false, true}}},
        {"aborted",
         [](S& s) { s.AbortGame(); },
         {{S::ID_START_GAME, true, true}, {S::ID_ABORT_GAME, true, false}, {S::ID_SWITCH_COLOR, true, true}}},
    };
    for (const Step& step : steps)
    {
        step.action(m_Session);
        EXPECT_EQ(Mismatches(m_Session, step.expected), std::vector<std::string>{}) << step.state;
    }
    EXPECT_TRUE(m_Observer.messages.isEmpty());
}

TEST_F(LocalChessSessionTest, HiddenOrDisabledCommandsDoNothing)
{
    EXPECT_FALSE(m_Session.Command(S::ID_ABORT_GAME)) << "disabled while idle";
    EXPECT_FALSE(m_Session.Command(S::ID_CONTINUE_GAME)) << "hidden while not paused";
    EXPECT_FALSE(m_Session.Command(S::ID_SAVE_GAME)) << "the window's command";
    EXPECT_TRUE(m_Session.Command(S::ID_NEW_GAME));
    EXPECT_TRUE(m_Session.IsRunning());
}

TEST_F(LocalChessSessionTest, EndsOfGamesAreToldAndSavedWithTheirResult)
{
    struct Case
    {
        const char* name;
        std::vector<const char*> moves;
        const char* message;
        std::string token;
    };
    const Case cases[] = {
        {"checkmate", {"f2f3", "e7e5", "g2g4", "d8h4"}, "White is checkmate.\nBlack wins the game !", "0-1"},
        {"repetition",
         {"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1", "f6g8"},
         "Game is a draw due to three-fold repetition.",
         "1/2-1/2"},
    };
    for (const Case& c : cases)
    {
        m_Session.NewGame();
        for (const char* move : c.moves)
            ASSERT_TRUE(m_Session.RequestMove(0, Move(move), 0)) << c.name << " " << move;
        EXPECT_EQ(m_Observer.TakeMessages(), QStringList{QString::fromUtf8(c.message)}) << c.name;
        EXPECT_FALSE(m_Session.IsRunning()) << c.name;
        EXPECT_FALSE(m_Session.IsInputEnabled()) << c.name;
        EXPECT_EQ(SavedResult(m_Session, InFolder(c.name)), c.token) << c.name;
    }
}

TEST_F(LocalChessSessionTest, AbortAndTimeMarkTheLoserWithoutOrWithAMessage)
{
    uint32_t now = 5000;
    CTickSource::Override([&now] { return now; });
    m_Settings.SetGameTime(0, 1, 0);
    m_Session.NewGame();
    Play({"e2e4"});
    m_Session.AbortGame();
    EXPECT_TRUE(m_Observer.messages.isEmpty());
    EXPECT_EQ(SavedResult(m_Session, InFolder("aborted.pgn")), "1-0") << "Black was to move";

    m_Session.NewGame();
    Play({"e2e4"});
    now += 61000;
    m_Session.Clock(S::kTopPanel).OnTick();
    EXPECT_EQ(m_Observer.TakeMessages(),
              QStringList{QStringLiteral("Black's time has expired.\nWhite wins the game !")});
    EXPECT_EQ(SavedResult(m_Session, InFolder("time.pgn")), "1-0");
}

TEST_F(LocalChessSessionTest, DrawOfferLifecycle)
{
    m_Session.NewGame();
    m_Session.OfferDraw();
    EXPECT_TRUE(m_Session.IsDrawPending());
    m_Session.CancelOffer();
    EXPECT_FALSE(m_Session.IsDrawPending());
    m_Session.OfferDraw();
    Play({"e2e4"});
    EXPECT_FALSE(m_Session.IsDrawPending());
    EXPECT_TRUE(m_Session.IsDrawOffered()) << "the offer goes out with the move";
    Play({"e7e5"});
    EXPECT_FALSE(m_Session.IsDrawOffered()) << "moving on lets it lapse";
    m_Session.OfferDraw();
    Play({"g1f3"});
    ASSERT_TRUE(m_Session.Command(S::ID_ACCEPT_DRAW));
    EXPECT_EQ(m_Observer.TakeMessages(), QStringList{QStringLiteral("Game is a draw !")});
    EXPECT_TRUE(m_Session.Result().drawn);
    EXPECT_EQ(SavedResult(m_Session, InFolder("agreed.pgn")), "1/2-1/2");
}

TEST_F(LocalChessSessionTest, TakebackGivesTheMoveBackWithItsClock)
{
    m_Session.NewGame();
    Play({"e2e4", "e7e5"});
    m_Session.TakebackMove();
    EXPECT_EQ(m_Session.ShownMoves(), std::vector<std::string>{"e4"});
    EXPECT_EQ(m_Session.Position().SideToMove(), COLOUR_BLACK);
    EXPECT_TRUE(m_Session.Clock(S::kTopPanel).IsCounting());
    EXPECT_FALSE(m_Session.Clock(S::kBottomPanel).IsCounting());
    EXPECT_TRUE(m_Session.IsInputEnabled());
    Play({"c7c5"});
    EXPECT_EQ(m_Session.ShownMoves(), (std::vector<std::string>{"e4", "c5"}));
}

TEST_F(LocalChessSessionTest, BrowsingOnlyBetweenGamesAndTheTableFollows)
{
    m_Session.NewGame();
    Play({"f2f3", "e7e5", "g2g4"});
    EXPECT_FALSE(m_Session.CanStepBack()) << "no browsing while a game runs";
    Play({"d8h4"});
    m_Observer.TakeMessages();
    EXPECT_FALSE(m_Session.StateOf(S::ID_START_GAME).enabled) << "a mated position cannot be continued";
    const int reports = m_Observer.buttonReports;
    m_Session.StepBack();
    EXPECT_GT(m_Observer.buttonReports, reports);
    EXPECT_TRUE(m_Session.StateOf(S::ID_START_GAME).enabled);
    EXPECT_EQ(m_Session.ShownMoves().size(), 3u);
    EXPECT_EQ(m_Session.StepForward(), "Qh4+");
    EXPECT_FALSE(m_Session.StateOf(S::ID_START_GAME).enabled);
    m_Session.GoToStart();
    EXPECT_TRUE(m_Session.ShownMoves().empty());
    m_Session.GoToEnd();
    EXPECT_EQ(m_Session.ShownMoves().size(), 4u);
}

TEST_F(LocalChessSessionTest, SaveAndLoadRoundTripWithTheNames)
{
    m_Session.SwitchColor();
    m_Session.NewGame();
    Play({"d2d4", "d7d5", "c2c4"});
    m_Session.AbortGame();
    const QString path = InFolder("round.pgn");
    ASSERT_TRUE(m_Session.SaveGame(path));
    EXPECT_EQ(m_Session.SaveCounter(), 2);
    m_Session.NewGame();
    ASSERT_TRUE(m_Session.LoadGame(path));
    EXPECT_EQ(m_Session.ShownMoves(), (std::vector<std::string>{"d4", "d5", "c4"}));
    EXPECT_EQ(m_Session.ResultText(), "1-0");
    EXPECT_EQ(m_Roster.GetEntry(1).name, QStringLiteral("Boris")) << "White's name to White's entry";
    EXPECT_FALSE(m_Session.IsRunning());
    EXPECT_EQ(m_Session.LoadFolder(), m_Folder.path());

    EXPECT_FALSE(m_Session.LoadGame(InFolder("missing.pgn")));
    EXPECT_EQ(m_Observer.TakeMessages(),
              QStringList{QStringLiteral("An error occured while loading the PGN file.\n\nThe file might contain "
                                         "invalid data.")});
}

// A picture or a text with no game in it is refused with the PGN error, and
// the game on the board, its record and the names stay; a file of tags alone
// is a game without moves and loads.
TEST_F(LocalChessSessionTest, AFileWithNoGameIsRefusedAndChangesNothing)
{
    m_Session.NewGame();
    Play({"e2e4", "e7e5"});
    const std::string fen = CFenText::WriteFen(m_Session.Position());
    const struct
    {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"picture.pgn", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20)},
        {"notes.pgn", QByteArray("Shopping list: eggs, milk, bread.\n")},
        {"empty.pgn", QByteArray()},
        {"bad.pgn", QByteArray("1. Zz9 e5\n")},
    };
    for (const auto& file : files)
    {
        QFile out(InFolder(file.name));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(file.bytes);
        out.close();
        EXPECT_FALSE(m_Session.LoadGame(out.fileName())) << file.name;
        EXPECT_EQ(m_Observer.TakeMessages(),
                  QStringList{QStringLiteral("An error occured while loading the PGN file.\n\nThe file might "
                                             "contain invalid data.")})
            << file.name;
        EXPECT_EQ(m_Session.ShownMoves(), (std::vector<std::string>{"e4", "e5"})) << file.name;
        EXPECT_EQ(CFenText::WriteFen(m_Session.Position()), fen) << file.name;
        EXPECT_EQ(m_Roster.GetEntry(0).name, QStringLiteral("Anna")) << file.name;
        EXPECT_EQ(m_Roster.GetEntry(1).name, QStringLiteral("Boris")) << file.name;
    }

    QFile tags(InFolder("tags.pgn"));
    ASSERT_TRUE(tags.open(QIODevice::WriteOnly));
    tags.write("\r\n[White \"Carla\"]\r\n[Black \"Dmitri\"]\r\n[Result \"*\"]\r\n\r\n*");
    tags.close();
    EXPECT_TRUE(m_Session.LoadGame(tags.fileName()));
    EXPECT_TRUE(m_Session.ShownMoves().empty());
    EXPECT_TRUE(m_Observer.TakeMessages().isEmpty());
}

TEST_F(LocalChessSessionTest, APromotionTakesThePieceGivenAsData)
{
    m_Session.NewGame();
    Play({"h2h4", "g7g5", "h4g5", "h7h6", "g5h6", "f8g7"});
    EXPECT_FALSE(m_Session.NeedsPromotionChoice(0, Move("h6h7"))) << "not to the last rank";
    Play({"h6g7", "g8f6"});
    EXPECT_TRUE(m_Session.NeedsPromotionChoice(0, Move("g7h8")));
    EXPECT_FALSE(m_Session.NeedsPromotionChoice(0, Move("g7f8"))) << "not a legal move";
    ASSERT_TRUE(m_Session.RequestMove(0, Move("g7h8"), PIECE_KNIGHT));
    EXPECT_EQ(m_Session.ShownMoves().back(), "gxh8=N");
    EXPECT_EQ(m_Session.Position().DefaultPromotionPiece(), PIECE_QUEEN) << "nothing lingers for the next move";
}

// The time control stored by the Settings dialog shows on both panels as soon
// as the dialog closes, not only from the next New Game.
TEST_F(LocalChessSessionTest, NewTimeSettingsShowOnThePanelsAtOnce)
{
    m_Settings.SetIsTimeInfinite(false);
    m_Settings.SetGameTime(0, 7, 0);
    m_Session.ApplySettings({0, 0});
    for (int panel : {S::kBottomPanel, S::kTopPanel})
    {
        EXPECT_EQ(m_Session.Clock(panel).GetTime().Milliseconds(), 7 * 60 * 1000) << panel;
        EXPECT_FALSE(m_Session.Clock(panel).IsUnlimited()) << panel;
    }
    m_Settings.SetIsTimeInfinite(true);
    m_Session.ApplySettings({0, 0});
    EXPECT_TRUE(m_Session.Clock(S::kBottomPanel).IsUnlimited());
    EXPECT_TRUE(m_Session.Clock(S::kTopPanel).IsUnlimited());
}
