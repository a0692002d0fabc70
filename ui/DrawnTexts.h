#pragma once

#include <QRect>
#include <QString>

#include <vector>

// One text a widget paints itself, and the rectangle its glyphs take up
// (widget coordinates, from the font's metrics).
struct DrawnText
{
    QString text;
    QRect rect;
};

// Widgets that paint their own texts say where, so that a layout check can
// tell a text that runs out of its widget or over another text.
class IDrawnTexts
{
public:
    virtual ~IDrawnTexts() = default;

    // The texts as the next paint draws them.
    [[nodiscard]] virtual std::vector<DrawnText> DrawnTexts() const = 0;
};
