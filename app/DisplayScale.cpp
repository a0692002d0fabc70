#include "DisplayScale.h"

#include "GameSettings.h"
#include "RegistryStore.h"

#include <QGuiApplication>

int CDisplayScale::ApplyBeforeStart()
{
    // Qt's own default, made sure of: 125 % and 150 % are kept, not rounded to whole pixels.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    int zoom = ZoomFromText(qgetenv("PELLOMAR_ZOOM"));
    if (zoom == 0)
        zoom = GameSettings::ReadZoomPercent(RegistryStore::DefaultFilePath());
    if (zoom != 100)
        qputenv("QT_SCALE_FACTOR", ScaleFactorText(qgetenv("QT_SCALE_FACTOR"), zoom));
    return zoom;
}

int CDisplayScale::ZoomFromText(const QByteArray& text)
{
    QByteArray number = text.trimmed();
    if (number.endsWith('%'))
        number.chop(1);
    bool ok = false;
    const int percent = number.trimmed().toInt(&ok);
    return ok ? GameSettings::ClampZoom(percent) : 0;
}

QByteArray CDisplayScale::ScaleFactorText(const QByteArray& previous, int zoomPercent)
{
    bool ok = false;
    double factor = previous.trimmed().toDouble(&ok);
    if (!ok || !(factor > 0.0 && factor <= 16.0))
        factor = 1.0;
    return QByteArray::number(factor * zoomPercent / 100.0, 'g', 6);
}
