#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QStringList>

#include <memory>

class QTimer;
class QUdpSocket;

// One LAN search at a time: probes sent to the targets on the search port,
// answers collected until the wait is over. The found hosts are the answering
// IPv4 addresses, each once, in order of first answer. A pass runs on the
// event loop and never blocks its caller: each new host is reported as it
// answers, and the end of the pass after the wait.
class CLanSearch : public QObject
{
    Q_OBJECT

public:
    // Probes sent per pass, spread over the wait.
    static constexpr int kProbeCount = 4;
    static constexpr int kDefaultWaitMs = 1000;

    // targets: where the probes go (the search targets in the program,
    // loopback in tests); port: the game port + 1.
    CLanSearch(QList<QHostAddress> targets, int port, QObject* parent = nullptr);
    ~CLanSearch() override;

    // Starts a pass and returns at once: the found hosts are emptied and the
    // first probes sent. A pass already running is dropped first. A pass that
    // cannot run (a port outside 1..65535, no target, no socket) finds
    // nothing and finishes as soon as the event loop runs.
    void Start(int waitMs = kDefaultWaitMs);
    // Ends a running pass at once, without Finished.
    void Stop();
    [[nodiscard]] bool IsRunning() const { return m_running; }
    [[nodiscard]] const QStringList& GetHosts() const { return m_hosts; }
    [[nodiscard]] int GetPort() const { return m_port; }

signals:
    // A host answered for the first time in this pass; it is already in GetHosts.
    void HostFound(const QString& host);
    // The wait of the pass is over.
    void Finished();

private:
    void SendProbes();
    void ReadAnswers();
    void Finish();

    QList<QHostAddress> m_targets;
    int m_port;
    QStringList m_hosts;
    std::unique_ptr<QUdpSocket> m_socket;
    QTimer* m_repeat;
    QTimer* m_end;
    int m_sent = 0;
    bool m_running = false;
};
