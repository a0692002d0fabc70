#include "BitmapCache.h"

#include "ResourceData.h"
#include "SkinArt.h"

#include <QBitmap>
#include <QPaintEngine>
#include <QPainter>

#include <cmath>

namespace
{
std::unique_ptr<CBitmapCache>& CacheSlot()
{
    static std::unique_ptr<CBitmapCache> cache;
    return cache;
}
} // namespace

void CCachedBitmap::Draw(QPainter& painter, const QPoint& at) const
{
    if (IsLoaded())
        painter.drawPixmap(at, m_Pixmap);
}

namespace
{
// A rectangle of logical pixels in the device pixels of a bitmap.
QRectF DeviceRect(const QRect& source, qreal ratio)
{
    return QRectF(source.x() * ratio, source.y() * ratio, source.width() * ratio, source.height() * ratio);
}
} // namespace

void CCachedBitmap::DrawPart(QPainter& painter, const QPoint& at, const QRect& source) const
{
    if (!IsLoaded())
        return;
    if (Ratio() == 1.0)
        painter.drawPixmap(at, m_Pixmap, source);
    else
        painter.drawPixmap(QRectF(at, source.size()), m_Pixmap, DeviceRect(source, Ratio()));
}

void CCachedBitmap::DrawTransparent(QPainter& painter, const QPoint& at, const QColor& key) const
{
    if (IsLoaded())
        painter.drawPixmap(at, Masked(key));
}

void CCachedBitmap::DrawPartTransparent(QPainter& painter, const QPoint& at, const QRect& source,
                                        const QColor& key) const
{
    if (!IsLoaded())
        return;
    if (Ratio() == 1.0)
        painter.drawPixmap(at, Masked(key), source);
    else
        painter.drawPixmap(QRectF(at, source.size()), Masked(key), DeviceRect(source, Ratio()));
}

void CCachedBitmap::Tile(QPainter& painter, const QRect& rect) const
{
    if (!IsLoaded() || rect.isEmpty())
        return;
    QPixmap buffer(rect.size() * Ratio());
    buffer.setDevicePixelRatio(Ratio());
    {
        QPainter off(&buffer);
        off.drawTiledPixmap(QRect(QPoint(0, 0), rect.size()), m_Pixmap);
    }
    painter.drawPixmap(rect.topLeft(), buffer);
}

const QPixmap& CCachedBitmap::Masked(const QColor& key) const
{
    auto it = m_Masked.find(key.rgb());
    if (it != m_Masked.end())
        return it.value();
    QImage image = m_Pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    const QRgb keyRgb = key.rgb() | 0xFF000000u;
    for (int y = 0; y < image.height(); ++y)
    {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] | 0xFF000000u) == keyRgb)
                line[x] = 0;
    }
    QPixmap masked = QPixmap::fromImage(image);
    masked.setDevicePixelRatio(Ratio());
    return m_Masked.insert(key.rgb(), masked).value();
}

CBitmapCache& CBitmapCache::Instance()
{
    auto& slot = CacheSlot();
    if (!slot)
        slot.reset(new CBitmapCache());
    return *slot;
}

void CBitmapCache::Release()
{
    CacheSlot().reset();
}

qreal CBitmapCache::RatioOf(const QPainter& painter)
{
    const QPaintEngine* engine = painter.paintEngine();
    if (engine != nullptr && engine->paintDevice() != nullptr)
        return engine->paintDevice()->devicePixelRatio();
    return painter.device() != nullptr ? painter.device()->devicePixelRatio() : 1.0;
}

const CCachedBitmap& CBitmapCache::Get(const QString& name, qreal ratio)
{
    // Files, and ratios no screen has, are shown as loaded.
    const bool drawn = ratio != 1.0 && ratio >= 0.5 && ratio <= 8.0 && !name.contains('.') && CSkinArt::Draws(name);
    const QString key = drawn ? name.toUpper() + QStringLiteral("@") + QString::number(ratio) : name.toUpper();
    auto it = m_Bitmaps.find(key);
    if (it != m_Bitmaps.end())
        return *it.value();
    QPixmap pixmap;
    if (drawn)
    {
        pixmap = QPixmap::fromImage(CSkinArt::Draw(name, ratio));
        pixmap.setDevicePixelRatio(ratio);
    }
    else if (name.contains('.'))
        pixmap.load(m_Folder + name);
    else
        pixmap.load(ResourceData::BitmapPath(name.toUpper()));
    auto bitmap = std::make_shared<CCachedBitmap>(std::move(pixmap));
    m_Bitmaps.insert(key, bitmap);
    return *bitmap;
}

const QPixmap& CBitmapCache::Piece(int type, bool white, int square, qreal ratio)
{
    if (!(ratio >= 0.5 && ratio <= 8.0))
        ratio = 1.0;
    const QString key = QStringLiteral("%1%2/%3@%4").arg(type).arg(white ? 'w' : 'b').arg(square).arg(ratio);
    auto it = m_Pieces.find(key);
    if (it != m_Pieces.end())
        return it.value();
    const int pixels = static_cast<int>(std::lround(square * ratio));
    QPixmap pixmap = QPixmap::fromImage(CSkinArt::Piece(type, white, pixels));
    pixmap.setDevicePixelRatio(ratio);
    return m_Pieces.insert(key, pixmap).value();
}
