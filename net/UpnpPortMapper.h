#pragma once

#include <QObject>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

// Asks the home router (a UPnP internet gateway device) to forward a TCP port
// to this machine. Discovery and every request to the router run on a thread
// of the mapper's own, so the caller never waits on the network; the outcome
// comes back on the caller's thread as one of the two signals. A mapping is
// made with a lease (so a program that crashes leaves nothing for long) and
// renewed at half of it; it is removed by Stop() and by the destructor, which
// waits for that removal.
class CUpnpPortMapper : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultLeaseSeconds = 3600;
    static constexpr int kDefaultDiscoveryMs = 2000;
    // Other external ports tried when the router has the port mapped to somebody else.
    static constexpr int kPortsTried = 8;

    explicit CUpnpPortMapper(QObject* parent = nullptr);
    ~CUpnpPortMapper() override;
    CUpnpPortMapper(const CUpnpPortMapper&) = delete;
    CUpnpPortMapper& operator=(const CUpnpPortMapper&) = delete;

    // For the tests: a shorter lease, a shorter wait for routers to answer.
    void SetLeaseSeconds(int seconds);
    void SetDiscoveryMs(int milliseconds);

    // Looks for the router and maps the port (replacing a mapping made before).
    void Start(int port);
    // Removes the mapping, if any; an answer still on its way is dropped.
    void Stop();

    [[nodiscard]] bool IsMapped() const { return m_mapped; }
    [[nodiscard]] const QString& ExternalAddress() const { return m_externalAddress; }
    [[nodiscard]] int ExternalPort() const { return m_externalPort; }

signals:
    // The router forwards externalPort at externalAddress to the port.
    void Mapped(const QString& externalAddress, int externalPort);
    // No router answered, or the one that did refused; why is for a log.
    void Failed(const QString& why);

private:
    struct Command
    {
        enum class Kind
        {
            Map,
            Unmap,
            Quit
        };
        Kind kind;
        int port;
        std::uint64_t serial;
    };

    void Post(const Command& command);
    // The thread: takes commands, renews the lease when it is due.
    void Run();
    void Report(std::uint64_t serial, bool mapped, const QString& address, int port, const QString& why);

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Command> m_commands;
    int m_leaseSeconds = kDefaultLeaseSeconds;
    int m_discoveryMs = kDefaultDiscoveryMs;

    // The caller's side.
    std::uint64_t m_serial = 0;
    bool m_mapped = false;
    QString m_externalAddress;
    int m_externalPort = 0;
};
