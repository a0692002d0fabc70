#include "SkinScrollBar.h"

#include "BitmapCache.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

CSkinScrollBar::CSkinScrollBar(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_Repeat.setSingleShot(false);
    connect(&m_Repeat, &QTimer::timeout, this, &CSkinScrollBar::OnRepeatTimer);
    m_Hover.setInterval(kHoverMs);
    connect(&m_Hover, &QTimer::timeout, this, &CSkinScrollBar::OnHoverTimer);
    UseProgramLook();
}

void CSkinScrollBar::SetBitmaps(const QString& up, const QString& down, const QString& track, const QString& upPressed,
                                const QString& downPressed, const QString& upHot, const QString& downHot)
{
    const QString names[7] = {up, down, track, upPressed, downPressed, upHot, downHot};
    std::copy(std::begin(names), std::end(names), std::begin(m_Bitmaps));
    update();
}

void CSkinScrollBar::SetColours(int width, const QColor& fill, const QColor& topLeft, const QColor& bottomRight)
{
    m_Width = width;
    m_Fill = fill;
    m_TopLeft = topLeft;
    m_BottomRight = bottomRight;
    update();
}

void CSkinScrollBar::UseProgramLook()
{
    SetBitmaps("IDB_SCROLLUP", "IDB_SCROLLDOWN", "IDB_SCROLLBACKGROUND", "IDB_SCROLLUPDOWN", "IDB_SCROLLDOWNDOWN",
               "IDB_SCROLLUPFOCUS", "IDB_SCROLLDOWNFOCUS");
    SetColours(10, QColor(7, 7, 141), QColor(62, 80, 231), QColor(5, 6, 200));
}

void CSkinScrollBar::SetRange(int minimum, int maximum)
{
    m_Min = minimum;
    m_Max = std::max(minimum, maximum);
    SetPosition(m_Pos);
}

void CSkinScrollBar::SetPage(int page)
{
    m_Page = std::max(1, page);
    SetPosition(m_Pos);
}

void CSkinScrollBar::SetPosition(int position)
{
    const int top = std::max(m_Min, m_Max - m_Page + 1);
    m_Pos = std::clamp(position, m_Min, top);
    update();
}

const CCachedBitmap* CSkinScrollBar::Bitmap(int index, qreal ratio) const
{
    if (m_Bitmaps[index].isEmpty())
        return nullptr;
    const CCachedBitmap& bitmap = CBitmapCache::Instance().Get(m_Bitmaps[index], ratio);
    return bitmap.IsLoaded() ? &bitmap : nullptr;
}

int CSkinScrollBar::ArrowHeight() const
{
    const CCachedBitmap* up = Bitmap(0);
    const int h = up != nullptr ? up->Size().height() : m_Width;
    return std::min(h, height() / 2);
}

QRect CSkinScrollBar::UpArrowRect() const
{
    return QRect(0, 0, width(), ArrowHeight());
}

QRect CSkinScrollBar::DownArrowRect() const
{
    return QRect(0, height() - ArrowHeight(), width(), ArrowHeight());
}

QRect CSkinScrollBar::TrackRect() const
{
    return QRect(0, ArrowHeight(), width(), std::max(0, height() - 2 * ArrowHeight()));
}

QRect CSkinScrollBar::ThumbRect() const
{
    const QRect track = TrackRect();
    const int units = m_Max - m_Min + 1;
    if (track.height() <= 0 || units <= 0)
        return QRect();
    const int length = std::clamp(track.height() * m_Page / units, std::min(8, track.height()), track.height());
    const int steps = units - m_Page;
    const int offset = steps > 0 ? (track.height() - length) * (m_Pos - m_Min) / steps : 0;
    return QRect(0, track.top() + offset, width(), length);
}

int CSkinScrollBar::PositionForThumbTop(int thumbTop) const
{
    const QRect track = TrackRect();
    const int length = ThumbRect().height();
    const int room = track.height() - length;
    const int steps = (m_Max - m_Min + 1) - m_Page;
    if (room <= 0 || steps <= 0)
        return m_Min;
    const int offset = std::clamp(thumbTop - track.top(), 0, room);
    return m_Min + (offset * steps + room / 2) / room;
}

CSkinScrollBar::Part CSkinScrollBar::PartAt(const QPoint& point) const
{
    if (!rect().contains(point))
        return Part::None;
    if (UpArrowRect().contains(point))
        return Part::UpArrow;
    if (DownArrowRect().contains(point))
        return Part::DownArrow;
    const QRect thumb = ThumbRect();
    if (thumb.contains(point))
        return Part::Thumb;
    return point.y() < thumb.top() ? Part::TrackAbove : Part::TrackBelow;
}

void CSkinScrollBar::Notify(Part part)
{
    switch (part)
    {
    case Part::UpArrow: emit Scroll(this, Code::LineUp, m_Pos); break;
    case Part::DownArrow: emit Scroll(this, Code::LineDown, m_Pos); break;
    case Part::TrackAbove: emit Scroll(this, Code::PageUp, m_Pos); break;
    case Part::TrackBelow: emit Scroll(this, Code::PageDown, m_Pos); break;
    default: break;
    }
}

void CSkinScrollBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const qreal ratio = CBitmapCache::RatioOf(painter);
    painter.fillRect(rect(), QColor(206, 212, 238));
    const QRect track = TrackRect();
    if (const CCachedBitmap* tile = Bitmap(2, ratio))
        painter.drawTiledPixmap(track, tile->Pixmap(), QPoint(0, 0));
    const auto drawArrow = [&](const QRect& r, int normal, int pressed, int hot, Part part) {
        int index = normal;
        if (m_Pressed == part && PartAt(m_LastPoint) == part)
            index = pressed;
        else if (m_Hot == part)
            index = hot;
        const CCachedBitmap* bitmap = Bitmap(index, ratio);
        if (bitmap == nullptr)
            bitmap = Bitmap(normal, ratio);
        // A bar wider than its bitmaps shows them centred on the thumb's colour.
        painter.fillRect(r, m_Fill);
        if (bitmap != nullptr)
            bitmap->Draw(painter, QPoint(r.left() + (r.width() - bitmap->Size().width()) / 2, r.top()));
    };
    drawArrow(UpArrowRect(), 0, 3, 5, Part::UpArrow);
    drawArrow(DownArrowRect(), 1, 4, 6, Part::DownArrow);

    const QRect thumb = ThumbRect();
    if (thumb.isValid() && m_Max - m_Min + 1 > m_Page)
    {
        painter.fillRect(thumb.adjusted(1, 1, -1, -1), m_Fill);
        painter.setPen(m_TopLeft);
        painter.drawLine(thumb.topLeft(), thumb.topRight());
        painter.drawLine(thumb.topLeft(), thumb.bottomLeft());
        painter.setPen(m_BottomRight);
        painter.drawLine(thumb.bottomLeft(), thumb.bottomRight());
        painter.drawLine(thumb.topRight(), thumb.bottomRight());
    }
}

void CSkinScrollBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_LastPoint = event->position().toPoint();
    m_Pressed = PartAt(m_LastPoint);
    if (m_Pressed == Part::None)
        return;
    grabMouse();
    if (m_Pressed == Part::Thumb)
    {
        m_DragOffset = m_LastPoint.y() - ThumbRect().top();
        m_TrackPos = m_Pos;
    }
    else
    {
        Notify(m_Pressed);
        m_Repeat.start(kFirstRepeatMs);
    }
    update();
}

void CSkinScrollBar::OnRepeatTimer()
{
    if (m_Pressed == Part::None || m_Pressed == Part::Thumb)
    {
        m_Repeat.stop();
        return;
    }
    if (m_Repeat.interval() != kRepeatMs)
        m_Repeat.start(kRepeatMs);
    // The track parts move with the thumb: repeat only while the pointer is still on that side of it.
    if (PartAt(m_LastPoint) == m_Pressed)
        Notify(m_Pressed);
}

void CSkinScrollBar::mouseMoveEvent(QMouseEvent* event)
{
    m_LastPoint = event->position().toPoint();
    if (m_Pressed == Part::Thumb)
    {
        const int position = PositionForThumbTop(m_LastPoint.y() - m_DragOffset);
        if (position != m_TrackPos)
        {
            m_TrackPos = position;
            emit Scroll(this, Code::ThumbTrack, position);
        }
        return;
    }
    if (m_Pressed != Part::None)
    {
        update();
        return;
    }
    const Part part = PartAt(m_LastPoint);
    const Part hot = (part == Part::UpArrow || part == Part::DownArrow) ? part : Part::None;
    if (hot != m_Hot)
    {
        m_Hot = hot;
        update();
    }
    if (m_Hot != Part::None && !m_Hover.isActive())
        m_Hover.start();
}

void CSkinScrollBar::OnHoverTimer()
{
    // Keeps the under-the-mouse bitmap only while the pointer is really there.
    const QPoint point = mapFromGlobal(QCursor::pos());
    if (!underMouse() || PartAt(point) != m_Hot)
    {
        m_Hot = Part::None;
        m_Hover.stop();
        update();
    }
}

void CSkinScrollBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || m_Pressed == Part::None)
        return;
    releaseMouse();
    m_Repeat.stop();
    if (m_Pressed == Part::Thumb)
        emit Scroll(this, Code::ThumbPosition, m_TrackPos);
    m_Pressed = Part::None;
    emit Scroll(this, Code::EndScroll, m_Pos);
    update();
}

void CSkinScrollBar::leaveEvent(QEvent* event)
{
    if (m_Pressed == Part::None && m_Hot != Part::None)
    {
        m_Hot = Part::None;
        update();
    }
    QWidget::leaveEvent(event);
}
