#include "LanDiscovery.h"

#include <QNetworkInterface>
#include <QRegularExpression>

namespace
{
// The application id of the discovery, shared by every version of the program.
constexpr char kAppId[] = "{45080CD6-A957-4A76-A0A5-3B060767D51E}";
}

namespace LanDiscovery
{
QByteArray ProbeDatagram()
{
    return QByteArray("PELLOMAR-II-PROBE ") + kAppId;
}

QByteArray ReplyDatagram()
{
    return QByteArray("PELLOMAR-II-HOST ") + kAppId;
}

QList<QHostAddress> BroadcastTargets()
{
    QList<QHostAddress> targets;
    for (const QNetworkInterface& iface : QNetworkInterface::allInterfaces())
    {
        const auto flags = iface.flags();
        if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
            !(flags & QNetworkInterface::CanBroadcast) || (flags & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : iface.addressEntries())
        {
            const QHostAddress broadcast = entry.broadcast();
            if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol && !broadcast.isNull() &&
                !targets.contains(broadcast))
                targets.append(broadcast);
        }
    }
    return targets;
}

QList<QHostAddress> ParseTargets(const QString& list)
{
    QList<QHostAddress> targets;
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    for (const QString& word : list.split(separators, Qt::SkipEmptyParts))
    {
        const QHostAddress address(word);
        if (!address.isNull() && !targets.contains(address))
            targets.append(address);
    }
    return targets;
}

QList<QHostAddress> SearchTargets()
{
    if (qEnvironmentVariableIsSet(kTargetsVariable))
        return ParseTargets(qEnvironmentVariable(kTargetsVariable));
    return BroadcastTargets();
}

QString AddressListText(const QList<QHostAddress>& addresses)
{
    QStringList parts;
    for (const QHostAddress& address : addresses)
    {
        bool isV4 = false;
        const quint32 v4 = address.toIPv4Address(&isV4);
        if (!isV4 || address.isLoopback())
            continue;
        const QString text = QHostAddress(v4).toString();
        if (!parts.contains(text))
            parts.append(text);
    }
    if (parts.isEmpty())
        return QHostAddress(QHostAddress::LocalHost).toString();
    return parts.join(QStringLiteral(" - "));
}

QString LocalAddressList()
{
    return AddressListText(QNetworkInterface::allAddresses());
}
}
