#include "PlayerWnd.h"
#include "ProgramFont.h"

#include "Nickname.h"
#include "UiText.h"

#include <QPainter>

namespace
{
const QColor kBackground(7, 7, 141);
const QColor kRunningText(255, 255, 255);
const QColor kIdleText(224, 132, 0);
} // namespace

CPlayerWnd::CPlayerWnd(const PlayerRoster& roster, int playerIndex, QWidget* parent)
    : QWidget(parent), m_Roster(roster), m_PlayerIndex(playerIndex)
{
    setObjectName(QStringLiteral("PlayerWnd"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_Font = ProgramFont(QStringLiteral("Tahoma"), 14, true);
    resize(360, 19);
    Follow(&m_Clock);
}

void CPlayerWnd::ShowClock(CPlayerClock* clock)
{
    Follow(clock != nullptr ? clock : &m_Clock);
    update();
}

void CPlayerWnd::Follow(CPlayerClock* clock)
{
    disconnect(m_AreaConnection);
    disconnect(m_PanelConnection);
    m_Shown = clock;
    m_AreaConnection = connect(clock, &CPlayerClock::ClockAreaChanged, this, [this] {
        if (m_LayoutDone)
            update(m_ClockRect);
        else
            update();
    });
    m_PanelConnection = connect(clock, &CPlayerClock::PanelChanged, this, [this] { update(); });
}

void CPlayerWnd::SetPlayerIndex(int index)
{
    m_PlayerIndex = index;
    update();
}

void CPlayerWnd::SetShownName(const QString& name)
{
    if (name == m_ShownName)
        return;
    m_ShownName = name;
    update();
}

void CPlayerWnd::SetComputerMark(bool mark)
{
    if (mark == m_ComputerMark)
        return;
    m_ComputerMark = mark;
    update();
}

const PlayerEntry& CPlayerWnd::GetPlayer() const
{
    return m_Roster.GetEntry(m_PlayerIndex);
}

QColor CPlayerWnd::TextColour() const
{
    return m_Shown->IsRunning() ? kRunningText : kIdleText;
}

QString CPlayerWnd::NameText() const
{
    if (!m_ShownName.isEmpty())
        return Nickname::Shown(m_ShownName);
    if (m_PlayerIndex == -1)
        return UiText(ProgramTexts::IDS_WAITING_FOR_CLIENT);
    QString name = Nickname::Shown(GetPlayer().name);
    if (m_ComputerMark)
        name += UiText(ProgramTexts::IDS_COMPUTER_MARK);
    return name;
}

QString CPlayerWnd::ClockText() const
{
    if (m_Shown->IsUnlimited())
        return UiText(ProgramTexts::IDS_NO_TIME_LIMIT);
    if (m_PlayerIndex == -1 && m_ShownName.isEmpty())
        return ClockTime().Text();
    return m_Shown->GetShownTime().Text();
}

QString CPlayerWnd::PaintedNameText() const
{
    const QFontMetrics metrics(m_Font);
    const QString whole = NameText();
    const int room = width() - 3 - 3 - metrics.horizontalAdvance(ClockText()) - kNameClockGap;
    if (metrics.horizontalAdvance(whole) <= room)
        return whole;
    if (m_PlayerIndex != -1 && m_ShownName.isEmpty() && m_ComputerMark)
    {
        // The mark says who plays: the name gives way first.
        const QString mark = UiText(ProgramTexts::IDS_COMPUTER_MARK);
        const int nameRoom = room - metrics.horizontalAdvance(mark);
        const QString name = metrics.elidedText(Nickname::Shown(GetPlayer().name), Qt::ElideRight, nameRoom);
        if (!name.isEmpty() && metrics.horizontalAdvance(name + mark) <= room)
            return name + mark;
    }
    return metrics.elidedText(whole, Qt::ElideRight, std::max(0, room));
}

QRect CPlayerWnd::NameRect() const
{
    if (m_LayoutDone)
        return m_NameRect;
    const int lineHeight = QFontMetrics(m_Font).boundingRect(QStringLiteral("Test string")).height();
    return QRect(3, 0, width(), lineHeight);
}

QRect CPlayerWnd::ClockRectNow() const
{
    return NameRect().translated(-6, 0);
}

std::vector<DrawnText> CPlayerWnd::DrawnTexts() const
{
    const QFontMetrics metrics(m_Font);
    const auto drawn = [&metrics](const QString& text, const QRect& box, Qt::Alignment alignment) {
        const int width = metrics.horizontalAdvance(text);
        const int left = alignment & Qt::AlignRight ? box.right() + 1 - width : box.left();
        const int top = box.top() + (box.height() - metrics.height()) / 2;
        return DrawnText{text, QRect(left, top, width, metrics.height())};
    };
    std::vector<DrawnText> texts;
    const QString name = PaintedNameText();
    if (!name.isEmpty())
        texts.push_back(drawn(name, NameRect(), Qt::AlignLeft));
    texts.push_back(drawn(ClockText(), ClockRectNow(), Qt::AlignRight));
    return texts;
}

void CPlayerWnd::Layout()
{
    // Both halves span the width and one line of text; the name is moved in 3 pixels from the left, the clock from the right.
    const int lineHeight = QFontMetrics(m_Font).boundingRect(QStringLiteral("Test string")).height();
    m_NameRect = QRect(3, 0, width(), lineHeight);
    m_ClockRect = QRect(-3, 0, width(), lineHeight);
    m_LayoutDone = true;
}

void CPlayerWnd::resizeEvent(QResizeEvent*)
{
    m_LayoutDone = false;
}

void CPlayerWnd::paintEvent(QPaintEvent*)
{
    if (!m_LayoutDone)
        Layout();
    QPainter painter(this);
    painter.fillRect(rect(), kBackground);
    painter.setFont(m_Font);
    painter.setPen(TextColour());
    painter.drawText(m_NameRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, PaintedNameText());
    painter.drawText(m_ClockRect, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, ClockText());
}
