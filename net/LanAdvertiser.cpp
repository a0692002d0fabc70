#include "LanAdvertiser.h"

#include "LanDiscovery.h"

#include <QNetworkDatagram>

#include <algorithm>

CLanAdvertiser::CLanAdvertiser(int port) : m_port(port)
{
    m_clock.start();
    if (port <= 0 || port > 65535)
        return;
    auto socket = std::make_unique<QUdpSocket>();
    // Two servers on one machine may both advertise; each answers the probes it gets.
    if (!socket->bind(QHostAddress::AnyIPv4, static_cast<quint16>(port),
                      QUdpSocket::ShareAddress | QUdpSocket::ReuseAddressHint))
        return;
    QObject::connect(socket.get(), &QUdpSocket::readyRead, socket.get(), [this] { ReadProbes(); });
    m_socket = std::move(socket);
}

CLanAdvertiser::~CLanAdvertiser() = default;

bool CLanAdvertiser::IsAdvertising() const
{
    return m_socket && m_socket->state() == QAbstractSocket::BoundState;
}

void CLanAdvertiser::ReadProbes()
{
    const QByteArray probe = LanDiscovery::ProbeDatagram();
    while (m_socket->hasPendingDatagrams())
    {
        const QNetworkDatagram datagram = m_socket->receiveDatagram(512);
        if (datagram.data() != probe || datagram.senderAddress().isNull() || datagram.senderPort() <= 0 ||
            !TakeAnswer(datagram.senderAddress()))
            continue;
        m_socket->writeDatagram(LanDiscovery::ReplyDatagram(), datagram.senderAddress(),
                                static_cast<quint16>(datagram.senderPort()));
    }
}

bool CLanAdvertiser::TakeAnswer(const QHostAddress& source)
{
    const qint64 now = m_clock.elapsed();
    auto it = m_allowances.find(source);
    if (it == m_allowances.end())
    {
        if (m_allowances.size() >= kMaxSources)
        {
            // A source quiet for a second has its whole allowance back anyway.
            m_allowances.removeIf([now](const auto& entry) { return now - entry.value().updatedMs >= 1000; });
            if (m_allowances.size() >= kMaxSources)
                return false;
        }
        it = m_allowances.insert(source, Allowance{kAnswersPerSecond, now});
    }
    Allowance& allowance = it.value();
    const double refilled = static_cast<double>(now - allowance.updatedMs) * kAnswersPerSecond / 1000.0;
    allowance.answers = std::min<double>(kAnswersPerSecond, allowance.answers + refilled);
    allowance.updatedMs = now;
    if (allowance.answers < 1.0)
        return false;
    allowance.answers -= 1.0;
    return true;
}
