// The main frame with each of its four windows, reached as the program
// reaches them, at the window's minimum size and at a larger one, with the
// longest texts its parts may be given: long names with the computer mark,
// long moves, a full chat.
#include "LayoutTestSupport.h"

#include "BoardView.h"
#include "GameSettings.h"
#include "MainFrame.h"
#include "MoveListWnd.h"
#include "OutputPane.h"
#include "PellomarApp.h"
#include "PlayerRoster.h"
#include "PlayerWnd.h"
#include "SkinButton.h"

#include <QApplication>
#include <QTcpServer>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace
{
// The least client size of each window, as the main frame's table gives it.
constexpr QSize kMainMenuMinimum(600, 490);
constexpr QSize kLocalChessMinimum(663, 461);
constexpr QSize kNetChessMinimum(660, 556);
constexpr QSize kBughouseMinimum(800, 600);
// The larger size each window is also looked at.
constexpr QSize kGrowth(137, 109);

// Twenty characters, the longest nickname, and a local name longer still.
const QString kLongNickname = QStringLiteral("Wwwwwwwwwwwwwwwwwwww");
const QString kLongLocalName = QStringLiteral("Bartholomew Wolfgang Longname-Smythe");
// A long SAN, in both columns and on many lines.
const std::vector<std::string> kLongMoves(9, "cxd8=Q+");

class WindowLayoutTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_App = std::make_unique<CPellomarApp>();
        ASSERT_TRUE(m_App->InitInstance());
        GameSettings& settings = *m_App->Settings();
        settings.SetWhiteEngine(QStringLiteral("Human"));
        settings.SetBlackEngine(QStringLiteral("Human"));
        settings.SetBottomPlayerName(kLongLocalName);
        settings.SetTopPlayerName(kLongLocalName);
        Frame()->SetEngineSearchRoots({});
        Frame()->move(0, 0);
    }

    void TearDown() override
    {
        m_App->ExitInstance();
        m_App.reset();
    }

    [[nodiscard]] CMainFrame* Frame() const { return m_App->MainFrame(); }

    // A server of the mode started as from the command line, on a port that
    // was free a moment ago (another is tried if it was taken meanwhile).
    void StartServer(const QString& mode)
    {
        for (int attempt = 0; attempt < 5; ++attempt)
        {
            QTcpServer probe;
            ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
            const QString port = QString::number(probe.serverPort());
            probe.close();
            ASSERT_TRUE(m_App->RunCommandLine({QStringLiteral("server"), mode, port, kLongNickname}));
            if (Frame()->IsNetworkWindowShown())
                return;
        }
        FAIL() << "no server could be started";
    }

    // The window's minimum is at least the table's, and the check is clean at
    // the size the window is first shown at, at its minimum (no less than the
    // table's) and at a larger size.
    void CheckAtTwoSizes(const QString& name, QSize tableMinimum, const std::function<void()>& fill = {})
    {
        QWidget* child = Frame()->VisibleChild();
        ASSERT_NE(child, nullptr);
        const QSize minimum = child->minimumSize();
        EXPECT_TRUE(minimum.width() >= tableMinimum.width() && minimum.height() >= tableMinimum.height())
            << name.toStdString() << ": minimum size " << minimum.width() << "x" << minimum.height() << " is below the "
            << tableMinimum.width() << "x" << tableMinimum.height() << " its layout needs";
        const QSize least = Frame()->minimumSize().expandedTo(tableMinimum);
        std::vector<QSize> sizes{least, least + kGrowth};
        if (Frame()->size() != least)
            sizes.insert(sizes.begin(), Frame()->size());
        for (const QSize size : sizes)
        {
            Frame()->resize(size);
            if (fill)
                fill();
            QApplication::processEvents();
            const QString state = QStringLiteral("%1 at %2x%3").arg(name).arg(size.width()).arg(size.height());
            const QStringList faults = LayoutTest::Check(Frame(), state, m_Check);
            EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
        }
    }

    // Long texts in every panel, move list and chat pane of the shown window.
    void FillWithLongTexts(const QString& chatName)
    {
        QWidget* child = Frame()->VisibleChild();
        const int players = m_App->Roster()->Count();
        int index = 0;
        for (CPlayerWnd* panel : child->findChildren<CPlayerWnd*>())
        {
            // Every panel shows a seated player, none the waiting line.
            panel->SetPlayerIndex(std::min(index++, players - 1));
            panel->SetComputerMark(true);
            panel->SetTime(ClockTime::FromHms(99, 59, 59));
        }
        for (CMoveListWnd* list : child->findChildren<CMoveListWnd*>())
        {
            list->Clear();
            list->AddMoves(kLongMoves);
            list->SetResult("1/2-1/2");
        }
        for (COutputPane* pane : child->findChildren<COutputPane*>())
            for (int i = 0; i < 12; ++i)
                pane->AddLine(chatName + QStringLiteral(": a line of chat long enough to be wrapped over two lines"),
                              COutputPane::ChatFont(), COutputPane::OwnChatColour());
    }

    std::unique_ptr<CPellomarApp> m_App;
    CLayoutCheck m_Check;
};
} // namespace

TEST_F(WindowLayoutTest, MainMenu)
{
    Frame()->show();
    Frame()->ShowMainMenu();
    CheckAtTwoSizes(QStringLiteral("main menu"), kMainMenuMinimum);
}

TEST_F(WindowLayoutTest, LocalChessOpenedAndPlaying)
{
    Frame()->show();
    Frame()->ShowLocalChess();
    CheckAtTwoSizes(QStringLiteral("local chess, opened"), kLocalChessMinimum);

    // A game with long names, the computer mark, a long clock and long moves.
    auto* newGame = Frame()->VisibleChild()->findChild<CSkinButton*>(QStringLiteral("button1012"));
    ASSERT_NE(newGame, nullptr);
    QTest::mouseClick(newGame, Qt::LeftButton);
    CheckAtTwoSizes(QStringLiteral("local chess, long texts"), kLocalChessMinimum,
                    [this] { FillWithLongTexts(kLongLocalName); });
}

TEST_F(WindowLayoutTest, NetChessServerWaiting)
{
    Frame()->show();
    StartServer(QStringLiteral("single"));
    m_App->Roster()->SetEntry(1, PlayerEntry{kLongNickname, 1, COLOUR_BLACK, 0});
    CheckAtTwoSizes(QStringLiteral("network chess"), kNetChessMinimum, [this] { FillWithLongTexts(kLongNickname); });
}

TEST_F(WindowLayoutTest, BughouseServerWaiting)
{
    Frame()->show();
    StartServer(QStringLiteral("double"));
    for (int seat = 1; seat < 4; ++seat)
        m_App->Roster()->SetEntry(seat, PlayerEntry{kLongNickname, seat, COLOUR_WHITE, 0});
    CheckAtTwoSizes(QStringLiteral("bughouse"), kBughouseMinimum, [this] { FillWithLongTexts(kLongNickname); });

    // Each board carries its coordinates and has its two players' panels
    // with it: the top player's just above, the bottom player's just below,
    // both as wide as the board.
    auto* window = Frame()->VisibleChild();
    for (int board = 0; board < 2; ++board)
    {
        const auto* view = window->findChild<CBoardView*>(QStringLiteral("board%1").arg(board));
        const auto* bottom = window->findChild<CPlayerWnd*>(QStringLiteral("panel%1").arg(2 * board));
        const auto* top = window->findChild<CPlayerWnd*>(QStringLiteral("panel%1").arg(2 * board + 1));
        ASSERT_TRUE(view != nullptr && bottom != nullptr && top != nullptr);
        QStringList coordinates;
        for (const DrawnText& text : view->DrawnTexts())
            coordinates << text.text;
        coordinates.sort();
        EXPECT_EQ(coordinates.join(QString()), QStringLiteral("12345678abcdefgh")) << "board " << board;
        const QRect area = view->geometry();
        for (const auto* panel : {top, bottom})
        {
            EXPECT_EQ(panel->x(), area.x()) << "board " << board;
            EXPECT_EQ(panel->width(), area.width()) << "board " << board;
        }
        EXPECT_LE(area.top() - top->geometry().bottom(), 4) << "board " << board;
        EXPECT_GE(area.top(), top->geometry().bottom());
        EXPECT_LE(bottom->y() - area.bottom(), 4) << "board " << board;
        EXPECT_GE(bottom->y(), area.bottom());
    }
}
