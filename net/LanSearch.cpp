#include "LanSearch.h"

#include "LanDiscovery.h"

#include <QEventLoop>

#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>
#include <algorithm>

CLanSearch::CLanSearch(QList<QHostAddress> targets, int port) : m_targets(std::move(targets)), m_port(port) {}

const QStringList& CLanSearch::Run(int waitMs)
{
    m_hosts.clear();
    if (m_port <= 0 || m_port > 65535 || m_targets.isEmpty())
        return m_hosts;

    QUdpSocket socket;
    if (!socket.bind(QHostAddress::AnyIPv4, 0))
        return m_hosts;

    const QByteArray probe = LanDiscovery::ProbeDatagram();
    const QByteArray reply = LanDiscovery::ReplyDatagram();
    auto sendProbes = [&] {
        for (const QHostAddress& target : m_targets)
            socket.writeDatagram(probe, target, static_cast<quint16>(m_port));
    };
    QObject::connect(&socket, &QUdpSocket::readyRead, &socket, [&] {
        while (socket.hasPendingDatagrams())
        {
            const QNetworkDatagram datagram = socket.receiveDatagram(512);
            if (datagram.data() != reply)
                continue;
            bool isV4 = false;
            const quint32 v4 = datagram.senderAddress().toIPv4Address(&isV4);
            if (!isV4)
                continue;
            const QString host = QHostAddress(v4).toString();
            if (!m_hosts.contains(host))
                m_hosts.append(host);
        }
    });

    // Several probes, as datagrams may be lost; answers are deduplicated.
    QEventLoop loop;
    QTimer repeat;
    int sent = 0;
    const int interval = std::max(1, waitMs / (kProbeCount + 1));
    QObject::connect(&repeat, &QTimer::timeout, &loop, [&] {
        if (sent < kProbeCount)
        {
            sendProbes();
            ++sent;
        }
    });
    sendProbes();
    ++sent;
    repeat.start(interval);
    QTimer::singleShot(std::max(0, waitMs), &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    return m_hosts;
}
