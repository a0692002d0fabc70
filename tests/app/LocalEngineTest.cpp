// The local chess window against engines: the scripted fake engine through
// the real plug-in adapter and loader, and a real WinBoard engine when one is
// installed.
#include "AppTestSupport.h"

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

namespace
{
// The real engine of the fast game: the program's default opponent.
const QString kRealEngine = QStringLiteral("phalanx");

// Answers the handshake at once, so that the adapter does not wait for features.
const QString kHandshake = QStringLiteral("on protover say feature done=1\n");

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
        GameSettings& settings = GameSettings::Instance();
        settings.SetIsTimeInfinite(false);
        settings.SetGameTime(0, 5, 0);
        settings.SetNbSecondsBonus(0);
        settings.SetPlaySoundOnOpponentMove(true);
        settings.SetBottomPlayerName(QStringLiteral("Anna"));
        settings.SetTopPlayerName(QStringLiteral("Boris"));
        settings.SetWhiteEngine(QStringLiteral("Human"));
        settings.SetBlackEngine(QStringLiteral("Human"));
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
            engine, AppTest::FakeEngineCommand(m_Folder.path(), QStringLiteral("engine"), kHandshake + script, &m_Log));
        GameSettings& settings = GameSettings::Instance();
        (engineColour == COLOUR_WHITE ? settings.SetWhiteEngine(AppTest::EngineTypeName())
                                      : settings.SetBlackEngine(AppTest::EngineTypeName()));
        m_Window = new W(m_Loader, m_Listener, &m_Frame);
        m_Window->resize(W::kMinimumWidth, W::kMinimumHeight);
        m_Window->Open();
    }

    bool WaitForMoves(size_t count, int timeoutMs = 5000)
    {
        return AppTest::WaitFor([&] { return m_Window->MoveList()->ShownMoves().size() >= count; }, timeoutMs);
    }

    std::vector<std::string> Moves() const { return m_Window->MoveList()->ShownMoves(); }

    QString Log() const
    {
        QFile file(m_Log);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QTemporaryDir m_Folder;
    CEngineListener m_Listener;
    CEngineLoader m_Loader;
    QWidget m_Frame;
    W* m_Window = nullptr;
    QString m_Log;
};

TEST_F(LocalEngineTest, EngineRepliesToThePersonsMove)
{
    OpenWith(COLOUR_BLACK, QStringLiteral("moves e7e5 g8f6\n"));
    EXPECT_TRUE(m_Window->IsBlackEngine());
    EXPECT_TRUE(m_Window->TopPanel()->ComputerMark());
    EXPECT_FALSE(m_Window->BottomPanel()->ComputerMark());
    m_Window->OnNewGame();
    EXPECT_TRUE(m_Window->Board()->IsInputEnabled()) << "White is a person";
    EXPECT_FALSE(m_Window->Button(W::ID_OFFER_DRAW)->isEnabled()) << "no draw offers against an engine";
    const int sounds = CSoundPlayer::RequestCount();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    EXPECT_FALSE(m_Window->Board()->IsInputEnabled()) << "locked while the engine thinks";
    ASSERT_TRUE(WaitForMoves(2));
    EXPECT_EQ(Moves(), (std::vector<std::string>{"e4", "e5"}));
    EXPECT_TRUE(m_Window->Board()->IsInputEnabled());
    EXPECT_EQ(m_Frame.windowTitle(), QStringLiteral("* [Pellomar II] *"));
    EXPECT_EQ(CSoundPlayer::RequestCount(), sounds + 1);
    EXPECT_TRUE(m_Window->BottomPanel()->Clock().IsCounting()) << "the clocks switched to White";
    EXPECT_FALSE(m_Window->Button(W::ID_ACCEPT_DRAW)->isEnabled());
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
    m_Window->OnNewGame();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    m_Window->OnPauseGame();
    ASSERT_TRUE(AppTest::WaitFor([&] { return m_Window->HasDeferredMove(); }));
    EXPECT_EQ(Moves(), std::vector<std::string>{"e4"});
    EXPECT_FALSE(m_Window->TopPanel()->Clock().IsCounting()) << "the engine's clock is paused";
    // A later move replaces the one kept.
    m_Window->OnEngineMoveMessage(Pack("d7", "d5"));
    EXPECT_EQ(Moves(), std::vector<std::string>{"e4"});
    m_Window->OnContinueGame();
    EXPECT_EQ(Moves(), (std::vector<std::string>{"e4", "d5"}));
    EXPECT_FALSE(m_Window->HasDeferredMove());
    EXPECT_TRUE(m_Window->BottomPanel()->Clock().IsCounting()) << "the clocks switch when the move is played";
    EXPECT_FALSE(m_Window->TopPanel()->Clock().IsCounting());
    EXPECT_TRUE(m_Window->Board()->IsInputEnabled());
}

TEST_F(LocalEngineTest, TakebackDuringTheEnginesTurnRestartsItOnTheShortenedGame)
{
    OpenWith(COLOUR_BLACK, QStringLiteral("on MOVE sleep 300\nmoves e7e5 c7c5 b8c6\n"));
    m_Window->OnNewGame();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    m_Window->OnTakebackMove();
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
    IChessEngine* engine = m_Window->BlackEngine();
    m_Window->OnSwitchColor();
    EXPECT_EQ(m_Window->WhiteEngine(), engine) << "the same object now plays White";
    EXPECT_EQ(m_Window->BlackEngine(), nullptr);
    EXPECT_EQ(m_Loader.WhiteList()[0], engine);
    EXPECT_EQ(PlayerRoster::Instance().GetEntry(0).name, QStringLiteral("Anna")) << "the bottom player keeps its name";
    EXPECT_EQ(PlayerRoster::Instance().GetEntry(0).colour, COLOUR_BLACK);
    EXPECT_TRUE(m_Window->Board()->IsFlipped());
    EXPECT_TRUE(m_Window->TopPanel()->ComputerMark());
    m_Window->OnNewGame();
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
    m_Window->OnNewGame();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    ASSERT_TRUE(AppTest::WaitFor([&] { return !m_Window->IsRunning(); }));
    EXPECT_EQ(AppTest::TakeMessages(), QStringList{QStringLiteral("Black has resigned.\nWhite wins the game !")});
    EXPECT_TRUE(m_Window->HasBlackLost());
    // Nothing that arrives after the end changes the game.
    m_Window->OnEngineMoveMessage(Pack("e7", "e5"));
    EXPECT_EQ(Moves(), std::vector<std::string>{"e4"});
}

TEST_F(LocalEngineTest, IllegalEngineMoveChangesNothing)
{
    OpenWith(COLOUR_BLACK, QStringLiteral("moves e7e4\n"));
    m_Window->OnNewGame();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    QTest::qWait(300);
    EXPECT_EQ(Moves(), std::vector<std::string>{"e4"});
    EXPECT_TRUE(m_Window->TopPanel()->Clock().IsCounting()) << "Black's clock still runs";
    EXPECT_TRUE(m_Window->IsRunning());
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
    GameSettings& settings = GameSettings::Instance();
    settings.SetGameTime(0, 0, 5);
    settings.SetBlackEngine(AppTest::EngineTypeName());
    settings.SetPlaySoundOnOpponentMove(false);
    m_Window = new W(m_Loader, m_Listener, &m_Frame);
    m_Window->Open();
    m_Window->SetPromotionAsker([](Colour) { return PIECE_QUEEN; });
    m_Window->OnNewGame();
    auto personMoves = [this] {
        if (!m_Window->IsRunning() || !m_Window->Board()->IsInputEnabled())
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
            return !m_Window->IsRunning();
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
    m_Window->OnSettings();
    EXPECT_EQ(shownEntries[0], 1) << "the top player was the engine";
    EXPECT_EQ(shownEntries[1], 0) << "the bottom player was a person";
    EXPECT_EQ(m_Window->WhiteEngine(), m_Loader.WhiteList()[0]);
    EXPECT_FALSE(m_Window->IsBlackEngine());
    EXPECT_EQ(GameSettings::Instance().GetWhiteEngine(), AppTest::EngineTypeName());
    EXPECT_EQ(GameSettings::Instance().GetBlackEngine(), QStringLiteral("Human"));
    EXPECT_EQ(PlayerRoster::Instance().GetEntry(0).name, QStringLiteral("Annabel"));
    EXPECT_TRUE(m_Window->BottomPanel()->ComputerMark());
    m_Window->OnNewGame();
    ASSERT_TRUE(WaitForMoves(1));
    EXPECT_EQ(Moves(), std::vector<std::string>{"d4"});

    // Cancel changes nothing.
    m_Window->OnAbortGame();
    m_Window->SetSettingsRunner([](CSingleSettingsDlg&) { return int(IDCANCEL); });
    m_Window->OnSettings();
    EXPECT_EQ(m_Window->WhiteEngine(), m_Loader.WhiteList()[0]);
}

// An engine that dies on each move it receives: the adapter starts it again
// once, it dies again, and the game ends as its resignation with the clocks
// stopped; the record is kept.
TEST_F(LocalEngineTest, AnEngineThatKeepsDyingEndsTheGameAsItsResignation)
{
    OpenWith(COLOUR_BLACK, QStringLiteral("on MOVE crash\n"));
    m_Window->OnNewGame();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    ASSERT_TRUE(AppTest::WaitFor([&] { return !m_Window->IsRunning(); }));
    EXPECT_EQ(AppTest::TakeMessages(), QStringList{QStringLiteral("Black has resigned.\nWhite wins the game !")});
    EXPECT_FALSE(m_Window->TopPanel()->Clock().IsCounting());
    EXPECT_FALSE(m_Window->BottomPanel()->Clock().IsCounting());
    EXPECT_EQ(Moves(), std::vector<std::string>{"e4"});
}

// An engine that never answers is not timed out by the program; its own
// clock ends the game.
TEST_F(LocalEngineTest, ASilentEngineLosesOnItsClock)
{
    GameSettings::Instance().SetGameTime(0, 0, 1);
    OpenWith(COLOUR_BLACK, QString());
    m_Window->OnNewGame();
    AppTest::Drag(m_Window->Board(), "e2", "e4");
    ASSERT_TRUE(AppTest::WaitFor([&] { return !m_Window->IsRunning(); }, 5000));
    EXPECT_TRUE(m_Window->HasBlackLost());
    EXPECT_EQ(AppTest::TakeMessages(), QStringList{QStringLiteral("Black's time has expired.\nWhite wins the game !")});
    EXPECT_FALSE(m_Window->TopPanel()->Clock().IsCounting());
}
