#pragma once

#include "INetAdvertiser.h"

#include <QUdpSocket>

#include <memory>

// Answers LAN search probes on one UDP port while it lives. A port that
// cannot be bound leaves it silent: the game server works without it.
class CLanAdvertiser : public INetAdvertiser
{
public:
    explicit CLanAdvertiser(int port);
    ~CLanAdvertiser() override;

    // Whether the port was bound and probes are being answered.
    [[nodiscard]] bool IsAdvertising() const;
    [[nodiscard]] int GetPort() const { return m_port; }

private:
    void ReadProbes();

    int m_port;
    std::unique_ptr<QUdpSocket> m_socket;
};
