#include "UpnpPortMapper.h"

#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <miniupnpc/upnperrors.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <string>

namespace
{
constexpr char kDescription[] = "Pellomar II";
constexpr char kProtocol[] = "TCP";
// The router answers that it keeps only mappings without a lease.
constexpr int kOnlyPermanentLeases = 725;
// The external port is mapped to another machine already.
constexpr int kConflictInMappingEntry = 718;

// What the thread knows of the router it found and the mapping it made.
struct Router
{
    UPNPUrls urls{};
    IGDdatas data{};
    bool found = false;
    std::array<char, 64> lanAddress{};
    int externalPort = 0;
    int internalPort = 0;
    int lease = 0; // of the mapping made; 0 = none

    Router() = default;
    Router(const Router&) = delete;
    Router& operator=(const Router&) = delete;
    ~Router() { Forget(); }

    void Forget()
    {
        if (found)
            FreeUPNPUrls(&urls);
        urls = {};
        data = {};
        found = false;
    }

    // AddPortMapping with the lease; a router that keeps only permanent
    // mappings gets one without (Stop removes it then).
    int Add(int external, int internal, int leaseSeconds, int* leaseUsed) const
    {
        const std::string ext = std::to_string(external);
        const std::string in = std::to_string(internal);
        std::string duration = std::to_string(leaseSeconds);
        int result = UPNP_AddPortMapping(urls.controlURL, data.first.servicetype, ext.c_str(), in.c_str(),
                                         lanAddress.data(), kDescription, kProtocol, nullptr, duration.c_str());
        *leaseUsed = leaseSeconds;
        if (result == kOnlyPermanentLeases)
        {
            result = UPNP_AddPortMapping(urls.controlURL, data.first.servicetype, ext.c_str(), in.c_str(),
                                         lanAddress.data(), kDescription, kProtocol, nullptr, "0");
            *leaseUsed = 0;
        }
        return result;
    }

    void Remove()
    {
        if (!found || externalPort == 0)
            return;
        const std::string ext = std::to_string(externalPort);
        (void)UPNP_DeletePortMapping(urls.controlURL, data.first.servicetype, ext.c_str(), kProtocol, nullptr);
        externalPort = 0;
        internalPort = 0;
    }
};

QString ErrorText(int code)
{
    const char* text = strupnperror(code);
    return text ? QString::fromLatin1(text) : QStringLiteral("error %1").arg(code);
}
} // namespace

CUpnpPortMapper::CUpnpPortMapper(QObject* parent) : QObject(parent)
{
    m_thread = std::thread([this] { Run(); });
}

CUpnpPortMapper::~CUpnpPortMapper()
{
    Post({Command::Kind::Quit, 0, 0});
    m_thread.join();
}

void CUpnpPortMapper::SetLeaseSeconds(int seconds)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_leaseSeconds = std::max(seconds, 2);
}

void CUpnpPortMapper::SetDiscoveryMs(int milliseconds)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_discoveryMs = std::max(milliseconds, 100);
}

void CUpnpPortMapper::Start(int port)
{
    m_mapped = false;
    m_externalAddress.clear();
    m_externalPort = 0;
    Post({Command::Kind::Map, port, ++m_serial});
}

void CUpnpPortMapper::Stop()
{
    m_mapped = false;
    m_externalAddress.clear();
    m_externalPort = 0;
    Post({Command::Kind::Unmap, 0, ++m_serial});
}

void CUpnpPortMapper::Post(const Command& command)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_commands.push_back(command);
    }
    m_wake.notify_one();
}

void CUpnpPortMapper::Report(std::uint64_t serial, bool mapped, const QString& address, int port, const QString& why)
{
    // Delivered on the caller's thread; dropped with the mapper, and ignored
    // when the caller has asked for something else since.
    QMetaObject::invokeMethod(
        this,
        [this, serial, mapped, address, port, why] {
            if (serial != m_serial)
                return;
            if (!mapped)
            {
                emit Failed(why);
                return;
            }
            m_mapped = true;
            m_externalAddress = address;
            m_externalPort = port;
            emit Mapped(address, port);
        },
        Qt::QueuedConnection);
}

void CUpnpPortMapper::Run()
{
    using Clock = std::chrono::steady_clock;
    Router router;
    // When the mapping is asked for again; none while `renew` is false.
    Clock::time_point renewAt{};
    bool renew = false;
    for (;;)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        const auto ready = [this] { return !m_commands.empty(); };
        if (renew)
            m_wake.wait_until(lock, renewAt, ready);
        else
            m_wake.wait(lock, ready);
        const int leaseSeconds = m_leaseSeconds;
        const int discoveryMs = m_discoveryMs;
        if (m_commands.empty())
        {
            // The lease is half gone: the same mapping again, for a full lease.
            lock.unlock();
            int used = 0;
            const int result = router.Add(router.externalPort, router.internalPort, leaseSeconds, &used);
            router.lease = used;
            // A router that forgot us gets asked again a little later.
            renew = result != UPNPCOMMAND_SUCCESS || used > 0;
            renewAt = result != UPNPCOMMAND_SUCCESS ? Clock::now() + std::chrono::seconds(10)
                                                    : Clock::now() + std::chrono::seconds(used) / 2;
            continue;
        }
        const Command command = m_commands.front();
        m_commands.pop_front();
        lock.unlock();

        router.Remove();
        renew = false;
        if (command.kind == Command::Kind::Quit)
            return;
        if (command.kind == Command::Kind::Unmap)
            continue;

        // Map: find the router afresh (it may have changed since the last time).
        router.Forget();
        int error = 0;
        UPNPDev* devices = upnpDiscover(discoveryMs, nullptr, nullptr, UPNP_LOCAL_PORT_ANY, 0, 2, &error);
        if (!devices)
        {
            Report(command.serial, false, {}, 0, QStringLiteral("no UPnP device answered"));
            continue;
        }
#if MINIUPNPC_API_VERSION >= 18
        const int igd = UPNP_GetValidIGD(devices, &router.urls, &router.data, router.lanAddress.data(),
                                         static_cast<int>(router.lanAddress.size()), nullptr, 0);
#else
        const int igd = UPNP_GetValidIGD(devices, &router.urls, &router.data, router.lanAddress.data(),
                                         static_cast<int>(router.lanAddress.size()));
#endif
        freeUPNPDevlist(devices);
        router.found = igd != 0;
        if (igd != 1)
        {
            Report(command.serial, false, {}, 0, QStringLiteral("no connected internet gateway answered"));
            continue;
        }
        std::array<char, 64> external{};
        if (UPNP_GetExternalIPAddress(router.urls.controlURL, router.data.first.servicetype, external.data()) !=
                UPNPCOMMAND_SUCCESS ||
            external[0] == '\0')
        {
            Report(command.serial, false, {}, 0, QStringLiteral("the router does not tell its external address"));
            continue;
        }
        // The game's own port when it is free at the router, else one of the next few.
        int result = UPNPCOMMAND_UNKNOWN_ERROR;
        int used = 0;
        int externalPort = command.port;
        for (int attempt = 0; attempt < kPortsTried && externalPort <= 65535; ++attempt, ++externalPort)
        {
            result = router.Add(externalPort, command.port, leaseSeconds, &used);
            if (result != kConflictInMappingEntry)
                break;
        }
        if (result != UPNPCOMMAND_SUCCESS)
        {
            Report(command.serial, false, {}, 0, QStringLiteral("the router refused: ") + ErrorText(result));
            continue;
        }
        router.externalPort = externalPort;
        router.internalPort = command.port;
        router.lease = used;
        renew = used > 0;
        renewAt = Clock::now() + std::chrono::seconds(used) / 2;
        Report(command.serial, true, QString::fromLatin1(external.data()), externalPort, {});
    }
}
