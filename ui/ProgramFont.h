#pragma once

#include <QFont>

#include <QString>
#include <algorithm>

// A font of the program: the named face ("Tahoma", "MS Sans Serif") when the
// system has it, else a sans of similar width (Liberation Sans, then the
// condensed DejaVu Sans) rather than the wide default sans.
[[nodiscard]] inline QFont ProgramFont(const QString& face, int pixelSize, bool bold)
{
    QFont font(face);
    font.setFamilies({face, QStringLiteral("Liberation Sans"), QStringLiteral("Arial"),
                      QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, pixelSize));
    font.setWeight(bold ? QFont::Bold : QFont::Normal);
    return font;
}
