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
    // IPv4 first, as most people type those; then the IPv6 addresses a friend
    // can reach (link-local ones need the friend's interface named, so not those).
    QStringList v4Parts;
    QStringList v6Parts;
    for (const QHostAddress& address : addresses)
    {
        if (address.isNull() || address.isLoopback())
            continue;
        bool isV4 = false;
        const quint32 v4 = address.toIPv4Address(&isV4);
        if (isV4)
        {
            const QString text = QHostAddress(v4).toString();
            if (!v4Parts.contains(text))
                v4Parts.append(text);
            continue;
        }
        if (address.protocol() != QAbstractSocket::IPv6Protocol || address.isLinkLocal() || address.isMulticast())
            continue;
        QHostAddress plain(address);
        plain.setScopeId(QString());
        const QString text = plain.toString();
        if (!v6Parts.contains(text))
            v6Parts.append(text);
    }
    const QStringList parts = v4Parts + v6Parts;
    if (parts.isEmpty())
        return QHostAddress(QHostAddress::LocalHost).toString();
    return parts.join(QStringLiteral(" - "));
}

QString LocalAddressList()
{
    return AddressListText(QNetworkInterface::allAddresses());
}
}
