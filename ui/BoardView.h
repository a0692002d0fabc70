#pragma once

#include "ChessPosition.h"
#include "GameObserver.h"

#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class CCachedBitmap;

// One chess board on screen. It owns the game's position and is the only way
// the game window reaches it: the view changes the position only through the
// position's own operations and redraws from what they report. The person
// moves by dragging; engine and network moves arrive through PlayMove/PlayDrop.
class CBoardView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kSquare = 40;
    static constexpr int kFrame = 20;
    static constexpr int kBughouseBoardTop = 45;
    static constexpr int kBottomStripTop = 370;
    static constexpr int kAnimationPauseMs = 25;

    explicit CBoardView(QWidget* parent = nullptr);

    // Set-up by the game window
    void SetObserver(IGameObserver* observer) { m_Observer = observer; }
    void SetPromotionChooser(CChessPosition::PromotionChooser chooser);
    // The bughouse layout together with the position's drops option; resizes the view.
    void SetBughouseMode(bool on);
    void SetKingCapture(bool on) { m_Position.SetKingCaptureOption(on); }
    void SetFlipped(bool flipped);
    // Where the view reads the "highlight the current move" setting (the settings record by default).
    void SetHighlightSetting(std::function<bool()> isHighlightOn);

    void EnableInput() { m_InputEnabled = true; }
    // Also cancels a drag from the board: the piece returns to its square.
    void DisableInput();

    // Queries
    [[nodiscard]] bool IsInputEnabled() const { return m_InputEnabled; }
    [[nodiscard]] bool IsFlipped() const { return m_Flipped; }
    [[nodiscard]] bool IsBughouseLayout() const { return m_Bughouse; }
    [[nodiscard]] Colour SideToMove() const { return m_Position.SideToMove(); }
    [[nodiscard]] const CChessPosition& GetPosition() const { return m_Position; }
    [[nodiscard]] bool IsDragging() const { return m_DraggingFromBoard || m_DraggingFromHoldings; }
    [[nodiscard]] CCoordinate HighlightSquare() const { return m_Highlight; }
    // The square whose highlight is drawn now (none when there is nothing to show).
    [[nodiscard]] CCoordinate LastMoveSquare() const;

    // Game operations (each redraws what it changed)
    void NewGame();
    // A move from an engine or the network, with the two-frame animation when asked.
    // False, with board and highlight as they were, when the move is refused.
    bool PlayMove(const CMove& move, bool animate, std::string& moveText);
    // A drop from the network. False, with everything as it was, when the drop is refused.
    bool PlayDrop(const CCoordinate& square, PieceType type, bool animate);
    void ReceivePiece(int32_t nibble, Colour colour);
    bool TakeBack();
    bool StepBack();
    bool StepForward(std::string& moveText);
    bool GoToStart();
    bool GoToEnd();
    [[nodiscard]] bool CanTakeBack() const { return m_Position.CanTakeBack(); }
    [[nodiscard]] bool CanStepBack() const { return m_Position.CanStepBack(); }
    [[nodiscard]] bool CanStepForward() const { return m_Position.CanStepForward(); }
    [[nodiscard]] bool IsGameGoingOn() const { return m_Position.IsGameGoingOn(); }
    [[nodiscard]] const std::vector<std::string>& MoveTexts() const { return m_Position.MoveTexts(); }
    void LoadMoveList(const std::vector<std::string>& sanTexts);
    bool LoadPgn(const std::string& fileName, std::string& whiteName, std::string& blackName, std::string& result);
    bool SavePgn(const std::string& fileName, const std::string& whiteName, const std::string& blackName, bool draw,
                 bool blackWon, bool whiteWon) const;

    // Geometry, in the view's coordinates
    [[nodiscard]] QRect SquareRect(const CCoordinate& square) const;
    // The square under a point, or (-1, -1) off the board.
    [[nodiscard]] CCoordinate SquareAt(const QPoint& point) const;
    // The holdings slot 0..4 of that colour's strip under a point, or -1.
    [[nodiscard]] int HoldingsSlotAt(const QPoint& point, Colour colour) const;
    [[nodiscard]] int StripTop(Colour colour) const;
    [[nodiscard]] QRect HoldingsCountRect(Colour colour, PieceType type) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    [[nodiscard]] QPoint BoardOrigin() const;
    [[nodiscard]] QRect BufferRect() const;
    void RenderBuffer();
    void DrawPiece(QPainter& painter, const QPoint& at, Colour colour, PieceType type) const;
    void InvalidateSquare(const CCoordinate& square);
    void InvalidateAll();
    void MoveDragTo(const QPoint& topLeft);
    void EndDrag();
    void Judge();
    void Animate(const QPoint& from, const QPoint& to);

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
    IGameObserver* m_Observer = nullptr;
    CChessPosition m_Position;

    const CCachedBitmap& m_Sheet;
    QFont m_CoordinateFont;
    QPixmap m_Buffer;
    bool m_BufferDirty = true;
    std::function<bool()> m_IsHighlightOn;
};
