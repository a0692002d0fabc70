#include "BoardView.h"
#include "GameSettings.h"

#include <QPaintEvent>
#include <QTest>

#include <algorithm>

#include <gtest/gtest.h>

namespace
{
CCoordinate Sq(const char* text)
{
    return CCoordinate::FromText(text);
}

// Records every report, in order.
struct RecordingObserver : CGameObserverBase
{
    std::vector<std::string> reports;
    std::string lastSan;
    CMove lastMove;

    void OnMove(CBoardView*, const CMove& move, int32_t&, Colour, bool, int32_t, std::string& san) override
    {
        reports.push_back("move");
        lastSan = san;
        lastMove = move;
    }
    void OnDrop(CBoardView*, const CCoordinate& square, PieceType type, Colour) override
    {
        reports.push_back("drop " + square.ToText() + " " + std::to_string(type));
    }
    void OnCheckmate(CBoardView*, Colour) override { reports.push_back("checkmate"); }
    void OnStalemate(CBoardView*, Colour) override { reports.push_back("stalemate"); }
    void OnThreefoldRepetition(CBoardView*, Colour) override { reports.push_back("repetition"); }
    void OnCheck(CBoardView*, Colour) override { reports.push_back("check"); }
};

// Keeps the region of every repaint, to see what a move invalidated.
class RecordingBoardView : public CBoardView
{
public:
    QRegion painted;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        painted += event->region();
        CBoardView::paintEvent(event);
    }
};

struct BoardFixture
{
    RecordingBoardView view;
    RecordingObserver observer;

    explicit BoardFixture(bool bughouse = false)
    {
        view.SetObserver(&observer);
        view.SetBughouseMode(bughouse);
        view.show();
        view.EnableInput();
        QApplication::processEvents();
    }

    void Drag(const QPoint& from, const QPoint& to)
    {
        QTest::mousePress(&view, Qt::LeftButton, {}, from);
        QTest::mouseMove(&view, (from + to) / 2);
        QTest::mouseMove(&view, to);
        QTest::mouseRelease(&view, Qt::LeftButton, {}, to);
    }
    void Drag(const char* from, const char* to)
    {
        Drag(view.SquareRect(Sq(from)).center(), view.SquareRect(Sq(to)).center());
    }
    void Settle()
    {
        view.painted = QRegion();
        QApplication::processEvents();
    }
};
} // namespace

TEST(BoardViewGeometry, PointsMapToSquaresInBothLayoutsAndOrientations)
{
    struct Case
    {
        bool bughouse;
        bool flipped;
        QPoint point;
        const char* square; // "??" for off the board
    };
    const Case cases[] = {
        {false, false, {25, 25}, "a8"},  {false, false, {339, 339}, "h1"}, {false, true, {25, 25}, "h1"},
        {false, true, {339, 339}, "a8"}, {false, false, {19, 100}, "??"},  {false, false, {340, 100}, "??"},
        {false, false, {100, 19}, "??"}, {false, false, {20, 20}, "a8"},   {true, false, {5, 50}, "a8"},
        {true, false, {5, 44}, "??"},    {true, false, {319, 364}, "h1"},  {true, false, {5, 365}, "??"},
        {true, true, {5, 50}, "h1"},
    };
    for (const Case& c : cases)
    {
        CBoardView view;
        view.SetBughouseMode(c.bughouse);
        view.SetFlipped(c.flipped);
        EXPECT_EQ(view.SquareAt(c.point).ToText(), c.square)
            << "bughouse " << c.bughouse << " flipped " << c.flipped << " at " << c.point.x() << "," << c.point.y();
    }
    CBoardView view;
    EXPECT_EQ(view.SquareRect(Sq("a1")), QRect(20, 300, 40, 40));
    view.SetFlipped(true);
    EXPECT_EQ(view.SquareRect(Sq("a1")), QRect(300, 20, 40, 40));
    view.SetBughouseMode(true);
    EXPECT_EQ(view.size(), QSize(320, 410));
    EXPECT_EQ(view.SquareRect(Sq("h8")), QRect(0, 325, 40, 40));
}

TEST(BoardViewGeometry, HoldingsSlotsBelongToTheStripOfTheColour)
{
    CBoardView view;
    view.SetBughouseMode(true);
    // Black's strip is on top, White's below; flipped they swap.
    EXPECT_EQ(view.HoldingsSlotAt(QPoint(20, 20), COLOUR_BLACK), 0);
    EXPECT_EQ(view.HoldingsSlotAt(QPoint(5, 20), COLOUR_BLACK), -1);
    EXPECT_EQ(view.HoldingsSlotAt(QPoint(20, 20), COLOUR_WHITE), -1);
    EXPECT_EQ(view.HoldingsSlotAt(QPoint(255, 390), COLOUR_WHITE), 4);
    EXPECT_EQ(view.HoldingsSlotAt(QPoint(55, 390), COLOUR_WHITE), -1); // the count's place, between slots
    view.SetFlipped(true);
    EXPECT_EQ(view.HoldingsSlotAt(QPoint(20, 20), COLOUR_WHITE), 0);
    EXPECT_EQ(view.HoldingsSlotAt(QPoint(80, 390), COLOUR_BLACK), 1);
}

TEST(BoardViewDrag, LegalMoveIsMadeReportedAndHighlighted)
{
    BoardFixture f;
    f.Drag("e2", "e4");
    ASSERT_EQ(f.observer.reports, std::vector<std::string>{"move"});
    EXPECT_EQ(f.observer.lastSan, "e4");
    EXPECT_EQ(f.observer.lastMove, CMove(Sq("e2"), Sq("e4")));
    EXPECT_EQ(f.view.GetPosition().RecordLength(), 1);
    EXPECT_EQ(f.view.LastMoveSquare(), Sq("e4"));
    EXPECT_FALSE(f.view.IsDragging());
}

TEST(BoardViewDrag, IllegalOrIdleDragsChangeNothing)
{
    BoardFixture f;
    f.Drag("e2", "e4");
    f.observer.reports.clear();
    struct Case
    {
        QPoint from;
        QPoint to;
        const char* what;
    };
    const auto c = [&](const char* s) { return f.view.SquareRect(Sq(s)).center(); };
    const Case cases[] = {
        {c("g8"), c("g5"), "illegal knight move"},    {c("e7"), c("e7"), "released on its own square"},
        {c("e7"), QPoint(350, 100), "off the board"}, {c("e4"), c("e5"), "a piece of the side not to move"},
        {c("d4"), c("d5"), "an empty square"},
    };
    for (const Case& k : cases)
    {
        f.Drag(k.from, k.to);
        EXPECT_TRUE(f.observer.reports.empty()) << k.what;
        EXPECT_EQ(f.view.GetPosition().RecordLength(), 1) << k.what;
        EXPECT_EQ(f.view.LastMoveSquare(), Sq("e4")) << k.what;
        EXPECT_FALSE(f.view.IsDragging()) << k.what;
    }
    EXPECT_EQ(f.view.GetPosition().TypeAt(Sq("g8")), PIECE_KNIGHT);
    // A second click elsewhere starts nothing from the first.
    QTest::mouseClick(&f.view, Qt::LeftButton, {}, c("g8"));
    QTest::mouseClick(&f.view, Qt::LeftButton, {}, c("f6"));
    EXPECT_TRUE(f.observer.reports.empty());
}

TEST(BoardViewDrag, NothingStartsWhileInputIsDisabled)
{
    BoardFixture f;
    f.view.DisableInput();
    f.Drag("e2", "e4");
    EXPECT_TRUE(f.observer.reports.empty());
    // Disabling in the middle of a drag puts the piece back.
    f.view.EnableInput();
    QTest::mousePress(&f.view, Qt::LeftButton, {}, f.view.SquareRect(Sq("d2")).center());
    EXPECT_TRUE(f.view.IsDragging());
    f.view.DisableInput();
    EXPECT_FALSE(f.view.IsDragging());
    QTest::mouseRelease(&f.view, Qt::LeftButton, {}, f.view.SquareRect(Sq("d4")).center());
    EXPECT_EQ(f.view.GetPosition().TypeAt(Sq("d2")), PIECE_PAWN);
    EXPECT_TRUE(f.observer.reports.empty());
}

TEST(BoardViewDrag, CastlingRepaintsTheRookSquares)
{
    BoardFixture f;
    f.view.LoadMoveList({"e4", "e5", "Nf3", "Nc6", "Bc4", "Bc5"});
    f.Settle();
    f.Drag("e1", "g1");
    ASSERT_EQ(f.observer.lastSan, "O-O");
    QApplication::processEvents();
    for (const char* s : {"e1", "f1", "g1", "h1"})
        EXPECT_TRUE(f.view.painted.contains(f.view.SquareRect(Sq(s)))) << s;
    EXPECT_EQ(f.view.GetPosition().TypeAt(Sq("f1")), PIECE_ROOK);
}

TEST(BoardViewDrag, DropFromTheHoldings)
{
    BoardFixture f(true);
    f.view.ReceivePiece(PIECE_KNIGHT, COLOUR_WHITE);
    ASSERT_EQ(f.view.GetPosition().Holdings(COLOUR_WHITE, PIECE_KNIGHT), 1);
    // An empty slot starts nothing.
    f.Drag(QPoint(30, 390), f.view.SquareRect(Sq("e4")).center());
    EXPECT_TRUE(f.observer.reports.empty());
    f.Drag(QPoint(10 + 120 + 20, 390), f.view.SquareRect(Sq("e4")).center());
    ASSERT_EQ(f.observer.reports, std::vector<std::string>{"drop e4 2"});
    EXPECT_EQ(f.view.GetPosition().Holdings(COLOUR_WHITE, PIECE_KNIGHT), 0);
    EXPECT_EQ(f.view.GetPosition().TypeAt(Sq("e4")), PIECE_KNIGHT);
    EXPECT_EQ(f.view.LastMoveSquare(), Sq("e4"));
}

TEST(BoardViewPlay, IllegalPlayMoveLeavesEverythingAsItWas)
{
    BoardFixture f;
    std::string text;
    ASSERT_TRUE(f.view.PlayMove(CMove(Sq("d2"), Sq("d4")), true, text));
    EXPECT_EQ(text, "d4");
    EXPECT_TRUE(f.observer.reports.empty()); // the caller knows its move
    EXPECT_FALSE(f.view.IsInputEnabled());
    const QImage before = f.view.grab().toImage();
    text.clear();
    EXPECT_FALSE(f.view.PlayMove(CMove(Sq("e7"), Sq("e4")), true, text));
    EXPECT_TRUE(text.empty());
    EXPECT_EQ(f.view.GetPosition().RecordLength(), 1);
    EXPECT_EQ(f.view.LastMoveSquare(), Sq("d4"));
    EXPECT_EQ(f.view.grab().toImage(), before);
}

TEST(BoardViewPlay, RefusedDropChangesNothing)
{
    BoardFixture f(true);
    EXPECT_FALSE(f.view.PlayDrop(Sq("e4"), PIECE_QUEEN, true)); // nothing held
    f.view.ReceivePiece(PIECE_PAWN, COLOUR_WHITE);
    EXPECT_FALSE(f.view.PlayDrop(Sq("e8"), PIECE_PAWN, false)); // last row
    EXPECT_EQ(f.view.HighlightSquare(), CCoordinate::None());
    EXPECT_TRUE(f.view.PlayDrop(Sq("e4"), PIECE_PAWN, true));
    EXPECT_EQ(f.view.HighlightSquare(), Sq("e4"));
    EXPECT_TRUE(f.observer.reports.empty());
}

TEST(BoardViewPlay, JudgingReportsMateBeforeCheck)
{
    BoardFixture f;
    std::string text;
    for (const char* m : {"f2f3", "e7e5", "g2g4"})
        ASSERT_TRUE(f.view.PlayMove(CMove(Sq(std::string(m, 2).c_str()), Sq(m + 2)), false, text)) << m;
    ASSERT_TRUE(f.view.PlayMove(CMove(Sq("d8"), Sq("h4")), true, text));
    EXPECT_EQ(f.observer.reports, (std::vector<std::string>{"checkmate", "check"}));
}

TEST(BoardViewPlay, RepetitionIsJudgedOnStandardBoardsOnly)
{
    for (bool bughouse : {false, true})
    {
        BoardFixture f(bughouse);
        std::string text;
        for (int round = 0; round < 2; ++round)
            for (const char* m : {"g1f3", "g8f6", "f3g1", "f6g8"})
                ASSERT_TRUE(f.view.PlayMove(CMove(Sq(std::string(m, 2).c_str()), Sq(m + 2)), false, text)) << m;
        const bool reported =
            std::find(f.observer.reports.begin(), f.observer.reports.end(), "repetition") != f.observer.reports.end();
        EXPECT_EQ(reported, !bughouse) << "bughouse " << bughouse;
    }
}

TEST(BoardViewHighlight, FollowsStepBackAndObeysTheSetting)
{
    BoardFixture f;
    bool highlightOn = true;
    f.view.SetHighlightSetting([&] { return highlightOn; });
    std::string text;
    ASSERT_TRUE(f.view.PlayMove(CMove(Sq("e2"), Sq("e4")), false, text));
    ASSERT_TRUE(f.view.PlayMove(CMove(Sq("e7"), Sq("e5")), false, text));
    EXPECT_EQ(f.view.LastMoveSquare(), Sq("e5"));
    ASSERT_TRUE(f.view.StepBack());
    EXPECT_EQ(f.view.LastMoveSquare(), Sq("e4"));

    const QPoint edge = f.view.SquareRect(Sq("e4")).topLeft() + QPoint(3, 20);
    const QRgb highlight = QColor(255, 128, 64).rgb();
    EXPECT_EQ(f.view.grab().toImage().pixel(edge), highlight);
    highlightOn = false;
    EXPECT_NE(f.view.grab().toImage().pixel(edge), highlight);
    f.view.GoToStart();
    EXPECT_EQ(f.view.LastMoveSquare(), CCoordinate::None());
}

TEST(BoardViewHighlight, ReadsTheSettingsRecordByDefault)
{
    BoardFixture f;
    std::string text;
    ASSERT_TRUE(f.view.PlayMove(CMove(Sq("e2"), Sq("e4")), false, text));
    const QPoint edge = f.view.SquareRect(Sq("e4")).topLeft() + QPoint(3, 20);
    const QRgb highlight = QColor(255, 128, 64).rgb();
    GameSettings& settings = GameSettings::Instance();
    const bool saved = settings.IsCurrentMoveHighlighted();
    settings.SetIsCurrentMoveHighlighted(true);
    EXPECT_EQ(f.view.grab().toImage().pixel(edge), highlight);
    settings.SetIsCurrentMoveHighlighted(false);
    EXPECT_NE(f.view.grab().toImage().pixel(edge), highlight);
    settings.SetIsCurrentMoveHighlighted(saved);
}
