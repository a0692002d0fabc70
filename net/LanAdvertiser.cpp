#include "LanAdvertiser.h"

#include "LanDiscovery.h"

#include <QNetworkDatagram>

CLanAdvertiser::CLanAdvertiser(int port) : m_port(port)
{
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
        if (datagram.data() != probe || datagram.senderAddress().isNull() || datagram.senderPort() <= 0)
            continue;
        m_socket->writeDatagram(LanDiscovery::ReplyDatagram(), datagram.senderAddress(),
                                static_cast<quint16>(datagram.senderPort()));
    }
}
