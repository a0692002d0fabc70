#include "ChatEdit.h"
#include "MoveListOwner.h"
#include "MoveListWnd.h"
#include "MovesWnd.h"
#include "OutputPane.h"
#include "PlayerRoster.h"
#include "PlayerWnd.h"
#include "SkinButton.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace
{
struct FakeOwner : IMoveListOwner
{
    std::vector<std::string> calls;
    bool canBack = true;
    bool canForward = true;
    void GoToStart() override { calls.push_back("start"); }
    void StepBack() override { calls.push_back("back"); }
    std::string StepForward() override
    {
        calls.push_back("forward");
        return "Nf3";
    }
    std::vector<std::string> GoToEnd() override
    {
        calls.push_back("end");
        return {"e4", "e5", "Nf3"};
    }
    bool CanStepBack() const override { return canBack; }
    bool CanStepForward() const override { return canForward; }
};

struct ListFixture
{
    QWidget window;
    FakeOwner owner;
    CMoveListWnd* list;

    explicit ListFixture(int height = 300)
    {
        list = new CMoveListWnd(&owner, &window, 1);
        list->setGeometry(0, 0, 200, height);
        window.resize(200, height);
        window.show();
        QApplication::processEvents();
    }
    QImage Pane() const { return list->Pane()->grab().toImage(); }
};
} // namespace

TEST(MoveList, ThreeMovesAndAResultTakeThreeLines)
{
    ListFixture f;
    f.list->AddMoves({"e4", "e5", "Nf3"});
    EXPECT_EQ(f.list->Pane()->MoveLines(), 2);
    EXPECT_EQ(f.list->Pane()->NumberOfLines(), 2);
    const QImage withoutResult = f.Pane();
    f.list->SetResult("1-0");
    EXPECT_EQ(f.list->Pane()->NumberOfLines(), 3);
    // The result is drawn on the third line and nowhere above it.
    const QImage withResult = f.Pane();
    const int line = f.list->Pane()->LineHeight() + 2;
    bool differsAbove = false;
    bool differsOnThird = false;
    for (int y = 0; y < withResult.height(); ++y)
        for (int x = 0; x < withResult.width(); ++x)
            if (withResult.pixel(x, y) != withoutResult.pixel(x, y))
                (y < 1 + 2 * line ? differsAbove : differsOnThird) = true;
    EXPECT_FALSE(differsAbove);
    EXPECT_TRUE(differsOnThird);
    f.list->Clear();
    EXPECT_TRUE(f.list->ShownMoves().empty());
    EXPECT_TRUE(f.list->Result().empty());
}

TEST(MoveList, InformationTextHidesTheMovesUntilEmptied)
{
    ListFixture f;
    f.list->SetInformation(" Click on New Game");
    const QImage informationOnly = f.Pane();
    f.list->AddMoves({"e4", "e5", "Nf3", "Nc6"});
    EXPECT_EQ(f.Pane(), informationOnly);
    f.list->SetInformation(QString());
    EXPECT_NE(f.Pane(), informationOnly);
}

TEST(MoveList, LongListScrollsToItsLastLine)
{
    ListFixture f(120);
    CMovesWnd& pane = *f.list->Pane();
    ASSERT_GT(pane.LinesPerPage(), 0);
    for (int i = 0; i < 40; ++i)
        f.list->AddMove(i % 2 == 0 ? "Nf3" : "Nf6");
    f.list->SetResult("1/2-1/2");
    EXPECT_TRUE(pane.IsScrollBarShown());
    const int lastShown = pane.FirstShownLine() + pane.LinesPerPage() - 1;
    EXPECT_EQ(lastShown, pane.NumberOfLines() - 1);
    // The wheel scrolls one line per notch, a part of a notch counting as one.
    const int first = pane.FirstShownLine();
    EXPECT_TRUE(pane.HandleWheel(120, true));
    EXPECT_EQ(pane.FirstShownLine(), first - 1);
    EXPECT_TRUE(pane.HandleWheel(-30, true));
    EXPECT_EQ(pane.FirstShownLine(), first);
    EXPECT_TRUE(pane.HandleWheel(240, true));
    EXPECT_EQ(pane.FirstShownLine(), first - 2);
    EXPECT_FALSE(pane.HandleWheel(120, false));
    // Never beyond the last line.
    for (int i = 0; i < 10; ++i)
        pane.HandleWheel(-120, true);
    EXPECT_EQ(pane.FirstShownLine(), first);
}

TEST(MoveList, BrowseButtonsAskTheOwner)
{
    ListFixture f;
    f.owner.canForward = false;
    f.list->UpdateBrowseButtons();
    EXPECT_TRUE(f.list->BrowseButton(CMoveListWnd::kStepBackId)->isEnabled());
    EXPECT_FALSE(f.list->BrowseButton(CMoveListWnd::kGoToEndId)->isEnabled());

    // "<" with no move shown: the owner is asked, the list stays as it is.
    f.list->OnStepBack();
    EXPECT_EQ(f.owner.calls, std::vector<std::string>{"back"});
    EXPECT_TRUE(f.list->ShownMoves().empty());

    f.owner.canForward = true;
    f.list->OnGoToEnd();
    EXPECT_EQ(f.list->ShownMoves(), (std::vector<std::string>{"e4", "e5", "Nf3"}));
    f.list->SetResult("*");
    f.list->OnStepBack();
    EXPECT_EQ(f.list->ShownMoves().size(), 2u);
    EXPECT_TRUE(f.list->Result().empty());
    f.list->OnStepForward();
    EXPECT_EQ(f.list->ShownMoves().back(), "Nf3");
    f.list->OnGoToStart();
    EXPECT_TRUE(f.list->ShownMoves().empty());
    EXPECT_EQ(f.owner.calls, (std::vector<std::string>{"back", "end", "back", "forward", "start"}));

    // Without an owner nothing browses and RemoveLast does nothing.
    CMoveListWnd alone(nullptr, nullptr);
    alone.AddMove("e4");
    alone.RemoveLast();
    alone.OnGoToStart();
    EXPECT_EQ(alone.ShownMoves().size(), 1u);
}

namespace
{
class CountingPlayerWnd : public CPlayerWnd
{
public:
    using CPlayerWnd::CPlayerWnd;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        ++paints;
        CPlayerWnd::paintEvent(event);
    }
};
} // namespace

TEST(PlayerWnd, ShowsNameAndClockForEachState)
{
    PlayerRoster roster;
    roster.SetEntry(0, PlayerEntry{QStringLiteral("Alice"), 0, COLOUR_WHITE, 0});
    CPlayerWnd panel(roster, 0, nullptr);
    panel.SetTime(ClockTime::FromHms(0, 5, 0));
    EXPECT_EQ(panel.NameText(), QStringLiteral("Alice"));
    EXPECT_EQ(panel.ClockText(), QStringLiteral("5 min 0 sec"));
    EXPECT_EQ(panel.TextColour(), QColor(224, 132, 0));
    panel.SetComputerMark(true);
    EXPECT_EQ(panel.NameText(), QStringLiteral("Alice (Computer)"));
    panel.Start();
    EXPECT_EQ(panel.TextColour(), QColor(255, 255, 255));
    panel.Stop();

    panel.SetPlayerIndex(-1);
    EXPECT_EQ(panel.NameText(), QStringLiteral("< Waiting for client to connect >"));
    EXPECT_EQ(panel.ClockText(), QStringLiteral("0 min 0 sec"));
    panel.SetUnlimited(true);
    EXPECT_EQ(panel.ClockText(), QStringLiteral("No time limit"));
}

TEST(PlayerWnd, ShowsTheClockItIsGiven)
{
    PlayerRoster roster;
    CPlayerWnd panel(roster, 0, nullptr);
    CPlayerClock game;
    game.SetTime(ClockTime::FromHms(0, 3, 0));
    panel.ShowClock(&game);
    EXPECT_EQ(panel.ClockText(), QStringLiteral("3 min 0 sec"));
    EXPECT_EQ(&panel.Clock(), &game);
    panel.ShowClock(nullptr);
    EXPECT_EQ(panel.ClockText(), QStringLiteral("0 min 0 sec"));
}

TEST(PlayerWnd, SameComputerMarkCausesNoRepaint)
{
    PlayerRoster roster;
    CountingPlayerWnd panel(roster, 0, nullptr);
    panel.show();
    QApplication::processEvents();
    const int before = panel.paints;
    panel.SetComputerMark(false);
    QApplication::processEvents();
    EXPECT_EQ(panel.paints, before);
    panel.SetComputerMark(true);
    QApplication::processEvents();
    EXPECT_GT(panel.paints, before);
}

TEST(OutputPane, ScrollsToItsLastLine)
{
    COutputPane pane;
    pane.resize(200, 60);
    pane.show();
    for (int i = 0; i < 3; ++i)
        pane.AddLine(QStringLiteral("- short"), COutputPane::ChatFont(), COutputPane::NoticeColour());
    EXPECT_FALSE(pane.IsScrollBarShown());
    EXPECT_EQ(pane.ScrollPosition(), 0);
    pane.AddLine(QStringLiteral("Bob: a long line of chat that has to wrap over several lines of the pane"),
                 COutputPane::ChatFont(), COutputPane::OpponentChatColour());
    EXPECT_TRUE(pane.IsScrollBarShown());
    EXPECT_GT(pane.ScrollPosition(), 0);
    EXPECT_EQ(pane.ScrollPosition(), pane.TextHeight() - (pane.height() - 2));
    EXPECT_TRUE(pane.HandleWheel(120));
    EXPECT_LT(pane.ScrollPosition(), pane.TextHeight() - (pane.height() - 2));
    pane.Clear();
    EXPECT_TRUE(pane.Lines().empty());
    EXPECT_FALSE(pane.IsScrollBarShown());
}

TEST(OutputPane, KeepsTheNewestLinesAndCutsOverlongOnes)
{
    COutputPane pane;
    pane.resize(200, 60);
    pane.show();
    const int total = COutputPane::kMaxLines + 10;
    for (int i = 0; i < total; ++i)
        pane.AddLine(QStringLiteral("line %1").arg(i), COutputPane::ChatFont(), COutputPane::NoticeColour());
    ASSERT_EQ(pane.Lines().size(), static_cast<std::size_t>(COutputPane::kMaxLines));
    EXPECT_EQ(pane.Lines().front().text, QStringLiteral("line 10"));
    EXPECT_EQ(pane.Lines().back().text, QStringLiteral("line %1").arg(total - 1));
    EXPECT_EQ(pane.ScrollPosition(), pane.TextHeight() - (pane.height() - 2));

    pane.AddLine(QString(3 * COutputPane::kMaxLineLength, QLatin1Char('x')), COutputPane::ChatFont(),
                 COutputPane::OpponentChatColour());
    const QString cut = pane.Lines().back().text;
    EXPECT_EQ(cut.size(), COutputPane::kMaxLineLength);
    EXPECT_EQ(cut.back(), QChar(0x2026));
    EXPECT_EQ(pane.Lines().size(), static_cast<std::size_t>(COutputPane::kMaxLines));

    // A new width wraps every line again: the height is what measuring them all now gives.
    for (int width : {120, 400})
    {
        pane.resize(width, 60);
        const int textWidth = width - 6 - COutputPane::kScrollBarWidth;
        int expected = 0;
        for (const COutputPane::Line& line : pane.Lines())
        {
            const QFontMetrics metrics(line.font);
            expected +=
                std::max(metrics.height(), metrics
                                               .boundingRect(QRect(0, 0, textWidth, 1000000),
                                                             Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, line.text)
                                               .height());
        }
        EXPECT_EQ(pane.TextHeight(), expected) << width;
        EXPECT_EQ(pane.ScrollPosition(), pane.TextHeight() - (pane.height() - 2)) << width;
    }
    pane.Clear();
    EXPECT_EQ(pane.TextHeight(), 0);
}

namespace
{
struct ChatRecorder : IChatSender
{
    QStringList sent;
    void SendChat(const QString& text) override { sent.push_back(text); }
};
} // namespace

TEST(ChatEdit, EnterSendsAndUpDownWalkTheHistory)
{
    ChatRecorder owner;
    CChatEdit edit;
    edit.Attach(&owner);
    QTest::keyClick(&edit, Qt::Key_Return); // empty: nothing sent
    EXPECT_TRUE(owner.sent.isEmpty());
    QTest::keyClicks(&edit, "hello");
    QTest::keyClick(&edit, Qt::Key_Return);
    QTest::keyClicks(&edit, "good move");
    QTest::keyClick(&edit, Qt::Key_Enter);
    EXPECT_EQ(owner.sent, (QStringList{"hello", "good move"}));
    EXPECT_TRUE(edit.text().isEmpty());

    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.text(), QStringLiteral("good move"));
    QTest::keyClick(&edit, Qt::Key_Up);
    EXPECT_EQ(edit.text(), QStringLiteral("hello"));
    QTest::keyClick(&edit, Qt::Key_Up); // stays on the oldest
    EXPECT_EQ(edit.text(), QStringLiteral("hello"));
    QTest::keyClick(&edit, Qt::Key_Down);
    EXPECT_EQ(edit.text(), QStringLiteral("good move"));
    QTest::keyClick(&edit, Qt::Key_Down);
    EXPECT_TRUE(edit.text().isEmpty());
}

namespace
{
// No two texts a widget paints lie on each other, and each lies inside it.
void ExpectTextsApart(const IDrawnTexts& drawn, const QWidget& widget)
{
    const std::vector<DrawnText> texts = drawn.DrawnTexts();
    for (size_t i = 0; i < texts.size(); ++i)
    {
        EXPECT_TRUE(widget.rect().contains(texts[i].rect)) << texts[i].text.toStdString() << " leaves the widget";
        for (size_t j = i + 1; j < texts.size(); ++j)
            EXPECT_FALSE(texts[i].rect.intersects(texts[j].rect))
                << texts[i].text.toStdString() << " runs over " << texts[j].text.toStdString();
    }
}
} // namespace

// A name of any length, with the computer mark, never runs under the clock:
// it is cut short with an ellipsis and keeps the mark.
TEST(PlayerWnd, LongNameIsCutShortBeforeTheClockKeepingTheComputerMark)
{
    PlayerRoster roster;
    const QString name = QStringLiteral("Bartholomew Wolfgang Longname-Smythe of Upper Wallop");
    roster.SetEntry(0, PlayerEntry{name, 0, COLOUR_WHITE, 0});
    CPlayerWnd panel(roster, 0, nullptr);
    panel.resize(360, 19);
    panel.SetTime(ClockTime::FromHms(99, 59, 59));
    panel.SetComputerMark(true);
    EXPECT_EQ(panel.NameText(), name + QStringLiteral(" (Computer)")) << "the whole name is still told";
    const QString painted = panel.PaintedNameText();
    EXPECT_TRUE(painted.endsWith(QStringLiteral("\u2026 (Computer)"))) << painted.toStdString();
    ExpectTextsApart(panel, panel);

    // Narrower still: the mark gives way too rather than overlap.
    panel.resize(160, 19);
    ExpectTextsApart(panel, panel);
    // A short name is painted whole.
    roster.SetEntry(0, PlayerEntry{QStringLiteral("Al"), 0, COLOUR_WHITE, 0});
    panel.resize(360, 19);
    EXPECT_EQ(panel.PaintedNameText(), QStringLiteral("Al (Computer)"));
}

// A network nickname is kept with each "&" doubled and drawn with each once.
TEST(PlayerWnd, NicknameWithAnAmpersandIsDrawnOnce)
{
    PlayerRoster roster;
    roster.SetEntry(0, PlayerEntry{QStringLiteral("Tom && Jerry"), 0, COLOUR_WHITE, 0});
    CPlayerWnd panel(roster, 0, nullptr);
    EXPECT_EQ(panel.NameText(), QStringLiteral("Tom & Jerry"));
    EXPECT_EQ(panel.PaintedNameText(), QStringLiteral("Tom & Jerry"));
}

// "cxd8=Q+" is wider than the first move column of a 150-pixel list: it is
// drawn smaller to fit, whole, and never runs into the next column.
TEST(MoveList, LongMovesFitTheirColumns)
{
    for (const int height : {300, 120})
    {
        ListFixture f(height);
        f.list->resize(150, height);
        std::vector<std::string> moves;
        for (int i = 0; i < 16; ++i)
            moves.push_back(i % 3 == 0 ? "cxd8=Q+" : i % 3 == 1 ? "exf8=N#" : "Qxh7+");
        f.list->AddMoves(moves);
        f.list->SetResult("1/2-1/2");
        QApplication::processEvents();
        const CMovesWnd& pane = *f.list->Pane();
        EXPECT_EQ(pane.IsScrollBarShown(), height == 120);
        ExpectTextsApart(pane, pane);
        bool sawLongMove = false;
        for (const DrawnText& text : pane.DrawnTexts())
            if (text.text == QStringLiteral("cxd8=Q+"))
                sawLongMove = true;
        EXPECT_TRUE(sawLongMove) << "the long move is drawn whole";
        // The scroll bar's strip stays free.
        const int barLeft = pane.width() - (pane.IsScrollBarShown() ? pane.ScrollBar().BarWidth() : 0);
        for (const DrawnText& text : pane.DrawnTexts())
            EXPECT_LE(text.rect.right(), barLeft - 1) << text.text.toStdString();
    }
}

// A button's caption is measured where it is drawn: centred on the bitmap.
TEST(SkinButton, CaptionIsDrawnCentredInsideTheButton)
{
    CSkinButton button(QStringLiteral("New Game"), nullptr, 1012);
    const std::vector<DrawnText> texts = button.DrawnTexts();
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(button.rect().contains(texts[0].rect));
    EXPECT_LE(std::abs(texts[0].rect.center().x() - button.rect().center().x()), 1);
}
