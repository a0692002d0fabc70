// Dialogs placed by the program lie wholly on the screen of their window:
// the promotion chooser of a window at the top of the screen, and, with two
// screens, a message or a dialog whose window is on the second screen.
#include "LayoutTestSupport.h"

#include "BoardView.h"
#include "GameSettings.h"
#include "MainFrame.h"
#include "MessageDlg.h"
#include "PellomarApp.h"
#include "PromotionDlg.h"
#include "ScreenKeeper.h"
#include "SkinButton.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

namespace
{
void Drag(CBoardView* board, const char* from, const char* to)
{
    const QPoint start = board->SquareRect(CCoordinate::FromText(from)).center();
    const QPoint end = board->SquareRect(CCoordinate::FromText(to)).center();
    QTest::mousePress(board, Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(board, end);
    QTest::mouseRelease(board, Qt::LeftButton, Qt::NoModifier, end);
}

QString RectText(const QRect& rect)
{
    return QStringLiteral("(%1,%2 %3x%4)").arg(rect.x()).arg(rect.y()).arg(rect.width()).arg(rect.height());
}
} // namespace

// A person's pawn reaches the last rank in a local game whose window sits at
// the very top of the screen: the chooser, asked for above the window, opens
// on the screen, and the piece clicked in it is the one played.
TEST(Placement, PromotionChooserOfAWindowAtTheTopOfTheScreenIsOnTheScreen)
{
    CPellomarApp app;
    ASSERT_TRUE(app.InitInstance());
    app.Settings()->SetWhiteEngine(QStringLiteral("Human"));
    app.Settings()->SetBlackEngine(QStringLiteral("Human"));
    CMainFrame* frame = app.MainFrame();
    frame->SetEngineSearchRoots({});
    frame->move(QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    frame->ShowLocalChess();
    QWidget* window = frame->VisibleChild();
    ASSERT_NE(window, nullptr);
    QTest::mouseClick(window->findChild<CSkinButton*>(QStringLiteral("button1012")), Qt::LeftButton);
    auto* board = window->findChild<CBoardView*>();
    ASSERT_NE(board, nullptr);
    for (const auto& [from, to] : {std::pair{"a2", "a4"},
                                   {"b7", "b5"},
                                   {"a4", "b5"},
                                   {"a7", "a6"},
                                   {"b5", "a6"},
                                   {"b8", "c6"},
                                   {"a6", "a7"},
                                   {"a8", "b8"}})
        Drag(board, from, to);
    ASSERT_EQ(board->MoveTexts().size(), 8u);

    // The chooser is modal: it is looked at, and answered, from the event loop.
    QRect chooser;
    QRect area;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CPromotionDlg*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        seen = true;
        chooser = dialog->frameGeometry();
        area = CScreenKeeper::ScreenOf(dialog)->availableGeometry();
        QTest::mouseClick(dialog->PieceButton(PIECE_KNIGHT), Qt::LeftButton);
    });
    Drag(board, "a7", "b8");
    ASSERT_TRUE(seen) << "no promotion chooser opened";
    EXPECT_TRUE(area.contains(chooser)) << "the chooser " << RectText(chooser).toStdString()
                                        << " is not wholly on the screen " << RectText(area).toStdString();
    EXPECT_EQ(board->MoveTexts().back(), "axb8=N");
    app.ExitInstance();
}

// With two screens: a message, a promotion chooser asked for on the wrong
// screen, and a settings-like dialog all open on the screen of their window.
// Runs only with two screens (the layout_two_screens test gives them).
TEST(TwoScreens, DialogsOpenOnTheScreenOfTheirWindow)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.size() < 2)
        GTEST_SKIP() << "one screen only (layout_two_screens runs this with two)";
    const QRect second = screens[1]->availableGeometry();
    QWidget owner;
    owner.setFixedSize(663, 461);
    owner.move(second.topLeft() + QPoint(20, 40));
    owner.show();
    QApplication::processEvents();
    ASSERT_EQ(owner.screen(), screens[1]);

    CMessageDlg notice(QStringLiteral("Game is a draw !"), CMessageDlg::Kind::Information, &owner);
    notice.show();
    EXPECT_TRUE(second.contains(notice.frameGeometry())) << RectText(notice.frameGeometry()).toStdString();

    // Asked for above the window and on the first screen: kept on the second.
    CPromotionDlg promotion(COLOUR_WHITE, &owner);
    promotion.move(screens[0]->availableGeometry().topLeft() + QPoint(100, -40));
    promotion.show();
    EXPECT_TRUE(second.contains(promotion.frameGeometry())) << RectText(promotion.frameGeometry()).toStdString();
}
