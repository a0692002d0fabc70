#include "BoardView.h"
#include "ProgramFont.h"

#include "BitmapCache.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>

namespace
{
const QColor kFrameColour(7, 7, 141);
const QColor kCoordinateColour(224, 132, 0);
const QColor kHighlightColour(255, 128, 64);
const QColor kKeyColour(0, 0, 255);
constexpr int kWhitePiecesTop = 410;
constexpr int kBlackPiecesTop = 450;
} // namespace

CBoardView::CBoardView(CBitmapCache& bitmaps, QWidget* parent)
    : QWidget(parent), m_Sheet(bitmaps.Get(QStringLiteral("IDB_BOARD")))
{
    setObjectName(QStringLiteral("Board View"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_CoordinateFont = ProgramFont(QStringLiteral("Tahoma"), 14, true);
    setFixedSize(360, 360);
    m_AnimationTimer.setSingleShot(true);
    m_AnimationTimer.setInterval(kAnimationPauseMs);
    connect(&m_AnimationTimer, &QTimer::timeout, this, &CBoardView::EndAnimation);
}

void CBoardView::SetBughouseMode(bool on)
{
    m_Bughouse = on ? 1 : 0;
    if (on)
        setFixedSize(320, 410);
    else
        setFixedSize(360, 360);
    InvalidateAll();
}

void CBoardView::SetFlipped(bool flipped)
{
    if (flipped == m_Flipped)
        return;
    m_Flipped = flipped;
    InvalidateAll();
}

void CBoardView::SetHighlightSetting(std::function<bool()> isHighlightOn)
{
    m_IsHighlightOn = std::move(isHighlightOn);
    update();
}

void CBoardView::ShowPosition(const CChessPosition* position, const CCoordinate& highlight)
{
    m_Position = position;
    m_Highlight = highlight;
    InvalidateAll();
}

void CBoardView::DisableInput()
{
    m_InputEnabled = false;
    if (m_DraggingFromBoard)
        EndDrag();
}

CCoordinate CBoardView::LastMoveSquare() const
{
    if (m_Bughouse)
        return m_Highlight;
    const CChessPosition& position = GetPosition();
    const int32_t ply = position.CurrentPly();
    const auto& moves = position.RecordedMoves();
    if (ply <= 0 || ply > static_cast<int32_t>(moves.size()))
        return CCoordinate::None();
    return moves[static_cast<size_t>(ply - 1)].to;
}

// ---------------------------------------------------------------------------
// Geometry

QPoint CBoardView::BoardOrigin() const
{
    return m_Bughouse ? QPoint(0, kBughouseBoardTop) : QPoint(kFrame, kFrame);
}

QRect CBoardView::BufferRect() const
{
    return m_Bughouse ? QRect(0, 0, 320, 410) : QRect(kFrame, kFrame, 320, 320);
}

QRect CBoardView::SquareRect(const CCoordinate& square) const
{
    if (!square.IsOnBoard())
        return QRect();
    const int sc = m_Flipped ? square.Column() : 7 - square.Column();
    const int sr = m_Flipped ? square.Row() : 7 - square.Row();
    return QRect(BoardOrigin() + QPoint(kSquare * sc, kSquare * sr), QSize(kSquare, kSquare));
}

CCoordinate CBoardView::SquareAt(const QPoint& point) const
{
    const QPoint b = point - BoardOrigin();
    if (b.x() < 0 || b.x() > 319 || b.y() < 0 || b.y() > 319)
        return CCoordinate::None();
    const int sc = b.x() / kSquare;
    const int sr = b.y() / kSquare;
    return m_Flipped ? CCoordinate(sr, sc) : CCoordinate(7 - sr, 7 - sc);
}

int CBoardView::StripTop(Colour colour) const
{
    // The top strip is Black's, the bottom one White's; flipped, they swap.
    return ((colour == COLOUR_BLACK) != m_Flipped) ? 0 : kBottomStripTop;
}

int CBoardView::HoldingsSlotAt(const QPoint& point, Colour colour) const
{
    if (!m_Bughouse)
        return -1;
    const int top = StripTop(colour);
    if (point.y() < top || point.y() >= top + kSquare)
        return -1;
    for (int t = 0; t < 5; ++t)
        if (point.x() >= 10 + 60 * t && point.x() < 50 + 60 * t)
            return t;
    return -1;
}

QRect CBoardView::HoldingsCountRect(Colour colour, PieceType type) const
{
    const int textHeight = QFontMetrics(font()).height();
    const int top = StripTop(colour) == 0 ? 38 - textHeight : 408 - textHeight;
    return QRect(50 + 60 * type, top, 20, textHeight);
}

// ---------------------------------------------------------------------------
// Drawing

void CBoardView::DrawPiece(QPainter& painter, const QPoint& at, Colour colour, PieceType type) const
{
    if (type < PIECE_PAWN || type > PIECE_KING || (colour != COLOUR_WHITE && colour != COLOUR_BLACK))
        return;
    const int top = colour == COLOUR_WHITE ? kWhitePiecesTop : kBlackPiecesTop;
    m_Sheet.DrawPartTransparent(painter, at, QRect(kSquare * type, top, kSquare, kSquare), kKeyColour);
}

void CBoardView::RenderBuffer()
{
    const CChessPosition& position = GetPosition();
    const QRect area = BufferRect();
    if (m_Buffer.size() != area.size())
        m_Buffer = QPixmap(area.size());
    QPainter painter(&m_Buffer);
    const QPoint offset = -area.topLeft();

    // Background: the whole bughouse picture, or the standard board inside it.
    if (m_Bughouse)
        m_Sheet.DrawPart(painter, QPoint(0, 0), QRect(0, 0, 320, 410));
    else
        m_Sheet.DrawPart(painter, QPoint(0, 0), QRect(0, kBughouseBoardTop, 320, 320));
    if (!m_Sheet.IsLoaded())
        painter.fillRect(m_Buffer.rect(), QColor(200, 200, 200));

    if (m_Bughouse)
    {
        painter.setFont(font());
        painter.setPen(Qt::black);
        for (Colour colour : {COLOUR_BLACK, COLOUR_WHITE})
        {
            for (PieceType t = PIECE_PAWN; t <= PIECE_QUEEN; ++t)
            {
                DrawPiece(painter, QPoint(10 + 60 * t, StripTop(colour)), colour, t);
                const QRect count = HoldingsCountRect(colour, t);
                painter.drawText(count.topLeft() + QPoint(0, QFontMetrics(font()).ascent()),
                                 QString::asprintf("%d", position.Holdings(colour, t)));
            }
        }
    }

    for (int row = 0; row < 8; ++row)
    {
        for (int column = 0; column < 8; ++column)
        {
            const CCoordinate square(row, column);
            if (square == m_HiddenSquare)
                continue;
            const PieceCode code = position.PieceAt(square);
            if (code != 0)
                DrawPiece(painter, SquareRect(square).topLeft() + offset, ColourOfCode(code), TypeOfCode(code));
        }
    }
    m_BufferDirty = false;
}

void CBoardView::paintEvent(QPaintEvent*)
{
    if (m_BufferDirty || m_Buffer.isNull())
        RenderBuffer();
    QPainter painter(this);
    if (!m_Bughouse)
    {
        // The frame and its coordinates, drawn on the window itself.
        painter.fillRect(QRect(0, 0, 360, 20), kFrameColour);
        painter.fillRect(QRect(0, 0, 20, 360), kFrameColour);
        painter.fillRect(QRect(20, 340, 320, 20), kFrameColour);
        painter.fillRect(QRect(340, 20, 20, 340), kFrameColour);
        painter.setFont(m_CoordinateFont);
        painter.setPen(kCoordinateColour);
        for (int i = 0; i < 8; ++i)
        {
            const QChar file = QChar(m_Flipped ? 'h' - i : 'a' + i);
            const QChar rank = QChar(m_Flipped ? '1' + i : '8' - i);
            painter.drawText(QRect(20 + 40 * i, 340, 40, 20), Qt::AlignCenter, QString(file));
            painter.drawText(QRect(0, 20 + 40 * i, 20, 40), Qt::AlignCenter, QString(rank));
        }
    }
    painter.drawPixmap(BufferRect().topLeft(), m_Buffer);

    if (IsDragging() || m_Animating)
        DrawPiece(painter, m_DragPos, m_DraggedColour, m_DraggedType);

    const CCoordinate last = LastMoveSquare();
    if (m_IsHighlightOn && m_IsHighlightOn() && last.IsOnBoard())
    {
        painter.setPen(QPen(kHighlightColour, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(SquareRect(last).adjusted(3, 3, -4, -4));
    }
}

void CBoardView::InvalidateSquare(const CCoordinate& square)
{
    if (!square.IsOnBoard())
        return;
    m_BufferDirty = true;
    update(SquareRect(square));
}

void CBoardView::InvalidateAll()
{
    m_BufferDirty = true;
    update();
}

// ---------------------------------------------------------------------------
// Dragging

void CBoardView::contextMenuEvent(QContextMenuEvent* event)
{
    // A right click was reported on its press; the menu key comes here only.
    event->accept();
    if (event->reason() == QContextMenuEvent::Mouse || m_Observer == nullptr || IsDragging())
        return;
    m_Observer->OnBoardMenuRequested(this, mapToGlobal(QPoint(width() / 2, height() / 2)));
}

void CBoardView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton && !IsDragging())
    {
        event->accept();
        if (m_Observer != nullptr)
            m_Observer->OnBoardMenuRequested(this, event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton || !m_InputEnabled || IsDragging())
        return;
    // A press lands a piece still on its way at once: the player need not wait for it.
    EndAnimation();
    const CChessPosition& position = GetPosition();
    const QPoint point = event->position().toPoint();
    const Colour side = position.SideToMove();
    const CCoordinate square = SquareAt(point);
    if (square.IsOnBoard())
    {
        const PieceCode code = position.PieceAt(square);
        if (code == 0 || ColourOfCode(code) != side)
            return;
        m_Selected = square;
        m_HiddenSquare = square;
        m_DraggedColour = side;
        m_DraggedType = TypeOfCode(code);
        m_DraggingFromBoard = true;
        InvalidateSquare(square);
    }
    else
    {
        const int slot = HoldingsSlotAt(point, side);
        if (slot < 0 || position.Holdings(side, slot) < 1)
            return;
        m_DraggedType = slot;
        m_DraggedColour = side;
        m_DraggingFromHoldings = 1;
    }
    MoveDragTo(point - QPoint(kSquare / 2, kSquare / 2));
}

void CBoardView::MoveDragTo(const QPoint& topLeft)
{
    const QRect old(m_DragPos, QSize(kSquare, kSquare));
    m_DragPos = topLeft;
    // One repaint of the union: the old place restored and the piece drawn at the new one.
    update(old.united(QRect(m_DragPos, QSize(kSquare, kSquare))));
}

void CBoardView::mouseMoveEvent(QMouseEvent* event)
{
    if (IsDragging())
        MoveDragTo(event->position().toPoint() - QPoint(kSquare / 2, kSquare / 2));
}

void CBoardView::EndDrag()
{
    update(QRect(m_DragPos, QSize(kSquare, kSquare)));
    const CCoordinate hidden = m_HiddenSquare;
    m_DraggingFromBoard = false;
    m_DraggingFromHoldings = 0;
    m_HiddenSquare = CCoordinate::None();
    InvalidateSquare(hidden);
}

void CBoardView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !IsDragging())
        return;
    const CCoordinate target = SquareAt(event->position().toPoint());
    if (m_DraggingFromHoldings)
    {
        const PieceType type = m_DraggedType;
        EndDrag();
        if (target.IsOnBoard() && m_Observer != nullptr)
            m_Observer->OnDropRequested(this, target, type);
        return;
    }
    const CCoordinate from = m_Selected;
    EndDrag();
    // A piece put back where it was is no move.
    if (target.IsOnBoard() && target != from && m_Observer != nullptr)
        m_Observer->OnMoveRequested(this, CMove(from, target));
}

// ---------------------------------------------------------------------------
// Animation of moves that come from an engine or the network

void CBoardView::StartAnimation(const QPoint& from, const QPoint& to, const CCoordinate& square, Colour colour,
                                PieceType type)
{
    if (m_Animating)
        EndAnimation();
    if (IsDragging())
        EndDrag();
    // Half-way (rounded towards zero) for the pause, then the piece lands.
    m_Animating = true;
    m_DraggedColour = colour;
    m_DraggedType = type;
    m_HiddenSquare = square;
    m_BufferDirty = true;
    update(SquareRect(square));
    MoveDragTo(from + (to - from) / 2);
    m_AnimationTimer.start();
}

void CBoardView::EndAnimation()
{
    m_AnimationTimer.stop();
    if (!m_Animating)
        return;
    m_Animating = false;
    update(QRect(m_DragPos, QSize(kSquare, kSquare)));
    const CCoordinate hidden = m_HiddenSquare;
    m_HiddenSquare = CCoordinate::None();
    InvalidateSquare(hidden);
}

void CBoardView::AnimateMove(const CMove& move)
{
    const PieceCode code = GetPosition().PieceAt(move.to);
    if (code == 0 || !move.from.IsOnBoard())
        return;
    StartAnimation(SquareRect(move.from).topLeft(), SquareRect(move.to).topLeft(), move.to, ColourOfCode(code),
                   TypeOfCode(code));
}

void CBoardView::AnimateDrop(PieceType type, const CCoordinate& square)
{
    const PieceCode code = GetPosition().PieceAt(square);
    if (code == 0 || !m_Bughouse)
        return;
    const Colour colour = ColourOfCode(code);
    StartAnimation(QPoint(10 + 60 * type, StripTop(colour)), SquareRect(square).topLeft(), square, colour, type);
}
