// Bitmaps for scaled screens: drawn anew for the device pixels a screen has,
// never an enlarged copy of the 100 % bitmap, while the 100 % bitmaps stay
// exactly as they were.
#include "BitmapCache.h"
#include "BoardView.h"
#include "ResourceData.h"
#include "SkinArt.h"
#include "SkinButton.h"
#include "SkinScrollBar.h"

#include <QCryptographicHash>
#include <QPainter>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace
{
const char* const kNames[] = {"IDB_BOARD",
                              "IDB_PATTERN",
                              "IDB_PATTERN_SMOOTH",
                              "IDB_BACK",
                              "IDB_BUTTON_TEMPLATE",
                              "IDB_BUTTON_TEMPLATE_DOWN",
                              "IDB_BUTTON_LITTLE_TEMPLATE",
                              "IDB_BUTTON_LITTLE_TEMPLATE_DOWN",
                              "IDB_BUTTON_BIG_TEMPLATE",
                              "IDB_BUTTON_BIG_TEMPLATE_DOWN",
                              "IDB_SCROLLUP",
                              "IDB_SCROLLDOWN",
                              "IDB_SCROLLBACKGROUND",
                              "IDB_SCROLLUPDOWN",
                              "IDB_SCROLLDOWNDOWN",
                              "IDB_SCROLLUPFOCUS",
                              "IDB_SCROLLDOWNFOCUS",
                              "IDI_PELLOMAR"};

QImage Rgb(const QImage& image)
{
    return image.convertToFormat(QImage::Format_ARGB32);
}

QByteArray PixelDigest(const QImage& image)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (int y = 0; y < rgb.height(); ++y)
        hash.addData(QByteArrayView(reinterpret_cast<const char*>(rgb.constScanLine(y)), rgb.width() * 4));
    return hash.result().toHex();
}

// Pixels whose colour differs by more than a little in some channel.
int DifferingPixels(const QImage& a, const QImage& b)
{
    const QImage x = Rgb(a);
    const QImage y = Rgb(b);
    if (x.size() != y.size())
        return std::numeric_limits<int>::max();
    int count = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int column = 0; column < x.width(); ++column)
        {
            const QRgb p = x.pixel(column, row);
            const QRgb q = y.pixel(column, row);
            if (std::abs(qRed(p) - qRed(q)) > 24 || std::abs(qGreen(p) - qGreen(q)) > 24 ||
                std::abs(qBlue(p) - qBlue(q)) > 24 || std::abs(qAlpha(p) - qAlpha(q)) > 24)
                ++count;
        }
    return count;
}

// The board view's picture in device pixels, drawn for a device pixel ratio.
QImage RenderBoard(CBoardView& view, qreal ratio)
{
    QPixmap target(view.size() * ratio);
    target.setDevicePixelRatio(ratio);
    target.fill(Qt::black);
    view.render(&target);
    QImage image = target.toImage();
    image.setDevicePixelRatio(1.0);
    return image;
}
} // namespace

// The bitmaps drawn at run time for 100 % are the compiled-in ones, and the
// compiled-in ones are those of before scaling came (their digests).
TEST(ScaledBitmaps, HundredPercentIsTheCompiledInLook)
{
    for (const char* name : kNames)
    {
        const QImage compiled(ResourceData::BitmapPath(name));
        ASSERT_FALSE(compiled.isNull()) << name;
        EXPECT_EQ(CSkinArt::LogicalSize(name), compiled.size()) << name;
        EXPECT_EQ(PixelDigest(CSkinArt::Draw(name, 1.0)), PixelDigest(compiled)) << name;
    }
    EXPECT_EQ(PixelDigest(QImage(ResourceData::BitmapPath("IDB_BOARD"))),
              "29883ba78533651605d2dd48741c00f1a18f1ba2c3fccf07ce1907257f3a94e8");
    EXPECT_EQ(PixelDigest(QImage(ResourceData::BitmapPath("IDB_BUTTON_TEMPLATE"))),
              "e2b86eb34f8db4881bcf93139835b8b14554785bdad525525020d61d0b7009cf");
    EXPECT_EQ(PixelDigest(QImage(ResourceData::BitmapPath("IDB_PATTERN"))),
              "a5ad88c5365e72921c4ae92ad67b132361964a472a6bf5dacbf66b4cc14d68c5");
    // At a ratio of 1 the cache holds the compiled-in bitmap itself.
    CBitmapCache::Release();
    EXPECT_EQ(PixelDigest(CBitmapCache::Instance().Get("IDB_BOARD", 1.0).Image()),
              PixelDigest(QImage(ResourceData::BitmapPath("IDB_BOARD"))));
}

TEST(ScaledBitmaps, EachRatioHasItsOwnBitmapWithMorePixelsAndTheSameLogicalSize)
{
    CBitmapCache::Release();
    CBitmapCache& cache = CBitmapCache::Instance();
    for (const char* name : kNames)
    {
        const CCachedBitmap& one = cache.Get(name);
        for (qreal ratio : {1.25, 1.5, 2.0, 3.0})
        {
            const CCachedBitmap& scaled = cache.Get(name, ratio);
            ASSERT_TRUE(scaled.IsLoaded()) << name << " " << ratio;
            EXPECT_NE(&scaled, &one);
            EXPECT_EQ(scaled.Ratio(), ratio);
            EXPECT_EQ(scaled.Pixmap().width(), std::lround(one.Size().width() * ratio)) << name << " " << ratio;
            EXPECT_EQ(scaled.Pixmap().height(), std::lround(one.Size().height() * ratio)) << name << " " << ratio;
            EXPECT_NEAR(scaled.Pixmap().deviceIndependentSize().width(), one.Size().width(), 0.5) << name;
        }
        EXPECT_EQ(&cache.Get(name, 2.0), &cache.Get(QString::fromLatin1(name).toLower(), 2.0));
    }
    // A ratio no screen has, or a file, is the bitmap as loaded.
    for (qreal bad : {0.0, -2.0, 100.0, std::numeric_limits<qreal>::quiet_NaN()})
    {
        EXPECT_EQ(cache.Get("IDB_BOARD", bad).Size(), QSize(320, 490));
        EXPECT_EQ(cache.Get("IDB_BOARD", bad).Ratio(), 1.0);
    }
    EXPECT_FALSE(cache.Get("IDB_NO_SUCH_BITMAP", 2.0).IsLoaded());
    EXPECT_TRUE(CSkinArt::Draw("IDB_BOARD", 0.0).isNull());
    EXPECT_TRUE(CSkinArt::Draw("IDB_NO_SUCH_BITMAP", 2.0).isNull());
}

// A piece for a DPR 2 screen has twice the pixels each way and is drawn from
// its shape: it is neither the 100 % piece enlarged pixel by pixel nor
// smoothly, and it has soft (antialiased) edges of its own.
TEST(ScaledBitmaps, PiecesAtDoubleRatioAreDrawnNotEnlarged)
{
    CBitmapCache::Release();
    CBitmapCache& cache = CBitmapCache::Instance();
    const QImage sheet = Rgb(cache.Get("IDB_BOARD").Image());
    for (int type = 0; type < 6; ++type)
    {
        for (bool white : {true, false})
        {
            const QPixmap& piece = cache.Piece(type, white, 40, 2.0);
            ASSERT_EQ(piece.size(), QSize(80, 80));
            EXPECT_EQ(piece.devicePixelRatio(), 2.0);
            // The 100 % piece as the board shows it: its cell of the sheet, key colour see-through.
            QImage small(40, 40, QImage::Format_ARGB32);
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 40; ++x)
                {
                    const QRgb p = sheet.pixel(40 * type + x, (white ? 410 : 450) + y);
                    small.setPixel(x, y, (p & 0xFFFFFF) == 0x0000FF ? 0u : p);
                }
            const QImage sharp = Rgb(piece.toImage());
            const QImage blocky = small.scaled(80, 80, Qt::IgnoreAspectRatio, Qt::FastTransformation);
            const QImage smooth = small.scaled(80, 80, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            EXPECT_GT(DifferingPixels(sharp, blocky), 100) << type << white;
            EXPECT_GT(DifferingPixels(sharp, smooth), 100) << type << white;
            // Covers about the same place as the 100 % piece.
            int opaqueSharp = 0;
            int opaqueSmall = 0;
            int partial = 0;
            for (int y = 0; y < 80; ++y)
                for (int x = 0; x < 80; ++x)
                {
                    const int alpha = qAlpha(sharp.pixel(x, y));
                    opaqueSharp += alpha > 127 ? 1 : 0;
                    partial += alpha > 0 && alpha < 255 ? 1 : 0;
                    opaqueSmall += qAlpha(small.pixel(x / 2, y / 2)) > 127 ? 1 : 0;
                }
            EXPECT_NEAR(opaqueSharp, opaqueSmall, opaqueSmall / 5) << type << white;
            EXPECT_GT(partial, 40) << type << white;

            // Nor the vector piece drawn at 40 pixels and enlarged; and its edges
            // are as thin as at 40 pixels: twice the pixels along an outline
            // twice as long, where an enlarged copy has four times as many.
            const QImage vector40 = Rgb(CSkinArt::Piece(type, white, 40));
            EXPECT_GT(DifferingPixels(sharp, vector40.scaled(80, 80, Qt::IgnoreAspectRatio, Qt::FastTransformation)),
                      100)
                << type << white;
            EXPECT_GT(DifferingPixels(sharp, vector40.scaled(80, 80, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)),
                      100)
                << type << white;
            int partial40 = 0;
            for (int y = 0; y < 40; ++y)
                for (int x = 0; x < 40; ++x)
                {
                    const int alpha = qAlpha(vector40.pixel(x, y));
                    partial40 += alpha > 0 && alpha < 255 ? 1 : 0;
                }
            EXPECT_LT(partial, 3 * partial40) << type << white;
        }
    }
    EXPECT_EQ(&cache.Piece(4, true, 40, 2.0), &cache.Piece(4, true, 40, 2.0));
    EXPECT_EQ(cache.Piece(4, true, 40, 1.5).size(), QSize(60, 60));
    EXPECT_TRUE(cache.Piece(6, true, 40, 2.0).isNull());
    EXPECT_TRUE(cache.Piece(-1, false, 40, 2.0).isNull());
    EXPECT_TRUE(CSkinArt::Piece(0, true, 0).isNull());
    EXPECT_TRUE(CSkinArt::Piece(0, true, 5000).isNull());
}

// A bitmap of a higher ratio draws a part given in logical pixels where the
// 100 % one would, with the device pixels of that part.
TEST(ScaledBitmaps, PartsAndTilesAreInLogicalPixels)
{
    CBitmapCache& cache = CBitmapCache::Instance();
    const CCachedBitmap& board = cache.Get("IDB_BOARD", 2.0);
    QPixmap target(80, 80);
    target.setDevicePixelRatio(2.0);
    target.fill(Qt::black);
    {
        QPainter painter(&target);
        EXPECT_EQ(CBitmapCache::RatioOf(painter), 2.0);
        board.DrawPart(painter, QPoint(0, 0), QRect(40, 45, 40, 40)); // b8, a dark square
    }
    const QImage drawn = Rgb(target.toImage());
    const QImage expected = Rgb(board.Image()).copy(80, 90, 80, 80);
    EXPECT_EQ(DifferingPixels(drawn, expected), 0);

    const CCachedBitmap& pattern = cache.Get("IDB_PATTERN", 2.0);
    QPixmap tiled(200, 200);
    tiled.setDevicePixelRatio(2.0);
    {
        QPainter painter(&tiled);
        pattern.Tile(painter, QRect(0, 0, 100, 100));
    }
    const QImage tiles = Rgb(tiled.toImage());
    const QImage tile = Rgb(pattern.Image());
    // The tile repeats every 64 logical pixels, 128 device pixels.
    EXPECT_EQ(tiles.pixel(5, 7), tile.pixel(5, 7));
    EXPECT_EQ(tiles.pixel(128 + 5, 7), tile.pixel(5, 7));
    EXPECT_EQ(tiles.pixel(199, 199), tile.pixel(199 - 128, 199 - 128));
}

// The board view draws for the ratio of the device it paints on: a DPR 2
// picture is sharp, and going back to DPR 1 gives the 100 % picture again.
TEST(ScaledBitmaps, BoardViewDrawsForTheRatioOfItsDevice)
{
    CChessPosition position;
    CBoardView view(CBitmapCache::Instance());
    view.ShowPosition(&position);
    const QImage once = RenderBoard(view, 1.0);
    ASSERT_EQ(once.size(), QSize(360, 360));
    const QImage twice = RenderBoard(view, 2.0);
    ASSERT_EQ(twice.size(), QSize(720, 720));
    EXPECT_EQ(RenderBoard(view, 1.0), once);

    // The back ranks with their pieces: not the 100 % picture enlarged.
    const QRect ranks(40, 40, 640, 160); // a8..h7 in device pixels
    const QImage blocky = once.scaled(720, 720, Qt::IgnoreAspectRatio, Qt::FastTransformation).copy(ranks);
    EXPECT_GT(DifferingPixels(twice.copy(ranks), blocky), 1000);
    // An empty square is the same colour at both ratios (same skin, finer pixels).
    const QRgb empty1 = once.pixel(20 + 40 * 4 + 20, 20 + 40 * 4 + 20); // e4
    const QRgb empty2 = twice.pixel(2 * (20 + 40 * 4 + 20), 2 * (20 + 40 * 4 + 20));
    EXPECT_LE(std::abs(qRed(empty1) - qRed(empty2)) + std::abs(qGreen(empty1) - qGreen(empty2)) +
                  std::abs(qBlue(empty1) - qBlue(empty2)),
              12);
    // At 150 % as well.
    EXPECT_EQ(RenderBoard(view, 1.5).size(), QSize(540, 540));
}

// The skinned controls take the bitmaps of the ratio they are drawn at: a
// button's bevel and a scroll bar's arrow at DPR 2 are those of the 2x
// bitmaps, pixel for pixel, not the 1x ones enlarged.
TEST(ScaledBitmaps, SkinnedControlsDrawTheBitmapsOfTheirRatio)
{
    CBitmapCache& cache = CBitmapCache::Instance();
    CSkinButton button(QStringLiteral("OK"), nullptr, 1);
    button.resize(button.sizeHint());
    ASSERT_EQ(button.size(), QSize(120, 26));
    QPixmap target(240, 52);
    target.setDevicePixelRatio(2.0);
    button.render(&target);
    const QImage drawn = Rgb(target.toImage());
    const QImage bitmap = Rgb(cache.Get("IDB_BUTTON_TEMPLATE", 2.0).Image());
    // The left end of the button, left of its caption.
    EXPECT_EQ(DifferingPixels(drawn.copy(0, 0, 40, 52), bitmap.copy(0, 0, 40, 52)), 0);
    const QImage blocky =
        Rgb(cache.Get("IDB_BUTTON_TEMPLATE").Image()).scaled(240, 52, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    EXPECT_NE(drawn.copy(0, 0, 40, 52), blocky.copy(0, 0, 40, 52));

    CSkinScrollBar bar(nullptr);
    bar.UseProgramLook();
    bar.resize(10, 100);
    QPixmap barTarget(20, 200);
    barTarget.setDevicePixelRatio(2.0);
    bar.render(&barTarget);
    const QImage arrow = Rgb(cache.Get("IDB_SCROLLUP", 2.0).Image());
    EXPECT_EQ(DifferingPixels(Rgb(barTarget.toImage()).copy(0, 0, 20, 24), arrow), 0);
}
