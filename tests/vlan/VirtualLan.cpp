#include "VirtualLan.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <string>

#include <unistd.h>

namespace
{
constexpr int kCommandTimeoutMs = 20000;
const QString kHostsRoot = QStringLiteral("/etc/netns");

// The namespaces of the networks alive in this process, for the signal
// handler: plain strings, written before a namespace is made.
std::mutex g_liveMutex;
std::vector<std::string> g_live;

void RemoveOnSignal(int signal)
{
    // Not the polite way, but the process is ending anyway: whatever runs in
    // the namespaces is ended and the namespaces removed, then the signal
    // does what it would have done.
    for (const std::string& space : g_live)
    {
        const std::string command = "ip netns pids " + space + " 2>/dev/null | xargs -r kill -9; ip netns del " +
                                    space + " 2>/dev/null; rm -rf /etc/netns/" + space;
        (void)std::system(command.c_str());
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void InstallHandlers()
{
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    for (int signal : {SIGINT, SIGTERM, SIGABRT, SIGSEGV, SIGHUP})
        std::signal(signal, RemoveOnSignal);
}

void Track(const QString& space, bool live)
{
    const std::lock_guard<std::mutex> lock(g_liveMutex);
    const std::string name = space.toStdString();
    g_live.erase(std::remove(g_live.begin(), g_live.end(), name), g_live.end());
    if (live)
        g_live.push_back(name);
}
} // namespace

bool CVirtualLan::Run(const QStringList& command, QString* output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.first(), command.mid(1));
    if (!process.waitForStarted(kCommandTimeoutMs))
    {
        if (output)
            *output = command.join(QLatin1Char(' ')) + QStringLiteral(": cannot start");
        return false;
    }
    if (!process.waitForFinished(kCommandTimeoutMs))
    {
        process.kill();
        process.waitForFinished();
    }
    const QString said = QString::fromLocal8Bit(process.readAll());
    if (output)
        *output = said;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

QString CVirtualLan::ProcessPrefix()
{
    return QString::fromLatin1(kStem) + QString::number(::getpid());
}

QString CVirtualLan::Unavailable()
{
    if (::geteuid() != 0)
        return QStringLiteral("needs root to make network namespaces");
    if (QStandardPaths::findExecutable(QStringLiteral("ip")).isEmpty())
        return QStringLiteral("needs iproute2 (\"ip\")");
    // One namespace made and removed proves the rest can be made too.
    const QString probe = ProcessPrefix() + QStringLiteral("-probe");
    QString said;
    Track(probe, true);
    InstallHandlers();
    const bool made = Run({QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("add"), probe}, &said);
    if (made)
        Run({QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("del"), probe});
    Track(probe, false);
    if (!made)
        return QStringLiteral("cannot make a network namespace: ") + said.trimmed();
    return {};
}

CVirtualLan::CVirtualLan() : m_prefix(ProcessPrefix())
{
    InstallHandlers();
    m_switch = m_prefix + QStringLiteral("-sw");
    Track(m_switch, true);
    m_spaces << m_switch;
    QString said;
    if (!Run({QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("add"), m_switch}, &said) ||
        AddSwitch() != 0)
        m_error = QStringLiteral("cannot make the switch: ") + (m_error.isEmpty() ? said.trimmed() : m_error);
}

int CVirtualLan::AddSwitch()
{
    // Each switch is a bridge of its own in the switch namespace.
    const QString bridge =
        m_prefix + QStringLiteral("br") + (m_bridges.isEmpty() ? QString() : QString::number(m_bridges.size()));
    QString said;
    const QString ip = QStringLiteral("ip");
    if (!Run({ip, QStringLiteral("-n"), m_switch, QStringLiteral("link"), QStringLiteral("add"), bridge,
              QStringLiteral("type"), QStringLiteral("bridge")},
             &said) ||
        !Run({ip, QStringLiteral("-n"), m_switch, QStringLiteral("link"), QStringLiteral("set"), bridge,
              QStringLiteral("up")},
             &said))
    {
        m_error = QStringLiteral("cannot make a switch: ") + said.trimmed();
        return -1;
    }
    m_bridges << bridge;
    return static_cast<int>(m_bridges.size()) - 1;
}

CVirtualLan::~CVirtualLan()
{
    Remove();
}

QString CVirtualLan::AddHost(const QString& label, const QString& ipv4Cidr, const QString& ipv6Cidr, int switchIndex)
{
    const QString space = m_prefix + QLatin1Char('-') + label;
    Track(space, true);
    m_spaces << space;
    QString said;
    if (m_error.isEmpty() && !Run({QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("add"), space}, &said))
        m_error = QStringLiteral("cannot make the machine ") + label + QStringLiteral(": ") + said.trimmed();
    if (m_error.isEmpty() && !Run({QStringLiteral("ip"), QStringLiteral("-n"), space, QStringLiteral("link"),
                                   QStringLiteral("set"), QStringLiteral("lo"), QStringLiteral("up")},
                                  &said))
        m_error = said.trimmed();
    const QString port = Cable(space, QStringLiteral("eth0"), switchIndex, ipv4Cidr, ipv6Cidr);
    m_hosts.push_back({label, space, port});
    return m_error.isEmpty() ? space : QString();
}

bool CVirtualLan::AddCable(const QString& label, const QString& interfaceName, int switchIndex, const QString& ipv4Cidr)
{
    const QString space = Namespace(label);
    return !space.isEmpty() && !Cable(space, interfaceName, switchIndex, ipv4Cidr, {}).isEmpty();
}

QString CVirtualLan::Cable(const QString& space, const QString& interfaceName, int switchIndex, const QString& ipv4Cidr,
                           const QString& ipv6Cidr)
{
    if (switchIndex < 0 || switchIndex >= m_bridges.size())
    {
        if (m_error.isEmpty())
            m_error = QStringLiteral("no switch %1").arg(switchIndex);
        return {};
    }
    const int index = ++m_cables;
    const QString switchPort = m_prefix + QStringLiteral("s") + QString::number(index);
    const QString end = m_prefix + QStringLiteral("h") + QString::number(index);
    const QString ip = QStringLiteral("ip");
    QString said;
    auto run = [&](const QStringList& command) {
        if (!m_error.isEmpty())
            return;
        if (!Run(command, &said))
            m_error = command.join(QLatin1Char(' ')) + QStringLiteral(": ") + said.trimmed();
    };
    const QString& sw = m_switch;
    // The cable is made in the switch with its other end put straight into the machine.
    run({ip, QStringLiteral("-n"), sw, QStringLiteral("link"), QStringLiteral("add"), switchPort,
         QStringLiteral("type"), QStringLiteral("veth"), QStringLiteral("peer"), QStringLiteral("name"), end,
         QStringLiteral("netns"), space});
    run({ip, QStringLiteral("-n"), sw, QStringLiteral("link"), QStringLiteral("set"), switchPort,
         QStringLiteral("master"), m_bridges[switchIndex]});
    run({ip, QStringLiteral("-n"), sw, QStringLiteral("link"), QStringLiteral("set"), switchPort,
         QStringLiteral("up")});
    run({ip, QStringLiteral("-n"), space, QStringLiteral("link"), QStringLiteral("set"), end, QStringLiteral("name"),
         interfaceName});
    run({ip, QStringLiteral("-n"), space, QStringLiteral("address"), QStringLiteral("add"), ipv4Cidr,
         QStringLiteral("brd"), QStringLiteral("+"), QStringLiteral("dev"), interfaceName});
    if (!ipv6Cidr.isEmpty())
        run({ip, QStringLiteral("-n"), space, QStringLiteral("address"), QStringLiteral("add"), ipv6Cidr,
             QStringLiteral("dev"), interfaceName, QStringLiteral("nodad")});
    run({ip, QStringLiteral("-n"), space, QStringLiteral("link"), QStringLiteral("set"), interfaceName,
         QStringLiteral("up")});
    return m_error.isEmpty() ? switchPort : QString();
}

bool CVirtualLan::SetDefaultRoute(const QString& label, const QString& gateway)
{
    return RunIn(label, {QStringLiteral("ip"), QStringLiteral("route"), QStringLiteral("add"),
                         QStringLiteral("default"), QStringLiteral("via"), gateway});
}

bool CVirtualLan::RunIn(const QString& label, const QStringList& command, QString* output)
{
    const QString space = Namespace(label);
    if (space.isEmpty())
        return false;
    return Run(QStringList{QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("exec"), space} + command,
               output);
}

QString CVirtualLan::Namespace(const QString& label) const
{
    for (const Host& host : m_hosts)
        if (host.label == label)
            return host.space;
    return {};
}

bool CVirtualLan::SetCable(const QString& label, bool plugged)
{
    for (const Host& host : m_hosts)
        if (host.label == label)
            return Run({QStringLiteral("ip"), QStringLiteral("-n"), m_switch, QStringLiteral("link"),
                        QStringLiteral("set"), host.switchPort,
                        plugged ? QStringLiteral("up") : QStringLiteral("down")});
    return false;
}

bool CVirtualLan::SetEtcFile(const QString& label, const QString& fileName, const QString& content)
{
    const QString space = Namespace(label);
    if (space.isEmpty() || !QDir().mkpath(kHostsRoot + QLatin1Char('/') + space))
        return false;
    QFile file(kHostsRoot + QLatin1Char('/') + space + QLatin1Char('/') + fileName);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content.toUtf8()) >= 0;
}

void CVirtualLan::Remove()
{
    const QString ip = QStringLiteral("ip");
    // Machines first, the switch last; whatever still runs inside is ended.
    for (auto it = m_spaces.crbegin(); it != m_spaces.crend(); ++it)
    {
        const QString& space = *it;
        QString pids;
        if (Run({ip, QStringLiteral("netns"), QStringLiteral("pids"), space}, &pids))
            for (const QString& pid : pids.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                if (const int id = pid.trimmed().toInt(); id > 1)
                    ::kill(id, SIGKILL);
        Run({ip, QStringLiteral("netns"), QStringLiteral("del"), space});
        QDir(kHostsRoot + QLatin1Char('/') + space).removeRecursively();
        Track(space, false);
    }
    m_spaces.clear();
    m_hosts.clear();
    // The folder of them all goes too once empty (it stays while another run uses it).
    QDir().rmdir(kHostsRoot);
}

QStringList CVirtualLan::LeftOvers(const QString& prefix)
{
    QStringList found;
    QString list;
    Run({QStringLiteral("ip"), QStringLiteral("netns"), QStringLiteral("list")}, &list);
    for (const QString& line : list.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
    {
        const QString name = line.section(QLatin1Char(' '), 0, 0);
        if (name.startsWith(prefix + QLatin1Char('-')))
            found << name;
    }
    for (const QString& folder : QDir(kHostsRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        if (folder.startsWith(prefix + QLatin1Char('-')))
            found << kHostsRoot + QLatin1Char('/') + folder;
    return found;
}
