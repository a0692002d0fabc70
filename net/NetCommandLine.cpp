#include "NetCommandLine.h"

#include "NetProtocol.h"

#include <QRegularExpression>
#include <QStringList>

namespace
{
// Leading decimal digits; stops at the first other character. Values past the
// range of ports are kept as "too large" so that starting on them fails.
int LeadingNumber(const QString& token)
{
    long long value = 0;
    for (const QChar c : token)
    {
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + (c.unicode() - u'0');
        if (value > 1000000)
            return 1000000;
    }
    return static_cast<int>(value);
}
}

CNetCommandLine CNetCommandLine::Parse(const QString& commandLine)
{
    CNetCommandLine result;
    const QString trimmed = commandLine.trimmed();
    if (trimmed.isEmpty())
        return result;

    static const QRegularExpression separators(QStringLiteral("[ ,\\t\\n\\r]+"));
    const QStringList tokens = trimmed.split(separators, Qt::SkipEmptyParts);
    result.kind = Kind::Invalid;
    if (tokens.size() < 2)
        return result;

    const QString role = tokens[0].toLower();
    const QString mode = tokens[1].toLower();
    if (mode == QLatin1String("single"))
        result.mode = GAME_MODE_SINGLE;
    else if (mode == QLatin1String("double"))
        result.mode = GAME_MODE_DOUBLE;
    else
        return result;

    qsizetype nicknameFrom = 0;
    if (role == QLatin1String("server") && tokens.size() >= 4)
    {
        result.port = LeadingNumber(tokens[2]);
        nicknameFrom = 3;
        result.kind = Kind::Server;
    }
    else if (role == QLatin1String("client") && tokens.size() >= 5)
    {
        result.address = tokens[2];
        result.port = LeadingNumber(tokens[3]);
        nicknameFrom = 4;
        result.kind = Kind::Client;
    }
    else
        return result;

    result.nickname = tokens.mid(nicknameFrom).join(QLatin1Char(' '));
    return result;
}

QString CNetCommandLine::Join(const QStringList& arguments)
{
    return arguments.join(QLatin1Char(' '));
}
