#include "ResourceData.h"

#include <QtCore/QResource>
#include <QtCore/qglobal.h>

// Outside any namespace: Q_INIT_RESOURCE declares the generated function where it stands.
static void RegisterOnce()
{
    // The resource object is linked from a static library; this reference keeps it in.
    Q_INIT_RESOURCE(pellomar_bitmaps);
}

namespace ResourceData
{
void Register()
{
    static const bool registered = [] {
        RegisterOnce();
        return true;
    }();
    (void)registered;
}

QString BitmapPath(const QString& name)
{
    Register();
    return QStringLiteral(":/pellomar/") + name.toUpper() + QStringLiteral(".png");
}

QString SoundPath(const QString& name)
{
    Register();
    return QStringLiteral(":/pellomar/") + name.toUpper() + QStringLiteral(".wav");
}
} // namespace ResourceData
