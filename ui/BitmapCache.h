#pragma once

#include <QColor>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <memory>

class QPainter;

// One bitmap of the cache. A bitmap that failed to load draws nothing.
// Sizes and source rectangles are in logical pixels; a bitmap made for a
// device pixel ratio above 1 holds that many more pixels each way.
class CCachedBitmap
{
public:
    explicit CCachedBitmap(QPixmap pixmap) : m_Pixmap(std::move(pixmap)) {}

    [[nodiscard]] bool IsLoaded() const { return !m_Pixmap.isNull(); }
    [[nodiscard]] QSize Size() const { return m_Pixmap.deviceIndependentSize().toSize(); }
    [[nodiscard]] qreal Ratio() const { return m_Pixmap.devicePixelRatio(); }
    [[nodiscard]] const QPixmap& Pixmap() const { return m_Pixmap; }
    // The pixels as an image (for tests and tools).
    [[nodiscard]] QImage Image() const { return m_Pixmap.toImage(); }

    void Draw(QPainter& painter, const QPoint& at) const;
    // Draws `source` (in bitmap coordinates) with its top-left corner at `at`.
    void DrawPart(QPainter& painter, const QPoint& at, const QRect& source) const;
    // Draws the whole bitmap leaving the pixels of exactly `key` undrawn.
    void DrawTransparent(QPainter& painter, const QPoint& at, const QColor& key) const;
    // Draws part of the bitmap leaving the pixels of exactly `key` undrawn.
    void DrawPartTransparent(QPainter& painter, const QPoint& at, const QRect& source, const QColor& key) const;
    // Copies of the bitmap side by side from the rectangle's top-left corner,
    // composed off screen and drawn in one step, clipped to the rectangle.
    void Tile(QPainter& painter, const QRect& rect) const;

private:
    // The bitmap with an alpha channel made from a key colour, made once per key.
    [[nodiscard]] const QPixmap& Masked(const QColor& key) const;

    QPixmap m_Pixmap;
    mutable QHash<QRgb, QPixmap> m_Masked;
};

// The process-wide bitmap cache: each name is loaded once per device pixel
// ratio and kept until Release. Names compare without regard to case. A name
// with a "." is a file, read from the folder text followed by the name; any
// other name is a compiled-in bitmap. At a ratio of 1 the compiled-in bitmap
// is used as it stands; at any other ratio it is drawn anew with that many
// device pixels per logical pixel, so a scaled screen shows it sharp.
class CBitmapCache
{
public:
    [[nodiscard]] static CBitmapCache& Instance();
    // Frees the cache; the next Instance makes a new one.
    static void Release();
    // The device pixel ratio a painter draws at (that of the device it
    // really paints on, such as the pixmap a widget is rendered into).
    [[nodiscard]] static qreal RatioOf(const QPainter& painter);

    // Never null; a bitmap that could not be loaded reports !IsLoaded.
    [[nodiscard]] const CCachedBitmap& Get(const QString& name, qreal ratio = 1.0);
    // A chess piece (type 0..5 pawn to king) drawn from its vector shape for
    // a square `square` logical pixels wide at the ratio, on a transparent
    // ground; null for a type out of range.
    [[nodiscard]] const QPixmap& Piece(int type, bool white, int square, qreal ratio);
    void SetFolder(const QString& folder) { m_Folder = folder; }
    [[nodiscard]] const QString& Folder() const { return m_Folder; }
    [[nodiscard]] int Count() const { return static_cast<int>(m_Bitmaps.size()); }

private:
    CBitmapCache() = default;

    QHash<QString, std::shared_ptr<CCachedBitmap>> m_Bitmaps;
    QHash<QString, QPixmap> m_Pieces;
    QString m_Folder;
};
