// Moving by clicks beside dragging, the marks of the chosen piece's legal
// targets, the last move's squares and a king in check, all through real
// mouse and key events on the board view.
#include "BitmapCache.h"
#include "BoardView.h"

#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace
{
CCoordinate Sq(const char* text)
{
    return CCoordinate::FromText(text);
}

// Plays every legal gesture on its position and shows the result, as a window does.
struct PlayingOwner : IBoardViewObserver
{
    CChessPosition position;
    CBoardView* view = nullptr;
    std::vector<std::string> reports;
    CCoordinate highlight = CCoordinate::None();

    void OnMoveRequested(CBoardView*, const CMove& move) override
    {
        reports.push_back("move " + move.ToText());
        if (position.MakeMove(move))
            view->ShowPosition(&position, highlight);
    }
    void OnDropRequested(CBoardView*, const CCoordinate& square, PieceType type) override
    {
        reports.push_back("drop " + square.ToText() + " " + std::to_string(type));
        if (position.DropPiece(position.SideToMove(), type, square))
            highlight = square;
        view->ShowPosition(&position, highlight);
    }
};

struct ClickFixture
{
    CBoardView view{CBitmapCache::Instance()};
    PlayingOwner owner;

    explicit ClickFixture(bool bughouse = false)
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
    void Click(const QPoint& point) { QTest::mouseClick(&view, Qt::LeftButton, {}, point); }
    void Click(const char* square) { Click(view.SquareRect(Sq(square)).center()); }
    void Show() { view.ShowPosition(&owner.position, owner.highlight); }
};

// The targets of the piece on a square as the rules core plays them: every
// square a copy of the position accepts the move to.
std::vector<CCoordinate> PlayableTargets(const CChessPosition& position, const CCoordinate& from)
{
    std::vector<CCoordinate> targets;
    for (int index = 0; index < 64; ++index)
    {
        CChessPosition copy(position);
        if (copy.MakeMove(CMove(from, CCoordinate::FromIndex(index)), false))
            targets.push_back(CCoordinate::FromIndex(index));
    }
    return targets;
}

std::string Texts(const std::vector<CCoordinate>& squares)
{
    std::string text;
    for (const CCoordinate& s : squares)
        text += s.ToText() + " ";
    return text;
}
} // namespace

TEST(BoardClick, AGameToMateByClicksOnly)
{
    ClickFixture f;
    const std::pair<const char*, const char*> moves[] = {{"e2", "e4"}, {"e7", "e5"}, {"f1", "c4"}, {"b8", "c6"},
                                                         {"d1", "h5"}, {"g8", "f6"}, {"h5", "f7"}};
    for (const auto& [from, to] : moves)
    {
        f.Click(from);
        ASSERT_EQ(f.view.SelectedSquare(), Sq(from)) << from;
        EXPECT_FALSE(f.view.IsDragging());
        f.Click(to);
        EXPECT_FALSE(f.view.HasSelection()) << "the choice ends with the move " << from << to;
    }
    EXPECT_EQ(f.owner.position.MoveTexts(),
              (std::vector<std::string>{"e4", "e5", "Bc4", "Nc6", "Qh5", "Nf6", "Qxf7+"}));
    EXPECT_TRUE(f.owner.position.IsMate());
    EXPECT_EQ(f.view.CheckSquare(), Sq("e8")) << "the mated king is marked";
}

TEST(BoardClick, TheChoiceIsDroppedByASecondClickEscapeOrAClickElsewhere)
{
    ClickFixture f;
    // A second click on the chosen piece gives it up.
    f.Click("g1");
    EXPECT_EQ(Texts(f.view.HintSquares()), "h3 f3 ");
    f.Click("g1");
    EXPECT_FALSE(f.view.HasSelection());
    EXPECT_TRUE(f.view.HintSquares().empty());
    // Escape gives it up, and the view keeps no trace of it.
    f.Click("g1");
    QTest::keyClick(&f.view, Qt::Key_Escape);
    EXPECT_FALSE(f.view.HasSelection());
    f.Click("f3");
    EXPECT_TRUE(f.owner.reports.empty()) << "after Escape a click on a former target moves nothing";
    // A click on another own piece chooses that one instead.
    f.Click("g1");
    f.Click("b1");
    EXPECT_EQ(f.view.SelectedSquare(), Sq("b1"));
    EXPECT_EQ(Texts(f.view.HintSquares()), "c3 a3 ");
    // A click on a square that is no target gives the choice up and reports nothing.
    f.Click("b5");
    EXPECT_FALSE(f.view.HasSelection());
    EXPECT_TRUE(f.owner.reports.empty());
    // A press on an opponent's piece with nothing chosen starts nothing.
    f.Click("e7");
    EXPECT_FALSE(f.view.HasSelection());
    // Escape in the middle of a drag puts the piece back and reports nothing.
    QTest::mousePress(&f.view, Qt::LeftButton, {}, f.view.SquareRect(Sq("e2")).center());
    QTest::mouseMove(&f.view, f.view.SquareRect(Sq("e4")).center());
    ASSERT_TRUE(f.view.IsDragging());
    QTest::keyClick(&f.view, Qt::Key_Escape);
    EXPECT_FALSE(f.view.IsDragging());
    QTest::mouseRelease(&f.view, Qt::LeftButton, {}, f.view.SquareRect(Sq("e4")).center());
    EXPECT_TRUE(f.owner.reports.empty());
    EXPECT_EQ(f.owner.position.RecordLength(), 0);
    // Disabling input ends a choice.
    f.Click("e2");
    f.view.DisableInput();
    EXPECT_FALSE(f.view.HasSelection());
}

TEST(BoardClick, DraggingStillMovesAndShowsTheTargetsWhileTheMouseIsDown)
{
    ClickFixture f;
    QTest::mousePress(&f.view, Qt::LeftButton, {}, f.view.SquareRect(Sq("e2")).center());
    EXPECT_EQ(Texts(f.view.HintSquares()), "e3 e4 ");
    QTest::mouseMove(&f.view, f.view.SquareRect(Sq("e4")).center());
    QTest::mouseRelease(&f.view, Qt::LeftButton, {}, f.view.SquareRect(Sq("e4")).center());
    EXPECT_EQ(f.owner.reports, std::vector<std::string>{"move e2e4"});
    EXPECT_FALSE(f.view.HasSelection());
}

TEST(BoardClick, HintsAreTheRulesCoreLegalMovesInRandomPositions)
{
    ClickFixture f;
    std::mt19937 random(19);
    int checked = 0;
    for (int game = 0; game < 12; ++game)
    {
        f.owner.position.Reset();
        for (int ply = 0; ply < 70 && f.owner.position.IsGameGoingOn(); ++ply)
        {
            f.Show();
            const CChessPosition& position = f.owner.position;
            // Every piece of the side to move, chosen by a click.
            for (int index = 0; index < 64; ++index)
            {
                const CCoordinate square = CCoordinate::FromIndex(index);
                if (position.ColourAt(square) != position.SideToMove())
                    continue;
                f.Click(f.view.SquareRect(square).center());
                ASSERT_EQ(f.view.SelectedSquare(), square);
                EXPECT_EQ(Texts(f.view.HintSquares()), Texts(PlayableTargets(position, square)))
                    << "piece on " << square.ToText() << " after " << position.RecordLength() << " plies";
                QTest::keyClick(&f.view, Qt::Key_Escape);
                ++checked;
            }
            // A random legal move goes on, half of them by clicks.
            std::vector<CMove> candidates;
            position.GenerateCandidateMoves(candidates);
            std::shuffle(candidates.begin(), candidates.end(), random);
            const auto legal = std::find_if(candidates.begin(), candidates.end(),
                                            [&](const CMove& m) { return position.IsLegalMove(m); });
            ASSERT_NE(legal, candidates.end());
            if (ply % 2 == 0)
            {
                f.Click(f.view.SquareRect(legal->from).center());
                f.Click(f.view.SquareRect(legal->to).center());
            }
            else
                f.owner.position.MakeMove(*legal);
            ASSERT_EQ(f.owner.position.RecordLength(), ply + 1);
        }
    }
    EXPECT_GT(checked, 1000);
}

TEST(BoardClick, HeldPiecesAreDroppedByClicksWithTheirTargetsMarked)
{
    ClickFixture f(true);
    f.owner.position.ReceivePiece(PIECE_PAWN, COLOUR_WHITE);
    f.owner.position.ReceivePiece(PIECE_KNIGHT, COLOUR_WHITE);
    f.Show();
    const QPoint pawnSlot(30, 390);
    const QPoint knightSlot(10 + 120 + 20, 390);
    f.Click(pawnSlot);
    EXPECT_EQ(f.view.SelectedDrop(), PIECE_PAWN);
    // Every empty square of rows 2 to 7 (ranks 3 to 6 hold 32 of them).
    EXPECT_EQ(f.view.HintSquares().size(), 32U);
    for (const CCoordinate& s : f.view.HintSquares())
        EXPECT_TRUE(f.owner.position.IsLegalDrop(COLOUR_WHITE, PIECE_PAWN, s)) << s.ToText();
    // A second click on the slot gives it up; a click on another slot chooses that one.
    f.Click(pawnSlot);
    EXPECT_EQ(f.view.SelectedDrop(), -1);
    f.Click(pawnSlot);
    f.Click(knightSlot);
    EXPECT_EQ(f.view.SelectedDrop(), PIECE_KNIGHT);
    f.Click("e4");
    EXPECT_EQ(f.owner.reports, std::vector<std::string>{"drop e4 2"});
    EXPECT_EQ(f.owner.position.TypeAt(Sq("e4")), PIECE_KNIGHT);
    EXPECT_FALSE(f.view.HasSelection());

    // In check, only the squares that block it are targets.
    f.owner.position.Reset();
    for (const auto& [from, to] : {std::pair{"f2", "f3"}, {"e7", "e5"}, {"a2", "a3"}, {"d8", "h4"}})
        ASSERT_TRUE(f.owner.position.MakeMove(CMove(Sq(from), Sq(to)))) << from << to;
    f.owner.position.ReceivePiece(PIECE_KNIGHT, COLOUR_WHITE);
    f.Show();
    ASSERT_TRUE(f.owner.position.IsCheck());
    f.Click(knightSlot);
    EXPECT_EQ(Texts(f.view.HintSquares()), "f2 g3 ");
}

TEST(BoardMarks, LastMoveBothSquaresAndKingInCheck)
{
    ClickFixture f;
    bool highlightOn = true;
    f.view.SetHighlightSetting([&] { return highlightOn; });
    f.owner.position.LoadMoveList({"e4", "f5"});
    ASSERT_TRUE(f.owner.position.MakeMove(CMove(Sq("d1"), Sq("h5"))));
    f.Show();
    const QRgb highlight = QColor(255, 128, 64).rgb();
    const auto edge = [&](const char* s) { return f.view.SquareRect(Sq(s)).topLeft() + QPoint(3, 20); };
    QImage image = f.view.grab().toImage();
    EXPECT_EQ(image.pixel(edge("h5")), highlight);
    EXPECT_EQ(image.pixel(edge("d1")), highlight) << "the origin of the last move is marked too";
    EXPECT_EQ(f.view.CheckSquare(), Sq("e8"));
    // The king's square is tinted red in a corner the piece leaves free.
    const QColor corner = image.pixelColor(f.view.SquareRect(Sq("e8")).topLeft() + QPoint(8, 8));
    EXPECT_GT(corner.red(), corner.green() + 60);
    highlightOn = false;
    image = f.view.grab().toImage();
    EXPECT_NE(image.pixel(edge("d1")), highlight);
    EXPECT_NE(image.pixel(edge("h5")), highlight);
    // Out of check, no mark.
    ASSERT_TRUE(f.owner.position.MakeMove(CMove(Sq("g7"), Sq("g6"))));
    f.Show();
    EXPECT_EQ(f.view.CheckSquare(), CCoordinate::None());
    const QColor plain = f.view.grab().toImage().pixelColor(f.view.SquareRect(Sq("e8")).topLeft() + QPoint(8, 8));
    EXPECT_LT(plain.red(), plain.green() + 60);
}

TEST(BoardMarks, TargetsAreDrawnAsDotsAndRings)
{
    ClickFixture f;
    f.owner.position.LoadMoveList({"e4", "d5"});
    f.Show();
    const QImage before = f.view.grab().toImage();
    f.Click("e4");
    const QImage chosen = f.view.grab().toImage();
    const QPoint dot = f.view.SquareRect(Sq("e5")).center();
    const QPoint ring = f.view.SquareRect(Sq("d5")).topLeft() + QPoint(20, 3);
    EXPECT_NE(before.pixel(dot), chosen.pixel(dot)) << "a dot on the free target";
    EXPECT_NE(before.pixel(ring), chosen.pixel(ring)) << "a ring round the piece that can be taken";
    const QPoint free = f.view.SquareRect(Sq("a6")).center();
    EXPECT_EQ(before.pixel(free), chosen.pixel(free));
    QTest::keyClick(&f.view, Qt::Key_Escape);
    EXPECT_EQ(f.view.grab().toImage(), before);
}
