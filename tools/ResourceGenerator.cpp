// Draws the program's bitmaps and synthesizes its sounds into a folder:
//   pellomar-resgen <output folder>
// The build runs it and compiles the output in with the Qt resource system,
// so every picture and sound of the program can be rebuilt from source; the
// pictures are drawn by resources/SkinArt.cpp, which the program also uses.

#include "SkinArt.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

namespace
{
bool Save(const QImage& image, const QString& folder, const QString& name)
{
    const QString path = folder + "/" + name + ".png";
    if (image.isNull() || !image.save(path, "PNG"))
    {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Sounds: 16-bit mono PCM WAV files.

bool SaveWav(const QString& folder, const QString& name, const std::vector<double>& samples, int rate)
{
    QFile file(folder + "/" + name + ".wav");
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    QByteArray out;
    const auto u32 = [&out](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    const auto u16 = [&out](uint16_t v) {
        out.append(static_cast<char>(v & 0xFF));
        out.append(static_cast<char>(v >> 8));
    };
    out.append("RIFF");
    u32(36 + dataBytes);
    out.append("WAVEfmt ");
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(static_cast<uint32_t>(rate));
    u32(static_cast<uint32_t>(rate * 2));
    u16(2);
    u16(16);
    out.append("data");
    u32(dataBytes);
    for (double s : samples)
        u16(static_cast<uint16_t>(static_cast<int16_t>(std::lround(std::clamp(s, -1.0, 1.0) * 32000))));
    return file.write(out) == out.size();
}

// A piece set down on a wooden board: a short noise burst over two damped resonances.
std::vector<double> MoveSound(int rate)
{
    const int n = rate * 110 / 1000;
    std::vector<double> s(static_cast<size_t>(n));
    std::mt19937 random(3);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    double low = 0;
    for (int i = 0; i < n; ++i)
    {
        const double t = static_cast<double>(i) / rate;
        low += 0.25 * (noise(random) - low);
        const double body = 0.55 * std::sin(2 * M_PI * 520 * t) * std::exp(-t * 55) +
                            0.30 * std::sin(2 * M_PI * 1270 * t) * std::exp(-t * 90);
        const double knock = 0.6 * low * std::exp(-t * 180);
        s[static_cast<size_t>(i)] = 0.8 * (body + knock);
    }
    return s;
}

// A soft, short click with a little pitch.
std::vector<double> ButtonSound(int rate)
{
    const int n = rate * 45 / 1000;
    std::vector<double> s(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
    {
        const double t = static_cast<double>(i) / rate;
        const double attack = std::min(1.0, t * 2000);
        s[static_cast<size_t>(i)] = 0.5 * attack * std::sin(2 * M_PI * 1850 * t) * std::exp(-t * 120);
    }
    return s;
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: pellomar-resgen <output folder>\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(folder))
    {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }

    // The bitmaps at 1 device pixel per logical pixel; the program draws them
    // again through the same code when a screen needs more pixels.
    bool ok = true;
    for (const char* name :
         {"IDB_BOARD", "IDB_PATTERN", "IDB_PATTERN_SMOOTH", "IDB_BACK", "IDB_BUTTON_TEMPLATE",
          "IDB_BUTTON_TEMPLATE_DOWN", "IDB_BUTTON_LITTLE_TEMPLATE", "IDB_BUTTON_LITTLE_TEMPLATE_DOWN",
          "IDB_BUTTON_BIG_TEMPLATE", "IDB_BUTTON_BIG_TEMPLATE_DOWN", "IDB_SCROLLUP", "IDB_SCROLLDOWN",
          "IDB_SCROLLBACKGROUND", "IDB_SCROLLUPDOWN", "IDB_SCROLLDOWNDOWN", "IDB_SCROLLUPFOCUS", "IDB_SCROLLDOWNFOCUS",
          "IDI_PELLOMAR"})
        ok = Save(CSkinArt::Draw(QString::fromLatin1(name), 1.0), folder, QString::fromLatin1(name)) && ok;
    // The desktop's icon theme sizes, drawn at each size rather than scaled.
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256, 512})
        ok = Save(CSkinArt::Icon(size), folder, QStringLiteral("icon-%1").arg(size)) && ok;
    constexpr int kRate = 22050;
    ok = SaveWav(folder, "IDR_PLAY_MOVE", MoveSound(kRate), kRate) && ok;
    ok = SaveWav(folder, "IDR_BUTTON_PRESS", ButtonSound(kRate), kRate) && ok;
    return ok ? 0 : 1;
}
