#include "ScreenKeeper.h"
#include "MessageDlg.h"
#include "PromotionDlg.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace
{
const QRect kArea(0, 0, 800, 600);
}

// A frame is moved as little as needed to lie inside the area; one larger
// than the area keeps its top-left corner (and its title bar) in it.
TEST(ScreenKeeper, InsideMovesAFrameOntoTheAreaAsLittleAsNeeded)
{
    const struct
    {
        QRect frame;
        QPoint expected;
    } cases[] = {
        {QRect(100, 100, 160, 40), QPoint(100, 100)}, // already inside
        {QRect(250, -40, 160, 40), QPoint(250, 0)},   // above the top: the promotion chooser's case
        {QRect(700, 590, 160, 40), QPoint(640, 560)}, // past the bottom-right corner
        {QRect(-30, 200, 160, 40), QPoint(0, 200)},   // past the left edge
        {QRect(-50, -50, 900, 700), QPoint(0, 0)},    // larger than the area
        {QRect(10, 10, 900, 40), QPoint(0, 10)},      // wider than the area
    };
    for (const auto& c : cases)
    {
        const QRect placed = CScreenKeeper::Inside(c.frame, kArea);
        EXPECT_EQ(placed.topLeft(), c.expected) << c.frame.x() << "," << c.frame.y();
        EXPECT_EQ(placed.size(), c.frame.size());
    }
}

// A dialog asked for off the screen opens wholly on it, whatever the caller
// computed; one asked for on the screen stays where it was put.
TEST(ScreenKeeper, DialogsOpenWhollyOnTheScreen)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget owner;
    owner.setFixedSize(663, 461);
    owner.move(area.topLeft());
    owner.show();

    CPromotionDlg above(COLOUR_WHITE, &owner);
    above.move(area.left() + 250, area.top() - 40);
    above.show();
    EXPECT_TRUE(area.contains(above.frameGeometry()));
    EXPECT_EQ(above.frameGeometry().top(), area.top());
    EXPECT_EQ(above.frameGeometry().left(), area.left() + 250) << "only the far side is moved";

    CPromotionDlg below(COLOUR_BLACK, &owner);
    below.move(area.left() + 250, area.bottom() - 10);
    below.show();
    EXPECT_TRUE(area.contains(below.frameGeometry()));

    CPromotionDlg inside(COLOUR_BLACK, &owner);
    inside.move(area.left() + 100, area.top() + 100);
    inside.show();
    EXPECT_EQ(inside.pos(), area.topLeft() + QPoint(100, 100));

    // A message is centred on the screen of its window, framed and all.
    CMessageDlg notice(QStringLiteral("Game is a draw !"), CMessageDlg::Kind::Information, &owner);
    notice.show();
    EXPECT_TRUE(area.contains(notice.frameGeometry()));
}

// Installed on the application, the keeper also places dialogs that are not
// the program's own (file dialogs, the system message box, the plug-ins').
TEST(ScreenKeeper, InstalledOnTheApplicationItPlacesEveryDialog)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    CScreenKeeper keeper;
    qApp->installEventFilter(&keeper);
    QDialog plain;
    plain.resize(200, 100);
    plain.move(area.right() - 50, area.top() - 80);
    plain.show();
    EXPECT_TRUE(area.contains(plain.frameGeometry()))
        << plain.frameGeometry().x() << "," << plain.frameGeometry().y() << " " << plain.frameGeometry().width() << "x"
        << plain.frameGeometry().height();
    qApp->removeEventFilter(&keeper);
}
