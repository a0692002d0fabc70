#include "BitmapCache.h"
#include "MessageDlg.h"
#include "SkinButton.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace
{
// Lays the dialog out through the message service and keeps its size.
struct Captured
{
    QSize size;
    QRect text;
    std::vector<QRect> buttons;
    QString title;
};

Captured Capture(CMessageService::Style style, const QString& text)
{
    Captured captured;
    CMessageService::SetAnswerer([&](CMessageService::Style, const QString&, CMessageDlg* dialog) {
        captured.size = dialog->size();
        captured.text = dialog->TextLabel()->geometry();
        captured.title = dialog->windowTitle();
        for (CSkinButton* b : dialog->findChildren<CSkinButton*>())
            captured.buttons.push_back(b->geometry());
        return IDNO;
    });
    CMessageService::Show(style, text, nullptr);
    CMessageService::AnswerAutomatically(IDYES);
    return captured;
}
} // namespace

TEST(MessageDlg, LongTextWidensTheDialog)
{
    const QString text = QStringLiteral("Game is a draw due to 50 ply without capture or pawn movement and a "
                                        "few more words to make it long.\nSecond line");
    const Captured c = Capture(CMessageService::Style::Information, text);
    EXPECT_EQ(c.title, QStringLiteral("Information"));
    ASSERT_EQ(c.buttons.size(), 1u);
    EXPECT_GT(c.size.width(), 2 * c.buttons[0].width());
    EXPECT_EQ(c.text.left(), 10);
    EXPECT_EQ(c.text.top(), 10);
    EXPECT_EQ(c.size.width(), c.text.width() - 1 + 20);
    // The button sits 10 pixels above the bottom, centred.
    EXPECT_EQ(c.buttons[0].bottom() + 1, c.size.height() - 10);
    EXPECT_NEAR(c.buttons[0].center().x(), c.size.width() / 2, 1);
    EXPECT_EQ(c.size.height(), c.text.height() + c.buttons[0].height() + 40);
}

TEST(MessageDlg, ShortQuestionHasRoomForBothButtons)
{
    const Captured c = Capture(CMessageService::Style::Question, QStringLiteral("Quit ?"));
    EXPECT_EQ(c.title, QStringLiteral("Question"));
    ASSERT_EQ(c.buttons.size(), 2u);
    const int bw = c.buttons[0].width();
    EXPECT_EQ(c.size.width(), 3 * bw - 10);
    // Yes and No are 10 pixels apart and the text is centred.
    const QRect left = c.buttons[0].left() < c.buttons[1].left() ? c.buttons[0] : c.buttons[1];
    const QRect right = c.buttons[0].left() < c.buttons[1].left() ? c.buttons[1] : c.buttons[0];
    EXPECT_EQ(right.left() - left.right() - 1, 10);
    EXPECT_NEAR(c.text.center().x(), c.size.width() / 2, 1);
}

TEST(MessageService, AnswersAndRecordsEveryMessage)
{
    CMessageService::ClearHistory();
    CMessageService::AnswerAutomatically(IDNO);
    EXPECT_EQ(CMessageDlg::Ask(QStringLiteral("Are you sure ?")), IDNO);
    EXPECT_EQ(CMessageDlg::ShowInformation(QStringLiteral("Done.")), IDOK);
    EXPECT_EQ(CMessageDlg::ShowSystemInformation(QStringLiteral("The game time must be at least 1 minute.")), IDOK);
    CMessageService::AnswerAutomatically(IDYES);
    EXPECT_EQ(CMessageDlg::Ask(QStringLiteral("Again ?")), IDYES);
    const auto& history = CMessageService::History();
    ASSERT_EQ(history.size(), 4u);
    EXPECT_EQ(history[0].style, CMessageService::Style::Question);
    EXPECT_EQ(history[0].answer, IDNO);
    EXPECT_EQ(history[2].style, CMessageService::Style::SystemInformation);
    EXPECT_EQ(history[3].answer, IDYES);
}

TEST(PellomarDialog, PatternBehindAndDragByAFreeSpot)
{
    CPellomarDialog dialog(300, nullptr);
    dialog.resize(200, 120);
    dialog.move(100, 100);
    dialog.show();
    QApplication::processEvents();
    const QImage shown = dialog.grab().toImage();
    const QImage pattern = CBitmapCache::Instance().Get("IDB_PATTERN_SMOOTH").Image();
    EXPECT_EQ(shown.pixel(5, 7), pattern.pixel(5, 7));
    EXPECT_EQ(shown.pixel(64 + 5, 64 + 7), pattern.pixel(5, 7)); // tiled

    const QPoint start = dialog.pos();
    QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseMove(&dialog, QPoint(80, 70));
    QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(80, 70));
    EXPECT_EQ(dialog.pos() - start, QPoint(30, 20));

    dialog.SetDragAllowed(false);
    const QPoint fixed = dialog.pos();
    QTest::mousePress(&dialog, Qt::LeftButton, {}, QPoint(50, 50));
    QTest::mouseMove(&dialog, QPoint(90, 90));
    QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(90, 90));
    EXPECT_EQ(dialog.pos(), fixed);
}
