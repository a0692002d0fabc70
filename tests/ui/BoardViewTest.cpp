#include "BoardView.h"
#include "BitmapCache.h"

#include <QPaintEvent>
#include <QTest>

#include <gtest/gtest.h>

// The board view shows a position it is given and reports gestures; the
// judging of positions is the session's and is tested there.
namespace
{
CCoordinate Sq(const char* text)
{
    return CCoordinate::FromText(text);
}

// Records every gesture and, as a window over a session would, plays the
// legal ones on its position and shows the result.
struct RecordingOwner : IBoardViewObserver
{
    CChessPosition position;
    CBoardView* view = nullptr;
    std::vector<std::string> reports;
    CCoordinate highlight = CCoordinate::None();

    void OnMoveRequested(CBoardView*, const CMove& move) override
    {
        reports.push_back("move " + move.ToText());
        if (position.MakeMove(move))
            view->ShowPosition(&position);
    }
    void OnDropRequested(CBoardView*, const CCoordinate& square, PieceType type) override
    {
        reports.push_back("drop " + square.ToText() + " " + std::to_string(type));
        if (position.DropPiece(position.SideToMove(), type, square))
            highlight = square;
        view->ShowPosition(&position, highlight);
    }
};

// Keeps the region of every repaint, to see what a change invalidated.
class RecordingBoardView : public CBoardView
{
public:
    RecordingBoardView() : CBoardView(CBitmapCache::Instance()) {}
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
    RecordingOwner owner;

    explicit BoardFixture(bool bughouse = false)
    {
        owner.view = &view;
        owner.position.SetDropsOption(bughouse ? 1 : 0);
        view.SetObserver(&owner);
        view.SetBughouseMode(bughouse);
        view.ShowPosition(&owner.position);
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
        CBoardView view(CBitmapCache::Instance());
        view.SetBughouseMode(c.bughouse);
        view.SetFlipped(c.flipped);
        EXPECT_EQ(view.SquareAt(c.point).ToText(), c.square)
            << "bughouse " << c.bughouse << " flipped " << c.flipped << " at " << c.point.x() << "," << c.point.y();
    }
    CBoardView view(CBitmapCache::Instance());
    EXPECT_EQ(view.SquareRect(Sq("a1")), QRect(20, 300, 40, 40));
    view.SetFlipped(true);
    EXPECT_EQ(view.SquareRect(Sq("a1")), QRect(300, 20, 40, 40));
    view.SetBughouseMode(true);
    EXPECT_EQ(view.size(), QSize(320, 410));
    EXPECT_EQ(view.SquareRect(Sq("h8")), QRect(0, 325, 40, 40));
}

TEST(BoardViewGeometry, HoldingsSlotsBelongToTheStripOfTheColour)
{
    CBoardView view(CBitmapCache::Instance());
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

TEST(BoardViewDrag, ADragIsReportedAndTheShownMoveHighlighted)
{
    BoardFixture f;
    f.Drag("e2", "e4");
    ASSERT_EQ(f.owner.reports, std::vector<std::string>{"move e2e4"});
    EXPECT_EQ(f.view.GetPosition().RecordLength(), 1);
    EXPECT_EQ(f.view.LastMoveSquare(), Sq("e4"));
    EXPECT_FALSE(f.view.IsDragging());
}

TEST(BoardViewDrag, IdleDragsReportNothingAndRefusedOnesChangeNothing)
{
    BoardFixture f;
    f.Drag("e2", "e4");
    f.owner.reports.clear();
    struct Case
    {
        QPoint from;
        QPoint to;
        const char* report; // "" for none
        const char* what;
    };
    const auto c = [&](const char* s) { return f.view.SquareRect(Sq(s)).center(); };
    const Case cases[] = {
        {c("g8"), c("g5"), "move g8g5", "illegal knight move, refused by the owner"},
        {c("e7"), c("e7"), "", "released on its own square"},
        {c("e7"), QPoint(350, 100), "", "off the board"},
        {c("e4"), c("e5"), "", "a piece of the side not to move"},
        {c("d4"), c("d5"), "", "an empty square"},
    };
    for (const Case& k : cases)
    {
        f.Drag(k.from, k.to);
        const std::vector<std::string> expected =
            *k.report == '\0' ? std::vector<std::string>{} : std::vector<std::string>{k.report};
        EXPECT_EQ(f.owner.reports, expected) << k.what;
        f.owner.reports.clear();
        EXPECT_EQ(f.view.GetPosition().RecordLength(), 1) << k.what;
        EXPECT_EQ(f.view.LastMoveSquare(), Sq("e4")) << k.what;
        EXPECT_FALSE(f.view.IsDragging()) << k.what;
    }
    EXPECT_EQ(f.view.GetPosition().TypeAt(Sq("g8")), PIECE_KNIGHT);
}

TEST(BoardViewDrag, NothingStartsWhileInputIsDisabled)
{
    BoardFixture f;
    f.view.DisableInput();
    f.Drag("e2", "e4");
    EXPECT_TRUE(f.owner.reports.empty());
    // Disabling in the middle of a drag puts the piece back.
    f.view.EnableInput();
    QTest::mousePress(&f.view, Qt::LeftButton, {}, f.view.SquareRect(Sq("d2")).center());
    EXPECT_TRUE(f.view.IsDragging());
    f.view.DisableInput();
    EXPECT_FALSE(f.view.IsDragging());
    QTest::mouseRelease(&f.view, Qt::LeftButton, {}, f.view.SquareRect(Sq("d4")).center());
    EXPECT_EQ(f.view.GetPosition().TypeAt(Sq("d2")), PIECE_PAWN);
    EXPECT_TRUE(f.owner.reports.empty());
}

TEST(BoardViewDrag, CastlingRepaintsTheRookSquares)
{
    BoardFixture f;
    f.owner.position.LoadMoveList({"e4", "e5", "Nf3", "Nc6", "Bc4", "Bc5"});
    f.view.ShowPosition(&f.owner.position);
    f.Settle();
    f.Drag("e1", "g1");
    ASSERT_EQ(f.owner.position.MoveTexts().back(), "O-O");
    QApplication::processEvents();
    for (const char* s : {"e1", "f1", "g1", "h1"})
        EXPECT_TRUE(f.view.painted.contains(f.view.SquareRect(Sq(s)))) << s;
    EXPECT_EQ(f.view.GetPosition().TypeAt(Sq("f1")), PIECE_ROOK);
}

TEST(BoardViewDrag, DropFromTheHoldings)
{
    BoardFixture f(true);
    f.owner.position.ReceivePiece(PIECE_KNIGHT, COLOUR_WHITE);
    f.view.ShowPosition(&f.owner.position);
    ASSERT_EQ(f.view.GetPosition().Holdings(COLOUR_WHITE, PIECE_KNIGHT), 1);
    // An empty slot starts nothing.
    f.Drag(QPoint(30, 390), f.view.SquareRect(Sq("e4")).center());
    EXPECT_TRUE(f.owner.reports.empty());
    f.Drag(QPoint(10 + 120 + 20, 390), f.view.SquareRect(Sq("e4")).center());
    ASSERT_EQ(f.owner.reports, std::vector<std::string>{"drop e4 2"});
    EXPECT_EQ(f.view.GetPosition().Holdings(COLOUR_WHITE, PIECE_KNIGHT), 0);
    EXPECT_EQ(f.view.GetPosition().TypeAt(Sq("e4")), PIECE_KNIGHT);
    EXPECT_EQ(f.view.LastMoveSquare(), Sq("e4"));
}

TEST(BoardViewAnimation, AMoveIsShownHalfWayForAMomentWithoutBlocking)
{
    BoardFixture f;
    ASSERT_TRUE(f.owner.position.MakeMove(CMove(Sq("d2"), Sq("d4"))));
    f.view.ShowPosition(&f.owner.position);
    const QImage landed = f.view.grab().toImage();
    f.view.AnimateMove(CMove(Sq("d2"), Sq("d4")));
    EXPECT_TRUE(f.view.IsAnimating());
    EXPECT_NE(f.view.grab().toImage(), landed) << "the piece is half-way, its square empty";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.view.IsAnimating(); }, 2000));
    EXPECT_EQ(f.view.grab().toImage(), landed);
    // A press during the animation lands the piece and starts the drag at once.
    f.view.AnimateMove(CMove(Sq("d2"), Sq("d4")));
    QTest::mousePress(&f.view, Qt::LeftButton, {}, f.view.SquareRect(Sq("e7")).center());
    EXPECT_FALSE(f.view.IsAnimating());
    EXPECT_TRUE(f.view.IsDragging());
    QTest::mouseRelease(&f.view, Qt::LeftButton, {}, f.view.SquareRect(Sq("e5")).center());
    EXPECT_EQ(f.owner.reports, std::vector<std::string>{"move e7e5"});
    EXPECT_EQ(f.view.GetPosition().RecordLength(), 2);
}

TEST(BoardViewHighlight, FollowsTheShownPlyAndObeysTheSetting)
{
    BoardFixture f;
    bool highlightOn = true;
    f.view.SetHighlightSetting([&] { return highlightOn; });
    ASSERT_TRUE(f.owner.position.MakeMove(CMove(Sq("e2"), Sq("e4"))));
    ASSERT_TRUE(f.owner.position.MakeMove(CMove(Sq("e7"), Sq("e5"))));
    f.view.ShowPosition(&f.owner.position);
    EXPECT_EQ(f.view.LastMoveSquare(), Sq("e5"));
    ASSERT_TRUE(f.owner.position.StepBack());
    f.view.ShowPosition(&f.owner.position);
    EXPECT_EQ(f.view.LastMoveSquare(), Sq("e4"));

    const QPoint edge = f.view.SquareRect(Sq("e4")).topLeft() + QPoint(3, 20);
    const QRgb highlight = QColor(255, 128, 64).rgb();
    EXPECT_EQ(f.view.grab().toImage().pixel(edge), highlight);
    highlightOn = false;
    EXPECT_NE(f.view.grab().toImage().pixel(edge), highlight);
    ASSERT_TRUE(f.owner.position.GoToStart());
    f.view.ShowPosition(&f.owner.position);
    EXPECT_EQ(f.view.LastMoveSquare(), CCoordinate::None());
}

TEST(BoardViewHighlight, NoSettingNoMark)
{
    BoardFixture f;
    ASSERT_TRUE(f.owner.position.MakeMove(CMove(Sq("e2"), Sq("e4"))));
    f.view.ShowPosition(&f.owner.position);
    const QPoint edge = f.view.SquareRect(Sq("e4")).topLeft() + QPoint(3, 20);
    EXPECT_NE(f.view.grab().toImage().pixel(edge), QColor(255, 128, 64).rgb());
}
