#include "BoardView.h"
#include "ProgramFont.h"

#include "BitmapCache.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>

namespace
{
const QColor kFrameColour(7, 7, 141);
const QColor kCoordinateColour(224, 132, 0);
const QColor kHighlightColour(255, 128, 64);
const QColor kKeyColour(0, 0, 255);
// Coordinates inside a bughouse board: each in the colour of the other kind of square.
const QColor kOnLightSquare(172, 124, 84);
const QColor kOnDarkSquare(238, 217, 180);
// The marks added over the skin: the chosen piece's square, its targets and a king in check.
const QColor kSelectedColour(255, 128, 64, 110);
const QColor kHintColour(7, 7, 141, 140);
const QColor kCheckColour(230, 20, 20);
const QColor kFocusColour(224, 132, 0, 200);
constexpr int kWhitePiecesTop = 410;
constexpr int kBlackPiecesTop = 450;
} // namespace

CBoardView::CBoardView(CBitmapCache& bitmaps, QWidget* parent) : QWidget(parent), m_Bitmaps(bitmaps)
{
    setObjectName(QStringLiteral("Board View"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    m_CoordinateFont = ProgramFont(QStringLiteral("Tahoma"), 14, true);
    m_InnerCoordinateFont = ProgramFont(QStringLiteral("Tahoma"), 10, true);
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
    UpdateSelection();
    InvalidateAll();
}

void CBoardView::DisableInput()
{
    m_InputEnabled = false;
    if (m_DraggingFromBoard)
        EndDrag();
    ClearSelection();
}

void CBoardView::CancelGesture()
{
    if (IsDragging())
        EndDrag();
    ClearSelection();
}

// ---------------------------------------------------------------------------
// The chosen piece and its targets

void CBoardView::Select(Selection kind, const CCoordinate& square, PieceType type)
{
    m_Selection = kind;
    m_SelectedSquare = kind == Selection::Square ? square : CCoordinate::None();
    m_SelectedType = type;
    UpdateSelection();
    InvalidateAll();
}

void CBoardView::ClearSelection()
{
    if (m_Selection == Selection::None)
        return;
    m_Selection = Selection::None;
    m_SelectedSquare = CCoordinate::None();
    m_Targets = 0;
    InvalidateAll();
}

void CBoardView::UpdateSelection()
{
    m_Targets = 0;
    if (m_Selection == Selection::None)
        return;
    const CChessPosition& position = GetPosition();
    const Colour side = position.SideToMove();
    if (m_Selection == Selection::Square)
    {
        const PieceCode code = position.PieceAt(m_SelectedSquare);
        if (code == 0 || ColourOfCode(code) != side)
        {
            ClearSelection();
            return;
        }
        for (int index = 0; index < 64; ++index)
            if (position.IsLegalMove(CMove(m_SelectedSquare, CCoordinate::FromIndex(index))))
                m_Targets |= uint64_t{1} << index;
        return;
    }
    if (position.Holdings(side, m_SelectedType) < 1)
    {
        ClearSelection();
        return;
    }
    for (int index = 0; index < 64; ++index)
        if (position.IsLegalDrop(side, m_SelectedType, CCoordinate::FromIndex(index)))
            m_Targets |= uint64_t{1} << index;
}

bool CBoardView::IsTarget(const CCoordinate& square) const
{
    return square.IsOnBoard() && (m_Targets >> square.Index() & 1U) != 0;
}

CCoordinate CBoardView::SelectedSquare() const
{
    return m_Selection == Selection::Square ? m_SelectedSquare : CCoordinate::None();
}

int CBoardView::SelectedDrop() const
{
    return m_Selection == Selection::Holdings ? m_SelectedType : -1;
}

std::vector<CCoordinate> CBoardView::HintSquares() const
{
    std::vector<CCoordinate> squares;
    for (int index = 0; index < 64; ++index)
        if ((m_Targets >> index & 1U) != 0)
            squares.push_back(CCoordinate::FromIndex(index));
    return squares;
}

void CBoardView::ReportTarget(const CCoordinate& square)
{
    const Selection kind = m_Selection;
    const CCoordinate from = m_SelectedSquare;
    const PieceType type = m_SelectedType;
    ClearSelection();
    if (m_Observer == nullptr)
        return;
    if (kind == Selection::Square)
        m_Observer->OnMoveRequested(this, CMove(from, square));
    else if (kind == Selection::Holdings)
        m_Observer->OnDropRequested(this, square, type);
}

CCoordinate CBoardView::CheckSquare() const
{
    const CChessPosition& position = GetPosition();
    if (!position.IsCheck())
        return CCoordinate::None();
    const Colour side = position.SideToMove();
    const CCoordinate king = position.State().kingSquare[side];
    if (!king.IsOnBoard() || position.PieceAt(king) != MakePieceCode(side, PIECE_KING))
        return CCoordinate::None();
    return king;
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

CCoordinate CBoardView::LastMoveOrigin() const
{
    const CChessPosition& position = GetPosition();
    const int32_t ply = position.CurrentPly();
    const auto& moves = position.RecordedMoves();
    if (ply <= 0 || ply > static_cast<int32_t>(moves.size()))
        return CCoordinate::None();
    const CMove& move = moves[static_cast<size_t>(ply - 1)];
    // A bughouse board knows its last move only by the square it marks; a drop has no origin.
    if (m_Bughouse && move.to != m_Highlight)
        return CCoordinate::None();
    return move.from;
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
    const qreal ratio = CBitmapCache::RatioOf(painter);
    if (ratio == 1.0)
    {
        // The skin's own pieces, as they have always looked.
        const int top = colour == COLOUR_WHITE ? kWhitePiecesTop : kBlackPiecesTop;
        m_Bitmaps.Get(QStringLiteral("IDB_BOARD"))
            .DrawPartTransparent(painter, at, QRect(kSquare * type, top, kSquare, kSquare), kKeyColour);
        return;
    }
    // A scaled screen: the pieces drawn from their shapes at the pixels it has.
    painter.drawPixmap(at, m_Bitmaps.Piece(type, colour == COLOUR_WHITE, kSquare, ratio));
}

void CBoardView::RenderBuffer(qreal ratio)
{
    const CChessPosition& position = GetPosition();
    const QRect area = BufferRect();
    if (m_Buffer.deviceIndependentSize().toSize() != area.size() || m_Buffer.devicePixelRatio() != ratio)
    {
        m_Buffer = QPixmap(area.size() * ratio);
        m_Buffer.setDevicePixelRatio(ratio);
    }
    QPainter painter(&m_Buffer);
    const QPoint offset = -area.topLeft();

    // Background: the whole bughouse picture, or the standard board inside it.
    const CCachedBitmap& sheet = m_Bitmaps.Get(QStringLiteral("IDB_BOARD"), ratio);
    if (m_Bughouse)
        sheet.DrawPart(painter, QPoint(0, 0), QRect(0, 0, 320, 410));
    else
        sheet.DrawPart(painter, QPoint(0, 0), QRect(0, kBughouseBoardTop, 320, 320));
    if (!sheet.IsLoaded())
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

    DrawMarks(painter, offset);
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
    DrawHints(painter, offset);
    m_BufferDirty = false;
}

void CBoardView::DrawMarks(QPainter& painter, const QPoint& offset) const
{
    // Under the pieces: the chosen piece's square and a red glow round a king in check.
    if (m_Selection == Selection::Square)
        painter.fillRect(SquareRect(m_SelectedSquare).translated(offset), kSelectedColour);
    const CCoordinate king = CheckSquare();
    if (king.IsOnBoard())
    {
        const QRectF square = QRectF(SquareRect(king).translated(offset));
        QRadialGradient glow(square.center(), kSquare * 0.6);
        glow.setColorAt(0.0, kCheckColour);
        glow.setColorAt(0.55, QColor(kCheckColour.red(), kCheckColour.green(), kCheckColour.blue(), 170));
        glow.setColorAt(1.0, QColor(kCheckColour.red(), kCheckColour.green(), kCheckColour.blue(), 0));
        painter.save();
        painter.setClipRect(square);
        painter.fillRect(square, glow);
        painter.restore();
    }
}

void CBoardView::DrawHints(QPainter& painter, const QPoint& offset) const
{
    // Over the pieces: a dot on a free target, a ring round a piece that can be taken.
    if (m_Targets == 0)
        return;
    const CChessPosition& position = GetPosition();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    for (int index = 0; index < 64; ++index)
    {
        if ((m_Targets >> index & 1U) == 0)
            continue;
        const CCoordinate square = CCoordinate::FromIndex(index);
        const QRectF cell = QRectF(SquareRect(square).translated(offset));
        if (position.IsOccupied(square))
        {
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(kHintColour, 3));
            painter.drawEllipse(cell.adjusted(2.5, 2.5, -2.5, -2.5));
        }
        else
        {
            painter.setPen(Qt::NoPen);
            painter.setBrush(kHintColour);
            painter.drawEllipse(cell.center(), 6.0, 6.0);
        }
    }
    painter.restore();
}

void CBoardView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // A window moved to a screen of another scale gets a board drawn for it.
    const qreal ratio = CBitmapCache::RatioOf(painter);
    if (m_BufferDirty || m_Buffer.isNull() || m_Buffer.devicePixelRatio() != ratio)
        RenderBuffer(ratio);
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
    if (m_Bughouse)
        DrawInnerCoordinates(painter);

    if (IsDragging() || m_Animating)
        DrawPiece(painter, m_DragPos, m_DraggedColour, m_DraggedType);

    const CCoordinate last = LastMoveSquare();
    if (m_IsHighlightOn && m_IsHighlightOn() && last.IsOnBoard())
    {
        // Both squares of the last move: where the piece came from and where it went.
        painter.setPen(QPen(kHighlightColour, 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(SquareRect(last).adjusted(3, 3, -4, -4));
        const CCoordinate origin = LastMoveOrigin();
        if (origin.IsOnBoard())
            painter.drawRect(SquareRect(origin).adjusted(3, 3, -4, -4));
    }
    if (hasFocus())
    {
        // The keyboard focus: a dotted line just inside the view's edge.
        painter.setPen(QPen(kFocusColour, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
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
        {
            // A click on a target of the chosen piece moves it there; elsewhere it gives the choice up.
            if (IsTarget(square))
                ReportTarget(square);
            else
                ClearSelection();
            return;
        }
        m_PressedChosen = m_Selection == Selection::Square && m_SelectedSquare == square;
        Select(Selection::Square, square, TypeOfCode(code));
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
        {
            ClearSelection();
            return;
        }
        m_PressedChosen = m_Selection == Selection::Holdings && m_SelectedType == slot;
        Select(Selection::Holdings, CCoordinate::None(), slot);
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
    const CCoordinate from = m_DraggingFromBoard ? m_Selected : CCoordinate::None();
    EndDrag();
    if (target.IsOnBoard() && target != from)
    {
        // Dropped on another square: reported whether legal or not; the owner decides.
        ReportTarget(target);
        return;
    }
    // Released where it was picked up: a click, which chooses the piece, or
    // gives the choice up when it was chosen already. Off the board: given up.
    if (!target.IsOnBoard() && from.IsOnBoard())
        ClearSelection();
    else if (m_PressedChosen)
        ClearSelection();
}

void CBoardView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && (IsDragging() || HasSelection()))
    {
        CancelGesture();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CBoardView::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void CBoardView::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
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

// ---------------------------------------------------------------------------
// Coordinates inside a bughouse board, which has no frame to hold them

QRect CBoardView::InnerCoordinateRect(int screenRow, int screenColumn, bool file) const
{
    // A file letter at the lower right of its square, a rank digit at the upper left.
    const QRect square(BoardOrigin() + QPoint(kSquare * screenColumn, kSquare * screenRow), QSize(kSquare, kSquare));
    const QFontMetrics metrics(m_InnerCoordinateFont);
    const QString text = file ? QStringLiteral("W") : QStringLiteral("8");
    const QSize size(metrics.horizontalAdvance(text), metrics.height());
    return file ? QRect(square.bottomRight() - QPoint(size.width() + 1, size.height()), size)
                : QRect(square.topLeft() + QPoint(2, 1), size);
}

std::vector<DrawnText> CBoardView::DrawnTexts() const
{
    std::vector<DrawnText> texts;
    if (!m_Bughouse)
        return texts;
    for (int i = 0; i < 8; ++i)
    {
        texts.push_back({QString(QChar(m_Flipped ? 'h' - i : 'a' + i)), InnerCoordinateRect(7, i, true)});
        texts.push_back({QString(QChar(m_Flipped ? '1' + i : '8' - i)), InnerCoordinateRect(i, 0, false)});
    }
    return texts;
}

void CBoardView::DrawInnerCoordinates(QPainter& painter) const
{
    painter.setFont(m_InnerCoordinateFont);
    for (int i = 0; i < 8; ++i)
    {
        // The top-left square is light, whichever way the board is turned.
        const bool fileSquareLight = (7 + i) % 2 == 0;
        const bool rankSquareLight = i % 2 == 0;
        painter.setPen(fileSquareLight ? kOnLightSquare : kOnDarkSquare);
        painter.drawText(InnerCoordinateRect(7, i, true), Qt::AlignRight | Qt::AlignBottom,
                         QString(QChar(m_Flipped ? 'h' - i : 'a' + i)));
        painter.setPen(rankSquareLight ? kOnLightSquare : kOnDarkSquare);
        painter.drawText(InnerCoordinateRect(i, 0, false), Qt::AlignLeft | Qt::AlignTop,
                         QString(QChar(m_Flipped ? '1' + i : '8' - i)));
    }
}
