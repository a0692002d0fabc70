#include "MovesWnd.h"
#include "ProgramFont.h"

#include "MoveListWnd.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

namespace
{
const QColor kNavy(7, 7, 141);
const QColor kPurple(128, 0, 128);
// The move at the browse cursor, behind its text.
const QColor kCursorColour(255, 128, 64, 90);
const QColor kFocusColour(224, 132, 0, 200);
} // namespace

CMovesWnd::CMovesWnd(CMoveListWnd* list, QWidget* parent)
    : QWidget(parent), m_List(list), m_ScrollBar(new CSkinScrollBar(this))
{
    setObjectName(QStringLiteral("MoveWnd"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    m_Font = ProgramFont(QStringLiteral("Tahoma"), 14, false);
    m_ScrollBar->hide();
    connect(m_ScrollBar, &CSkinScrollBar::Scroll, this,
            [this](CSkinScrollBar*, CSkinScrollBar::Code code, int position) { OnScroll(code, position); });
}

void CMovesWnd::SetInformation(const QString& text)
{
    m_Information = text;
    update();
}

int CMovesWnd::LineHeight() const
{
    return QFontMetrics(m_Font).boundingRect(QStringLiteral("T_")).height();
}

int CMovesWnd::LinesPerPage() const
{
    return std::max(0, (height() - 2) / (LineHeight() + 2));
}

int CMovesWnd::MoveLines() const
{
    return m_List == nullptr ? 0 : (static_cast<int>(m_List->ShownMoves().size()) + 1) / 2;
}

int CMovesWnd::NumberOfLines() const
{
    const bool result = m_List != nullptr && !m_List->Result().empty();
    return MoveLines() + (result ? 1 : 0);
}

int CMovesWnd::FirstShownLine() const
{
    return IsScrollBarShown() ? m_ScrollBar->Position() : 0;
}

void CMovesWnd::UpdateScrollBar()
{
    const int lines = NumberOfLines();
    const int perPage = LinesPerPage();
    if (lines <= perPage)
    {
        m_ScrollBar->hide();
        return;
    }
    m_ScrollBar->SetRange(0, lines);
    m_ScrollBar->SetPage(perPage + 1);
    m_ScrollBar->SetPosition(m_ScrollBar->Position());
    m_ScrollBar->show();
}

void CMovesWnd::ScrollTo(int position)
{
    const int top = std::max(0, NumberOfLines() - m_ScrollBar->Page() + 1);
    m_ScrollBar->SetPosition(std::clamp(position, 0, top));
    update();
}

void CMovesWnd::Refresh()
{
    UpdateScrollBar();
    if (IsScrollBarShown())
        ScrollTo(NumberOfLines());
    update();
}

void CMovesWnd::OnScroll(CSkinScrollBar::Code code, int position)
{
    const int pos = m_ScrollBar->Position();
    const int page = m_ScrollBar->Page();
    const int lines = NumberOfLines();
    switch (code)
    {
    case CSkinScrollBar::Code::LineUp:
        if (pos > 0)
            ScrollTo(pos - 1);
        break;
    case CSkinScrollBar::Code::LineDown:
        if (pos + page - 1 < lines)
            ScrollTo(pos + 1);
        break;
    case CSkinScrollBar::Code::PageUp:
        if (pos != 0)
            ScrollTo(pos - page);
        break;
    case CSkinScrollBar::Code::PageDown:
        if (pos + page - 1 < lines)
            ScrollTo(pos + page);
        break;
    case CSkinScrollBar::Code::ThumbPosition:
    case CSkinScrollBar::Code::ThumbTrack:
        if (position != pos)
            ScrollTo(position);
        break;
    case CSkinScrollBar::Code::EndScroll: break;
    }
}

bool CMovesWnd::HandleWheel(int delta, bool pointerOverPane)
{
    if (!pointerOverPane || delta == 0)
        return false;
    // Whole notches of 120; a part of a notch counts as one.
    const int notches = std::max(1, std::abs(delta) / 120);
    for (int i = 0; i < notches; ++i)
        OnScroll(delta > 0 ? CSkinScrollBar::Code::LineUp : CSkinScrollBar::Code::LineDown, 0);
    return true;
}

void CMovesWnd::wheelEvent(QWheelEvent* event)
{
    HandleWheel(event->angleDelta().y(), true);
    event->accept();
}

void CMovesWnd::resizeEvent(QResizeEvent*)
{
    m_ScrollBar->setGeometry(width() - m_ScrollBar->BarWidth(), 0, m_ScrollBar->BarWidth(), height());
    Refresh();
}

CMovesWnd::Piece CMovesWnd::Fitted(const QString& text, const QColor& colour, int left, int width, int top) const
{
    Piece piece{text, m_Font, colour, QRect(), 0};
    QFontMetrics metrics(piece.font);
    int advance = metrics.horizontalAdvance(text);
    // Each step takes off about what is too wide, at least one pixel.
    while (advance > width && piece.font.pixelSize() > kSmallestFontPixels)
    {
        const int size = piece.font.pixelSize();
        piece.font.setPixelSize(std::max(kSmallestFontPixels, std::min(size - 1, size * width / advance)));
        metrics = QFontMetrics(piece.font);
        advance = metrics.horizontalAdvance(text);
    }
    if (advance > width)
    {
        piece.text = metrics.elidedText(text, Qt::ElideRight, width);
        advance = metrics.horizontalAdvance(piece.text);
    }
    // Every size sits on the line's own baseline.
    piece.baseline = top + QFontMetrics(m_Font).ascent();
    piece.rect = QRect(left, piece.baseline - metrics.ascent(), advance, metrics.height());
    return piece;
}

std::vector<CMovesWnd::Piece> CMovesWnd::Pieces() const
{
    std::vector<Piece> pieces;
    if (!m_Information.isEmpty() || m_List == nullptr)
        return pieces;
    const auto& moves = m_List->ShownMoves();
    const int barWidth = IsScrollBarShown() ? m_ScrollBar->BarWidth() : 0;
    const int w = width() - barWidth;
    const int h = LineHeight();
    const int perPage = LinesPerPage();
    const int moveLines = MoveLines();
    // The columns: the number from 6, the moves from a quarter and from 0.6 of
    // the width; each text keeps a small gap before the next column or the
    // frame.
    const int firstColumn = static_cast<int>(0.25 * w);
    const int secondColumn = static_cast<int>(0.6 * w);
    constexpr int kGap = 3;
    int y = 1;
    int i = FirstShownLine();
    for (int drawn = 0; drawn < perPage && i < moveLines; ++drawn, ++i)
    {
        pieces.push_back(Fitted(QString::asprintf("%d.", i + 1), kPurple, 6, firstColumn - kGap - 6, y));
        pieces.push_back(Fitted(QString::fromStdString(moves[static_cast<size_t>(2 * i)]), kNavy, firstColumn,
                                secondColumn - kGap - firstColumn, y));
        if (static_cast<size_t>(2 * i + 1) < moves.size())
            pieces.push_back(Fitted(QString::fromStdString(moves[static_cast<size_t>(2 * i + 1)]), kNavy, secondColumn,
                                    w - kGap - secondColumn, y));
        y += h + 2;
    }
    if (!m_List->Result().empty() && y + h <= height())
    {
        Piece result = Fitted(QString::fromStdString(m_List->Result()), kPurple, 0, w - 2 * kGap, y);
        result.rect.moveLeft((w - result.rect.width()) / 2);
        pieces.push_back(result);
    }
    return pieces;
}

QRect CMovesWnd::MoveRect(int index) const
{
    if (!m_Information.isEmpty() || m_List == nullptr || index < 0 ||
        index >= static_cast<int>(m_List->ShownMoves().size()))
        return QRect();
    const int line = index / 2 - FirstShownLine();
    if (line < 0 || line >= LinesPerPage())
        return QRect();
    const int w = width() - (IsScrollBarShown() ? m_ScrollBar->BarWidth() : 0);
    const int h = LineHeight();
    const int firstColumn = static_cast<int>(0.25 * w);
    const int secondColumn = static_cast<int>(0.6 * w);
    const int left = index % 2 == 0 ? firstColumn : secondColumn;
    const int right = index % 2 == 0 ? secondColumn - 1 : w - 2;
    // The line's own height and the gap of one pixel above and below it.
    return QRect(QPoint(left - 2, line * (h + 2)), QPoint(right, line * (h + 2) + h + 1));
}

int CMovesWnd::MoveAt(const QPoint& point) const
{
    if (m_List == nullptr)
        return -1;
    const int count = static_cast<int>(m_List->ShownMoves().size());
    for (int index = 2 * FirstShownLine(); index < count; ++index)
        if (MoveRect(index).contains(point))
            return index;
    return -1;
}

int CMovesWnd::CursorMove() const
{
    if (m_List == nullptr || !m_List->HasOwner())
        return -1;
    return static_cast<int>(m_List->ShownMoves().size()) - 1;
}

void CMovesWnd::mousePressEvent(QMouseEvent* event)
{
    QWidget::mousePressEvent(event);
    if (event->button() != Qt::LeftButton || m_List == nullptr)
        return;
    const int index = MoveAt(event->position().toPoint());
    if (index >= 0)
        m_List->GoToMove(index);
}

void CMovesWnd::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void CMovesWnd::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    update();
}

std::vector<DrawnText> CMovesWnd::DrawnTexts() const
{
    std::vector<DrawnText> texts;
    for (const Piece& piece : Pieces())
        texts.push_back(DrawnText{piece.text, piece.rect});
    return texts;
}

void CMovesWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // A white area with a dark blue frame.
    painter.setPen(QPen(kNavy, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const int barWidth = IsScrollBarShown() ? m_ScrollBar->BarWidth() : 0;
    if (hasFocus())
    {
        // The keyboard focus: a dotted line inside the frame.
        painter.setPen(QPen(kFocusColour, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect().adjusted(2, 2, -3 - barWidth, -3));
    }
    painter.setFont(m_Font);
    if (!m_Information.isEmpty() || m_List == nullptr)
    {
        painter.setPen(kNavy);
        const QRect area(9, 0, width() - 9 - 3 - barWidth, height());
        painter.drawText(area, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap, m_Information);
        return;
    }

    const QRect cursor = MoveRect(CursorMove());
    if (!cursor.isEmpty())
        painter.fillRect(cursor, kCursorColour);
    for (const Piece& piece : Pieces())
    {
        painter.setFont(piece.font);
        painter.setPen(piece.colour);
        painter.drawText(QPoint(piece.rect.left(), piece.baseline), piece.text);
    }
}
