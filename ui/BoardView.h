#pragma once

#include "BoardViewObserver.h"
#include "ChessPosition.h"
#include "DrawnTexts.h"

#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class CBitmapCache;
class CCachedBitmap;

// One chess board on screen. It shows the position it is given, the way round
// it is told, and reports the local player's gestures (a drag from one square
// to another or a click on a piece and then on its target, a drop from the
// holdings the same two ways) to its observer. While a piece is chosen its
// legal targets are marked, as the position's rules give them. It owns no
// game state: a gesture changes nothing until the position it shows is
// changed by its owner and shown again.
class CBoardView : public QWidget, public IDrawnTexts
{
    Q_OBJECT

public:
    static constexpr int kSquare = 40;
    static constexpr int kFrame = 20;
    static constexpr int kBughouseBoardTop = 45;
    static constexpr int kBottomStripTop = 370;
    static constexpr int kAnimationPauseMs = 25;

    explicit CBoardView(CBitmapCache& bitmaps, QWidget* parent = nullptr);

    // Set-up by the window
    void SetObserver(IBoardViewObserver* observer) { m_Observer = observer; }
    // The bughouse layout (holdings strips); resizes the view.
    void SetBughouseMode(bool on);
    void SetFlipped(bool flipped);
    // Where the view reads the "highlight the current move" setting; off without one.
    void SetHighlightSetting(std::function<bool()> isHighlightOn);

    // Shows a position that its owner keeps alive and tells the view about
    // after each change. highlight: the last move's square of a bughouse
    // board (an ordinary board marks the move at the record's current ply).
    void ShowPosition(const CChessPosition* position, const CCoordinate& highlight = CCoordinate::None());
    // A move or drop of the position now shown, made by an engine or the
    // network: the piece is shown half-way for a moment before it lands.
    void AnimateMove(const CMove& move);
    void AnimateDrop(PieceType type, const CCoordinate& square);

    void EnableInput() { m_InputEnabled = true; }
    // Also cancels a drag from the board (the piece returns to its square) and a chosen piece.
    void DisableInput();
    // Drops a drag or a chosen piece: the piece stays where it was (Escape).
    void CancelGesture();

    // Queries
    [[nodiscard]] bool IsInputEnabled() const { return m_InputEnabled; }
    [[nodiscard]] bool IsFlipped() const { return m_Flipped; }
    [[nodiscard]] bool IsBughouseLayout() const { return m_Bughouse; }
    [[nodiscard]] bool IsAnimating() const { return m_Animating; }
    // The position shown (an empty record at the initial position before any).
    [[nodiscard]] const CChessPosition& GetPosition() const { return m_Position != nullptr ? *m_Position : m_Blank; }
    [[nodiscard]] Colour SideToMove() const { return GetPosition().SideToMove(); }
    [[nodiscard]] const std::vector<std::string>& MoveTexts() const { return GetPosition().MoveTexts(); }
    [[nodiscard]] bool IsDragging() const { return m_DraggingFromBoard || m_DraggingFromHoldings; }
    // A piece chosen by a click (or being dragged) whose targets are marked.
    [[nodiscard]] bool HasSelection() const { return m_Selection != Selection::None; }
    // The square of the chosen piece, (-1, -1) for none or a held piece.
    [[nodiscard]] CCoordinate SelectedSquare() const;
    // The held piece chosen, -1 for none.
    [[nodiscard]] int SelectedDrop() const;
    // The squares marked as legal targets of the chosen piece, in board order.
    [[nodiscard]] std::vector<CCoordinate> HintSquares() const;
    // The square of the king marked as in check, (-1, -1) for none.
    [[nodiscard]] CCoordinate CheckSquare() const;
    // The origin of the last move when it is marked beside LastMoveSquare.
    [[nodiscard]] CCoordinate LastMoveOrigin() const;
    [[nodiscard]] CCoordinate HighlightSquare() const { return m_Highlight; }
    // The square whose highlight is drawn now (none when there is nothing to show).
    [[nodiscard]] CCoordinate LastMoveSquare() const;

    // Geometry, in the view's coordinates
    [[nodiscard]] QRect SquareRect(const CCoordinate& square) const;
    // The square under a point, or (-1, -1) off the board.
    [[nodiscard]] CCoordinate SquareAt(const QPoint& point) const;
    // The holdings slot 0..4 of that colour's strip under a point, or -1.
    [[nodiscard]] int HoldingsSlotAt(const QPoint& point, Colour colour) const;
    [[nodiscard]] int StripTop(Colour colour) const;
    [[nodiscard]] QRect HoldingsCountRect(Colour colour, PieceType type) const;
    // The coordinates a bughouse board draws inside its edge squares (an
    // ordinary board draws them on its frame): the files along the bottom
    // rank, the ranks along the left file.
    [[nodiscard]] std::vector<DrawnText> DrawnTexts() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    enum class Selection
    {
        None,
        Square,   // a piece on the board
        Holdings, // a held piece
    };
    // Chooses a piece and marks its legal targets.
    void Select(Selection kind, const CCoordinate& square, PieceType type);
    void ClearSelection();
    // The targets of the chosen piece again, for the position shown now; a
    // piece no longer there (or no longer the mover's) is given up.
    void UpdateSelection();
    [[nodiscard]] bool IsTarget(const CCoordinate& square) const;
    // Reports the chosen piece's move or drop to a square; the choice ends.
    void ReportTarget(const CCoordinate& square);
    void DrawMarks(QPainter& painter, const QPoint& offset) const;
    void DrawHints(QPainter& painter, const QPoint& offset) const;
    [[nodiscard]] QPoint BoardOrigin() const;
    [[nodiscard]] QRect BufferRect() const;
    // Draws the squares, marks and pieces off screen at a device pixel ratio.
    void RenderBuffer(qreal ratio);
    void DrawPiece(QPainter& painter, const QPoint& at, Colour colour, PieceType type) const;
    void DrawInnerCoordinates(QPainter& painter) const;
    // The corner of an edge square that holds its coordinate (screen row and
    // column 0..7).
    [[nodiscard]] QRect InnerCoordinateRect(int screenRow, int screenColumn, bool file) const;
    void InvalidateSquare(const CCoordinate& square);
    void InvalidateAll();
    void MoveDragTo(const QPoint& topLeft);
    void EndDrag();
    // Shows the piece half-way between two points, hiding its square, until the pause ends.
    void StartAnimation(const QPoint& from, const QPoint& to, const CCoordinate& square, Colour colour, PieceType type);
    void EndAnimation();

    // The flags and squares of the drag and the animation
    bool m_DraggingFromBoard = false;
    CCoordinate m_Highlight = CCoordinate::None();
    int32_t m_DraggedType = 0;
    uint8_t m_DraggingFromHoldings = 0;
    uint8_t m_Bughouse = 0;
    bool m_Animating = false;
    bool m_Flipped = false;
    bool m_InputEnabled = false;
    QPoint m_DragPos;
    CCoordinate m_Selected = CCoordinate::None();
    CCoordinate m_HiddenSquare = CCoordinate::None(); // lifted piece, drawn at the drag position
    int32_t m_DraggedColour = COLOUR_NONE;
    Selection m_Selection = Selection::None;
    CCoordinate m_SelectedSquare = CCoordinate::None();
    PieceType m_SelectedType = PIECE_PAWN;
    uint64_t m_Targets = 0;       // one bit per square index
    bool m_PressedChosen = false; // the press was on the piece already chosen
    IBoardViewObserver* m_Observer = nullptr;
    const CChessPosition* m_Position = nullptr;
    CChessPosition m_Blank;

    CBitmapCache& m_Bitmaps;
    QFont m_CoordinateFont;
    QFont m_InnerCoordinateFont;
    QPixmap m_Buffer;
    bool m_BufferDirty = true;
    std::function<bool()> m_IsHighlightOn;
    QTimer m_AnimationTimer;
};
