#include "MovesWnd.h"
#include "ProgramFont.h"

#include "MoveListWnd.h"

#include <QPainter>
#include <QWheelEvent>

namespace
{
const QColor kNavy(7, 7, 141);
const QColor kPurple(128, 0, 128);
} // namespace

CMovesWnd::CMovesWnd(CMoveListWnd* list, QWidget* parent)
    : QWidget(parent), m_List(list), m_ScrollBar(new CSkinScrollBar(this))
{
    setObjectName(QStringLiteral("MoveWnd"));
    setAttribute(Qt::WA_OpaquePaintEvent);
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

void CMovesWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // A white area with a dark blue frame.
    painter.setPen(QPen(kNavy, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const int barWidth = IsScrollBarShown() ? m_ScrollBar->BarWidth() : 0;
    painter.setFont(m_Font);
    if (!m_Information.isEmpty() || m_List == nullptr)
    {
        painter.setPen(kNavy);
        const QRect area(9, 0, width() - 9 - 3 - barWidth, height());
        painter.drawText(area, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextWordWrap, m_Information);
        return;
    }

    const auto& moves = m_List->ShownMoves();
    const int w = width() - barWidth;
    const int h = LineHeight();
    const int perPage = LinesPerPage();
    const int moveLines = MoveLines();
    const QFontMetrics metrics(m_Font);
    int y = 1;
    int i = FirstShownLine();
    for (int drawn = 0; drawn < perPage && i < moveLines; ++drawn, ++i)
    {
        const int baseline = y + metrics.ascent();
        painter.setPen(kPurple);
        painter.drawText(QPoint(6, baseline), QString::asprintf("%d.", i + 1));
        painter.setPen(kNavy);
        painter.drawText(QPoint(static_cast<int>(0.25 * w), baseline),
                         QString::fromStdString(moves[static_cast<size_t>(2 * i)]));
        if (static_cast<size_t>(2 * i + 1) < moves.size())
            painter.drawText(QPoint(static_cast<int>(0.6 * w), baseline),
                             QString::fromStdString(moves[static_cast<size_t>(2 * i + 1)]));
        y += h + 2;
    }
    if (!m_List->Result().empty())
    {
        painter.setPen(kPurple);
        painter.drawText(QRect(0, y, w, h + 2), Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
                         QString::fromStdString(m_List->Result()));
    }
}
