#include "SkinArt.h"

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <random>

namespace
{
const QColor kNavy(7, 7, 141);
const QColor kOrange(224, 132, 0);
const QColor kKeyBlue(0, 0, 255);
const QColor kKeyRed(255, 0, 0);
const QColor kLightSquare(238, 217, 180);
const QColor kDarkSquare(172, 124, 84);

// Turns an antialiased drawing on a transparent ground into an opaque picture
// with a key colour: faint edge pixels become the key, the rest are blended
// over `edgeGround` (the colour the picture is usually shown on) and made opaque.
QImage KeyOut(const QImage& drawing, const QColor& key, const QColor& edgeGround)
{
    QImage src = drawing.convertToFormat(QImage::Format_ARGB32);
    QImage out(src.size(), QImage::Format_RGB32);
    for (int y = 0; y < src.height(); ++y)
    {
        for (int x = 0; x < src.width(); ++x)
        {
            const QRgb p = src.pixel(x, y);
            const int a = qAlpha(p);
            if (a < 100)
            {
                out.setPixel(x, y, key.rgb());
                continue;
            }
            const auto mix = [a](int c, int g) { return (c * a + g * (255 - a)) / 255; };
            QRgb rgb = qRgb(mix(qRed(p), edgeGround.red()), mix(qGreen(p), edgeGround.green()),
                            mix(qBlue(p), edgeGround.blue()));
            if (rgb == key.rgb())
                rgb = qRgb(qRed(rgb), qGreen(rgb), qBlue(rgb) == 255 ? 254 : qBlue(rgb) + 1);
            out.setPixel(x, y, rgb);
        }
    }
    return out;
}

// ---------------------------------------------------------------------------
// Chess pieces, drawn in a 100 x 100 design space.

struct PieceColours
{
    QColor fill;
    QColor outline;
    QColor detail;
    QColor highlight;
};

QPainterPath Pedestal()
{
    QPainterPath p;
    p.addRoundedRect(QRectF(20, 80, 60, 11), 3, 3);
    return p;
}

QPainterPath PawnShape()
{
    QPainterPath p;
    p.moveTo(30, 80);
    p.cubicTo(31, 68, 38, 60, 43, 55);
    p.lineTo(38, 55);
    p.cubicTo(38, 51, 41, 48, 44, 47);
    p.cubicTo(38, 43, 36, 37, 36, 33);
    p.cubicTo(36, 25, 42, 19, 50, 19);
    p.cubicTo(58, 19, 64, 25, 64, 33);
    p.cubicTo(64, 37, 62, 43, 56, 47);
    p.cubicTo(59, 48, 62, 51, 62, 55);
    p.lineTo(57, 55);
    p.cubicTo(62, 60, 69, 68, 70, 80);
    p.closeSubpath();
    return p.united(Pedestal());
}

QPainterPath RookShape()
{
    QPainterPath p;
    p.moveTo(27, 80);
    p.lineTo(29, 74);
    p.lineTo(34, 74);
    p.lineTo(36, 42);
    p.lineTo(30, 38);
    p.lineTo(28, 18);
    p.lineTo(38, 18);
    p.lineTo(38, 25);
    p.lineTo(45, 25);
    p.lineTo(45, 18);
    p.lineTo(55, 18);
    p.lineTo(55, 25);
    p.lineTo(62, 25);
    p.lineTo(62, 18);
    p.lineTo(72, 18);
    p.lineTo(70, 38);
    p.lineTo(64, 42);
    p.lineTo(66, 74);
    p.lineTo(71, 74);
    p.lineTo(73, 80);
    p.closeSubpath();
    return p.united(Pedestal());
}

QPainterPath KnightShape()
{
    QPainterPath p;
    p.moveTo(28, 80);
    p.cubicTo(28, 68, 36, 60, 46, 52); // chest
    p.cubicTo(42, 50, 38, 52, 34, 56); // throat
    p.cubicTo(30, 60, 24, 62, 20, 60); // under the jaw
    p.cubicTo(14, 58, 12, 52, 15, 47); // muzzle
    p.cubicTo(20, 38, 28, 28, 36, 22); // face
    p.lineTo(36, 12);                  // front ear
    p.lineTo(44, 19);
    p.lineTo(49, 11); // back ear
    p.lineTo(53, 19);
    p.cubicTo(68, 22, 78, 36, 78, 56); // back of the head and mane
    p.cubicTo(78, 66, 76, 74, 74, 80);
    p.closeSubpath();
    return p.united(Pedestal());
}

QPainterPath BishopShape()
{
    QPainterPath p;
    p.moveTo(30, 80);
    p.cubicTo(33, 72, 38, 66, 40, 60);
    p.lineTo(37, 60);
    p.lineTo(37, 54);
    p.lineTo(41, 54);
    p.cubicTo(33, 46, 33, 32, 50, 18);
    p.cubicTo(67, 32, 67, 46, 59, 54);
    p.lineTo(63, 54);
    p.lineTo(63, 60);
    p.lineTo(60, 60);
    p.cubicTo(62, 66, 67, 72, 70, 80);
    p.closeSubpath();
    QPainterPath ball;
    ball.addEllipse(QPointF(50, 14), 5, 5);
    return p.united(ball).united(Pedestal());
}

QPainterPath QueenShape()
{
    const double tipX[5] = {20, 35, 50, 65, 80};
    const double tipY[5] = {32, 24, 20, 24, 32};
    QPainterPath p;
    p.moveTo(30, 74);
    p.lineTo(tipX[0], tipY[0]);
    p.lineTo(36, 54);
    p.lineTo(tipX[1], tipY[1]);
    p.lineTo(45, 51);
    p.lineTo(tipX[2], tipY[2]);
    p.lineTo(55, 51);
    p.lineTo(tipX[3], tipY[3]);
    p.lineTo(64, 54);
    p.lineTo(tipX[4], tipY[4]);
    p.lineTo(70, 74);
    p.closeSubpath();
    QPainterPath band;
    band.addRoundedRect(QRectF(27, 72, 46, 9), 2, 2);
    p = p.united(band);
    for (int i = 0; i < 5; ++i)
    {
        QPainterPath ball;
        ball.addEllipse(QPointF(tipX[i], tipY[i] - 2), 5, 5);
        p = p.united(ball);
    }
    return p.united(Pedestal());
}

QPainterPath KingShape()
{
    QPainterPath p;
    p.moveTo(29, 80);
    p.lineTo(29, 72);
    p.cubicTo(18, 64, 16, 48, 28, 42);
    p.cubicTo(36, 38, 44, 42, 48, 48);
    p.lineTo(46, 36);
    p.lineTo(54, 36);
    p.lineTo(52, 48);
    p.cubicTo(56, 42, 64, 38, 72, 42);
    p.cubicTo(84, 48, 82, 64, 71, 72);
    p.lineTo(71, 80);
    p.closeSubpath();
    QPainterPath cross;
    cross.addRect(QRectF(46, 8, 8, 30));
    cross.addRect(QRectF(40, 14, 20, 7));
    cross.setFillRule(Qt::WindingFill);
    return p.united(cross.simplified()).united(Pedestal());
}

// Inner lines that give each piece its relief.
void PieceDetails(QPainter& painter, int type, const PieceColours& c)
{
    QPen pen(c.detail, 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    switch (type)
    {
    case 0: // pawn
        painter.drawLine(QPointF(38, 55), QPointF(62, 55));
        break;
    case 1: // rook
        painter.drawLine(QPointF(31, 38), QPointF(69, 38));
        painter.drawLine(QPointF(35, 46), QPointF(65, 46));
        painter.drawLine(QPointF(34, 74), QPointF(66, 74));
        break;
    case 2: // knight
    {
        QPainterPath mane;
        mane.moveTo(54, 24);
        mane.cubicTo(66, 30, 72, 44, 72, 60);
        painter.drawPath(mane);
        painter.setBrush(c.detail);
        painter.drawEllipse(QPointF(38, 32), 3.2, 3.2);
        painter.drawEllipse(QPointF(19, 52), 1.8, 1.8);
        break;
    }
    case 3: // bishop
        painter.drawLine(QPointF(37, 60), QPointF(63, 60));
        painter.drawLine(QPointF(50, 30), QPointF(50, 44));
        painter.drawLine(QPointF(43, 37), QPointF(57, 37));
        break;
    case 4: // queen
        painter.drawLine(QPointF(31, 66), QPointF(69, 66));
        break;
    case 5: // king
        painter.drawLine(QPointF(29, 72), QPointF(71, 72));
        painter.drawLine(QPointF(50, 50), QPointF(50, 70));
        break;
    default: break;
    }
    painter.drawLine(QPointF(24, 85), QPointF(76, 85));
}

QPainterPath PieceShape(int type)
{
    switch (type)
    {
    case 0: return PawnShape();
    case 1: return RookShape();
    case 2: return KnightShape();
    case 3: return BishopShape();
    case 4: return QueenShape();
    default: return KingShape();
    }
}

void DrawPieceShape(QPainter& painter, int type, bool white)
{
    const PieceColours c =
        white ? PieceColours{QColor(252, 250, 242), QColor(18, 18, 18), QColor(18, 18, 18), QColor(255, 255, 255)}
              : PieceColours{QColor(40, 38, 44), QColor(8, 8, 8), QColor(205, 200, 190), QColor(90, 88, 96)};
    const QPainterPath shape = PieceShape(type);
    QLinearGradient shade(20, 0, 80, 0);
    shade.setColorAt(0.0, c.highlight);
    shade.setColorAt(0.45, c.fill);
    shade.setColorAt(1.0, c.fill.darker(white ? 115 : 105));
    painter.setPen(QPen(c.outline, 3.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(shade);
    painter.drawPath(shape);
    painter.setClipPath(shape);
    PieceDetails(painter, type, c);
}

// A piece image `pixels` wide on the blue key, drawn four times larger and scaled down.
QImage PieceImage(int type, bool white, int pixels)
{
    constexpr int kScale = 4;
    QImage big(pixels * kScale, pixels * kScale, QImage::Format_ARGB32_Premultiplied);
    big.fill(Qt::transparent);
    {
        QPainter painter(&big);
        painter.setRenderHint(QPainter::Antialiasing);
        const double factor = 0.4 * kScale * (pixels / 40.0);
        painter.scale(factor, factor);
        DrawPieceShape(painter, type, white);
    }
    return KeyOut(big.scaled(pixels, pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation), kKeyBlue,
                  QColor(120, 110, 100));
}

void FillSquare(QPainter& painter, const QRect& rect, bool light)
{
    const QColor base = light ? kLightSquare : kDarkSquare;
    QLinearGradient g(rect.topLeft(), rect.bottomRight());
    g.setColorAt(0, base.lighter(104));
    g.setColorAt(1, base.darker(104));
    painter.fillRect(rect, g);
}

// Device pixels for a length in logical pixels.
int Scaled(int length, double scale)
{
    return static_cast<int>(std::lround(length * scale));
}

// Scales a painter to the picture's resolution (nothing at all at 1).
void ApplyScale(QPainter& painter, double scale)
{
    if (scale != 1.0)
        painter.scale(scale, scale);
}

QImage Board(double scale)
{
    QImage sheet(Scaled(320, scale), Scaled(490, scale), QImage::Format_RGB32);
    sheet.fill(kKeyBlue);
    QPainter painter(&sheet);
    ApplyScale(painter, scale);

    // Holdings strips above and below the bughouse board, with thin navy rules between.
    for (int top : {0, 370})
    {
        QLinearGradient g(0, top, 0, top + 40);
        g.setColorAt(0, QColor(226, 230, 246));
        g.setColorAt(1, QColor(196, 204, 234));
        painter.fillRect(QRect(0, top, 320, 40), g);
        painter.setPen(QColor(150, 160, 210));
        for (int t = 0; t < 5; ++t)
            painter.drawRect(QRect(8 + 60 * t, top + 1, 58, 37));
    }
    painter.fillRect(QRect(0, 40, 320, 5), kNavy);
    painter.fillRect(QRect(0, 365, 320, 5), kNavy);

    // The board: rows 45..364. Column 0 of the picture is the a-file with
    // White at the bottom, so the top-left square (a8) is light.
    for (int sr = 0; sr < 8; ++sr)
        for (int sc = 0; sc < 8; ++sc)
            FillSquare(painter, QRect(40 * sc, 45 + 40 * sr, 40, 40), (sr + sc) % 2 == 0);
    painter.end();

    QPainter pieces(&sheet);
    for (int t = 0; t < 6; ++t)
    {
        pieces.drawImage(Scaled(40 * t, scale), Scaled(410, scale), PieceImage(t, true, Scaled(40, scale)));
        pieces.drawImage(Scaled(40 * t, scale), Scaled(450, scale), PieceImage(t, false, Scaled(40, scale)));
    }
    return sheet;
}

// ---------------------------------------------------------------------------
// Patterns, logo, buttons, scroll bar, icon.

// The weave is a function of logical coordinates, so a finer tile shows the
// same pattern with more pixels; the grain is drawn per device pixel.
QImage Pattern(bool smooth, double scale)
{
    const int size = Scaled(64, scale);
    QImage tile(size, size, QImage::Format_RGB32);
    std::mt19937 random(smooth ? 7 : 11);
    std::uniform_int_distribution<int> grain(-3, 3);
    for (int y = 0; y < size; ++y)
    {
        for (int x = 0; x < size; ++x)
        {
            // A soft diagonal weave that tiles seamlessly (period 16 in both directions).
            const double lx = x / scale;
            const double ly = y / scale;
            const double weave = std::sin((lx + ly) * M_PI / 8.0) * std::sin((lx - ly) * M_PI / 8.0);
            const int g = grain(random);
            if (smooth)
            {
                const int v = static_cast<int>(3 * weave) + g / 2;
                tile.setPixel(x, y, qRgb(226 + v, 229 + v, 242 + v));
            }
            else
            {
                const int v = static_cast<int>(10 * weave) + g;
                tile.setPixel(
                    x, y,
                    qRgb(std::clamp(16 + v / 2, 0, 255), std::clamp(18 + v / 2, 0, 255), std::clamp(110 + v, 0, 255)));
            }
        }
    }
    return tile;
}

QPainterPath KnightEmblem(const QRectF& into)
{
    QTransform t;
    t.translate(into.left(), into.top());
    t.scale(into.width() / 100.0, into.height() / 100.0);
    return t.map(KnightShape());
}

QImage Logo(double scale)
{
    QImage art(Scaled(440, scale), Scaled(144, scale), QImage::Format_ARGB32_Premultiplied);
    art.fill(Qt::transparent);
    {
        QPainter painter(&art);
        ApplyScale(painter, scale);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);

        // Emblem: a knight on a shield-like disc.
        QRadialGradient disc(QPointF(70, 70), 62);
        disc.setColorAt(0, QColor(70, 90, 235));
        disc.setColorAt(1, QColor(10, 12, 120));
        painter.setPen(QPen(kOrange, 4));
        painter.setBrush(disc);
        painter.drawEllipse(QPointF(70, 72), 60, 60);
        painter.setPen(QPen(QColor(20, 20, 20), 3));
        QLinearGradient gold(30, 30, 110, 120);
        gold.setColorAt(0, QColor(255, 214, 120));
        gold.setColorAt(1, QColor(214, 122, 0));
        painter.setBrush(gold);
        painter.drawPath(KnightEmblem(QRectF(22, 22, 96, 96)));

        // The title takes the largest size that fits beside the emblem.
        const QString name = QStringLiteral("Pellomar II");
        const double left = 146;
        const double room = 440 - left - 8;
        QFont title("DejaVu Serif", 40, QFont::Bold);
        int size = 64;
        for (; size > 20; --size)
        {
            title.setPixelSize(size);
            if (QFontMetricsF(title).horizontalAdvance(name) <= room)
                break;
        }
        QPainterPath text;
        text.addText(QPointF(left, 84), title, name);
        painter.setPen(QPen(QColor(30, 16, 0), 3.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(gold);
        painter.drawPath(text);

        QFont caption("DejaVu Sans", 10, QFont::Bold);
        caption.setPixelSize(16);
        painter.setFont(caption);
        painter.setPen(QColor(210, 216, 255));
        painter.drawText(QPointF(left + 4, 118), QString::fromUtf8("chess  \xC2\xB7  network  \xC2\xB7  bughouse"));
    }
    return KeyOut(art, kKeyRed, QColor(16, 18, 110));
}

QImage Button(int width, int height, bool pressed, double scale)
{
    QImage image(Scaled(width, scale), Scaled(height, scale), QImage::Format_RGB32);
    QPainter painter(&image);
    ApplyScale(painter, scale);
    painter.fillRect(QRect(0, 0, width, height), QColor(3, 3, 50));
    QLinearGradient g(0, 0, 0, height);
    if (pressed)
    {
        g.setColorAt(0, QColor(4, 4, 70));
        g.setColorAt(1, QColor(20, 24, 150));
    }
    else
    {
        g.setColorAt(0, QColor(52, 66, 215));
        g.setColorAt(0.5, QColor(12, 12, 150));
        g.setColorAt(1, QColor(6, 6, 110));
    }
    painter.fillRect(QRect(1, 1, width - 2, height - 2), g);
    // Bevel: light top and left, dark bottom and right (swapped when pressed).
    const QColor light(110, 126, 245);
    const QColor dark(2, 2, 60);
    painter.setPen(pressed ? dark : light);
    painter.drawLine(1, 1, width - 2, 1);
    painter.drawLine(1, 1, 1, height - 2);
    painter.setPen(pressed ? light : dark);
    painter.drawLine(1, height - 2, width - 2, height - 2);
    painter.drawLine(width - 2, 1, width - 2, height - 2);
    // A thin orange rule near the bottom edge ties the buttons to the panels' colours.
    painter.setPen(QColor(224, 132, 0, pressed ? 90 : 150));
    painter.drawLine(4, height - 4, width - 5, height - 4);
    return image;
}

QImage Arrow(bool up, int state, double scale) // state 0 normal, 1 pressed, 2 under the mouse
{
    QImage image(Scaled(10, scale), Scaled(12, scale), QImage::Format_RGB32);
    QPainter painter(&image);
    ApplyScale(painter, scale);
    const QColor bg = state == 1 ? QColor(5, 6, 90) : state == 2 ? QColor(62, 80, 231) : kNavy;
    painter.fillRect(QRect(0, 0, 10, 12), bg);
    painter.setPen(state == 1 ? QColor(2, 2, 50) : QColor(120, 136, 250));
    painter.drawLine(0, 0, 9, 0);
    painter.drawLine(0, 0, 0, 11);
    painter.setPen(QColor(2, 2, 50));
    painter.drawLine(0, 11, 9, 11);
    painter.drawLine(9, 0, 9, 11);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(state == 2 ? QColor(255, 200, 90) : kOrange);
    QPolygonF tri;
    if (up)
        tri << QPointF(5, 3) << QPointF(8.5, 8.5) << QPointF(1.5, 8.5);
    else
        tri << QPointF(1.5, 3.5) << QPointF(8.5, 3.5) << QPointF(5, 9);
    painter.drawPolygon(tri);
    return image;
}

QImage Track(double scale)
{
    QImage image(Scaled(10, scale), Scaled(8, scale), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
        {
            // The edge columns and the stripes in logical pixels, their steps in device pixels.
            const int lx = static_cast<int>(x / scale);
            const int ly = static_cast<int>(y / scale);
            const int edge = (lx == 0 || lx == 9) ? -22 : 0;
            const int stripe = ((lx + ly) % 4 == 0) ? -8 : 0;
            image.setPixel(x, y, qRgb(206 + edge + stripe, 212 + edge + stripe, 238 + edge / 2 + stripe));
        }
    return image;
}

QImage DrawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 64.0, size / 64.0);
    QLinearGradient g(0, 0, 0, 64);
    g.setColorAt(0, QColor(52, 66, 215));
    g.setColorAt(1, kNavy);
    painter.setPen(QPen(kOrange, 2.5));
    painter.setBrush(g);
    painter.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    QLinearGradient gold(10, 10, 50, 56);
    gold.setColorAt(0, QColor(255, 220, 130));
    gold.setColorAt(1, QColor(214, 122, 0));
    painter.setPen(QPen(QColor(20, 20, 20), 1.6));
    painter.setBrush(gold);
    painter.drawPath(KnightEmblem(QRectF(8, 6, 50, 52)));
    return image;
}

struct NamedArt
{
    const char* name;
    int width;
    int height;
};

// The bitmaps drawn here with their logical sizes.
constexpr NamedArt kArt[] = {
    {"IDB_BOARD", 320, 490},
    {"IDB_PATTERN", 64, 64},
    {"IDB_PATTERN_SMOOTH", 64, 64},
    {"IDB_BACK", 440, 144},
    {"IDB_BUTTON_TEMPLATE", 120, 26},
    {"IDB_BUTTON_TEMPLATE_DOWN", 120, 26},
    {"IDB_BUTTON_LITTLE_TEMPLATE", 34, 22},
    {"IDB_BUTTON_LITTLE_TEMPLATE_DOWN", 34, 22},
    {"IDB_BUTTON_BIG_TEMPLATE", 340, 36},
    {"IDB_BUTTON_BIG_TEMPLATE_DOWN", 340, 36},
    {"IDB_SCROLLUP", 10, 12},
    {"IDB_SCROLLDOWN", 10, 12},
    {"IDB_SCROLLBACKGROUND", 10, 8},
    {"IDB_SCROLLUPDOWN", 10, 12},
    {"IDB_SCROLLDOWNDOWN", 10, 12},
    {"IDB_SCROLLUPFOCUS", 10, 12},
    {"IDB_SCROLLDOWNFOCUS", 10, 12},
    {"IDI_PELLOMAR", 128, 128},
};

const NamedArt* FindArt(const QString& name)
{
    for (const NamedArt& art : kArt)
        if (name.compare(QLatin1String(art.name), Qt::CaseInsensitive) == 0)
            return &art;
    return nullptr;
}
} // namespace

bool CSkinArt::Draws(const QString& name)
{
    return FindArt(name) != nullptr;
}

QSize CSkinArt::LogicalSize(const QString& name)
{
    const NamedArt* art = FindArt(name);
    return art == nullptr ? QSize() : QSize(art->width, art->height);
}

QImage CSkinArt::Draw(const QString& name, double scale)
{
    const NamedArt* art = FindArt(name);
    if (art == nullptr || !(scale >= 0.5 && scale <= 8.0))
        return {};
    const QLatin1String key(art->name);
    if (key == QLatin1String("IDB_BOARD"))
        return Board(scale);
    if (key == QLatin1String("IDB_PATTERN"))
        return Pattern(false, scale);
    if (key == QLatin1String("IDB_PATTERN_SMOOTH"))
        return Pattern(true, scale);
    if (key == QLatin1String("IDB_BACK"))
        return Logo(scale);
    if (key == QLatin1String("IDB_SCROLLBACKGROUND"))
        return Track(scale);
    if (key == QLatin1String("IDI_PELLOMAR"))
        return DrawIcon(Scaled(128, scale));
    if (key.startsWith(QLatin1String("IDB_BUTTON")))
        return Button(art->width, art->height, key.endsWith(QLatin1String("_DOWN")), scale);
    // The scroll bar arrows: up or down, and normal, pressed or under the mouse.
    const bool up = key.startsWith(QLatin1String("IDB_SCROLLUP"));
    const int state = key.endsWith(QLatin1String("DOWNDOWN")) || key.endsWith(QLatin1String("UPDOWN")) ? 1
                      : key.endsWith(QLatin1String("FOCUS"))                                           ? 2
                                                                                                       : 0;
    return Arrow(up, state, scale);
}

QImage CSkinArt::Piece(int type, bool white, int pixels)
{
    if (type < 0 || type > 5 || pixels < 1 || pixels > 1024)
        return {};
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(pixels / 100.0, pixels / 100.0);
    DrawPieceShape(painter, type, white);
    return image;
}

void CSkinArt::DrawPiece(QPainter& painter, int type, bool white)
{
    if (type < 0 || type > 5)
        return;
    painter.save();
    DrawPieceShape(painter, type, white);
    painter.restore();
}

QImage CSkinArt::Icon(int size)
{
    return DrawIcon(size);
}
