// Local games between real engines through the plug-ins as the program
// finds them: the engines move with their players on Switch Color, a game
// with no time limit finishes, and Stockfish's thinking is shown. Each case
// is skipped when its engines are not installed.
#include "AppTestSupport.h"

#include "BitmapCache.h"

#include "BoardView.h"
#include "ChessPosition.h"
#include "EngineListener.h"
#include "EngineLoader.h"
#include "GameSettings.h"
#include "LocalChessWnd.h"
#include "MessageDlg.h"
#include "MoveListWnd.h"
#include "PlayerRoster.h"
#include "PlayerWnd.h"
#include "RegistryStore.h"
#include "ThinkingPane.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

using S = CLocalChessSession;

namespace
{
const QString kWinboardType = QStringLiteral("Winboard-Compatible Engine");
const QString kUciType = QStringLiteral("UCI Engine");
const QString kKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II");

bool Installed(const char* program)
{
    return access(program, X_OK) == 0;
}

} // namespace

class RealEngineGameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        GameSettings& settings = m_Settings;
        AppTest::SetTimedGameOfPeople(settings, 1);
        settings.SetPlaySoundOnOpponentMove(false);
        AppTest::TakeMessages();
    }

    // The plug-ins are loaded once the engine list holds what the test chose:
    // loading reads the list (and writes its defaults).
    void Load() { m_Loader.Load({std::filesystem::path(APP_PROGRAM_DIR)}, &m_Listener, &m_Listener); }

    void TearDown() override
    {
        delete m_Window;
        m_Window = nullptr;
        m_Loader.DestroyAll();
    }

    // Registers WinBoard engines in the plug-in's list and chooses one for each colour.
    void ChooseWinboardEngines(const QString& whiteName, const char* whiteProgram, const QString& blackName,
                               const char* blackProgram)
    {
        RegistryStore store(RegistryStore::DefaultFilePath());
        store.OpenRoot(kKey);
        for (const auto& [name, program] : {std::pair{whiteName, whiteProgram}, std::pair{blackName, blackProgram}})
        {
            store.OpenSubKey(QStringLiteral("Winboard-Compatible Engines\\") + name);
            store.WriteString(QStringLiteral("CommandLine"), QString::fromLatin1(program));
            store.WriteString(QStringLiteral("WorkingDirectory"), m_Folder.path() + QLatin1Char('/'));
        }
        store.OpenSubKey(QStringLiteral("Winboard-Compatible Engines"));
        store.WriteString(QStringLiteral("WhiteEngine"), whiteName);
        store.WriteString(QStringLiteral("BlackEngine"), blackName);
        m_Settings.SetWhiteEngine(kWinboardType);
        m_Settings.SetBlackEngine(kWinboardType);
    }

    QString Selection(const char* value)
    {
        RegistryStore store(RegistryStore::DefaultFilePath());
        store.OpenRoot(kKey);
        store.OpenSubKey(QStringLiteral("Winboard-Compatible Engines"));
        QString name;
        store.ReadString(QString::fromLatin1(value), name, QString());
        return name;
    }

    void OpenWindow()
    {
        Load();
        m_Window = new CLocalChessWnd(m_Settings, m_Roster, m_Loader, m_Listener, CBitmapCache::Instance(), &m_Frame);
        m_Window->resize(CLocalChessWnd::kMinimumWidth, CLocalChessWnd::kMinimumHeight);
        m_Window->Open();
    }

    QString PanelName(Colour colour) const
    {
        return m_Roster.GetEntry(m_Window->Session().PanelOf(colour) == S::kBottomPanel ? 0 : 1).name;
    }

    std::vector<std::string> Moves() const { return m_Window->MoveList()->ShownMoves(); }

    QTemporaryDir m_Folder;
    GameSettings m_Settings;
    PlayerRoster m_Roster;
    CEngineListener m_Listener;
    CEngineLoader m_Loader;
    QWidget m_Frame;
    CLocalChessWnd* m_Window = nullptr;
};

// Phalanx has White and Sjeng Black; after Switch Color Sjeng plays White:
// the same two processes play on, each for the player its panel names, and
// the saved game's tags agree.
TEST_F(RealEngineGameTest, SwitchColorMovesTheEnginesWithTheirPlayers)
{
    if (!Installed("/usr/games/phalanx") || !Installed("/usr/games/sjeng"))
        GTEST_SKIP() << "phalanx or sjeng is not installed: skipped";
    ChooseWinboardEngines(QStringLiteral("Phalanx"), "/usr/games/phalanx", QStringLiteral("Sjeng"), "/usr/games/sjeng");
    OpenWindow();
    ASSERT_TRUE(AppTest::WaitFor(
        [&] {
            return PanelName(COLOUR_WHITE) == QStringLiteral("Phalanx XXV") &&
                   PanelName(COLOUR_BLACK) == QStringLiteral("Sjeng 11.2");
        },
        20000))
        << PanelName(COLOUR_WHITE).toStdString() << " / " << PanelName(COLOUR_BLACK).toStdString();
    ASSERT_TRUE(AppTest::WaitFor([] { return AppTest::ChildProcesses().size() == 2; }, 10000));
    const QStringList processes = AppTest::ChildProcesses();

    m_Window->Session().SwitchColor();
    EXPECT_EQ(PanelName(COLOUR_WHITE), QStringLiteral("Sjeng 11.2"));
    EXPECT_EQ(PanelName(COLOUR_BLACK), QStringLiteral("Phalanx XXV"));
    // The plug-in's engine list now chooses each engine for its new colour
    // (its store saves in the background).
    EXPECT_TRUE(AppTest::WaitFor([&] {
        return Selection("WhiteEngine") == QStringLiteral("Sjeng") &&
               Selection("BlackEngine") == QStringLiteral("Phalanx");
    })) << Selection("WhiteEngine").toStdString()
        << " / " << Selection("BlackEngine").toStdString();
    m_Settings.SetGameTime(0, 0, 20);
    m_Window->Session().NewGame();
    ASSERT_TRUE(AppTest::WaitFor([&] { return Moves().size() >= 6 || !m_Window->Session().IsRunning(); }, 30000))
        << Moves().size() << " plies";
    // No engine was started again: the processes of before play on, and
    // each panel still names the engine that plays its colour.
    EXPECT_EQ(AppTest::ChildProcesses(), processes);
    EXPECT_EQ(PanelName(COLOUR_WHITE), QStringLiteral("Sjeng 11.2"));
    EXPECT_EQ(PanelName(COLOUR_BLACK), QStringLiteral("Phalanx XXV"));
    EXPECT_EQ(m_Window->Session().EngineName(m_Window->Session().EngineOf(COLOUR_WHITE)), QStringLiteral("Sjeng 11.2"));
    if (m_Window->Session().IsRunning())
        m_Window->Session().AbortGame();
    const QString path = m_Folder.filePath(QStringLiteral("switched.pgn"));
    ASSERT_TRUE(m_Window->Session().SaveGame(path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString pgn = QString::fromUtf8(file.readAll());
    EXPECT_TRUE(pgn.contains(QStringLiteral("[White \"Sjeng 11.2\"]"))) << pgn.toStdString();
    EXPECT_TRUE(pgn.contains(QStringLiteral("[Black \"Phalanx XXV\"]"))) << pgn.toStdString();
}

// With no time limit each engine move gets the per-move time of the
// settings: a game continued from a loaded position ends with White's mate.
TEST_F(RealEngineGameTest, AGameWithNoTimeLimitFinishes)
{
    if (!Installed("/usr/games/phalanx") || !Installed("/usr/games/sjeng"))
        GTEST_SKIP() << "phalanx or sjeng is not installed: skipped";
    ChooseWinboardEngines(QStringLiteral("Phalanx"), "/usr/games/phalanx", QStringLiteral("Sjeng"), "/usr/games/sjeng");
    m_Settings.SetIsTimeInfinite(true);
    m_Settings.SetNbSecondsPerMoveNoLimit(1);
    OpenWindow();
    const QString path = m_Folder.filePath(QStringLiteral("scholar.pgn"));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[Event \"?\"]\n[White \"A\"]\n[Black \"B\"]\n[Result \"*\"]\n\n"
                   "1. e4 e5 2. Bc4 Nc6 3. Qh5 Nf6 *\n");
    }
    ASSERT_TRUE(m_Window->Session().LoadGame(path));
    m_Window->Session().StartGame();
    ASSERT_TRUE(AppTest::WaitFor([&] { return !m_Window->Session().IsRunning(); }, 30000))
        << Moves().size() << " plies";
    EXPECT_EQ(Moves().back().substr(0, 4), "Qxf7");
    EXPECT_EQ(AppTest::TakeMessages(), QStringList{QStringLiteral("Black is checkmate.\nWhite wins the game !")});
}

// Stockfish's thinking: depth, a score and a principal variation that is
// legal from the position it was searched in.
TEST_F(RealEngineGameTest, StockfishsThinkingIsShown)
{
    if (!Installed("/usr/games/stockfish"))
        GTEST_SKIP() << "stockfish is not installed: skipped";
    m_Settings.SetWhiteEngine(kUciType);
    m_Settings.SetIsTimeInfinite(true);
    m_Settings.SetNbSecondsPerMoveNoLimit(2);
    OpenWindow();
    ASSERT_TRUE(m_Window->Session().IsEngine(COLOUR_WHITE)) << "the UCI plug-in was not found";
    EXPECT_TRUE(!m_Window->ThinkingPane()->isHidden());
    m_Window->Session().NewGame();
    ASSERT_TRUE(AppTest::WaitFor(
        [&] {
            const S::Thinking& thinking = m_Window->Session().ThinkingOf(COLOUR_WHITE);
            return thinking.depth >= 6 && thinking.pv.size() >= 2;
        },
        20000));
    const S::Thinking thinking = m_Window->Session().ThinkingOf(COLOUR_WHITE);
    EXPECT_FALSE(thinking.score.isEmpty());
    // The variation replays from the start position as it is written.
    CChessPosition replay;
    for (const std::string& move : thinking.pv)
        ASSERT_TRUE(replay.PlaySan(move)) << move;
    ASSERT_TRUE(AppTest::WaitFor(
        [&] {
            const auto& entries = m_Window->ThinkingPane()->Entries();
            return !entries.empty() && entries[0].stats.startsWith(QStringLiteral("depth ")) &&
                   !entries[0].pv.isEmpty();
        },
        2000));
    EXPECT_TRUE(m_Window->ThinkingPane()->Entries()[0].title.startsWith(QStringLiteral("Stockfish")))
        << m_Window->ThinkingPane()->Entries()[0].title.toStdString();
    // The pane is drawn no more often than ten times a second.
    const int before = m_Window->ThinkingPane()->UpdateCount();
    QTest::qWait(1000);
    EXPECT_LE(m_Window->ThinkingPane()->UpdateCount() - before, 11);
    // Hidden by the user, it stays hidden.
    m_Window->Session().AbortGame();
    m_Settings.SetIsThinkingShown(false);
    m_Window->Open();
    EXPECT_TRUE(m_Window->ThinkingPane()->isHidden());
}
