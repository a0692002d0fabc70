#pragma once

#include <QByteArray>

// The scale of the whole program: the desktop's own scale factor (which Qt
// reads from the screen) times the zoom of the settings, given to Qt as its
// scale factor before the application object exists. Layouts stay in
// logical pixels, so every window keeps its proportions; the bitmaps are
// drawn for the device pixels that result.
class CDisplayScale
{
public:
    // Reads the zoom (the environment variable PELLOMAR_ZOOM, in percent, or
    // else the settings file), sets Qt's scale factor and rounding policy, and
    // returns the zoom in percent. Call before QApplication is made.
    static int ApplyBeforeStart();
    // The zoom a value of PELLOMAR_ZOOM asks for ("150" or "150%"), held to
    // the settings' steps; 0 for an empty or malformed value.
    [[nodiscard]] static int ZoomFromText(const QByteArray& text);
    // QT_SCALE_FACTOR for a zoom on top of what the variable held before
    // (empty or malformed counts as 1).
    [[nodiscard]] static QByteArray ScaleFactorText(const QByteArray& previous, int zoomPercent);
};
