#include "SkinButton.h"
#include "ProgramFont.h"

#include "BitmapCache.h"
#include "UiText.h"

#include <QEnterEvent>
#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

CSkinButton::CSkinButton(int captionId, QWidget* parent, int controlId, Kind kind)
    : CSkinButton(UiText(captionId), parent, controlId, kind)
{
}

CSkinButton::CSkinButton(const QString& caption, QWidget* parent, int controlId, Kind kind)
    : QPushButton(caption, parent), m_ControlId(controlId)
{
    Init(kind);
}

void CSkinButton::Init(Kind kind)
{
    m_Kind = kind;
    setProperty(kControlIdProperty, m_ControlId);
    setObjectName(QStringLiteral("button%1").arg(m_ControlId));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    // Drawn from its bitmap, unscaled: a layout never stretches it.
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    switch (kind)
    {
    case Kind::Little:
        SetBitmaps("IDB_BUTTON_LITTLE_TEMPLATE", QString(), "IDB_BUTTON_LITTLE_TEMPLATE_DOWN", QString());
        SetCaptionFont("Tahoma", 8, true);
        break;
    case Kind::Big:
        SetBitmaps("IDB_BUTTON_BIG_TEMPLATE", QString(), "IDB_BUTTON_BIG_TEMPLATE_DOWN", QString());
        SetCaptionFont("Tahoma", 10, true);
        break;
    case Kind::Normal:
        SetBitmaps("IDB_BUTTON_TEMPLATE", QString(), "IDB_BUTTON_TEMPLATE_DOWN", QString());
        SetCaptionFont("Tahoma", 10, true);
        break;
    }
    resize(sizeHint());
    show();
}

void CSkinButton::SetBitmaps(const QString& normal, const QString& hot, const QString& pressed, const QString& disabled)
{
    m_BitmapNames[0] = normal;
    m_BitmapNames[1] = hot;
    m_BitmapNames[2] = pressed;
    m_BitmapNames[3] = disabled;
    update();
}

void CSkinButton::SetCaptionFont(const QString& face, int points, bool bold, bool italic, bool underline)
{
    m_FontFace = face;
    m_FontPoints = points;
    m_Bold = bold;
    m_Italic = italic;
    m_Underline = underline;
    QFont font = ProgramFont(face, PointsToPixels(points, logicalDpiY()), bold);
    font.setItalic(italic);
    font.setUnderline(underline);
    setFont(font);
    update();
}

CSkinButton::State CSkinButton::CurrentState() const
{
    if (!isEnabled())
        return State::Disabled;
    if (isDown())
        return State::Pressed;
    if (m_Hot || underMouse())
        return State::Hot;
    return State::Normal;
}

QColor CSkinButton::TextColour(State state) const
{
    return state == State::Disabled ? QColor(153, 153, 153) : QColor(224, 132, 0);
}

const CCachedBitmap& CSkinButton::StateBitmap(State state, qreal ratio) const
{
    const QString& own = m_BitmapNames[static_cast<int>(state)];
    auto& cache = CBitmapCache::Instance();
    if (!own.isEmpty())
    {
        const CCachedBitmap& bitmap = cache.Get(own, ratio);
        if (bitmap.IsLoaded())
            return bitmap;
    }
    return cache.Get(m_BitmapNames[0].isEmpty() ? QStringLiteral("?") : m_BitmapNames[0], ratio);
}

QSize CSkinButton::sizeHint() const
{
    const CCachedBitmap& normal = StateBitmap(State::Normal);
    if (normal.IsLoaded())
        return normal.Size();
    return QPushButton::sizeHint();
}

std::vector<DrawnText> CSkinButton::DrawnTexts() const
{
    if (text().isEmpty())
        return {};
    const QSize size = fontMetrics().size(Qt::TextSingleLine | Qt::TextShowMnemonic, text());
    const QRect box(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2), size);
    return {DrawnText{text(), box}};
}

void CSkinButton::paintEvent(QPaintEvent*)
{
    const State state = CurrentState();
    QPainter painter(this);
    const CCachedBitmap& bitmap = StateBitmap(state, CBitmapCache::RatioOf(painter));
    if (bitmap.IsLoaded())
    {
        bitmap.Draw(painter, QPoint(0, 0));
    }
    else
    {
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text.clear();
        style()->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, this);
    }
    painter.setFont(font());
    painter.setPen(TextColour(state));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, text());
    if (hasFocus())
    {
        // A thin dotted frame shows the keyboard focus without hiding the bitmap.
        painter.setPen(QPen(QColor(224, 132, 0, 160), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}

void CSkinButton::enterEvent(QEnterEvent* event)
{
    m_Hot = true;
    update();
    QPushButton::enterEvent(event);
}

void CSkinButton::leaveEvent(QEvent* event)
{
    m_Hot = false;
    update();
    QPushButton::leaveEvent(event);
}
