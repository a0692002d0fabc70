// The local chess window at the board: moves by clicks, turning the view,
// the move list as a navigator, the keys and the focus, all by real mouse
// and key events.
#include "AppTestSupport.h"

#include "BitmapCache.h"
#include "BoardView.h"
#include "EngineListener.h"
#include "EngineLoader.h"
#include "GameSettings.h"
#include "HtmlDlg.h"
#include "LocalChessWnd.h"
#include "MoveListWnd.h"
#include "MovesWnd.h"
#include "PlayerRoster.h"
#include "PlayerWnd.h"
#include "SkinButton.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using W = CLocalChessWnd;
using S = CLocalChessSession;

namespace
{
CCoordinate Sq(const char* text)
{
    return CCoordinate::FromText(text);
}
} // namespace

class BoardControlsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_Settings.SetIsTimeInfinite(true);
        m_Settings.SetWhiteEngine(QStringLiteral("Human"));
        m_Settings.SetBlackEngine(QStringLiteral("Human"));
        m_Settings.SetIsCurrentMoveHighlighted(true);
        m_Window = new W(m_Settings, m_Roster, m_Loader, m_Listener, CBitmapCache::Instance(), &m_Frame);
        m_Window->resize(W::kMinimumWidth, W::kMinimumHeight);
        m_Window->SetGamesFolder(m_Folder.path());
        m_Frame.resize(W::kMinimumWidth, W::kMinimumHeight);
        m_Frame.show();
        m_Window->Open();
        m_Window->show();
        m_Frame.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&m_Frame));
        AppTest::TakeMessages();
    }

    CBoardView* Board() const { return m_Window->Board(); }
    void Click(const char* square)
    {
        QTest::mouseClick(Board(), Qt::LeftButton, {}, Board()->SquareRect(Sq(square)).center());
    }
    void ClickMoves(std::initializer_list<std::pair<const char*, const char*>> moves)
    {
        for (const auto& [from, to] : moves)
        {
            Click(from);
            Click(to);
        }
    }
    // Where a piece of the shown position is drawn, in the window's coordinates.
    QPoint OnScreen(const char* square) const
    {
        return Board()->mapTo(m_Window, Board()->SquareRect(Sq(square)).center());
    }
    std::vector<std::string> Moves() const { return m_Window->MoveList()->ShownMoves(); }

    QTemporaryDir m_Folder;
    GameSettings m_Settings;
    PlayerRoster m_Roster;
    CEngineLoader m_Loader;
    CEngineListener m_Listener;
    QWidget m_Frame;
    W* m_Window = nullptr;
};

TEST_F(BoardControlsTest, AGameToMateByClicksInTheWindow)
{
    m_Window->Session().NewGame();
    ClickMoves({{"e2", "e4"}, {"e7", "e5"}, {"d1", "h5"}, {"b8", "c6"}, {"f1", "c4"}, {"g8", "f6"}, {"h5", "f7"}});
    EXPECT_EQ(AppTest::TakeMessages(), QStringList{QStringLiteral("Black is checkmate.\nWhite wins the game !")});
    EXPECT_EQ(Moves(), (std::vector<std::string>{"e4", "e5", "Qh5", "Nc6", "Bc4", "Nf6", "Qxf7+"}));
    EXPECT_FALSE(m_Window->Session().IsRunning());
    EXPECT_EQ(Board()->CheckSquare(), Sq("e8"));
}

TEST_F(BoardControlsTest, FlipTurnsOnlyTheViewAndThePanelsFollow)
{
    m_Window->Session().NewGame();
    ClickMoves({{"e2", "e4"}});
    const QRect bottom = m_Window->BottomPanel()->geometry();
    const QRect top = m_Window->TopPanel()->geometry();
    const QPoint e4 = OnScreen("e4");
    Board()->setFocus();
    QTest::keyClick(Board(), Qt::Key_F);
    EXPECT_TRUE(m_Window->IsViewTurned());
    EXPECT_TRUE(Board()->IsFlipped());
    EXPECT_FALSE(m_Window->Session().IsTurnedAround()) << "the game keeps its own orientation";
    EXPECT_EQ(m_Window->BottomPanel()->geometry(), top);
    EXPECT_EQ(m_Window->TopPanel()->geometry(), bottom);
    EXPECT_NE(OnScreen("e4"), e4);
    EXPECT_EQ(Board()->GetPosition().TypeAt(Sq("e4")), PIECE_PAWN);
    EXPECT_EQ(Moves(), std::vector<std::string>{"e4"});
    // Moves are still made on the squares the turned view shows.
    ClickMoves({{"e7", "e5"}});
    EXPECT_EQ(Moves(), (std::vector<std::string>{"e4", "e5"}));
    // A resize keeps the panels where the view put them.
    m_Window->resize(m_Window->width() + 40, m_Window->height());
    EXPECT_GT(m_Window->TopPanel()->y(), Board()->y()) << "the top player's panel stays below the turned board";
    EXPECT_EQ(m_Window->TopPanel()->PlayerIndex(), m_Window->Session().PanelPlayer(1));
    m_Window->resize(m_Window->width() - 40, m_Window->height());

    // The board's context menu (as the platform reports a right click) turns it back.
    const QPoint d4 = Board()->SquareRect(Sq("d4")).center();
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, d4, Board()->mapToGlobal(d4));
    QApplication::sendEvent(Board(), &rightClick);
    QMenu* menu = m_Window->BoardMenu();
    ASSERT_TRUE(AppTest::WaitFor([&] { return menu->isVisible(); }));
    ASSERT_EQ(menu->actions().size(), 1);
    QAction* flip = menu->actions().first();
    EXPECT_EQ(flip->text(), QStringLiteral("Flip Board"));
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(flip).center());
    EXPECT_FALSE(m_Window->IsViewTurned());
    EXPECT_FALSE(Board()->IsFlipped());
    EXPECT_EQ(m_Window->BottomPanel()->geometry(), bottom);
    EXPECT_EQ(OnScreen("e4"), e4);

    // A turned view stays turned through a new game.
    QTest::keyClick(Board(), Qt::Key_F);
    m_Window->Session().NewGame();
    EXPECT_TRUE(Board()->IsFlipped());
}

TEST_F(BoardControlsTest, TheMoveListNavigates)
{
    m_Window->Session().NewGame();
    ClickMoves({{"f2", "f3"}, {"e7", "e5"}, {"g2", "g4"}, {"d8", "h4"}});
    AppTest::TakeMessages();
    CMovesWnd* pane = m_Window->MoveList()->Pane();
    QApplication::processEvents();
    EXPECT_EQ(pane->CursorMove(), 3);
    // A click on White's second move shows the position after it.
    QTest::mouseClick(pane, Qt::LeftButton, {}, pane->MoveRect(2).center());
    EXPECT_EQ(Moves(), (std::vector<std::string>{"f3", "e5", "g4"}));
    EXPECT_EQ(Board()->GetPosition().CurrentPly(), 3);
    EXPECT_EQ(pane->CursorMove(), 2);
    EXPECT_EQ(Board()->LastMoveSquare(), Sq("g4"));
    EXPECT_EQ(Board()->LastMoveOrigin(), Sq("g2"));
    // The browse cursor's move is marked behind its text.
    const QImage image = pane->grab().toImage();
    const QRect cursor = pane->MoveRect(2);
    EXPECT_NE(image.pixel(cursor.topLeft() + QPoint(1, 1)), image.pixel(pane->MoveRect(1).topLeft() + QPoint(1, 1)));
    // Keys while the list has the focus.
    pane->setFocus();
    QTest::keyClick(pane, Qt::Key_Home);
    EXPECT_TRUE(Moves().empty());
    EXPECT_EQ(Board()->GetPosition().CurrentPly(), 0);
    QTest::keyClick(pane, Qt::Key_Right);
    QTest::keyClick(pane, Qt::Key_Right);
    EXPECT_EQ(Moves(), (std::vector<std::string>{"f3", "e5"}));
    QTest::keyClick(pane, Qt::Key_Left);
    EXPECT_EQ(Moves(), std::vector<std::string>{"f3"});
    // ... and while the board has it.
    Board()->setFocus();
    QTest::keyClick(Board(), Qt::Key_End);
    EXPECT_EQ(Moves().size(), 4U);
    EXPECT_EQ(Board()->GetPosition().CurrentPly(), 4);
    QTest::keyClick(Board(), Qt::Key_Left);
    EXPECT_EQ(Moves().size(), 3U);
}

TEST_F(BoardControlsTest, BrowsingObeysTheGameWhileItRuns)
{
    m_Window->Session().NewGame();
    ClickMoves({{"e2", "e4"}, {"e7", "e5"}});
    CMovesWnd* pane = m_Window->MoveList()->Pane();
    QApplication::processEvents();
    QTest::mouseClick(pane, Qt::LeftButton, {}, pane->MoveRect(0).center());
    Board()->setFocus();
    QTest::keyClick(Board(), Qt::Key_Home);
    EXPECT_EQ(Moves().size(), 2U) << "no browsing during a game";
    EXPECT_EQ(Board()->GetPosition().CurrentPly(), 2);
}

TEST_F(BoardControlsTest, EveryShortcutRunsItsButtonAndIsShownInItsTooltip)
{
    struct Case
    {
        int id;
        QKeySequence key;
        const char* tip;
    };
    const Case cases[] = {
        {S::ID_NEW_GAME, QKeySequence(Qt::CTRL | Qt::Key_N), "New Game (Ctrl+N)"},
        {S::ID_LOAD_GAME, QKeySequence(Qt::CTRL | Qt::Key_O), "Load Game (Ctrl+O)"},
        {S::ID_SAVE_GAME, QKeySequence(Qt::CTRL | Qt::Key_S), "Save Game (Ctrl+S)"},
        {S::ID_TAKEBACK_MOVE, QKeySequence(Qt::CTRL | Qt::Key_Z), "Takeback Move (Ctrl+Z)"},
        {S::ID_HELP, QKeySequence(Qt::Key_F1), "Help (F1)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(m_Window->Button(c.id)->toolTip(), QString::fromLatin1(c.tip));

    Board()->setFocus();
    QTest::keyClick(Board(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_TRUE(m_Window->Session().IsRunning()) << "Ctrl+N starts a new game";
    ClickMoves({{"e2", "e4"}});
    QTest::keyClick(Board(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(Moves().empty()) << "Ctrl+Z takes the move back";

    QStringList asked;
    m_Window->SetFileChooser([&](bool save, const QString&, const QString&) {
        asked << (save ? QStringLiteral("save") : QStringLiteral("load"));
        return QString();
    });
    QTest::keyClick(Board(), Qt::Key_S, Qt::ControlModifier);
    QTest::keyClick(Board(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(asked, (QStringList{QStringLiteral("save"), QStringLiteral("load")}));
    // A disabled button's key does nothing: no takeback with no move made.
    QTest::keyClick(Board(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(m_Window->Session().IsRunning());
    EXPECT_TRUE(AppTest::TakeMessages().isEmpty());

    QTest::keyClick(Board(), Qt::Key_F1);
    ASSERT_NE(m_Window->HelpDialog(), nullptr);
    EXPECT_TRUE(m_Window->HelpDialog()->isVisible());
    m_Window->HelpDialog()->close();

    // Escape drops a chosen piece through the window's key as well.
    m_Window->Session().NewGame();
    Click("g1");
    ASSERT_TRUE(Board()->HasSelection());
    m_Window->MoveList()->Pane()->setFocus();
    QTest::keyClick(m_Window->MoveList()->Pane(), Qt::Key_Escape);
    EXPECT_FALSE(Board()->HasSelection());
}

TEST_F(BoardControlsTest, TabWalksTheControlsAndTheFocusStaysInItsRow)
{
    Board()->setFocus();
    ASSERT_TRUE(Board()->hasFocus());
    QTest::keyClick(Board(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), m_Window->MoveList()->Pane());
    // Pause Game has the focus and gives its row to Continue Game when pressed.
    m_Settings.SetIsTimeInfinite(false);
    m_Settings.SetGameTime(0, 5, 0);
    m_Window->Session().NewGame();
    ClickMoves({{"e2", "e4"}});
    CSkinButton* pause = m_Window->Button(S::ID_PAUSE_GAME);
    ASSERT_TRUE(pause->isEnabled());
    pause->setFocus();
    QTest::keyClick(pause, Qt::Key_Space);
    ASSERT_TRUE(m_Window->Session().IsPaused());
    EXPECT_EQ(QApplication::focusWidget(), m_Window->Button(S::ID_CONTINUE_GAME))
        << "the focus stays in the row the pressed button had";
    QTest::keyClick(m_Window->Button(S::ID_CONTINUE_GAME), Qt::Key_Space);
    EXPECT_FALSE(m_Window->Session().IsPaused());
    EXPECT_EQ(QApplication::focusWidget(), pause);
}
