#pragma once

#include <QImage>
#include <QSize>
#include <QString>

class QPainter;

// Draws the program's bitmaps (board sheet, pieces, patterns, logo, buttons,
// scroll bar parts, icon) from code. The build draws them once at 1 device
// pixel per logical pixel and compiles them in; the program draws them again
// at the resolution a screen needs, so a scaled window stays sharp.
class CSkinArt
{
public:
    // Whether `name` (a bitmap resource name such as "IDB_BOARD", any case) is drawn here.
    [[nodiscard]] static bool Draws(const QString& name);
    // The size of the bitmap in logical pixels (empty for a name not drawn here).
    [[nodiscard]] static QSize LogicalSize(const QString& name);
    // The bitmap drawn for `scale` device pixels per logical pixel: its size
    // is the logical size times the scale, rounded. Null for a name not drawn
    // here or a scale outside 0.5..8.
    [[nodiscard]] static QImage Draw(const QString& name, double scale);

    // A piece as a vector drawing, antialiased on a transparent ground,
    // `pixels` wide and high (1..1024; a null image otherwise). `type` counts
    // pawn, rook, knight, bishop, queen, king from 0.
    [[nodiscard]] static QImage Piece(int type, bool white, int pixels);
    // Draws a piece into the square 0,0-100,100 of the painter's coordinates.
    static void DrawPiece(QPainter& painter, int type, bool white);
    // The program's icon, `size` pixels wide and high.
    [[nodiscard]] static QImage Icon(int size);
};
