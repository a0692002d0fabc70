#pragma once

#include <QString>
#include <QStringList>

#include <vector>

// A network of its own for a test: one namespace holding a bridge (the
// switch) and one namespace per machine, each joined to the switch by a
// virtual cable (a veth pair) and given its addresses on a private test
// subnet. Nothing of it lives in the machine's own namespace, so nothing the
// programs on it send, broadcasts included, can leave it.
//
// Every namespace, link and hosts file is named after a prefix made of
// kStem and the test process's id, and the destructor removes them all,
// ending whatever still runs inside. A test that dies on a signal removes
// them from its handler; one killed outright leaves them to the suite's
// leftover check, which recognises a dead process's prefix.
class CVirtualLan
{
public:
    static constexpr const char* kStem = "plv";

    // Why this machine cannot make such networks (not root, no "ip", no
    // namespaces), or an empty text when it can.
    static QString Unavailable();

    CVirtualLan();
    ~CVirtualLan();
    CVirtualLan(const CVirtualLan&) = delete;
    CVirtualLan& operator=(const CVirtualLan&) = delete;

    // False, with Error() telling why, when the switch could not be made.
    [[nodiscard]] bool IsReady() const { return m_error.isEmpty(); }
    [[nodiscard]] const QString& Error() const { return m_error; }

    // Another switch, joined to none of the others (a second network): its
    // index, the first switch being 0; -1 on failure.
    int AddSwitch();
    // A machine on the switch: its namespace with loopback up and its cable's
    // end "eth0" holding the IPv4 address (CIDR, broadcast address set) and,
    // when given, the IPv6 one. Returns the namespace's name, empty on failure.
    QString AddHost(const QString& label, const QString& ipv4Cidr, const QString& ipv6Cidr = {}, int switchIndex = 0);
    // A further cable from a machine to a switch, its end named interfaceName
    // and holding the IPv4 address (a router's second network).
    bool AddCable(const QString& label, const QString& interfaceName, int switchIndex, const QString& ipv4Cidr);
    // The machine sends what is not for its own networks to that gateway.
    bool SetDefaultRoute(const QString& label, const QString& gateway);
    // Runs a command inside the machine to its end; true when it exits with 0.
    bool RunIn(const QString& label, const QStringList& command, QString* output = nullptr);
    // Pulls (false) or plugs in (true) the machine's cable at the switch.
    bool SetCable(const QString& label, bool plugged);
    // A file of the machine's /etc ("hosts", "resolv.conf"): "ip netns exec"
    // shows it to the programs inside in place of the real machine's.
    bool SetEtcFile(const QString& label, const QString& fileName, const QString& content);

    [[nodiscard]] QString Namespace(const QString& label) const;
    [[nodiscard]] const QString& Prefix() const { return m_prefix; }

    // Removes everything made, ending any process still inside.
    void Remove();

    // What of a prefix is still there: namespaces and hosts folders.
    [[nodiscard]] static QStringList LeftOvers(const QString& prefix);
    // The prefix this process uses.
    [[nodiscard]] static QString ProcessPrefix();

    // Runs a command to its end (up to 20 s); true when it exits with 0.
    static bool Run(const QStringList& command, QString* output = nullptr);

private:
    struct Host
    {
        QString label;
        QString space;      // its namespace
        QString switchPort; // the first cable's end in the switch
    };

    // A cable from the namespace to a switch; its end named interfaceName.
    // Returns the switch's end, empty on failure (m_error tells why).
    QString Cable(const QString& space, const QString& interfaceName, int switchIndex, const QString& ipv4Cidr,
                  const QString& ipv6Cidr);

    QString m_prefix;
    QString m_switch;
    QStringList m_bridges; // by switch index
    int m_cables = 0;
    QString m_error;
    std::vector<Host> m_hosts;
    QStringList m_spaces; // made, in order
};
