#include "BitmapCache.h"

#include "ResourceData.h"

#include <QBitmap>
#include <QPainter>

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

void CCachedBitmap::DrawPart(QPainter& painter, const QPoint& at, const QRect& source) const
{
    if (IsLoaded())
        painter.drawPixmap(at, m_Pixmap, source);
}

void CCachedBitmap::DrawTransparent(QPainter& painter, const QPoint& at, const QColor& key) const
{
    if (IsLoaded())
        painter.drawPixmap(at, Masked(key));
}

void CCachedBitmap::DrawPartTransparent(QPainter& painter, const QPoint& at, const QRect& source,
                                        const QColor& key) const
{
    if (IsLoaded())
        painter.drawPixmap(at, Masked(key), source);
}

void CCachedBitmap::Tile(QPainter& painter, const QRect& rect) const
{
    if (!IsLoaded() || rect.isEmpty())
        return;
    QPixmap buffer(rect.size());
    {
        QPainter off(&buffer);
        off.drawTiledPixmap(buffer.rect(), m_Pixmap);
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
    return m_Masked.insert(key.rgb(), QPixmap::fromImage(image)).value();
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

const CCachedBitmap& CBitmapCache::Get(const QString& name)
{
    const QString key = name.toUpper();
    auto it = m_Bitmaps.find(key);
    if (it != m_Bitmaps.end())
        return *it.value();
    QPixmap pixmap;
    if (name.contains('.'))
        pixmap.load(m_Folder + name);
    else
        pixmap.load(ResourceData::BitmapPath(key));
    auto bitmap = std::make_shared<CCachedBitmap>(std::move(pixmap));
    m_Bitmaps.insert(key, bitmap);
    return *bitmap;
}
