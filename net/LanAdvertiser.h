#pragma once

#include "INetAdvertiser.h"

#include <QElapsedTimer>
#include <QHash>
#include <QHostAddress>
#include <QUdpSocket>

#include <memory>

// Answers LAN search probes on one UDP port while it lives. A port that
// cannot be bound leaves it silent: the game server works without it.
//
// Each source address gets at most kAnswersPerSecond answers a second (a
// search sends fewer probes than that); more probes are dropped unanswered,
// so a flood of probes, forged senders included, costs little and sends
// little.
class CLanAdvertiser : public INetAdvertiser
{
public:
    static constexpr int kAnswersPerSecond = 4;
    // Sources remembered at once; beyond it, the ones quiet for a second are
    // forgotten, and while all are busy new sources wait.
    static constexpr int kMaxSources = 1024;

    explicit CLanAdvertiser(int port);
    ~CLanAdvertiser() override;

    // Whether the port was bound and probes are being answered.
    [[nodiscard]] bool IsAdvertising() const;
    [[nodiscard]] int GetPort() const { return m_port; }

private:
    // Answers left to one source: kAnswersPerSecond, refilled over a second.
    struct Allowance
    {
        double answers = 0;
        qint64 updatedMs = 0;
    };

    void ReadProbes();
    // Takes one answer from the source's allowance; false when none is left.
    bool TakeAnswer(const QHostAddress& source);

    int m_port;
    std::unique_ptr<QUdpSocket> m_socket;
    QHash<QHostAddress, Allowance> m_allowances;
    QElapsedTimer m_clock;
};
