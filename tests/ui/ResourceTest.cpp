#include "BitmapCache.h"
#include "ResourceData.h"
#include "SoundPlayer.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace
{
int Luminance(QRgb c)
{
    return (qRed(c) * 299 + qGreen(c) * 587 + qBlue(c) * 114) / 1000;
}

// Average luminance of the non-key pixels of a 40 x 40 cell.
int PieceLuminance(const QImage& sheet, int type, bool white)
{
    long sum = 0;
    long count = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
        {
            const QRgb p = sheet.pixel(40 * type + x, (white ? 410 : 450) + y);
            if ((p & 0xFFFFFF) != 0x0000FF)
            {
                sum += Luminance(p);
                ++count;
            }
        }
    return count == 0 ? -1 : static_cast<int>(sum / count);
}
} // namespace

TEST(BitmapCache, EveryNamedBitmapLoadsWithItsSize)
{
    struct Case
    {
        const char* name;
        int width;
        int height;
    };
    const Case cases[] = {{"IDB_BOARD", 320, 490},
                          {"IDB_BUTTON_TEMPLATE", 120, 26},
                          {"IDB_BUTTON_TEMPLATE_DOWN", 120, 26},
                          {"IDB_BUTTON_LITTLE_TEMPLATE", 34, 22},
                          {"IDB_BUTTON_BIG_TEMPLATE", 340, 36},
                          {"IDB_SCROLLUP", 10, 12},
                          {"IDB_SCROLLDOWNFOCUS", 10, 12}};
    for (const Case& c : cases)
    {
        const CCachedBitmap& bitmap = CBitmapCache::Instance().Get(c.name);
        ASSERT_TRUE(bitmap.IsLoaded()) << c.name;
        EXPECT_EQ(bitmap.Size(), QSize(c.width, c.height)) << c.name;
    }
    for (const char* name : {"IDB_PATTERN", "IDB_PATTERN_SMOOTH", "IDB_BACK", "IDB_SCROLLBACKGROUND",
                             "IDB_SCROLLUPDOWN", "IDB_SCROLLDOWNDOWN", "IDB_SCROLLUPFOCUS", "IDB_SCROLLDOWN",
                             "IDB_BUTTON_LITTLE_TEMPLATE_DOWN", "IDB_BUTTON_BIG_TEMPLATE_DOWN", "IDI_PELLOMAR"})
        EXPECT_TRUE(CBitmapCache::Instance().Get(name).IsLoaded()) << name;
}

TEST(BitmapCache, NamesIgnoreCaseAndLoadOnce)
{
    CBitmapCache::Release();
    auto& cache = CBitmapCache::Instance();
    const CCachedBitmap& a = cache.Get("IDB_BOARD");
    const CCachedBitmap& b = cache.Get("idb_board");
    EXPECT_EQ(&a, &b);
    EXPECT_EQ(cache.Count(), 1);
    EXPECT_FALSE(cache.Get("IDB_NO_SUCH_BITMAP").IsLoaded());
    // A bitmap that failed to load draws nothing.
    QImage target(4, 4, QImage::Format_RGB32);
    target.fill(Qt::green);
    QPainter painter(&target);
    cache.Get("IDB_NO_SUCH_BITMAP").Draw(painter, QPoint(0, 0));
    painter.end();
    EXPECT_EQ(target.pixel(1, 1), QColor(Qt::green).rgb());
}

TEST(BitmapCache, FileNamesAreReadFromTheFolder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(dir.filePath("Tile.png")));
    auto& cache = CBitmapCache::Instance();
    cache.SetFolder(dir.path() + "/");
    EXPECT_EQ(cache.Get("Tile.png").Size(), QSize(7, 5));
    EXPECT_FALSE(cache.Get("Missing.png").IsLoaded());
    cache.SetFolder(QString());
}

TEST(BitmapCache, KeyColourIsLeftUndrawnAndTilingCoversTheRectangle)
{
    QImage sheet = CBitmapCache::Instance().Get("IDB_BOARD").Image();
    QImage target(40, 40, QImage::Format_RGB32);
    target.fill(Qt::green);
    QPainter painter(&target);
    CBitmapCache::Instance()
        .Get("IDB_BOARD")
        .DrawPartTransparent(painter, QPoint(0, 0), QRect(0, 410, 40, 40), QColor(0, 0, 255));
    painter.end();
    // The corner of the pawn cell is key colour in the sheet and stays green; the pawn's body is drawn.
    EXPECT_EQ(sheet.pixel(0, 410) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(target.pixel(0, 0), QColor(Qt::green).rgb());
    EXPECT_NE(target.pixel(20, 30), QColor(Qt::green).rgb());

    QImage tiled(150, 130, QImage::Format_RGB32);
    tiled.fill(Qt::green);
    QPainter tiler(&tiled);
    CBitmapCache::Instance().Get("IDB_PATTERN").Tile(tiler, tiled.rect());
    tiler.end();
    EXPECT_NE(tiled.pixel(149, 129), QColor(Qt::green).rgb());
    EXPECT_EQ(tiled.pixel(0, 0), tiled.pixel(64, 64)); // copies side by side from the corner
}

TEST(SpriteSheet, PiecesAndSquaresAreClearlyApart)
{
    const QImage sheet = CBitmapCache::Instance().Get("IDB_BOARD").Image();
    const int light = Luminance(sheet.pixel(20, 45 + 20)); // a8
    const int dark = Luminance(sheet.pixel(60, 45 + 20));  // b8
    EXPECT_GT(light - dark, 50);
    for (int type = 0; type < 6; ++type)
    {
        const int white = PieceLuminance(sheet, type, true);
        const int black = PieceLuminance(sheet, type, false);
        ASSERT_GE(white, 0) << type;
        ASSERT_GE(black, 0) << type;
        EXPECT_GT(white - black, 70) << "type " << type;
    }
}

TEST(Sounds, BothWavesArePlayableShortPcm)
{
    for (const char* name : {"IDR_PLAY_MOVE", "IDR_BUTTON_PRESS"})
    {
        QFile file(ResourceData::SoundPath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        const QByteArray wave = file.readAll();
        ASSERT_GE(wave.size(), 44) << name;
        const auto u16 = [&](int at) {
            return static_cast<uint8_t>(wave[at]) | static_cast<uint8_t>(wave[at + 1]) << 8;
        };
        const auto u32 = [&](int at) {
            return static_cast<uint32_t>(u16(at)) | static_cast<uint32_t>(u16(at + 2)) << 16;
        };
        EXPECT_EQ(wave.left(4), QByteArray("RIFF"));
        EXPECT_EQ(wave.mid(8, 8), QByteArray("WAVEfmt "));
        EXPECT_EQ(u16(20), 1) << "PCM";
        EXPECT_EQ(u16(22), 1) << "mono";
        EXPECT_EQ(u16(34), 16) << "bits";
        EXPECT_EQ(u32(4), static_cast<uint32_t>(wave.size() - 8));
        EXPECT_EQ(u32(40), static_cast<uint32_t>(wave.size() - 44));
        const double seconds = static_cast<double>(u32(40)) / u32(28);
        EXPECT_GT(seconds, 0.02) << name;
        EXPECT_LT(seconds, 0.3) << name; // a sound never holds up the game
    }
}

TEST(Sounds, MutedPlayerReturnsAtOnce)
{
    ASSERT_TRUE(CSoundPlayer::IsMuted());
    const int before = CSoundPlayer::RequestCount();
    QElapsedTimer timer;
    timer.start();
    CSoundPlayer::Play("IDR_PLAY_MOVE", true);
    EXPECT_LT(timer.elapsed(), 50);
    EXPECT_EQ(CSoundPlayer::RequestCount(), before + 1);
}
