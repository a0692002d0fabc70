// The application object, the main frame with its four children and its
// placement, and the main menu.
#include "AppTestSupport.h"

#include "BitmapCache.h"
#include "BoardView.h"
#include "GameSettings.h"
#include "HtmlDlg.h"
#include "LocalChessWnd.h"
#include "MainFrame.h"
#include "MainMenuWnd.h"
#include "MessageDlg.h"
#include "NetChessWnd.h"
#include "NetConnection.h"
#include "PellomarApp.h"
#include "PlayerRoster.h"
#include "RegistryStore.h"
#include "SkinButton.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace
{
// A network window as the network games will install it.
QWidget* MakeNetWindow(int minimumWidth, int minimumHeight)
{
    auto* window = new QWidget;
    window->setMinimumSize(minimumWidth, minimumHeight);
    return window;
}

// What the file holds, once the writer's pending saves are made.
int32_t StoredDword(RegistryStore& writer, const char* name)
{
    writer.Flush();
    RegistryStore store;
    store.OpenRoot(QStringLiteral("HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II"));
    store.OpenSubKey(QString::fromLatin1(CMainFrame::kPlacementKey));
    int32_t value = -12345;
    store.ReadDword(QString::fromLatin1(name), value, -12345);
    return value;
}
} // namespace

class MainFrameTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_Settings.SetWhiteEngine(QStringLiteral("Human"));
        m_Settings.SetBlackEngine(QStringLiteral("Human"));
        m_Frame = std::make_unique<CMainFrame>(AppServices{m_Store, m_Settings, m_Roster, CBitmapCache::Instance()});
        m_Frame->SetEngineSearchRoots({std::filesystem::path(APP_TEST_PLUGIN_DIR)});
        AppTest::TakeMessages();
    }

    void TearDown() override
    {
        m_Frame.reset();
        m_Roster.Reset();
    }

    RegistryStore m_Store;
    GameSettings m_Settings;
    PlayerRoster m_Roster;
    std::unique_ptr<CMainFrame> m_Frame;
};

TEST_F(MainFrameTest, OpensOnTheMainMenu)
{
    EXPECT_EQ(m_Frame->windowTitle(), QStringLiteral("Pellomar II"));
    EXPECT_EQ(m_Frame->size(), QSize(CMainFrame::kInitialWidth, CMainMenuWnd::kMinimumHeight))
        << "the initial size grows to the main menu's minimum";
    ASSERT_NE(m_Frame->MainMenu(), nullptr);
    EXPECT_EQ(m_Frame->VisibleChild(), m_Frame->MainMenu());
    EXPECT_EQ(m_Frame->LocalChess(), nullptr) << "the local window is made on first use";
    EXPECT_EQ(m_Frame->minimumSize(), QSize(600, 490));
    EXPECT_FALSE(m_Frame->IsNetworkWindowShown());
}

TEST_F(MainFrameTest, MenuButtonsLeadToTheLocalGameAndBack)
{
    m_Frame->MainMenu()->Button(CMainMenuWnd::ID_LOCAL_CHESS)->click();
    CLocalChessWnd* local = m_Frame->LocalChess();
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(m_Frame->VisibleChild(), local);
    EXPECT_TRUE(m_Frame->MainMenu()->isHidden());
    EXPECT_EQ(m_Frame->minimumSize(), QSize(663, 461));
    EXPECT_GE(m_Frame->width(), 663);
    EXPECT_GE(m_Frame->height(), 490);
    EXPECT_EQ(local->size(), m_Frame->size()) << "the child fills the client area";
    EXPECT_EQ(m_Frame->Engines().WhiteList().size(), 1u) << "plug-ins loaded before the window was made";

    local->Session().NewGame();
    AppTest::Drag(local->Board(), "e2", "e4");
    local->Button(CLocalChessSession::ID_MENU)->click();
    EXPECT_EQ(m_Frame->VisibleChild(), m_Frame->MainMenu());
    EXPECT_FALSE(local->Session().IsRunning());

    // Shown again, the same window opens anew.
    m_Frame->ShowLocalChess();
    EXPECT_EQ(m_Frame->LocalChess(), local);
    EXPECT_FALSE(local->Session().IsRunning());
    EXPECT_EQ(local->Board()->GetPosition().RecordLength(), 0);
    m_Frame->show();
    m_Frame->resize(900, 700);
    EXPECT_EQ(local->size(), QSize(900, 700));
}

TEST_F(MainFrameTest, CreditsAndDeveloperZoneShareOneHelpDialog)
{
    CMainMenuWnd* menu = m_Frame->MainMenu();
    menu->Button(CMainMenuWnd::ID_CREDITS)->click();
    ASSERT_NE(menu->HelpDialog(), nullptr);
    EXPECT_EQ(menu->HelpDialog()->windowTitle(), QStringLiteral("Credits"));
    EXPECT_TRUE(menu->HelpDialog()->Address().endsWith(QStringLiteral("/Credits.htm")));
    CHtmlDlg* dialog = menu->HelpDialog();
    menu->Button(CMainMenuWnd::ID_DEVELOPER_ZONE)->click();
    EXPECT_EQ(menu->HelpDialog(), dialog);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Developer Zone"));
    EXPECT_TRUE(dialog->Address().endsWith(QStringLiteral("/Developer Zone.htm")));
}

TEST_F(MainFrameTest, NetworkButtonsDoNothingUntilTheGamesExist)
{
    m_Frame->MainMenu()->Button(CMainMenuWnd::ID_NETWORK_CHESS)->click();
    m_Frame->MainMenu()->Button(CMainMenuWnd::ID_BUGHOUSE)->click();
    EXPECT_EQ(m_Frame->VisibleChild(), m_Frame->MainMenu());
    EXPECT_TRUE(AppTest::TakeMessages().isEmpty());
}

TEST_F(MainFrameTest, NetworkWindowsGrowTheFrameAndAskBeforeClosing)
{
    // The question follows the game's connection: a real network chess window
    // of a server, first alone, then with a client seated.
    CNetConnection link(m_Roster, m_Settings);
    ASSERT_TRUE(link.StartServer(0));
    m_Frame->SetBughouseFactory([](CMainFrame&) { return MakeNetWindow(800, 600); });
    m_Frame->SetNetChessFactory(
        [&](CMainFrame&) { return new CNetChessWnd(link, m_Roster, m_Settings, CBitmapCache::Instance()); });
    m_Frame->ShowNetChess();
    EXPECT_TRUE(m_Frame->IsNetworkWindowShown());
    EXPECT_EQ(m_Frame->size(), QSize(663, 556)) << "grown only where it was too small";
    m_Frame->ShowBughouse();
    EXPECT_EQ(m_Frame->size(), QSize(800, 600));
    EXPECT_EQ(m_Frame->VisibleChild(), m_Frame->Bughouse());
    m_Frame->ShowMainMenu();
    EXPECT_EQ(m_Frame->size(), QSize(800, 600)) << "the frame keeps its larger size";
    EXPECT_FALSE(m_Frame->IsNetworkWindowShown());

    m_Frame->ShowNetChess();
    PlayerRoster& roster = m_Roster;
    roster.SetEntry(0, PlayerEntry{QStringLiteral("me"), 0, COLOUR_WHITE, 0});
    EXPECT_TRUE(m_Frame->ConfirmClose()) << "alone in the game: no question";
    EXPECT_TRUE(AppTest::TakeMessages().isEmpty());
    roster.SetEntry(1, PlayerEntry{QStringLiteral("you"), 2, COLOUR_BLACK, 0});
    CMessageService::AnswerAutomatically(IDNO);
    EXPECT_FALSE(m_Frame->ConfirmClose());
    CMessageService::AnswerAutomatically(IDYES);
    EXPECT_TRUE(m_Frame->ConfirmClose());
    EXPECT_EQ(AppTest::TakeMessages(),
              QStringList(2, QStringLiteral("Connection will be closed.\nAre you sure to quit ?")));
    // The window goes before the link it plays over.
    m_Frame.reset();
}

TEST_F(MainFrameTest, PlacementIsSavedAndRestored)
{
    m_Frame->setGeometry(40, 50, 700, 520);
    m_Frame->SavePlacement();
    EXPECT_EQ(StoredDword(m_Store, "wp.left"), 40);
    EXPECT_EQ(StoredDword(m_Store, "wp.top"), 50);
    EXPECT_EQ(StoredDword(m_Store, "wp.right"), 740);
    EXPECT_EQ(StoredDword(m_Store, "wp.bottom"), 570);
    EXPECT_EQ(StoredDword(m_Store, "wp.showCmd"), CMainFrame::kShowNormal);

    CMainFrame other(m_Frame->Services());
    EXPECT_TRUE(other.RestorePlacement());
    EXPECT_EQ(other.geometry(), QRect(40, 50, 700, 520));

    // A maximised frame reopens maximised.
    m_Frame->setWindowState(Qt::WindowMaximized);
    m_Frame->SavePlacement();
    EXPECT_EQ(StoredDword(m_Store, "wp.showCmd"), CMainFrame::kShowMaximized);
    CMainFrame maximised(m_Frame->Services());
    EXPECT_TRUE(maximised.RestorePlacement());
    EXPECT_TRUE(maximised.windowState() & Qt::WindowMaximized);
}

TEST_F(MainFrameTest, PlacementWhollyOffTheScreenIsNotApplied)
{
    RegistryStore& store = m_Store;
    store.OpenRoot(QStringLiteral("HKEY_CURRENT_USER\\Software\\Zentrique\\Pellomar II"));
    store.OpenSubKey(QString::fromLatin1(CMainFrame::kPlacementKey));
    store.WriteDword(QStringLiteral("wp.showCmd"), CMainFrame::kShowNormal);
    store.WriteDword(QStringLiteral("wp.left"), 30000);
    store.WriteDword(QStringLiteral("wp.right"), 30700);
    store.WriteDword(QStringLiteral("wp.top"), 30000);
    store.WriteDword(QStringLiteral("wp.bottom"), 30500);
    CMainFrame frame(m_Frame->Services());
    const QRect before = frame.geometry();
    EXPECT_FALSE(frame.RestorePlacement());
    EXPECT_EQ(frame.geometry(), before);
}

TEST_F(MainFrameTest, MainMenuLaysOutItsColumn)
{
    CMainMenuWnd menu(m_Frame->Services().bitmaps);
    menu.resize(700, 600);
    menu.show();
    const QSize logo = m_Frame->Services().bitmaps.Get(QStringLiteral("IDB_BACK")).Size();
    const int b = menu.Button(CMainMenuWnd::ID_EXIT)->height();
    const int column = logo.height() + 6 * b + 20 + 10 * 6;
    const int top = (600 - column) / 2;
    EXPECT_EQ(menu.LogoRect(), QRect(QPoint((700 - logo.width()) / 2, top), logo));
    const int ids[] = {CMainMenuWnd::ID_LOCAL_CHESS, CMainMenuWnd::ID_NETWORK_CHESS,  CMainMenuWnd::ID_BUGHOUSE,
                       CMainMenuWnd::ID_CREDITS,     CMainMenuWnd::ID_DEVELOPER_ZONE, CMainMenuWnd::ID_EXIT};
    int y = top + logo.height() + 20;
    for (int id : ids)
    {
        const CSkinButton* button = menu.Button(id);
        EXPECT_EQ(button->pos(), QPoint((700 - button->width()) / 2, y)) << id;
        y += b + 10;
    }
    EXPECT_EQ(menu.Button(CMainMenuWnd::ID_LOCAL_CHESS)->text(), QStringLiteral("Local Chess Game"));
    EXPECT_EQ(menu.Button(CMainMenuWnd::ID_BUGHOUSE)->text(),
              QStringLiteral("Bughouse Game on Local Network or Internet"));
}

TEST_F(MainFrameTest, ExitClosesTheFrameAndSavesItsPlacement)
{
    m_Frame->show();
    m_Frame->move(10, 20);
    m_Frame->MainMenu()->Button(CMainMenuWnd::ID_EXIT)->click();
    EXPECT_FALSE(m_Frame->isVisible());
    EXPECT_EQ(StoredDword(m_Store, "wp.left"), m_Frame->geometry().left());
}

TEST(PellomarAppTest, DisplayBelow800x600IsTooSmall)
{
    struct Case
    {
        int width;
        int height;
        bool tooSmall;
    };
    for (const Case& c : {Case{640, 480, true}, Case{799, 600, true}, Case{800, 599, true}, Case{800, 600, false},
                          Case{1920, 1080, false}})
        EXPECT_EQ(CPellomarApp::IsDisplayTooSmall(c.width, c.height), c.tooSmall) << c.width << "x" << c.height;
}

// Start-up and exit as the program runs them; exit saves the settings and
// releases the process-wide objects.
TEST(PellomarAppTest, StartsOnTheMainMenuAndSavesTheSettingsAtExit)
{
    CPellomarApp app;
    ASSERT_TRUE(app.InitInstance());
    ASSERT_NE(app.MainFrame(), nullptr);
    EXPECT_TRUE(app.MainFrame()->isVisible());
    EXPECT_EQ(app.MainFrame()->VisibleChild(), app.MainFrame()->MainMenu());
    EXPECT_TRUE(app.GamesFolder().endsWith(QStringLiteral("Pellomar Games")));
    EXPECT_TRUE(QFileInfo(app.GamesFolder()).isDir());
    app.Settings()->SetTopPlayerName(QStringLiteral("Saved At Exit"));
    app.ExitInstance();
    EXPECT_EQ(app.MainFrame(), nullptr);
    EXPECT_EQ(app.Settings(), nullptr);

    RegistryStore store;
    GameSettings reread;
    reread.Load(store);
    EXPECT_EQ(reread.GetTopPlayerName(), QStringLiteral("Saved At Exit"));
    reread.SetTopPlayerName(QStringLiteral("Player 2"));
    reread.Save(store);
}

// Regression: the bughouse window, built at start-up, wrote "no time limit"
// off into the shared settings, so the setting was lost at every start.
TEST(PellomarAppTest, NoTimeLimitSurvivesARestart)
{
    {
        CPellomarApp app;
        ASSERT_TRUE(app.InitInstance());
        app.Settings()->SetIsTimeInfinite(true);
        app.ExitInstance();
    }
    {
        CPellomarApp app;
        ASSERT_TRUE(app.InitInstance());
        EXPECT_TRUE(app.Settings()->IsTimeInfinite());
        app.ExitInstance();
    }
    RegistryStore store;
    GameSettings reread;
    reread.Load(store);
    EXPECT_TRUE(reread.IsTimeInfinite());
    reread.SetIsTimeInfinite(false);
    reread.Save(store);
}
