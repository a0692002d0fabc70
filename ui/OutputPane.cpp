#include "OutputPane.h"
#include "ProgramFont.h"

#include <QPainter>
#include <QWheelEvent>

#include <algorithm>

namespace
{
constexpr int kFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

// The text cut to the longest line kept, its last character the mark "…";
// a character made of two UTF-16 units is never split.
QString CutText(const QString& text)
{
    if (text.size() <= COutputPane::kMaxLineLength)
        return text;
    int characters = 0;
    qsizetype keep = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
    {
        if (text[i].isLowSurrogate() && i > 0 && text[i - 1].isHighSurrogate())
            continue;
        if (characters == COutputPane::kMaxLineLength - 1)
            keep = i;
        if (++characters > COutputPane::kMaxLineLength)
            return text.left(keep) + QChar(0x2026);
    }
    return text;
}
} // namespace

COutputPane::COutputPane(QWidget* parent) : QWidget(parent), m_ScrollBar(new CSkinScrollBar(this))
{
    setObjectName(QStringLiteral("Chat output"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_ScrollBar->SetColours(kScrollBarWidth, QColor(7, 7, 141), QColor(62, 80, 231), QColor(5, 6, 200));
    m_ScrollBar->hide();
    connect(m_ScrollBar, &CSkinScrollBar::Scroll, this,
            [this](CSkinScrollBar*, CSkinScrollBar::Code code, int position) { OnScroll(code, position); });
}

QFont COutputPane::ChatFont()
{
    return ProgramFont(QStringLiteral("Tahoma"), 13, true);
}

QRect COutputPane::TextArea(bool withScrollBar) const
{
    return QRect(3, 1, width() - 6 - (withScrollBar ? kScrollBarWidth : 0), height() - 2);
}

int COutputPane::LineHeight(const Line& line, int width)
{
    const QFontMetrics metrics(line.font);
    const QRect r = metrics.boundingRect(QRect(0, 0, std::max(1, width), 1000000), kFlags, line.text);
    return std::max(r.height(), metrics.height());
}

int COutputPane::TotalHeight() const
{
    if (m_Places.empty())
        return 0;
    return static_cast<int>(m_Places.back().top + m_Places.back().height - m_Places.front().top);
}

int COutputPane::TextHeight() const
{
    return TotalHeight();
}

void COutputPane::Relayout()
{
    const int width = TextArea(IsScrollBarShown()).width();
    if (width == m_LayoutWidth)
        return;
    m_LayoutWidth = width;
    std::int64_t top = 0;
    for (std::size_t i = 0; i < m_Lines.size(); ++i)
    {
        m_Places[i] = Place{top, LineHeight(m_Lines[i], width)};
        top += m_Places[i].height;
    }
}

void COutputPane::UpdateScrollBar()
{
    // The wrapping width depends on the bar, so decide with the narrower
    // area. Without the bar the lines fit in the pane, so measuring them
    // again for the narrower area costs little.
    const QRect narrow = TextArea(true);
    const int available = TextArea(false).height();
    bool needed = TotalHeight() > available;
    if (!needed && !IsScrollBarShown())
    {
        int total = 0;
        for (const Line& line : m_Lines)
            total += LineHeight(line, narrow.width());
        needed = total > available;
    }
    if (!needed)
    {
        m_ScrollBar->hide();
        m_ScrollPos = 0;
        Relayout();
        return;
    }
    m_ScrollBar->setGeometry(width() - kScrollBarWidth, 0, kScrollBarWidth, height());
    m_ScrollBar->show();
    Relayout();
    m_ScrollBar->SetRange(0, std::max(0, TotalHeight() - 1));
    m_ScrollBar->SetPage(narrow.height());
}

void COutputPane::ScrollTo(int position)
{
    const int top = std::max(0, TextHeight() - TextArea(IsScrollBarShown()).height());
    m_ScrollPos = std::clamp(position, 0, top);
    m_ScrollBar->SetPosition(m_ScrollPos);
    update();
}

void COutputPane::AddLine(const QString& text, const QFont& font, const QColor& colour)
{
    m_Lines.push_back(Line{CutText(text), font, colour});
    if (m_LayoutWidth < 0)
        m_LayoutWidth = TextArea(IsScrollBarShown()).width();
    const std::int64_t top = m_Places.empty() ? 0 : m_Places.back().top + m_Places.back().height;
    m_Places.push_back(Place{top, LineHeight(m_Lines.back(), m_LayoutWidth)});
    while (m_Lines.size() > static_cast<std::size_t>(kMaxLines))
    {
        m_Lines.pop_front();
        m_Places.pop_front();
    }
    UpdateScrollBar();
    ScrollTo(TextHeight());
}

void COutputPane::Clear()
{
    m_Lines.clear();
    m_Places.clear();
    UpdateScrollBar();
    m_ScrollPos = 0;
    update();
}

void COutputPane::OnScroll(CSkinScrollBar::Code code, int position)
{
    const int line = QFontMetrics(ChatFont()).height();
    const int page = TextArea(true).height();
    switch (code)
    {
    case CSkinScrollBar::Code::LineUp: ScrollTo(m_ScrollPos - line); break;
    case CSkinScrollBar::Code::LineDown: ScrollTo(m_ScrollPos + line); break;
    case CSkinScrollBar::Code::PageUp: ScrollTo(m_ScrollPos - page); break;
    case CSkinScrollBar::Code::PageDown: ScrollTo(m_ScrollPos + page); break;
    case CSkinScrollBar::Code::ThumbPosition:
    case CSkinScrollBar::Code::ThumbTrack: ScrollTo(position); break;
    case CSkinScrollBar::Code::EndScroll: break;
    }
}

bool COutputPane::HandleWheel(int delta)
{
    if (delta == 0 || !IsScrollBarShown())
        return false;
    const int notches = std::max(1, std::abs(delta) / 120);
    for (int i = 0; i < notches; ++i)
        OnScroll(delta > 0 ? CSkinScrollBar::Code::LineUp : CSkinScrollBar::Code::LineDown, 0);
    return true;
}

void COutputPane::wheelEvent(QWheelEvent* event)
{
    HandleWheel(event->angleDelta().y());
    event->accept();
}

void COutputPane::resizeEvent(QResizeEvent*)
{
    Relayout();
    UpdateScrollBar();
    ScrollTo(TextHeight());
}

void COutputPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QRect area = TextArea(IsScrollBarShown());
    painter.setClipRect(area);
    if (m_Lines.empty())
        return;
    // The first line that reaches into view, found among the measured places.
    const std::int64_t base = m_Places.front().top;
    const auto first =
        std::upper_bound(m_Places.begin(), m_Places.end(), base + m_ScrollPos,
                         [](std::int64_t y, const Place& place) { return y < place.top + place.height; });
    for (auto place = first; place != m_Places.end(); ++place)
    {
        const int y = area.top() + static_cast<int>(place->top - base) - m_ScrollPos;
        if (y > area.bottom())
            break;
        const Line& line = m_Lines[static_cast<std::size_t>(place - m_Places.begin())];
        painter.setFont(line.font);
        painter.setPen(line.colour);
        painter.drawText(QRect(area.left(), y, area.width(), place->height), kFlags, line.text);
    }
}
