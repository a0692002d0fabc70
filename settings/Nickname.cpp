#include "Nickname.h"

namespace Nickname
{
QString Stored(const QString& typed)
{
    QString stored = typed;
    stored.replace(QStringLiteral("&"), QStringLiteral("&&"));
    return stored;
}

QString Shown(const QString& stored)
{
    QString shown;
    shown.reserve(stored.size());
    for (qsizetype i = 0; i < stored.size(); ++i)
    {
        shown += stored[i];
        // The second "&" of a pair is the doubling, not a character of the name.
        if (stored[i] == QLatin1Char('&') && i + 1 < stored.size() && stored[i + 1] == QLatin1Char('&'))
            ++i;
    }
    return shown;
}
} // namespace Nickname
