#include "ThinkingPane.h"

#include "ProgramFont.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

namespace
{
const QColor kNavy(7, 7, 141);
const QColor kGrey(90, 90, 90);
constexpr int kMargin = 4;
} // namespace

CThinkingPane::CThinkingPane(QWidget* parent)
    : QWidget(parent), m_TitleFont(ProgramFont(QStringLiteral("Tahoma"), 12, true)),
      m_Font(ProgramFont(QStringLiteral("Tahoma"), 11, false))
{
    setObjectName(QStringLiteral("ThinkingPane"));
}

void CThinkingPane::SetEntries(std::vector<Entry> entries)
{
    m_Entries = std::move(entries);
    ++m_Updates;
    update();
}

void CThinkingPane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // A white area with a dark blue frame, like the move list.
    painter.setPen(QPen(kNavy, 1));
    painter.setBrush(Qt::white);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setClipRect(rect().adjusted(1, 1, -1, -1));

    const int width = this->width() - 2 * kMargin;
    if (width <= 0 || m_Entries.empty())
        return;
    // Each engine gets an equal share of the height; its variation wraps
    // within it and is cut at the share's end.
    const int share = (height() - kMargin) / static_cast<int>(m_Entries.size());
    int top = kMargin / 2;
    for (const Entry& entry : m_Entries)
    {
        const QFontMetrics titleMetrics(m_TitleFont);
        const QFontMetrics metrics(m_Font);
        painter.setClipRect(QRect(kMargin, top, width, share));
        painter.setFont(m_TitleFont);
        painter.setPen(kNavy);
        painter.drawText(QRect(kMargin, top, width, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                         titleMetrics.elidedText(entry.title, Qt::ElideRight, width));
        int y = top + titleMetrics.height();
        painter.setFont(m_Font);
        painter.drawText(QRect(kMargin, y, width, metrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(entry.stats, Qt::ElideRight, width));
        y += metrics.height();
        painter.setPen(kGrey);
        // Whole lines only: a line that does not fit the share is left out.
        const int lines = std::max(0, (top + share - y) / metrics.height());
        const QRect pvArea(kMargin, y, width, lines * metrics.height());
        painter.setClipRect(pvArea);
        painter.drawText(pvArea, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, entry.pv);
        top += share;
    }
}
