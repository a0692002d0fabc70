#include "LanSearch.h"

#include "LanDiscovery.h"

#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

#include <algorithm>

CLanSearch::CLanSearch(QList<QHostAddress> targets, int port, QObject* parent)
    : QObject(parent), m_targets(std::move(targets)), m_port(port), m_repeat(new QTimer(this)), m_end(new QTimer(this))
{
    m_end->setSingleShot(true);
    connect(m_repeat, &QTimer::timeout, this, [this] {
        if (m_sent < kProbeCount)
            SendProbes();
        else
            m_repeat->stop();
    });
    connect(m_end, &QTimer::timeout, this, &CLanSearch::Finish);
}

CLanSearch::~CLanSearch() = default;

void CLanSearch::Start(int waitMs)
{
    Stop();
    m_hosts.clear();
    m_sent = 0;
    m_running = true;
    const bool usable = m_port > 0 && m_port <= 65535 && !m_targets.isEmpty();
    if (usable)
    {
        auto socket = std::make_unique<QUdpSocket>();
        if (socket->bind(QHostAddress::AnyIPv4, 0))
        {
            m_socket = std::move(socket);
            connect(m_socket.get(), &QUdpSocket::readyRead, this, &CLanSearch::ReadAnswers);
            // Several probes, as datagrams may be lost; answers are deduplicated.
            SendProbes();
            m_repeat->start(std::max(1, waitMs / (kProbeCount + 1)));
        }
    }
    m_end->start(m_socket ? std::max(0, waitMs) : 0);
}

void CLanSearch::Stop()
{
    m_repeat->stop();
    m_end->stop();
    if (m_socket)
    {
        m_socket->disconnect(this);
        m_socket->close();
        m_socket.reset();
    }
    m_running = false;
}

void CLanSearch::SendProbes()
{
    const QByteArray probe = LanDiscovery::ProbeDatagram();
    for (const QHostAddress& target : m_targets)
        m_socket->writeDatagram(probe, target, static_cast<quint16>(m_port));
    ++m_sent;
}

void CLanSearch::ReadAnswers()
{
    const QByteArray reply = LanDiscovery::ReplyDatagram();
    while (m_socket && m_socket->hasPendingDatagrams())
    {
        const QNetworkDatagram datagram = m_socket->receiveDatagram(512);
        if (datagram.data() != reply)
            continue;
        bool isV4 = false;
        const quint32 v4 = datagram.senderAddress().toIPv4Address(&isV4);
        if (!isV4)
            continue;
        const QString host = QHostAddress(v4).toString();
        if (m_hosts.contains(host))
            continue;
        m_hosts.append(host);
        emit HostFound(host);
    }
}

void CLanSearch::Finish()
{
    // Answers already waiting at the end still count.
    if (m_socket)
        ReadAnswers();
    Stop();
    emit Finished();
}
