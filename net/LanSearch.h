#pragma once

#include <QHostAddress>
#include <QList>
#include <QStringList>

// One LAN search: probes sent to the targets on the search port, answers
// collected until the wait is over. The found hosts are the answering
// IPv4 addresses, each once, in order of first answer.
class CLanSearch
{
public:
    // Probes sent per pass, spread over the wait.
    static constexpr int kProbeCount = 4;
    static constexpr int kDefaultWaitMs = 1000;

    // targets: where the probes go (the interfaces' broadcast addresses in the
    // program, loopback in tests); port: the game port + 1.
    CLanSearch(QList<QHostAddress> targets, int port);

    // Runs one pass; blocks the caller for waitMs but keeps the event loop
    // running. Returns the found hosts (also kept for GetHosts).
    const QStringList& Run(int waitMs = kDefaultWaitMs);
    [[nodiscard]] const QStringList& GetHosts() const { return m_hosts; }
    [[nodiscard]] int GetPort() const { return m_port; }

private:
    QList<QHostAddress> m_targets;
    int m_port;
    QStringList m_hosts;
};
