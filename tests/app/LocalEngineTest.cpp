// The local chess window against engines: the scripted fake engine through
// the real plug-in adapter and loader, and a real WinBoard engine when one is
// installed.
#include "AppTestSupport.h"

#include "BitmapCache.h"

#include "BoardView.h"
#include "ChessPosition.h"
#include "EngineListener.h"
#include "EngineLoader.h"
#include "EngineMove.h"
#include "GameSettings.h"
#include "IChessEngine.h"
#include "LocalChessWnd.h"
#include "MessageDlg.h"
#include "MoveListWnd.h"
#include "PlayerRoster.h"
#include "PlayerWnd.h"
#include "SingleSettingsDlg.h"
#include "SkinButton.h"
#include "SoundPlayer.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using W = CLocalChessWnd;
using S = CLocalChessSession;

namespace
{
// The real engine of the fast game: the program's default opponent.
const QString kRealEngine = QStringLiteral("phalanx");

// Answers the handshake at once, so that the adapter does not wait for features.
const QString kHandshake = QStringLiteral("on protover say feature done=1\n");
// The same with the engine's own name.
const QString kNamed = QStringLiteral("on protover say feature myname=\"Fakir 1.0\" done=1\n");

uint32_t Pack(const char* from, const char* to)
{
    const CCoordinate a = CCoordinate::FromText(from);
    const CCoordinate b = CCoordinate::FromText(to);
    return PackEngineMove(EngineMove{a.Column(), a.Row(), b.Column(), b.Row(), 0});
}
} // namespace

class LocalEngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GameSettings& settings = m_Settings;
        AppTest::SetTimedGameOfPeople(settings, 5);
        settings.SetPlaySoundOnOpponentMove(true);
        AppTest::LoadTestEngines(m_Loader, &m_Listener);
        ASSERT_EQ(m_Loader.WhiteList().size(), 1u) << "the test plug-in was not found";
        AppTest::TakeMessages();
    }

    void TearDown() override
    {
        delete m_Window;
        m_Window = nullptr;
        m_Loader.DestroyAll();
    }

    // Opens the window with the engine of that colour running the script.
    void OpenWith(Colour engineColour, const QString& script)
    {
        IChessEngine* engine = engineColour == COLOUR_WHITE ? m_Loader.WhiteList()[0] : m_Loader.BlackList()[0];
        AppTest::ConfigureEngine(
            engine, AppTest::FakeEngineCommand(
                        m_Folder.path(), QStringLiteral("engine"),
                        script.startsWith(QStringLiteral("on protover")) ? script : kHandshake + script, &m_Log));
        GameSettings& settings = m_Settings;
        (engineColour == COLOUR_WHITE ? settings.SetWhiteEngine(AppTest::EngineTypeName())
                                      : settings.SetBlackEngine(AppTest::EngineTypeName()));
        m_Window = new W(m_Settings, m_Roster, m_Loader, m_Listener, CBitmapCache::Instance(), &m_Frame);
        m_Window->resize(W::kMinimumWidth, W::kMinimumHeight);
        m_Window->Open();
    }

    bool WaitForMoves(size_t count, int timeoutMs = 5000)
    {
        return AppTest::WaitFor([&] { return m_Window->MoveList()->ShownMoves().size() >= count; }, timeoutMs);
    }

    std::vector<std::string> Moves() const { return m_Window->MoveList()->ShownMoves(); }

    // A tag of the game as Save Game writes it now.
    std::string SavedTag(const char* tag)
    {
        const QString path = m_Folder.filePath(QStringLiteral("saved.pgn"));
        if (!m_Window->Session().SaveGame(path))
            return "(not saved)";
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return "(not read)";
        const QString prefix = QStringLiteral("[%1 \"").arg(QString::fromLatin1(tag));
        for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
            if (line.startsWith(prefix))
                return line.mid(prefix.size()).section(QLatin1Char('"'), 0, 0).toStdString();
        return "(no tag)";
    }

    QString Log() const
    {
        QFile file(m_Log);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir m_Folder;
    GameSettings m_Settings;
    PlayerRoster m_Roster;
    CEngineListener m_Listener;
    CEngineLoader m_Loader;
    QWidget m_Frame;
    W* m_Window = nullptr;
    QString m_Log;
};

TEST_F(LocalEngineTest, EngineRepliesToThePersonsMove)
{
    OpenWith(COLOUR_BLACK, QStringLiteral("moves e7e5 g8f6\n"));
    EXPECT_TRUE(m_Window->Session().IsEngine(COLOUR_BLACK));
    EXPECT_TRUE(m_Window->TopPanel()->ComputerMark());
    EXPECT_FALSE(m_Window->BottomPanel()->ComputerMark());
    m_Window->Session().NewGame();
    EXPECT_TRUE(m_Window->Board()->IsInputEnabled()) << "White is a person";
    EXPECT_FALSE(m_Window->Button(S::ID_OFFER_DRAW)->isEnabled()) << "no draw offers against an engine";
    const int sounds = CSoundPlayer::RequestCount();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    EXPECT_FALSE(m_Window->Board()->IsInputEnabled()) << "locked while the engine thinks";
    ASSERT_TRUE(WaitForMoves(2));
    EXPECT_EQ(Moves(), (std::vector<std::string>{"e4", "e5"}));
    EXPECT_TRUE(m_Window->Board()->IsInputEnabled());
    EXPECT_EQ(m_Frame.windowTitle(), QStringLiteral("* [Pellomar II] *"));
    EXPECT_EQ(CSoundPlayer::RequestCount(), sounds + 1);
    EXPECT_TRUE(m_Window->BottomPanel()->Clock().IsCounting()) << "the clocks switched to White";
    EXPECT_FALSE(m_Window->Button(S::ID_ACCEPT_DRAW)->isEnabled());
    // The engine received the person's move in coordinate notation.
    EXPECT_TRUE(Log().contains(QStringLiteral("e2e4")));
    AppTest::Drag(m_Window->Board(), "g1", "f3");
    EXPECT_EQ(m_Frame.windowTitle(), QStringLiteral("Pellomar II"));
    ASSERT_TRUE(WaitForMoves(4));
    EXPECT_EQ(Moves().back(), "Nf6");
}

TEST_F(LocalEngineTest, PauseHoldsBackTheEngineMoveUntilContinue)
{
    OpenWith(COLOUR_BLACK, QStringLiteral("moves e7e5\n"));
    m_Window->Session().NewGame();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    m_Window->Session().PauseGame();
    ASSERT_TRUE(AppTest::WaitFor([&] { return m_Window->Session().HasDeferredMove(); }));
    EXPECT_EQ(Moves(), std::vector<std::string>{"e4"});
    EXPECT_FALSE(m_Window->TopPanel()->Clock().IsCounting()) << "the engine's clock is paused";
    // A later move replaces the one kept.
    m_Window->Session().OnEngineMove(UnpackEngineMove(Pack("d7", "d5")));
    EXPECT_EQ(Moves(), std::vector<std::string>{"e4"});
    m_Window->Session().ContinueGame();
    EXPECT_EQ(Moves(), (std::vector<std::string>{"e4", "d5"}));
    EXPECT_FALSE(m_Window->Session().HasDeferredMove());
    EXPECT_TRUE(m_Window->BottomPanel()->Clock().IsCounting()) << "the clocks switch when the move is played";
    EXPECT_FALSE(m_Window->TopPanel()->Clock().IsCounting());
    EXPECT_TRUE(m_Window->Board()->IsInputEnabled());
}

TEST_F(LocalEngineTest, TakebackDuringTheEnginesTurnRestartsItOnTheShortenedGame)
{
    OpenWith(COLOUR_BLACK, QStringLiteral("on MOVE sleep 300\nmoves e7e5 c7c5 b8c6\n"));
    m_Window->Session().NewGame();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    m_Window->Session().TakebackMove();
    EXPECT_TRUE(Moves().empty());
    EXPECT_EQ(m_Window->Board()->SideToMove(), COLOUR_WHITE);
    EXPECT_TRUE(m_Window->Board()->IsInputEnabled());
    EXPECT_TRUE(m_Window->BottomPanel()->Clock().IsCounting());
    // The reply to the move taken back is never played.
    QTest::qWait(700);
    EXPECT_TRUE(Moves().empty());
    EXPECT_EQ(m_Window->Board()->GetPosition().RecordLength(), 0);
    AppTest::Drag(m_Window->Board(), "d2", "d4");
    ASSERT_TRUE(WaitForMoves(2));
    EXPECT_EQ(Moves().front(), "d4");
    EXPECT_EQ(m_Window->Board()->SideToMove(), COLOUR_WHITE);
}

TEST_F(LocalEngineTest, AfterSwitchColorTheEngineHasWhiteAndMovesFirst)
{
    OpenWith(COLOUR_BLACK, QStringLiteral("moves e2e4 d2d4\n"));
    IChessEngine* engine = m_Window->Session().EngineOf(COLOUR_BLACK);
    m_Window->Session().SwitchColor();
    EXPECT_EQ(m_Window->Session().EngineOf(COLOUR_WHITE), engine) << "the same object now plays White";
    EXPECT_EQ(m_Window->Session().EngineOf(COLOUR_BLACK), nullptr);
    EXPECT_EQ(m_Loader.WhiteList()[0], engine);
    EXPECT_EQ(m_Roster.GetEntry(0).name, QStringLiteral("Anna")) << "the bottom player keeps its name";
    EXPECT_EQ(m_Roster.GetEntry(0).colour, COLOUR_BLACK);
    EXPECT_TRUE(m_Window->Board()->IsFlipped());
    EXPECT_TRUE(m_Window->TopPanel()->ComputerMark());
    m_Window->Session().NewGame();
    EXPECT_FALSE(m_Window->Board()->IsInputEnabled()) << "White is the engine";
    ASSERT_TRUE(WaitForMoves(1));
    EXPECT_EQ(Moves(), std::vector<std::string>{"e4"});
    EXPECT_TRUE(m_Window->Board()->IsInputEnabled());
    AppTest::Drag(m_Window->Board(), "c7", "c5");
    ASSERT_TRUE(WaitForMoves(3));
    EXPECT_EQ(Moves().back(), "d4");
}

TEST_F(LocalEngineTest, EngineResignationEndsTheGame)
{
    OpenWith(COLOUR_BLACK, QStringLiteral("on MOVE say resign\n"));
    m_Window->Session().NewGame();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    ASSERT_TRUE(AppTest::WaitFor([&] { return !m_Window->Session().IsRunning(); }));
    EXPECT_EQ(AppTest::TakeMessages(), QStringList{QStringLiteral("Black has resigned.\nWhite wins the game !")});
    EXPECT_TRUE(m_Window->Session().Result().blackLost);
    // Nothing that arrives after the end changes the game.
    m_Window->Session().OnEngineMove(UnpackEngineMove(Pack("e7", "e5")));
    EXPECT_EQ(Moves(), std::vector<std::string>{"e4"});
}

// An illegal move loses the game for the engine that played it, with a
// message naming it and its move; the engine is told the real result.
TEST_F(LocalEngineTest, AnIllegalEngineMoveLosesTheGame)
{
    OpenWith(COLOUR_BLACK, kNamed + QStringLiteral("moves e7e4\n"));
    m_Window->Session().NewGame();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    ASSERT_TRUE(AppTest::WaitFor([&] { return !m_Window->Session().IsRunning(); }));
    EXPECT_EQ(AppTest::TakeMessages(),
              QStringList{QStringLiteral("Black (Fakir 1.0) has played an illegal move: e7e4\nWhite wins the game !")});
    EXPECT_EQ(Moves(), std::vector<std::string>{"e4"});
    EXPECT_TRUE(m_Window->Session().Result().blackLost);
    EXPECT_FALSE(m_Window->Session().Result().whiteLost);
    EXPECT_FALSE(m_Window->TopPanel()->Clock().IsCounting());
    EXPECT_EQ(SavedTag("Result"), "1-0");
    EXPECT_TRUE(AppTest::WaitFor([&] { return Log().contains(QStringLiteral("result 1-0 {")); }))
        << Log().toStdString();
}

// On White's first move no clock runs yet: the game still ends at once.
TEST_F(LocalEngineTest, AnIllegalFirstMoveOfAWhiteEngineEndsTheGame)
{
    OpenWith(COLOUR_WHITE, QStringLiteral("moves e2e5\n"));
    m_Window->Session().NewGame();
    ASSERT_TRUE(AppTest::WaitFor([&] { return !m_Window->Session().IsRunning(); }));
    const QStringList messages = AppTest::TakeMessages();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("White ("))) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].endsWith(QStringLiteral("e2e5\nBlack wins the game !"))) << messages[0].toStdString();
    EXPECT_TRUE(m_Window->Session().Result().whiteLost);
    EXPECT_EQ(SavedTag("Result"), "0-1");
}

// GNU Chess resigns right after its own move, when the person is to move:
// the engine that resigned loses, not the side to move.
TEST_F(LocalEngineTest, AResignationIsChargedToTheEngineThatResigned)
{
    OpenWith(COLOUR_BLACK, kNamed + QStringLiteral("on MOVE say move e7e5\\nresign\n"));
    m_Window->Session().NewGame();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    ASSERT_TRUE(AppTest::WaitFor([&] { return !m_Window->Session().IsRunning(); }));
    EXPECT_EQ(Moves(), (std::vector<std::string>{"e4", "e5"}));
    EXPECT_EQ(AppTest::TakeMessages(), QStringList{QStringLiteral("Black has resigned.\nWhite wins the game !")});
    EXPECT_TRUE(m_Window->Session().Result().blackLost);
    EXPECT_FALSE(m_Window->Session().Result().whiteLost);
    EXPECT_EQ(SavedTag("Result"), "1-0");
    EXPECT_TRUE(AppTest::WaitFor([&] { return Log().contains(QStringLiteral("result 1-0 {Black resigns}")); }))
        << Log().toStdString();
}

// A claim the board does not show loses; one it shows changes nothing.
TEST_F(LocalEngineTest, AFalseResultClaimLosesTheGame)
{
    OpenWith(COLOUR_BLACK, kNamed + QStringLiteral("on MOVE say move e7e5\\n0-1 {Black mates}\n"));
    m_Window->Session().NewGame();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    ASSERT_TRUE(AppTest::WaitFor([&] { return !m_Window->Session().IsRunning(); }));
    EXPECT_EQ(AppTest::TakeMessages(),
              QStringList{QStringLiteral("Black (Fakir 1.0) has claimed a result the board does not show: 0-1 {Black "
                                         "mates}\nWhite wins the game !")});
    EXPECT_TRUE(m_Window->Session().Result().blackLost);
    EXPECT_EQ(SavedTag("Result"), "1-0");
    EXPECT_TRUE(AppTest::WaitFor([&] { return Log().contains(QStringLiteral("result 1-0 {")); }))
        << Log().toStdString();
}

TEST_F(LocalEngineTest, ATrueClaimAfterMateChangesNothing)
{
    OpenWith(COLOUR_BLACK, QStringLiteral("moves e7e5\non g2g4 say move d8h4\\n0-1 {Black mates}\n"));
    m_Window->Session().NewGame();
    AppTest::Drag(m_Window->Board(), "f2", "f3");
    ASSERT_TRUE(WaitForMoves(2));
    AppTest::Drag(m_Window->Board(), "g2", "g4");
    ASSERT_TRUE(AppTest::WaitFor([&] { return !m_Window->Session().IsRunning(); }));
    EXPECT_EQ(Moves().back().substr(0, 3), "Qh4");
    QTest::qWait(100);
    EXPECT_EQ(AppTest::TakeMessages(), QStringList{QStringLiteral("White is checkmate.\nBlack wins the game !")});
    EXPECT_EQ(SavedTag("Result"), "0-1");
    EXPECT_TRUE(AppTest::WaitFor([&] { return Log().contains(QStringLiteral("result 0-1 {Black mates}")); }))
        << Log().toStdString();
}

// Against an engine Takeback Move brings the person back to their own move:
// the engine's reply goes with it, and the engine does not play again.
TEST_F(LocalEngineTest, TakebackAgainstAnEngineGivesThePersonTheirMoveBack)
{
    OpenWith(COLOUR_BLACK, QStringLiteral("moves e7e5 c7c5\n"));
    m_Window->Session().NewGame();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    ASSERT_TRUE(WaitForMoves(2));
    EXPECT_EQ(m_Window->Session().TakebackPlies(), 2);
    m_Window->OnCommand(S::ID_TAKEBACK_MOVE);
    EXPECT_TRUE(Moves().empty());
    EXPECT_EQ(m_Window->Board()->SideToMove(), COLOUR_WHITE);
    EXPECT_TRUE(m_Window->Board()->IsInputEnabled());
    EXPECT_TRUE(m_Window->BottomPanel()->Clock().IsCounting());
    QTest::qWait(300);
    EXPECT_TRUE(Moves().empty()) << "the engine waits for the person";
    AppTest::Drag(m_Window->Board(), "d2", "d4");
    ASSERT_TRUE(WaitForMoves(2));
    EXPECT_EQ(Moves(), (std::vector<std::string>{"d4", "c5"}));
    // The engine kept its process: one start only.
    EXPECT_EQ(Log().count(QStringLiteral("protover")), 1) << Log().toStdString();
}

// With engines on both sides Takeback Move stays one ply: the engine whose
// move was taken back moves again.
TEST_F(LocalEngineTest, TakebackBetweenTwoEnginesIsOnePly)
{
    AppTest::ConfigureEngine(m_Loader.BlackList()[0],
                             AppTest::FakeEngineCommand(m_Folder.path(), QStringLiteral("black"),
                                                        kHandshake + QStringLiteral("on MOVE sleep 400\nmoves e7e5\n"),
                                                        nullptr));
    m_Settings.SetBlackEngine(AppTest::EngineTypeName());
    OpenWith(COLOUR_WHITE, QStringLiteral("moves e2e4 g1f3\n"));
    m_Window->Session().NewGame();
    ASSERT_TRUE(WaitForMoves(1));
    EXPECT_EQ(m_Window->Session().TakebackPlies(), 1);
    m_Window->Session().TakebackMove();
    EXPECT_TRUE(Moves().empty());
    ASSERT_TRUE(WaitForMoves(2));
    EXPECT_EQ(Moves(), (std::vector<std::string>{"Nf3", "e5"}));
}

// The engine's own name is shown on its panel and written as its PGN tag;
// after Switch Color it still names the engine that plays that colour.
TEST_F(LocalEngineTest, TheEnginesOwnNameIsShownAndSaved)
{
    OpenWith(COLOUR_BLACK, kNamed + QStringLiteral("moves e7e5\n"));
    ASSERT_TRUE(AppTest::WaitFor([&] { return m_Roster.GetEntry(1).name == QStringLiteral("Fakir 1.0"); }))
        << m_Roster.GetEntry(1).name.toStdString();
    EXPECT_TRUE(m_Window->TopPanel()->NameText().startsWith(QStringLiteral("Fakir 1.0")))
        << m_Window->TopPanel()->NameText().toStdString();
    EXPECT_TRUE(m_Window->BottomPanel()->NameText().startsWith(QStringLiteral("Anna")));
    EXPECT_EQ(SavedTag("White"), "Anna");
    EXPECT_EQ(SavedTag("Black"), "Fakir 1.0");
    m_Window->Session().SwitchColor();
    EXPECT_TRUE(m_Window->TopPanel()->NameText().startsWith(QStringLiteral("Fakir 1.0")));
    EXPECT_EQ(SavedTag("White"), "Fakir 1.0");
    EXPECT_EQ(SavedTag("Black"), "Anna");
}

// The engine's thinking reaches the session as shown: depth, the score from
// White's view and the principal variation in SAN.
TEST_F(LocalEngineTest, TheEnginesThinkingIsShownFromWhitesView)
{
    OpenWith(COLOUR_BLACK, QStringLiteral("on MOVE think 3\nmoves e7e5\n"));
    EXPECT_TRUE(m_Window->Session().IsThinkingShown());
    m_Window->Session().NewGame();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    ASSERT_TRUE(AppTest::WaitFor([&] { return m_Window->Session().ThinkingOf(COLOUR_BLACK).depth == 3; }));
    const S::Thinking& thinking = m_Window->Session().ThinkingOf(COLOUR_BLACK);
    EXPECT_EQ(thinking.score, QStringLiteral("-0.25")) << "Black's +25 centipawns";
    EXPECT_EQ(thinking.nodes, 3000);
    EXPECT_EQ(thinking.pv, (std::vector<std::string>{"e5", "Nf3"}));
    EXPECT_FALSE(m_Window->Session().ThinkingOf(COLOUR_WHITE).valid);
    m_Settings.SetIsThinkingShown(false);
    EXPECT_FALSE(m_Window->Session().IsThinkingShown());
}

// A real WinBoard engine against a quick person to the end of a fast game:
// the person plays the first legal move at once each time.
TEST_F(LocalEngineTest, RealEnginePlaysAFastGameToItsEnd)
{
    // Debian puts its engines in /usr/games, which is not always on the path.
    QString program = QStandardPaths::findExecutable(kRealEngine);
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(kRealEngine, {QStringLiteral("/usr/games")});
    if (program.isEmpty())
        GTEST_SKIP() << kRealEngine.toStdString() << " is not installed";
    AppTest::ConfigureEngine(m_Loader.BlackList()[0], program.toStdString(), m_Folder.path().toStdString());
    GameSettings& settings = m_Settings;
    settings.SetGameTime(0, 0, 5);
    settings.SetBlackEngine(AppTest::EngineTypeName());
    settings.SetPlaySoundOnOpponentMove(false);
    m_Window = new W(m_Settings, m_Roster, m_Loader, m_Listener, CBitmapCache::Instance(), &m_Frame);
    m_Window->Open();
    m_Window->SetPromotionAsker([](Colour) { return PIECE_QUEEN; });
    m_Window->Session().NewGame();
    auto personMoves = [this] {
        if (!m_Window->Session().IsRunning() || !m_Window->Board()->IsInputEnabled())
            return false;
        std::vector<CMove> candidates;
        m_Window->Board()->GetPosition().GenerateCandidateMoves(candidates);
        for (const CMove& move : candidates)
        {
            CChessPosition trial(m_Window->Board()->GetPosition());
            if (trial.MakeMove(move, false))
            {
                AppTest::Drag(m_Window->Board(), move.from.ToText().c_str(), move.to.ToText().c_str());
                return true;
            }
        }
        return false;
    };
    ASSERT_TRUE(AppTest::WaitFor(
        [&] {
            personMoves();
            return !m_Window->Session().IsRunning();
        },
        40000))
        << Moves().size() << " moves";
    EXPECT_GE(Moves().size(), 10u);
    EXPECT_EQ(Moves(), m_Window->Board()->MoveTexts()) << "every move was legal and recorded";
    EXPECT_LE(AppTest::TakeMessages().size(), 1) << "the end is announced at most once";
    EXPECT_FALSE(m_Window->Board()->IsInputEnabled());
}

// Settings OK quits the engines in use and starts the ones chosen; the
// player types and names are stored.
TEST_F(LocalEngineTest, SettingsChooseTheEnginesOfBothPlayers)
{
    OpenWith(COLOUR_BLACK, QStringLiteral("moves e2e4\n"));
    AppTest::ConfigureEngine(m_Loader.WhiteList()[0],
                             AppTest::FakeEngineCommand(m_Folder.path(), QStringLiteral("white"),
                                                        kHandshake + QStringLiteral("moves d2d4\n"), nullptr));
    int shownEntries[2] = {-1, -1};
    m_Window->SetSettingsRunner([&shownEntries](CSingleSettingsDlg& dialog) {
        auto* top = qobject_cast<QComboBox*>(dialog.Control(CSingleSettingsDlg::kTopTypeId));
        auto* bottom = qobject_cast<QComboBox*>(dialog.Control(CSingleSettingsDlg::kBottomTypeId));
        auto* bottomName = qobject_cast<QLineEdit*>(dialog.Control(CSingleSettingsDlg::kBottomNameId));
        if (top == nullptr || bottom == nullptr || bottomName == nullptr)
            return int(IDCANCEL);
        shownEntries[0] = top->currentIndex();
        shownEntries[1] = bottom->currentIndex();
        top->setCurrentIndex(0);    // Boris, Black: a person
        bottom->setCurrentIndex(1); // Anna, White: the engine
        bottomName->setText(QStringLiteral("Annabel"));
        dialog.OnOk();
        return dialog.result();
    });
    m_Window->OnCommand(S::ID_SETTINGS);
    EXPECT_EQ(shownEntries[0], 1) << "the top player was the engine";
    EXPECT_EQ(shownEntries[1], 0) << "the bottom player was a person";
    EXPECT_EQ(m_Window->Session().EngineOf(COLOUR_WHITE), m_Loader.WhiteList()[0]);
    EXPECT_FALSE(m_Window->Session().IsEngine(COLOUR_BLACK));
    EXPECT_EQ(m_Settings.GetWhiteEngine(), AppTest::EngineTypeName());
    EXPECT_EQ(m_Settings.GetBlackEngine(), QStringLiteral("Human"));
    EXPECT_EQ(m_Roster.GetEntry(0).name, QStringLiteral("Annabel"));
    EXPECT_TRUE(m_Window->BottomPanel()->ComputerMark());
    m_Window->Session().NewGame();
    ASSERT_TRUE(WaitForMoves(1));
    EXPECT_EQ(Moves(), std::vector<std::string>{"d4"});

    // Cancel changes nothing.
    m_Window->Session().AbortGame();
    m_Window->SetSettingsRunner([](CSingleSettingsDlg&) { return int(IDCANCEL); });
    m_Window->OnCommand(S::ID_SETTINGS);
    EXPECT_EQ(m_Window->Session().EngineOf(COLOUR_WHITE), m_Loader.WhiteList()[0]);
}

// An engine that dies on each move it receives: the adapter starts it again
// once, it dies again, and the game ends as its resignation with the clocks
// stopped; the record is kept.
TEST_F(LocalEngineTest, AnEngineThatKeepsDyingEndsTheGameAsItsResignation)
{
    OpenWith(COLOUR_BLACK, QStringLiteral("on MOVE crash\n"));
    m_Window->Session().NewGame();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    ASSERT_TRUE(AppTest::WaitFor([&] { return !m_Window->Session().IsRunning(); }));
    EXPECT_EQ(AppTest::TakeMessages(), QStringList{QStringLiteral("Black has resigned.\nWhite wins the game !")});
    EXPECT_FALSE(m_Window->TopPanel()->Clock().IsCounting());
    EXPECT_FALSE(m_Window->BottomPanel()->Clock().IsCounting());
    EXPECT_EQ(Moves(), std::vector<std::string>{"e4"});
}

// An engine that never answers is not timed out by the program; its own
// clock ends the game.
TEST_F(LocalEngineTest, ASilentEngineLosesOnItsClock)
{
    m_Settings.SetGameTime(0, 0, 1);
    OpenWith(COLOUR_BLACK, QString());
    m_Window->Session().NewGame();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    ASSERT_TRUE(AppTest::WaitFor([&] { return !m_Window->Session().IsRunning(); }, 5000));
    EXPECT_TRUE(m_Window->Session().Result().blackLost);
    EXPECT_EQ(AppTest::TakeMessages(), QStringList{QStringLiteral("Black's time has expired.\nWhite wins the game !")});
    EXPECT_FALSE(m_Window->TopPanel()->Clock().IsCounting());
}
