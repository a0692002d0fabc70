#include "OutputPane.h"
#include "ProgramFont.h"

#include <QPainter>
#include <QWheelEvent>

namespace
{
constexpr int kFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
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

int COutputPane::LineHeight(const Line& line, int width) const
{
    const QFontMetrics metrics(line.font);
    const QRect r = metrics.boundingRect(QRect(0, 0, std::max(1, width), 1000000), kFlags, line.text);
    return std::max(r.height(), metrics.height());
}

int COutputPane::TextHeight() const
{
    const int width = TextArea(IsScrollBarShown()).width();
    int total = 0;
    for (const Line& line : m_Lines)
        total += LineHeight(line, width);
    return total;
}

void COutputPane::UpdateScrollBar()
{
    // The wrapping width depends on the bar, so decide with the narrower area.
    const QRect narrow = TextArea(true);
    int total = 0;
    for (const Line& line : m_Lines)
        total += LineHeight(line, narrow.width());
    if (total <= TextArea(false).height())
    {
        m_ScrollBar->hide();
        m_ScrollPos = 0;
        return;
    }
    m_ScrollBar->setGeometry(width() - kScrollBarWidth, 0, kScrollBarWidth, height());
    m_ScrollBar->SetRange(0, total - 1);
    m_ScrollBar->SetPage(narrow.height());
    m_ScrollBar->show();
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
    m_Lines.push_back(Line{text, font, colour});
    UpdateScrollBar();
    ScrollTo(TextHeight());
}

void COutputPane::Clear()
{
    m_Lines.clear();
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
    UpdateScrollBar();
    ScrollTo(TextHeight());
}

void COutputPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    const QRect area = TextArea(IsScrollBarShown());
    painter.setClipRect(area);
    int y = area.top() - m_ScrollPos;
    for (const Line& line : m_Lines)
    {
        const int h = LineHeight(line, area.width());
        if (y + h > area.top())
        {
            painter.setFont(line.font);
            painter.setPen(line.colour);
            painter.drawText(QRect(area.left(), y, area.width(), h), kFlags, line.text);
        }
        y += h;
        if (y > area.bottom())
            break;
    }
}
