#include "BoardView.h"
#include "ProgramFont.h"

#include "BitmapCache.h"
#include "GameSettings.h"
#include "PgnFile.h"

#include <QMouseEvent>
#include <QPainter>
#include <QThread>

namespace
{
const QColor kFrameColour(7, 7, 141);
const QColor kCoordinateColour(224, 132, 0);
const QColor kHighlightColour(255, 128, 64);
const QColor kKeyColour(0, 0, 255);
constexpr int kWhitePiecesTop = 410;
constexpr int kBlackPiecesTop = 450;
} // namespace

CBoardView::CBoardView(QWidget* parent)
    : QWidget(parent), m_Sheet(CBitmapCache::Instance().Get(QStringLiteral("IDB_BOARD")))
{
    setObjectName(QStringLiteral("Board View"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_CoordinateFont = ProgramFont(QStringLiteral("Tahoma"), 14, true);
    m_IsHighlightOn = [] { return GameSettings::Instance().IsCurrentMoveHighlighted(); };
    setFixedSize(360, 360);
}

void CBoardView::SetPromotionChooser(CChessPosition::PromotionChooser chooser)
{
    m_Position.SetPromotionChooser(std::move(chooser));
}

void CBoardView::SetBughouseMode(bool on)
{
    m_Bughouse = on ? 1 : 0;
    m_Position.SetDropsOption(m_Bughouse);
    if (on)
        setFixedSize(320, 410);
    else
        setFixedSize(360, 360);
    InvalidateAll();
}

void CBoardView::SetFlipped(bool flipped)
{
    m_Flipped = flipped;
    InvalidateAll();
}

void CBoardView::SetHighlightSetting(std::function<bool()> isHighlightOn)
{
    m_IsHighlightOn = std::move(isHighlightOn);
    update();
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
    const int32_t ply = m_Position.CurrentPly();
    const auto& moves = m_Position.RecordedMoves();
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
                                 QString::asprintf("%d", m_Position.Holdings(colour, t)));
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
            const PieceCode code = m_Position.PieceAt(square);
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

void CBoardView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_InputEnabled || IsDragging() || m_Animating)
        return;
    const QPoint point = event->position().toPoint();
    const Colour side = m_Position.SideToMove();
    const CCoordinate square = SquareAt(point);
    if (square.IsOnBoard())
    {
        const PieceCode code = m_Position.PieceAt(square);
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
        if (slot < 0 || m_Position.Holdings(side, slot) < 1)
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
    const CCoordinate previous = LastMoveSquare();
    if (m_DraggingFromHoldings)
    {
        const PieceType type = m_DraggedType;
        EndDrag();
        if (!target.IsOnBoard())
            return;
        const Colour side = m_Position.SideToMove();
        if (!m_Position.DropPiece(side, type, target))
            return;
        InvalidateSquare(target);
        InvalidateSquare(previous);
        m_Highlight = target;
        m_BufferDirty = true;
        update(HoldingsCountRect(side, type));
        if (m_Observer != nullptr)
            m_Observer->OnDrop(this, target, type, m_Position.SideToMove());
        Judge();
        return;
    }

    const CCoordinate from = m_Selected;
    EndDrag();
    if (!target.IsOnBoard())
        return;
    CCoordinate square1 = CCoordinate::None();
    CCoordinate square2 = CCoordinate::None();
    int32_t promotion = 0;
    uint8_t captured = 0;
    int32_t capturedPiece = 0;
    std::string text;
    const CMove move(from, target);
    if (!m_Position.MakeMove(move, square1, square2, promotion, captured, capturedPiece, text, true))
        return;
    InvalidateSquare(from);
    InvalidateSquare(target);
    InvalidateSquare(square1);
    InvalidateSquare(square2);
    InvalidateSquare(previous);
    m_Highlight = target;
    if (m_Observer != nullptr)
        m_Observer->OnMove(this, move, promotion, m_Position.SideToMove(), captured != 0, capturedPiece, text);
    Judge();
}

void CBoardView::Judge()
{
    if (m_Observer == nullptr)
        return;
    const Colour side = m_Position.SideToMove();
    if (m_Position.IsMate())
        m_Observer->OnCheckmate(this, side);
    else if (m_Position.IsStalemate())
        m_Observer->OnStalemate(this, side);
    else if (!m_Bughouse)
    {
        if (m_Position.IsRepetition())
            m_Observer->OnThreefoldRepetition(this, side);
        else if (m_Position.IsInsufficientMaterial())
            m_Observer->OnInsufficientMaterial(this, side);
        else if (m_Position.IsFiftyMoveDraw())
            m_Observer->OnFiftyMoveRule(this, side);
    }
    if (m_Position.IsCheck())
        m_Observer->OnCheck(this, side);
}

// ---------------------------------------------------------------------------
// Moves from an engine or the network

void CBoardView::Animate(const QPoint& from, const QPoint& to)
{
    // Two frames: half-way (rounded towards zero), then the destination.
    m_Animating = true;
    m_BufferDirty = true;
    MoveDragTo(from + (to - from) / 2);
    repaint();
    QThread::msleep(kAnimationPauseMs);
    MoveDragTo(to);
    repaint();
    m_Animating = false;
    update(QRect(m_DragPos, QSize(kSquare, kSquare)));
}

bool CBoardView::PlayMove(const CMove& move, bool animate, std::string& moveText)
{
    DisableInput();
    // Try it on a copy first, so a refused move neither animates nor changes anything.
    CChessPosition trial(m_Position);
    trial.SetKingCaptureOption(m_Position.KingCaptureOption());
    trial.SetDropsOption(m_Position.DropsOption() ? 1 : 0);
    if (!trial.MakeMove(move, false))
        return false;

    const CCoordinate previous = LastMoveSquare();
    if (animate)
    {
        const PieceCode code = m_Position.PieceAt(move.from);
        m_HiddenSquare = move.from;
        m_DraggedColour = ColourOfCode(code);
        m_DraggedType = TypeOfCode(code);
        InvalidateSquare(move.from);
        Animate(SquareRect(move.from).topLeft(), SquareRect(move.to).topLeft());
        m_HiddenSquare = CCoordinate::None();
    }
    CCoordinate square1 = CCoordinate::None();
    CCoordinate square2 = CCoordinate::None();
    int32_t promotion = 0;
    uint8_t captured = 0;
    int32_t capturedPiece = 0;
    const bool made = m_Position.MakeMove(move, square1, square2, promotion, captured, capturedPiece, moveText, true);
    InvalidateSquare(move.from);
    if (!made)
        return false;
    InvalidateSquare(square1);
    InvalidateSquare(square2);
    InvalidateSquare(previous);
    InvalidateSquare(move.to);
    m_Highlight = move.to;
    repaint();
    Judge();
    return true;
}

bool CBoardView::PlayDrop(const CCoordinate& square, PieceType type, bool animate)
{
    DisableInput();
    const Colour side = m_Position.SideToMove();
    CChessPosition trial(m_Position);
    trial.SetDropsOption(1);
    if (!trial.DropPiece(side, type, square))
        return false;
    const CCoordinate previous = LastMoveSquare();
    if (animate)
    {
        m_DraggedColour = side;
        m_DraggedType = type;
        Animate(QPoint(10 + 60 * type, StripTop(side)), SquareRect(square).topLeft());
    }
    if (!m_Position.DropPiece(side, type, square))
        return false;
    m_BufferDirty = true;
    update(HoldingsCountRect(side, type));
    InvalidateSquare(previous);
    InvalidateSquare(square);
    m_Highlight = square;
    repaint();
    Judge();
    return true;
}

void CBoardView::ReceivePiece(int32_t nibble, Colour colour)
{
    m_Position.ReceivePiece(nibble, colour);
    m_BufferDirty = true;
    const PieceType type = IsPromotedNibble(nibble) ? PIECE_PAWN : (nibble & 7);
    if (type >= PIECE_PAWN && type <= PIECE_QUEEN)
        update(HoldingsCountRect(colour, type));
}

// ---------------------------------------------------------------------------
// The game record

void CBoardView::NewGame()
{
    if (IsDragging())
        EndDrag();
    m_Position.Reset();
    m_Highlight = CCoordinate::None();
    InvalidateAll();
}

bool CBoardView::TakeBack()
{
    const bool done = m_Position.TakeBack();
    InvalidateAll();
    return done;
}

bool CBoardView::StepBack()
{
    const bool done = m_Position.StepBack();
    InvalidateAll();
    return done;
}

bool CBoardView::StepForward(std::string& moveText)
{
    const bool done = m_Position.StepForward(moveText);
    InvalidateAll();
    return done;
}

bool CBoardView::GoToStart()
{
    const bool done = m_Position.GoToStart();
    InvalidateAll();
    return done;
}

bool CBoardView::GoToEnd()
{
    const bool done = m_Position.GoToEnd();
    InvalidateAll();
    return done;
}

void CBoardView::LoadMoveList(const std::vector<std::string>& sanTexts)
{
    m_Position.LoadMoveList(sanTexts);
    m_Highlight = CCoordinate::None();
    InvalidateAll();
}

bool CBoardView::LoadPgn(const std::string& fileName, std::string& whiteName, std::string& blackName,
                         std::string& result)
{
    const bool loaded = CPgnFile::LoadPgn(m_Position, fileName, whiteName, blackName, result);
    m_Highlight = CCoordinate::None();
    InvalidateAll();
    return loaded;
}

bool CBoardView::SavePgn(const std::string& fileName, const std::string& whiteName, const std::string& blackName,
                         bool draw, bool blackWon, bool whiteWon) const
{
    return CPgnFile::SavePgn(m_Position, fileName, whiteName, blackName, draw, blackWon, whiteWon);
}
